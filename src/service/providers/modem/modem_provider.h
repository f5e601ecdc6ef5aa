// The modem provider: the configured modems as line devices.
#pragma once

#include "service/provider.h"
#include "service/providers/modem/modem_line.h"

#include <memory>

namespace kxtapi::service::modem {

/// The line of the modem with that index among those set last, while the
/// provider runs; null otherwise. Requires the service lock (tests and
/// diagnostics read its state).
std::shared_ptr<TModemLine> RunningModemLine(size_t Index);

}  // namespace kxtapi::service::modem
