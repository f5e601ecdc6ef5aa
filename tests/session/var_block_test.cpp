// Sizing, judging and reading variable-size blocks, also when the provider
// writes nonsense.

#include "kxtapi/kxtapi.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace kxtapi {
namespace {

TEST(VarBlockTest, PrepareGrowsToWhatIsNeededRoundedToFour)
{
    TVarBlock B(sizeof(LINEDEVCAPS));
    EXPECT_EQ(B.Size(), 252u);
    EXPECT_EQ(B.Get_TotalSize(), 252u);

    ASSERT_TRUE(PrepareVarBlock(B));   // nothing needed yet: the 1024 minimum
    EXPECT_EQ(B.Size(), 1024u);
    EXPECT_EQ(B.Get_TotalSize(), 1024u);

    B.Set_NeededSize(1500);
    ASSERT_TRUE(PrepareVarBlock(B));
    EXPECT_EQ(B.Size(), 1500u);
    EXPECT_EQ(B.Get_NeededSize(), 0u);
    EXPECT_EQ(B.Get_UsedSize(), 0u);

    B.Set_NeededSize(1501);
    ASSERT_TRUE(PrepareVarBlock(B));
    EXPECT_EQ(B.Size(), 1504u);
    EXPECT_EQ(B.Get_TotalSize(), 1504u);
}

TEST(VarBlockTest, CheckAsksAgainForShortAnswersAndShrinksLargeOnes)
{
    TVarBlock B(sizeof(LINEDEVCAPS));
    ASSERT_TRUE(PrepareVarBlock(B));
    B.Set_UsedSize(800);
    B.Set_NeededSize(800);
    EXPECT_EQ(CheckVarBlock(0, B), 0u);
    EXPECT_EQ(B.Size(), 1024u);   // used 800: stays

    B.Set_NeededSize(2000);   // success, but more was needed
    EXPECT_EQ(CheckVarBlock(0, B), LINEERR_STRUCTURETOOSMALL);
    B.Set_NeededSize(10);
    EXPECT_EQ(CheckVarBlock(LINEERR_STRUCTURETOOSMALL, B), LINEERR_STRUCTURETOOSMALL);
    EXPECT_EQ(B.Get_NeededSize(), 1024u);   // raised to the minimum
    EXPECT_EQ(CheckVarBlock(LINEERR_NODEVICE, B), LINEERR_NODEVICE);

    ASSERT_TRUE(B.Resize(4096));
    B.Set_NeededSize(1500);
    B.Set_UsedSize(1600);
    EXPECT_EQ(CheckVarBlock(0, B), 0u);
    EXPECT_EQ(B.Size(), 1600u);
    EXPECT_EQ(B.Get_TotalSize(), 1600u);
}

TEST(VarBlockTest, FetchStopsOnHugeAndNeverEndingDemands)
{
    TVarBlock B(sizeof(VARSTRING));
    int Calls = 0;
    // A provider asking for almost 4 GiB: no wrap into a small buffer, an error.
    EXPECT_EQ(FetchVarBlock(B, [&] {
                  ++Calls;
                  B.Set_NeededSize(0xFFFFFFFD);
                  return 0u;
              }),
              LINEERR_NOMEM);
    EXPECT_EQ(Calls, 1);
    EXPECT_LE(B.Size(), MinVarBlockSize);

    // One that always wants a little more than it was given.
    TVarBlock C(sizeof(VARSTRING));
    Calls = 0;
    EXPECT_EQ(FetchVarBlock(C, [&] {
                  ++Calls;
                  C.Set_NeededSize(C.Size() + 4);
                  return uint32_t{LINEERR_STRUCTURETOOSMALL};
              }),
              LINEERR_OPERATIONFAILED);
    EXPECT_EQ(Calls, MaxVarBlockRounds);

    // The phone's own "too small" repeats only where asked.
    TVarBlock D(sizeof(VARSTRING));
    Calls = 0;
    EXPECT_EQ(FetchVarBlock(D, [&] {
                  ++Calls;
                  return uint32_t{PHONEERR_STRUCTURETOOSMALL};
              }),
              PHONEERR_STRUCTURETOOSMALL);
    EXPECT_EQ(Calls, 1);
    Calls = 0;
    EXPECT_EQ(FetchVarBlock(
                  D,
                  [&] {
                      if (++Calls == 1) {
                          D.Set_NeededSize(3000);
                          return uint32_t{PHONEERR_STRUCTURETOOSMALL};
                      }
                      return 0u;
                  },
                  frLineOrPhoneTooSmall),
              0u);
    EXPECT_EQ(D.Size(), 3000u);
}

TEST(VarBlockTest, ProviderRewritingTotalSizeCannotWidenTheReaders)
{
    TVarBlock B(64);
    B.SetDword(0, 0x7FFFFFFF);   // as if the provider had written it
    EXPECT_EQ(CheckVarBlock(0, B), 0u);
    EXPECT_EQ(B.Get_TotalSize(), 64u);
    EXPECT_EQ(B.Dword(64), 0u);
    EXPECT_EQ(B.Dword(61), 0u);
}

TEST(VarBlockTest, StringsStopAtZeroSizeAndTheBlockEnd)
{
    TVarBlock B(64);
    std::memcpy(B.Data() + 40, "Line one\0junk", 13);
    EXPECT_EQ(B.StringAt(40, 9), "Line one");    // counted zero excluded
    EXPECT_EQ(B.StringAt(40, 4), "Line");        // size cuts first
    EXPECT_EQ(B.StringAt(40, 0), "");
    std::memcpy(B.Data() + 56, "ABCDEFGH", 8);  // runs to the end without zero
    EXPECT_EQ(B.StringAt(56, 0xFFFFFFFF), "ABCDEFGH");
    EXPECT_EQ(B.StringAt(64, 4), "");
    EXPECT_EQ(B.StringAt(0xFFFFFFF0, 0x20), "");   // offset + size wraps

    // Pair fields read through their offsets; fields outside read as 0.
    B.SetDword(12, 9);
    B.SetDword(16, 40);
    EXPECT_EQ(B.String(12, 16), "Line one");
    EXPECT_EQ(VarBlockString(B, 12), "Line one");
    EXPECT_EQ(B.String(62, 66), "");
}

TEST(VarBlockTest, EntryListsAreCutToWholeEntriesInside)
{
    TVarBlock B(40);
    for (uint32_t i = 0; i < 4; ++i) B.SetDword(24 + 4 * i, 100 + i);
    EXPECT_EQ(B.Entries<uint32_t>(2, 24), (std::vector<uint32_t>{100, 101}));
    EXPECT_EQ(B.Entries<uint32_t>(0xFFFFFFFF, 24), (std::vector<uint32_t>{100, 101, 102, 103}));
    EXPECT_TRUE(B.Entries<uint32_t>(5, 38).empty());
    EXPECT_TRUE(B.Entries<uint32_t>(5, 0xFFFFFFFC).empty());
    uint32_t v = 7;
    EXPECT_TRUE(B.Entry(4, 24, 3, v));
    EXPECT_EQ(v, 103u);
    EXPECT_FALSE(B.Entry(4, 24, 4, v));
    EXPECT_FALSE(B.Entry(100, 24, 4, v));   // beyond the block
    EXPECT_EQ(v, 103u);
}

} // namespace
} // namespace kxtapi
