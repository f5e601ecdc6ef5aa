// Cost of one LINE_MONITORDIGITS handled by a line (the call found by its
// handle, OnDigit raised) with 1 and 1000 tracked calls, against the
// baseline of a message for the same call that the line only dispatches
// (LINE_DEVSPECIFIC, handled by an empty handler).
#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace kxtapi;

namespace {

struct TWorld {
    std::unique_ptr<TTapiLine> Line;
    uint32_t hCall = 0;
    uint64_t Digits = 0;
};

std::unique_ptr<TWorld> MakeWorld(int Calls)
{
    Application()->SetMainThread();
    sim::Switch().Reset();
    auto W = std::make_unique<TWorld>();
    W->Line = std::make_unique<TTapiLine>(nullptr);
    W->Line->OnDigit = [P = W.get()](TObject*, TTapiCall*, char) { ++P->Digits; };
    W->Line->Set_DeviceName("Simulated Line 1");
    W->Line->Set_Active(true);
    for (int i = 0; i < Calls; ++i) sim::Switch().OfferCall(0, std::to_string(1000 + i));
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (W->Line->Get_Calls()->Count() < Calls && std::chrono::steady_clock::now() < Deadline)
        Application()->HandleMessage(10);
    Application()->ProcessMessages();
    if (Calls > 0) W->hCall = W->Line->Get_Calls()->Get(W->Line->Get_Calls()->Count() - 1)->Get_Handle();
    return W;
}

void EndWorld(std::unique_ptr<TWorld>& W)
{
    W.reset();
    if (TapiApplication->IsActive()) TapiApplication->Shutdown();
    sim::Switch().Reset();
}

void Run(benchmark::State& State, uint32_t MessageID)
{
    const int Calls = static_cast<int>(State.range(0));
    auto W = MakeWorld(Calls);
    if (W->Line->Get_Calls()->Count() != Calls) {
        State.SkipWithError("the calls did not arrive");
        EndWorld(W);
        return;
    }
    for (auto _ : State) W->Line->Handle_TapiMessage(W->hCall, MessageID, '5', LINEDIGITMODE_DTMF, 0);
    State.counters["calls"] = Calls;
    if (MessageID == LINE_MONITORDIGITS && W->Digits != static_cast<uint64_t>(State.iterations()))
        State.SkipWithError("OnDigit was not raised for every message");
    EndWorld(W);
}

void BM_MediaMessage_MonitorDigits(benchmark::State& State)
{
    Run(State, LINE_MONITORDIGITS);
}
BENCHMARK(BM_MediaMessage_MonitorDigits)->Arg(1)->Arg(1000)->Unit(benchmark::kNanosecond);

void BM_MediaMessage_Baseline(benchmark::State& State)
{
    Run(State, LINE_DEVSPECIFIC);
}
BENCHMARK(BM_MediaMessage_Baseline)->Arg(1)->Arg(1000)->Unit(benchmark::kNanosecond);

} // namespace
