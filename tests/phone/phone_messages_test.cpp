// PHONE_STATE and PHONE_BUTTON on the simulated switch's phone: the order of
// the events, the owner and monitor counts, removal, the keypad digits and
// buttons beyond the controls list; and the phone removed while open.

#include "phone_fixture.h"

namespace kxtapi::testing {
namespace {

class PhoneMessagesTest : public PhoneTest {
protected:
    void SetUp() override
    {
        Log.Attach(Phone);
        Phone.OnTapiMessage = [this](TObject*, uint32_t ID, uint32_t, uint32_t, uint32_t) {
            Log.Add("Message " + IntToStr(ID));
        };
        OpenPhone(Phone);
        Log.Clear();
    }
    /// Pumps until Name is logged.
    bool Await(const std::string& Name) { return PumpUntil([&] { return Log.Has(Name); }); }

    TTapiPhone Phone{nullptr};
    TPhoneLog Log;
};

TEST_F(PhoneMessagesTest, SeveralStatesRaiseTheirEventsInOrderThenDeviceStateThenTheMessage)
{
    const uint32_t States = PHONESTATE_OTHER | PHONESTATE_HEADSETGAIN | PHONESTATE_HEADSETVOLUME |
                            PHONESTATE_HEADSETHOOKSWITCH | PHONESTATE_SPEAKERGAIN | PHONESTATE_SPEAKERVOLUME |
                            PHONESTATE_SPEAKERHOOKSWITCH | PHONESTATE_HANDSETGAIN | PHONESTATE_HANDSETVOLUME |
                            PHONESTATE_HANDSETHOOKSWITCH | PHONESTATE_RINGVOLUME | PHONESTATE_RINGMODE |
                            PHONESTATE_LAMP | PHONESTATE_DISPLAY | PHONESTATE_SUSPEND;
    Sim.ReportPhoneState(0, States, 12, 0);
    ASSERT_TRUE(Await("Message 18"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{
                             "Display", "Lamp 12", "RingMode", "RingVolume", "HandsetHookSwitch", "HandsetVolume",
                             "HandsetGain", "SpeakerphoneHookSwitch", "SpeakerphoneVolume", "SpeakerphoneGain",
                             "HeadsetHookSwitch", "HeadsetVolume", "HeadsetGain", "DeviceState " + IntToHex(States, 1),
                             "Message 18"}));
    // Bits without an event of their own raise only OnDeviceState.
    Log.Clear();
    Sim.ReportPhoneState(0, PHONESTATE_CONNECTED | PHONESTATE_RESUME);
    ASSERT_TRUE(Await("Message 18"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"DeviceState 80002", "Message 18"}));
}

TEST_F(PhoneMessagesTest, TheOwnerAndMonitorCountsOfAMessageAloneAreKept)
{
    Sim.ReportPhoneState(0, PHONESTATE_OWNER, 7);
    ASSERT_TRUE(Await("DeviceState 8"));
    EXPECT_EQ(Phone.Get_StatusDW(1), 7u);
    // Together with another bit, the count the status reports stays.
    Log.Clear();
    Sim.ReportPhoneState(0, PHONESTATE_OWNER | PHONESTATE_OTHER, 7);
    ASSERT_TRUE(Await("DeviceState 9"));
    EXPECT_EQ(Phone.Get_StatusDW(1), 1u);

    // Another program opens the phone as a monitor: the service tells.
    TTapiPhone Watcher(nullptr);
    OpenPhone(Watcher, /*Monitor=*/true);
    ASSERT_TRUE(Await("DeviceState 10"));
    EXPECT_EQ(Phone.Get_StatusDW(2), 1u);
    EXPECT_EQ(Watcher.Get_StatusDW(2), 1u);
}

TEST_F(PhoneMessagesTest, KeypadButtonsRaiseTheirDigitThenTheButton)
{
    Sim.PressButton(0, 10);
    ASSERT_TRUE(Await("Button 10"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Pressed *", "Button 10", "Message 14"}));
    // The control was read again for the message.
    EXPECT_EQ(Phone.Get_Controls()->Get(10)->Get_ButtonState(), static_cast<uint32_t>(PHONEBUTTONSTATE_DOWN));
    Log.Clear();
    Sim.ReleaseButton(0, 10);
    ASSERT_TRUE(Await("Message 14"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Released *", "Button 10", "Message 14"}));
    EXPECT_EQ(Phone.Get_Controls()->Get(10)->Get_ButtonState(), static_cast<uint32_t>(PHONEBUTTONSTATE_UP));

    // A feature key has no digit.
    Log.Clear();
    Sim.PressButton(0, 12);
    ASSERT_TRUE(Await("Message 14"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Button 12", "Message 14"}));

    // Every keypad identifier names its digit.
    std::string Digits;
    Phone.OnDigitPressed = [&](TTapiPhone*, char D) { Digits += D; };
    for (uint32_t ID = 0; ID < 12; ++ID) Sim.PressButton(0, ID);
    ASSERT_TRUE(PumpUntil([&] { return Digits.size() == 12; }));
    EXPECT_EQ(Digits, "0123456789*#");
}

TEST_F(PhoneMessagesTest, ButtonsBeyondTheControlsAndKeypadIdentifiersOfAnotherMode)
{
    Sim.ReportButton(0, 40, PHONEBUTTONMODE_FEATURE, PHONEBUTTONSTATE_DOWN);
    ASSERT_TRUE(Await("Message 14"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Button 40", "Message 14"}));
    EXPECT_EQ(Phone.Get_Controls()->Count(), 17);
    // The button mode is not consulted for the digit.
    Log.Clear();
    Sim.ReportButton(0, 3, PHONEBUTTONMODE_FEATURE, PHONEBUTTONSTATE_UP);
    ASSERT_TRUE(Await("Message 14"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Released 3", "Button 3", "Message 14"}));
}

TEST_F(PhoneMessagesTest, ReportedRemovalForgetsTheDevice)
{
    Sim.ReportPhoneState(0, PHONESTATE_REMOVED);
    ASSERT_TRUE(Await("Message 18"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"DeviceRemove", "DeviceState 800000", "Message 18"}));
    EXPECT_FALSE(Phone.Get_Available());
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
    EXPECT_EQ(Phone.Get_Controls()->Count(), 0);
}

TEST_F(PhoneMessagesTest, APhoneRemovedWhileOpen)
{
    Phone.Get_Options()->Set_SyncMode(false);
    sim::TSimFault Never;
    Never.Kind = sim::sfNeverReply;
    Never.Function = "phoneSetHookSwitch";
    Sim.InjectFault(Never);
    Phone.Get_Handset()->Set_OnHook(false);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 1);
    Sim.RemovePhone(0);
    ASSERT_TRUE(Await("DeviceRemove"));
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"DeviceClose", "Message 15", "DeviceRemove", "Message 26"}));
    EXPECT_EQ(Phone.Get_DeviceHandle(), 0u);
    EXPECT_FALSE(Phone.Get_Active());
    EXPECT_FALSE(Phone.Get_Available());
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    EXPECT_EQ(Phone.Get_Controls()->Count(), 0);
    EXPECT_EQ(TapiApplication->PhoneDevices.IndexOf("Simulated Phone 1"), -1);
    // Nothing is left to open.
    EXPECT_EQ(TapiError([&] { Phone.Set_Active(true); }), static_cast<uint32_t>(LINEERR_NODEVICE));
}

} // namespace
} // namespace kxtapi::testing
