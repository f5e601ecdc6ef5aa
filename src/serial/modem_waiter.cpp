#include "serial/modem_waiter.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>

#include <pthread.h>
#include <sys/ioctl.h>

namespace kxtapi {

namespace {

extern "C" void InterruptHandler(int) {}

int InterruptSignal() noexcept
{
    static int sig = -1;
    static std::once_flag once;
    std::call_once(once, [] {
        const int candidate = SIGRTMAX - 2;
        struct sigaction old {};
        if (sigaction(candidate, nullptr, &old) != 0) return;
        if ((old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) return;
        struct sigaction sa {};
        sa.sa_handler = InterruptHandler;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;  // no SA_RESTART: the ioctl must return EINTR
        if (sigaction(candidate, &sa, nullptr) == 0) sig = candidate;
    });
    return sig;
}

} // namespace

bool TModemWaiter::Available() noexcept { return InterruptSignal() > 0; }

TModemWaiter::TModemWaiter(int Fd) : FFd(Fd), FThread([this] { Run(); }) {}

TModemWaiter::~TModemWaiter()
{
    FStop.store(true, std::memory_order_release);
    const int sig = InterruptSignal();
    // A signal sent just before the thread enters the ioctl is lost, so
    // repeat it until the thread has seen the stop flag.
    while (!FDone.load(std::memory_order_acquire)) {
        if (sig > 0) pthread_kill(FThread.native_handle(), sig);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    FThread.join();
}

void TModemWaiter::Run() noexcept
{
    const int sig = InterruptSignal();
    sigset_t only;
    sigfillset(&only);
    sigdelset(&only, sig);
    pthread_sigmask(SIG_SETMASK, &only, nullptr);
    while (!FStop.load(std::memory_order_acquire)) {
        const int r = ioctl(FFd, TIOCMIWAIT, TIOCM_RNG | TIOCM_DSR | TIOCM_CD | TIOCM_CTS);
        if (r == 0) {
            FWake.Signal();
            continue;
        }
        if (errno == EINTR) continue;
        break;  // not supported, or the device is gone
    }
    FDone.store(true, std::memory_order_release);
    FWake.Signal();
}

} // namespace kxtapi
