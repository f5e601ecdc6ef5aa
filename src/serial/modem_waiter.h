// Waits for modem-line changes of a real serial device with TIOCMIWAIT on a
// thread of its own, so the comm-event wait needs no polling for them.
//
// TIOCMIWAIT can only be interrupted by a signal. The waiter uses one
// real-time signal (SIGRTMAX - 2) with an empty handler, and only when the
// application has left that signal at its default disposition; otherwise
// `Available` is false and the caller polls the lines instead.
#pragma once

#include "serial/wake_fd.h"

#include <atomic>
#include <thread>

namespace kxtapi {

class TModemWaiter {
public:
    /// True when the interrupting signal is ours to use.
    static bool Available() noexcept;

    /// Starts waiting on Fd (which must stay open until destruction).
    explicit TModemWaiter(int Fd);
    /// Interrupts the wait and joins the thread.
    ~TModemWaiter();
    TModemWaiter(const TModemWaiter&) = delete;
    TModemWaiter& operator=(const TModemWaiter&) = delete;

    /// Readable after each change of CTS, DSR, DCD or RING, and when the
    /// waiter has ended.
    int Fd() const noexcept { return FWake.Fd(); }
    void Drain() noexcept { FWake.Drain(); }
    /// The driver does not support TIOCMIWAIT (or the device went away):
    /// the waiter has ended and the lines must be polled.
    bool Ended() const noexcept { return FDone.load(std::memory_order_acquire); }

private:
    void Run() noexcept;

    int FFd;
    TWakeFd FWake;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FDone{false};
    std::thread FThread;
};

} // namespace kxtapi
