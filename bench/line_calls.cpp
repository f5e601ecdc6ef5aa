// Make-call/drop cycles of the line component on the simulated switch, in
// asynchronous mode and in SyncMode, against the same cycle made with the
// service's functions directly (lineMakeCallA, lineDrop,
// lineDeallocateCall, each reply taken with lineGetMessage) in the same run.
#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace kxtapi;

namespace {

template <class F>
bool Pump(F&& Done)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > Deadline) return false;
        Application()->ProcessMessages();
    }
    return true;
}

void LineCycle(benchmark::State& State, bool Sync)
{
    Application()->SetMainThread();
    sim::Switch().Reset();
    {
        TTapiLine Line(nullptr);
        Line.Get_Options()->Set_SyncMode(Sync);
        Line.Get_Options()->Set_AutoFreeIdleCalls(-1);
        Line.Get_Options()->Set_AutoDropDiscCalls(-1);
        Line.Set_DeviceName("Simulated Line 1");
        Line.Set_Active(true);
        for (auto _ : State) {
            TTapiCall* Call = Line.MakeCall("5550100");
            if (!Pump([&] { return Call != nullptr && Line.HasCall(Call); })) {
                State.SkipWithError("no reply");
                break;
            }
            Call->Drop();
            if (!Pump([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_IDLE; })) {
                State.SkipWithError("not idle");
                break;
            }
            Call->Free();
        }
    }
    if (TapiApplication->IsActive()) TapiApplication->Shutdown();
    sim::Switch().Reset();
}

void BM_MakeDrop_Async(benchmark::State& State) { LineCycle(State, false); }
void BM_MakeDrop_Sync(benchmark::State& State) { LineCycle(State, true); }
BENCHMARK(BM_MakeDrop_Async)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MakeDrop_Sync)->Unit(benchmark::kMicrosecond);

// Baseline: the same cycle through the service alone.
bool AwaitReply(HLINEAPP App, uint32_t ID)
{
    LINEMESSAGE m;
    while (lineGetMessage(App, &m, 1000) == 0)
        if (m.dwMessageID == LINE_REPLY && m.dwParam1 == ID) return static_cast<int32_t>(m.dwParam2) == 0;
    return false;
}

void BM_MakeDrop_Baseline(benchmark::State& State)
{
    sim::Switch().Reset();
    HLINEAPP App = 0;
    LINEINITIALIZEEXPARAMS p{};
    p.dwTotalSize = sizeof p;
    p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    DWORD n = 0, v = 0x00020001;
    lineInitializeExA(&App, 0, nullptr, "bench", &n, &v, &p);
    HLINE h = 0;
    lineOpenA(App, 0, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
    for (auto _ : State) {
        HCALL Call = 0;
        const uint32_t r = lineMakeCallA(h, &Call, "5550100", 0, nullptr);
        if (static_cast<int32_t>(r) <= 0 || !AwaitReply(App, r)) {
            State.SkipWithError("make call failed");
            break;
        }
        const uint32_t d = lineDrop(Call, nullptr, 0);
        if (static_cast<int32_t>(d) <= 0 || !AwaitReply(App, d)) {
            State.SkipWithError("drop failed");
            break;
        }
        lineDeallocateCall(Call);
    }
    lineShutdown(App);
    sim::Switch().Reset();
}
BENCHMARK(BM_MakeDrop_Baseline)->Unit(benchmark::kMicrosecond);

} // namespace

