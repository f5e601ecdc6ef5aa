// This program's request socket and its answering thread (listener.h).

#include "service/requests/listener.h"

#include "service/requests/request_dir.h"
#include "service/requests/socket_io.h"
#include "service/service_lock.h"
#include "serial/wake_fd.h"

#include "kxtapi/tapi/errors.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace kxtapi::service {

// What the thread and the service share, under Mutex. The thread owns the
// descriptor it listens on; a new one (or -1, to stop) is handed over as
// Pending and closed by the thread, so no descriptor is closed while the
// thread may be polling it.
struct TRequestListener::TState {
    std::mutex Mutex;
    TWakeFd Wake;
    std::thread Thread;
    bool ThreadStarted = false;
    bool Exit = false;
    bool HavePending = false;
    int PendingFd = -1;
    TRequestAnswer Answer;

    void HandOver(int Fd)
    {
        {
            std::lock_guard Lock(Mutex);
            // Never taken by the thread: ours to close.
            if (HavePending && PendingFd >= 0) close(PendingFd);
            PendingFd = Fd;
            HavePending = true;
        }
        Wake.Signal();
    }

    void Serve(int Connection, const TRequestAnswer& Answer);
    void Run();
};

namespace {

bool IsRequest(TWireKind Kind)
{
    return Kind == wkQuery || Kind == wkMakeCall;
}

}  // namespace

void TRequestListener::TState::Serve(int Connection, const TRequestAnswer& Answer)
{
    if (!PeerIsThisUser(Connection)) return;
    TWireMessage Request;
    const TWireStatus Status = ReceiveWireMessage(Connection, ServeTimeoutMs, Request);
    if (Status == wsIncomplete) return;   // truncated or too slow: nothing to answer
    std::vector<uint8_t> Reply;
    if (Status == wsComplete && IsRequest(Request.Kind) && Answer) {
        try {
            Reply = Answer(Request);
        } catch (...) {
            Reply = WriteMakeCallReply(TAPIERR_REQUESTFAILED);
        }
    } else {
        Reply = WriteMakeCallReply(TAPIERR_REQUESTFAILED);
    }
    SendAll(Connection, Reply, ServeTimeoutMs);
}

void TRequestListener::TState::Run()
{
    int Current = -1;
    for (;;) {
        TRequestAnswer CurrentAnswer;
        {
            std::lock_guard Lock(Mutex);
            if (Exit) break;
            if (HavePending) {
                if (Current >= 0) close(Current);
                Current = PendingFd;
                PendingFd = -1;
                HavePending = false;
            }
            CurrentAnswer = Answer;
        }
        pollfd p[2] = {{Wake.Fd(), POLLIN, 0}, {Current, POLLIN, 0}};
        const int r = poll(p, Current >= 0 ? 2 : 1, -1);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        if (p[0].revents) Wake.Drain();
        if (Current >= 0 && (p[1].revents & POLLIN)) {
            TFd Connection(accept4(Current, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (Connection) Serve(Connection.Get(), CurrentAnswer);
        }
    }
    if (Current >= 0) close(Current);
}

TRequestListener::TRequestListener() : FState(new TState) {}

TRequestListener& RequestListener()
{
    // Never destroyed: Shutdown ends the thread at exit, and static
    // destructors of other modules may still stop the service after that.
    static TRequestListener* Listener = new TRequestListener;
    return *Listener;
}

std::string TRequestListener::Start(TRequestAnswer Answer)
{
    if (FListening) return {};
    {
        std::lock_guard Lock(FState->Mutex);
        if (FState->Exit) return "the program is ending";
    }
    const std::string Dir = RequestDirPath();
    if (std::string Problem = CheckRequestDir(Dir, true); !Problem.empty()) return Problem;
    const std::string Path = RecipientSocketPath(Dir, getpid());
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    if (Path.size() >= sizeof Address.sun_path) return Path + ": path too long for a socket";
    std::memcpy(Address.sun_path, Path.c_str(), Path.size() + 1);

    TFd Fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!Fd) return std::string("socket: ") + std::strerror(errno);
    // A socket of this pid is this program's own from an earlier
    // registration, or a dead program's whose pid came round again.
    unlink(Path.c_str());
    // The directory admits nobody else, so the moment between bind and
    // chmod exposes nothing.
    if (bind(Fd.Get(), reinterpret_cast<const sockaddr*>(&Address), sizeof Address) != 0)
        return Path + ": " + std::strerror(errno);
    if (chmod(Path.c_str(), 0600) != 0 || listen(Fd.Get(), ListenBacklog) != 0) {
        const std::string Problem = Path + ": " + std::strerror(errno);
        unlink(Path.c_str());
        return Problem;
    }

    {
        std::lock_guard Lock(FState->Mutex);
        FState->Answer = std::move(Answer);
        if (!FState->ThreadStarted) {
            FState->ThreadStarted = true;
            FState->Thread = std::thread([State = FState] { State->Run(); });
            std::atexit([] { RequestListener().Shutdown(); });
        }
    }
    FState->HandOver(Fd.Release());
    FPath = Path;
    FListening = true;
    return {};
}

void TRequestListener::Stop()
{
    if (!FListening) return;
    FListening = false;
    unlink(FPath.c_str());
    FState->HandOver(-1);
}

void TRequestListener::Shutdown() noexcept
{
    {
        TServiceLock Lock;
        if (FListening) {
            FListening = false;
            unlink(FPath.c_str());
        }
    }
    {
        std::lock_guard Lock(FState->Mutex);
        FState->Exit = true;
    }
    FState->Wake.Signal();
    if (FState->Thread.joinable()) FState->Thread.join();
}

}  // namespace kxtapi::service
