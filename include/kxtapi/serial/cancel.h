// Stopping a thread that waits for comm events.
#pragma once

#include <atomic>
#include <memory>

namespace kxtapi {

class TWakeFd;

/// A one-shot stop request for `WaitCommEvent`: once `Cancel` is called
/// (from any thread), a wait given this token returns at once with
/// ERROR_OPERATION_ABORTED, and so does every later wait given it.
class TCommCancel {
public:
    TCommCancel();
    ~TCommCancel();
    TCommCancel(const TCommCancel&) = delete;
    TCommCancel& operator=(const TCommCancel&) = delete;

    void Cancel() noexcept;
    bool Cancelled() const noexcept { return FCancelled.load(std::memory_order_acquire); }
    /// Descriptor that becomes readable on `Cancel`, for poll().
    int Fd() const noexcept;

private:
    std::atomic<bool> FCancelled{false};
    std::unique_ptr<TWakeFd> FWake;
};

} // namespace kxtapi
