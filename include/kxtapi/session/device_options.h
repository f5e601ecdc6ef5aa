// Reply time-out and synchronous mode of a line or phone.
#pragma once

#include "kxtapi/rtl/classes.h"

#include <cstdint>
#include <string>

namespace kxtapi {

/// Options every device has. Publishes nothing itself; the line's and the
/// phone's options classes publish ReplyTimeout and SyncMode.
class TTapiDeviceOptions : public TPersistent {
public:
    std::string ClassName() const override { return "TTapiDeviceOptions"; }
    void Assign(const TPersistent* Source) override;

    /// Milliseconds a request waits for its reply; INFINITE waits without
    /// limit.
    uint32_t Get_ReplyTimeout() const noexcept { return ReplyTimeout; }
    void Set_ReplyTimeout(uint32_t Value) noexcept { ReplyTimeout = Value; }
    /// Methods wait for the reply before they return.
    bool Get_SyncMode() const noexcept { return SyncMode; }
    void Set_SyncMode(bool Value) noexcept { SyncMode = Value; }

    uint32_t ReplyTimeout = 60000;
    bool SyncMode = true;
};

} // namespace kxtapi
