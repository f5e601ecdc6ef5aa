#include "service/scheduler.h"

#include "kxtapi/rtl/tick.h"
#include "service/service_lock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>

namespace kxtapi::service {

namespace {

// The scheduler an advance listener forwards to. Listeners cannot be removed
// safely at exit (the runtime layer's registry may be gone), so the listener
// stays and finds nothing once the scheduler is destroyed.
std::atomic<TScheduler*> gListenerTarget{nullptr};

// Guards against an action that keeps rescheduling itself with delay 0.
constexpr int MaxActionsPerRun = 100000;

}  // namespace

TScheduler::TScheduler()
{
    gListenerTarget.store(this);
}

TScheduler::~TScheduler()
{
    TScheduler* Self = this;
    gListenerTarget.compare_exchange_strong(Self, nullptr);
    {
        std::lock_guard<std::mutex> lk(FMutex);
        FStopping = true;
        FItems.clear();
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
}

uint64_t TScheduler::After(uint32_t Delay, std::function<void()> Action)
{
    bool AddListener = false;
    uint64_t ID;
    {
        std::lock_guard<std::mutex> lk(FMutex);
        ID = FNextID++;
        FItems.emplace(ID, TItem{GetTickCount(), Delay, std::move(Action)});
        if (!FListenerAdded) {
            FListenerAdded = true;
            AddListener = true;
        }
        EnsureDriver();
    }
    FWake.notify_all();
    if (AddListener) {
        AddAdvanceListener([](uint32_t Now) {
            if (TScheduler* s = gListenerTarget.load()) s->RunDue(Now);
        });
    }
    return ID;
}

void TScheduler::Cancel(uint64_t ID)
{
    std::lock_guard<std::mutex> lk(FMutex);
    FItems.erase(ID);
}

void TScheduler::Clear()
{
    std::lock_guard<std::mutex> lk(FMutex);
    FItems.clear();
}

size_t TScheduler::Pending() const
{
    std::lock_guard<std::mutex> lk(FMutex);
    return FItems.size();
}

void TScheduler::StopThread()
{
    {
        std::lock_guard<std::mutex> lk(FMutex);
        FStopping = true;
    }
    FWake.notify_all();
    if (FThread.joinable()) FThread.join();
}

void TScheduler::EnsureDriver()
{
    // With a test clock the listener drives; a thread would only wake on
    // real time, which tests must not depend on.
    if (TestClockInstalled() || FThreadRunning || FStopping) return;
    if (FThread.joinable()) FThread.join();   // it has left its loop already
    static bool AtExit = [] {
        // Registered when the first thread starts, so it runs before the
        // static destructors of everything that existed before then.
        std::atexit([] {
            if (TScheduler* s = gListenerTarget.load()) s->StopThread();
        });
        return true;
    }();
    (void)AtExit;
    FThreadRunning = true;
    FThread = std::thread([this] { ThreadLoop(); });
}

void TScheduler::RunDue(uint32_t Now)
{
    TServiceLock Lock;
    for (int n = 0; n < MaxActionsPerRun; ++n) {
        std::function<void()> Action;
        {
            std::lock_guard<std::mutex> lk(FMutex);
            auto Best = FItems.end();
            uint32_t BestOverdue = 0;
            for (auto it = FItems.begin(); it != FItems.end(); ++it) {
                const TItem& i = it->second;
                // An action scheduled by one run here started after Now was
                // read; measured against that Now its age would wrap round
                // and make it due at once, whatever its delay.
                if (static_cast<int32_t>(Now - i.Start) < 0) continue;
                if (!TickElapsed(i.Start, i.Delay, Now)) continue;
                uint32_t Overdue = (Now - i.Start) - i.Delay;
                if (Best == FItems.end() || Overdue > BestOverdue) {
                    Best = it;
                    BestOverdue = Overdue;
                }
            }
            if (Best == FItems.end()) return;
            Action = std::move(Best->second.Action);
            FItems.erase(Best);
        }
        try {
            Action();
        } catch (...) {
            // A failing action must not stop the others.
        }
    }
}

void TScheduler::ThreadLoop()
{
    for (;;) {
        std::unique_lock<std::mutex> lk(FMutex);
        if (FStopping || FItems.empty() || TestClockInstalled()) {
            FThreadRunning = false;
            return;
        }
        uint32_t Now = GetTickCount();
        uint32_t Wait = INFINITE;
        for (const auto& [ID, i] : FItems) {
            uint32_t r = TickRemaining(i.Start, i.Delay, Now);
            if (r < Wait) Wait = r;
        }
        if (Wait > 0) {
            // INFINITE only when every item waits for ever; wake now and then
            // to notice a test clock or a new item all the same.
            uint32_t Slice = Wait == INFINITE ? 1000 : Wait;
            FWake.wait_for(lk, std::chrono::milliseconds(Slice));
            continue;
        }
        lk.unlock();
        RunDue(GetTickCount());
    }
}

}  // namespace kxtapi::service
