// Names of single TAPI constants.
//
// A name is the TAPI constant's name without its family prefix:
// LINECALLSTATE_IDLE gives "IDLE". Each function names a fixed set of values;
// anything else -- including two named bits at once, or 0 -- gives that
// function's fallback, one of three hexadecimal forms with upper-case digits:
//
//   dollar-hex       "$" and the value without leading zeros   $8000, $0
//   x-hex            "x" and the value                          x1B
//   four-digit hex   the value padded to at least four digits   0010, 12345
//
// The fallbacks differ from function to function on purpose; callers and
// stored texts rely on them. Results are Windows-1252 strings.
#pragma once

#include <cstdint>
#include <string>

namespace kxtapi {

/// LINECALLSTATE_: the 15 states IDLE (0x1) to DISCONNECTED (0x4000).
/// UNKNOWN (0x8000) is not named. Fallback dollar-hex.
/// The text of a call's state.
std::string LineCallStateToStr(uint32_t CallState);

/// LINECALLINFOSTATE_: the 31 bits OTHER (0x1) to CALLDATA (0x40000000).
/// Fallback four-digit hex (0x3 gives "0003").
std::string LineCallInfoToStr(uint32_t CallInfoState);

/// LINECALLREASON_: the 16 bits DIRECT (0x1) to ROUTEREQUEST (0x8000).
/// Fallback four-digit hex.
std::string LineCallReasonToStr(uint32_t CallReason);

/// LINEADDRESSSTATE_: the 9 bits OTHER (0x1) to CAPSCHANGE (0x100).
/// Fallback four-digit hex (0x200 gives "0200").
std::string LineAddrStateToStr(uint32_t AddressState);

/// LINEMEDIAMODE_: the 14 bits UNKNOWN (0x2) to VOICEVIEW (0x4000). VIDEO
/// (0x8000) is not named here, though LineMediaModesToStr and
/// StrToLineMediaMode know it. Fallback dollar-hex.
/// The text of a media-mode property's value.
std::string LineMediaModeToStr(uint32_t MediaMode);

/// LINEBEARERMODE_: the 7 bits VOICE (0x1) to PASSTHROUGH (0x40).
/// Fallback dollar-hex. The text of a bearer-mode property's value.
std::string LineBearerModeToStr(uint32_t BearerMode);

/// LINEADDRESSMODE_: ADDRESSID (0x1), DIALABLEADDR (0x2). Fallback
/// dollar-hex. The text of an address-mode property's value.
std::string LineAddressModeToStr(uint32_t AddressMode);

/// LINEDISCONNECTMODE_: the 20 bits NORMAL (0x1) to CANCELLED (0x80000).
/// Fallback four-digit hex.
std::string LineDiscModeToStr(uint32_t DisconnectMode);

/// LINEDIGITMODE_: PULSE (0x1), DTMF (0x2), DTMFEND (0x4). Fallback
/// dollar-hex. The text of a digit-mode property's value.
std::string LineDigitModeToStr(uint32_t DigitMode);

/// PHONELAMPMODE_: the 8 bits DUMMY (0x1) to UNKNOWN (0x80). Fallback
/// dollar-hex. The text of a phone lamp's mode.
std::string PhoneLampModeToStr(uint32_t LampMode);

/// PHONEBUTTONSTATE_: UP (0x1), DOWN (0x2), UNKNOWN (0x4), UNAVAIL (0x8).
/// Fallback dollar-hex. The text of a phone button's state.
std::string PhoneButtonStateToStr(uint32_t ButtonState);

/// PHONEBUTTONMODE_: the 6 bits DUMMY (0x1) to DISPLAY (0x20). Fallback
/// dollar-hex. The text of a phone button's mode.
std::string PhoneButtonModeToStr(uint32_t ButtonMode);

/// PHONEBUTTONFUNCTION_: the 47 values UNKNOWN (0) to NONE (0x2E), a
/// numbering rather than flags. Fallback dollar-hex. The text of a phone
/// button's function.
std::string PhoneButtonFunctionToStr(uint32_t ButtonFunction);

/// TAPI message identifiers 0 to 26, with their prefix: 0 "LINE_ADDRESSSTATE",
/// 14 "PHONE_BUTTON", 26 "PHONE_REMOVE". Fallback x-hex (27 gives "x1B").
std::string MessageIDToStr(uint32_t MessageID);

/// LINEERR_: every code from ALLOCATED (0x80000001) to NOMULTIPLEINSTANCE
/// (0x80000056); 0x80000004 and 0x80000031 are no codes. Fallback dollar-hex
/// (0 gives "$0", 0x80000004 gives "$80000004").
std::string LineErrToStr(uint32_t ErrorCode);

} // namespace kxtapi
