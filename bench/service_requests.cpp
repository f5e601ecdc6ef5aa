// Cost of one asynchronous request through the telephony service and the
// simulated switch (request, immediate reply, state message, fetch), against
// the baseline of handing the same two 24-byte messages through a bare
// mutex-guarded queue.

#include <kxtapi/sim.h>
#include <kxtapi/tapi.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <deque>
#include <mutex>

namespace {

struct TSession {
    HLINEAPP App = 0;
    HCALL Call = 0;
    TSession()
    {
        kxtapi::sim::Switch().Reset();
        LINEINITIALIZEEXPARAMS p{};
        p.dwTotalSize = sizeof p;
        p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
        DWORD n, v = 0x00020001;
        lineInitializeExA(&App, 0, nullptr, "bench", &n, &v, &p);
        HLINE h = 0;
        lineOpenA(App, 0, &h, 0x00020001, 0, 1, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_INTERACTIVEVOICE, nullptr);
        kxtapi::sim::Switch().AddDestinationRule({"*", kxtapi::sim::faAnswer, 0});
        lineMakeCallA(h, &Call, "555", 0, nullptr);
        Drain();
    }
    ~TSession() { lineShutdown(App); }
    void Drain()
    {
        LINEMESSAGE m;
        while (lineGetMessage(App, &m, 0) == 0) {}
    }
};

void BM_ServiceRequest_HoldUnhold(benchmark::State& State)
{
    TSession s;
    LINEMESSAGE m;
    for (auto _ : State) {
        lineHold(s.Call);
        lineGetMessage(s.App, &m, 0);   // LINE_REPLY
        lineGetMessage(s.App, &m, 0);   // LINE_CALLSTATE ONHOLD
        lineUnhold(s.Call);
        lineGetMessage(s.App, &m, 0);
        lineGetMessage(s.App, &m, 0);
        benchmark::DoNotOptimize(m);
    }
    State.SetItemsProcessed(State.iterations() * 2);
}
BENCHMARK(BM_ServiceRequest_HoldUnhold);

void BM_ServiceRequest_Baseline(benchmark::State& State)
{
    std::mutex Lock;
    std::deque<LINEMESSAGE> Queue;
    LINEMESSAGE m{};
    for (auto _ : State) {
        for (int Request = 0; Request < 2; ++Request) {
            {
                std::lock_guard<std::mutex> l(Lock);
                Queue.push_back(LINEMESSAGE{0, LINE_REPLY, 1, 1, 0, 0});
                Queue.push_back(LINEMESSAGE{1, LINE_CALLSTATE, 1, 0x400, 0, 0});
            }
            for (int k = 0; k < 2; ++k) {
                std::lock_guard<std::mutex> l(Lock);
                m = Queue.front();
                Queue.pop_front();
            }
        }
        benchmark::DoNotOptimize(m);
    }
    State.SetItemsProcessed(State.iterations() * 2);
}
BENCHMARK(BM_ServiceRequest_Baseline);

void BM_ServiceQuery_CallStatus(benchmark::State& State)
{
    TSession s;
    alignas(4) uint8_t Block[1024] = {};
    uint32_t Total = sizeof Block;
    std::memcpy(Block, &Total, 4);
    for (auto _ : State) benchmark::DoNotOptimize(lineGetCallStatus(s.Call, reinterpret_cast<LPLINECALLSTATUS>(Block)));
}
BENCHMARK(BM_ServiceQuery_CallStatus);

}  // namespace
