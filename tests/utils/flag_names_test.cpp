// Joined and listed names of flag words: orders, separators, ignored bits,
// list clearing.

#include "expected_names.h"

using namespace kxtapi;

namespace {

using ListFn = void (*)(uint32_t, TStrings*);
using Lines = std::vector<std::string>;

Lines Listed(ListFn Fn, uint32_t Bits)
{
    TStringList list{"stale", "entries"};
    Fn(Bits, &list);
    return list.ToVector();
}

/// Every single bit lists exactly its name, or nothing when not named.
void ExpectSingleBitsListed(ListFn Fn, const NameList& Names)
{
    for (int b = 0; b < 32; ++b) {
        uint32_t v = 1u << b;
        const Named* n = Lookup(Names, v);
        EXPECT_EQ(Listed(Fn, v), n ? Lines{n->Name} : Lines{}) << "bit " << b;
    }
}

} // namespace

TEST(FlagLists, EveryListTakesItsOrderAndClearsFirst)
{
    EXPECT_EQ(Listed(LineCallStatesToStrList, 0xFFFFFFFF), NamesOf(CallStates));
    EXPECT_EQ(Listed(LineMediaModesToStrList, 0xFFFFFFFF), NamesOf(MediaModes));
    EXPECT_EQ(Listed(LineBearerModesToStrList, 255), NamesOf(BearerModes));
    EXPECT_EQ(Listed(LineAddressModesToStrList, 255), NamesOf(AddressModes));
    EXPECT_EQ(Listed(LineDiscModesToStrList, 0xFFFFFFFF), NamesOf(DisconnectModes));
    EXPECT_EQ(Listed(LineDigitModesToStrList, 0x7), (Lines{"DTMF", "DTMFEND", "PULSE"}));

    EXPECT_EQ(Listed(LineCallStatesToStrList, 0), Lines{});
    EXPECT_EQ(Listed(LineCallStatesToStrList, LINECALLSTATE_UNKNOWN), Lines{});
    EXPECT_EQ(Listed(LineMediaModesToStrList, LINEMEDIAMODE_VIDEO | 0x1), Lines{});
    EXPECT_EQ(Listed(LineCallStatesToStrList, 0x4101), (Lines{"IDLE", "CONNECTED", "DISCONNECTED"}));
}

TEST(FlagLists, SingleBitsListTheirNamesAndNothingElse)
{
    ExpectSingleBitsListed(LineCallStatesToStrList, CallStates);
    ExpectSingleBitsListed(LineMediaModesToStrList, MediaModes);
    ExpectSingleBitsListed(LineBearerModesToStrList, BearerModes);
    ExpectSingleBitsListed(LineAddressModesToStrList, AddressModes);
    ExpectSingleBitsListed(LineDiscModesToStrList, DisconnectModes);
    ExpectSingleBitsListed(LineDigitModesToStrList, DigitModes);
}

TEST(FlagLists, NullListIsLeftAlone)
{
    for (ListFn fn : {LineCallStatesToStrList, LineMediaModesToStrList, LineBearerModesToStrList,
                      LineAddressModesToStrList, LineDiscModesToStrList, LineDigitModesToStrList})
        fn(0xFFFFFFFF, nullptr);
}

TEST(FlagJoins, MediaModesPutUnknownAndVideoLast)
{
    EXPECT_EQ(LineMediaModesToStr(0x8002, ","), "UNKNOWN,VIDEO");
    EXPECT_EQ(LineMediaModesToStr(0x16, " "), "INTERACTIVEVOICE DATAMODEM UNKNOWN");
    EXPECT_EQ(LineMediaModesToStr(0xFFFFFFFF, ", "),
              "INTERACTIVEVOICE, AUTOMATEDVOICE, DATAMODEM, G3FAX, TDD, G4FAX, DIGITALDATA, "
              "TELETEX, VIDEOTEX, TELEX, MIXED, ADSI, VOICEVIEW, UNKNOWN, VIDEO");
    EXPECT_EQ(LineMediaModesToStr(LINEMEDIAMODE_VIDEO, ","), "VIDEO");
    EXPECT_EQ(LineMediaModesToStr(0x1, ","), "");
    EXPECT_EQ(LineMediaModesToStr(0x14, ""), "INTERACTIVEVOICEDATAMODEM");
}

TEST(FlagJoins, PrivilegesStrongestFirst)
{
    EXPECT_EQ(LineCallPrivilegesToStr(0x7, "+"), "OWNER+MONITOR+NONE");
    EXPECT_EQ(LineCallPrivilegesToStr(0x6, ", "), "OWNER, MONITOR");
    EXPECT_EQ(LineCallPrivilegesToStr(0x5, ""), "OWNERNONE");
    EXPECT_EQ(LineCallPrivilegesToStr(0x1, "+"), "NONE");
    EXPECT_EQ(LineCallPrivilegesToStr(0xFFFFFFF8, "+"), "");

    EXPECT_EQ(PhonePrivilegesToStr(0x3, " / "), "OWNER / MONITOR");
    EXPECT_EQ(PhonePrivilegesToStr(0x1, "/"), "MONITOR");
    EXPECT_EQ(PhonePrivilegesToStr(0xFFFFFFFC, "/"), "");
}

TEST(FlagJoins, OriginAndBearerJoinWithOneBlank)
{
    EXPECT_EQ(LineCallOriginToStr(0xFF),
              "OUTBOUND INTERNAL EXTERNAL UNKNOWN UNAVAIL CONFERENCE INBOUND");
    EXPECT_EQ(LineCallOriginToStr(0x8), "");
    EXPECT_EQ(LineCallOriginToStr(0x81), "OUTBOUND INBOUND");
    EXPECT_EQ(LineCallOriginToStr(0), "");

    EXPECT_EQ(LineBearerModesToStr(0xFF),
              "VOICE SPEECH MULTIUSE DATA ALTSPEECHDATA NONCALLSIGNALING PASSTHROUGH");
    EXPECT_EQ(LineBearerModesToStr(0x88), "DATA");
    EXPECT_EQ(LineBearerModesToStr(0x80), "");
}
