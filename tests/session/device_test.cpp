// The device base: wish versus state for Enabled and Active, selection, the
// four states, the versions negotiated for a device, and streaming.

#include "session_fixture.h"

namespace kxtapi::testing {
namespace {

using DeviceTest = SessionTest;

TEST_F(DeviceTest, ActivatingADisabledDeviceIsRefusedSilently)
{
    TTestDevice Line;
    Line.Set_Active(true);
    EXPECT_FALSE(Line.Get_Active());
    EXPECT_FALSE(Line.Wish());
    EXPECT_FALSE(TapiApplication->IsActive());
}

TEST_F(DeviceTest, FourStatesAndTheirTransitions)
{
    TTestDevice Line;
    EXPECT_FALSE(Line.IsEnabled());   // 1: disabled
    Line.SetEnabled(true);
    EXPECT_TRUE(Line.IsEnabled());    // 2: enabled, no device
    EXPECT_EQ(Line.Get_DeviceID(), -1);
    Line.Set_DeviceID(1);             // 3: selected
    EXPECT_TRUE(Line.Get_Available());
    EXPECT_EQ(Line.Get_DeviceName(), "");   // the base names nothing
    Line.Set_Active(true);            // 4: open
    ASSERT_TRUE(Line.IsActive());
    EXPECT_TRUE(Line.Get_Active());
    EXPECT_THROW(Line.Set_DeviceID(0), Exception);
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    Line.Set_Active(false);
    EXPECT_FALSE(Line.IsActive());
    EXPECT_EQ(Line.Init(300), LINEERR_BADDEVICEID);   // and forgets device 1 first
    EXPECT_EQ(Line.Get_DeviceID(), -1);
    EXPECT_EQ(Line.Init(1), 0u);
    const int Before = Line.Selections;
    EXPECT_EQ(Line.Init(1), 0u);   // the current one: nothing is read again
    EXPECT_EQ(Line.Selections, Before);
}

TEST_F(DeviceTest, BaseInitRefusesWhileOpenAndForgetsAnotherDevice)
{
    // The base's own selection rules, reached through a descendant that
    // defers to them.
    struct TBaseInit : TTestDevice {
        uint32_t Init(int32_t ID) override { return TTapiDevice::Init(ID); }
    } D;
    D.SetAvailableForTest(true);
    D.SetHandleForTest(1);
    try {
        D.Init(0);
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Unable to change DeviceID/DeviceName while TAPI device is active.");
    }
    D.SetHandleForTest(0);
    EXPECT_EQ(D.Init(2), 0u);
    EXPECT_TRUE(D.IsEnabled());
    EXPECT_FALSE(D.Get_Available());
    EXPECT_EQ(D.Get_DeviceID(), -1);
}

TEST_F(DeviceTest, DisablingAnOpenDeviceDropsTheWishButLeavesItOpen)
{
    TTestDevice Line;
    Line.Set_DeviceID(0);
    Line.Set_Active(true);
    TTestDevice Keeper;   // keeps the session running
    Keeper.SetEnabled(true);
    // Clearing the selection of an open device is refused by its Init.
    EXPECT_THROW(Line.SetEnabled(false), Exception);
    EXPECT_FALSE(Line.Wish());
    EXPECT_FALSE(Line.Get_Active());
    EXPECT_FALSE(Line.IsEnabled());
    // Set_Active(false) on the disabled device closes nothing either: it
    // stays open until closed through the service or the session stops.
    EXPECT_TRUE(Line.IsActive());
    TapiApplication->Set_Active(false);
    EXPECT_FALSE(Line.IsActive());
}

TEST_F(DeviceTest, NonEmptyNameEnablesAndSelects)
{
    TTestDevice Line;
    Line.Set_DeviceName("Simulated Line 2");
    EXPECT_TRUE(TapiApplication->IsActive());
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    // In design mode an empty name drops the Active wish.
    TTestDevice Designed;
    Designed.SetDesigning(true);
    Designed.Set_DeviceName("Simulated Line 1");
    Designed.Set_Active(true);
    EXPECT_TRUE(Designed.Get_Active());   // only the wish, in design mode
    EXPECT_FALSE(Designed.IsActive());
    Designed.Set_DeviceName("");
    EXPECT_FALSE(Designed.Get_Active());
}

TEST_F(DeviceTest, LoadingAppliesEnabledThenActive)
{
    TTestDevice Line;
    Line.SetLoading(true);
    Line.Set_Active(true);
    EXPECT_FALSE(Line.IsActive());
    Line.SetEnabled(true);
    EXPECT_FALSE(Line.IsEnabled());
    Line.Set_DeviceName("simulated line 1");   // a name still enables at once
    EXPECT_TRUE(Line.IsEnabled());
    EXPECT_TRUE(Line.Get_Active());   // the wish, while loading
    Line.Loaded();
    EXPECT_TRUE(Line.IsActive());
    EXPECT_EQ(Line.Get_DeviceID(), 0);

    TTestDevice Missing;
    Missing.SetLoading(true);
    Missing.Set_DeviceName("Nowhere");
    Missing.Set_Active(true);
    Missing.Loaded();
    EXPECT_TRUE(Missing.IsEnabled());
    EXPECT_EQ(Missing.Get_DeviceID(), -1);
    EXPECT_FALSE(Missing.IsActive());
}

TEST_F(DeviceTest, RemovalOfTheOwnDeviceOnly)
{
    TTestDevice Line;
    Line.Set_DeviceID(1);
    Line.Set_Active(true);
    int Removed = 0;
    Line.OnDeviceRemove = [&](TObject*) { ++Removed; };
    Line.Handle_DeviceRemove(0);
    EXPECT_EQ(Removed, 0);
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    Line.Handle_DeviceRemove(1);   // even while open
    EXPECT_EQ(Removed, 1);
    EXPECT_EQ(Line.Get_DeviceID(), -1);
    EXPECT_FALSE(Line.Get_Available());
    EXPECT_TRUE(Line.IsEnabled());
}

TEST_F(DeviceTest, ServiceClosingTheDevice)
{
    TTestDevice Line;
    Line.Set_DeviceID(0);
    Line.Set_Active(true);
    int Closed = 0;
    Line.OnDeviceClose = [&](TObject*) { ++Closed; };
    Sim.CloseLine(0);
    ASSERT_TRUE(PumpUntil([&] { return Closed == 1; }));
    EXPECT_FALSE(Line.IsActive());
    EXPECT_FALSE(Line.Get_Active());
    EXPECT_EQ(WaitForSingleObject(Line.Get_CloseEvent(), 0), uint32_t{WAIT_OBJECT_0});
    Line.Handle_DeviceClose();   // not open: nothing
    EXPECT_EQ(Closed, 1);
}

TEST_F(DeviceTest, CheckEnabledNamesTheComponent)
{
    TTestDevice Line;
    Line.Set_Name("Line1");
    try {
        Line.CheckEnabled();
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Line1 is not enabled");
    }
    Line.SetEnabled(true);
    EXPECT_NO_THROW(Line.CheckEnabled());
}

TEST_F(DeviceTest, LinesAndPhonesAreListedBySessionKind)
{
    TTestDevice Line, Phone(nullptr, tckPhone);
    TTapiAppl Appl(nullptr);
    EXPECT_GE(TapiApplication->Lines.IndexOf(&Line), 0);
    EXPECT_LT(TapiApplication->Phones.IndexOf(&Line), 0);
    EXPECT_GE(TapiApplication->Phones.IndexOf(&Phone), 0);
    EXPECT_LT(TapiApplication->Lines.IndexOf(&Appl), 0);
    Line.Set_DeviceID(1);
    EXPECT_EQ(TapiApplication->Lines.IndexOfDeviceID(1), TapiApplication->Lines.IndexOf(&Line));
    EXPECT_EQ(TapiApplication->Lines.IndexOfDeviceID(5), -1);
}

TEST_F(DeviceTest, VersionsAreNegotiatedForTheSelectedDevice)
{
    sim::TSimConfig c = sim::DefaultSimConfig();
    c.Lines[1].ExtLowVersion = 0x00010000;
    c.Lines[1].ExtHighVersion = 0x00020000;
    c.Lines[1].ExtensionID = {1, 2, 3, 4};
    Sim.Configure(c);
    TTestDevice Line;
    TTapiTSP* TSP = Line.Get_TSP();
    EXPECT_EQ(TSP->APILowVersion, 0x00010000u);
    EXPECT_EQ(TSP->APIHighVersion, 0x00020001u);
    EXPECT_EQ(TSP->Get_ExtLowVersion(), 0u);
    EXPECT_EQ(TSP->Get_ExtHighVersion(), 0u);

    Line.Set_DeviceID(1);
    EXPECT_EQ(TSP->DeviceID, 1);
    EXPECT_EQ(TSP->APIVersion, 0x00020001u);
    EXPECT_EQ(TSP->GetExtensionID(3), 4u);
    EXPECT_EQ(TSP->Get_ExtVersion(), 0u);   // no extension range asked
    TSP->Set_ExtHighVersion(0x00030000);    // renegotiates at once
    EXPECT_EQ(TSP->Get_ExtVersion(), 0x00020000u);
    EXPECT_THROW(TSP->GetExtensionID(4), Exception);

    Line.Set_DeviceID(0);   // a device without extensions
    EXPECT_EQ(TSP->Get_ExtVersion(), 0u);
    EXPECT_EQ(TSP->APIVersion, 0x00020001u);

    TTestDevice Other(nullptr, tckPhone);
    Other.Get_TSP()->Assign(TSP);
    EXPECT_EQ(Other.Get_TSP()->Get_Device(), &Other);
    EXPECT_EQ(Other.Get_TSP()->DeviceID, 0);
    EXPECT_EQ(Other.Get_TSP()->Get_ExtHighVersion(), 0x00030000u);
    EXPECT_THROW(Other.Get_TSP()->Assign(Line.Get_Icon()), EAssignError);

    EXPECT_EQ(TSP->Init(-1), 0u);
    EXPECT_EQ(TSP->DeviceID, -1);
    EXPECT_EQ(TSP->APIVersion, 0u);
    EXPECT_EQ(TSP->GetExtensionID(0), 0u);

    Sim.SetLineVersions(1, 0x00030000, 0x00030001);
    EXPECT_EQ(TSP->Init(1), LINEERR_INCOMPATIBLEAPIVERSION);
}

TEST_F(DeviceTest, ApplAndPrivilegesStreamThroughFormFiles)
{
    TComponent Form(nullptr);
    Form.Set_Name("Form1");
    auto* Appl = new TTapiAppl(&Form);
    Appl->Set_Name("Appl1");
    Appl->Set_ApplName("Switchboard");
    Appl->Set_AutoShutdown(3000);
    const std::string Text = WriteComponentToString(&Form);
    EXPECT_NE(Text.find("Switchboard"), std::string::npos) << Text;
    EXPECT_NE(Text.find("3000"), std::string::npos) << Text;

    const TClassInfo* Priv = FindClass("TTapiLinePrivileges");
    TTapiLinePrivileges P;
    Priv->FindProperty("Owner")->SetAsText(&P, "True");
    EXPECT_EQ(P.Get_Value(), 4u);
    ASSERT_NE(FindClass("TTapiDevice")->FindProperty("DeviceName"), nullptr);
    ASSERT_NE(FindClass("TTapiLineTSP")->FindProperty("ExtHighVersion"), nullptr);
    ASSERT_NE(FindClass("TTapiCommDevice")->FindProperty("Enabled"), nullptr);

    // A form read while the session runs under the same name still loads.
    TapiApplication->Set_AppName("Switchboard");
    TapiApplication->Set_Active(true);
    TComponent Copy(nullptr);
    EXPECT_NO_THROW(ReadComponent(Text, &Copy));
    auto* Read = dynamic_cast<TTapiAppl*>(Copy.FindComponent("Appl1"));
    ASSERT_NE(Read, nullptr);
    EXPECT_EQ(Read->Get_AutoShutdown(), 3000);
}

} // namespace
} // namespace kxtapi::testing
