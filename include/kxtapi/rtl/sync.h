// Events, mutexes and waiting for them, by handle or by object.
//
// Every waiter blocks on a condition variable and is woken by the object
// that becomes signalled (or by the test clock); nothing polls.
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/tick.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace kxtapi {

/// Results of the waits.
inline constexpr uint32_t WAIT_OBJECT_0 = 0;
inline constexpr uint32_t WAIT_ABANDONED = 0x80;
inline constexpr uint32_t WAIT_ABANDONED_0 = 0x80;
inline constexpr uint32_t WAIT_TIMEOUT = 258;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;
/// The most objects one wait takes.
inline constexpr uint32_t MAXIMUM_WAIT_OBJECTS = 64;

namespace detail {
struct TThreadState;
struct TWaiter;
struct TWaitAccess;
} // namespace detail

/// An object a thread can wait for. All signal states are guarded by one
/// process-wide state lock, which makes a wait for all of several objects
/// atomic.
///
/// To build a waitable kind of one's own, derive from TEventObject (the usual
/// way: a serial port that is signalled when an operation completes, for
/// instance), or derive from this class and implement the two hooks below;
/// after changing the state outside the hooks, take `StateLock()` and call
/// `WakeWaiters()`.
class TWaitableObject : public THandleObject {
public:
    ~TWaitableObject() override;

protected:
    TWaitableObject() = default;

    /// Whether a wait by Thread would be satisfied now. Called with the state
    /// lock held; must not block.
    virtual bool IsSignalledFor(const detail::TThreadState& Thread) const noexcept = 0;
    /// The wait by Thread takes the object after IsSignalledFor said yes (an
    /// auto-reset event resets, a mutex becomes owned). Returns true when the
    /// object was abandoned (the wait then reports WAIT_ABANDONED_0 + index).
    /// Called with the state lock held.
    virtual bool TakeFor(detail::TThreadState& Thread) noexcept = 0;

    /// Wakes every thread waiting on this object so it re-examines it.
    /// Call with the state lock held.
    void WakeWaiters() noexcept;

public:
    /// The process-wide lock guarding every signal state.
    static std::mutex& StateLock() noexcept;

private:
    friend struct detail::TWaitAccess;
    std::vector<detail::TWaiter*> FWaiters;   // guarded by StateLock()
};

/// A manual-reset or auto-reset event. A manual-reset event stays signalled
/// until reset and releases every waiter; an auto-reset event releases one
/// wait and is reset by it (a wait for all takes it only together with the
/// other objects).
class TEventObject : public TWaitableObject {
public:
    TEventObject(bool ManualReset, bool InitialState) noexcept
        : FManualReset(ManualReset), FSignalled(InitialState) {}
    const char* HandleKind() const noexcept override { return "Event"; }

    void Set() noexcept;
    void Reset() noexcept;
    bool IsSet() const noexcept;
    bool ManualReset() const noexcept { return FManualReset; }

protected:
    bool IsSignalledFor(const detail::TThreadState& Thread) const noexcept override;
    bool TakeFor(detail::TThreadState& Thread) noexcept override;

private:
    const bool FManualReset;
    bool FSignalled;   // guarded by StateLock()
};

/// A recursive mutex owned by a thread. A wait by the owner succeeds at once
/// and counts one more level; each level needs one Release by the owner.
/// When the owning thread ends without releasing, the mutex is abandoned: the
/// next wait that takes it reports WAIT_ABANDONED_0 + index and owns it.
class TMutexObject : public TWaitableObject {
public:
    /// InitialOwner: the constructing thread owns it once.
    explicit TMutexObject(bool InitialOwner);
    ~TMutexObject() override;
    const char* HandleKind() const noexcept override { return "Mutex"; }

    /// Releases one level; false with ERROR_NOT_OWNER when the calling thread
    /// does not own it.
    bool Release() noexcept;
    /// True when the calling thread owns it.
    bool OwnedByCaller() const noexcept;

protected:
    bool IsSignalledFor(const detail::TThreadState& Thread) const noexcept override;
    bool TakeFor(detail::TThreadState& Thread) noexcept override;

private:
    friend struct detail::TWaitAccess;
    detail::TThreadState* FOwner = nullptr;   // guarded by StateLock()
    uint32_t FLevel = 0;
    bool FAbandoned = false;
};

/// Creates an event and returns its handle (0 on failure, with the last
/// error set).
THandle CreateEvent(bool ManualReset, bool InitialState);
/// Signals an event; false with ERROR_INVALID_HANDLE when Handle names no event.
bool SetEvent(THandle Handle);
/// Resets an event; false with ERROR_INVALID_HANDLE when Handle names no event.
bool ResetEvent(THandle Handle);

/// Creates a recursive mutex, owned by the calling thread when InitialOwner.
THandle CreateMutex(bool InitialOwner);
/// Releases one level of a mutex the caller owns; false with ERROR_NOT_OWNER
/// otherwise, or ERROR_INVALID_HANDLE when Handle names no mutex.
bool ReleaseMutex(THandle Handle);

/// Waits up to Timeout ms (INFINITE: without limit; 0: only tests) for the
/// object. Returns WAIT_OBJECT_0, WAIT_ABANDONED (a mutex whose owner ended),
/// WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_HANDLE for a handle that
/// names nothing waitable.
uint32_t WaitForSingleObject(THandle Handle, uint32_t Timeout);

/// Waits for any (WaitAll false) or all (true) of Count objects (1 to
/// MAXIMUM_WAIT_OBJECTS). For any: WAIT_OBJECT_0 + the lowest index that is
/// signalled, and only that object is taken. For all: every object is taken
/// at once, and WAIT_OBJECT_0 is returned (WAIT_ABANDONED_0 + an index when a
/// taken mutex was abandoned). WAIT_TIMEOUT when the time ran out; WAIT_FAILED
/// with ERROR_INVALID_PARAMETER for a bad count or (waiting for all) the same
/// object twice, with ERROR_INVALID_HANDLE for a bad handle.
uint32_t WaitForMultipleObjects(uint32_t Count, const THandle* Handles, bool WaitAll,
                                uint32_t Timeout);

/// As WaitForMultipleObjects, on objects the caller keeps alive (for code
/// that holds objects rather than handles). Null entries fail with
/// ERROR_INVALID_HANDLE.
uint32_t WaitForObjects(TWaitableObject* const* Objects, uint32_t Count, bool WaitAll,
                        uint32_t Timeout);

} // namespace kxtapi
