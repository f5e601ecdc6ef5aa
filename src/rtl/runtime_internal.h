// Hooks between the clock, the waits and the message loop of the runtime
// layer; not part of the public interface.
#pragma once

#include "kxtapi/rtl/sync.h"

#include <condition_variable>
#include <cstdint>
#include <vector>

namespace kxtapi::detail {

/// One blocked wait; lives on the waiting thread's stack and is entered in
/// the waiter lists of the objects it waits for (and in the clock's list
/// while a test clock governs it). Guarded by TWaitableObject::StateLock().
struct TWaiter {
    std::condition_variable Cv;
};

/// Per-thread state of the waits: the mutexes a thread owns, abandoned
/// when it ends.
struct TThreadState {
    std::vector<TMutexObject*> Owned;
    ~TThreadState();
};

TThreadState& CurrentThreadState() noexcept;

// Clock (tick.cpp).
struct TTickSample {
    uint32_t Tick;         // GetTickCount()
    int64_t MonotonicMs;   // the real monotonic milliseconds behind it
};
/// The real monotonic clock, in milliseconds, and its 32-bit tick.
TTickSample RealTickSample() noexcept;
/// For Now(): whether a test clock runs, and if so its start tick and the
/// date-time at installation.
bool TestClockBase(uint32_t& StartTick, double& StartDateTime) noexcept;
/// The real local date-time (date_time.cpp).
double RealDateTime() noexcept;

// Waits (wait.cpp).
/// The wait behind every wait function; Count may be 0 (a timed sleep that
/// follows the test clock). Objects must be valid and, waiting for all,
/// distinct.
uint32_t WaitCore(TWaitableObject* const* Objects, uint32_t Count, bool WaitAll,
                  uint32_t Timeout);
/// Wakes every wait that the test clock governs (after an advance or when
/// the clock is installed or removed).
void WakeClockWaiters() noexcept;

// Message loop (message_loop.cpp).
/// Queues the window timers that fell due and wakes a waiting main thread.
void MessageLoopClockAdvanced() noexcept;
/// Reschedules every window timer on the clock that now applies.
void MessageLoopClockChanged() noexcept;

} // namespace kxtapi::detail
