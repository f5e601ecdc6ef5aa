// TProtectedList: a pointer list with a recursive operating-system mutex.

#include "kxtapi/session/protected_list.h"

#include "kxtapi/rtl/sync.h"

namespace kxtapi {

TProtectedList::TProtectedList() : FMutex(CreateMutex(false)) {}

TProtectedList::~TProtectedList()
{
    if (FMutex != 0) CloseHandle(FMutex);
}

bool TProtectedList::Acquire(uint32_t Timeout) noexcept
{
    const uint32_t r = WaitForSingleObject(FMutex, Timeout);
    if (r == WAIT_OBJECT_0) return true;
    // An abandoned mutex is owned by the caller now. The data it guarded may
    // be half-changed, so the acquisition still fails, but the lock must not
    // stay held by a caller that will never release it.
    if (r == WAIT_ABANDONED) ReleaseMutex(FMutex);
    return false;
}

void TProtectedList::Release() noexcept
{
    ReleaseMutex(FMutex);
}

} // namespace kxtapi
