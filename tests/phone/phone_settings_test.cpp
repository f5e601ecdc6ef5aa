// The phone's asynchronous settings on the simulated switch, in SyncMode and
// in asynchronous mode: hook switches (their request, PHONE_REPLY, then
// PHONE_STATE and the events), gain and volume, display, ringer and lamps;
// failed and missing replies, refusals, and the service closing the phone
// while a write waits.

#include "phone_fixture.h"

#include <algorithm>

namespace kxtapi::testing {
namespace {

using PhoneSettingsTest = PhoneModeTest;

TEST_P(PhoneSettingsTest, LiftingAndReplacingTheHandset)
{
    TTapiPhoneHookSwitch* Handset = Phone.Get_Handset();
    ASSERT_TRUE(Handset->Get_OnHook());
    EXPECT_EQ(Handset->Set_OnHook(false), 0u);
    if (Sync()) {
        // The reply has been handled when the write returns.
        EXPECT_EQ(Log.Names, std::vector<std::string>{"Reply 0"});
        EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    } else {
        EXPECT_TRUE(Log.Names.empty());
        ASSERT_EQ(Phone.Get_Requests()->Count(), 1);
        const TTapiRequest* Request = Phone.Get_Requests()->Get(0);
        EXPECT_EQ(Request->Kind, static_cast<uint32_t>(prkSetHookSwitch));
        EXPECT_EQ(Request->Objects[0], Handset);
        EXPECT_EQ(static_cast<uint32_t>(Request->ID), Phone.Get_LastRequestID());
    }
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("DeviceState 200"); }));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Reply 0", "HandsetHookSwitch", "DeviceState 200"}));
    EXPECT_EQ(Logged("phoneSetHookSwitch"), std::vector<std::string>{"1,8"});
    EXPECT_FALSE(Handset->Get_OnHook());
    EXPECT_TRUE(Handset->Get_Micro());
    EXPECT_TRUE(Handset->Get_Speaker());
    EXPECT_EQ(Sim.PhoneHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET), static_cast<uint32_t>(PHONEHOOKSWITCHMODE_MICSPEAKER));

    Log.Clear();
    Handset->Set_OnHook(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("DeviceState 200"); }));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Reply 0", "HandsetHookSwitch", "DeviceState 200"}));
    EXPECT_TRUE(Handset->Get_OnHook());
    EXPECT_FALSE(Handset->Get_Micro());
}

TEST_P(PhoneSettingsTest, SpeakerAndMicrophoneWritesKeepTheOtherHalf)
{
    TTapiPhoneHookSwitch* Handset = Phone.Get_Handset();
    auto ModeIs = [&](uint32_t Mode) { return PumpUntil([&] { return Handset->Get_Mode() == Mode; }); };
    Sim.SetHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MIC);
    ASSERT_TRUE(ModeIs(PHONEHOOKSWITCHMODE_MIC));
    // Each write starts from the mode the previous one left.
    const struct {
        bool Speaker;
        bool Value;
        uint32_t Mode;
    } Steps[] = {
        {true, true, PHONEHOOKSWITCHMODE_MICSPEAKER},   // microphone on stays on
        {true, false, PHONEHOOKSWITCHMODE_MIC},
        {false, false, PHONEHOOKSWITCHMODE_ONHOOK},     // speaker off stays off
        {true, true, PHONEHOOKSWITCHMODE_SPEAKER},      // microphone off stays off
        {false, true, PHONEHOOKSWITCHMODE_MICSPEAKER},  // speaker on stays on
        {false, false, PHONEHOOKSWITCHMODE_SPEAKER},
        {true, false, PHONEHOOKSWITCHMODE_ONHOOK},
        {false, true, PHONEHOOKSWITCHMODE_MIC},
    };
    for (const auto& Step : Steps) {
        if (Step.Speaker) Handset->Set_Speaker(Step.Value);
        else Handset->Set_Micro(Step.Value);
        ASSERT_TRUE(ModeIs(Step.Mode)) << Step.Mode;
    }
    EXPECT_EQ(Logged("phoneSetHookSwitch"),
              (std::vector<std::string>{"1,8", "1,2", "1,1", "1,4", "1,8", "1,4", "1,1", "1,2"}));

    // A device in an unknown mode counts as on hook, and as nothing else.
    Sim.SetHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_UNKNOWN);
    ASSERT_TRUE(ModeIs(PHONEHOOKSWITCHMODE_UNKNOWN));
    EXPECT_TRUE(Handset->Get_OnHook());
    EXPECT_TRUE(Handset->Get_Unknown());
    EXPECT_FALSE(Handset->Get_Speaker());
    EXPECT_FALSE(Handset->Get_Micro());
}

TEST_P(PhoneSettingsTest, GainAndVolumeOfTheHookSwitches)
{
    Phone.Get_Handset()->Set_Gain(0x9000);
    Phone.Get_Speakerphone()->Set_Volume(0x1234);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("SpeakerphoneVolume"); }));
    EXPECT_TRUE(Log.Has("HandsetGain"));
    EXPECT_EQ(Phone.Get_Handset()->Get_Gain(), 0x9000u);
    EXPECT_EQ(Phone.Get_Speakerphone()->Get_Volume(), 0x1234u);
    EXPECT_EQ(Sim.PhoneGain(0, PHONEHOOKSWITCHDEV_HANDSET), 0x9000u);
    EXPECT_EQ(Logged("phoneSetGain"), std::vector<std::string>{"1,36864"});
    EXPECT_EQ(Logged("phoneSetVolume"), std::vector<std::string>{"2,4660"});
    // The headset is not there: the service refuses, nothing is filed.
    ASSERT_TRUE(Settled());
    EXPECT_EQ(TapiError([&] { Phone.Get_Headset()->Set_Volume(1); }),
              static_cast<uint32_t>(PHONEERR_INVALHOOKSWITCHDEV));
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
}

TEST_P(PhoneSettingsTest, TheDisplayWrittenAndReadBack)
{
    Phone.Get_Display()->Set_Text("Hello, kxtapi");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Display"); }));
    const std::string Expected = "Hello, kxtapi" + std::string(27, ' ');
    EXPECT_EQ(Phone.Get_Display()->Get_Text(), Expected);
    std::string Text = "stale";
    EXPECT_EQ(Phone.Get_Display(Text), 0u);
    EXPECT_EQ(Text, Expected);
    EXPECT_EQ(Sim.PhoneDisplay(0), Expected);
}

TEST_P(PhoneSettingsTest, RingModeAndVolume)
{
    TTapiPhoneRinger* Ringer = Phone.Get_Ringer();
    Ringer->Set_RingMode(2);
    ASSERT_TRUE(PumpUntil([&] { return Ringer->Get_RingMode() == 2; }));
    // The volume goes with the ring mode as it stands.
    Ringer->Set_Volume(0x4000);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("RingVolume"); }));
    EXPECT_EQ(Ringer->Get_Volume(), 0x4000u);
    EXPECT_EQ(Ringer->Get_RingMode(), 2u);
    EXPECT_EQ(Logged("phoneSetRing"), (std::vector<std::string>{"2,32768", "2,16384"}));
    EXPECT_TRUE(Log.Has("RingMode"));
    EXPECT_EQ(Sim.PhoneRingVolume(0), 0x4000u);
}

TEST_P(PhoneSettingsTest, ALampLit)
{
    TTapiPhoneControl* Hold = Phone.Get_Controls()->Get(12);
    ASSERT_TRUE(Hold->IsLamp());
    Hold->Set_LampMode(PHONELAMPMODE_STEADY);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Lamp 12"); }));
    EXPECT_EQ(Hold->Get_LampMode(), static_cast<uint32_t>(PHONELAMPMODE_STEADY));
    EXPECT_EQ(Hold->Get_LampModeText(), "STEADY");
    EXPECT_EQ(Sim.PhoneLamp(0, 12), static_cast<uint32_t>(PHONELAMPMODE_STEADY));
    // A key without a lamp: the service refuses the mode.
    EXPECT_FALSE(Phone.Get_Controls()->Get(3)->IsLamp());
    EXPECT_EQ(TapiError([&] { Phone.Get_Controls()->Get(3)->Set_LampMode(PHONELAMPMODE_STEADY); }),
              static_cast<uint32_t>(PHONEERR_INVALLAMPMODE));
}

TEST_P(PhoneSettingsTest, AFailedReply)
{
    Fault(sim::sfFailReply, "phoneSetLamp", PHONEERR_RESOURCEUNAVAIL);
    TTapiPhoneControl* Hold = Phone.Get_Controls()->Get(12);
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { Hold->Set_LampMode(PHONELAMPMODE_FLASH); }),
                  static_cast<uint32_t>(PHONEERR_RESOURCEUNAVAIL));
        EXPECT_EQ(Log.Names, std::vector<std::string>{"Reply 9000001F"});
    } else {
        EXPECT_EQ(Hold->Set_LampMode(PHONELAMPMODE_FLASH), 0u);
        ASSERT_TRUE(PumpUntil([&] { return Log.Has("Reply 9000001F"); }));
    }
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    EXPECT_EQ(Sim.PhoneLamp(0, 12), static_cast<uint32_t>(PHONELAMPMODE_OFF));
}

TEST_P(PhoneSettingsTest, ARefusalFilesNothing)
{
    Fault(sim::sfFailCall, "phoneSetDisplay", PHONEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(TapiError([&] { Phone.Get_Display()->Set_Text("x"); }), static_cast<uint32_t>(PHONEERR_RESOURCEUNAVAIL));
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    EXPECT_TRUE(Log.Names.empty());
}

TEST_P(PhoneSettingsTest, AMissingReplyTimesOut)
{
    Phone.Get_Options()->Set_ReplyTimeout(1000);
    Fault(sim::sfNeverReply, "phoneSetRing");
    auto TimedOut = [&] { return std::count(Log.Names.begin(), Log.Names.end(), "Timeout"); };
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { Phone.Get_Ringer()->Set_RingMode(1); }),
                  static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
        // The wait outlasts the request's own deadline, so the session's tick
        // may already have expired it during the wait's last round; if it is
        // gone, the time-out took it and said so.
        EXPECT_LE(Phone.Get_Requests()->Count(), 1);
        EXPECT_EQ(TimedOut(), 1 - Phone.Get_Requests()->Count());
    } else {
        EXPECT_EQ(Phone.Get_Ringer()->Set_RingMode(1), 0u);
        Tick(900);
        EXPECT_EQ(TimedOut(), 0);
        EXPECT_EQ(Phone.Get_Requests()->Count(), 1);
    }
    Tick(1000);
    EXPECT_EQ(TimedOut(), 1);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
}

TEST_P(PhoneSettingsTest, WritesOnAClosedPhoneAndWithoutOwnership)
{
    TTapiPhone Watcher(nullptr);
    Watcher.Get_Options()->Set_SyncMode(Sync());
    OpenPhone(Watcher, /*Monitor=*/true);
    EXPECT_EQ(TapiError([&] { Watcher.Get_Handset()->Set_OnHook(false); }), static_cast<uint32_t>(PHONEERR_NOTOWNER));
    EXPECT_EQ(TapiError([&] { Watcher.Get_Ringer()->Set_Volume(1); }), static_cast<uint32_t>(PHONEERR_NOTOWNER));

    Phone.Set_Active(false);
    EXPECT_EQ(Refusal([&] { Phone.Get_Display()->Set_Text("x"); }), "SetDisplay failed! Device not active.");
    EXPECT_EQ(Refusal([&] { Phone.Get_Ringer()->Set_RingMode(1); }), "SetRing failed! Device not active.");
    EXPECT_EQ(Refusal([&] { Phone.Get_Handset()->Set_OnHook(false); }), "Phone device not active");
    EXPECT_EQ(Refusal([&] { Phone.Get_Speakerphone()->Set_Gain(1); }), "Phone device not active");
    EXPECT_EQ(TapiError([&] { Phone.Get_Controls()->Get(12)->Set_LampMode(PHONELAMPMODE_STEADY); }),
              static_cast<uint32_t>(PHONEERR_INVALPHONEHANDLE));
    EXPECT_EQ(Refusal([&] { Phone.Set_Lamp(nullptr, PHONELAMPMODE_STEADY); }), "SetLamp failed! No control.");
    std::string Text = "stale";
    EXPECT_EQ(Phone.Get_Display(Text), static_cast<uint32_t>(PHONEERR_INVALPHONEHANDLE));
    EXPECT_EQ(Text, "");
}

TEST_P(PhoneSettingsTest, HookSwitchesOfNoPhoneOrAnUnknownDevice)
{
    TTapiPhoneHookSwitch Loose(nullptr, PHONEHOOKSWITCHDEV_HANDSET);
    EXPECT_EQ(Loose.Get_Volume(), 0u);
    EXPECT_FALSE(Loose.Get_Available());
    EXPECT_EQ(Refusal([&] { Loose.Set_OnHook(false); }), "No phone device");

    TTapiPhoneHookSwitch Odd(&Phone, 8);
    EXPECT_FALSE(Odd.Get_Available());
    EXPECT_EQ(Refusal([&] { Odd.Get_OnHook(); }), "Invalid HookSwitchDevice");
    EXPECT_EQ(Refusal([&] { Odd.Get_Modes(); }), "Invalid HookSwitchDevice");
    EXPECT_EQ(Refusal([&] { Odd.Get_Gain(); }), "Invalid HookSwitchDevice");
    EXPECT_EQ(Refusal([&] { Odd.Set_Speaker(true); }), "Invalid HookSwitchDevice");
    // Lifting reads no mode: the service refuses the device.
    EXPECT_EQ(Refusal([&] { Odd.Set_OnHook(false); }), "ETapiError");
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
}

TEST_P(PhoneSettingsTest, TheServiceClosesThePhoneWhileAHookSwitchWriteWaits)
{
    Fault(sim::sfNeverReply, "phoneSetHookSwitch");
    if (Sync()) {
        HWND Closer = AllocateHWnd([&](TMessage&) { Sim.ClosePhone(0); });
        PostMessage(Closer, WM_USER + 1, 0, 0);
        const uint32_t Start = GetTickCount();
        EXPECT_EQ(TapiError([&] { Phone.Get_Handset()->Set_OnHook(false); }),
                  static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
        // Ended by the close, not by the reply time-out.
        EXPECT_LT(GetTickCount() - Start, 1000u);
        DeallocateHWnd(Closer);
    } else {
        Phone.Get_Handset()->Set_OnHook(false);
        EXPECT_EQ(Phone.Get_Requests()->Count(), 1);
        Sim.ClosePhone(0);
    }
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("DeviceClose"); }));
    // Nothing of the open phone outlives the close.
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    EXPECT_EQ(Phone.Get_DeviceHandle(), 0u);
    EXPECT_FALSE(Phone.Get_Active());
    EXPECT_FALSE(Phone.Get_Handset()->Get_Enabled());
    EXPECT_EQ(Phone.Get_GrantedPhoneStates(), 0u);
    EXPECT_FALSE(Phone.Get_LineDevice()->Get_Available());
    // No time-out follows for the dropped request.
    Tick(120000);
    EXPECT_FALSE(Log.Has("Timeout"));
    // The phone opens again.
    Sim.ClearFaults();
    Phone.Set_Active(true);
    EXPECT_TRUE(Phone.Get_Active());
    EXPECT_EQ(Phone.Get_Handset()->Set_OnHook(false), 0u);
}

TEST_P(PhoneSettingsTest, AProviderThatKeepsAskingForMoreEndsTheDisplayRead)
{
    Fault(sim::sfFailCall, "phoneGetDisplay", PHONEERR_STRUCTURETOOSMALL);
    std::string Text = "stale";
    EXPECT_EQ(Phone.Get_Display(Text), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    EXPECT_EQ(Text, "");
}

TEST_P(PhoneSettingsTest, FreedByAHandlerWhileAWriteWaits)
{
    auto* Other = new TTapiPhone(nullptr);
    Other->Get_Options()->Set_SyncMode(Sync());
    OpenPhone(*Other);
    const int Phones = TapiApplication->Phones.Count();
    bool Replied = false;
    Other->OnTapiReply = [&](TObject* Sender, uint32_t, uint32_t) {
        Replied = true;
        static_cast<TTapiPhone*>(Sender)->Free();
    };
    EXPECT_EQ(Other->Get_Ringer()->Set_RingMode(3), 0u);
    if (Sync()) {
        // Freed as the write returned.
        EXPECT_TRUE(Replied);
        EXPECT_EQ(TapiApplication->Phones.Count(), Phones - 1);
    }
    ASSERT_TRUE(PumpUntil([&] { return TapiApplication->Phones.Count() == Phones - 1; }));
}

INSTANTIATE_TEST_SUITE_P(Modes, PhoneSettingsTest, ::testing::Bool(), ModeName);

} // namespace
} // namespace kxtapi::testing
