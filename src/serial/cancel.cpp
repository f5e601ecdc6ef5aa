#include "kxtapi/serial/cancel.h"

#include "serial/wake_fd.h"

namespace kxtapi {

TCommCancel::TCommCancel() : FWake(std::make_unique<TWakeFd>()) {}
TCommCancel::~TCommCancel() = default;

void TCommCancel::Cancel() noexcept
{
    FCancelled.store(true, std::memory_order_release);
    FWake->Signal();
}

int TCommCancel::Fd() const noexcept { return FWake->Fd(); }

} // namespace kxtapi
