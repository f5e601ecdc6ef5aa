// The rules of variable-size blocks, checked on the block writer and through
// the functions that answer with blocks.

#include "service_fixture.h"

#include "service/blocks.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

using service::TBlockImage;

TBlockImage Sample()
{
    TBlockImage i(sizeof(LINEDEVCAPS));
    i.PutDword(offsetof(LINEDEVCAPS, dwNumAddresses), 3);
    i.PutString(offsetof(LINEDEVCAPS, dwLineNameSize), "Line name");
    i.PutMultiString(offsetof(LINEDEVCAPS, dwDeviceClassesSize), {"tapi/line", "wave/in"});
    return i;
}

TEST(BlockImage, AFittingBlockGetsEverythingAndUsedEqualsNeeded)
{
    TBlock<LINEDEVCAPS> b(512);
    TBlockImage i = Sample();
    i.WriteTo(b.get(), 512);
    EXPECT_EQ(b->dwTotalSize, 512u);
    EXPECT_EQ(b->dwNeededSize, sizeof(LINEDEVCAPS) + 10 + 19);
    EXPECT_EQ(b->dwUsedSize, b->dwNeededSize);
    EXPECT_EQ(b->dwNumAddresses, 3u);
    EXPECT_EQ(b.Str(offsetof(LINEDEVCAPS, dwLineNameSize)), "Line name");
    EXPECT_EQ(b->dwLineNameOffset, sizeof(LINEDEVCAPS));
    std::string Classes(reinterpret_cast<const char*>(b.Bytes.data()) + b->dwDeviceClassesOffset,
                        b->dwDeviceClassesSize);
    EXPECT_EQ(Classes, std::string("tapi/line\0wave/in\0\0", 19));
}

TEST(BlockImage, ABlockTooSmallForTheVariablePartGetsTheFixedPartWithPairsCleared)
{
    // The bytes behind the fixed part must stay untouched.
    TBlock<LINEDEVCAPS> b(sizeof(LINEDEVCAPS) + 8);
    std::fill(b.Bytes.begin() + sizeof(LINEDEVCAPS), b.Bytes.end(), 0xEE);
    Sample().WriteTo(b.get(), sizeof(LINEDEVCAPS) + 8);
    EXPECT_EQ(b->dwNeededSize, sizeof(LINEDEVCAPS) + 29);
    EXPECT_EQ(b->dwUsedSize, sizeof(LINEDEVCAPS));
    EXPECT_EQ(b->dwNumAddresses, 3u) << "fixed fields are there";
    EXPECT_EQ(b->dwLineNameSize, 0u);
    EXPECT_EQ(b->dwLineNameOffset, 0u);
    EXPECT_EQ(b->dwDeviceClassesSize, 0u);
    for (size_t k = sizeof(LINEDEVCAPS); k < b.Bytes.size(); ++k) EXPECT_EQ(b.Bytes[k], 0xEE);
}

TEST(BlockImage, ListsAreAlignedAndTheirCountsClearedWhenLeftOut)
{
    TBlockImage i(sizeof(LINETRANSLATECAPS));
    i.PutString(offsetof(LINETRANSLATECAPS, dwCardListSize), "x");   // 2 bytes: the list must be aligned after it
    i.PutDword(offsetof(LINETRANSLATECAPS, dwNumLocations), 2);
    i.MarkCount(offsetof(LINETRANSLATECAPS, dwNumLocations));
    uint32_t List = i.PutList(offsetof(LINETRANSLATECAPS, dwLocationListSize), 2 * sizeof(LINELOCATIONENTRY));
    EXPECT_EQ(List % 4, 0u);
    i.PutString(List + offsetof(LINELOCATIONENTRY, dwLocationNameSize), "Home");
    TBlock<LINETRANSLATECAPS> big(1024), small(sizeof(LINETRANSLATECAPS) + 4);
    i.WriteTo(big.get(), 1024);
    EXPECT_EQ(big->dwNumLocations, 2u);
    EXPECT_EQ(big.Str(big->dwLocationListOffset + offsetof(LINELOCATIONENTRY, dwLocationNameSize)), "Home");
    i.WriteTo(small.get(), sizeof(LINETRANSLATECAPS) + 4);
    EXPECT_EQ(small->dwNumLocations, 0u);
    EXPECT_EQ(small->dwLocationListOffset, 0u);
}

TEST(BlockImage, CallParamsWithStringsOutsideTheBlockAreRefused)
{
    TBlock<LINECALLPARAMS> p(sizeof(LINECALLPARAMS) + 8);
    std::memcpy(p.Bytes.data() + sizeof(LINECALLPARAMS), "Name\0", 5);
    p->dwCalledPartySize = 5;
    p->dwCalledPartyOffset = sizeof(LINECALLPARAMS);
    service::TCallParamsData d;
    ASSERT_TRUE(service::ReadCallParams(p.get(), d));
    EXPECT_EQ(d.CalledParty, "Name");
    p->dwCommentSize = 16;
    p->dwCommentOffset = 0xFFFFFFF8u;   // wraps to a small number as a 32-bit sum
    EXPECT_FALSE(service::ReadCallParams(p.get(), d));
    p->dwCommentSize = 0;
    p->dwTotalSize = sizeof(LINECALLPARAMS) - 4;
    EXPECT_FALSE(service::ReadCallParams(p.get(), d));
    EXPECT_TRUE(service::ReadCallParams(nullptr, d));
    EXPECT_EQ(d.MediaMode, LINEMEDIAMODE_INTERACTIVEVOICE);
}

using Blocks = ServiceTest;

TEST_F(Blocks, BelowTheFixedSizeFailsAboveItSucceedsAndReportsTheNeed)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    TBlock<LINEDEVCAPS> caps(sizeof(LINEDEVCAPS) - 4);
    EXPECT_EQ(lineGetDevCapsA(a.App, 0, 0x00020001, 0, caps.get()), LINEERR_STRUCTURETOOSMALL);
    caps.Grow(sizeof(LINEDEVCAPS));
    ASSERT_EQ(lineGetDevCapsA(a.App, 0, 0x00020001, 0, caps.get()), 0u);
    uint32_t Needed = caps.Needed();
    EXPECT_GT(Needed, sizeof(LINEDEVCAPS));
    EXPECT_EQ(caps->dwUsedSize, sizeof(LINEDEVCAPS));
    EXPECT_EQ(caps->dwNumAddresses, 1u);
    EXPECT_EQ(caps->dwLineNameSize, 0u);
    caps.Grow(Needed);
    ASSERT_EQ(lineGetDevCapsA(a.App, 0, 0x00020001, 0, caps.get()), 0u);
    EXPECT_EQ(caps->dwUsedSize, Needed);
    EXPECT_EQ(caps.Str(offsetof(LINEDEVCAPS, dwLineNameSize)), "Simulated Line 1");
    EXPECT_EQ(caps.Str(offsetof(LINEDEVCAPS, dwProviderInfoSize)), "Simulated switch");

    TPhoneApp p;
    ASSERT_EQ(p.Init(), 0u);
    TBlock<PHONECAPS> pc(sizeof(PHONECAPS) - 1);
    EXPECT_EQ(phoneGetDevCapsA(p.App, 0, 0x00020001, 0, pc.get()), PHONEERR_STRUCTURETOOSMALL);
}

TEST_F(Blocks, ACallListGrowsUntilItHoldsEveryCallAndNoHandleIsLostMeanwhile)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    // Calls that exist before the line is opened.
    for (int i = 0; i < 150; ++i) Sim.OfferCall(0, std::to_string(1000 + i), "", {.Rings = 0});
    HLINE h = a.Open(0, 1);
    TBlock<LINECALLLIST> l(sizeof(LINECALLLIST) + 16);
    ASSERT_EQ(lineGetNewCalls(h, 0, LINECALLSELECT_LINE, l.get()), 0u);
    EXPECT_EQ(l->dwCallsNumEntries, 0u) << "nothing is handed out in a block that cannot carry it";
    EXPECT_EQ(l.Needed(), sizeof(LINECALLLIST) + 150 * 4);
    l.Grow(l.Needed());
    ASSERT_EQ(lineGetNewCalls(h, 0, LINECALLSELECT_LINE, l.get()), 0u);
    ASSERT_EQ(l->dwCallsNumEntries, 150u);
    const HCALL* Calls = reinterpret_cast<const HCALL*>(l.Bytes.data() + l->dwCallsOffset);
    TBlock<LINECALLSTATUS> st;
    ASSERT_EQ(lineGetCallStatus(Calls[149], st.get()), 0u);
    EXPECT_EQ(st->dwCallState, LINECALLSTATE_OFFERING);
    EXPECT_EQ(st->dwCallPrivilege, LINECALLPRIVILEGE_MONITOR);
    ASSERT_EQ(lineGetNewCalls(h, 0, LINECALLSELECT_LINE, l.get()), 0u);
    EXPECT_EQ(l->dwCallsNumEntries, 0u) << "the same calls are not new twice";
}

TEST_F(Blocks, VarStringAnswersFollowTheSameRules)
{
    TPhoneApp p;
    ASSERT_EQ(p.Init(), 0u);
    HPHONE h = 0;
    ASSERT_EQ(phoneOpen(p.App, 0, &h, 0x00020001, 0, 1, PHONEPRIVILEGE_OWNER), 0u);
    TBlock<VARSTRING> v(sizeof(VARSTRING) - 1);
    EXPECT_EQ(phoneGetDisplay(h, v.get()), PHONEERR_STRUCTURETOOSMALL);
    v.Grow(sizeof(VARSTRING) + 4);
    ASSERT_EQ(phoneGetDisplay(h, v.get()), 0u);
    EXPECT_EQ(v.Needed(), sizeof(VARSTRING) + 2 * 20 + 1);
    EXPECT_EQ(v->dwStringSize, 0u);
    v.Grow(v.Needed());
    ASSERT_EQ(phoneGetDisplay(h, v.get()), 0u);
    EXPECT_EQ(v->dwStringFormat, STRINGFORMAT_ASCII);
    EXPECT_EQ(v->dwStringSize, 41u);
}

}  // namespace
}  // namespace kxtapi::testing
