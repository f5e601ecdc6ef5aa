// The SIP provider against baresip, in the same run:
// - call set-up: lineMakeCall to CONNECTED seen by the program (TTapiLine,
//   baresip answering at once) against baresip calling baresip (dial command
//   to CALL_ESTABLISHED); the ratio of the medians is printed at the end;
// - 100 concurrent calls between two lines of the library with RTP flowing
//   both ways for 30 s (KXTAPI_BENCH_SECONDS to change it): the CPU the
//   process spends, against the same process idle as long, and the calls
//   lost (each line takes a call whose RTP stops for 2 s as gone).
#include "sip_peers.h"

#include <kxtapi/kxtapi.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <vector>

using namespace kxtapi;
using namespace kxtapi::testing;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<double> LibrarySetups, BaresipSetups;   // ms

// Waits on the message loop's descriptor, as a program with its own loop
// would, until Done or Ms passed.
template <class F>
bool Wait(F&& Done, int Ms = 10000)
{
    const auto Deadline = Clock::now() + std::chrono::milliseconds(Ms);
    while (!Done()) {
        auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
        if (Left <= 0) return false;
        pollfd p{Application()->PollFd(), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::min<long>(Left, 50)));
        Application()->ProcessMessages();
    }
    return true;
}

double CpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::string Account(const std::string& Name, const std::string& User, uint16_t Port, uint32_t MaxCalls,
                    uint16_t Rtp, uint16_t RtpCount)
{
    std::ostringstream j;
    j << "{\"line_name\": \"" << Name << "\", \"user\": \"" << User
      << "\", \"domain\": \"127.0.0.1\", \"listen\": \"127.0.0.1:" << Port << "\", \"max_calls\": " << MaxCalls
      << ", \"rtp_timeout\": 2, \"rtp_ports\": \"" << Rtp << "-" << Rtp + RtpCount - 1 << "\"}";
    return j.str();
}

void StartSession(const std::string& Accounts)
{
    Application()->SetMainThread();
    SetTelephonyConfigText("{\"simulated_switch\": false, \"sip\": {\"accounts\": [" + Accounts + "]}}");
    TapiApplication->Set_Active(true);
}

void StopSession()
{
    if (TapiApplication->IsActive()) TapiApplication->Shutdown();
    UseDefaultTelephonyConfig();
}

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void BM_CallSetup_LibraryToBaresip(benchmark::State& State)
{
    TBaresip Bob;
    if (!Bob.Ready()) {
        State.SkipWithError("baresip did not start");
        return;
    }
    StartSession(Account("Bench", "alice", FreePort(), 4, FreePortRange(64), 64));
    {
        TTapiLine Line(nullptr);
        Line.Get_Options()->Set_SyncMode(false);
        Line.Get_Options()->Set_AutoFreeIdleCalls(-1);
        Line.Get_Options()->Set_AutoDropDiscCalls(-1);
        Line.Set_DeviceName("Bench");
        Line.Set_Active(true);
        for (auto _ : State) {
            const auto t0 = Clock::now();
            TTapiCall* Call = Line.MakeCall(Bob.Uri());
            if (!Wait([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; })) {
                State.SkipWithError("no CONNECTED");
                break;
            }
            const double Ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            State.SetIterationTime(Ms / 1000);
            LibrarySetups.push_back(Ms);
            Call->Drop();
            if (!Wait([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_IDLE; }) ||
                Bob.WaitEvent("CALL_CLOSED").is_null()) {
                State.SkipWithError("no IDLE");
                break;
            }
            Call->Free();
            Bob.Events.clear();
        }
    }
    StopSession();
    State.counters["median_ms"] = Median(LibrarySetups);
}

void BM_CallSetup_BaselineBaresipToBaresip(benchmark::State& State)
{
    TBaresip::TOptions A;
    A.User = "anna";
    TBaresip Anna(A), Bob;
    if (!Anna.Ready() || !Bob.Ready()) {
        State.SkipWithError("baresip did not start");
        return;
    }
    for (auto _ : State) {
        const auto t0 = Clock::now();
        if (!Anna.Command("dial", Bob.Uri()) || Anna.WaitEvent("CALL_ESTABLISHED").is_null()) {
            State.SkipWithError("no CALL_ESTABLISHED");
            break;
        }
        const double Ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        State.SetIterationTime(Ms / 1000);
        BaresipSetups.push_back(Ms);
        if (!Anna.Command("hangup") || Anna.WaitEvent("CALL_CLOSED").is_null() || Bob.WaitEvent("CALL_CLOSED").is_null()) {
            State.SkipWithError("no CALL_CLOSED");
            break;
        }
        Anna.Events.clear();
        Bob.Events.clear();
    }
    State.counters["median_ms"] = Median(BaresipSetups);
}

int BenchSeconds()
{
    const char* s = std::getenv("KXTAPI_BENCH_SECONDS");
    int n = s ? std::atoi(s) : 30;
    return n > 0 ? n : 30;
}

void BM_ConcurrentCalls_HundredWithRtp(benchmark::State& State)
{
    const int Calls = 100;
    const uint16_t PortA = FreePort(), PortB = FreePort();
    StartSession(Account("A", "anna", PortA, Calls, FreePortRange(256), 256) + ", " +
                 Account("B", "bert", PortB, Calls, FreePortRange(256), 256));
    {
        TTapiLine A(nullptr), B(nullptr);
        for (TTapiLine* l : {&A, &B}) {
            l->Get_Options()->Set_SyncMode(false);
            l->Get_Options()->Set_AutoFreeIdleCalls(-1);
            l->Get_Options()->Set_AutoDropDiscCalls(-1);
        }
        B.OnOffering = [](TObject*, TTapiCall* c) { c->Answer(); };
        A.Set_DeviceName("A");
        A.Set_Active(true);
        B.Set_DeviceName("B");
        B.Set_Active(true);
        const std::string To = "sip:bert@127.0.0.1:" + std::to_string(PortB);
        const int Seconds = BenchSeconds();
        for (auto _ : State) {
            // The same process idle as long: what the library costs without calls.
            double c0 = CpuSeconds();
            auto t0 = Clock::now();
            Wait([&] { return Clock::now() - t0 > std::chrono::seconds(Seconds); }, Seconds * 1000 + 1000);
            const double IdleCpu = (CpuSeconds() - c0) / std::chrono::duration<double>(Clock::now() - t0).count();

            std::vector<TTapiCall*> Made;
            for (int i = 0; i < Calls; ++i) Made.push_back(A.MakeCall(To));
            auto Connected = [&] {
                int n = 0;
                for (TTapiCall* c : Made)
                    if (c->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED) ++n;
                return n;
            };
            if (!Wait([&] { return Connected() == Calls; }, 30000)) {
                State.SkipWithError("not all calls connected");
                break;
            }
            c0 = CpuSeconds();
            t0 = Clock::now();
            Wait([&] { return Clock::now() - t0 > std::chrono::seconds(Seconds); }, Seconds * 1000 + 1000);
            const double Wall = std::chrono::duration<double>(Clock::now() - t0).count();
            const double Cpu = (CpuSeconds() - c0) / Wall;
            const int Still = Connected();
            State.counters["cpu_percent_of_one_core"] = Cpu * 100;
            State.counters["idle_cpu_percent_of_one_core"] = IdleCpu * 100;
            State.counters["calls_lost"] = Calls - Still;
            State.counters["seconds"] = Wall;
            std::printf("100 calls for %.1f s: %.1f %% of one core (idle: %.1f %%), %d of %d calls still up\n", Wall,
                        Cpu * 100, IdleCpu * 100, Still, Calls);
            for (TTapiCall* c : Made) c->Drop();
            Wait([&] { return B.Get_Calls()->Count() == 0 || Connected() == 0; }, 10000);
        }
    }
    StopSession();
}

}  // namespace

BENCHMARK(BM_CallSetup_LibraryToBaresip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_CallSetup_BaselineBaresipToBaresip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_ConcurrentCalls_HundredWithRtp)->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!LibrarySetups.empty() && !BaresipSetups.empty()) {
        const double L = Median(LibrarySetups), B = Median(BaresipSetups);
        std::printf("call set-up, median: library %.3f ms, baresip %.3f ms, ratio %.2f (goal: at most 3)\n", L, B,
                    L / B);
    }
    return 0;
}
