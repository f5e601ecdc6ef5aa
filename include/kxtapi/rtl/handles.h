// The process-wide handle table: 32-bit handles naming reference-counted
// objects (events, mutexes, threads, serial ports ...).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace kxtapi {

/// A handle: 0 means none. Values are never reused within a process, so a
/// stale handle never reaches another object; it fails instead.
using THandle = uint32_t;

/// The value that functions opening devices return on failure.
inline constexpr THandle INVALID_HANDLE_VALUE = 0xFFFFFFFF;

/// Base of every object the handle table can name. Other layers derive their
/// own kinds (a serial port, for instance) and register them with
/// `RegisterHandle`. An object lives while a handle or a `std::shared_ptr`
/// refers to it; `LastHandleClosed` tells it when its last handle went, so
/// that it can release what only handle holders use (a device descriptor,
/// for instance) even while a thread still holds a pointer to it.
///
/// Objects that can be waited for derive from `TWaitableObject` (sync.h);
/// waiting on a handle of any other kind fails with ERROR_INVALID_HANDLE.
class THandleObject {
public:
    THandleObject() = default;
    THandleObject(const THandleObject&) = delete;
    THandleObject& operator=(const THandleObject&) = delete;
    virtual ~THandleObject() = default;

    /// A short name of the kind ("Event", "Mutex", "Thread" ...), for
    /// diagnostics.
    virtual const char* HandleKind() const noexcept = 0;

    /// The number of open handles naming this object.
    uint32_t HandleCount() const noexcept { return FHandleCount.load(std::memory_order_acquire); }

protected:
    /// Called once the handle count drops to 0, outside any lock of the
    /// table, on the thread that closed the last handle. Must not throw.
    virtual void LastHandleClosed() noexcept {}

private:
    friend struct THandleTableAccess;
    std::atomic<uint32_t> FHandleCount{0};
};

/// Enters Object in the table and returns its new handle (never 0, never
/// INVALID_HANDLE_VALUE, never handed out before). Returns 0 with
/// ERROR_INVALID_PARAMETER for a null Object, or ERROR_NOT_ENOUGH_MEMORY
/// once the 32-bit value range is used up. Thread-safe.
THandle RegisterHandle(std::shared_ptr<THandleObject> Object);

/// The object a handle names, or null with ERROR_INVALID_HANDLE for 0, a
/// closed or a never-issued value.
std::shared_ptr<THandleObject> LookupHandle(THandle Handle);

/// Sets ERROR_INVALID_HANDLE as the last error (used by LookupHandleAs).
void SetInvalidHandleError() noexcept;

/// The object a handle names when it is of kind T; null with
/// ERROR_INVALID_HANDLE otherwise (also for an object of another kind).
template <typename T>
std::shared_ptr<T> LookupHandleAs(THandle Handle)
{
    auto Object = std::dynamic_pointer_cast<T>(LookupHandle(Handle));
    if (!Object) SetInvalidHandleError();
    return Object;
}

/// A new handle value naming the same object as Handle. Each holder closes
/// its own handle; the object lives until the last one is closed. Returns
/// 0 with ERROR_INVALID_HANDLE for a bad Handle.
THandle DuplicateHandle(THandle Handle);

/// Closes one handle: the value becomes invalid, and the object loses one
/// reference. Returns false with ERROR_INVALID_HANDLE for 0, a stale or an
/// already-closed value. A thread waiting on the object keeps it alive
/// until its wait ends.
bool CloseHandle(THandle Handle) noexcept;

/// Number of handles currently open in the process (for leak checks in
/// tests).
uint32_t OpenHandleCount() noexcept;

/// Owns one handle and closes it when destroyed or reset. Movable, not
/// copyable.
class TOwnedHandle {
public:
    TOwnedHandle() noexcept = default;
    explicit TOwnedHandle(THandle Handle) noexcept : FHandle(Handle) {}
    TOwnedHandle(TOwnedHandle&& Other) noexcept : FHandle(Other.Release()) {}
    TOwnedHandle& operator=(TOwnedHandle&& Other) noexcept
    {
        if (this != &Other) Reset(Other.Release());
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    ~TOwnedHandle() { Reset(); }

    THandle Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept
    {
        return FHandle != 0 && FHandle != INVALID_HANDLE_VALUE;
    }
    /// Gives up ownership without closing.
    THandle Release() noexcept
    {
        THandle h = FHandle;
        FHandle = 0;
        return h;
    }
    /// Closes the owned handle (if any) and takes Handle.
    void Reset(THandle Handle = 0) noexcept
    {
        if (FHandle != 0 && FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
        FHandle = Handle;
    }

private:
    THandle FHandle = 0;
};

} // namespace kxtapi
