// A line on a service that fails, never answers or answers late: the
// automatic drop of a disconnected call is tried again until it works or the
// handle is gone, and a call created by a request the program was told had
// failed is ended, never adopted.

#include "call_control_fixture.h"

namespace kxtapi::testing {

using UnreliableServiceTest = CallControlTest;

namespace {

/// A call of A to the far end, answered there, then hung up by it.
TTapiCall* DisconnectedCall(CallControlTest& T, TTapiCall* Call)
{
    if (Call == nullptr) return nullptr;
    sim::Switch().FarEndHangUp(sim::Switch().LastCall(0));
    return PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED; }) ? Call : nullptr;
}

} // namespace

TEST_P(UnreliableServiceTest, AFailedAutomaticDropIsTriedAgainUntilItWorks)
{
    A.Get_Options()->Set_ReplyTimeout(200);
    for (sim::TSimFaultKind Kind : {sim::sfFailReply, sim::sfNeverReply, sim::sfFailCall}) {
        SCOPED_TRACE(Kind);
        Log.Names.clear();
        TTapiCall* Call = DisconnectedCall(*this, ConnectedCall());
        ASSERT_NE(Call, nullptr);
        const int DropsBefore = Called("lineDrop");
        Fault(Kind, "lineDrop");
        // The first drop fails (or is never answered), and so does the one
        // tried after the next delay: the call stays, disconnected.
        for (int Attempt = 1; Attempt <= 2; ++Attempt) {
            Tick(500);
            for (int i = 0; i < 3; ++i) Tick(100);   // the time-out of an unanswered drop
            // (The switch logs only the functions it carried out.)
            if (Kind != sim::sfFailCall) {
                EXPECT_EQ(Called("lineDrop"), DropsBefore + Attempt);
            }
            EXPECT_EQ(A.Get_Terms()->Count(), 1);   // the next try
            EXPECT_TRUE(A.HasCall(Call));
            EXPECT_EQ(Call->GetCallStatusDW(0), static_cast<uint32_t>(LINECALLSTATE_DISCONNECTED));
        }
        Sim.ClearFaults();
        // The service recovers: the next try drops the call, which is then freed.
        Tick(500);
        ASSERT_TRUE(PumpUntil([&] { return Log.Has("Idle"); }));
        Tick(500);
        EXPECT_TRUE(Log.Has("CallDeallocate"));
        EXPECT_EQ(A.Get_Calls()->Count(), 0);
        EXPECT_EQ(A.Get_Requests()->Count(), 0);
        EXPECT_EQ(A.Get_Terms()->Count(), 0);
    }
}

TEST_P(UnreliableServiceTest, ACallWhoseHandleTheServiceNoLongerKnowsIsFreed)
{
    for (sim::TSimFaultKind Kind : {sim::sfFailReply, sim::sfFailCall}) {
        SCOPED_TRACE(Kind);
        Log.Names.clear();
        TTapiCall* Call = DisconnectedCall(*this, ConnectedCall());
        ASSERT_NE(Call, nullptr);
        Fault(Kind, "lineDrop", LINEERR_INVALCALLHANDLE);
        TTapiCall* Deallocated = nullptr;
        A.OnCallDeallocate = [&](TObject*, TTapiCall* C) { Deallocated = C; };
        Tick(500);
        ASSERT_TRUE(PumpUntil([&] { return Deallocated != nullptr; }));
        EXPECT_EQ(Deallocated, Call);
        EXPECT_EQ(A.Get_Calls()->Count(), 0);
        EXPECT_EQ(A.Get_Terms()->Count(), 0);
        Sim.ClearFaults();
    }
}

TEST_P(UnreliableServiceTest, TheApplicationsOwnFailedDropIsNotRepeated)
{
    A.Get_Options()->Set_AutoDropDiscCalls(-1);
    TTapiCall* Call = DisconnectedCall(*this, ConnectedCall());
    ASSERT_NE(Call, nullptr);
    Fault(sim::sfFailReply, "lineDrop");
    if (Sync())
        EXPECT_EQ(TapiError([&] { Call->Drop(); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    else
        Call->Drop();
    ASSERT_TRUE(Settled(A));
    for (int i = 0; i < 10; ++i) Tick(100);
    EXPECT_EQ(Called("lineDrop"), 1);
    EXPECT_TRUE(A.HasCall(Call));
}

// A reply 400 ms late against a 200 ms time-out: the program has been told
// the request failed (ETapiError in SyncMode, OnTapiTimeout otherwise) by the
// time the switch places the call.
TEST_P(UnreliableServiceTest, ACallMadeByARequestThatTimedOutIsEndedNotAdopted)
{
    Sim.AddDestinationRule({"*", sim::faAnswer, 0});
    A.Get_Options()->Set_ReplyTimeout(200);
    Fault(sim::sfDelayReply, "lineMakeCallA", 0, 400);
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { A.MakeCall("5550100"); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    } else {
        A.MakeCall("5550100");
        Tick(100);
        Tick(100);
        EXPECT_TRUE(Log.Has("Timeout"));
    }
    for (int i = 0; i < 5; ++i) Tick(100);
    // The switch placed the call; the line drops it and lets its handle go.
    const sim::TSimCallID Placed = Sim.LastCall(0);
    ASSERT_NE(Placed, 0u);
    EXPECT_TRUE(PumpUntil([&] { return SimCall(Placed).State == LINECALLSTATE_IDLE; }, 1000));
    Application()->ProcessMessages();
    EXPECT_FALSE(Log.Has("CallBegin"));
    EXPECT_FALSE(Log.Has("Connected"));
    EXPECT_EQ(A.Get_Calls()->Count(), 0);
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
    EXPECT_EQ(Called("lineDrop"), 1);
    // Later calls are adopted as ever.
    Sim.ClearFaults();
    Sim.ClearDestinationRules();
    EXPECT_NE(ConnectedCall(), nullptr);
}

namespace {

/// A line whose requests never expire: a reply that comes after a SyncMode
/// wait gave up then always finds its request still filed.
class TNoExpiryLine : public TTapiLine {
public:
    using TTapiLine::TTapiLine;
    void Handle_InternalTimer(uint32_t) override {}
};

} // namespace

TEST_F(LineTest, ACallMadeByARequestWhoseWaitGaveUpIsEndedWhenTheReplyComesBeforeTheExpiry)
{
    TNoExpiryLine L(nullptr);
    TEventLog Log;
    Log.Attach(L);
    OpenLine(L);
    Sim.AddDestinationRule({"*", sim::faAnswer, 0});
    L.Get_Options()->Set_ReplyTimeout(200);
    sim::TSimFault Late;
    Late.Kind = sim::sfDelayReply;
    Late.Function = "lineMakeCallA";
    Late.Delay = 250;
    Sim.InjectFault(Late);
    try {
        L.MakeCall("5550100");
        ADD_FAILURE() << "no ETapiError";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    }
    ASSERT_EQ(L.Get_Requests()->Count(), 1);
    Clock.Advance(100);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Reply 0"); }));
    const sim::TSimCallID Placed = Sim.LastCall(0);
    ASSERT_NE(Placed, 0u);
    sim::TSimCallInfo Info;
    EXPECT_TRUE(PumpUntil([&] { return Sim.CallInfo(Placed, Info) && Info.State == LINECALLSTATE_IDLE; }, 1000));
    Application()->ProcessMessages();
    EXPECT_FALSE(Log.Has("CallBegin"));
    EXPECT_EQ(L.Get_Calls()->Count(), 0);
    EXPECT_EQ(L.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(L.Get_Requests()->Count(), 0);
}

TEST_P(UnreliableServiceTest, AConsultationCallOfATimedOutSetupTransferIsEnded)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    A.Get_Options()->Set_ReplyTimeout(200);
    Fault(sim::sfDelayReply, "lineSetupTransferA", 0, 400);
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { Call->SetupTransfer(); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    } else {
        Call->SetupTransfer();
    }
    for (int i = 0; i < 7; ++i) Tick(100);
    EXPECT_TRUE(PumpUntil([&] { return Sim.Calls(0).size() == 1; }, 1000));
    Application()->ProcessMessages();
    // Only the call the program had is left; the consultation call the
    // switch made late is gone from the switch too.
    EXPECT_EQ(A.Get_Calls()->Count(), 1);
    EXPECT_TRUE(A.HasCall(Call));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(Sim.Calls(0).size(), 1u);
}

TEST_P(UnreliableServiceTest, ATimedOutRequestThatNeverRepliesLeavesNothingWhenTheLineCloses)
{
    A.Get_Options()->Set_ReplyTimeout(200);
    Fault(sim::sfNeverReply, "lineMakeCallA");
    for (int i = 0; i < 3; ++i) {
        if (Sync())
            EXPECT_EQ(TapiError([&] { A.MakeCall("5550100"); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
        else
            A.MakeCall("5550100");
        for (int t = 0; t < 3; ++t) Tick(100);
    }
    EXPECT_EQ(A.Get_Calls()->Count() + A.Get_UnboundCalls()->Count() + A.Get_Requests()->Count(), 0);
    A.Set_Active(false);   // the kept call objects go with the line (ASan checks)
}

INSTANTIATE_TEST_SUITE_P(Modes, UnreliableServiceTest, ::testing::Bool(), ModeName);

} // namespace kxtapi::testing
