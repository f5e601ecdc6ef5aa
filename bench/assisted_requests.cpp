// Cost of one make-call request from asking to fetching: within the program
// (tapiRequestMakeCallA, which also looks for other programs' sockets), and
// over the program's own request socket as another program reaches it
// (connect, send, answer, close), against the baseline of handing the same
// 240-byte record through a bare mutex-guarded queue.
//
// The program uses a runtime directory of its own, so it never meets the
// user's other programs.

#include "service/requests/listener.h"
#include "service/requests/socket_io.h"
#include "service/requests/wire.h"

#include <kxtapi/sim.h>
#include <kxtapi/tapi.h>

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>

namespace {

using namespace kxtapi::service;

struct TPrivateRuntimeDir {
    std::string Dir;
    TPrivateRuntimeDir()
    {
        char Template[] = "/tmp/kxtapi-bench-XXXXXX";
        if (!mkdtemp(Template)) std::abort();
        Dir = Template;
        setenv("XDG_RUNTIME_DIR", Template, 1);
    }
    ~TPrivateRuntimeDir()
    {
        std::error_code Ignored;
        std::filesystem::remove_all(Dir, Ignored);
    }
} gRuntimeDir;

struct TRecipient {
    HLINEAPP App = 0;
    TRecipient()
    {
        kxtapi::sim::Switch().Reset();
        LINEINITIALIZEEXPARAMS p{};
        p.dwTotalSize = sizeof p;
        p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
        DWORD n, v = 0x00020001;
        lineInitializeExA(&App, 0, nullptr, "bench", &n, &v, &p);
        if (lineRegisterRequestRecipient(App, 1, LINEREQUESTMODE_MAKECALL, 1) != 0) std::abort();
    }
    ~TRecipient() { lineShutdown(App); }
    // The LINE_REQUEST and the request it announces.
    void Fetch()
    {
        LINEMESSAGE m;
        LINEREQMAKECALL r;
        lineGetMessage(App, &m, 1000);
        lineGetRequestA(App, LINEREQUESTMODE_MAKECALL, &r);
        benchmark::DoNotOptimize(r);
    }
};

void BM_MakeCallRequest_WithinTheProgram(benchmark::State& State)
{
    TRecipient r;
    for (auto _ : State) {
        if (tapiRequestMakeCallA("+1 206 555 0100", "Bench", "Reception", "") != 0) State.SkipWithError("refused");
        r.Fetch();
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_MakeCallRequest_WithinTheProgram);

void BM_MakeCallRequest_OverTheSocket(benchmark::State& State)
{
    TRecipient r;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const std::string Path = RequestListener().Get_SocketPath();
    std::memcpy(a.sun_path, Path.c_str(), Path.size() + 1);
    const std::vector<uint8_t> Request = WriteMakeCall("+1 206 555 0100", "Bench", "Reception", "");
    for (auto _ : State) {
        TFd Fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        TWireMessage Reply;
        if (connect(Fd.Get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
            !SendAll(Fd.Get(), Request, 1000) || ReceiveWireMessage(Fd.Get(), 1000, Reply) != wsComplete ||
            Reply.Result != 0)
            State.SkipWithError("no answer");
        r.Fetch();
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_MakeCallRequest_OverTheSocket);

void BM_MakeCallRequest_BaselineMutexQueue(benchmark::State& State)
{
    std::mutex Mutex;
    std::deque<LINEREQMAKECALL> Queue;
    LINEREQMAKECALL In{};
    std::strcpy(In.szDestAddress, "+1 206 555 0100");
    for (auto _ : State) {
        {
            std::lock_guard Lock(Mutex);
            Queue.push_back(In);
        }
        LINEREQMAKECALL Out;
        {
            std::lock_guard Lock(Mutex);
            Out = Queue.front();
            Queue.pop_front();
        }
        benchmark::DoNotOptimize(Out);
    }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(BM_MakeCallRequest_BaselineMutexQueue);

}  // namespace
