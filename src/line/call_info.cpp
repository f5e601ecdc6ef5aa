// Field tables of the call-information view.

#include "kxtapi/line/call_info.h"

#include "kxtapi/tapi/line_structs.h"

#include <cstddef>

namespace kxtapi {
namespace {

#define KX_INFO(Name) {#Name, offsetof(LINECALLINFO, dw##Name)}
#define KX_PARTY(Name) KX_INFO(Name##Flags), KX_INFO(Name##Size), KX_INFO(Name##Offset), \
                       KX_INFO(Name##NameSize), KX_INFO(Name##NameOffset)
#define KX_PAIR(Name) KX_INFO(Name##Size), KX_INFO(Name##Offset)

constexpr TBlockField InfoFields[] = {
    KX_INFO(LineDeviceID), KX_INFO(AddressID), KX_INFO(BearerMode), KX_INFO(Rate),
    KX_INFO(MediaMode), KX_INFO(AppSpecific), KX_INFO(CallID), KX_INFO(RelatedCallID),
    KX_INFO(CallParamFlags), KX_INFO(CallStates), KX_INFO(MonitorDigitModes),
    KX_INFO(MonitorMediaModes), KX_INFO(Origin), KX_INFO(Reason), KX_INFO(CompletionID),
    KX_INFO(NumOwners), KX_INFO(NumMonitors), KX_INFO(CountryCode), KX_INFO(Trunk),
    KX_PARTY(CallerID), KX_PARTY(CalledID), KX_PARTY(ConnectedID),
    KX_PARTY(RedirectionID), KX_PARTY(RedirectingID),
    KX_PAIR(AppName), KX_PAIR(DisplayableAddress), KX_PAIR(CalledParty), KX_PAIR(Comment),
    KX_PAIR(Display), KX_PAIR(UserUserInfo), KX_PAIR(HighLevelComp), KX_PAIR(LowLevelComp),
    KX_PAIR(ChargingInfo), KX_PAIR(TerminalModes), KX_PAIR(DevSpecific),
    KX_INFO(CallTreatment), KX_PAIR(CallData), KX_PAIR(SendingFlowspec),
    KX_PAIR(ReceivingFlowspec),
};

#define KX_STR(Name) {#Name, offsetof(LINECALLINFO, dw##Name##Size)}

constexpr TBlockField InfoStrings[] = {
    KX_STR(CallerID), KX_STR(CallerIDName), KX_STR(CalledID), KX_STR(CalledIDName),
    KX_STR(ConnectedID), KX_STR(ConnectedIDName), KX_STR(RedirectionID),
    KX_STR(RedirectionIDName), KX_STR(RedirectingID), KX_STR(RedirectingIDName),
    KX_STR(AppName), KX_STR(DisplayableAddress), KX_STR(CalledParty), KX_STR(Comment),
    KX_STR(Display), KX_STR(UserUserInfo), KX_STR(HighLevelComp), KX_STR(LowLevelComp),
    KX_STR(ChargingInfo), KX_STR(TerminalModes), KX_STR(DevSpecific),
};

#undef KX_STR
#undef KX_PAIR
#undef KX_PARTY
#undef KX_INFO

static_assert(std::size(InfoFields) == TTapiCallInfo::DWordCount);
static_assert(std::size(InfoStrings) == TTapiCallInfo::StringCount);

// The call's short list, as indexes of the view. Index 7 continues the run of
// party flags with the connected party; the list has room for eight numbers.
constexpr int CallListIndexes[] = {1, 2, 12, 13, 4, 19, 24, 29};

} // namespace

std::span<const TBlockField> TTapiCallInfo::Fields() noexcept { return InfoFields; }
std::span<const TBlockField> TTapiCallInfo::Strings() noexcept { return InfoStrings; }

uint32_t TTapiCallInfo::GetCallInfoDW(int Index) const
{
    if (Index < 0 || static_cast<size_t>(Index) >= std::size(CallListIndexes)) return 0;
    return GetDWORD(CallListIndexes[Index]);
}

} // namespace kxtapi
