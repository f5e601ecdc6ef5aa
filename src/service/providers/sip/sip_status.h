// What SIP responses and transport failures mean to a TAPI call.
#pragma once

#include <cstdint>

namespace kxtapi::service::sip {

/// The LINEDISCONNECTMODE_ of a call that failed with a final SIP response
/// (300-699).
uint32_t DisconnectModeOfStatus(uint16_t Status);

/// The LINEDISCONNECTMODE_ of a call that failed without a response: errno
/// of the transaction (ETIMEDOUT, ECONNREFUSED ...).
uint32_t DisconnectModeOfError(int Error);

}  // namespace kxtapi::service::sip
