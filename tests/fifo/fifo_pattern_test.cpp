// Find and Search: wildcard positions, cross-checked against a direct
// transcription of the pattern rules, and the cost of many stars.
#include <kxtapi/kxtapicomm.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>

using namespace kxtapi;

namespace {

// The pattern rules written out candidate by candidate, recursing at each
// star: slow, but obviously what the rules say.
int32_t ReferenceFind(const std::string& D, const std::string& T, uint32_t S)
{
    const uint32_t L = static_cast<uint32_t>(T.size() - std::count(T.begin(), T.end(), '*'));
    if (L == 0) return static_cast<int32_t>(S);
    if (T[0] == '*') return ReferenceFind(D, T.substr(1), S) != -1 ? static_cast<int32_t>(S) : -1;
    const uint32_t n = static_cast<uint32_t>(D.size());
    if (S >= n || n - S < L) return -1;
    for (uint32_t p = S; p <= n - L; ++p) {
        if (T[0] != '?' && T[0] != D[p]) continue;
        bool ok = true;
        uint32_t off = p + 1;
        for (size_t k = 1; k < T.size(); ++k) {
            if (T[k] == '*') {
                ok = ReferenceFind(D, T.substr(k + 1), off) != -1;
                break;
            }
            if (T[k] != '?' && T[k] != D[off]) {
                ok = false;
                break;
            }
            ++off;
        }
        if (ok) return static_cast<int32_t>(p);
    }
    return -1;
}

// A FIFO holding Data with its oldest byte at ring index Shift.
void Load(TkxFifo& F, const std::string& Data, uint16_t Shift)
{
    F.Clear();
    F.Write(std::string(Shift, '-'));
    F.Remove(Shift);
    ASSERT_TRUE(F.Write(Data));
}

} // namespace

TEST(FifoPattern, WildcardPositions)
{
    TkxFifo f(nullptr);
    f.SetSize(16);
    struct Case { const char* Data; const char* Token; uint16_t Start; int32_t Pos; };
    const Case cases[] = {
        {"ABC", "A?C", 0, 0},      {"xAXC", "A?C", 0, 1},   {"ABD", "A?C", 0, -1},
        {"AxxC", "A*C", 0, 0},     {"xxAxxC", "A*C", 0, 2}, {"CxxA", "A*C", 0, -1},
        {"AxxC", "*C", 0, 0},      {"AxxC", "*C", 2, 2},    {"AxxC", "*C", 4, -1},
        {"abc", "", 2, 2},         {"abc", "**", 7, 7},     {"abc", "abc", 1, -1},
        {"abc", "ABC", 0, -1},     {"ab", "abc", 0, -1},    {"aab", "a?", 2, -1},
        {"xAyBz", "A*B*", 0, 1},   {"AB", "A**B", 0, 0},    {"AAB", "A*?B", 0, 0},
        {"AB", "A*?B", 0, -1},     {"ab", "?", 1, 1},       {"aXbXc", "a*?*c", 1, -1},
    };
    for (const Case& c : cases) {
        for (uint16_t shift : {0, 13}) { // 13: the data runs over the ring's end
            Load(f, c.Data, shift);
            EXPECT_EQ(f.Find(c.Token, c.Start), c.Pos)
                << '"' << c.Data << "\" \"" << c.Token << "\" from " << c.Start << " shift " << shift;
        }
    }
}

TEST(FifoPattern, AgreesWithThePatternRules)
{
    TkxFifo f(nullptr);
    f.SetSize(16);
    std::mt19937 rng(7);
    const char data_chars[] = "abc";
    const char token_chars[] = "abc?**";
    for (int round = 0; round < 4000; ++round) {
        std::string d(rng() % 13, ' ');
        for (char& ch : d) ch = data_chars[rng() % 3];
        std::string t(1 + rng() % 6, ' ');
        for (char& ch : t) ch = token_chars[rng() % 6];
        const uint16_t start = static_cast<uint16_t>(rng() % (d.size() + 2));
        Load(f, d, static_cast<uint16_t>(rng() % 16));
        ASSERT_EQ(f.Find(t, start), ReferenceFind(d, t, start))
            << '"' << d << "\" \"" << t << "\" from " << start;
    }
}

TEST(FifoPattern, ManyStarsCostLinearTime)
{
    TkxFifo f(nullptr);
    f.SetSize(65535);
    std::string nearMiss;
    while (nearMiss.size() < 65535) nearMiss += "abcdefg";
    nearMiss.resize(65535);
    ASSERT_TRUE(f.Write(nearMiss));

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(f.Search("*a*b*c*d*e*f*g*h"), -1);
    EXPECT_EQ(f.Search("a*b*c*d*e*f*g*h"), -1);
    EXPECT_EQ(f.Search("a*b*c*d*e*f*g*a"), 0);
    EXPECT_EQ(f.Search("g*f*e*d*c*b*a*g"), 6);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    // Candidate-by-candidate recursion would not finish within the age of the
    // universe; a linear sweep takes milliseconds even under sanitizers.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
}

TEST(FifoPattern, ManyStarTriggersOverLongTrafficStayFast)
{
    TkxFifo f(nullptr);
    f.SetSize(65535);
    int found = 0;
    f.OnTokenFound = [&](TObject*, int32_t, int32_t, int32_t) { ++found; };
    f.AddTokenTrigger("*a*b*c*d*e*f*g*h");
    f.AddTokenTrigger("a*b*c*d*e*f*g*h");
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(f.Write("abcdefgabcdefgabcdefgabcdefgabcdefgabcdefgabcdefgabcdefgabcdefga"));
    ASSERT_TRUE(f.Write("h"));
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(found, 2);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 5000);
}
