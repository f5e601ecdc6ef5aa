#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/sync.h"
#include "kxtapi/rtl/thread.h"
#include "message_loop_internal.h"
#include "runtime_internal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <unistd.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>

namespace kxtapi {

namespace detail {

namespace {

// The main thread is told apart by the address of a thread-local marker.
thread_local char tThreadMarker;

constexpr uint32_t MaxTimerInterval = 0x7FFFFFFF;

int32_t TickDiff(uint32_t A, uint32_t B) noexcept { return static_cast<int32_t>(A - B); }

} // namespace

TMessageLoop& Loop() noexcept
{
    // Never destroyed: worker threads may still post while the process exits.
    static TMessageLoop* Instance = new TMessageLoop;
    return *Instance;
}

bool TMessageLoop::IsMain() const noexcept
{
    return FMain.load(std::memory_order_acquire) == &tThreadMarker;
}

void TMessageLoop::ClaimMain() noexcept
{
    const void* Expected = nullptr;
    FMain.compare_exchange_strong(Expected, &tThreadMarker, std::memory_order_acq_rel);
}

void TMessageLoop::SetMain() noexcept { FMain.store(&tThreadMarker, std::memory_order_release); }

void TMessageLoop::RequireMain(const char* What)
{
    ClaimMain();
    if (!IsMain())
        throw Exception(std::string(What) + " called outside the main thread");
}

HWND TMessageLoop::Allocate(TWndMethod Method)
{
    ClaimMain();
    auto Window = std::make_shared<TWindow>();
    Window->Method = std::move(Method);
    std::lock_guard<std::mutex> Guard(FLock);
    if (FNextWindow == 0) throw Exception("AllocateHWnd failed");
    Window->Handle = FNextWindow++;
    FWindows.emplace(Window->Handle, Window);
    return Window->Handle;
}

void TMessageLoop::Deallocate(HWND Wnd)
{
    std::shared_ptr<TWindow> Window;   // destroyed after the lock is given up
    std::lock_guard<std::mutex> Guard(FLock);
    auto It = FWindows.find(Wnd);
    if (It == FWindows.end()) return;
    Window = std::move(It->second);
    FWindows.erase(It);

    for (auto Q = FQueue.begin(); Q != FQueue.end();) {
        if (Q->Wnd == Wnd) {
            if (Q->Send()) ReleaseLocked(*Q->Send());
            Q = FQueue.erase(Q);
        } else {
            ++Q;
        }
    }
    // A sender whose message is being handled right now is let go too.
    for (auto& Record : FInFlight)
        if (Record->Wnd == Wnd && Record->Releasable) ReleaseLocked(*Record);
    FTimers.erase(std::remove_if(FTimers.begin(), FTimers.end(),
                                 [Wnd](const TWndTimer& T) { return T.Wnd == Wnd; }),
                  FTimers.end());
    ArmTimerFdLocked();
    UpdateFdLocked();
}

bool TMessageLoop::Exists(HWND Wnd)
{
    std::lock_guard<std::mutex> Guard(FLock);
    return FWindows.count(Wnd) != 0;
}

std::shared_ptr<TWindow> TMessageLoop::Find(HWND Wnd)
{
    std::lock_guard<std::mutex> Guard(FLock);
    auto It = FWindows.find(Wnd);
    return It == FWindows.end() ? nullptr : It->second;
}

void TMessageLoop::PushLocked(TItem Item)
{
    Item.Seq = FNextSeq++;
    FQueue.push_back(std::move(Item));
    SignalLocked();
}

void TMessageLoop::SignalLocked()
{
    if (FMainWaiting) FCv.notify_one();
    if (FEventFd >= 0 && !FFdSignalled) {
        uint64_t One = 1;
        ssize_t r = ::write(FEventFd, &One, sizeof One);
        (void)r;
        FFdSignalled = true;
    }
}

void TMessageLoop::UpdateFdLocked()
{
    if (FEventFd >= 0 && FFdSignalled && FQueue.empty()) {
        uint64_t Count = 0;
        ssize_t r = ::read(FEventFd, &Count, sizeof Count);
        (void)r;
        FFdSignalled = false;
    }
}

bool TMessageLoop::Post(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)
{
    std::lock_guard<std::mutex> Guard(FLock);
    if (FWindows.count(Wnd) == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    TItem Item;
    Item.Wnd = Wnd;
    Item.Msg.Msg = Msg;
    Item.Msg.WParam = WParam;
    Item.Msg.LParam = LParam;
    PushLocked(std::move(Item));
    return true;
}

void TMessageLoop::ReleaseLocked(TSendRecord& Record)
{
    if (Record.State == TSendRecord::Queued || Record.State == TSendRecord::Running) {
        Record.State = TSendRecord::Released;
        Record.Result = 0;
        Record.Finished.Set();
    }
}

void TMessageLoop::ForgetLocked(const TSendRecord* Record)
{
    FInFlight.erase(std::remove_if(FInFlight.begin(), FInFlight.end(),
                                   [Record](const std::shared_ptr<TSendRecord>& R) {
                                       return R.get() == Record;
                                   }),
                    FInFlight.end());
}

void TMessageLoop::WithdrawLocked(const TSendRecord* Record)
{
    for (auto Q = FQueue.begin(); Q != FQueue.end(); ++Q)
        if (Q->Send() == Record) {
            FQueue.erase(Q);
            break;
        }
    UpdateFdLocked();
}

bool TMessageLoop::SendAndWait(TItem Item, TEventObject* Cancel, LRESULT& Result)
{
    Result = 0;
    TThread* Self = TThread::CurrentThread();
    if (Self && Self->Terminated()) {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    auto Record = std::make_shared<TSendRecord>();
    Record->Wnd = Item.Wnd;
    Record->Releasable = true;
    Item.Extras().Send = Record;
    {
        std::lock_guard<std::mutex> Guard(FLock);
        if (Item.Wnd != 0 && FWindows.count(Item.Wnd) == 0) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        FInFlight.push_back(Record);
        PushLocked(std::move(Item));
    }

    TWaitableObject* Objects[3];
    uint32_t Count = 0;
    Objects[Count++] = &Record->Finished;
    if (Self) Objects[Count++] = TThreadAccess::TerminateEvent(*Self);
    if (Cancel) Objects[Count++] = Cancel;
    WaitCore(Objects, Count, false, INFINITE);

    std::lock_guard<std::mutex> Guard(FLock);
    ForgetLocked(Record.get());
    if (Record->State == TSendRecord::Done) {
        Result = Record->Result;
        return true;
    }
    if (Record->State == TSendRecord::Queued) WithdrawLocked(Record.get());
    Record->State = TSendRecord::Released;
    SetLastError(ERROR_CANCELLED);
    return false;
}

LRESULT TMessageLoop::Send(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam,
                           TEventObject* Cancel, bool* Handled)
{
    if (Handled) *Handled = false;
    if (IsMain()) {
        std::shared_ptr<TWindow> Window = Find(Wnd);
        if (!Window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        TMessage Message{Msg, WParam, LParam, 0};
        Window->Method(Message);
        if (Handled) *Handled = true;
        return Message.Result;
    }
    TItem Item;
    Item.Wnd = Wnd;
    Item.Msg = TMessage{Msg, WParam, LParam, 0};
    LRESULT Result = 0;
    bool Ok = SendAndWait(std::move(Item), Cancel, Result);
    if (Handled) *Handled = Ok;
    return Result;
}

bool TMessageLoop::Synchronize(std::function<void()> Method)
{
    if (IsMain()) {
        Method();
        return true;
    }
    TThread* Self = TThread::CurrentThread();
    if (Self && Self->Terminated()) return false;
    auto Record = std::make_shared<TSendRecord>();
    Record->Releasable = false;
    TItem Item;
    Item.Extras().Call = std::move(Method);
    Item.Extras().Send = Record;
    {
        std::lock_guard<std::mutex> Guard(FLock);
        FInFlight.push_back(Record);
        PushLocked(std::move(Item));
    }
    TWaitableObject* Objects[2] = {&Record->Finished, nullptr};
    uint32_t Count = 1;
    if (Self) Objects[Count++] = TThreadAccess::TerminateEvent(*Self);
    WaitCore(Objects, Count, false, INFINITE);
    {
        std::unique_lock<std::mutex> Guard(FLock);
        if (Record->State == TSendRecord::Queued) {
            WithdrawLocked(Record.get());
            ForgetLocked(Record.get());
            Record->State = TSendRecord::Released;
            return false;
        }
    }
    // Started: the method may use the caller's locals, so wait for its end.
    TWaitableObject* Done = &Record->Finished;
    WaitCore(&Done, 1, false, INFINITE);
    {
        std::lock_guard<std::mutex> Guard(FLock);
        ForgetLocked(Record.get());
    }
    if (Record->Error) std::rethrow_exception(Record->Error);
    return true;
}

void TMessageLoop::Queue(std::function<void()> Method, const void* Owner)
{
    TItem Item;
    Item.Extras().Call = std::move(Method);
    Item.Extras().CallOwner = Owner;
    std::lock_guard<std::mutex> Guard(FLock);
    PushLocked(std::move(Item));
}

void TMessageLoop::RemoveQueued(const void* Owner)
{
    if (!Owner) return;
    std::vector<TItem> Dropped;   // their methods are destroyed outside the lock
    std::lock_guard<std::mutex> Guard(FLock);
    for (auto Q = FQueue.begin(); Q != FQueue.end();) {
        if (Q->IsCall() && !Q->Send() && Q->Extra->CallOwner == Owner) {
            Dropped.push_back(std::move(*Q));
            Q = FQueue.erase(Q);
        } else {
            ++Q;
        }
    }
    UpdateFdLocked();
}

// ---- timers -------------------------------------------------------------

bool TMessageLoop::StartTimer(HWND Wnd, uintptr_t Id, uint32_t Elapse)
{
    ClaimMain();
    Elapse = std::clamp<uint32_t>(Elapse, 1, MaxTimerInterval);
    std::lock_guard<std::mutex> Guard(FLock);
    if (FWindows.count(Wnd) == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    uint32_t Now = GetTickCount();
    auto It = std::find_if(FTimers.begin(), FTimers.end(),
                           [&](const TWndTimer& T) { return T.Wnd == Wnd && T.Id == Id; });
    if (It == FTimers.end()) {
        FTimers.push_back(TWndTimer{Wnd, Id, Elapse, Now + Elapse, false});
    } else {
        if (It->Pending) WithdrawTimerLocked(Wnd, Id);
        It->Interval = Elapse;
        It->Due = Now + Elapse;
        It->Pending = false;
    }
    ArmTimerFdLocked();
    if (FMainWaiting) FCv.notify_one();   // a waiting loop recomputes its wake-up
    return true;
}

bool TMessageLoop::StopTimer(HWND Wnd, uintptr_t Id)
{
    std::lock_guard<std::mutex> Guard(FLock);
    auto It = std::find_if(FTimers.begin(), FTimers.end(),
                           [&](const TWndTimer& T) { return T.Wnd == Wnd && T.Id == Id; });
    if (It == FTimers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (It->Pending) WithdrawTimerLocked(Wnd, Id);
    FTimers.erase(It);
    ArmTimerFdLocked();
    return true;
}

void TMessageLoop::WithdrawTimerLocked(HWND Wnd, uintptr_t Id)
{
    for (auto Q = FQueue.begin(); Q != FQueue.end(); ++Q)
        if (Q->IsTimer && Q->Wnd == Wnd && Q->Msg.WParam == Id) {
            FQueue.erase(Q);
            break;
        }
    UpdateFdLocked();
}

void TMessageLoop::CheckTimersLocked()
{
    if (FTimers.empty()) return;
    uint32_t Now = GetTickCount();
    for (auto& T : FTimers) {
        if (T.Pending || TickDiff(Now, T.Due) < 0) continue;
        T.Pending = true;
        T.Due = Now + T.Interval;
        TItem Item;
        Item.Wnd = T.Wnd;
        Item.IsTimer = true;
        Item.Msg = TMessage{WM_TIMER, T.Id, 0, 0};
        PushLocked(std::move(Item));
    }
    ArmTimerFdLocked();
}

uint32_t TMessageLoop::NextTimerLocked(uint32_t Now) const
{
    uint32_t Best = INFINITE;
    for (const auto& T : FTimers) {
        if (T.Pending) continue;
        int32_t Left = TickDiff(T.Due, Now);
        uint32_t Wait = Left <= 0 ? 0 : static_cast<uint32_t>(Left);
        Best = std::min(Best, Wait);
    }
    return Best;
}

void TMessageLoop::ArmTimerFdLocked()
{
    if (FTimerFd < 0) return;
    itimerspec Spec{};
    if (!TestClockInstalled()) {
        TTickSample Sample = RealTickSample();
        uint32_t Wait = NextTimerLocked(Sample.Tick);
        if (Wait != INFINITE) {
            // Absolute monotonic time of the due tick, so the descriptor turns
            // readable exactly when GetTickCount reaches it.
            int64_t DueMs = Sample.MonotonicMs + Wait;
            Spec.it_value.tv_sec = DueMs / 1000;
            Spec.it_value.tv_nsec = (DueMs % 1000) * 1000000;
            if (Spec.it_value.tv_sec == 0 && Spec.it_value.tv_nsec == 0) Spec.it_value.tv_nsec = 1;
        }
    }
    timerfd_settime(FTimerFd, TFD_TIMER_ABSTIME, &Spec, nullptr);
}

void TMessageLoop::ClockAdvanced() noexcept
{
    std::lock_guard<std::mutex> Guard(FLock);
    CheckTimersLocked();
    if (FMainWaiting) FCv.notify_one();
}

void TMessageLoop::ClockChanged() noexcept
{
    std::lock_guard<std::mutex> Guard(FLock);
    uint32_t Now = GetTickCount();
    for (auto& T : FTimers) T.Due = Now + T.Interval;
    ArmTimerFdLocked();
    if (FMainWaiting) FCv.notify_one();
}

// ---- dispatch -----------------------------------------------------------

void TMessageLoop::Dispatch(TItem& Item, TWindow* Window)
{
    TSendRecord* Send = Item.Send();
    if (Item.IsCall()) {
        try {
            Item.Extra->Call();
        } catch (...) {
            if (Send)
                Send->Error = std::current_exception();   // rethrown in the caller
            else
                Application()->HandleException(std::current_exception());
        }
    } else if (Window) {
        try {
            Window->Method(Item.Msg);
        } catch (...) {
            Application()->HandleException(std::current_exception());
        }
    }
    if (Send) {
        std::lock_guard<std::mutex> Guard(FLock);
        if (Send->State == TSendRecord::Running) {
            Send->State = TSendRecord::Done;
            Send->Result = Item.Msg.Result;
            Send->Finished.Set();
        }
    }
}

bool TMessageLoop::PopLocked(uint64_t Limit, TItem& Out, std::shared_ptr<TWindow>& Window)
{
    while (!FQueue.empty() && FQueue.front().Seq < Limit) {
        Out = std::move(FQueue.front());
        FQueue.pop_front();
        if (TSendRecord* Send = Out.Send()) {
            if (Send->State != TSendRecord::Queued) continue;
            Send->State = TSendRecord::Running;
        }
        if (Out.IsTimer) {
            auto It = std::find_if(FTimers.begin(), FTimers.end(), [&](const TWndTimer& T) {
                return T.Wnd == Out.Wnd && T.Id == Out.Msg.WParam;
            });
            if (It == FTimers.end()) continue;
            It->Pending = false;
            ArmTimerFdLocked();
        }
        if (!Out.IsCall()) {
            auto W = FWindows.find(Out.Wnd);
            if (W == FWindows.end()) continue;
            Window = W->second;
        }
        UpdateFdLocked();
        return true;
    }
    UpdateFdLocked();
    return false;
}

void TMessageLoop::ProcessMessages()
{
    RequireMain("ProcessMessages");
    uint64_t Limit;
    {
        std::lock_guard<std::mutex> Guard(FLock);
        CheckTimersLocked();
        Limit = FNextSeq;
    }
    for (;;) {
        TItem Item;
        std::shared_ptr<TWindow> Window;
        {
            std::lock_guard<std::mutex> Guard(FLock);
            if (!PopLocked(Limit, Item, Window)) return;
        }
        Dispatch(Item, Window.get());
    }
}

bool TMessageLoop::HandleMessage(uint32_t Timeout)
{
    RequireMain("HandleMessage");
    const uint32_t Start = GetTickCount();
    const auto RealDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
    std::unique_lock<std::mutex> Lock(FLock);
    for (;;) {
        CheckTimersLocked();
        TItem Item;
        std::shared_ptr<TWindow> Window;
        if (PopLocked(UINT64_MAX, Item, Window)) {
            Lock.unlock();
            Dispatch(Item, Window.get());
            return true;
        }
        if (FTerminate.load(std::memory_order_acquire) || Timeout == 0) return false;

        if (TestClockInstalled()) {
            uint32_t Now = GetTickCount();
            if (TickElapsed(Start, Timeout, Now)) return false;
            if (IsTestClockDriver()) {
                uint32_t Step = std::min(TickRemaining(Start, Timeout, Now), NextTimerLocked(Now));
                if (Step != INFINITE) {
                    Lock.unlock();
                    AdvanceTestClock(std::max<uint32_t>(Step, 1));
                    Lock.lock();
                    continue;
                }
            }
            ++FMainWaiting;
            FCv.wait(Lock);
            --FMainWaiting;
            continue;
        }

        auto Wake = RealDeadline;
        if (Timeout == INFINITE) Wake = std::chrono::steady_clock::time_point::max();
        uint32_t NextTimer = NextTimerLocked(GetTickCount());
        if (NextTimer != INFINITE)
            Wake = std::min(Wake, std::chrono::steady_clock::now() + std::chrono::milliseconds(NextTimer));
        ++FMainWaiting;
        if (Wake == std::chrono::steady_clock::time_point::max())
            FCv.wait(Lock);
        else
            FCv.wait_until(Lock, Wake);
        --FMainWaiting;
        if (Timeout != INFINITE && std::chrono::steady_clock::now() >= RealDeadline) {
            CheckTimersLocked();
            if (PopLocked(UINT64_MAX, Item, Window)) {
                Lock.unlock();
                Dispatch(Item, Window.get());
                return true;
            }
            return false;
        }
    }
}

void TMessageLoop::Terminate() noexcept
{
    FTerminate.store(true, std::memory_order_release);
    std::lock_guard<std::mutex> Guard(FLock);
    FCv.notify_all();
}

bool TMessageLoop::Waiting()
{
    std::lock_guard<std::mutex> Guard(FLock);
    CheckTimersLocked();
    return !FQueue.empty();
}

uint32_t TMessageLoop::NextTimeout()
{
    std::lock_guard<std::mutex> Guard(FLock);
    CheckTimersLocked();
    if (!FQueue.empty()) return 0;
    return NextTimerLocked(GetTickCount());
}

int TMessageLoop::PollFd()
{
    std::lock_guard<std::mutex> Guard(FLock);
    if (FEpollFd >= 0) return FEpollFd;
    int Event = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int Timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    int Epoll = epoll_create1(EPOLL_CLOEXEC);
    bool Ok = Event >= 0 && Timer >= 0 && Epoll >= 0;
    if (Ok) {
        epoll_event E{};
        E.events = EPOLLIN;
        E.data.fd = Event;
        Ok = epoll_ctl(Epoll, EPOLL_CTL_ADD, Event, &E) == 0;
        E.data.fd = Timer;
        Ok = Ok && epoll_ctl(Epoll, EPOLL_CTL_ADD, Timer, &E) == 0;
    }
    if (!Ok) {
        SetLastErrorFromErrno(errno);
        if (Event >= 0) ::close(Event);
        if (Timer >= 0) ::close(Timer);
        if (Epoll >= 0) ::close(Epoll);
        return -1;
    }
    FEventFd = Event;
    FTimerFd = Timer;
    FEpollFd = Epoll;
    if (!FQueue.empty()) SignalLocked();
    ArmTimerFdLocked();
    return FEpollFd;
}

} // namespace detail

namespace detail {
void MessageLoopClockAdvanced() noexcept { Loop().ClockAdvanced(); }
void MessageLoopClockChanged() noexcept { Loop().ClockChanged(); }
} // namespace detail

// ---- public functions -----------------------------------------------------

HWND AllocateHWnd(TWndMethod Method) { return detail::Loop().Allocate(std::move(Method)); }

void DeallocateHWnd(HWND Wnd) { detail::Loop().Deallocate(Wnd); }

bool IsWindow(HWND Wnd) noexcept
{
    try {
        return detail::Loop().Exists(Wnd);
    } catch (...) {
        return false;
    }
}

bool PostMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)
{
    return detail::Loop().Post(Wnd, Msg, WParam, LParam);
}

LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)
{
    return detail::Loop().Send(Wnd, Msg, WParam, LParam, nullptr, nullptr);
}

bool SendMessageCancellable(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam,
                            THandle CancelEvent, LRESULT& Result)
{
    Result = 0;
    std::shared_ptr<TEventObject> Cancel;
    if (CancelEvent != 0) {
        Cancel = LookupHandleAs<TEventObject>(CancelEvent);
        if (!Cancel) return false;
    }
    bool Handled = false;
    Result = detail::Loop().Send(Wnd, Msg, WParam, LParam, Cancel.get(), &Handled);
    return Handled;
}

LRESULT DefWindowProc(HWND, uint32_t, WPARAM, LPARAM) { return 0; }

bool SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse)
{
    return detail::Loop().StartTimer(Wnd, IDEvent, Elapse);
}

bool KillTimer(HWND Wnd, uintptr_t IDEvent) { return detail::Loop().StopTimer(Wnd, IDEvent); }

bool IsMainThread() noexcept { return detail::Loop().IsMain(); }

void TApplication::SetMainThread() { detail::Loop().SetMain(); }
void TApplication::ProcessMessages() { detail::Loop().ProcessMessages(); }
bool TApplication::HandleMessage(uint32_t Timeout) { return detail::Loop().HandleMessage(Timeout); }

void TApplication::Run()
{
    auto& L = detail::Loop();
    L.RequireMain("Run");
    while (!L.TerminateRequested()) L.HandleMessage(INFINITE);
    L.ClearTerminate();
}

void TApplication::Terminate() noexcept { detail::Loop().Terminate(); }
bool TApplication::Terminated() const noexcept { return detail::Loop().TerminateRequested(); }
bool TApplication::MessagesWaiting() { return detail::Loop().Waiting(); }
uint32_t TApplication::NextTimeout() { return detail::Loop().NextTimeout(); }
int TApplication::PollFd() { return detail::Loop().PollFd(); }

void TApplication::HandleException(std::exception_ptr E) noexcept
{
    try {
        auto Hook = OnException;
        if (Hook) {
            Hook(this, E);
            return;
        }
        try {
            std::rethrow_exception(E);
        } catch (const Exception&) {
            // The library's own errors are the handler's business; the loop
            // goes on.
        } catch (const std::exception& Other) {
            std::fprintf(stderr, "kxtapi: exception in a message handler: %s\n", Other.what());
        } catch (...) {
            std::fprintf(stderr, "kxtapi: unknown exception in a message handler\n");
        }
    } catch (...) {
        // An exception from the hook itself is dropped.
    }
}

TApplication* Application() noexcept
{
    static TApplication* Instance = new TApplication;
    return Instance;
}

} // namespace kxtapi
