// Opening real serial devices and pseudo-terminals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kxtapi {

class TCommDevice;

/// Opens the terminal device at Path for exclusive use (exclusive mode and
/// an advisory lock; a device held elsewhere gives ERROR_ACCESS_DENIED) and
/// puts it into raw mode with its current speed and framing. Returns 0 or
/// the last-error code; a file that is not a terminal gives
/// ERROR_NOT_SUPPORTED.
uint32_t OpenTermiosDevice(const std::string& Path, std::shared_ptr<TCommDevice>& Out);

/// The EV_ line events between two modem-status words (MS_ bits).
uint32_t LineEvents(uint32_t Before, uint32_t After) noexcept;

} // namespace kxtapi
