// Opening the near end of a simulated cable.
#pragma once

#include <cstdint>
#include <memory>

namespace kxtapi {

class TCommDevice;
struct TSimPairState;

/// Opens a new near end of the cable; ERROR_ACCESS_DENIED while one is
/// open, ERROR_FILE_NOT_FOUND after the cable hung up.
uint32_t OpenSimulatedNear(const std::shared_ptr<TSimPairState>& Pair, std::shared_ptr<TCommDevice>& Out);

} // namespace kxtapi
