// Making calls and dialing on them, in SyncMode and asynchronously: where
// the new call sits before and after its reply, and which calls a refusal,
// a failed reply, a time-out or the line's closing leaves behind.

#include "call_control_fixture.h"

namespace kxtapi::testing {

using MakeCallTest = CallControlTest;

TEST_P(MakeCallTest, ToAnotherLineOfTheSwitchAndToTheFarEnd)
{
    TTapiCall* Call = A.MakeCall("202");
    ASSERT_NE(Call, nullptr);
    if (Sync()) {
        // Bound, listed and loaded before MakeCall returns.
        EXPECT_TRUE(Call->Valid());
        EXPECT_TRUE(A.HasCall(Call));
    } else {
        // The handle may be written already (the event thread fetches the
        // reply), but the call moves into Calls only when the reply is
        // handled here.
        EXPECT_EQ(A.Get_UnboundCalls()->IndexOf(Call), 0);
        EXPECT_FALSE(A.HasCall(Call));
        EXPECT_EQ(Call->PendingRequest(), static_cast<uint32_t>(lrkMakeCall));
        EXPECT_EQ(Call->GetCallStatusDW(0), 0u);
        ASSERT_TRUE(PumpUntil([&] { return Log.Has("Reply 0"); }));
        EXPECT_TRUE(A.HasCall(Call));
        EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    }
    EXPECT_NE(Call->GetCallStatusDW(0), 0u);
    EXPECT_EQ(Call->Get_Origin(), static_cast<uint32_t>(LINECALLORIGIN_OUTBOUND));
    EXPECT_EQ(Sim.LastDialled(0), "202");

    TTapiCall* In = AwaitNewCall(B, LINECALLSTATE_OFFERING);
    ASSERT_NE(In, nullptr);
    EXPECT_EQ(In->Get_CallerID()->GetAddress(), "201");
    In->Answer();
    EXPECT_TRUE(Await(Call, LINECALLSTATE_CONNECTED));
    Call->Drop();
    ASSERT_TRUE(Settled(A));

    TTapiCall* Out = ConnectedCall("5550100");
    ASSERT_NE(Out, nullptr);
    EXPECT_EQ(SimCall(Sim.LastCall(0)).Dialled, "5550100");
    EXPECT_EQ(Called("lineMakeCallA"), 2);
}

TEST_P(MakeCallTest, DialOnACallWaitingAtTheDialTone)
{
    TTapiCall* Call = A.MakeCall("");
    ASSERT_NE(Call, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return A.HasCall(Call); }));
    ASSERT_TRUE(Await(Call, LINECALLSTATE_DIALTONE));
    Call->Dial("202");
    if (!Sync()) {
        // Filed for the line, not for the call.
        ASSERT_EQ(A.Get_Requests()->Count(), 1);
        EXPECT_EQ(A.Get_Requests()->Get(0)->Kind, static_cast<uint32_t>(lrkDial));
        EXPECT_EQ(A.Get_Requests()->Get(0)->Objects[0], &A);
        EXPECT_EQ(Call->PendingRequest(), 0u);
    }
    EXPECT_NE(AwaitNewCall(B, LINECALLSTATE_OFFERING), nullptr);
    EXPECT_EQ(Called("lineDialA"), 1);
    EXPECT_EQ(Sim.LastDialled(0), "202");
    EXPECT_TRUE(Settled(A));
}

TEST_P(MakeCallTest, AFailedReplyFreesTheNewCall)
{
    Fault(sim::sfFailReply, "lineMakeCallA", LINEERR_CALLUNAVAIL);
    uint32_t Code = 0;
    A.OnTapiReply = [&](TObject*, uint32_t, uint32_t C) { Code = C; };
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { A.MakeCall("202"); }), static_cast<uint32_t>(LINEERR_CALLUNAVAIL));
    } else {
        TTapiCall* Call = A.MakeCall("202");
        EXPECT_EQ(A.Get_UnboundCalls()->IndexOf(Call), 0);
        ASSERT_TRUE(PumpUntil([&] { return Code != 0; }));
    }
    EXPECT_TRUE(PumpUntil([&] { return Code != 0; }));
    EXPECT_EQ(Code, static_cast<uint32_t>(LINEERR_CALLUNAVAIL));
    EXPECT_EQ(A.Get_Calls()->Count(), 0);
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
}

TEST_P(MakeCallTest, RefusalsAndTheActiveCheckLeaveNothing)
{
    Fault(sim::sfFailCall, "lineMakeCallA", LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(TapiError([&] { A.MakeCall("202"); }), static_cast<uint32_t>(LINEERR_RESOURCEUNAVAIL));
    EXPECT_EQ(TapiError([&] { A.Unpark(0, "750"); }), static_cast<uint32_t>(LINEERR_INVALADDRESS));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);

    TTapiLine Closed(nullptr);
    Closed.Set_Name("LineC");
    EXPECT_EQ(Refusal([&] { Closed.MakeCall("202"); }), "LineC not active.");
    EXPECT_EQ(Closed.Get_UnboundCalls()->Count(), 0);
    // A closed line unparks with a zero line handle, which the service
    // refuses.
    Closed.Set_DeviceName("Simulated Line 1");
    EXPECT_EQ(TapiError([&] { Closed.Unpark(0, "750"); }), static_cast<uint32_t>(LINEERR_INVALLINEHANDLE));
    EXPECT_EQ(Closed.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(Closed.Get_Requests()->Count(), 0);
    EXPECT_EQ(Called("lineMakeCallA") + Called("lineUnparkA"), 0);
}

TEST_P(MakeCallTest, ATimeOutFreesTheNewCall)
{
    A.Get_Options()->Set_ReplyTimeout(1000);
    Fault(sim::sfNeverReply, "lineMakeCallA");
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { A.MakeCall("202"); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    } else {
        TTapiCall* Call = A.MakeCall("202");
        EXPECT_EQ(A.Get_UnboundCalls()->IndexOf(Call), 0);
        Tick(900);
        EXPECT_EQ(A.Get_UnboundCalls()->Count(), 1);
        EXPECT_FALSE(Log.Has("Timeout"));
    }
    Tick(1000);
    EXPECT_TRUE(Log.Has("Timeout"));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Calls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
}

TEST_P(MakeCallTest, TheLineClosedByTheServiceWhileACallIsBeingMade)
{
    Fault(sim::sfNeverReply, "lineMakeCallA");
    if (Sync()) {
        HWND Closer = AllocateHWnd([&](TMessage&) { Sim.CloseLine(0); });
        PostMessage(Closer, WM_USER + 1, 0, 0);
        const uint32_t Start = GetTickCount();
        EXPECT_EQ(TapiError([&] { A.MakeCall("202"); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
        EXPECT_LT(GetTickCount() - Start, 1000u);
        DeallocateHWnd(Closer);
    } else {
        A.MakeCall("202");
        Sim.CloseLine(0);
    }
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("DeviceClose"); }));
    // The call the request was making can never be bound now.
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, MakeCallTest, ::testing::Bool(), ModeName);

// Placing a call from one address of a line with three.
TEST_F(LineTest, AnAddressPlacesItsCallsFromItself)
{
    sim::TSimConfig Config = Sim.Config();
    Config.Lines[0].Addresses = {sim::TSimAddressConfig{"201"}, sim::TSimAddressConfig{"211"},
                                 sim::TSimAddressConfig{"221"}};
    Sim.Configure(Config);
    TTapiLine Line(nullptr);
    OpenLine(Line);
    ASSERT_EQ(Line.Get_Addresses()->Count(), 3);
    Line.Get_CallParams()->Set_AddressID(1);
    TTapiCall* Call = Line.Get_Addresses()->Get(2)->MakeCall("202");
    ASSERT_NE(Call, nullptr);
    // The handle is written when the reply comes, which may be after
    // MakeCall returns; until then the call has no information to read.
    EXPECT_TRUE(PumpUntil([&] { return Call->GetCallInfoDW(0) == 2u; })) << Call->GetCallInfoDW(0);
    sim::TSimCallInfo Info;
    ASSERT_TRUE(Sim.CallInfo(Sim.LastCall(0), Info));
    EXPECT_EQ(Info.AddressID, 2u);
    // The line's own MakeCall takes the CallParams' address.
    Call = Line.MakeCall("202");
    ASSERT_NE(Call, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return Call->GetCallInfoDW(0) == 1u; })) << Call->GetCallInfoDW(0);

    TTapiAddress Free(nullptr);
    EXPECT_THROW(Free.MakeCall("202"), Exception);
}

} // namespace kxtapi::testing
