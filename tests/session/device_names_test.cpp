// The device-name lists: one entry per identifier, whatever the device says.

#include "session_fixture.h"

namespace kxtapi::testing {
namespace {

using DeviceNamesTest = SessionTest;

sim::TSimConfig NamingConfig()
{
    sim::TSimConfig c = sim::DefaultSimConfig();
    c.Lines.resize(5);
    c.Lines[0].Name = "Front desk";
    c.Lines[1].Name = "";   // named nothing
    c.Lines[2].Name = "Old modem";
    c.Lines[2].APILowVersion = 0x00030000;   // speaks no version we ask for
    c.Lines[2].APIHighVersion = 0x00030001;
    c.Lines[3].Name = "Caps refused";
    c.Lines[4].Name = "Hostile";
    c.Phones.resize(5);
    c.Phones[0].Name = "Desk";
    c.Phones[1].Name = "";
    c.Phones[2].APILowVersion = 0x00030000;
    c.Phones[2].APIHighVersion = 0x00030001;
    return c;
}

TEST_F(DeviceNamesTest, EveryNamingRuleKeepsIndexAndIdentifierTogether)
{
    Sim.Configure(NamingConfig());
    sim::TSimFault Caps;
    Caps.Kind = sim::sfFailCall;
    Caps.Function = "lineGetDevCapsA";
    Caps.Device = 3;
    Caps.Count = 0;
    Sim.InjectFault(Caps);
    sim::TSimFault Hostile;
    Hostile.Kind = sim::sfHostileBlock;
    Hostile.Function = "lineGetDevCapsA";
    Hostile.Device = 4;
    Hostile.Hostile = sim::shNeededHuge;
    Hostile.Count = 0;
    Sim.InjectFault(Hostile);
    sim::TSimFault PhoneRemoved;
    PhoneRemoved.Kind = sim::sfFailCall;
    PhoneRemoved.Function = "phoneGetDevCapsA";
    PhoneRemoved.Device = 3;
    PhoneRemoved.Error = PHONEERR_NODEVICE;
    PhoneRemoved.Count = 0;
    Sim.InjectFault(PhoneRemoved);
    sim::TSimFault PhoneOther = PhoneRemoved;
    PhoneOther.Device = 4;
    PhoneOther.Error = PHONEERR_RESOURCEUNAVAIL;
    Sim.InjectFault(PhoneOther);

    TapiApplication->Set_Active(true);
    const TStringList& L = TapiApplication->LineDevices;
    ASSERT_EQ(L.Count(), 5);
    EXPECT_EQ(L.Strings(0), "Front desk");
    EXPECT_EQ(L.Strings(1), "");
    EXPECT_EQ(L.Strings(2), "Line Device #2 (incompatible)");
    EXPECT_EQ(L.Strings(3), "Line Device #3");
    EXPECT_EQ(L.Strings(4), "Line Device #4");   // a demand for 4 GiB is a failed fetch

    const TStringList& P = TapiApplication->PhoneDevices;
    ASSERT_EQ(P.Count(), 5);
    EXPECT_EQ(P.Strings(0), "Desk");
    EXPECT_EQ(P.Strings(1), "Phone Device #1");
    EXPECT_EQ(P.Strings(2), "Phone Device #2 (incombatible)");
    EXPECT_EQ(P.Strings(3), "Phone Device #3 (removed)");
    EXPECT_EQ(P.Strings(4), "Phone Device #4 (" + TapiErrorText(PHONEERR_RESOURCEUNAVAIL) + ")");
}

TEST_F(DeviceNamesTest, RemovedAndUnknownDevicesAreNamedByTheirFailure)
{
    TapiApplication->Set_Active(true);
    Sim.RemoveLine(1);
    ASSERT_TRUE(PumpUntil([] { return TapiApplication->LineDevices.Strings(1) == "Line Device #1 (removed)"; }));

    // A creation notice for identifier 7 while 2 devices are known: the list
    // grows to 8 entries, the ones the service does not know named by the
    // error it gave.
    TTestDevice Enabled, Disabled;
    Enabled.SetEnabled(true);
    uint32_t Created = 0xFFFFFFFF;
    TapiApplication->OnLineCreate = [&](TObject*, uint32_t ID) { Created = ID; };
    {
        TListLock Lock(TapiApplication->MessageStack, INFINITE);
        TapiApplication->MessageStack.AddLineMsg(LINEMESSAGE{0, LINE_CREATE, 0, 7, 0, 0});
    }
    TapiApplication->ProcessTapiMessages();
    EXPECT_EQ(Created, 7u);
    EXPECT_EQ(TapiApplication->LineDeviceCount, 8u);
    ASSERT_EQ(TapiApplication->LineDevices.Count(), 8);
    EXPECT_EQ(TapiApplication->LineDevices.Strings(5),
              "Line Device #5 (" + TapiErrorText(LINEERR_BADDEVICEID) + ")");
    ASSERT_EQ(Enabled.Seen.size(), 1u);
    EXPECT_EQ(Enabled.Seen[0].MessageID, LINE_CREATE);
    EXPECT_EQ(Enabled.Seen[0].Param1, 7u);
    EXPECT_TRUE(Disabled.Seen.empty());
}

TEST_F(DeviceNamesTest, HostileCapabilityBlocksAreReadInsideTheBlock)
{
    for (sim::TSimHostileBlock Kind : {sim::shPairsPastEnd, sim::shPairsWrap, sim::shUsedBeyondTotal,
                                       sim::shCountsHuge}) {
        Sim.Reset();
        sim::TSimFault f;
        f.Kind = sim::sfHostileBlock;
        f.Function = "lineGetDevCapsA";
        f.Hostile = Kind;
        f.Count = 0;
        Sim.InjectFault(f);
        sim::TSimFault p = f;
        p.Function = "phoneGetDevCapsA";
        Sim.InjectFault(p);
        TapiApplication->Set_Active(true);
        EXPECT_EQ(TapiApplication->LineDevices.Count(), 2) << Kind;
        EXPECT_EQ(TapiApplication->PhoneDevices.Count(), 1) << Kind;
        for (int i = 0; i < TapiApplication->LineDevices.Count(); ++i)
            EXPECT_LE(TapiApplication->LineDevices.Strings(i).size(), 4096u) << Kind;
        TapiApplication->Set_Active(false);
    }
}

TEST_F(DeviceNamesTest, DevicesSelectByNameInAnyLetterCase)
{
    TapiApplication->Set_Active(true);
    const std::string Second = TapiApplication->LineDevices.Strings(1);
    TTestDevice Line;
    std::string Upper = Second;
    for (char& ch : Upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    Line.Set_DeviceName(Upper);
    EXPECT_TRUE(Line.IsEnabled());
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    EXPECT_TRUE(Line.Get_Available());
    Line.Set_DeviceName("No such line");
    EXPECT_EQ(Line.Get_DeviceID(), -1);
    EXPECT_TRUE(Line.IsEnabled());
}

} // namespace
} // namespace kxtapi::testing
