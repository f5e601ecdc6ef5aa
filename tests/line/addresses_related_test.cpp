// Addresses of a line, and the devices related to a line, an address and a
// call.

#include "line_fixture.h"

namespace kxtapi::testing {
namespace {

class AddressTest : public LineTest {
protected:
    AddressTest()
    {
        sim::TSimConfig Config = sim::DefaultSimConfig();
        Config.Lines[0].Addresses = {sim::TSimAddressConfig{""}, sim::TSimAddressConfig{""},
                                     sim::TSimAddressConfig{""}};
        Sim.Configure(Config);
    }
};

TEST_F(AddressTest, UnnamedAddressesAreNamedByTheirIdentifiers)
{
    TTapiLine Line(nullptr);
    Line.Set_DeviceName("Simulated Line 1");
    ASSERT_EQ(Line.Get_Addresses()->Count(), 3);
    EXPECT_EQ(Line.Get_AddressNames()->Text(), "Address 0\r\nAddress 1\r\nAddress 2\r\n");
    TTapiAddress* Second = Line.Get_AddressByName("Address 1");
    ASSERT_NE(Second, nullptr);
    EXPECT_EQ(Second->Get_AddressID(), 1u);
    EXPECT_EQ(Second->Get_Line(), &Line);
    EXPECT_EQ(Second->Get_StatusDWORD(7), 0u);
    EXPECT_EQ(Second->Get_StatusDWORD(-1), 0u);
    // A free-standing address reads nothing and joins no list.
    TTapiAddress Alone(nullptr);
    EXPECT_EQ(Alone.Init(0), LINEERR_INVALLINEHANDLE);
    EXPECT_EQ(Alone.Get_Address(), "Address 0");
    // Destroying an address takes it out of its line's list.
    delete Line.Get_Addresses()->Get(2);
    EXPECT_EQ(Line.Get_Addresses()->Count(), 2);
}

TEST_F(AddressTest, AddressStateRefreshesOnlyForSingleKnownBits)
{
    TTapiLine Line(nullptr);
    OpenLine(Line);
    std::vector<uint32_t> States;
    Line.OnAddressState = [&](TObject*, TTapiAddress* A, uint32_t S) {
        EXPECT_EQ(A->Get_AddressID(), 1u);
        States.push_back(S);
    };
    TTapiAddress* Address = Line.Get_Addresses()->Get(1);
    const auto StatusUsed = [&] { return Address->Get_StatusBlock().Get_UsedSize(); };
    // Both bits together: nothing is read, the event still fires.
    Line.Handle_TapiMessage(0, LINE_ADDRESSSTATE, 1, LINEADDRESSSTATE_INUSEONE | LINEADDRESSSTATE_NUMCALLS, 0);
    EXPECT_EQ(StatusUsed(), 0u);
    Line.Handle_TapiMessage(0, LINE_ADDRESSSTATE, 1, LINEADDRESSSTATE_INUSEONE, 0);
    EXPECT_NE(StatusUsed(), 0u);
    // Caps are re-read on CAPSCHANGE (into a fresh answer of the same size).
    Line.Handle_TapiMessage(0, LINE_ADDRESSSTATE, 1, LINEADDRESSSTATE_CAPSCHANGE, 0);
    EXPECT_NE(Address->Get_CapsBlock().Get_UsedSize(), 0u);
    // Another address's messages do not reach this one.
    Line.Handle_TapiMessage(0, LINE_ADDRESSSTATE, 7, LINEADDRESSSTATE_INUSEONE, 0);
    EXPECT_EQ(States, (std::vector<uint32_t>{LINEADDRESSSTATE_INUSEONE | LINEADDRESSSTATE_NUMCALLS,
                                             LINEADDRESSSTATE_INUSEONE, LINEADDRESSSTATE_CAPSCHANGE}));
}

using RelatedOwnerTest = LineTest;

TEST_F(RelatedOwnerTest, LineAddressAndCallAskForTheirOwnDevices)
{
    TTapiLine Line(nullptr);
    Line.Get_CallOptions()->Get_Comm()->Set_Enabled(true);
    OpenLine(Line);
    // The line read its phone and wave devices when it opened.
    EXPECT_TRUE(Line.Get_PhoneDevice()->Get_Available());
    EXPECT_EQ(Line.Get_PhoneDevice()->Get_DeviceID(), 0u);
    EXPECT_TRUE(Line.Get_WaveInDevice()->Get_Available());
    EXPECT_EQ(Line.Get_RelatedTarget().Kind, rkLine);
    EXPECT_EQ(Line.Get_RelatedTarget().hDevice, Line.Get_DeviceHandle());

    // An address asks with its own identifier.
    TTapiAddress* Address = Line.Get_Addresses()->Get(0);
    TTapiRelatedWaveDevice Wave(Address, "wave/in");
    EXPECT_TRUE(Wave.Init());
    EXPECT_EQ(Address->Get_RelatedTarget().Kind, rkAddress);

    // A call asks for its data port once it is connected.
    TEventLog Log;
    Log.Attach(Line);
    const sim::TSimCallID Id = Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Offering"); }));
    TTapiCall* Call = Line.Get_Calls()->Get(0);
    EXPECT_EQ(Call->Get_RelatedTarget().Kind, rkCall);
    EXPECT_EQ(Call->Get_RelatedTarget().hCall, Call->Get_Handle());
    Call->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    ASSERT_TRUE(Call->Get_CommDevice()->Get_Available());
    EXPECT_FALSE(Call->Get_CommDevice()->Get_DeviceName().empty());
    EXPECT_NE(Sim.DataPort(Id), nullptr);

    // Closed again, the line forgets its related devices.
    Line.Set_Active(false);
    EXPECT_FALSE(Line.Get_PhoneDevice()->Get_Available());
    EXPECT_FALSE(Line.Get_WaveInDevice()->Get_Available());
    // A closed line's devices are refused by the service.
    TTapiRelatedWaveDevice Closed(&Line, "wave/out");
    EXPECT_FALSE(Closed.Init());
}

} // namespace
} // namespace kxtapi::testing
