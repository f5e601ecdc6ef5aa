// The call-information and address views over blocks built here: every
// index, the published properties, the call's short number list, party
// strings and raw-byte fields, and hostile pairs.
#include "block_builder.h"

#include "kxtapi/line/address_views.h"
#include "kxtapi/line/call_info.h"
#include "kxtapi/line/registration.h"
#include "kxtapi/tapi/line_constants.h"
#include "kxtapi/tapi/line_structs.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

using namespace kxtapi;
using linetest::Pattern;
using linetest::PutString;

TEST(CallInfoView, EveryIndexReadsItsField)
{
    RegisterLineClasses();
#define F(Name) KX_FIELD(LINECALLINFO, Name)
#define PARTY(Name) F(Name##Flags), F(Name##Size), F(Name##Offset), F(Name##NameSize), F(Name##NameOffset)
#define PAIR(Name) F(Name##Size), F(Name##Offset)
    linetest::ExpectFieldsRead<TTapiCallInfo>(
        {F(LineDeviceID), F(AddressID), F(BearerMode), F(Rate), F(MediaMode), F(AppSpecific), F(CallID),
         F(RelatedCallID), F(CallParamFlags), F(CallStates), F(MonitorDigitModes), F(MonitorMediaModes),
         F(Origin), F(Reason), F(CompletionID), F(NumOwners), F(NumMonitors), F(CountryCode), F(Trunk),
         PARTY(CallerID), PARTY(CalledID), PARTY(ConnectedID), PARTY(RedirectionID), PARTY(RedirectingID),
         PAIR(AppName), PAIR(DisplayableAddress), PAIR(CalledParty), PAIR(Comment), PAIR(Display),
         PAIR(UserUserInfo), PAIR(HighLevelComp), PAIR(LowLevelComp), PAIR(ChargingInfo), PAIR(TerminalModes),
         PAIR(DevSpecific), F(CallTreatment), PAIR(CallData), PAIR(SendingFlowspec), PAIR(ReceivingFlowspec)},
        sizeof(LINECALLINFO));
#undef PAIR
#undef PARTY
#undef F
}

TEST(CallInfoView, OriginAndAddressAtTheIndexesTheCallReads)
{
    TVarBlock B(sizeof(LINECALLINFO));
    auto* I = B.As<LINECALLINFO>();
    I->hLine = 0x77;
    I->dwOrigin = LINECALLORIGIN_INBOUND;
    I->dwAddressID = 2;
    const TTapiCallInfo Info(&B);
    EXPECT_EQ(Info.GetDWORD(12), LINECALLORIGIN_INBOUND);
    EXPECT_EQ(Info.GetDWORD(1), 2u);
    EXPECT_EQ(Info.GetDWORD(0), 0u);  // dwLineDeviceID, not hLine
}

TEST(CallInfoView, ShortListOfTheCall)
{
    const TVarBlock B = linetest::PatternBlock(sizeof(LINECALLINFO));
    const TTapiCallInfo Info(&B);
    const uint32_t Expected[] = {
        offsetof(LINECALLINFO, dwAddressID),     offsetof(LINECALLINFO, dwBearerMode),
        offsetof(LINECALLINFO, dwOrigin),        offsetof(LINECALLINFO, dwReason),
        offsetof(LINECALLINFO, dwMediaMode),     offsetof(LINECALLINFO, dwCallerIDFlags),
        offsetof(LINECALLINFO, dwCalledIDFlags), offsetof(LINECALLINFO, dwConnectedIDFlags)};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Info.GetCallInfoDW(i), Pattern(Expected[i])) << i;
    EXPECT_EQ(Info.GetCallInfoDW(8), 0u);
    EXPECT_EQ(Info.GetCallInfoDW(-1), 0u);
    EXPECT_EQ(TTapiCallInfo(nullptr).GetCallInfoDW(2), 0u);
}

TEST(CallInfoView, StringsByIndexAndAsPublishedProperties)
{
    RegisterLineClasses();
    const char* Names[] = {"CallerID",          "CallerIDName",      "CalledID",      "CalledIDName",
                           "ConnectedID",       "ConnectedIDName",   "RedirectionID", "RedirectionIDName",
                           "RedirectingID",     "RedirectingIDName", "AppName",       "DisplayableAddress",
                           "CalledParty",       "Comment",           "Display",       "UserUserInfo",
                           "HighLevelComp",     "LowLevelComp",      "ChargingInfo",  "TerminalModes",
                           "DevSpecific"};
    const uint32_t SizeFields[] = {
        offsetof(LINECALLINFO, dwCallerIDSize),          offsetof(LINECALLINFO, dwCallerIDNameSize),
        offsetof(LINECALLINFO, dwCalledIDSize),          offsetof(LINECALLINFO, dwCalledIDNameSize),
        offsetof(LINECALLINFO, dwConnectedIDSize),       offsetof(LINECALLINFO, dwConnectedIDNameSize),
        offsetof(LINECALLINFO, dwRedirectionIDSize),     offsetof(LINECALLINFO, dwRedirectionIDNameSize),
        offsetof(LINECALLINFO, dwRedirectingIDSize),     offsetof(LINECALLINFO, dwRedirectingIDNameSize),
        offsetof(LINECALLINFO, dwAppNameSize),           offsetof(LINECALLINFO, dwDisplayableAddressSize),
        offsetof(LINECALLINFO, dwCalledPartySize),       offsetof(LINECALLINFO, dwCommentSize),
        offsetof(LINECALLINFO, dwDisplaySize),           offsetof(LINECALLINFO, dwUserUserInfoSize),
        offsetof(LINECALLINFO, dwHighLevelCompSize),     offsetof(LINECALLINFO, dwLowLevelCompSize),
        offsetof(LINECALLINFO, dwChargingInfoSize),      offsetof(LINECALLINFO, dwTerminalModesSize),
        offsetof(LINECALLINFO, dwDevSpecificSize)};
    TVarBlock B(1024);
    for (uint32_t i = 0; i < 21; ++i) {
        const std::string Text = "s" + std::to_string(i);
        PutString(B, SizeFields[i], 400 + 8 * i, Text + '\0', static_cast<uint32_t>(Text.size() + 1));
    }
    const TTapiCallInfo Info(&B);
    const TClassInfo* Class = FindClass("TTapiCallInfo");
    for (int i = 0; i < 21; ++i) {
        EXPECT_EQ(Info.GetString(i), "s" + std::to_string(i)) << Names[i];
        EXPECT_EQ(Class->Properties()[i]->Name(), Names[i]);  // strings stand first
        EXPECT_EQ(Class->Properties()[i]->GetString(&Info), Info.GetString(i));
    }
    EXPECT_EQ(Class->Properties().size(), 21u + 73u);
    EXPECT_EQ(Class->Properties()[21]->Name(), "LineDeviceID");
    EXPECT_EQ(Info.GetString(21), "");
}

TEST(CallInfoView, RawBytesEndAtTheirFirstZero)
{
    TVarBlock B(sizeof(LINECALLINFO) + 16);
    PutString(B, offsetof(LINECALLINFO, dwUserUserInfoSize), 324, std::string("\x01\x02\0\x03\x04", 5), 5);
    PutString(B, offsetof(LINECALLINFO, dwChargingInfoSize), 329, std::string("\0\x09", 2), 2);
    const TTapiCallInfo Info(&B);
    EXPECT_EQ(Info.GetString(15), "\x01\x02");
    EXPECT_EQ(Info.GetString(18), "");
}

TEST(CallInfoView, HostilePairsStayInsideTheBuffer)
{
    TVarBlock B(sizeof(LINECALLINFO));
    const TTapiCallInfo Info(&B);
    const uint32_t Caller = offsetof(LINECALLINFO, dwCallerIDSize);
    // Pointing at the block's own header and fixed part is allowed: those
    // bytes are inside the buffer.
    B.SetDword(Caller, 3);
    B.SetDword(Caller + 4, 0);
    EXPECT_EQ(Info.GetString(0), "\x44\x01");  // dwTotalSize 324 = 0x144, cut at its zero byte
    for (const auto& [Offset, Size] : std::vector<std::pair<uint32_t, uint32_t>>{
             {324, 1}, {0xFFFFFFFCu, 8}, {0xFFFFFFFFu, 0xFFFFFFFFu}, {1u << 31, 1u << 31}}) {
        B.SetDword(Caller, Size);
        B.SetDword(Caller + 4, Offset);
        EXPECT_EQ(Info.GetString(0), "") << Offset;
    }
    // The last byte of the buffer, with a size that claims much more.
    B.Data()[323] = 'Z';
    B.SetDword(Caller, 0xFFFFFFFFu);
    B.SetDword(Caller + 4, 323);
    EXPECT_EQ(Info.GetString(0), "Z");
}

TEST(AddressCapsView, EveryIndexReadsItsFieldAndTheAddress)
{
    RegisterLineClasses();
#define F(Name) KX_FIELD(LINEADDRESSCAPS, Name)
    linetest::ExpectFieldsRead<TTapiAddressCaps>(
        {F(LineDeviceID), F(AddressSize), F(AddressOffset), F(AddressSharing), F(AddressStates),
         F(CallInfoStates), F(CallerIDFlags), F(CalledIDFlags), F(ConnectedIDFlags), F(RedirectionIDFlags),
         F(RedirectingIDFlags), F(CallStates), F(DialToneModes), F(BusyModes), F(SpecialInfo),
         F(DisconnectModes), F(MaxNumActiveCalls), F(MaxNumOnHoldCalls), F(MaxNumOnHoldPendingCalls),
         F(MaxNumConference), F(MaxNumTransConf), F(AddrCapFlags), F(CallFeatures), F(RemoveFromConfCaps),
         F(RemoveFromConfState), F(TransferModes), F(ParkModes), F(ForwardModes), F(MaxForwardEntries),
         F(MaxSpecificEntries), F(MinFwdNumRings), F(MaxFwdNumRings), F(MaxCallCompletions),
         F(CallCompletionConds), F(CallCompletionModes), F(NumCompletionMessages),
         F(CompletionMsgTextEntrySize), F(CompletionMsgTextSize), F(CompletionMsgTextOffset),
         F(AddressFeatures), F(PredictiveAutoTransferStates), F(NumCallTreatments), F(CallTreatmentListSize),
         F(CallTreatmentListOffset), F(DeviceClassesSize), F(DeviceClassesOffset), F(MaxCallDataSize),
         F(CallFeatures2), F(MaxNoAnswerTimeout), F(ConnectedModes), F(OfferingModes), F(AvailableMediaModes)},
        sizeof(LINEADDRESSCAPS));
#undef F
    TVarBlock B(sizeof(LINEADDRESSCAPS) + 8);
    PutString(B, offsetof(LINEADDRESSCAPS, dwAddressSize), 228, "4711", 5);
    const TTapiAddressCaps Caps(&B);
    EXPECT_EQ(Caps.GetString(0), "4711");
    EXPECT_EQ(Caps.GetString(1), "");
    const auto& Props = FindClass("TTapiAddressCaps")->Properties();
    ASSERT_EQ(Props.size(), 53u);
    EXPECT_EQ(Props[3]->Name(), "Address");
    EXPECT_EQ(Props[3]->GetString(&Caps), "4711");
}

TEST(AddressStatusView, EveryIndexReadsItsField)
{
    RegisterLineClasses();
#define F(Name) KX_FIELD(LINEADDRESSSTATUS, Name)
    linetest::ExpectFieldsRead<TTapiAddressStatus>({F(NumInUse), F(NumActiveCalls), F(NumOnHoldCalls),
                                                    F(NumOnHoldPendCalls), F(AddressFeatures),
                                                    F(NumRingsNoAnswer), F(ForwardNumEntries)},
                                                   sizeof(LINEADDRESSSTATUS));
#undef F
}
