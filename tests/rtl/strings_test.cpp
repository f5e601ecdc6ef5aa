#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

using namespace kxtapi;

TEST(Cp1252, EveryByteSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");                    // euro sign
    EXPECT_EQ(Cp1252ToUtf8("Verbindung hergestellt \xFC"), "Verbindung hergestellt \xC3\xBC");
    EXPECT_EQ(Utf8ToCp1252("\xC3\xA4\xC3\xB6\xC3\x9F"), "\xE4\xF6\xDF");  // ä ö ß
}

TEST(Cp1252, UnmappableAndMalformedUtf8BecomeReplacement)
{
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");        // a CJK character
    EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");              // truncated sequence
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");           // overlong '/'
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80x", '_'), "_x");
}

TEST(Cp1252, CaseInsensitiveComparisonCoversAccentedLetters)
{
    EXPECT_TRUE(AnsiSameText("Modem Line", "MODEM line"));
    EXPECT_TRUE(AnsiSameText("\xE4rger", "\xC4RGER"));   // ärger / ÄRGER
    EXPECT_FALSE(AnsiSameText("\xF7", "\xD7"));          // ÷ and × are not a case pair
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_GT(AnsiCompareText("abcd", "ABC"), 0);
    EXPECT_EQ(AnsiUpperCase("\x9A\xFF"), "\x8A\x9F");
}

TEST(StringList, EditingAndBounds)
{
    TStringList l;
    EXPECT_EQ(l.Add("one"), 0);
    EXPECT_EQ(l.Add("two"), 1);
    l.Insert(1, "between");
    EXPECT_EQ(l.Text(), "one\r\nbetween\r\ntwo\r\n");
    l.Delete(0);
    EXPECT_EQ(l.Strings(0), "between");
    EXPECT_EQ(l.IndexOf("TWO"), 1);
    EXPECT_EQ(l.IndexOf("three"), -1);
    EXPECT_THROW(l.Strings(2), EListError);
    EXPECT_THROW(l.Delete(-1), EListError);
    try {
        l.Strings(5);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Text(), "");
}

TEST(StringList, NameValueAccess)
{
    TStringList l;
    l.SetValue("COM7", "/dev/ttyUSB0");
    l.Add("plain");
    l.SetValue("com8", "/dev/ttyACM0");
    EXPECT_EQ(l.Values("com7"), "/dev/ttyUSB0");
    EXPECT_EQ(l.Values("COM8"), "/dev/ttyACM0");
    EXPECT_EQ(l.Values("plain"), "");
    l.SetValue("COM7", "/dev/ttyS0");
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Strings(0), "COM7=/dev/ttyS0");
    EXPECT_EQ(l.Names(2), "com8");
    EXPECT_EQ(l.ValueFromIndex(2), "/dev/ttyACM0");
    l.SetValue("COM7", "");
    EXPECT_EQ(l.IndexOfName("COM7"), -1);
    EXPECT_EQ(l.Count(), 2);
}

TEST(StringList, SortedModeIgnoresDuplicatesCaseInsensitively)
{
    TStringList l;
    l.Add("b");
    l.Add("B");
    l.Add("a");
    l.Set_Sorted(true);
    EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(l.Add("C"), 2);
    EXPECT_EQ(l.Add("A"), 0);               // already there: index, nothing added
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.IndexOf("c"), 2);
    EXPECT_THROW(l.Insert(0, "x"), EListError);
    l.Duplicates = dupError;
    EXPECT_THROW(l.Add("b"), EListError);
    l.Duplicates = dupAccept;
    l.Add("b");
    EXPECT_EQ(l.Count(), 4);
}

TEST(StringList, TextAndCommaTextSplitting)
{
    TStringList l;
    l.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"a", "b", "c", "d"}));
    l.SetText("x\r\n\r\ny\r\n");
    EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"x", "", "y"}));
    l.Clear();
    l.Add("plain");
    l.Add("with blank");
    l.Add("q\"uote");
    EXPECT_EQ(l.CommaText(), "plain,\"with blank\",\"q\"\"uote\"");
    TStringList m;
    m.SetCommaText(l.CommaText());
    EXPECT_EQ(m.ToVector(), l.ToVector());
}
