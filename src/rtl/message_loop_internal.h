// The message loop's state behind the functions of messages.h.
#pragma once

#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/thread.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace kxtapi {

struct TThreadAccess {
    static TEventObject* TerminateEvent(TThread& Thread) noexcept
    {
        return Thread.FTerminateEvent.get();
    }
};

namespace detail {

struct TWindow {
    HWND Handle = 0;
    TWndMethod Method;
};

/// A message sent from a worker (or a synchronized call) and the sender's
/// view of it. State and Result are guarded by the loop's lock.
struct TSendRecord {
    enum TState { Queued, Running, Done, Released };
    TState State = Queued;
    LRESULT Result = 0;
    HWND Wnd = 0;
    bool Releasable = true;          // a synchronized call is never let go while running
    std::exception_ptr Error;        // from a synchronized call
    TEventObject Finished{true, false};
};

/// What only sent messages and synchronized or queued methods carry; kept
/// apart so that the common posted message stays small.
struct TItemExtra {
    std::shared_ptr<TSendRecord> Send;
    std::function<void()> Call;      // a synchronized or queued method
    const void* CallOwner = nullptr; // the TThread that queued it
};

struct TItem {
    uint64_t Seq = 0;
    HWND Wnd = 0;
    bool IsTimer = false;
    TMessage Msg;
    std::unique_ptr<TItemExtra> Extra;

    TSendRecord* Send() const noexcept { return Extra ? Extra->Send.get() : nullptr; }
    bool IsCall() const noexcept { return Extra && Extra->Call; }
    TItemExtra& Extras()
    {
        if (!Extra) Extra = std::make_unique<TItemExtra>();
        return *Extra;
    }
};

struct TWndTimer {
    HWND Wnd;
    uintptr_t Id;
    uint32_t Interval;
    uint32_t Due;        // tick at which it next falls due
    bool Pending;        // its WM_TIMER waits in the queue
};

class TMessageLoop {
public:
    bool IsMain() const noexcept;
    void ClaimMain() noexcept;
    void SetMain() noexcept;
    void RequireMain(const char* What);

    HWND Allocate(TWndMethod Method);
    void Deallocate(HWND Wnd);
    bool Exists(HWND Wnd);
    bool Post(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);
    LRESULT Send(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam, TEventObject* Cancel,
                 bool* Handled);
    bool Synchronize(std::function<void()> Method);
    void Queue(std::function<void()> Method, const void* Owner);
    void RemoveQueued(const void* Owner);

    bool StartTimer(HWND Wnd, uintptr_t Id, uint32_t Elapse);
    bool StopTimer(HWND Wnd, uintptr_t Id);

    void ProcessMessages();
    bool HandleMessage(uint32_t Timeout);
    void Terminate() noexcept;
    bool TerminateRequested() const noexcept { return FTerminate.load(std::memory_order_acquire); }
    void ClearTerminate() noexcept { FTerminate.store(false, std::memory_order_release); }
    bool Waiting();
    uint32_t NextTimeout();
    int PollFd();

    void ClockAdvanced() noexcept;
    void ClockChanged() noexcept;

private:
    std::shared_ptr<TWindow> Find(HWND Wnd);
    void PushLocked(TItem Item);
    void SignalLocked();
    void UpdateFdLocked();
    void ReleaseLocked(TSendRecord& Record);
    void ForgetLocked(const TSendRecord* Record);
    void WithdrawLocked(const TSendRecord* Record);
    bool SendAndWait(TItem Item, TEventObject* Cancel, LRESULT& Result);
    void WithdrawTimerLocked(HWND Wnd, uintptr_t Id);
    void CheckTimersLocked();
    uint32_t NextTimerLocked(uint32_t Now) const;
    void ArmTimerFdLocked();
    bool PopLocked(uint64_t Limit, TItem& Out, std::shared_ptr<TWindow>& Window);
    void Dispatch(TItem& Item, TWindow* Window);

    std::atomic<const void*> FMain{nullptr};
    std::atomic<bool> FTerminate{false};

    std::mutex FLock;                 // guards everything below
    std::condition_variable FCv;      // the main thread waiting in HandleMessage
    int FMainWaiting = 0;
    std::deque<TItem> FQueue;
    uint64_t FNextSeq = 1;
    std::unordered_map<HWND, std::shared_ptr<TWindow>> FWindows;
    HWND FNextWindow = 0x00010001;
    std::vector<TWndTimer> FTimers;
    std::vector<std::shared_ptr<TSendRecord>> FInFlight;
    int FEventFd = -1;
    int FTimerFd = -1;
    int FEpollFd = -1;
    bool FFdSignalled = false;
};

TMessageLoop& Loop() noexcept;

} // namespace detail
} // namespace kxtapi
