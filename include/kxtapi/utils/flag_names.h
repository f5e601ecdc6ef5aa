// Names of the bits set in a TAPI flag word, joined into one string or put
// into a string list.
//
// Each function takes the bits in its own fixed order and ignores bits it
// does not name. A join starts with the first name found and puts the
// separator before every further name, so no bit set gives the empty string
// and an empty separator runs the names together. A list function clears the
// list, then appends one line per name; given a null list it does nothing.
// Names are those of value_names.h.
#pragma once

#include "kxtapi/rtl/strings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kxtapi {

/// LINECALLSTATE_ IDLE (0x1) to DISCONNECTED (0x4000), ascending; UNKNOWN
/// (0x8000) is never listed.
void LineCallStatesToStrList(uint32_t CallStates, TStrings* List);

/// LINECALLORIGIN_ OUTBOUND 0x1, INTERNAL 0x2, EXTERNAL 0x4, UNKNOWN 0x10,
/// UNAVAIL 0x20, CONFERENCE 0x40, INBOUND 0x80, joined by one blank (0x8 is
/// no origin and gives the empty string). The text of a call's origin.
std::string LineCallOriginToStr(uint32_t Origin);

/// LINECALLPRIVILEGE_ OWNER 0x4, MONITOR 0x2, NONE 0x1, in that order,
/// joined by Separator.
std::string LineCallPrivilegesToStr(uint32_t Privileges, std::string_view Separator);

/// LINEMEDIAMODE_ INTERACTIVEVOICE 0x4 to VOICEVIEW 0x4000 ascending, then
/// UNKNOWN 0x2, then VIDEO 0x8000, joined by Separator: 0x8002 with "," gives
/// "UNKNOWN,VIDEO"; 0x16 with " " gives "INTERACTIVEVOICE DATAMODEM UNKNOWN".
/// A call's media-mode text joins with ", ".
std::string LineMediaModesToStr(uint32_t MediaModes, std::string_view Separator);

/// LINEMEDIAMODE_ UNKNOWN 0x2 first, then INTERACTIVEVOICE 0x4 to VOICEVIEW
/// 0x4000 ascending; VIDEO is never listed. With 0xFFFFFFFF: the choices of a
/// media-mode property.
void LineMediaModesToStrList(uint32_t MediaModes, TStrings* List);

/// LINEBEARERMODE_ VOICE 0x1 to PASSTHROUGH 0x40 ascending. With 255: the
/// choices of a bearer-mode property.
void LineBearerModesToStrList(uint32_t BearerModes, TStrings* List);

/// LINEBEARERMODE_ VOICE 0x1 to PASSTHROUGH 0x40 ascending, joined by one
/// blank.
std::string LineBearerModesToStr(uint32_t BearerModes);

/// LINEADDRESSMODE_ ADDRESSID 0x1, DIALABLEADDR 0x2. With 255: the choices
/// of an address-mode property.
void LineAddressModesToStrList(uint32_t AddressModes, TStrings* List);

/// LINEDISCONNECTMODE_ NORMAL 0x1 to CANCELLED 0x80000 ascending.
void LineDiscModesToStrList(uint32_t DisconnectModes, TStrings* List);

/// LINEDIGITMODE_ DTMF 0x2, DTMFEND 0x4, then PULSE 0x1. With 255: the
/// choices of a digit-mode property.
void LineDigitModesToStrList(uint32_t DigitModes, TStrings* List);

/// PHONEPRIVILEGE_ OWNER 0x2, then MONITOR 0x1, joined by Separator.
std::string PhonePrivilegesToStr(uint32_t Privileges, std::string_view Separator);

} // namespace kxtapi
