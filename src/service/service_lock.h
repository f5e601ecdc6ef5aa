// The one lock of the telephony service and the actions deferred to the end
// of the TAPI function that holds it.
//
// Every TAPI function, every provider call and every control call of the
// simulated switch runs under this lock, so the service, its providers and
// the switch share state without further locking. The lock is recursive
// because providers and the switch's control API re-enter the service.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>

namespace kxtapi::service {

/// Holds the service lock for its lifetime. When the outermost guard of a
/// thread ends, it first runs the actions deferred while it was held (still
/// under the lock, in order; an action may defer more), so an immediate
/// reply is queued before the TAPI function returns.
class TServiceLock {
public:
    TServiceLock();
    ~TServiceLock();
    TServiceLock(const TServiceLock&) = delete;
    TServiceLock& operator=(const TServiceLock&) = delete;
};

/// Takes the service lock if it can within Timeout, releasing it (with the
/// deferred actions, as TServiceLock does) with the object. For provider
/// threads that must give up waiting when their provider is closing: the
/// closing thread holds the lock while it waits for them.
class TServiceLockAttempt {
public:
    explicit TServiceLockAttempt(std::chrono::milliseconds Timeout);
    ~TServiceLockAttempt();
    TServiceLockAttempt(const TServiceLockAttempt&) = delete;
    TServiceLockAttempt& operator=(const TServiceLockAttempt&) = delete;
    bool Owns() const noexcept { return FOwns; }

private:
    bool FOwns = false;
};

/// Queues Action for the end of the outermost TServiceLock. Requires the lock.
void DeferAction(std::function<void()> Action);

/// True when the calling thread holds the lock (for assertions).
bool ServiceLockHeld() noexcept;

}  // namespace kxtapi::service
