#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/lasterror.h"

#include <mutex>
#include <unordered_map>

namespace kxtapi {

struct THandleTableAccess {
    static void AddHandle(THandleObject& Object) noexcept
    {
        Object.FHandleCount.fetch_add(1, std::memory_order_acq_rel);
    }
    // True when that was the last handle.
    static bool RemoveHandle(THandleObject& Object) noexcept
    {
        return Object.FHandleCount.fetch_sub(1, std::memory_order_acq_rel) == 1;
    }
    static void LastHandleClosed(THandleObject& Object) noexcept { Object.LastHandleClosed(); }
};

namespace {

// Values step by 4 as the platform's handles do, which leaves the low bits
// free and keeps small integers (a port number typed as text) from naming a
// live object by accident.
constexpr THandle FirstHandle = 4;
constexpr THandle HandleStep = 4;
constexpr THandle LastHandle = 0xFFFFFFFC;

struct THandleTable {
    std::mutex Lock;
    std::unordered_map<THandle, std::shared_ptr<THandleObject>> Objects;
    THandle Next = FirstHandle;
    bool Exhausted = false;
};

// Never destroyed: threads may still close handles while the process exits.
THandleTable& Table()
{
    static THandleTable* Instance = new THandleTable;
    return *Instance;
}

THandle Insert(THandleTable& T, std::shared_ptr<THandleObject> Object)
{
    if (T.Exhausted) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    THandle h = T.Next;
    if (h == LastHandle)
        T.Exhausted = true;
    else
        T.Next += HandleStep;
    THandleTableAccess::AddHandle(*Object);
    T.Objects.emplace(h, std::move(Object));
    return h;
}

} // namespace

void SetInvalidHandleError() noexcept { SetLastError(ERROR_INVALID_HANDLE); }

THandle RegisterHandle(std::shared_ptr<THandleObject> Object)
{
    if (!Object) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    return Insert(T, std::move(Object));
}

std::shared_ptr<THandleObject> LookupHandle(THandle Handle)
{
    auto& T = Table();
    {
        std::lock_guard<std::mutex> Guard(T.Lock);
        auto It = T.Objects.find(Handle);
        if (It != T.Objects.end()) return It->second;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

THandle DuplicateHandle(THandle Handle)
{
    auto& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    auto It = T.Objects.find(Handle);
    if (It == T.Objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::shared_ptr<THandleObject> Object = It->second;
    return Insert(T, std::move(Object));
}

bool CloseHandle(THandle Handle) noexcept
{
    auto& T = Table();
    std::shared_ptr<THandleObject> Object;
    {
        std::lock_guard<std::mutex> Guard(T.Lock);
        auto It = T.Objects.find(Handle);
        if (It == T.Objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        Object = std::move(It->second);
        T.Objects.erase(It);
    }
    // The hook and perhaps the destructor run outside the table's lock, so
    // they may use handles themselves.
    if (THandleTableAccess::RemoveHandle(*Object)) THandleTableAccess::LastHandleClosed(*Object);
    return true;
}

uint32_t OpenHandleCount() noexcept
{
    auto& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    return static_cast<uint32_t>(T.Objects.size());
}

} // namespace kxtapi
