#include <kxtapi/rtl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace kxtapi;

TEST(System, BeepGoesToTheHook)
{
    std::vector<std::pair<uint32_t, uint32_t>> Beeps;
    TBeepHook Previous = SetBeepHook([&](uint32_t F, uint32_t D) { Beeps.emplace_back(F, D); });
    Beep(1000, 100);
    Beep();
    SetBeepHook(Previous);
    Beep(500, 1);   // back to the default: not recorded
    EXPECT_EQ(Beeps, (std::vector<std::pair<uint32_t, uint32_t>>{{1000, 100}, {0, 0}}));
}

TEST(System, LocaleNamesMapToLanguageIdentifiers)
{
    EXPECT_EQ(LangIDFromLocaleName("C"), 0x0409);
    EXPECT_EQ(LangIDFromLocaleName("POSIX"), 0x0409);
    EXPECT_EQ(LangIDFromLocaleName("C.UTF-8"), 0x0409);
    EXPECT_EQ(LangIDFromLocaleName(""), 0x0409);
    EXPECT_EQ(LangIDFromLocaleName("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(LangIDFromLocaleName("en_GB"), 0x0809);
    EXPECT_EQ(LangIDFromLocaleName("de_DE.UTF-8@euro"), 0x0407);
    EXPECT_EQ(LangIDFromLocaleName("de_AT"), 0x0C07);
    EXPECT_EQ(LangIDFromLocaleName("de_CH.ISO-8859-1"), 0x0807);
    EXPECT_EQ(LangIDFromLocaleName("fr_CA"), 0x0C0C);
    EXPECT_EQ(LangIDFromLocaleName("pt_BR"), 0x0416);
    EXPECT_EQ(PRIMARYLANGID(LangIDFromLocaleName("nl_BE")), 0x13);
    EXPECT_EQ(PRIMARYLANGID(LangIDFromLocaleName("ja_JP.eucJP")), 0x11);
    EXPECT_EQ(PRIMARYLANGID(LangIDFromLocaleName("sv")), 0x1D);
    EXPECT_EQ(LangIDFromLocaleName("xx_YY"), 0);
    EXPECT_EQ(LangIDFromLocaleName("averyveryverylongname_TOOLONGTERRITORY"), 0);
}

TEST(System, UserLanguageReadsLcAllThenLcMessagesThenLang)
{
    struct TSaved {
        const char* Name;
        std::string Value;
        bool Set;
    };
    std::vector<TSaved> Saved;
    for (const char* N : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* V = std::getenv(N);
        Saved.push_back({N, V ? V : "", V != nullptr});
    }
    setenv("LANG", "fr_FR.UTF-8", 1);
    setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0407);
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLCID()), LANG_ENGLISH);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(PRIMARYLANGID(GetUserDefaultLangID()), 0x0C);
    unsetenv("LANG");
    EXPECT_EQ(GetUserDefaultLangID(), 0x0409);
    for (auto& S : Saved)
        if (S.Set)
            setenv(S.Name, S.Value.c_str(), 1);
        else
            unsetenv(S.Name);
}

TEST(System, ModuleFileNameIsTheLibrary)
{
    std::string Name = GetModuleFileName();
    ASSERT_FALSE(Name.empty());
    EXPECT_EQ(Name.front(), '/');
    EXPECT_NE(Name.find("libkxtapi.so"), std::string::npos) << Name;
    EXPECT_EQ(GetModuleFileName(nullptr), "");
}

TEST(System, DateTimesCountDaysFromTheFrameworkEpoch)
{
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1), 36526.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 18), 36526.75);
    TSystemTime T = DecodeDateTime(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999));
    EXPECT_EQ(T.Year, 2024);
    EXPECT_EQ(T.Month, 2);
    EXPECT_EQ(T.Day, 29);
    EXPECT_EQ(T.DayOfWeek, 4);   // a Thursday
    EXPECT_EQ(T.Hour, 23);
    EXPECT_EQ(T.Minute, 59);
    EXPECT_EQ(T.Second, 59);
    EXPECT_EQ(T.Milliseconds, 999);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25);
    TSystemTime Before = DecodeDateTime(EncodeDateTime(1850, 3, 1, 6));
    EXPECT_EQ(Before.Year, 1850);
    EXPECT_EQ(Before.Month, 3);
    EXPECT_EQ(Before.Day, 1);
    EXPECT_EQ(Before.Hour, 6);

    TSystemTime NowParts = GetLocalTime();
    EXPECT_GE(NowParts.Year, 2024);
}
