// Names back to values: whole-string, case-sensitive matches and the
// defaults of each function.

#include "expected_names.h"

using namespace kxtapi;

TEST(NameValues, EveryNameShownIsTakenBack)
{
    for (const Named& n : MediaModes) EXPECT_EQ(StrToLineMediaMode(n.Name, 0xBAD), n.Value) << n.Name;
    EXPECT_EQ(StrToLineMediaMode("VIDEO", 0xBAD), LINEMEDIAMODE_VIDEO);
    for (const Named& n : BearerModes) EXPECT_EQ(StrToLineBearerMode(n.Name), n.Value) << n.Name;
    for (const Named& n : AddressModes) EXPECT_EQ(StrToLineAddressMode(n.Name), n.Value) << n.Name;
    for (const Named& n : DigitModes) EXPECT_EQ(StrToLineDigitMode(n.Name, 0xBAD), n.Value) << n.Name;
    EXPECT_EQ(StrToLineCallPrivilege("NONE"), LINECALLPRIVILEGE_NONE);
    EXPECT_EQ(StrToLineCallPrivilege("MONITOR"), LINECALLPRIVILEGE_MONITOR);
    EXPECT_EQ(StrToLineCallPrivilege("OWNER"), LINECALLPRIVILEGE_OWNER);
}

TEST(NameValues, UnmatchedTextGivesTheDefault)
{
    for (const char* s : {"owner", "Owner", "OWNER ", " OWNER", "", "OWNER+MONITOR", "$4"})
        EXPECT_EQ(StrToLineCallPrivilege(s), LINECALLPRIVILEGE_NONE) << '"' << s << '"';

    for (const char* s : {"video", "LINEMEDIAMODE_VIDEO", "VIDEOTEXT", "$8000", "", "VOICE"})
        EXPECT_EQ(StrToLineMediaMode(s, 0x1234), 0x1234u) << '"' << s << '"';

    for (const char* s : {"voice", "RESTRICTEDDATA", "DTMF", ""})
        EXPECT_EQ(StrToLineBearerMode(s), 0u) << '"' << s << '"';

    for (const char* s : {"addressid", "DIALABLE", "ADDRESSID\n"})
        EXPECT_EQ(StrToLineAddressMode(s), 0u) << '"' << s << '"';

    for (const char* s : {"dtmf", "DTMFE", "DTMF END", "PULSES"})
        EXPECT_EQ(StrToLineDigitMode(s, 0x77), 0x77u) << '"' << s << '"';
}

TEST(NameValues, EmbeddedZeroDoesNotCutTheName)
{
    using namespace std::string_literals;
    EXPECT_EQ(StrToLineDigitMode("DTMF\0END"s, 0), 0u);
    EXPECT_EQ(StrToLineBearerMode("DATA\0"s), 0u);
}
