// Pointer lists guarded by a recursive mutex, shared between the telephony
// event thread and the main thread or used re-entrantly on the main thread.
#pragma once

#include "kxtapi/rtl/classes.h"
#include "kxtapi/rtl/handles.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// A TList with a recursive mutex of its own. The list operations take no
/// lock: callers bracket their access with Acquire and Release. Owns nothing
/// unless a descendant says so.
class TProtectedList : public TList {
public:
    TProtectedList();
    ~TProtectedList() override;
    TProtectedList(const TProtectedList&) = delete;
    TProtectedList& operator=(const TProtectedList&) = delete;

    std::string ClassName() const override { return "TProtectedList"; }

    /// Waits at most Timeout ms (INFINITE: without limit) for the mutex.
    /// True only when it was obtained normally; a time-out or a failed wait
    /// give false. A mutex abandoned by a thread that ended while holding it
    /// also gives false: the wait took it, and it is released again at once,
    /// so the list does not stay locked for ever. Never raises. Each true
    /// result needs one Release from the same thread.
    bool Acquire(uint32_t Timeout) noexcept;
    /// Releases one level of the mutex held by the calling thread.
    void Release() noexcept;

    /// The mutex handle.
    THandle Get_Mutex() const noexcept { return FMutex; }

private:
    THandle FMutex = 0;
};

/// Holds a list's lock for a scope: `TListLock L(List, 50); if (!L) ...`.
class TListLock {
public:
    TListLock(TProtectedList& List, uint32_t Timeout) noexcept
        : FList(List), FLocked(List.Acquire(Timeout)) {}
    ~TListLock()
    {
        if (FLocked) FList.Release();
    }
    TListLock(const TListLock&) = delete;
    TListLock& operator=(const TListLock&) = delete;
    explicit operator bool() const noexcept { return FLocked; }
    /// Keeps the lock taken when the scope ends (for a list whose owner went
    /// away during the scope).
    void Abandon() noexcept { FLocked = false; }

private:
    TProtectedList& FList;
    bool FLocked;
};

/// A protected list of T pointers with typed `Items` accessors.
template <class T>
class TTapiTypedList : public TProtectedList {
public:
    T* Get_Items(int Index) const { return static_cast<T*>(TList::Get(Index)); }
    void Put_Items(int Index, T* Item) { TList::Put(Index, Item); }
    T* Get(int Index) const { return Get_Items(Index); }
    void Put(int Index, T* Item) { Put_Items(Index, Item); }
    T* operator[](int Index) const { return Get_Items(Index); }
};

} // namespace kxtapi
