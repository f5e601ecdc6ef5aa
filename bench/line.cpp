// Costs of the line component, each against a baseline in the same run:
//   * one LINE_CALLSTATE handled by a line tracking 1, 100 and 1000 calls,
//     against the same message for a handle the line cannot match (a line
//     tracking nothing: the cheapest path) and against the two service
//     queries the handler makes for it (call status, new calls), so the
//     line's own share can be told from the service's;
//   * the CPU time of an active session with two open lines over 10 s of
//     idleness (CPU ms per idle second), against a bare thread that wakes
//     as often as the session's event thread.
#include <kxtapi/kxtapi.h>
#include <kxtapi/sim.h>

#include <benchmark/benchmark.h>

#include "support/idle_cpu.h"

#include <chrono>
#include <memory>
#include <thread>

using namespace kxtapi;

namespace {

struct TWorld {
    std::unique_ptr<TTapiLine> Line;
    uint32_t hCall = 0;
};

// A line on "Simulated Line 1" tracking Calls offered calls; the handle of
// the newest one.
TWorld MakeWorld(int Calls)
{
    Application()->SetMainThread();
    sim::Switch().Reset();
    TWorld W;
    W.Line = std::make_unique<TTapiLine>(nullptr);
    W.Line->Set_DeviceName("Simulated Line 1");
    W.Line->Set_Active(true);
    for (int i = 0; i < Calls; ++i) sim::Switch().OfferCall(0, std::to_string(1000 + i));
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (W.Line->Get_Calls()->Count() < Calls && std::chrono::steady_clock::now() < Deadline)
        Application()->HandleMessage(10);
    Application()->ProcessMessages();
    if (Calls > 0) W.hCall = W.Line->Get_Calls()->Get(W.Line->Get_Calls()->Count() - 1)->Get_Handle();
    return W;
}

void EndWorld(TWorld& W)
{
    W.Line.reset();
    if (TapiApplication->IsActive()) TapiApplication->Shutdown();
    sim::Switch().Reset();
}

void BM_CallState_TrackedCalls(benchmark::State& State)
{
    const int Calls = static_cast<int>(State.range(0));
    TWorld W = MakeWorld(Calls);
    if (W.Line->Get_Calls()->Count() != Calls) {
        State.SkipWithError("the calls did not arrive");
        EndWorld(W);
        return;
    }
    for (auto _ : State)
        W.Line->Handle_TapiMessage(W.hCall, LINE_CALLSTATE, LINECALLSTATE_OFFERING, 0, 0);
    State.counters["calls"] = Calls;
    EndWorld(W);
}
BENCHMARK(BM_CallState_TrackedCalls)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Baseline: the message for a handle nobody knows on a line tracking
// nothing; one failed status query, no events.
void BM_CallState_BaselineUnknownHandle(benchmark::State& State)
{
    TWorld W = MakeWorld(0);
    for (auto _ : State) W.Line->Handle_TapiMessage(0x7FFFFFF0, LINE_CALLSTATE, LINECALLSTATE_OFFERING, 0, 0);
    EndWorld(W);
}
BENCHMARK(BM_CallState_BaselineUnknownHandle)->Unit(benchmark::kMicrosecond);

// Baseline: what the service spends on the handler's two queries, without
// the line.
void BM_CallState_BaselineServiceQueries(benchmark::State& State)
{
    const int Calls = static_cast<int>(State.range(0));
    TWorld W = MakeWorld(Calls);
    TVarBlock Status(TTapiCall::CallStatusSize), List(TTapiLine::CallListSize);
    const uint32_t hLine = W.Line->Get_DeviceHandle();
    for (auto _ : State) {
        FetchVarBlock(Status, [&] { return lineGetCallStatus(W.hCall, Status.As<LINECALLSTATUS>()); });
        FetchVarBlock(List, [&] { return lineGetNewCalls(hLine, 0, LINECALLSELECT_LINE, List.As<LINECALLLIST>()); });
    }
    State.counters["calls"] = Calls;
    EndWorld(W);
}
BENCHMARK(BM_CallState_BaselineServiceQueries)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Two open lines, nothing happening, the application's loop waiting for
// messages for 10 s: the process's CPU time per idle second.
void BM_IdleCpu_SessionTwoOpenLines(benchmark::State& State)
{
    Application()->SetMainThread();
    sim::Switch().Reset();
    TTapiLine One(nullptr), Two(nullptr);
    One.Set_DeviceName("Simulated Line 1");
    Two.Set_DeviceName("Simulated Line 2");
    One.Set_Active(true);
    Two.Set_Active(true);
    bench::MeasureIdleCpu(State, 10, [](auto End) {
        while (std::chrono::steady_clock::now() < End) Application()->HandleMessage(100);
    });
    One.Set_Active(false);
    Two.Set_Active(false);
    if (TapiApplication->IsActive()) TapiApplication->Shutdown();
}
BENCHMARK(BM_IdleCpu_SessionTwoOpenLines)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline of the idle figures: a bare thread that wakes every 100 ms,
// as the session's event thread does, and does nothing.
void BM_IdleCpu_Baseline(benchmark::State& State)
{
    bench::MeasureIdleCpu(State, 10, [](auto End) {
        while (std::chrono::steady_clock::now() < End) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
}
BENCHMARK(BM_IdleCpu_Baseline)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
