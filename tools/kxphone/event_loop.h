// kxphone's main loop: the library's message loop (through its pollable
// descriptor), the descriptors a command watches (standard input, say) and
// the signals that end a command (SIGINT, SIGTERM), in one poll.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

namespace kxphone {

class TEventLoop {
public:
    /// Blocks SIGINT and SIGTERM for the whole process and receives them
    /// through a descriptor instead. Create it first in main, before the
    /// library starts a thread, so that every thread inherits the mask.
    TEventLoop();
    ~TEventLoop();
    TEventLoop(const TEventLoop&) = delete;
    TEventLoop& operator=(const TEventLoop&) = delete;

    /// Calls OnReadable on the main thread whenever Fd is readable (or hung up).
    void Watch(int Fd, std::function<void()> OnReadable);
    void Unwatch(int Fd);

    /// Dispatches the library's messages and the watched descriptors until
    /// Done() is true, Stop() was called, a signal arrived or TimeoutMs
    /// (INFINITE: no limit) passed. True when Done() was true.
    bool RunUntil(const std::function<bool()>& Done, uint32_t TimeoutMs);
    /// Dispatches for TimeoutMs; false when interrupted or stopped meanwhile.
    bool RunFor(uint32_t TimeoutMs);
    /// Makes the running RunUntil return (from a handler).
    void Stop() noexcept { FStopped = true; }

    /// A SIGINT or SIGTERM has arrived.
    bool Interrupted() const noexcept { return FSignal != 0; }
    int Signal() const noexcept { return FSignal; }
    /// Forgets a signal that arrived (the shell takes Ctrl-C as "cancel the
    /// line", not as the end).
    void ClearSignal() noexcept { FSignal = 0; }
    /// Called for each signal instead of ending the loop; return true to go on.
    std::function<bool(int Signal)> OnSignal;

private:
    bool Poll(uint32_t TimeoutMs);

    int FSignalFd = -1;
    int FSignal = 0;
    bool FStopped = false;
    std::map<int, std::function<void()>> FWatches;
};

} // namespace kxphone
