// Packing call parameters into LINECALLPARAMS, read back by byte offset so
// that the layout is checked independently of the structure declaration;
// defaults and assignment from both sources.
#include "kxtapi/line/call_parameters.h"
#include "kxtapi/line/call_params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kxtapi;

namespace {

uint32_t At(const void* Block, uint32_t Offset)
{
    uint32_t v;
    std::memcpy(&v, static_cast<const uint8_t*>(Block) + Offset, 4);
    return v;
}

std::string BytesAt(const void* Block, uint32_t Offset, uint32_t Count)
{
    return std::string(static_cast<const char*>(Block) + Offset, Count);
}

// Byte offsets of the string pairs' size fields; the offset field follows.
constexpr uint32_t OrigAddressAt = 48, DisplayableAddressAt = 56, CalledPartyAt = 64, CommentAt = 72,
                   TargetAddressAt = 116, CallingPartyIDAt = 168;

void SetNumbers(TTapiCallParams& P)
{
    P.Set_BearerMode(0x11);
    P.Set_MinRate(0x22);
    P.Set_MaxRate(0x33);
    P.Set_MediaMode(0x44);
    P.Set_Flags(0x55);
    P.Set_AddressMode(0x66);
    P.Set_AddressID(0x77);
    P.Get_DialParams()->Set_DialPause(0x88);
    P.Get_DialParams()->Set_DialSpeed(0x99);
    P.Get_DialParams()->Set_DigitDuration(0xAA);
    P.Get_DialParams()->Set_WaitForDialtone(0xBB);
    P.Set_NoAnswerTimeout(0xCC);
}

void SetStrings(TTapiCallParams& P)
{
    P.Set_OrigAddress("o");
    P.Set_DisplayableAddress("dd");
    P.Set_CalledParty("ccc");
    P.Set_Comment("mmmm");
    P.Set_TargetAddress("ttttt");
    P.Set_CallingPartyID("pppppp");
}

void ExpectInitialValues(const TTapiCallParams& P)
{
    EXPECT_EQ(P.Get_BearerMode(), 1u);
    EXPECT_EQ(P.Get_MinRate(), 0u);
    EXPECT_EQ(P.Get_MaxRate(), 0u);
    EXPECT_EQ(P.Get_MediaMode(), 4u);
    EXPECT_EQ(P.Get_Flags(), 0u);
    EXPECT_EQ(P.Get_AddressMode(), 1u);
    EXPECT_EQ(P.Get_AddressID(), 0u);
    EXPECT_EQ(P.Get_DialParams()->Get_DialPause(), 0u);
    EXPECT_EQ(P.Get_DialParams()->Get_DialSpeed(), 0u);
    EXPECT_EQ(P.Get_DialParams()->Get_DigitDuration(), 0u);
    EXPECT_EQ(P.Get_DialParams()->Get_WaitForDialtone(), 0u);
    EXPECT_EQ(P.Get_OrigAddress(), "");
    EXPECT_EQ(P.Get_DisplayableAddress(), "");
    EXPECT_EQ(P.Get_CalledParty(), "");
    EXPECT_EQ(P.Get_Comment(), "");
    EXPECT_EQ(P.Get_TargetAddress(), "");
    EXPECT_EQ(P.Get_NoAnswerTimeout(), 0u);
    EXPECT_EQ(P.Get_CallingPartyID(), "");
}

} // namespace

TEST(CallParamsPacking, FixedFieldsAtTheirOffsetsAndNothingElseSet)
{
    TTapiCallParams P;
    SetNumbers(P);
    const LINECALLPARAMS* B = P.GetParams();
    ASSERT_NE(B, nullptr);
    EXPECT_EQ(P.Get_ParamsBlock().Size(), 176u);
    const struct {
        uint32_t Offset, Value;
    } Expected[] = {{0, 176},   {4, 0x11},  {8, 0x22},  {12, 0x33}, {16, 0x44}, {20, 0x55}, {24, 0x66},
                    {28, 0x77}, {32, 0x88}, {36, 0x99}, {40, 0xAA}, {44, 0xBB}, {164, 0xCC}};
    for (const auto& e : Expected) EXPECT_EQ(At(B, e.Offset), e.Value) << "offset " << e.Offset;
    // Every string pair, the user-user, compatibility, device-specific, flow
    // spec, device class and configuration and call-data pairs, and the
    // predictive auto-transfer states stay 0.
    for (uint32_t o = 48; o < 164; o += 4) EXPECT_EQ(At(B, o), 0u) << "offset " << o;
    EXPECT_EQ(At(B, 168), 0u);
    EXPECT_EQ(At(B, 172), 0u);
}

TEST(CallParamsPacking, TwoStringsPackBackToBackWithTheirZerosAndRoundUp)
{
    TTapiCallParams P;
    P.Set_CalledParty("abc");
    P.Set_Comment("xy");
    const LINECALLPARAMS* B = P.GetParams();
    // 176 + 4 + 3 = 183, rounded to 184.
    EXPECT_EQ(At(B, 0), 184u);
    EXPECT_EQ(P.Get_ParamsBlock().Size(), 184u);
    EXPECT_EQ(At(B, CalledPartyAt), 4u);
    EXPECT_EQ(At(B, CalledPartyAt + 4), 176u);
    EXPECT_EQ(At(B, CommentAt), 3u);
    EXPECT_EQ(At(B, CommentAt + 4), 180u);
    EXPECT_EQ(BytesAt(B, 176, 8), std::string("abc\0xy\0\0", 8));
    for (uint32_t f : {OrigAddressAt, DisplayableAddressAt, TargetAddressAt, CallingPartyIDAt}) {
        EXPECT_EQ(At(B, f), 0u) << f;
        EXPECT_EQ(At(B, f + 4), 0u) << f;
    }
}

TEST(CallParamsPacking, AllSixStringsInPackingOrder)
{
    TTapiCallParams P;
    SetStrings(P);
    const LINECALLPARAMS* B = P.GetParams();
    // CalledParty, CallingPartyID, Comment, DisplayableAddress, OrigAddress,
    // TargetAddress: sizes 4, 7, 5, 3, 2, 6 = 27 bytes after the fixed part.
    const struct {
        uint32_t Field, Size, Offset;
        const char* Text;
    } Expected[] = {{CalledPartyAt, 4, 176, "ccc"},       {CallingPartyIDAt, 7, 180, "pppppp"},
                    {CommentAt, 5, 187, "mmmm"},           {DisplayableAddressAt, 3, 192, "dd"},
                    {OrigAddressAt, 2, 195, "o"},          {TargetAddressAt, 6, 197, "ttttt"}};
    for (const auto& e : Expected) {
        EXPECT_EQ(At(B, e.Field), e.Size) << e.Text;
        EXPECT_EQ(At(B, e.Field + 4), e.Offset) << e.Text;
        EXPECT_EQ(BytesAt(B, e.Offset, e.Size), std::string(e.Text) + '\0');
    }
    EXPECT_EQ(At(B, 0), 204u);  // 203 rounded up
    EXPECT_EQ(BytesAt(B, 203, 1), std::string(1, '\0'));
}

TEST(CallParamsPacking, SizesAlreadyOnAMultipleOfFourAreNotPadded)
{
    TTapiCallParams P;
    P.Set_TargetAddress("123");  // 4 bytes with its zero
    EXPECT_EQ(At(P.GetParams(), 0), 180u);
    P.Set_TargetAddress("");
    EXPECT_EQ(At(P.GetParams(), 0), 176u);
}

TEST(CallParamsPacking, StringBytesAreCopiedUnchanged)
{
    TTapiCallParams P;
    P.Set_DisplayableAddress("M\xFCller \xE4");  // Windows-1252
    const LINECALLPARAMS* B = P.GetParams();
    EXPECT_EQ(At(B, DisplayableAddressAt), 9u);
    EXPECT_EQ(BytesAt(B, 176, 9), std::string("M\xFCller \xE4\0", 9));
}

TEST(CallParamsPacking, EachGetParamsMakesANewBlockWithTheCurrentValues)
{
    TTapiCallParams P;
    P.Set_CalledParty("1");
    const LINECALLPARAMS* First = P.GetParams();
    P.Set_CalledParty("22");
    P.Set_MediaMode(0x10);
    const LINECALLPARAMS* Second = P.GetParams();
    EXPECT_NE(First, Second);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(Second), P.Get_ParamsBlock().Data());
    EXPECT_EQ(At(Second, 16), 0x10u);
    EXPECT_EQ(At(Second, CalledPartyAt), 3u);
    EXPECT_EQ(BytesAt(Second, 176, 3), std::string("22\0", 3));
}

TEST(DialParams, GetParamsRefillsTheSameBlock)
{
    TTapiDialParams D;
    D.Set_DialPause(1);
    D.Set_DialSpeed(2);
    D.Set_DigitDuration(3);
    D.Set_WaitForDialtone(4);
    LINEDIALPARAMS* First = D.GetParams();
    EXPECT_EQ(BytesAt(First, 0, 16), std::string("\1\0\0\0\2\0\0\0\3\0\0\0\4\0\0\0", 16));
    D.Set_DigitDuration(30);
    LINEDIALPARAMS* Second = D.GetParams();
    EXPECT_EQ(First, Second);
    EXPECT_EQ(At(Second, 8), 30u);
}

TEST(DialParams, AssignCopiesFromItsOwnClassOnly)
{
    TTapiDialParams A, B;
    A.Set_DialPause(5);
    A.Set_WaitForDialtone(9);
    B.Assign(&A);
    EXPECT_EQ(B.Get_DialPause(), 5u);
    EXPECT_EQ(B.Get_WaitForDialtone(), 9u);
    TTapiCallParameters Other;
    EXPECT_THROW(B.Assign(&Other), EAssignError);
    EXPECT_EQ(B.Get_DialPause(), 5u);
}

TEST(CallParams, InitialValuesAndDefaultRestoresThem)
{
    TTapiCallParams P;
    ExpectInitialValues(P);
    SetNumbers(P);
    SetStrings(P);
    P.Default();
    ExpectInitialValues(P);
}

TEST(CallParams, AssignFromCallParamsCopiesEveryValue)
{
    TTapiCallParams A, B;
    SetNumbers(A);
    SetStrings(A);
    B.Assign(&A);
    EXPECT_EQ(std::memcmp(A.GetParams(), B.GetParams(), A.Get_ParamsBlock().Size()), 0);
    EXPECT_EQ(A.Get_ParamsBlock().Size(), B.Get_ParamsBlock().Size());
    // The dial values are copied, not shared.
    EXPECT_NE(A.Get_DialParams(), B.Get_DialParams());
    A.Get_DialParams()->Set_DialSpeed(1);
    EXPECT_EQ(B.Get_DialParams()->Get_DialSpeed(), 0x99u);
}

TEST(CallParams, AssignFromLineDefaultsResetsAndTakesFourValues)
{
    TTapiCallParameters Defaults;
    Defaults.Set_AddressID(3);
    Defaults.Set_BearerMode(LINEBEARERMODE_DATA);
    Defaults.Set_BlockID(true);
    Defaults.Set_MediaMode(LINEMEDIAMODE_DATAMODEM);
    Defaults.Set_NoAnswerTimeout(45);

    TTapiCallParams P;
    SetNumbers(P);
    SetStrings(P);
    P.Assign(&Defaults);
    EXPECT_EQ(P.Get_Flags(), LINECALLPARAMFLAGS_BLOCKID);
    EXPECT_EQ(P.Get_BearerMode(), LINEBEARERMODE_VOICE);
    EXPECT_EQ(P.Get_MediaMode(), LINEMEDIAMODE_DATAMODEM);
    EXPECT_EQ(P.Get_AddressID(), 3u);
    EXPECT_EQ(P.Get_NoAnswerTimeout(), 45u);
    EXPECT_EQ(P.Get_AddressMode(), LINEADDRESSMODE_ADDRESSID);
    EXPECT_EQ(P.Get_MinRate(), 0u);
    EXPECT_EQ(P.Get_MaxRate(), 0u);
    EXPECT_EQ(P.Get_DialParams()->Get_DialPause(), 0u);
    EXPECT_EQ(P.Get_DialParams()->Get_WaitForDialtone(), 0u);
    EXPECT_EQ(P.Get_CalledParty(), "");
    EXPECT_EQ(P.Get_CallingPartyID(), "");

    // Without BlockID the flags come out 0, whatever they were.
    Defaults.Set_BlockID(false);
    P.Set_Flags(0x40);
    P.Assign(&Defaults);
    EXPECT_EQ(P.Get_Flags(), 0u);
}

TEST(CallParams, AssignFromAnythingElseRaisesAndChangesNothing)
{
    TTapiCallParams P;
    P.Set_Comment("kept");
    TTapiDialParams Dial;
    EXPECT_THROW(P.Assign(&Dial), EAssignError);
    EXPECT_THROW(P.Assign(nullptr), EAssignError);
    EXPECT_EQ(P.Get_Comment(), "kept");

    TTapiCallParameters Defaults, Other;
    EXPECT_THROW(Defaults.Assign(&Other), EAssignError);  // no Assign of its own
}
