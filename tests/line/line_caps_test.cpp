// The device-capabilities and device-status views over blocks built here:
// every index, the published properties, strings cut by size, by a zero byte
// and by the buffer's end whatever the provider wrote, and the text dump.
#include "block_builder.h"

#include "kxtapi/line/line_caps.h"
#include "kxtapi/line/line_status.h"
#include "kxtapi/line/registration.h"
#include "kxtapi/tapi/line_structs.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

using namespace kxtapi;
using linetest::PutString;

namespace {

constexpr uint32_t LineNameField = offsetof(LINEDEVCAPS, dwLineNameSize);

std::vector<std::string> Lines(const std::string& Text)
{
    std::vector<std::string> Out;
    size_t Start = 0;
    for (;;) {
        const size_t End = Text.find("\r\n", Start);
        Out.push_back(Text.substr(Start, End - Start));
        if (End == std::string::npos) return Out;
        Start = End + 2;
    }
}

} // namespace

TEST(LineCapsView, EveryIndexReadsItsField)
{
    RegisterLineClasses();
#define F(Name) KX_FIELD(LINEDEVCAPS, Name)
    linetest::ExpectFieldsRead<TTapiLineCaps>(
        {F(ProviderInfoSize), F(ProviderInfoOffset), F(SwitchInfoSize), F(SwitchInfoOffset), F(LineNameSize),
         F(LineNameOffset), F(PermanentLineID), F(StringFormat), F(AddressModes), F(NumAddresses),
         F(BearerModes), F(MaxRate), F(MediaModes), F(GenerateToneModes), F(GenerateToneMaxNumFreq),
         F(GenerateDigitModes), F(MonitorToneMaxNumFreq), F(MonitorToneMaxNumEntries), F(MonitorDigitModes),
         F(GatherDigitsMinTimeout), F(GatherDigitsMaxTimeout), F(MedCtlDigitMaxListSize),
         F(MedCtlMediaMaxListSize), F(MedCtlToneMaxListSize), F(MedCtlCallStateMaxListSize), F(DevCapFlags),
         F(MaxNumActiveCalls), F(AnswerMode), F(RingModes), F(LineStates), F(UUIAcceptSize), F(UUIAnswerSize),
         F(UUIMakeCallSize), F(UUIDropSize), F(UUISendUserUserInfoSize), F(UUICallInfoSize), F(NumTerminals),
         F(TerminalCapsSize), F(TerminalCapsOffset), F(TerminalTextEntrySize), F(TerminalTextSize),
         F(TerminalTextOffset), F(DevSpecificSize), F(DevSpecificOffset), F(LineFeatures), F(SettableDevStatus),
         F(DeviceClassesSize), F(DeviceClassesOffset)},
        sizeof(LINEDEVCAPS));
#undef F
}

TEST(LineCapsView, PublishedOrderPutsEachStringAfterItsPair)
{
    RegisterLineClasses();
    std::vector<std::string> Names;
    for (const TPropertyInfo* p : FindClass("TTapiLineCaps")->Properties()) Names.push_back(p->Name());
    ASSERT_EQ(Names.size(), 51u);
    EXPECT_EQ(std::vector<std::string>(Names.begin(), Names.begin() + 10),
              (std::vector<std::string>{"ProviderInfoSize", "ProviderInfoOffset", "ProviderInfo", "SwitchInfoSize",
                                        "SwitchInfoOffset", "SwitchInfo", "LineNameSize", "LineNameOffset",
                                        "LineName", "PermanentLineID"}));
    EXPECT_EQ(Names.back(), "DeviceClassesOffset");

    TVarBlock B(sizeof(LINEDEVCAPS));
    PutString(B, LineNameField, 200, "Line 1", 7);
    TTapiLineCaps Caps(&B);
    const TPropertyInfo* Name = FindClass("TTapiLineCaps")->FindProperty("LineName");
    EXPECT_TRUE(Name->IsReadOnly());
    EXPECT_EQ(Name->GetString(&Caps), "Line 1");
}

TEST(LineCapsView, StringsAreCutBySizeZeroByteAndBlockEnd)
{
    TVarBlock B(300);
    TTapiLineCaps Caps(&B);
    // No zero byte within the size: cut at the size.
    PutString(B, LineNameField, 252, "ModemLineXYZ", 9);
    EXPECT_EQ(Caps.GetString(2), "ModemLine");
    // An early zero byte ends it.
    PutString(B, LineNameField, 252, std::string("Mod\0emLine", 10), 10);
    EXPECT_EQ(Caps.GetString(2), "Mod");
    // Size 0 is empty even with bytes at the offset.
    PutString(B, LineNameField, 252, "Modem", 0);
    EXPECT_EQ(Caps.GetString(2), "");
    // A size reaching past the buffer is cut at its end.
    PutString(B, LineNameField, 290, "0123456789", 0x7FFFFFFF);
    EXPECT_EQ(Caps.GetString(2), "0123456789");
    // An offset at or past the end, or one whose sum with the size wraps.
    for (const auto& [Offset, Size] : std::vector<std::pair<uint32_t, uint32_t>>{
             {300, 4}, {301, 1}, {0xFFFFFFF0u, 0x20}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {0x80000000u, 16}}) {
        B.SetDword(LineNameField, Size);
        B.SetDword(LineNameField + 4, Offset);
        EXPECT_EQ(Caps.GetString(2), "") << Offset << " " << Size;
    }
    // The header's own size claim changes nothing: the buffer bounds the read.
    B.SetDword(0, 0x10000);
    PutString(B, LineNameField, 296, "abcd", 8);
    EXPECT_EQ(Caps.GetString(2), "abcd");
    EXPECT_EQ(Caps.GetString(3), "");
    EXPECT_EQ(Caps.GetString(-1), "");
}

TEST(LineCapsView, FieldsOutsideAShortBufferReadZero)
{
    TVarBlock B(100);  // a provider answering with an older, shorter structure
    B.SetDword(offsetof(LINEDEVCAPS, dwMediaModes), 0x1C);
    ASSERT_EQ(offsetof(LINEDEVCAPS, dwMedCtlDigitMaxListSize), 96u);  // the last whole field inside
    B.SetDword(96, 0xABCD);
    TTapiLineCaps Caps(&B);
    EXPECT_EQ(Caps.GetDWORD(12), 0x1Cu);
    EXPECT_EQ(Caps.GetDWORD(21), 0xABCDu);
    for (int i = 22; i < TTapiLineCaps::DWordCount; ++i) EXPECT_EQ(Caps.GetDWORD(i), 0u) << i;
}

TEST(LineCapsView, MissingBlockOrBufferReadsZeroAndEmpty)
{
    TTapiLineCaps None(nullptr);
    TVarBlock Freed(sizeof(LINEDEVCAPS));
    Freed.SetDword(offsetof(LINEDEVCAPS, dwNumAddresses), 3);
    Freed.Free();
    TTapiLineCaps Empty(&Freed);
    for (const TTapiLineCaps* Caps : {&None, &Empty}) {
        for (int i = 0; i < TTapiLineCaps::DWordCount; ++i) EXPECT_EQ(Caps->GetDWORD(i), 0u);
        for (int i = 0; i < TTapiLineCaps::StringCount; ++i) EXPECT_EQ(Caps->GetString(i), "");
        EXPECT_EQ(Lines(Caps->TextDump()).size(), 46u);
    }
}

TEST(LineCapsView, FollowsTheOwnersBlockWhenItIsRefetched)
{
    TVarBlock B(sizeof(LINEDEVCAPS));
    TTapiLineCaps Caps(&B);
    B.SetDword(offsetof(LINEDEVCAPS, dwNumAddresses), 1);
    EXPECT_EQ(Caps.GetDWORD(9), 1u);
    ASSERT_TRUE(B.Resize(4096));  // grown by a fetch: the buffer moves
    PutString(B, LineNameField, 4000, "Far", 4);
    EXPECT_EQ(Caps.GetString(2), "Far");
    B.Allocate(sizeof(LINEDEVCAPS));  // a fresh cleared block, as a line's Done makes
    EXPECT_EQ(Caps.GetDWORD(9), 0u);
    EXPECT_EQ(Caps.GetString(2), "");
}

TEST(LineCapsView, TextDumpOfAKnownBlock)
{
    TVarBlock B(320);
    auto* C = B.As<LINEDEVCAPS>();
    C->dwPermanentLineID = 0x1A2B;
    C->dwStringFormat = STRINGFORMAT_ASCII;
    C->dwAddressModes = 1;
    C->dwNumAddresses = 3;
    C->dwBearerModes = 0x41;
    C->dwMaxRate = 56000;
    C->dwMediaModes = 0x1C;
    C->dwGenerateDigitModes = 3;
    C->dwMonitorDigitModes = 7;
    C->dwGatherDigitsMinTimeout = 100;
    C->dwGatherDigitsMaxTimeout = 0xFFFFFFFF;
    C->dwDevCapFlags = 0x2A;
    C->dwMaxNumActiveCalls = 1;
    C->dwRingModes = 1;
    C->dwLineStates = 0x01FFFFFF;
    C->dwLineFeatures = 6;
    PutString(B, offsetof(LINEDEVCAPS, dwProviderInfoSize), 252, "Simulated switch", 17);
    PutString(B, offsetof(LINEDEVCAPS, dwSwitchInfoSize), 269, "", 0);
    PutString(B, LineNameField, 270, "Amt 1", 6);
    PutString(B, offsetof(LINEDEVCAPS, dwDeviceClassesSize), 276, std::string("tapi/line\0comm\0\0", 16), 16);

    const std::string Expected =
        "DeviceCaps of Amt 1\r\n"
        "  ProviderInfo = Simulated switch\r\n"
        "  SwitchInfo = \r\n"
        "  LineName = Amt 1\r\n"
        "  PermanentLineID = x1a2b\r\n"
        "  StringFormat = x1\r\n"
        "  AddressModes = x1\r\n"
        "  NumAddresses = x3\r\n"
        "  BearerModes = x41\r\n"
        "  MaxRate = xdac0\r\n"
        "  MediaModes = x1c\r\n"
        "  GenerateToneModes = x0\r\n"
        "  GenerateToneMaxNumFreq = x0\r\n"
        "  GenerateDigitModes = x3\r\n"
        "  MonitorToneMaxNumFreq = x0\r\n"
        "  MonitorToneMaxNumEntries = x0\r\n"
        "  MonitorDigitModes = x7\r\n"
        "  GatherDigitsMinTimeout = x64\r\n"
        "  GatherDigitsMaxTimeout = xffffffff\r\n"
        "  MedCtlDigitMaxListSize = x0\r\n"
        "  MedCtlMediaMaxListSize = x0\r\n"
        "  MedCtlToneMaxListSize = x0\r\n"
        "  MedCtlCallStateMaxListSize = x0\r\n"
        "  DevCapFlags = x2a\r\n"
        "  MaxNumActiveCalls = x1\r\n"
        "  AnswerMode = x0\r\n"
        "  RingModes = x1\r\n"
        "  LineStates = x1ffffff\r\n"
        "  UUIAcceptSize = x0\r\n"
        "  UUIAnswerSize = x0\r\n"
        "  UUIMakeCallSize = x0\r\n"
        "  UUIDropSize = x0\r\n"
        "  UUISendUserUserInfoSize = x0\r\n"
        "  UUICallInfoSize = x0\r\n"
        "  NumTerminals = x0\r\n"
        "  TerminalCapsSize = x0\r\n"
        "  TerminalCapsOffset = x0\r\n"
        "  TerminalTextEntrySize = x0\r\n"
        "  TerminalTextSize = x0\r\n"
        "  TerminalTextOffset = x0\r\n"
        "  DevSpecificSize = x0\r\n"
        "  DevSpecificOffset = x0\r\n"
        "  LineFeatures = x6\r\n"
        "  SettableDevStatus = x0\r\n"
        "  DeviceClassesSize = x10\r\n"
        "  DeviceClassesOffset = x114";
    const TTapiLineCaps Caps(&B);
    EXPECT_EQ(Caps.TextDump(), Expected);
    EXPECT_EQ(Lines(Expected).size(), 46u);
}

TEST(LineCapsView, TextDumpOfACleared252ByteBlock)
{
    TVarBlock B(sizeof(LINEDEVCAPS));
    const std::vector<std::string> L = Lines(TTapiLineCaps(&B).TextDump());
    ASSERT_EQ(L.size(), 46u);
    EXPECT_EQ(L[0], "DeviceCaps of ");
    EXPECT_EQ(L[1], "  ProviderInfo = ");
    EXPECT_EQ(L[2], "  SwitchInfo = ");
    EXPECT_EQ(L[3], "  LineName = ");
    EXPECT_EQ(L[4], "  PermanentLineID = x0");
    EXPECT_EQ(L[45], "  DeviceClassesOffset = x0");
}

TEST(LineStatusView, EveryIndexReadsItsFieldAndNoStrings)
{
#define F(Name) KX_FIELD(LINEDEVSTATUS, Name)
    linetest::ExpectFieldsRead<TTapiLineStatus>(
        {F(NumOpens), F(OpenMediaModes), F(NumActiveCalls), F(NumOnHoldCalls), F(NumOnHoldPendCalls),
         F(LineFeatures), F(NumCallCompletions), F(RingMode), F(SignalLevel), F(BatteryLevel), F(RoamMode),
         F(DevStatusFlags), F(AvailableMediaModes)},
        sizeof(LINEDEVSTATUS));
#undef F
    TVarBlock B(sizeof(LINEDEVSTATUS));
    PutString(B, offsetof(LINEDEVSTATUS, dwTerminalModesSize), 80, "abc", 4);
    const TTapiLineStatus Status(&B);
    for (int i = -1; i < 5; ++i) EXPECT_EQ(Status.GetString(i), "") << i;
    EXPECT_EQ(GetClass("TTapiLineStatus"), nullptr);  // publishes nothing
}
