// Phone devices: capabilities, status, the asynchronous settings and the
// user's hand on the handset.

#include "service_fixture.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

class Phones : public ServiceTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(App.Init(), 0u);
        ASSERT_EQ(phoneOpen(App.App, 0, &Owner, 0x00020001, 0, 0x51, PHONEPRIVILEGE_OWNER), 0u);
        ASSERT_EQ(phoneSetStatusMessages(Owner, 0x00FFFFFF, 0x3F, 0x0F), 0u);
    }
    uint32_t Reply(uint32_t Request)
    {
        for (PHONEMESSAGE m = App.Next(); m.dwMessageID != 0xFFFFFFFF; m = App.Next())
            if (m.dwMessageID == PHONE_REPLY && m.dwParam1 == Request) return m.dwParam2;
        return 0xFFFFFFFF;
    }
    std::vector<PHONEMESSAGE> Of(DWORD MessageID)
    {
        std::vector<PHONEMESSAGE> r;
        for (const PHONEMESSAGE& m : App.Drain())
            if (m.dwMessageID == MessageID) r.push_back(m);
        return r;
    }
    TPhoneApp App;
    HPHONE Owner = 0;
};

TEST_F(Phones, CapabilitiesDescribeDisplayRingerHookSwitchesButtonsAndLamps)
{
    TBlock<PHONECAPS> c(sizeof(PHONECAPS));
    ASSERT_EQ(phoneGetDevCapsA(App.App, 0, 0x00020001, 0, c.get()), 0u);
    c.Grow(c.Needed());
    ASSERT_EQ(phoneGetDevCapsA(App.App, 0, 0x00020001, 0, c.get()), 0u);
    EXPECT_EQ(c.Str(offsetof(PHONECAPS, dwPhoneNameSize)), "Simulated Phone 1");
    EXPECT_EQ(c->dwDisplayNumRows, 2u);
    EXPECT_EQ(c->dwDisplayNumColumns, 20u);
    EXPECT_EQ(c->dwNumRingModes, 3u);
    EXPECT_EQ(c->dwHookSwitchDevs, PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER);
    ASSERT_EQ(c->dwNumButtonLamps, 17u);
    ASSERT_EQ(c->dwButtonModesSize, 17u * 4);
    uint32_t Modes[17], Lamps[17];
    std::memcpy(Modes, c.Bytes.data() + c->dwButtonModesOffset, sizeof Modes);
    std::memcpy(Lamps, c.Bytes.data() + c->dwLampModesOffset, sizeof Lamps);
    EXPECT_EQ(Modes[10], PHONEBUTTONMODE_KEYPAD);
    EXPECT_EQ(Modes[12], PHONEBUTTONMODE_FEATURE);
    EXPECT_EQ(Lamps[0], PHONELAMPMODE_DUMMY);
    EXPECT_TRUE(Lamps[12] & PHONELAMPMODE_STEADY);
}

TEST_F(Phones, SettingsCompleteWithAReplyAndAStateMessage)
{
    uint32_t r = phoneSetDisplay(Owner, 1, 5, "Hello", 5);
    ASSERT_GT(int32_t(r), 0);
    auto m = App.Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].dwMessageID, PHONE_REPLY);
    EXPECT_EQ(m[0].dwCallbackInstance, 0x51u);
    EXPECT_EQ(m[1].dwMessageID, PHONE_STATE);
    EXPECT_EQ(m[1].dwParam1, PHONESTATE_DISPLAY);
    EXPECT_EQ(Sim.PhoneDisplay(0), std::string(20, ' ') + "     Hello          ");
    TBlock<VARSTRING> v(256);
    ASSERT_EQ(phoneGetDisplay(Owner, v.get()), 0u);
    EXPECT_EQ(v.Str(offsetof(VARSTRING, dwStringSize)), Sim.PhoneDisplay(0));
    EXPECT_EQ(phoneSetDisplay(Owner, 2, 0, "x", 1), PHONEERR_INVALPARAM);

    EXPECT_EQ(Reply(phoneSetRing(Owner, 2, 0x4000)), 0u);
    EXPECT_EQ(Sim.PhoneRingMode(0), 2u);
    EXPECT_EQ(Sim.PhoneRingVolume(0), 0x4000u);
    EXPECT_EQ(phoneSetRing(Owner, 4, 0), PHONEERR_INVALRINGMODE);
    auto Ring = App.Drain();
    ASSERT_EQ(Ring.size(), 1u);
    EXPECT_EQ(Ring[0].dwParam1, PHONESTATE_RINGMODE | PHONESTATE_RINGVOLUME);

    r = phoneSetLamp(Owner, 12, PHONELAMPMODE_FLASH);
    m = App.Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].dwParam1, PHONESTATE_LAMP);
    EXPECT_EQ(m[1].dwParam2, 12u);
    DWORD Lamp = 0;
    ASSERT_EQ(phoneGetLamp(Owner, 12, &Lamp), 0u);
    EXPECT_EQ(Lamp, PHONELAMPMODE_FLASH);
    EXPECT_EQ(phoneSetLamp(Owner, 0, PHONELAMPMODE_STEADY), PHONEERR_INVALLAMPMODE) << "a key without a lamp";
    EXPECT_EQ(phoneSetLamp(Owner, 99, PHONELAMPMODE_STEADY), PHONEERR_INVALBUTTONLAMPID);

    EXPECT_EQ(Reply(phoneSetHookSwitch(Owner, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER)), 0u);
    EXPECT_EQ(Sim.PhoneHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET), PHONEHOOKSWITCHMODE_MICSPEAKER);
    EXPECT_EQ(phoneSetHookSwitch(Owner, PHONEHOOKSWITCHDEV_HEADSET, PHONEHOOKSWITCHMODE_MIC),
              PHONEERR_INVALHOOKSWITCHDEV);
    EXPECT_EQ(Reply(phoneSetGain(Owner, PHONEHOOKSWITCHDEV_SPEAKER, 0x1234)), 0u);
    EXPECT_EQ(Sim.PhoneGain(0, PHONEHOOKSWITCHDEV_SPEAKER), 0x1234u);
    EXPECT_EQ(Reply(phoneSetVolume(Owner, PHONEHOOKSWITCHDEV_HANDSET, 0xFFFF)), 0u);
    EXPECT_EQ(Sim.PhoneVolume(0, PHONEHOOKSWITCHDEV_HANDSET), 0xFFFFu);
    EXPECT_EQ(phoneSetVolume(Owner, PHONEHOOKSWITCHDEV_HANDSET, 0x10000), PHONEERR_INVALPARAM);

    TBlock<PHONESTATUS> s(1024);
    ASSERT_EQ(phoneGetStatusA(Owner, s.get()), 0u);
    EXPECT_EQ(s->dwRingMode, 2u);
    EXPECT_EQ(s->dwHandsetHookSwitchMode, PHONEHOOKSWITCHMODE_MICSPEAKER);
    EXPECT_EQ(s->dwSpeakerGain, 0x1234u);
    EXPECT_EQ(s->dwNumOwners, 1u);
    EXPECT_EQ(s.Str(offsetof(PHONESTATUS, dwOwnerNameSize)), "service test");
    ASSERT_EQ(s->dwLampModesSize, 17u * 4);
    uint32_t l12;
    std::memcpy(&l12, s.Bytes.data() + s->dwLampModesOffset + 12 * 4, 4);
    EXPECT_EQ(l12, PHONELAMPMODE_FLASH);
}

TEST_F(Phones, MonitorsMayNotChangeThePhone)
{
    TPhoneApp Other;
    ASSERT_EQ(Other.Init(), 0u);
    HPHONE m = 0;
    ASSERT_EQ(phoneOpen(Other.App, 0, &m, 0x00020001, 0, 1, PHONEPRIVILEGE_MONITOR), 0u);
    EXPECT_EQ(phoneSetRing(m, 1, 1), PHONEERR_NOTOWNER);
    EXPECT_EQ(phoneSetDisplay(m, 0, 0, "x", 1), PHONEERR_NOTOWNER);
    EXPECT_EQ(phoneOpen(Other.App, 0, &m, 0x00020001, 0, 1, 3), PHONEERR_INVALPRIVILEGE);
    auto Owners = Of(PHONE_STATE);
    ASSERT_EQ(Owners.size(), 1u);
    EXPECT_EQ(Owners[0].dwParam1, PHONESTATE_MONITORS);
    EXPECT_EQ(Owners[0].dwParam2, 1u);
}

TEST_F(Phones, TheUsersButtonsAndHookSwitchAreReported)
{
    App.Drain();
    Sim.PressButton(0, 10);
    Sim.ReleaseButton(0, 10);
    auto b = Of(PHONE_BUTTON);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].dwParam1, 10u);
    EXPECT_EQ(b[0].dwParam2, PHONEBUTTONMODE_KEYPAD);
    EXPECT_EQ(b[0].dwParam3, PHONEBUTTONSTATE_DOWN);
    EXPECT_EQ(b[1].dwParam3, PHONEBUTTONSTATE_UP);
    TBlock<PHONEBUTTONINFO> bi(256);
    ASSERT_EQ(phoneGetButtonInfoA(Owner, 10, bi.get()), 0u);
    EXPECT_EQ(bi.Str(offsetof(PHONEBUTTONINFO, dwButtonTextSize)), "*");
    EXPECT_EQ(bi->dwButtonState, PHONEBUTTONSTATE_UP);
    // Buttons of modes the application did not ask for stay quiet.
    ASSERT_EQ(phoneSetStatusMessages(Owner, PHONESTATE_HANDSETHOOKSWITCH, PHONEBUTTONMODE_FEATURE, 8), 0u);
    Sim.PressButton(0, 3);
    Sim.PressButton(0, 13);
    b = Of(PHONE_BUTTON);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].dwParam1, 13u);
    Sim.SetHookSwitch(0, PHONEHOOKSWITCHDEV_HANDSET, PHONEHOOKSWITCHMODE_MICSPEAKER);
    auto s = Of(PHONE_STATE);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].dwParam1, PHONESTATE_HANDSETHOOKSWITCH);
    EXPECT_EQ(s[0].dwParam2, PHONEHOOKSWITCHMODE_MICSPEAKER);
    EXPECT_EQ(phoneSetStatusMessages(Owner, 0, 0x40, 1), PHONEERR_INVALBUTTONMODE);
    EXPECT_EQ(phoneSetStatusMessages(Owner, 0, 1, 0), PHONEERR_INVALBUTTONSTATE);
}

TEST_F(Phones, ClosedPhonesAndTheirRequests)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "phoneSetRing", .Delay = 100});
    ASSERT_GT(int32_t(phoneSetRing(Owner, 1, 1)), 0);
    Sim.ClosePhone(0);
    auto c = Of(PHONE_CLOSE);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].hDevice, Owner);
    Clock.Advance(100);
    EXPECT_TRUE(App.Drain().empty()) << "the closed phone's request was forgotten";
    EXPECT_EQ(phoneClose(Owner), PHONEERR_INVALPHONEHANDLE);
}

}  // namespace
}  // namespace kxtapi::testing
