#include "kxtapi/utils/flag_names.h"

#include "utils/line_call_names.h"
#include "utils/line_mode_names.h"
#include "utils/phone_names.h"

namespace kxtapi {

using namespace names;

void LineCallStatesToStrList(uint32_t CallStates, TStrings* List)
{
    ListNames(CallStates, LineCallStateNames, List);
}

std::string LineCallOriginToStr(uint32_t Origin)
{
    return JoinNames(Origin, LineCallOriginNames, " ");
}

std::string LineCallPrivilegesToStr(uint32_t Privileges, std::string_view Separator)
{
    return JoinNames(Privileges, LineCallPrivilegeNames, LineCallPrivilegeJoinOrder, Separator);
}

std::string LineMediaModesToStr(uint32_t MediaModes, std::string_view Separator)
{
    return JoinNames(MediaModes, LineMediaModeNames, LineMediaModeJoinOrder, Separator);
}

void LineMediaModesToStrList(uint32_t MediaModes, TStrings* List)
{
    ListNames(MediaModes, LineMediaModeNamesToVoiceView, List);
}

void LineBearerModesToStrList(uint32_t BearerModes, TStrings* List)
{
    ListNames(BearerModes, LineBearerModeNames, List);
}

std::string LineBearerModesToStr(uint32_t BearerModes)
{
    return JoinNames(BearerModes, LineBearerModeNames, " ");
}

void LineAddressModesToStrList(uint32_t AddressModes, TStrings* List)
{
    ListNames(AddressModes, LineAddressModeNames, List);
}

void LineDiscModesToStrList(uint32_t DisconnectModes, TStrings* List)
{
    ListNames(DisconnectModes, LineDisconnectModeNames, List);
}

void LineDigitModesToStrList(uint32_t DigitModes, TStrings* List)
{
    ListNames(DigitModes, LineDigitModeNames, LineDigitModeListOrder, List);
}

std::string PhonePrivilegesToStr(uint32_t Privileges, std::string_view Separator)
{
    return JoinNames(Privileges, PhonePrivilegeNames, PhonePrivilegeJoinOrder, Separator);
}

} // namespace kxtapi
