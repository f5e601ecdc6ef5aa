// A call's information (LINECALLINFO) as indexed fields.
#pragma once

#include "kxtapi/line/block_view.h"

#include <span>
#include <string>

namespace kxtapi {

/// View over a call's LINECALLINFO block.
///
/// `GetDWORD` indexes (hLine and the dial-parameter structure have none):
///  0 LineDeviceID, 1 AddressID, 2 BearerMode, 3 Rate, 4 MediaMode,
///  5 AppSpecific, 6 CallID, 7 RelatedCallID, 8 CallParamFlags, 9 CallStates,
///  10 MonitorDigitModes, 11 MonitorMediaModes, 12 Origin, 13 Reason,
///  14 CompletionID, 15 NumOwners, 16 NumMonitors, 17 CountryCode, 18 Trunk,
///  19 CallerIDFlags, 20 CallerIDSize, 21 CallerIDOffset, 22 CallerIDNameSize,
///  23 CallerIDNameOffset, 24 CalledIDFlags, 25 .. 28 the CalledID pairs,
///  29 ConnectedIDFlags, 30 .. 33 the ConnectedID pairs, 34 RedirectionIDFlags,
///  35 .. 38 the RedirectionID pairs, 39 RedirectingIDFlags, 40 .. 43 the
///  RedirectingID pairs, 44/45 AppName, 46/47 DisplayableAddress,
///  48/49 CalledParty, 50/51 Comment, 52/53 Display, 54/55 UserUserInfo,
///  56/57 HighLevelComp, 58/59 LowLevelComp, 60/61 ChargingInfo,
///  62/63 TerminalModes, 64/65 DevSpecific (size, then offset),
///  66 CallTreatment, 67/68 CallData, 69/70 SendingFlowspec,
///  71/72 ReceivingFlowspec.
/// `GetString` indexes: 0 CallerID, 1 CallerIDName, 2 CalledID,
///  3 CalledIDName, 4 ConnectedID, 5 ConnectedIDName, 6 RedirectionID,
///  7 RedirectionIDName, 8 RedirectingID, 9 RedirectingIDName, 10 AppName,
///  11 DisplayableAddress, 12 CalledParty, 13 Comment, 14 Display,
///  15 UserUserInfo, 16 HighLevelComp, 17 LowLevelComp, 18 ChargingInfo,
///  19 TerminalModes, 20 DevSpecific. Raw-byte fields read as strings too and
///  so end at their first zero byte.
///
/// Published read-only properties: the 21 strings, then the 73 numbers, each
/// in index order.
class TTapiCallInfo : public TTapiBlockView {
public:
    using TTapiBlockView::TTapiBlockView;
    std::string ClassName() const override { return "TTapiCallInfo"; }

    static constexpr int DWordCount = 73;
    static constexpr int StringCount = 21;
    static std::span<const TBlockField> Fields() noexcept;
    static std::span<const TBlockField> Strings() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
    std::span<const TBlockField> StringFields() const noexcept override { return Strings(); }

    /// The short list of call-information numbers a call object offers
    /// (its `GetCallInfoDW`): 0 AddressID, 1 BearerMode, 2 Origin, 3 Reason,
    /// 4 MediaMode, 5 CallerIDFlags, 6 CalledIDFlags, 7 ConnectedIDFlags;
    /// 0 for any other index.
    uint32_t GetCallInfoDW(int Index) const;
};

} // namespace kxtapi
