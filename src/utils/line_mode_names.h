// Names of the LINE mode and address constants: address states, media,
// bearer, address, disconnect and digit modes.
#pragma once

#include "utils/name_table.h"

#include "kxtapi/tapi/line_constants.h"

namespace kxtapi::names {

inline constexpr TNamedValue LineAddressStateNames[] = {
    {LINEADDRESSSTATE_OTHER, "OTHER"},
    {LINEADDRESSSTATE_DEVSPECIFIC, "DEVSPECIFIC"},
    {LINEADDRESSSTATE_INUSEZERO, "INUSEZERO"},
    {LINEADDRESSSTATE_INUSEONE, "INUSEONE"},
    {LINEADDRESSSTATE_INUSEMANY, "INUSEMANY"},
    {LINEADDRESSSTATE_NUMCALLS, "NUMCALLS"},
    {LINEADDRESSSTATE_FORWARD, "FORWARD"},
    {LINEADDRESSSTATE_TERMINALS, "TERMINALS"},
    {LINEADDRESSSTATE_CAPSCHANGE, "CAPSCHANGE"},
};
static_assert(IsBitTable(LineAddressStateNames) && std::size(LineAddressStateNames) == 9);

// VIDEO came later than the others: the single-value text and the list stop
// at VOICEVIEW, while the joined text and the name look-up know VIDEO.
inline constexpr TNamedValue LineMediaModeNames[] = {
    {LINEMEDIAMODE_UNKNOWN, "UNKNOWN"},
    {LINEMEDIAMODE_INTERACTIVEVOICE, "INTERACTIVEVOICE"},
    {LINEMEDIAMODE_AUTOMATEDVOICE, "AUTOMATEDVOICE"},
    {LINEMEDIAMODE_DATAMODEM, "DATAMODEM"},
    {LINEMEDIAMODE_G3FAX, "G3FAX"},
    {LINEMEDIAMODE_TDD, "TDD"},
    {LINEMEDIAMODE_G4FAX, "G4FAX"},
    {LINEMEDIAMODE_DIGITALDATA, "DIGITALDATA"},
    {LINEMEDIAMODE_TELETEX, "TELETEX"},
    {LINEMEDIAMODE_VIDEOTEX, "VIDEOTEX"},
    {LINEMEDIAMODE_TELEX, "TELEX"},
    {LINEMEDIAMODE_MIXED, "MIXED"},
    {LINEMEDIAMODE_ADSI, "ADSI"},
    {LINEMEDIAMODE_VOICEVIEW, "VOICEVIEW"},
    {LINEMEDIAMODE_VIDEO, "VIDEO"},
};
static_assert(IsBitTable(LineMediaModeNames) && std::size(LineMediaModeNames) == 15);

/// The media modes without VIDEO.
inline constexpr TNameTable LineMediaModeNamesToVoiceView =
    UpTo(LineMediaModeNames, LINEMEDIAMODE_VOICEVIEW);
static_assert(LineMediaModeNamesToVoiceView.size() == 14);

// The joined text puts the real media first, then UNKNOWN, then VIDEO.
inline constexpr uint32_t LineMediaModeJoinOrder[] = {
    LINEMEDIAMODE_INTERACTIVEVOICE, LINEMEDIAMODE_AUTOMATEDVOICE, LINEMEDIAMODE_DATAMODEM,
    LINEMEDIAMODE_G3FAX,            LINEMEDIAMODE_TDD,            LINEMEDIAMODE_G4FAX,
    LINEMEDIAMODE_DIGITALDATA,      LINEMEDIAMODE_TELETEX,        LINEMEDIAMODE_VIDEOTEX,
    LINEMEDIAMODE_TELEX,            LINEMEDIAMODE_MIXED,          LINEMEDIAMODE_ADSI,
    LINEMEDIAMODE_VOICEVIEW,        LINEMEDIAMODE_UNKNOWN,        LINEMEDIAMODE_VIDEO,
};
static_assert(IsOrderOf(LineMediaModeJoinOrder, LineMediaModeNames) &&
              std::size(LineMediaModeJoinOrder) == std::size(LineMediaModeNames));

// Restricted data (0x80) is not named.
inline constexpr TNamedValue LineBearerModeNames[] = {
    {LINEBEARERMODE_VOICE, "VOICE"},
    {LINEBEARERMODE_SPEECH, "SPEECH"},
    {LINEBEARERMODE_MULTIUSE, "MULTIUSE"},
    {LINEBEARERMODE_DATA, "DATA"},
    {LINEBEARERMODE_ALTSPEECHDATA, "ALTSPEECHDATA"},
    {LINEBEARERMODE_NONCALLSIGNALING, "NONCALLSIGNALING"},
    {LINEBEARERMODE_PASSTHROUGH, "PASSTHROUGH"},
};
static_assert(IsBitTable(LineBearerModeNames) && std::size(LineBearerModeNames) == 7);

inline constexpr TNamedValue LineAddressModeNames[] = {
    {LINEADDRESSMODE_ADDRESSID, "ADDRESSID"},
    {LINEADDRESSMODE_DIALABLEADDR, "DIALABLEADDR"},
};
static_assert(IsBitTable(LineAddressModeNames));

inline constexpr TNamedValue LineDisconnectModeNames[] = {
    {LINEDISCONNECTMODE_NORMAL, "NORMAL"},
    {LINEDISCONNECTMODE_UNKNOWN, "UNKNOWN"},
    {LINEDISCONNECTMODE_REJECT, "REJECT"},
    {LINEDISCONNECTMODE_PICKUP, "PICKUP"},
    {LINEDISCONNECTMODE_FORWARDED, "FORWARDED"},
    {LINEDISCONNECTMODE_BUSY, "BUSY"},
    {LINEDISCONNECTMODE_NOANSWER, "NOANSWER"},
    {LINEDISCONNECTMODE_BADADDRESS, "BADADDRESS"},
    {LINEDISCONNECTMODE_UNREACHABLE, "UNREACHABLE"},
    {LINEDISCONNECTMODE_CONGESTION, "CONGESTION"},
    {LINEDISCONNECTMODE_INCOMPATIBLE, "INCOMPATIBLE"},
    {LINEDISCONNECTMODE_UNAVAIL, "UNAVAIL"},
    {LINEDISCONNECTMODE_NODIALTONE, "NODIALTONE"},
    {LINEDISCONNECTMODE_NUMBERCHANGED, "NUMBERCHANGED"},
    {LINEDISCONNECTMODE_OUTOFORDER, "OUTOFORDER"},
    {LINEDISCONNECTMODE_TEMPFAILURE, "TEMPFAILURE"},
    {LINEDISCONNECTMODE_QOSUNAVAIL, "QOSUNAVAIL"},
    {LINEDISCONNECTMODE_BLOCKED, "BLOCKED"},
    {LINEDISCONNECTMODE_DONOTDISTURB, "DONOTDISTURB"},
    {LINEDISCONNECTMODE_CANCELLED, "CANCELLED"},
};
static_assert(IsBitTable(LineDisconnectModeNames) && std::size(LineDisconnectModeNames) == 20);

inline constexpr TNamedValue LineDigitModeNames[] = {
    {LINEDIGITMODE_PULSE, "PULSE"},
    {LINEDIGITMODE_DTMF, "DTMF"},
    {LINEDIGITMODE_DTMFEND, "DTMFEND"},
};
static_assert(IsBitTable(LineDigitModeNames));

// Tone dialling first, pulse last.
inline constexpr uint32_t LineDigitModeListOrder[] = {
    LINEDIGITMODE_DTMF, LINEDIGITMODE_DTMFEND, LINEDIGITMODE_PULSE};
static_assert(IsOrderOf(LineDigitModeListOrder, LineDigitModeNames));

} // namespace kxtapi::names
