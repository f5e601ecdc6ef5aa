// Field table of the device-status view.

#include "kxtapi/line/line_status.h"

#include "kxtapi/tapi/line_structs.h"

#include <cstddef>

namespace kxtapi {
namespace {

#define KX_STATUS(Name) {#Name, offsetof(LINEDEVSTATUS, dw##Name)}

constexpr TBlockField StatusFields[] = {
    KX_STATUS(NumOpens), KX_STATUS(OpenMediaModes), KX_STATUS(NumActiveCalls),
    KX_STATUS(NumOnHoldCalls), KX_STATUS(NumOnHoldPendCalls), KX_STATUS(LineFeatures),
    KX_STATUS(NumCallCompletions), KX_STATUS(RingMode), KX_STATUS(SignalLevel),
    KX_STATUS(BatteryLevel), KX_STATUS(RoamMode), KX_STATUS(DevStatusFlags),
    KX_STATUS(AvailableMediaModes),
};

#undef KX_STATUS

static_assert(std::size(StatusFields) == TTapiLineStatus::DWordCount);

} // namespace

std::span<const TBlockField> TTapiLineStatus::Fields() noexcept { return StatusFields; }

} // namespace kxtapi
