// What the SIP provider's objects share: the libre thread and the service
// host.
#pragma once

#include "service/provider.h"
#include "service/providers/sip/ua/sip_engine.h"

#include <atomic>
#include <cstdint>

namespace kxtapi::service::sip {

struct TSipContext {
    TSipEngine Engine;
    /// The service; null while the provider is not started. Service lock.
    TProviderHost* Host = nullptr;
    /// Identifiers of calls (LINECALLINFO's dwCallID), from either thread.
    std::atomic<uint32_t> NextCallID{1};
};

}  // namespace kxtapi::service::sip
