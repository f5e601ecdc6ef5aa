// The line's device capabilities (LINEDEVCAPS) as indexed fields and text.
#pragma once

#include "kxtapi/line/block_view.h"

#include <span>
#include <string>

namespace kxtapi {

/// View over a line's LINEDEVCAPS block.
///
/// `GetDWORD` indexes (the three dial-parameter structures have none):
///  0 ProviderInfoSize, 1 ProviderInfoOffset, 2 SwitchInfoSize,
///  3 SwitchInfoOffset, 4 LineNameSize, 5 LineNameOffset, 6 PermanentLineID,
///  7 StringFormat, 8 AddressModes, 9 NumAddresses, 10 BearerModes,
///  11 MaxRate, 12 MediaModes, 13 GenerateToneModes, 14 GenerateToneMaxNumFreq,
///  15 GenerateDigitModes, 16 MonitorToneMaxNumFreq, 17 MonitorToneMaxNumEntries,
///  18 MonitorDigitModes, 19 GatherDigitsMinTimeout, 20 GatherDigitsMaxTimeout,
///  21 MedCtlDigitMaxListSize, 22 MedCtlMediaMaxListSize, 23 MedCtlToneMaxListSize,
///  24 MedCtlCallStateMaxListSize, 25 DevCapFlags, 26 MaxNumActiveCalls,
///  27 AnswerMode, 28 RingModes, 29 LineStates, 30 UUIAcceptSize,
///  31 UUIAnswerSize, 32 UUIMakeCallSize, 33 UUIDropSize,
///  34 UUISendUserUserInfoSize, 35 UUICallInfoSize, 36 NumTerminals,
///  37 TerminalCapsSize, 38 TerminalCapsOffset, 39 TerminalTextEntrySize,
///  40 TerminalTextSize, 41 TerminalTextOffset, 42 DevSpecificSize,
///  43 DevSpecificOffset, 44 LineFeatures, 45 SettableDevStatus,
///  46 DeviceClassesSize, 47 DeviceClassesOffset.
/// `GetString` indexes: 0 ProviderInfo, 1 SwitchInfo, 2 LineName.
///
/// Published read-only properties, in this order: ProviderInfoSize,
/// ProviderInfoOffset, ProviderInfo, SwitchInfoSize, SwitchInfoOffset,
/// SwitchInfo, LineNameSize, LineNameOffset, LineName, then PermanentLineID
/// to DeviceClassesOffset in index order.
class TTapiLineCaps : public TTapiBlockView {
public:
    using TTapiBlockView::TTapiBlockView;
    std::string ClassName() const override { return "TTapiLineCaps"; }

    static constexpr int DWordCount = 48;
    static constexpr int StringCount = 3;
    static std::span<const TBlockField> Fields() noexcept;
    static std::span<const TBlockField> Strings() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
    std::span<const TBlockField> StringFields() const noexcept override { return Strings(); }

    /// The capabilities as text, 46 lines joined by CR LF: "DeviceCaps of
    /// <LineName>", "  ProviderInfo = <text>", "  SwitchInfo = <text>",
    /// "  LineName = <text>", then "  <Name> = x<value>" for the indexes 6
    /// to 47, the value in lower-case hexadecimal without leading zeros.
    std::string TextDump() const;
};

} // namespace kxtapi
