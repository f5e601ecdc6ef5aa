// Expected names for the constant-text tests, tied to the TAPI constants by
// the preprocessor: N(LINECALLSTATE_, IDLE) is {LINECALLSTATE_IDLE, "IDLE"},
// so an expected name cannot be misspelt without the build failing. The
// fallback forms are written here with snprintf, not with the library's
// formatting.
#pragma once

#include <kxtapi/kxtapiutils.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct Named {
    uint32_t Value;
    std::string Name;
};
using NameList = std::vector<Named>;

#define N(PREFIX, NAME) Named{PREFIX##NAME, #NAME}

inline std::string Hex(const char* Fmt, uint32_t V)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, Fmt, V);
    return buf;
}
inline std::string DollarHex(uint32_t V) { return Hex("$%X", V); }
inline std::string XHex(uint32_t V) { return Hex("x%X", V); }
inline std::string FourDigitHex(uint32_t V) { return Hex("%04X", V); }
inline std::string NoText(uint32_t) { return ""; }

using TextFn = std::function<std::string(uint32_t)>;

inline const Named* Lookup(const NameList& Names, uint32_t V)
{
    for (const Named& n : Names)
        if (n.Value == V) return &n;
    return nullptr;
}

inline std::string ExpectedText(const NameList& Names, uint32_t V, const TextFn& Fallback)
{
    const Named* n = Lookup(Names, V);
    return n ? n->Name : Fallback(V);
}

/// Every single bit 0..31 gives its name or the fallback; 0 and two named
/// bits together give the fallback.
inline void ExpectBitFamily(const TextFn& Fn, const NameList& Names, const TextFn& Fallback)
{
    for (int b = 0; b < 32; ++b) {
        uint32_t v = 1u << b;
        EXPECT_EQ(Fn(v), ExpectedText(Names, v, Fallback)) << "bit " << b;
    }
    EXPECT_EQ(Fn(0), Fallback(0));
    uint32_t two = Names.front().Value | Names.back().Value;
    EXPECT_EQ(Fn(two), Fallback(two));
}

/// Every value from First to Last gives its name or the fallback.
inline void ExpectValueRange(const TextFn& Fn, const NameList& Names, const TextFn& Fallback,
                             uint32_t First, uint32_t Last)
{
    for (uint32_t v = First;; ++v) {
        EXPECT_EQ(Fn(v), ExpectedText(Names, v, Fallback)) << std::hex << "value 0x" << v;
        if (v == Last) break;
    }
}

inline std::vector<std::string> NamesOf(const NameList& Names)
{
    std::vector<std::string> out;
    for (const Named& n : Names) out.push_back(n.Name);
    return out;
}

// ---- the families, in the order their names are taken --------------------

inline const NameList CallStates = {
    N(LINECALLSTATE_, IDLE), N(LINECALLSTATE_, OFFERING), N(LINECALLSTATE_, ACCEPTED),
    N(LINECALLSTATE_, DIALTONE), N(LINECALLSTATE_, DIALING), N(LINECALLSTATE_, RINGBACK),
    N(LINECALLSTATE_, BUSY), N(LINECALLSTATE_, SPECIALINFO), N(LINECALLSTATE_, CONNECTED),
    N(LINECALLSTATE_, PROCEEDING), N(LINECALLSTATE_, ONHOLD), N(LINECALLSTATE_, CONFERENCED),
    N(LINECALLSTATE_, ONHOLDPENDCONF), N(LINECALLSTATE_, ONHOLDPENDTRANSFER),
    N(LINECALLSTATE_, DISCONNECTED)};

inline const NameList MediaModes = {   // without VIDEO
    N(LINEMEDIAMODE_, UNKNOWN), N(LINEMEDIAMODE_, INTERACTIVEVOICE),
    N(LINEMEDIAMODE_, AUTOMATEDVOICE), N(LINEMEDIAMODE_, DATAMODEM), N(LINEMEDIAMODE_, G3FAX),
    N(LINEMEDIAMODE_, TDD), N(LINEMEDIAMODE_, G4FAX), N(LINEMEDIAMODE_, DIGITALDATA),
    N(LINEMEDIAMODE_, TELETEX), N(LINEMEDIAMODE_, VIDEOTEX), N(LINEMEDIAMODE_, TELEX),
    N(LINEMEDIAMODE_, MIXED), N(LINEMEDIAMODE_, ADSI), N(LINEMEDIAMODE_, VOICEVIEW)};

inline const NameList BearerModes = {
    N(LINEBEARERMODE_, VOICE), N(LINEBEARERMODE_, SPEECH), N(LINEBEARERMODE_, MULTIUSE),
    N(LINEBEARERMODE_, DATA), N(LINEBEARERMODE_, ALTSPEECHDATA),
    N(LINEBEARERMODE_, NONCALLSIGNALING), N(LINEBEARERMODE_, PASSTHROUGH)};

inline const NameList AddressModes = {N(LINEADDRESSMODE_, ADDRESSID),
                                      N(LINEADDRESSMODE_, DIALABLEADDR)};

inline const NameList DisconnectModes = {
    N(LINEDISCONNECTMODE_, NORMAL), N(LINEDISCONNECTMODE_, UNKNOWN),
    N(LINEDISCONNECTMODE_, REJECT), N(LINEDISCONNECTMODE_, PICKUP),
    N(LINEDISCONNECTMODE_, FORWARDED), N(LINEDISCONNECTMODE_, BUSY),
    N(LINEDISCONNECTMODE_, NOANSWER), N(LINEDISCONNECTMODE_, BADADDRESS),
    N(LINEDISCONNECTMODE_, UNREACHABLE), N(LINEDISCONNECTMODE_, CONGESTION),
    N(LINEDISCONNECTMODE_, INCOMPATIBLE), N(LINEDISCONNECTMODE_, UNAVAIL),
    N(LINEDISCONNECTMODE_, NODIALTONE), N(LINEDISCONNECTMODE_, NUMBERCHANGED),
    N(LINEDISCONNECTMODE_, OUTOFORDER), N(LINEDISCONNECTMODE_, TEMPFAILURE),
    N(LINEDISCONNECTMODE_, QOSUNAVAIL), N(LINEDISCONNECTMODE_, BLOCKED),
    N(LINEDISCONNECTMODE_, DONOTDISTURB), N(LINEDISCONNECTMODE_, CANCELLED)};

inline const NameList DigitModes = {N(LINEDIGITMODE_, PULSE), N(LINEDIGITMODE_, DTMF),
                                    N(LINEDIGITMODE_, DTMFEND)};
