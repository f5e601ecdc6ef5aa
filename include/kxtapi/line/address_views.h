// An address's capabilities (LINEADDRESSCAPS) and status (LINEADDRESSSTATUS)
// as indexed fields.
#pragma once

#include "kxtapi/line/block_view.h"

#include <span>
#include <string>

namespace kxtapi {

/// View over an address's LINEADDRESSCAPS block.
///
/// `GetDWORD` indexes (the device-specific pair has none): 0 LineDeviceID,
/// 1 AddressSize, 2 AddressOffset, 3 AddressSharing, 4 AddressStates,
/// 5 CallInfoStates, 6 CallerIDFlags, 7 CalledIDFlags, 8 ConnectedIDFlags,
/// 9 RedirectionIDFlags, 10 RedirectingIDFlags, 11 CallStates,
/// 12 DialToneModes, 13 BusyModes, 14 SpecialInfo, 15 DisconnectModes,
/// 16 MaxNumActiveCalls, 17 MaxNumOnHoldCalls, 18 MaxNumOnHoldPendingCalls,
/// 19 MaxNumConference, 20 MaxNumTransConf, 21 AddrCapFlags, 22 CallFeatures,
/// 23 RemoveFromConfCaps, 24 RemoveFromConfState, 25 TransferModes,
/// 26 ParkModes, 27 ForwardModes, 28 MaxForwardEntries, 29 MaxSpecificEntries,
/// 30 MinFwdNumRings, 31 MaxFwdNumRings, 32 MaxCallCompletions,
/// 33 CallCompletionConds, 34 CallCompletionModes, 35 NumCompletionMessages,
/// 36 CompletionMsgTextEntrySize, 37 CompletionMsgTextSize,
/// 38 CompletionMsgTextOffset, 39 AddressFeatures,
/// 40 PredictiveAutoTransferStates, 41 NumCallTreatments,
/// 42 CallTreatmentListSize, 43 CallTreatmentListOffset,
/// 44 DeviceClassesSize, 45 DeviceClassesOffset, 46 MaxCallDataSize,
/// 47 CallFeatures2, 48 MaxNoAnswerTimeout, 49 ConnectedModes,
/// 50 OfferingModes, 51 AvailableMediaModes.
/// `GetString` index 0 is Address.
///
/// Published read-only properties: LineDeviceID, AddressSize, AddressOffset,
/// Address, then AddressSharing to AvailableMediaModes in index order.
class TTapiAddressCaps : public TTapiBlockView {
public:
    using TTapiBlockView::TTapiBlockView;
    std::string ClassName() const override { return "TTapiAddressCaps"; }

    static constexpr int DWordCount = 52;
    static constexpr int StringCount = 1;
    static std::span<const TBlockField> Fields() noexcept;
    static std::span<const TBlockField> Strings() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
    std::span<const TBlockField> StringFields() const noexcept override { return Strings(); }
};

/// View over an address's LINEADDRESSSTATUS block.
///
/// `GetDWORD` indexes: 0 NumInUse, 1 NumActiveCalls, 2 NumOnHoldCalls,
/// 3 NumOnHoldPendCalls, 4 AddressFeatures, 5 NumRingsNoAnswer,
/// 6 ForwardNumEntries; all published read-only, in this order. No strings.
class TTapiAddressStatus : public TTapiBlockView {
public:
    using TTapiBlockView::TTapiBlockView;
    std::string ClassName() const override { return "TTapiAddressStatus"; }

    static constexpr int DWordCount = 7;
    static std::span<const TBlockField> Fields() noexcept;
    std::span<const TBlockField> DWordFields() const noexcept override { return Fields(); }
};

} // namespace kxtapi
