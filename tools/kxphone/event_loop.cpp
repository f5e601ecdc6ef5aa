#include "event_loop.h"

#include <kxtapi/rtl.h>

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace kxphone {

TEventLoop::TEventLoop()
{
    sigset_t Set;
    sigemptyset(&Set);
    sigaddset(&Set, SIGINT);
    sigaddset(&Set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Set, nullptr);
    FSignalFd = signalfd(-1, &Set, SFD_CLOEXEC | SFD_NONBLOCK);
}

TEventLoop::~TEventLoop()
{
    if (FSignalFd >= 0) close(FSignalFd);
}

void TEventLoop::Watch(int Fd, std::function<void()> OnReadable)
{
    FWatches[Fd] = std::move(OnReadable);
}

void TEventLoop::Unwatch(int Fd)
{
    FWatches.erase(Fd);
}

bool TEventLoop::Poll(uint32_t TimeoutMs)
{
    kxtapi::TApplication* App = kxtapi::Application();
    std::vector<pollfd> Fds;
    Fds.push_back({App->PollFd(), POLLIN, 0});
    Fds.push_back({FSignalFd, POLLIN, 0});
    for (const auto& [Fd, Handler] : FWatches) Fds.push_back({Fd, POLLIN, 0});
    const uint32_t Next = App->NextTimeout();
    const uint32_t Wait = std::min(TimeoutMs, Next);
    const int n = poll(Fds.data(), Fds.size(), Wait == kxtapi::INFINITE ? -1 : static_cast<int>(Wait));
    if (n < 0) return false;
    if (Fds[1].revents & POLLIN) {
        signalfd_siginfo Info{};
        while (read(FSignalFd, &Info, sizeof Info) == static_cast<ssize_t>(sizeof Info)) {
            const int s = static_cast<int>(Info.ssi_signo);
            if (OnSignal && OnSignal(s)) continue;
            FSignal = s;
        }
    }
    App->ProcessMessages();
    for (size_t i = 2; i < Fds.size(); ++i) {
        if (!(Fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        // A handler may unwatch (or watch) descriptors: look it up afresh.
        auto It = FWatches.find(Fds[i].fd);
        if (It == FWatches.end()) continue;
        auto Handler = It->second;
        Handler();
    }
    return true;
}

bool TEventLoop::RunUntil(const std::function<bool()>& Done, uint32_t TimeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto Start = Clock::now();
    FStopped = false;
    for (;;) {
        if (Done && Done()) return true;
        if (FStopped || FSignal != 0) return false;
        uint32_t Left = kxtapi::INFINITE;
        if (TimeoutMs != kxtapi::INFINITE) {
            const auto Spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count();
            if (Spent >= TimeoutMs) return false;
            Left = TimeoutMs - static_cast<uint32_t>(Spent);
        }
        // The library's own loop is pumped at least every 100 ms, so that a
        // condition that changes without a message is seen too.
        Poll(std::min<uint32_t>(Left, 100));
    }
}

bool TEventLoop::RunFor(uint32_t TimeoutMs)
{
    RunUntil(nullptr, TimeoutMs);
    return !FStopped && FSignal == 0;
}

} // namespace kxphone
