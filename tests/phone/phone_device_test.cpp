// The phone as a device: selection, opening and closing, names, the views
// on its blocks, the controls with their fallbacks, a phone in a form file.

#include "phone_fixture.h"

namespace kxtapi::testing {
namespace {

using PhoneDeviceTest = PhoneTest;

TEST_F(PhoneDeviceTest, SelectingReadsTheCapabilitiesAndBuildsTheParts)
{
    TTapiPhone Phone(nullptr);
    EXPECT_TRUE(Phone.Get_Privileges()->Get_Monitor());
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
    Phone.Set_DeviceName("simulated PHONE 1");
    EXPECT_EQ(Phone.Get_DeviceID(), 0);
    EXPECT_TRUE(Phone.Get_Available());
    EXPECT_FALSE(Phone.Get_Active());
    EXPECT_EQ(Phone.Get_DeviceName(), "Simulated Phone 1");

    TTapiPhoneCaps* Caps = Phone.Get_Caps();
    EXPECT_EQ(Caps->GetDWORD(21), 17u);
    EXPECT_EQ(Caps->GetString(2), "Simulated Phone 1");
    EXPECT_EQ(Caps->GetString(0), "Simulated switch");
    EXPECT_EQ(Caps->GetDWORD(12), static_cast<uint32_t>(PHONEHOOKSWITCHDEV_HANDSET | PHONEHOOKSWITCHDEV_SPEAKER));
    EXPECT_EQ(Caps->GetDWORD(45), 0u);
    EXPECT_EQ(Caps->GetDWORD(-1), 0u);
    EXPECT_EQ(Caps->GetString(8), "");
    ASSERT_EQ(Phone.Get_Controls()->Count(), 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(Phone.Get_Controls()->Get(i)->Get_ButtonLampID(), static_cast<uint32_t>(i));

    EXPECT_TRUE(Phone.Get_Display()->Get_Available());
    EXPECT_EQ(Phone.Get_Display()->Get_NumRows(), 2u);
    EXPECT_EQ(Phone.Get_Display()->Get_NumColumns(), 20u);
    EXPECT_TRUE(Phone.Get_Ringer()->Get_Available());
    EXPECT_TRUE(Phone.Get_Handset()->Get_Available());
    EXPECT_TRUE(Phone.Get_Speakerphone()->Get_GainAvailable());
    EXPECT_FALSE(Phone.Get_Headset()->Get_Available());
    EXPECT_FALSE(Phone.Get_Headset()->Get_VolumeAvailable());
    // Selected but closed: nothing is enabled, and the status is empty.
    EXPECT_FALSE(Phone.Get_Handset()->Get_Enabled());
    EXPECT_EQ(Phone.Get_Handset()->Get_Modes(), 0x0Fu);
    EXPECT_EQ(Phone.Get_Handset()->Get_Mode(), 0u);
    EXPECT_EQ(Phone.Get_Display()->Get_Text(), "");

    // Forgetting the device frees the controls and empties the blocks.
    EXPECT_EQ(Phone.Init(-1), 0u);
    EXPECT_FALSE(Phone.Get_Available());
    EXPECT_EQ(Phone.Get_Controls()->Count(), 0);
    EXPECT_EQ(Caps->GetDWORD(21), 0u);
    EXPECT_EQ(Phone.Get_DeviceName(), "Simulated Phone 1");
}

TEST_F(PhoneDeviceTest, ControlsFallBackToTheCapabilitiesWhileClosed)
{
    sim::TSimConfig Config = Sim.Config();
    Config.Phones[0].Buttons.resize(5);   // keypad 0-4
    Config.Phones[0].Buttons[2].LampModes = PHONELAMPMODE_OFF | PHONELAMPMODE_STEADY;
    Sim.Configure(Config);
    TTapiPhone Phone(nullptr);
    Phone.Set_DeviceID(0);
    ASSERT_EQ(Phone.Get_Controls()->Count(), 5);

    TTapiPhoneControl* Key = Phone.Get_Controls()->Get(4);
    EXPECT_EQ(Key->Update(), 0u);
    EXPECT_EQ(Key->Get_ButtonMode(), static_cast<uint32_t>(PHONEBUTTONMODE_KEYPAD));
    EXPECT_EQ(Key->Get_ButtonModeText(), "KEYPAD");
    EXPECT_EQ(Key->Get_ButtonFunction(), static_cast<uint32_t>(PHONEBUTTONFUNCTION_NONE));
    EXPECT_EQ(Key->Get_ButtonState(), 0u);
    EXPECT_EQ(Key->Get_ButtonText(), "");
    EXPECT_EQ(Key->Get_LampMode(), static_cast<uint32_t>(PHONELAMPMODE_DUMMY));
    EXPECT_TRUE(Key->IsButton());
    EXPECT_FALSE(Key->IsLamp());
    EXPECT_EQ(Phone.Get_Controls()->Get(2)->Get_LampMode(),
              static_cast<uint32_t>(PHONELAMPMODE_OFF | PHONELAMPMODE_STEADY));

    // Identifier 5 lies beyond the five elements of the lists: it reads 0,
    // and a mode of 0 counts as button and as lamp.
    TTapiPhoneControl Beyond(&Phone, 5);
    EXPECT_EQ(Beyond.Get_ButtonMode(), 0u);
    EXPECT_EQ(Beyond.Get_LampMode(), 0u);
    EXPECT_TRUE(Beyond.IsButton());
    EXPECT_TRUE(Beyond.IsLamp());

    // Without a selected device a control has nothing to read.
    Phone.Set_DeviceID(-1);
    TTapiPhoneControl Orphan(&Phone, 1);
    EXPECT_EQ(Orphan.Update(), static_cast<uint32_t>(PHONEERR_OPERATIONFAILED));
    EXPECT_EQ(Orphan.Get_ButtonMode(), 0u);
}

TEST_F(PhoneDeviceTest, InitRefusesAndKeepsWhatItMust)
{
    TTapiPhone Phone(nullptr);
    Phone.Set_DeviceID(0);
    // The current identifier while enabled: nothing is read again (a read
    // would fail now).
    Fault(sim::sfFailCall, "phoneGetDevCapsA", PHONEERR_NODEVICE);
    EXPECT_EQ(Phone.Init(0), 0u);
    EXPECT_TRUE(Phone.Get_Available());
    EXPECT_EQ(Phone.Get_Controls()->Count(), 17);
    Sim.ClearFaults();

    // An identifier beyond the list: the selected device is forgotten first.
    EXPECT_EQ(Phone.Init(7), static_cast<uint32_t>(LINEERR_BADDEVICEID));
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
    EXPECT_FALSE(Phone.Get_Available());

    OpenPhone(Phone);
    EXPECT_EQ(Refusal([&] { Phone.Init(-1); }), "TTapiPhone.Init failed! Device already active.");
    EXPECT_EQ(Refusal([&] { Phone.Set_DeviceID(0); }), "TTapiPhone.Init failed! Device already active.");
}

TEST_F(PhoneDeviceTest, IdentifiersAbove255NeverSelect)
{
    sim::TSimConfig Config = Sim.Config();
    for (int i = 1; i < 300; ++i) {
        sim::TSimPhoneConfig P;
        P.Name = "Phone " + IntToStr(i);
        Config.Phones.push_back(P);
    }
    Sim.Configure(Config);
    TTapiPhone Phone(nullptr);
    EXPECT_EQ(Phone.Init(255), 0u);
    EXPECT_EQ(Phone.Get_DeviceName(), "Phone 255");
    EXPECT_EQ(Phone.Init(256), static_cast<uint32_t>(LINEERR_BADDEVICEID));
    EXPECT_EQ(Phone.Get_DeviceID(), -1);
}

TEST_F(PhoneDeviceTest, APhoneWithoutANameIsNamedByItsIdentifier)
{
    sim::TSimConfig Config = Sim.Config();
    Config.Phones.resize(4);
    Config.Phones[3].Name = "";
    Sim.Configure(Config);
    TTapiPhone Phone(nullptr);
    Phone.Set_DeviceID(3);
    EXPECT_EQ(Phone.Get_DeviceName(), "Phone Device #3");
}

TEST_F(PhoneDeviceTest, NegotiationFailureLeavesTheDeviceUnavailable)
{
    Sim.SetPhoneVersions(0, 0x00030000, 0x00030000);
    TTapiPhone Phone(nullptr);
    EXPECT_EQ(Phone.Init(0), static_cast<uint32_t>(PHONEERR_INCOMPATIBLEAPIVERSION));
    EXPECT_FALSE(Phone.Get_Available());
    EXPECT_EQ(Phone.Get_DeviceID(), 0);
    // The name is the session's entry for the device.
    EXPECT_EQ(Phone.Get_DeviceName(), "Phone Device #0 (incombatible)");
    EXPECT_EQ(TapiError([&] { Phone.Open(); }), static_cast<uint32_t>(LINEERR_NODEVICE));
}

TEST_F(PhoneDeviceTest, OpeningReadsTheStatusGrantsTheMasksAndReadsTheControls)
{
    TTapiPhone Phone(nullptr);
    Phone.Close();   // not open: nothing happens
    OpenPhone(Phone);
    EXPECT_NE(Phone.Get_DeviceHandle(), 0u);
    EXPECT_EQ(Phone.Get_GrantedPhoneStates(), TTapiPhone::PhoneStatesMask);
    EXPECT_EQ(Phone.Get_GrantedButtonModes(), TTapiPhone::ButtonModesMask);
    EXPECT_EQ(Phone.Get_GrantedButtonStates(), TTapiPhone::ButtonStatesMask);
    EXPECT_EQ(Phone.Get_StatusDW(0), static_cast<uint32_t>(PHONESTATUSFLAGS_CONNECTED));
    EXPECT_EQ(Phone.Get_StatusDW(1), 1u);   // owners: this phone
    EXPECT_EQ(Phone.Get_StatusDW(2), 0u);
    EXPECT_EQ(Phone.Get_StatusDW(22), Phone.Get_Caps()->GetDWORD(38));
    EXPECT_NE(Phone.Get_StatusDW(22), 0u);
    EXPECT_EQ(Phone.Get_StatusDW(23), 0u);
    EXPECT_EQ(Phone.Get_StatusDW(-1), 0u);
    EXPECT_EQ(Phone.Get_Status()->GetDWORD(4), 1u);
    EXPECT_EQ(Phone.Get_Status()->GetDWORD(25), 0u);
    EXPECT_EQ(Phone.Get_Status()->GetString(0), std::string(40, ' '));
    EXPECT_EQ(Phone.Get_Handset()->Get_Mode(), static_cast<uint32_t>(PHONEHOOKSWITCHMODE_ONHOOK));
    EXPECT_TRUE(Phone.Get_Handset()->Get_Enabled());
    EXPECT_TRUE(Phone.Get_Handset()->Valid());
    EXPECT_TRUE(Phone.Get_LineDevice()->Get_Available());
    EXPECT_EQ(Phone.Get_LineDevice()->Get_DeviceID(), 0u);

    TTapiPhoneControl* Hash = Phone.Get_Controls()->Get(11);
    EXPECT_EQ(Hash->Get_ButtonText(), "#");
    EXPECT_EQ(Hash->Get_ButtonState(), static_cast<uint32_t>(PHONEBUTTONSTATE_UP));
    TTapiPhoneControl* Hold = Phone.Get_Controls()->Get(12);
    EXPECT_EQ(Hold->Get_ButtonFunction(), static_cast<uint32_t>(PHONEBUTTONFUNCTION_HOLD));
    EXPECT_EQ(Hold->Get_LampMode(), static_cast<uint32_t>(PHONELAMPMODE_OFF));

    Phone.Set_Active(false);
    EXPECT_EQ(Phone.Get_DeviceHandle(), 0u);
    EXPECT_EQ(Phone.Get_GrantedPhoneStates(), 0u);
    EXPECT_FALSE(Phone.Get_Handset()->Get_Enabled());
    EXPECT_FALSE(Phone.Get_LineDevice()->Get_Available());
    // Closed again: the control reads its capabilities.
    EXPECT_EQ(Hold->Get_LampMode(), static_cast<uint32_t>(PHONELAMPMODE_OFF | PHONELAMPMODE_STEADY |
                                                          PHONELAMPMODE_WINK | PHONELAMPMODE_FLASH));
    EXPECT_EQ(Hash->Get_ButtonText(), "");
    Phone.Close();
}

// A phone whose status block a test may spoil.
class TSpoiltPhone : public TTapiPhone {
public:
    using TTapiPhone::TTapiPhone;
    /// Writes 0 as the status's lamp mode of ID.
    void ForgetLamp(uint32_t ID)
    {
        const uint32_t Offset = FDevStatus.Dword(offsetof(PHONESTATUS, dwLampModesOffset));
        FDevStatus.SetDword(Offset + 4 * ID, 0);
    }
};

TEST_F(PhoneDeviceTest, ALampTheStatusDoesNotKnowIsAskedFor)
{
    TSpoiltPhone Phone(nullptr);
    OpenPhone(Phone);
    TTapiPhoneControl* Hold = Phone.Get_Controls()->Get(12);
    Phone.ForgetLamp(12);
    EXPECT_EQ(Hold->Get_LampMode(), static_cast<uint32_t>(PHONELAMPMODE_OFF));
    // When the device cannot tell either, the mode reads 0.
    Fault(sim::sfFailCall, "phoneGetLamp", PHONEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(Hold->Get_LampMode(), 0u);
}

TEST_F(PhoneDeviceTest, ARefusedOpen)
{
    TTapiPhone Phone(nullptr);
    Phone.Set_DeviceID(0);
    Fault(sim::sfFailCall, "phoneOpen", PHONEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(TapiError([&] { Phone.Set_Active(true); }), static_cast<uint32_t>(PHONEERR_RESOURCEUNAVAIL));
    EXPECT_EQ(Phone.Get_DeviceHandle(), 0u);
    EXPECT_FALSE(Phone.Get_Active());
    EXPECT_EQ(Phone.Get_GrantedPhoneStates(), 0u);
}

TEST_F(PhoneDeviceTest, ADeviceRefusingTheStatesAskedForGetsTheOnesItOffers)
{
    // A device that does not report removal.
    sim::TSimConfig Config = Sim.Config();
    Config.Phones[0].PhoneStates = 0x0007FFFF;
    Sim.Configure(Config);
    TTapiPhone Phone(nullptr);
    OpenPhone(Phone);
    EXPECT_EQ(Phone.Get_GrantedPhoneStates(), 0x0007FFFFu);
    EXPECT_EQ(Phone.Get_GrantedButtonModes(), TTapiPhone::ButtonModesMask);
}

TEST_F(PhoneDeviceTest, AProviderCountingTooManyButtonsGetsABoundedList)
{
    sim::TSimFault F;
    F.Kind = sim::sfHostileBlock;
    F.Function = "phoneGetDevCapsA";
    F.Hostile = sim::shCountsHuge;
    F.Count = 0;
    Sim.InjectFault(F);
    TTapiPhone Phone(nullptr);
    Phone.Set_DeviceID(0);
    EXPECT_EQ(Phone.Get_Caps()->GetDWORD(21), 0x7FFFFFFFu);
    EXPECT_EQ(Phone.Get_Controls()->Count(), static_cast<int>(TTapiPhone::MaxControls));
}

TEST_F(PhoneDeviceTest, TheConfigurationDialogOfTheDevice)
{
    TTapiPhone Phone(nullptr);
    Phone.Set_DeviceID(0);
    EXPECT_EQ(TapiError([&] { Phone.ConfigDialog(0); }), static_cast<uint32_t>(PHONEERR_OPERATIONUNAVAIL));
    std::string Seen;
    TTapiDialogHook Previous = SetTapiDialogHook([&](TTapiDialogKind Kind, uint32_t ID, HWND Owner, const std::string& Text) {
        Seen = IntToStr(Kind) + " " + IntToStr(ID) + " " + IntToStr(Owner) + " [" + Text + "]";
        return Owner == 7 ? 0u : static_cast<uint32_t>(PHONEERR_OPERATIONFAILED);
    });
    EXPECT_EQ(Phone.ConfigDialog(7), 0u);
    EXPECT_EQ(Seen, IntToStr(tdkPhoneConfig) + " 0 7 []");
    EXPECT_EQ(TapiError([&] { Phone.ConfigDialog(8); }), static_cast<uint32_t>(PHONEERR_OPERATIONFAILED));
    SetTapiDialogHook(Previous);
}

class TPhoneForm : public TComponent {
public:
    using TComponent::TComponent;
    std::string ClassName() const override { return "TPhoneForm"; }
};

TEST_F(PhoneDeviceTest, AFormFileRestoresThePhoneAndOpensItAfterLoading)
{
    static const bool Registered = [] {
        RegisterClass<TPhoneForm, TComponent>("TPhoneForm");
        return true;
    }();
    (void)Registered;
    const std::string Form = R"({"format": "kxtapi-form", "version": 1,
        "root": {"class": "TPhoneForm", "name": "Form1", "components": [
            {"class": "TTapiPhone", "name": "Phone1",
             "properties": {"Active": true, "DeviceName": "SIMULATED PHONE 1",
                            "Options": {"ReplyTimeout": 5000, "SyncMode": false},
                            "Privileges": {"Owner": true}}}]}})";
    std::unique_ptr<TPhoneForm> Root = ReadNewComponent<TPhoneForm>(Form);
    ASSERT_NE(Root, nullptr);
    auto* Phone = dynamic_cast<TTapiPhone*>(Root->FindComponent("Phone1"));
    ASSERT_NE(Phone, nullptr);
    EXPECT_TRUE(Phone->Get_Active());
    EXPECT_EQ(Phone->Get_DeviceID(), 0);
    EXPECT_EQ(Phone->Get_Options()->Get_ReplyTimeout(), 5000u);
    EXPECT_FALSE(Phone->Get_Options()->Get_SyncMode());
    EXPECT_TRUE(Phone->Get_Privileges()->Get_Owner());
    EXPECT_EQ(Phone->Get_StatusDW(1), 1u);

    const std::string Out = WriteComponentToString(Root.get());
    EXPECT_NE(Out.find("\"DeviceName\": \"Simulated Phone 1\""), std::string::npos) << Out;
    EXPECT_NE(Out.find("\"ReplyTimeout\": 5000"), std::string::npos) << Out;
    EXPECT_NE(Out.find("\"Owner\": true"), std::string::npos) << Out;

    // The views list their fields for inspection.
    const TClassInfo* Caps = FindClass("TTapiPhoneCaps");
    ASSERT_NE(Caps, nullptr);
    const TPropertyInfo* Rows = Caps->FindProperty("DisplayNumRows");
    ASSERT_NE(Rows, nullptr);
    EXPECT_EQ(Rows->GetAsText(Phone->Get_Caps()), "2");
    const TClassInfo* Status = FindClass("TTapiPhoneStatus");
    ASSERT_NE(Status, nullptr);
    EXPECT_NE(Status->FindProperty("OwnerName"), nullptr);
}

TEST_F(PhoneDeviceTest, FreeDuringTheOwnEventsIsCarriedOutAfterThem)
{
    auto* Phone = new TTapiPhone(nullptr);
    TPhoneLog Log;
    Log.Attach(*Phone);
    OpenPhone(*Phone);
    const int Phones = TapiApplication->Phones.Count();
    Phone->OnDigitPressed = [&](TTapiPhone* Sender, char) {
        Log.Add("Pressed");
        Sender->Free();
        // Still alive until the message is handled.
        EXPECT_TRUE(Sender->InEvents());
    };
    Sim.PressButton(0, 7);
    ASSERT_TRUE(PumpUntil([&] { return TapiApplication->Phones.Count() == Phones - 1; }));
    // The rest of the message was still handled before the phone went.
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"Pressed", "Button 7"}));
}

} // namespace
} // namespace kxtapi::testing
