// Cost of the phone's message handling and of its writes.
//
// Messages: one PHONE_BUTTON on a keypad key (the control re-read from the
// service, OnDigitPressed and OnButton raised) and one PHONE_STATE for the
// handset's hook switch (the status re-read, two events), against the
// baseline of PHONE_DEVSPECIFIC, which the phone only dispatches.
//
// Writes: a hook-switch write in SyncMode (returns with its reply handled)
// against the same write in asynchronous mode followed by dispatching until
// its reply has been handled, through the same switch.
#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace kxtapi;

namespace {

struct TWorld {
    std::unique_ptr<TTapiPhone> Phone;
    uint64_t Events = 0;
};

std::unique_ptr<TWorld> MakeWorld(bool SyncMode)
{
    Application()->SetMainThread();
    sim::Switch().Reset();
    auto W = std::make_unique<TWorld>();
    W->Phone = std::make_unique<TTapiPhone>(nullptr);
    W->Phone->OnButton = [P = W.get()](TTapiPhone*, uint32_t) { ++P->Events; };
    W->Phone->OnHandsetHookSwitch = [P = W.get()](TObject*) { ++P->Events; };
    W->Phone->Get_Options()->Set_SyncMode(SyncMode);
    W->Phone->Get_Privileges()->Set_Owner(true);
    W->Phone->Set_DeviceName("Simulated Phone 1");
    W->Phone->Set_Active(true);
    return W;
}

void EndWorld(std::unique_ptr<TWorld>& W)
{
    W.reset();
    if (TapiApplication->IsActive()) TapiApplication->Shutdown();
    sim::Switch().Reset();
}

void RunMessage(benchmark::State& State, uint32_t MessageID, uint32_t Param1, uint32_t Param2, uint32_t Param3)
{
    auto W = MakeWorld(true);
    if (!W->Phone->Get_Active()) {
        State.SkipWithError("the phone did not open");
        EndWorld(W);
        return;
    }
    const uint32_t h = W->Phone->Get_DeviceHandle();
    for (auto _ : State) W->Phone->Handle_TapiMessage(h, MessageID, Param1, Param2, Param3);
    if (MessageID != PHONE_DEVSPECIFIC && W->Events != static_cast<uint64_t>(State.iterations()))
        State.SkipWithError("the event was not raised for every message");
    EndWorld(W);
}

void BM_PhoneMessage_Button(benchmark::State& State)
{
    RunMessage(State, PHONE_BUTTON, 5, PHONEBUTTONMODE_KEYPAD, PHONEBUTTONSTATE_DOWN);
}
BENCHMARK(BM_PhoneMessage_Button)->Unit(benchmark::kMicrosecond);

void BM_PhoneMessage_HookSwitchState(benchmark::State& State)
{
    RunMessage(State, PHONE_STATE, PHONESTATE_HANDSETHOOKSWITCH, PHONEHOOKSWITCHMODE_MIC, 0);
}
BENCHMARK(BM_PhoneMessage_HookSwitchState)->Unit(benchmark::kMicrosecond);

void BM_PhoneMessage_BaselineDispatchOnly(benchmark::State& State)
{
    RunMessage(State, PHONE_DEVSPECIFIC, 0, 0, 0);
}
BENCHMARK(BM_PhoneMessage_BaselineDispatchOnly)->Unit(benchmark::kMicrosecond);

void RunWrite(benchmark::State& State, bool SyncMode)
{
    auto W = MakeWorld(SyncMode);
    TTapiPhoneHookSwitch* Handset = W->Phone->Get_Handset();
    bool OnHook = true;
    for (auto _ : State) {
        OnHook = !OnHook;
        Handset->Set_OnHook(OnHook);
        if (!SyncMode) {
            const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (W->Phone->Get_Requests()->Count() > 0 && std::chrono::steady_clock::now() < Deadline)
                Application()->HandleMessage(10);
        }
    }
    if (W->Phone->Get_Requests()->Count() != 0) State.SkipWithError("a reply did not arrive");
    EndWorld(W);
}

void BM_HookSwitchWrite_Sync(benchmark::State& State)
{
    RunWrite(State, true);
}
BENCHMARK(BM_HookSwitchWrite_Sync)->Unit(benchmark::kMicrosecond);

void BM_HookSwitchWrite_BaselineAsync(benchmark::State& State)
{
    RunWrite(State, false);
}
BENCHMARK(BM_HookSwitchWrite_BaselineAsync)->Unit(benchmark::kMicrosecond);

} // namespace
