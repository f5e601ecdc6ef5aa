// The 32-bit millisecond tick, sleeping, and the test clock that replaces
// real time in tests.
#pragma once

#include <cstdint>
#include <functional>

namespace kxtapi {

/// A time-out that never expires.
inline constexpr uint32_t INFINITE = 0xFFFFFFFF;

/// Milliseconds of a monotonic clock, as a 32-bit value that wraps every
/// 49.7 days. While a test clock is installed, its virtual time instead.
uint32_t GetTickCount() noexcept;

/// True once Timeout milliseconds have passed from Start to Now. The test is
/// made on the difference, so the wrap of the tick changes nothing; a
/// Timeout of INFINITE never expires.
constexpr bool TickElapsed(uint32_t Start, uint32_t Timeout, uint32_t Now) noexcept
{
    return Timeout != INFINITE && static_cast<uint32_t>(Now - Start) >= Timeout;
}

/// Milliseconds left of Timeout counted from Start (0 once elapsed;
/// INFINITE for INFINITE).
constexpr uint32_t TickRemaining(uint32_t Start, uint32_t Timeout, uint32_t Now) noexcept
{
    if (Timeout == INFINITE) return INFINITE;
    uint32_t Passed = Now - Start;
    return Passed >= Timeout ? 0 : Timeout - Passed;
}

/// Suspends the calling thread for Milliseconds (0 yields). With a test clock
/// installed: on the driving thread the clock advances by Milliseconds at
/// once; on other threads the sleep ends when the virtual time has passed.
/// Sleep(INFINITE) never returns on a real clock.
void Sleep(uint32_t Milliseconds);

/// Replaces real time for GetTickCount, Sleep, every timed wait of the
/// runtime layer, window timers, TTimer and Now(), while the object lives.
/// One at a time; constructing a second raises Exception.
///
/// The thread that constructs it is the clock's driver. On the driver,
/// Sleep(ms) advances the clock by ms at once, and a timed wait that is not
/// satisfied at once advances the clock to its deadline, then reports what
/// it finds (so a time-out of seconds takes microseconds). A message wait
/// (HandleMessage) advances only as far as the next window timer falls due.
/// On other threads, timed waits and Sleep end when Advance moves the virtual
/// time past their deadline, or when the wait is satisfied.
///
/// Install the clock before the threads and timers it is to govern are
/// created; window timers that exist when it is installed or removed are
/// rescheduled with their full interval from the new clock's present.
class TTestClock {
public:
    /// Installs the clock with GetTickCount() == StartTick; Now() starts at
    /// the real date-time of installation.
    explicit TTestClock(uint32_t StartTick = 0);
    /// Removes it; real time applies again.
    ~TTestClock();
    TTestClock(const TTestClock&) = delete;
    TTestClock& operator=(const TTestClock&) = delete;

    /// As the free function AdvanceTestClock.
    void Advance(uint32_t Milliseconds);
    /// The virtual tick.
    uint32_t Now() const noexcept;
};

/// True while a TTestClock is installed.
bool TestClockInstalled() noexcept;

/// True on the thread that installed the test clock (false without one).
bool IsTestClockDriver() noexcept;

/// Moves the virtual time forward by Milliseconds (from any thread; does
/// nothing without a test clock). Then, on the calling thread and outside
/// every internal lock, it calls the advance listeners in the order they were
/// added, wakes the timed waits whose deadline has passed, and queues
/// WM_TIMER for every window timer that fell due.
void AdvanceTestClock(uint32_t Milliseconds);

/// Called after each advance with the new virtual tick.
using TAdvanceListener = std::function<void(uint32_t Now)>;

/// Registers a listener (a simulated peer that delivers delayed answers at
/// the right virtual time, for instance); returns its id (never 0). A
/// listener may itself signal objects, post messages or add and remove
/// listeners. Listeners survive the clock they were added under.
int AddAdvanceListener(TAdvanceListener Listener);

/// Removes a listener. When another thread is calling it at that moment, this
/// waits until that call has returned, so the listener's state can be freed
/// afterwards; from inside the listener itself it returns at once.
void RemoveAdvanceListener(int Id);

} // namespace kxtapi
