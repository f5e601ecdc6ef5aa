#include "kxtapi/rtl/sync.h"
#include "runtime_internal.h"

#include <algorithm>
#include <cassert>
#include <chrono>

namespace kxtapi {

namespace detail {

struct TWaitAccess {
    static bool IsSignalled(const TWaitableObject& O, const TThreadState& T) noexcept
    {
        return O.IsSignalledFor(T);
    }
    static bool Take(TWaitableObject& O, TThreadState& T) noexcept { return O.TakeFor(T); }
    static std::vector<TWaiter*>& Waiters(TWaitableObject& O) noexcept { return O.FWaiters; }
    /// A mutex that another thread owns now.
    static bool HeldElsewhere(const TWaitableObject& O, const TThreadState& T) noexcept
    {
        const auto* M = dynamic_cast<const TMutexObject*>(&O);
        return M != nullptr && M->FOwner != nullptr && M->FOwner != &T;
    }
    static void Abandon(TMutexObject& M) noexcept
    {
        M.FOwner = nullptr;
        M.FLevel = 0;
        M.FAbandoned = true;
        M.WakeWaiters();
    }
};

namespace {

// Waits that the test clock governs; woken by every advance.
std::vector<TWaiter*>& ClockWaiters()
{
    static auto* List = new std::vector<TWaiter*>;
    return *List;
}

void Unlist(std::vector<TWaiter*>& List, TWaiter* W) noexcept
{
    auto It = std::find(List.begin(), List.end(), W);
    if (It != List.end()) List.erase(It);
}

// Takes what the wait asks for if it can be had now. Called with the state lock.
bool TrySatisfy(TWaitableObject* const* Objects, uint32_t Count, bool WaitAll,
                TThreadState& Self, uint32_t& Result) noexcept
{
    if (Count == 0) return false;
    if (!WaitAll) {
        for (uint32_t i = 0; i < Count; ++i) {
            if (TWaitAccess::IsSignalled(*Objects[i], Self)) {
                bool Abandoned = TWaitAccess::Take(*Objects[i], Self);
                Result = (Abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
                return true;
            }
        }
        return false;
    }
    for (uint32_t i = 0; i < Count; ++i)
        if (!TWaitAccess::IsSignalled(*Objects[i], Self)) return false;
    Result = WAIT_OBJECT_0;
    bool SeenAbandoned = false;
    for (uint32_t i = 0; i < Count; ++i) {
        if (TWaitAccess::Take(*Objects[i], Self) && !SeenAbandoned) {
            SeenAbandoned = true;
            Result = WAIT_ABANDONED_0 + i;
        }
    }
    return true;
}

// Enters and removes one waiter in the lists it must be woken from.
class TRegistration {
public:
    TRegistration(TWaitableObject* const* Objects, uint32_t Count, TWaiter& W)
        : FObjects(Objects), FCount(Count), FWaiter(W) {}
    ~TRegistration() { Leave(); }

    void Enter(bool ForClock)
    {
        if (!FInObjects) {
            for (uint32_t i = 0; i < FCount; ++i)
                TWaitAccess::Waiters(*FObjects[i]).push_back(&FWaiter);
            FInObjects = true;
        }
        if (ForClock && !FInClock) {
            ClockWaiters().push_back(&FWaiter);
            FInClock = true;
        }
    }
    void Leave() noexcept
    {
        if (FInObjects) {
            for (uint32_t i = 0; i < FCount; ++i) Unlist(TWaitAccess::Waiters(*FObjects[i]), &FWaiter);
            FInObjects = false;
        }
        if (FInClock) {
            Unlist(ClockWaiters(), &FWaiter);
            FInClock = false;
        }
    }

private:
    TWaitableObject* const* FObjects;
    uint32_t FCount;
    TWaiter& FWaiter;
    bool FInObjects = false;
    bool FInClock = false;
};

} // namespace

TThreadState& CurrentThreadState() noexcept
{
    thread_local TThreadState State;
    return State;
}

TThreadState::~TThreadState()
{
    // The thread ends: whatever it still owns is abandoned and goes to the
    // next waiter.
    std::lock_guard<std::mutex> Guard(TWaitableObject::StateLock());
    for (TMutexObject* M : Owned) TWaitAccess::Abandon(*M);
    Owned.clear();
}

void WakeClockWaiters() noexcept
{
    std::lock_guard<std::mutex> Guard(TWaitableObject::StateLock());
    for (TWaiter* W : ClockWaiters()) W->Cv.notify_one();
}

uint32_t WaitCore(TWaitableObject* const* Objects, uint32_t Count, bool WaitAll,
                  uint32_t Timeout)
{
    TThreadState& Self = CurrentThreadState();
    TWaiter Waiter;
    const auto RealDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
    std::unique_lock<std::mutex> Lock(TWaitableObject::StateLock());
    TRegistration Registration(Objects, Count, Waiter);
    const uint32_t Start = GetTickCount();
    uint32_t Result = WAIT_TIMEOUT;
    for (;;) {
        if (TrySatisfy(Objects, Count, WaitAll, Self, Result)) return Result;
        if (Timeout == 0) return WAIT_TIMEOUT;

        if (TestClockInstalled()) {
            const uint32_t Now = GetTickCount();
            if (TickElapsed(Start, Timeout, Now)) return WAIT_TIMEOUT;
            if (IsTestClockDriver() && Timeout != INFINITE) {
                // A mutex another thread holds is let go in that thread's
                // real time, not at a virtual deadline: jumping the clock
                // would move time on for a wait that takes microseconds, and
                // fail it. Wait for it in real time instead (bounded by the
                // time-out, read as real milliseconds).
                bool Held = false;
                for (uint32_t i = 0; i < Count && !Held; ++i) Held = TWaitAccess::HeldElsewhere(*Objects[i], Self);
                if (Held) {
                    Registration.Enter(false);
                    if (Waiter.Cv.wait_until(Lock, RealDeadline) == std::cv_status::timeout) {
                        if (TrySatisfy(Objects, Count, WaitAll, Self, Result)) return Result;
                        return WAIT_TIMEOUT;
                    }
                    continue;
                }
                // Nobody else moves the clock for its driver: jump to the
                // deadline and see what that brought.
                Registration.Leave();
                Lock.unlock();
                AdvanceTestClock(TickRemaining(Start, Timeout, Now));
                Lock.lock();
                if (TrySatisfy(Objects, Count, WaitAll, Self, Result)) return Result;
                return WAIT_TIMEOUT;
            }
            Registration.Enter(true);
            Waiter.Cv.wait(Lock);
            continue;
        }

        Registration.Enter(false);
        if (Timeout == INFINITE) {
            Waiter.Cv.wait(Lock);
        } else if (Waiter.Cv.wait_until(Lock, RealDeadline) == std::cv_status::timeout) {
            if (TrySatisfy(Objects, Count, WaitAll, Self, Result)) return Result;
            return WAIT_TIMEOUT;
        }
    }
}

} // namespace detail

std::mutex& TWaitableObject::StateLock() noexcept
{
    // Never destroyed: thread-exit handlers take it after static destruction
    // may have begun.
    static std::mutex* Lock = new std::mutex;
    return *Lock;
}

TWaitableObject::~TWaitableObject()
{
    // A waiter keeps its objects alive, so none can be listed here.
    assert(FWaiters.empty());
}

void TWaitableObject::WakeWaiters() noexcept
{
    for (detail::TWaiter* W : FWaiters) W->Cv.notify_one();
}

void TEventObject::Set() noexcept
{
    std::lock_guard<std::mutex> Guard(StateLock());
    FSignalled = true;
    WakeWaiters();
}

void TEventObject::Reset() noexcept
{
    std::lock_guard<std::mutex> Guard(StateLock());
    FSignalled = false;
}

bool TEventObject::IsSet() const noexcept
{
    std::lock_guard<std::mutex> Guard(StateLock());
    return FSignalled;
}

bool TEventObject::IsSignalledFor(const detail::TThreadState&) const noexcept { return FSignalled; }

bool TEventObject::TakeFor(detail::TThreadState&) noexcept
{
    if (!FManualReset) FSignalled = false;
    return false;
}

TMutexObject::TMutexObject(bool InitialOwner)
{
    if (InitialOwner) {
        std::lock_guard<std::mutex> Guard(StateLock());
        TakeFor(detail::CurrentThreadState());
    }
}

TMutexObject::~TMutexObject()
{
    std::lock_guard<std::mutex> Guard(StateLock());
    if (FOwner) {
        auto& Owned = FOwner->Owned;
        Owned.erase(std::remove(Owned.begin(), Owned.end(), this), Owned.end());
        FOwner = nullptr;
    }
}

bool TMutexObject::Release() noexcept
{
    detail::TThreadState& Self = detail::CurrentThreadState();
    std::lock_guard<std::mutex> Guard(StateLock());
    if (FOwner != &Self) {
        SetLastError(ERROR_NOT_OWNER);
        return false;
    }
    if (--FLevel == 0) {
        FOwner = nullptr;
        auto& Owned = Self.Owned;
        Owned.erase(std::remove(Owned.begin(), Owned.end(), this), Owned.end());
        WakeWaiters();
    }
    return true;
}

bool TMutexObject::OwnedByCaller() const noexcept
{
    detail::TThreadState& Self = detail::CurrentThreadState();
    std::lock_guard<std::mutex> Guard(StateLock());
    return FOwner == &Self;
}

bool TMutexObject::IsSignalledFor(const detail::TThreadState& Thread) const noexcept
{
    return FOwner == nullptr || (FOwner == &Thread && FLevel < 0x7FFFFFFF);
}

bool TMutexObject::TakeFor(detail::TThreadState& Thread) noexcept
{
    if (FOwner == &Thread) {
        ++FLevel;
        return false;
    }
    FOwner = &Thread;
    FLevel = 1;
    Thread.Owned.push_back(this);
    bool Abandoned = FAbandoned;
    FAbandoned = false;
    return Abandoned;
}

THandle CreateEvent(bool ManualReset, bool InitialState)
{
    return RegisterHandle(std::make_shared<TEventObject>(ManualReset, InitialState));
}

bool SetEvent(THandle Handle)
{
    auto Event = LookupHandleAs<TEventObject>(Handle);
    if (!Event) return false;
    Event->Set();
    return true;
}

bool ResetEvent(THandle Handle)
{
    auto Event = LookupHandleAs<TEventObject>(Handle);
    if (!Event) return false;
    Event->Reset();
    return true;
}

THandle CreateMutex(bool InitialOwner)
{
    return RegisterHandle(std::make_shared<TMutexObject>(InitialOwner));
}

bool ReleaseMutex(THandle Handle)
{
    auto Mutex = LookupHandleAs<TMutexObject>(Handle);
    if (!Mutex) return false;
    return Mutex->Release();
}

namespace {

bool CheckWaitArguments(TWaitableObject* const* Objects, uint32_t Count, bool WaitAll)
{
    if (Count == 0 || Count > MAXIMUM_WAIT_OBJECTS || !Objects) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    for (uint32_t i = 0; i < Count; ++i) {
        if (!Objects[i]) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        if (WaitAll)
            for (uint32_t j = 0; j < i; ++j)
                if (Objects[j] == Objects[i]) {
                    SetLastError(ERROR_INVALID_PARAMETER);
                    return false;
                }
    }
    return true;
}

} // namespace

uint32_t WaitForObjects(TWaitableObject* const* Objects, uint32_t Count, bool WaitAll,
                        uint32_t Timeout)
{
    if (!CheckWaitArguments(Objects, Count, WaitAll)) return WAIT_FAILED;
    return detail::WaitCore(Objects, Count, WaitAll, Timeout);
}

uint32_t WaitForMultipleObjects(uint32_t Count, const THandle* Handles, bool WaitAll,
                                uint32_t Timeout)
{
    if (Count == 0 || Count > MAXIMUM_WAIT_OBJECTS || !Handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // The shared pointers keep every object alive for the wait, even when
    // its handle is closed meanwhile.
    std::shared_ptr<TWaitableObject> Held[MAXIMUM_WAIT_OBJECTS];
    TWaitableObject* Objects[MAXIMUM_WAIT_OBJECTS];
    for (uint32_t i = 0; i < Count; ++i) {
        Held[i] = LookupHandleAs<TWaitableObject>(Handles[i]);
        if (!Held[i]) return WAIT_FAILED;
        Objects[i] = Held[i].get();
    }
    if (!CheckWaitArguments(Objects, Count, WaitAll)) return WAIT_FAILED;
    return detail::WaitCore(Objects, Count, WaitAll, Timeout);
}

uint32_t WaitForSingleObject(THandle Handle, uint32_t Timeout)
{
    return WaitForMultipleObjects(1, &Handle, false, Timeout);
}

} // namespace kxtapi
