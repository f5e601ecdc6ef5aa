// The line device: defaults, selection, names, opening and closing (also by
// the service and by removal), device-state and media messages.

#include "line_fixture.h"

namespace kxtapi::testing {
namespace {

using LineDeviceTest = LineTest;

TEST_F(LineDeviceTest, NewLineDefaults)
{
    TTapiLine Line(nullptr);
    EXPECT_EQ(Line.Get_MediaModes(), 4u);
    EXPECT_EQ(Line.Get_Privileges()->Get_Value(), 6u);
    EXPECT_EQ(Line.Get_Options()->Get_ReplyTimeout(), 60000u);
    EXPECT_TRUE(Line.Get_Options()->Get_SyncMode());
    EXPECT_EQ(Line.Get_Options()->Get_AutoFreeIdleCalls(), 500);
    EXPECT_EQ(Line.Get_Options()->Get_AutoDropDiscCalls(), 500);
    EXPECT_EQ(Line.Get_DeviceID(), -1);
    EXPECT_FALSE(Line.Get_Active());
    EXPECT_EQ(Line.Get_DevCapsBlock().Size(), 252u);
    EXPECT_EQ(Line.Get_DevStatusBlock().Size(), 88u);
    EXPECT_EQ(Line.Get_LineStatesMask(), 0x01FFFFFFu);
    EXPECT_EQ(Line.Get_AddressStatesMask(), 0x1FFu);
}

TEST_F(LineDeviceTest, SelectionReadsCapsAddressesAndMediaModes)
{
    TTapiLine Line(nullptr);
    Line.Set_DeviceName("simulated line 2");
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    EXPECT_TRUE(Line.Get_Available());
    EXPECT_EQ(Line.Get_DeviceName(), "Simulated Line 2");
    EXPECT_EQ(Line.Get_MediaModes(), Line.Get_Caps()->GetDWORD(12));
    EXPECT_NE(Line.Get_MediaModes(), 4u);
    ASSERT_EQ(Line.Get_Addresses()->Count(), 1);
    EXPECT_EQ(Line.Get_AddressNames()->Strings(0), "202");
    EXPECT_EQ(Line.Get_AddressByName("202"), Line.Get_Addresses()->Get(0));
    EXPECT_EQ(Line.Get_AddressByName("201"), nullptr);

    // The same identifier again re-reads nothing; out of range changes nothing.
    EXPECT_EQ(Line.Init(1), 0u);
    EXPECT_EQ(Line.Init(256), LINEERR_BADDEVICEID);
    EXPECT_EQ(Line.Init(7), LINEERR_BADDEVICEID);
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    EXPECT_TRUE(Line.Get_Available());

    Line.Set_Active(true);
    ASSERT_TRUE(Line.Get_Active());
    EXPECT_NE(Line.Get_GrantedLineStates(), 0u);
    try {
        Line.Init(0);
        FAIL() << "no exception";
    } catch (const ETapiError&) {
        FAIL() << "wrong exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "TTapiLine.Init failed! Device already active.");
    }
    EXPECT_EQ(Line.Get_DeviceID(), 1);
    Line.Set_Active(false);
    EXPECT_EQ(Line.Init(-1), 0u);
    EXPECT_FALSE(Line.Get_Available());
    EXPECT_EQ(Line.Get_DeviceName(), "Simulated Line 2");
}

TEST_F(LineDeviceTest, DevicelessOperationsRaiseTheirMessages)
{
    TTapiLine None(nullptr);
    auto Message = [](const std::function<void()>& F) {
        try {
            F();
        } catch (const Exception& E) {
            return E.Message();
        }
        return std::string("no exception");
    };
    EXPECT_EQ(Message([&] { None.ConfigDialog(0); }), "ConfigDialog failed! No device.");
    EXPECT_EQ(Message([&] { None.TranslateDialog("1", 0); }), "TranslateDialog failed! No device.");
    EXPECT_EQ(Message([&] { None.TranslateAddress("1", 0); }), "TranslateAddress failed! No device.");
    None.Set_Active(true);   // not enabled: refused silently
    EXPECT_FALSE(None.Get_Active());
    None.Set_Enabled(true);
    try {
        None.Open();
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_NODEVICE);
    }
}

TEST_F(LineDeviceTest, UnnamedDeviceIsNamedByItsIdentifier)
{
    sim::TSimConfig Config = sim::DefaultSimConfig();
    Config.Lines.push_back(sim::TSimLineConfig{});
    Config.Lines.back().Name = "";
    Sim.Configure(Config);
    TTapiLine Line(nullptr);
    EXPECT_EQ(Line.Init(2), 0u);
    EXPECT_EQ(Line.Get_DeviceName(), "Line Device #2");

}

TEST_F(LineDeviceTest, TranslateAddressGivesDialableOrEmpty)
{
    TTapiLine Line(nullptr);
    Line.Set_DeviceName("Simulated Line 1");
    EXPECT_FALSE(Line.TranslateAddress("+1 (206) 555-0100", 0).empty());
    EXPECT_EQ(Line.TranslateAddress("", 0), "");
    EXPECT_TRUE(Line.Get_Location()->Valid);
}

TEST_F(LineDeviceTest, DevStateBitsRunInOrderThenDeviceStateThenRing)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    std::vector<std::string> Order;
    Line.OnDeviceState = [&](TObject*, uint32_t, uint32_t, uint32_t) {
        Order.push_back("DeviceState");
    };
    Line.OnRing = [&](TObject*, uint32_t Mode, uint32_t Count) {
        Order.push_back("Ring " + IntToStr(Mode) + "/" + IntToStr(Count) + " " + IntToStr(Line.Get_RingCount()));
    };
    Line.OnTapiMessage = [&](TObject*, uint32_t ID, uint32_t, uint32_t, uint32_t) {
        Order.push_back("Message " + IntToStr(ID));
    };
    Line.Handle_TapiMessage(Line.Get_DeviceHandle(), LINE_LINEDEVSTATE, LINEDEVSTATE_RINGING | LINEDEVSTATE_NUMCALLS,
                            1, 3);
    // RingCount is set before either event fires.
    EXPECT_EQ(Order, (std::vector<std::string>{"DeviceState", "Ring 1/3 3", "Message 8"}));
    EXPECT_EQ(Line.Get_RingMode(), 1u);

    // Every message reaches OnTapiMessage, unknown ones too, after the rest.
    Order.clear();
    Line.Handle_TapiMessage(0, 99, 1, 2, 3);
    EXPECT_EQ(Order, (std::vector<std::string>{"Message 99"}));
}

TEST_F(LineDeviceTest, MonitorToneSilenceEntryIsSilenceNotTone)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Offering"); }));
    const uint32_t h = Line.Get_Calls()->Get(0)->Get_Handle();
    Line.Handle_TapiMessage(h, LINE_MONITORTONE, 0xFFFFFFFF, 0, 0);
    Line.Handle_TapiMessage(h, LINE_MONITORTONE, 7, 0, 0);
    EXPECT_EQ(Log.Only({"Silence", "Tone 7", "Tone FFFFFFFF"}), (std::vector<std::string>{"Silence", "Tone 7"}));
    // A message for a handle the line cannot match is dropped.
    Line.Handle_TapiMessage(0x7777, LINE_MONITORTONE, 8, 0, 0);
    EXPECT_FALSE(Log.Has("Tone 8"));
}

TEST_F(LineDeviceTest, CallsPresentBeforeOpenAreAdoptedWithoutEvents)
{
    Sim.OfferCall(0, "555");
    Sim.OfferCall(0, "556");
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    ASSERT_EQ(Line.Get_Calls()->Count(), 2);
    EXPECT_EQ(Line.Get_Calls()->Get(0)->Get_CallerID()->GetAddress(), "555");
    EXPECT_TRUE(Line.Get_Calls()->Get(0)->IsOffering());
    EXPECT_TRUE(Log.Names.empty());
    // Adopted calls are monitored: answering needs the owner's privilege.
    EXPECT_FALSE(Line.Get_Calls()->Get(0)->Get_Owner());
}

TEST_F(LineDeviceTest, MoreCallsThanTheFirstListHoldsAreAllAdopted)
{
    // 536 bytes hold 128 handles; the list grows and is read again.
    for (int i = 0; i < 200; ++i) Sim.OfferCall(0, IntToStr(i));
    TTapiLine Line(nullptr);
    OpenLine(Line);
    ASSERT_EQ(Line.Get_Calls()->Count(), 200);
    EXPECT_EQ(Line.Get_Calls()->Get(199)->Get_CallerID()->GetAddress(), "199");
    // Every handle finds its own call.
    for (int i = 0; i < 200; i += 37) {
        TTapiCall* Call = Line.Get_Calls()->Get(i);
        EXPECT_EQ(Line.GetOrCreateCall(Call->Get_Handle()), Call);
    }
}

TEST_F(LineDeviceTest, ServiceClosingTheLineDuringASynchronousAnswer)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Offering"); }));
    TTapiCall* Call = Line.Get_Calls()->Get(0);
    sim::TSimFault Fault;
    Fault.Kind = sim::sfNeverReply;
    Fault.Function = "lineAnswer";
    Sim.InjectFault(Fault);
    // The line is closed by the service while the answer waits.
    HWND Closer = AllocateHWnd([&](TMessage&) { Sim.CloseLine(0); });
    PostMessage(Closer, WM_USER + 1, 0, 0);
    const uint32_t Start = GetTickCount();
    try {
        Call->Answer();
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_OPERATIONFAILED);
    }
    DeallocateHWnd(Closer);
    PumpUntil([&] { return Log.Has("DeviceClose"); });
    EXPECT_LT(GetTickCount() - Start, 1000u);
    EXPECT_TRUE(Log.Has("DeviceClose"));
    EXPECT_FALSE(Line.Get_Active());
    EXPECT_EQ(Line.Get_DeviceHandle(), 0u);
    // Nothing that Close would have released is kept.
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    EXPECT_EQ(Line.Get_Requests()->Count(), 0);
    EXPECT_EQ(Line.Get_Terms()->Count(), 0);
    EXPECT_FALSE(Line.Get_PhoneDevice()->Get_Available());
    // And the line opens again.
    Line.Set_Active(true);
    EXPECT_TRUE(Line.Get_Active());
}

TEST_F(LineDeviceTest, DeviceRemovedWhileItHasCalls)
{
    auto* Line = new TTapiLine(nullptr);
    TEventLog Log;
    Log.Attach(*Line);
    OpenLine(*Line);
    Sim.OfferCall(0, "1");
    Sim.OfferCall(0, "2");
    ASSERT_TRUE(PumpUntil([&] { return Line->Get_Calls()->Count() == 2; }));
    Sim.RemoveLine(0);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("DeviceRemove"); }));
    EXPECT_EQ(Line->Get_DeviceID(), -1);
    EXPECT_FALSE(Line->Get_Available());
    PumpUntil([&] { return !Line->Get_Active(); }, 200);
    delete Line;   // frees what is left without raising
}

TEST_F(LineDeviceTest, ClosingFreesCallsButNotUnboundOnes)
{
    TTapiLine Line(nullptr);
    TEventLog Log;
    Log.Attach(Line);
    OpenLine(Line);
    Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Offering"); }));
    Line.Get_Calls()->Get(0)->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    auto* Unbound = new TTapiCall(&Line, 0);
    EXPECT_EQ(Line.Get_UnboundCalls()->Count(), 1);
    // The connected call's owner cannot deallocate it: its destructor goes on.
    Line.Set_Active(false);
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    EXPECT_EQ(Line.Get_UnboundCalls()->Count(), 1);
    EXPECT_EQ(Line.Get_UnboundCalls()->Get(0), Unbound);
}

} // namespace
} // namespace kxtapi::testing
