#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

using namespace kxtapi;

TEST(Format, IntegersInDecimalAndUpperCaseHex)
{
    EXPECT_EQ(Format("TAPI-Error 0x%x", 0x8000004Du), "TAPI-Error 0x8000004D");
    EXPECT_EQ(Format("%X", 255), "FF");
    // A negative 32-bit value shows its 32 bits, not 64.
    EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
    EXPECT_EQ(Format("%x", int64_t{-1}), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(Format("%d %u", -5, 4294967295u), "-5 4294967295");
    EXPECT_EQ(Format("%u", -1), "4294967295");
    EXPECT_EQ(FormatLowerHex("%x", 0xABCu), "abc");
}

TEST(Format, WidthPrecisionAndPercent)
{
    EXPECT_EQ(Format("0x%8.8x", 255), "0x000000FF");
    EXPECT_EQ(Format("0x%32.32x", 1), "0x" + std::string(31, '0') + "1");
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%.3d]", 7), "[007]");
    EXPECT_EQ(Format("[%.2s]", "abc"), "[ab]");
    EXPECT_EQ(Format("[%*d]", 4, 1), "[   1]");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%1:s %0:s", "a", "b"), "b a");
    EXPECT_EQ(Format("%s not active.", std::string("Line1")), "Line1 not active.");
}

TEST(Format, MismatchAndMissingArgumentsRaise)
{
    EXPECT_THROW(Format("%d", "text"), EConvertError);
    EXPECT_THROW(Format("%s", 3), EConvertError);
    EXPECT_THROW(Format("%d %d", 3), EConvertError);
    EXPECT_THROW(Format("%"), EConvertError);
    EXPECT_THROW(Format("%q", 1), EConvertError);
    try {
        Format("%d", "x");
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
    }
}

TEST(Format, IntegerConversions)
{
    EXPECT_EQ(IntToHex(0x1F, 4), "001F");
    EXPECT_EQ(StrToInt(" -12 "), -12);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToIntDef("12a", 7), 7);
    EXPECT_EQ(StrToInt("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(StrToInt("abc"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
}
