// The CPU time a process spends while it idles: the figure of the BM_IdleCpu_
// benchmarks, reported as the counters cpu_ms_per_s and cpu_percent (the
// table shows cpu_percent).
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include <sys/resource.h>

namespace kxtapi::bench {

/// User and system CPU time of the whole process so far, in milliseconds.
inline double ProcessCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

/// Runs Idle(End) for Seconds per iteration (it returns at End) and reports
/// the process's CPU time per idle second.
inline void MeasureIdleCpu(benchmark::State& State, double Seconds,
                           const std::function<void(std::chrono::steady_clock::time_point End)>& Idle)
{
    double CpuMs = 0, Passed = 0;
    for (auto _ : State) {
        const double Cpu0 = ProcessCpuMs();
        const auto Start = std::chrono::steady_clock::now();
        Idle(Start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(Seconds)));
        CpuMs += ProcessCpuMs() - Cpu0;
        Passed += std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    }
    State.counters["cpu_ms_per_s"] = CpuMs / Passed;
    State.counters["cpu_percent"] = CpuMs / Passed / 10.0;
}

} // namespace kxtapi::bench
