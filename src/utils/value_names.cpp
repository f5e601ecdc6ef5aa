#include "kxtapi/utils/value_names.h"

#include "utils/line_call_names.h"
#include "utils/line_mode_names.h"
#include "utils/message_names.h"
#include "utils/phone_names.h"

namespace kxtapi {

using namespace names;

std::string LineCallStateToStr(uint32_t CallState)
{
    return NameOr(LineCallStateNames, CallState, DollarHex);
}

std::string LineCallInfoToStr(uint32_t CallInfoState)
{
    return NameOr(LineCallInfoStateNames, CallInfoState, FourDigitHex);
}

std::string LineCallReasonToStr(uint32_t CallReason)
{
    return NameOr(LineCallReasonNames, CallReason, FourDigitHex);
}

std::string LineAddrStateToStr(uint32_t AddressState)
{
    return NameOr(LineAddressStateNames, AddressState, FourDigitHex);
}

std::string LineMediaModeToStr(uint32_t MediaMode)
{
    return NameOr(LineMediaModeNamesToVoiceView, MediaMode, DollarHex);
}

std::string LineBearerModeToStr(uint32_t BearerMode)
{
    return NameOr(LineBearerModeNames, BearerMode, DollarHex);
}

std::string LineAddressModeToStr(uint32_t AddressMode)
{
    return NameOr(LineAddressModeNames, AddressMode, DollarHex);
}

std::string LineDiscModeToStr(uint32_t DisconnectMode)
{
    return NameOr(LineDisconnectModeNames, DisconnectMode, FourDigitHex);
}

std::string LineDigitModeToStr(uint32_t DigitMode)
{
    return NameOr(LineDigitModeNames, DigitMode, DollarHex);
}

std::string PhoneLampModeToStr(uint32_t LampMode)
{
    return NameOr(PhoneLampModeNames, LampMode, DollarHex);
}

std::string PhoneButtonStateToStr(uint32_t ButtonState)
{
    return NameOr(PhoneButtonStateNames, ButtonState, DollarHex);
}

std::string PhoneButtonModeToStr(uint32_t ButtonMode)
{
    return NameOr(PhoneButtonModeNames, ButtonMode, DollarHex);
}

std::string PhoneButtonFunctionToStr(uint32_t ButtonFunction)
{
    return NameOr(PhoneButtonFunctionNames, ButtonFunction, DollarHex);
}

std::string MessageIDToStr(uint32_t MessageID)
{
    return NameOr(MessageIDNames, MessageID, XHex);
}

std::string LineErrToStr(uint32_t ErrorCode)
{
    return NameOr(LineErrNames, ErrorCode, DollarHex);
}

} // namespace kxtapi
