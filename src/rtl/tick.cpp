#include "kxtapi/rtl/tick.h"
#include "kxtapi/rtl/object.h"
#include "kxtapi/rtl/sync.h"
#include "runtime_internal.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kxtapi {

namespace {

std::atomic<bool> gTestActive{false};
std::atomic<uint32_t> gVirtualNow{0};
// The driving thread is told apart by the address of a thread-local marker.
thread_local char tThreadMarker;
std::atomic<const void*> gDriver{nullptr};

std::mutex gInstallLock;
uint32_t gStartTick = 0;        // guarded by gInstallLock
double gStartDateTime = 0;      // guarded by gInstallLock

struct TListener {
    int Id;
    TAdvanceListener Call;
    int ActiveCalls = 0;        // guarded by TListeners::Lock
    bool Removed = false;
};

struct TListeners {
    std::mutex Lock;
    std::condition_variable Idle;
    std::vector<std::shared_ptr<TListener>> List;
    int NextId = 1;
};

TListeners& Listeners()
{
    static TListeners* Instance = new TListeners;
    return *Instance;
}

// Listeners being called on this thread, so that a listener may remove
// itself without waiting for its own return.
thread_local std::vector<int> tCallingListeners;

} // namespace

namespace detail {

TTickSample RealTickSample() noexcept
{
    timespec Ts{};
    clock_gettime(CLOCK_MONOTONIC, &Ts);
    int64_t Ms = static_cast<int64_t>(Ts.tv_sec) * 1000 + Ts.tv_nsec / 1000000;
    return {static_cast<uint32_t>(Ms), Ms};
}

bool TestClockBase(uint32_t& StartTick, double& StartDateTime) noexcept
{
    std::lock_guard<std::mutex> Guard(gInstallLock);
    if (!gTestActive.load()) return false;
    StartTick = gStartTick;
    StartDateTime = gStartDateTime;
    return true;
}

} // namespace detail

uint32_t GetTickCount() noexcept
{
    if (gTestActive.load(std::memory_order_acquire)) return gVirtualNow.load(std::memory_order_acquire);
    return detail::RealTickSample().Tick;
}

bool TestClockInstalled() noexcept { return gTestActive.load(std::memory_order_acquire); }

bool IsTestClockDriver() noexcept
{
    return gTestActive.load(std::memory_order_acquire) &&
           gDriver.load(std::memory_order_acquire) == &tThreadMarker;
}

void Sleep(uint32_t Milliseconds)
{
    if (TestClockInstalled()) {
        if (Milliseconds == 0) {
            std::this_thread::yield();
        } else if (IsTestClockDriver() && Milliseconds != INFINITE) {
            AdvanceTestClock(Milliseconds);
        } else {
            // A wait on nothing ends only by its time-out, which the test
            // clock governs.
            detail::WaitCore(nullptr, 0, false, Milliseconds);
        }
        return;
    }
    if (Milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (Milliseconds == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

TTestClock::TTestClock(uint32_t StartTick)
{
    double StartDateTime = detail::RealDateTime();
    {
        std::lock_guard<std::mutex> Guard(gInstallLock);
        if (gTestActive.load()) throw Exception("A test clock is installed already");
        gStartTick = StartTick;
        gStartDateTime = StartDateTime;
        gVirtualNow.store(StartTick, std::memory_order_release);
        gDriver.store(&tThreadMarker, std::memory_order_release);
        gTestActive.store(true, std::memory_order_release);
    }
    detail::MessageLoopClockChanged();
}

TTestClock::~TTestClock()
{
    {
        std::lock_guard<std::mutex> Guard(gInstallLock);
        gTestActive.store(false, std::memory_order_release);
        gDriver.store(nullptr, std::memory_order_release);
    }
    // Waits the clock governed go back to real time.
    detail::WakeClockWaiters();
    detail::MessageLoopClockChanged();
}

void TTestClock::Advance(uint32_t Milliseconds) { AdvanceTestClock(Milliseconds); }

uint32_t TTestClock::Now() const noexcept { return gVirtualNow.load(std::memory_order_acquire); }

void AdvanceTestClock(uint32_t Milliseconds)
{
    if (!TestClockInstalled()) return;
    uint32_t Now = gVirtualNow.fetch_add(Milliseconds, std::memory_order_acq_rel) + Milliseconds;

    auto& L = Listeners();
    std::vector<std::shared_ptr<TListener>> Snapshot;
    {
        std::lock_guard<std::mutex> Guard(L.Lock);
        Snapshot = L.List;
    }
    for (auto& Listener : Snapshot) {
        {
            std::lock_guard<std::mutex> Guard(L.Lock);
            if (Listener->Removed) continue;
            ++Listener->ActiveCalls;
        }
        tCallingListeners.push_back(Listener->Id);
        try {
            Listener->Call(Now);
        } catch (...) {
            // A simulated peer's failure must not stop time for the others.
        }
        tCallingListeners.pop_back();
        {
            std::lock_guard<std::mutex> Guard(L.Lock);
            --Listener->ActiveCalls;
        }
        L.Idle.notify_all();
    }

    detail::WakeClockWaiters();
    detail::MessageLoopClockAdvanced();
}

int AddAdvanceListener(TAdvanceListener Listener)
{
    auto& L = Listeners();
    std::lock_guard<std::mutex> Guard(L.Lock);
    auto Entry = std::make_shared<TListener>();
    Entry->Id = L.NextId++;
    Entry->Call = std::move(Listener);
    L.List.push_back(Entry);
    return Entry->Id;
}

void RemoveAdvanceListener(int Id)
{
    auto& L = Listeners();
    std::unique_lock<std::mutex> Guard(L.Lock);
    auto It = std::find_if(L.List.begin(), L.List.end(),
                           [Id](const std::shared_ptr<TListener>& E) { return E->Id == Id; });
    if (It == L.List.end()) return;
    std::shared_ptr<TListener> Entry = *It;
    L.List.erase(It);
    Entry->Removed = true;
    bool Self = std::find(tCallingListeners.begin(), tCallingListeners.end(), Id) !=
                tCallingListeners.end();
    if (Self) return;
    L.Idle.wait(Guard, [&] { return Entry->ActiveCalls == 0; });
}

} // namespace kxtapi
