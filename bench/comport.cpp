// Bytes per second from a pseudo-terminal's far end through TComPort to
// OnIncomingData, against a bare poll-and-read loop on the same kind of
// pair; and the latency from one byte written at the far end to OnReceive,
// against the bare loop's wake-up; and the CPU time of an open port with
// nothing arriving.
#include "kxtapi/kxtapicomm.h"

#include "support/idle_cpu.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace kxtapi;

namespace {

constexpr size_t kChunk = 4096;
constexpr size_t kBlock = 1 << 20;  // bytes per throughput iteration

struct TPty {
    TPty()
    {
        Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (Master < 0 || grantpt(Master) || unlockpt(Master)) throw std::runtime_error("pty");
        Slave = ptsname(Master);
    }
    ~TPty() { close(Master); }
    int Master;
    std::string Slave;
};

void WriteAll(int Fd, size_t Count)
{
    static const std::vector<char> chunk(kChunk, 'x');
    while (Count > 0) {
        const ssize_t r = write(Fd, chunk.data(), std::min(Count, kChunk));
        if (r > 0) Count -= static_cast<size_t>(r);
        else if (r < 0 && errno != EINTR && errno != EAGAIN) return;
    }
}

/// The slave side in raw mode, optionally with marked breaks and errors as
/// the port runs its line.
int OpenBareSlave(const std::string& Path, bool Marked)
{
    const int fd = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    if (Marked) t.c_iflag |= PARMRK;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

void BareThroughput(benchmark::State& State, bool Marked)
{
    TPty pty;
    const int fd = OpenBareSlave(pty.Slave, Marked);
    std::vector<char> buf(65536);
    for (auto _ : State) {
        std::thread writer([&] { WriteAll(pty.Master, kBlock); });
        size_t got = 0;
        while (got < kBlock) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 1000);
            const ssize_t r = read(fd, buf.data(), buf.size());
            if (r > 0) got += static_cast<size_t>(r);
        }
        writer.join();
    }
    close(fd);
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * kBlock));
}

void BM_SerialThroughput_Baseline(benchmark::State& State) { BareThroughput(State, false); }
void BM_SerialThroughput_BaselineMarked(benchmark::State& State) { BareThroughput(State, true); }

void BM_SerialThroughput_ComPort(benchmark::State& State)
{
    Application()->SetMainThread();
    TPty pty;
    TComPort port(nullptr);
    port.Set_PortName(pty.Slave);
    port.Set_InBufferSize(static_cast<int32_t>(State.range(0)));
    size_t got = 0;
    port.OnIncomingData = [&](TObject*, const std::string& D) { got += D.size(); };
    port.Open();
    for (auto _ : State) {
        got = 0;
        std::thread writer([&] { WriteAll(pty.Master, kBlock); });
        while (got < kBlock) Application()->HandleMessage(1000);
        writer.join();
    }
    port.Close();
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * kBlock));
}

void BM_SerialLatency_Baseline(benchmark::State& State)
{
    TPty pty;
    const int fd = OpenBareSlave(pty.Slave, true);
    char c;
    for (auto _ : State) {
        if (write(pty.Master, "x", 1) != 1) State.SkipWithError("write");
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, 1000);
            if (read(fd, &c, 1) == 1) break;
        }
    }
    close(fd);
}

void BM_SerialLatency_ComPort(benchmark::State& State)
{
    Application()->SetMainThread();
    TPty pty;
    TComPort port(nullptr);
    port.Set_PortName(pty.Slave);
    bool received = false;
    port.OnReceive = [&](TObject*) {
        port.Read(port.Get_InCount());
        received = true;
    };
    port.Open();
    for (auto _ : State) {
        received = false;
        if (write(pty.Master, "x", 1) != 1) State.SkipWithError("write");
        while (!received) Application()->HandleMessage(1000);
    }
    port.Close();
}

// An open port with nothing arriving, the application's loop waiting for
// messages for 10 s: the process's CPU time per idle second.
void BM_IdleCpu_OpenPort(benchmark::State& State)
{
    Application()->SetMainThread();
    TPty pty;
    TComPort port(nullptr);
    port.Set_PortName(pty.Slave);
    port.Open();
    bench::MeasureIdleCpu(State, 10, [](auto End) {
        while (std::chrono::steady_clock::now() < End) Application()->HandleMessage(100);
    });
    port.Close();
}

} // namespace

BENCHMARK(BM_IdleCpu_OpenPort)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SerialThroughput_Baseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SerialThroughput_BaselineMarked)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SerialThroughput_ComPort)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SerialLatency_Baseline)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_SerialLatency_ComPort)->Unit(benchmark::kMicrosecond)->UseRealTime();
