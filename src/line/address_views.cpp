// Field tables of the address views.

#include "kxtapi/line/address_views.h"

#include "kxtapi/tapi/line_structs.h"

#include <cstddef>

namespace kxtapi {
namespace {

#define KX_ACAPS(Name) {#Name, offsetof(LINEADDRESSCAPS, dw##Name)}

constexpr TBlockField AddressCapsFields[] = {
    KX_ACAPS(LineDeviceID), KX_ACAPS(AddressSize), KX_ACAPS(AddressOffset),
    KX_ACAPS(AddressSharing), KX_ACAPS(AddressStates), KX_ACAPS(CallInfoStates),
    KX_ACAPS(CallerIDFlags), KX_ACAPS(CalledIDFlags), KX_ACAPS(ConnectedIDFlags),
    KX_ACAPS(RedirectionIDFlags), KX_ACAPS(RedirectingIDFlags), KX_ACAPS(CallStates),
    KX_ACAPS(DialToneModes), KX_ACAPS(BusyModes), KX_ACAPS(SpecialInfo),
    KX_ACAPS(DisconnectModes), KX_ACAPS(MaxNumActiveCalls), KX_ACAPS(MaxNumOnHoldCalls),
    KX_ACAPS(MaxNumOnHoldPendingCalls), KX_ACAPS(MaxNumConference), KX_ACAPS(MaxNumTransConf),
    KX_ACAPS(AddrCapFlags), KX_ACAPS(CallFeatures), KX_ACAPS(RemoveFromConfCaps),
    KX_ACAPS(RemoveFromConfState), KX_ACAPS(TransferModes), KX_ACAPS(ParkModes),
    KX_ACAPS(ForwardModes), KX_ACAPS(MaxForwardEntries), KX_ACAPS(MaxSpecificEntries),
    KX_ACAPS(MinFwdNumRings), KX_ACAPS(MaxFwdNumRings), KX_ACAPS(MaxCallCompletions),
    KX_ACAPS(CallCompletionConds), KX_ACAPS(CallCompletionModes), KX_ACAPS(NumCompletionMessages),
    KX_ACAPS(CompletionMsgTextEntrySize), KX_ACAPS(CompletionMsgTextSize),
    KX_ACAPS(CompletionMsgTextOffset), KX_ACAPS(AddressFeatures),
    KX_ACAPS(PredictiveAutoTransferStates), KX_ACAPS(NumCallTreatments),
    KX_ACAPS(CallTreatmentListSize), KX_ACAPS(CallTreatmentListOffset),
    KX_ACAPS(DeviceClassesSize), KX_ACAPS(DeviceClassesOffset), KX_ACAPS(MaxCallDataSize),
    KX_ACAPS(CallFeatures2), KX_ACAPS(MaxNoAnswerTimeout), KX_ACAPS(ConnectedModes),
    KX_ACAPS(OfferingModes), KX_ACAPS(AvailableMediaModes),
};

constexpr TBlockField AddressCapsStrings[] = {
    {"Address", offsetof(LINEADDRESSCAPS, dwAddressSize)},
};

#undef KX_ACAPS

#define KX_ASTATUS(Name) {#Name, offsetof(LINEADDRESSSTATUS, dw##Name)}

constexpr TBlockField AddressStatusFields[] = {
    KX_ASTATUS(NumInUse), KX_ASTATUS(NumActiveCalls), KX_ASTATUS(NumOnHoldCalls),
    KX_ASTATUS(NumOnHoldPendCalls), KX_ASTATUS(AddressFeatures), KX_ASTATUS(NumRingsNoAnswer),
    KX_ASTATUS(ForwardNumEntries),
};

#undef KX_ASTATUS

static_assert(std::size(AddressCapsFields) == TTapiAddressCaps::DWordCount);
static_assert(std::size(AddressCapsStrings) == TTapiAddressCaps::StringCount);
static_assert(std::size(AddressStatusFields) == TTapiAddressStatus::DWordCount);

} // namespace

std::span<const TBlockField> TTapiAddressCaps::Fields() noexcept { return AddressCapsFields; }
std::span<const TBlockField> TTapiAddressCaps::Strings() noexcept { return AddressCapsStrings; }
std::span<const TBlockField> TTapiAddressStatus::Fields() noexcept { return AddressStatusFields; }

} // namespace kxtapi
