// Delayed actions of the service (late replies, ring cadences, digit and
// tone timing), delivered when the tick passes their due time.
//
// Two drivers, so that tests are deterministic and programs need no pump:
// - with the runtime layer's test clock installed, an advance listener runs
//   the due actions on the thread that advances the clock, before
//   AdvanceTestClock returns (a timed wait on the clock's driver thread
//   advances it too);
// - otherwise a timer thread of the service sleeps until the next due time.
//   It is started when an action is scheduled, ends when nothing is left,
//   and is stopped and joined at exit.
// Actions run with the service lock held, in order of due time, ties in the
// order they were scheduled.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace kxtapi::service {

class TScheduler {
public:
    TScheduler();
    ~TScheduler();
    TScheduler(const TScheduler&) = delete;
    TScheduler& operator=(const TScheduler&) = delete;

    /// Schedules Action Delay milliseconds from now; returns its id (never 0).
    /// Requires the service lock.
    uint64_t After(uint32_t Delay, std::function<void()> Action);
    /// Drops a scheduled action that has not run yet. Requires the lock.
    void Cancel(uint64_t ID);
    /// Drops every scheduled action. Requires the lock.
    void Clear();
    /// Number of actions waiting (for tests).
    size_t Pending() const;

    /// Runs the actions due at Now; takes the service lock itself.
    void RunDue(uint32_t Now);

    /// Ends the timer thread for good and waits for it (at exit: actions
    /// scheduled afterwards only run from a test clock's advance).
    void StopThread();

private:
    struct TItem {
        uint32_t Start;
        uint32_t Delay;
        std::function<void()> Action;
    };

    void EnsureDriver();   // FMutex held
    void ThreadLoop();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::map<uint64_t, TItem> FItems;   // by id: the order of scheduling
    uint64_t FNextID = 1;
    bool FListenerAdded = false;
    bool FThreadRunning = false;
    bool FStopping = false;
    std::thread FThread;
};

}  // namespace kxtapi::service
