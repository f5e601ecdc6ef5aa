// The line's device status (LINEDEVSTATUS) as indexed fields.
#pragma once

#include "kxtapi/line/block_view.h"

#include <span>
#include <string>

namespace kxtapi {

/// View over a line's LINEDEVSTATUS block; it publishes no properties.
///
/// `GetDWORD` indexes: 0 NumOpens, 1 OpenMediaModes, 2 NumActiveCalls,
/// 3 NumOnHoldCalls, 4 NumOnHoldPendCalls, 5 LineFeatures,
/// 6 NumCallCompletions, 7 RingMode, 8 SignalLevel, 9 BatteryLevel,
/// 10 RoamMode, 11 DevStatusFlags, 12 AvailableMediaModes.
/// `GetString` is always empty.
class TTapiLineStatus : public TTapiBlockView {
public:
    using TTapiBlockView::TTapiBlockView;
    std::string ClassName() const override { return "TTapiLineStatus"; }

    static constexpr int DWordCount = 13;
    static std::span<const TBlockField> Fields() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
};

} // namespace kxtapi
