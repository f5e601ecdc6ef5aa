// The modem provider: the configured modems as line devices.
#pragma once

#include "service/provider.h"
#include "service/providers/modem/modem_line.h"

#include <memory>

namespace kxtapi::service::modem {

/// A provider (named "modem") for Devices, not started.
std::shared_ptr<TProvider> MakeModemProvider(std::vector<kxtapi::modem::TModemConfig> Devices);

/// The line of the modem with that index among the modems of every running
/// modem provider (in the order they started); null when there is none.
/// Requires the service lock (tests and diagnostics read its state).
std::shared_ptr<TModemLine> RunningModemLine(size_t Index);

}  // namespace kxtapi::service::modem
