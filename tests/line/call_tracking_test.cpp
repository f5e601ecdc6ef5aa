// Call tracking on a line: matching handles, the order of the call events,
// the two call lists, the automatic clean-up, freeing from event handlers,
// and the call object's own state.

#include "line_fixture.h"

#include "kxtapi/kxtapiutils.h"

namespace kxtapi::testing {
namespace {

class CallTrackingTest : public LineTest {
protected:
    CallTrackingTest()
    {
        Log.Attach(Line);
        OpenLine(Line);
    }
    /// Offers a call and pumps until the line raised OnOffering for it.
    TTapiCall* Offer(const std::string& Number = "100")
    {
        const size_t Before = Log.Only({"Offering"}).size();
        LastId = Sim.OfferCall(0, Number);
        PumpUntil([&] { return Log.Only({"Offering"}).size() > Before; });
        return Line.Get_Calls()->Count() > 0 ? Line.Get_Calls()->Get(Line.Get_Calls()->Count() - 1) : nullptr;
    }
    TTapiLine Line{nullptr};
    TEventLog Log;
    sim::TSimCallID LastId = 0;
};

TEST_F(CallTrackingTest, OfferingRaisesStatePrivilegeBeginInOrderAndOneNewCall)
{
    TTapiCall* Call = Offer();
    ASSERT_NE(Call, nullptr);
    EXPECT_EQ(Log.Only({"NewCall", "CallState 2", "Offering", "Privilege 4", "CallBegin"}),
              (std::vector<std::string>{"NewCall", "CallState 2", "Offering", "Privilege 4", "CallBegin"}));
    EXPECT_TRUE(Call->Get_Alive());
    EXPECT_TRUE(Call->WasOffering());
    EXPECT_TRUE(Call->Get_Owner());
    // The same state again: no second NewCall, no second CallBegin.
    Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLSTATE, LINECALLSTATE_OFFERING, 0, 0);
    EXPECT_EQ(Log.Only({"NewCall", "CallBegin"}).size(), 2u);
    EXPECT_EQ(Line.Get_Calls()->Count(), 1);
}

TEST_F(CallTrackingTest, StateZeroIsIgnoredAndUnknownRaisesOnlyCallState)
{
    TTapiCall* Call = Offer();
    Log.Names.clear();
    Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLSTATE, 0, 0, 0);
    EXPECT_TRUE(Log.Names.empty());
    Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLSTATE, LINECALLSTATE_UNKNOWN, 0, 0);
    EXPECT_EQ(Log.Names, std::vector<std::string>{"CallState 8000"});
    EXPECT_EQ(Call->GetCallStatusDW(0), static_cast<uint32_t>(LINECALLSTATE_UNKNOWN));
}

TEST_F(CallTrackingTest, CallInfoRaisesInfoThenPartyEventsInBitOrder)
{
    TTapiCall* Call = Offer();
    Log.Names.clear();
    Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLINFO,
                            LINECALLINFOSTATE_CALLEDID | LINECALLINFOSTATE_CALLERID | LINECALLINFOSTATE_MEDIAMODE, 0,
                            0);
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"MediaMode", "CallInfo 18010", "CallerID", "CalledID"}));
}

TEST_F(CallTrackingTest, MessagesForHandlesTheServiceDoesNotKnowRaiseNothing)
{
    Offer();
    Log.Names.clear();
    for (uint32_t ID : {LINE_CALLSTATE, LINE_CALLINFO, LINE_GENERATE, LINE_MONITORDIGITS, LINE_MONITORMEDIA})
        Line.Handle_TapiMessage(0x7777, ID, LINECALLSTATE_CONNECTED, 0, 0);
    Line.Handle_TapiMessage(0, LINE_APPNEWCALL, 0, 0, 0);
    EXPECT_TRUE(Log.Names.empty());
    EXPECT_EQ(Line.Get_Calls()->Count(), 1);
}

TEST_F(CallTrackingTest, IdleCallsStayWhenTheCleanUpIsOffOrZero)
{
    for (int32_t Delay : {-1, 0}) {
        Line.Get_Options()->Set_AutoFreeIdleCalls(Delay);
        TTapiCall* Call = Offer();
        Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLSTATE, LINECALLSTATE_IDLE, 0, 0);
        EXPECT_TRUE(Log.Has("CallEnd"));
        Tick(5000);
        EXPECT_TRUE(Line.HasCall(Call)) << Delay;
        EXPECT_EQ(Line.Get_Terms()->Count(), Delay == 0 ? 1 : 0);
        Call->Free();
        EXPECT_EQ(Line.Get_Terms()->Count(), 0);
    }
}

TEST_F(CallTrackingTest, TheCommDeviceLivesFromConnectedToDisconnected)
{
    Line.Get_CallOptions()->Get_Comm()->Set_Enabled(true);
    TTapiCall* Call = Offer();
    TTapiCommDevice* Comm = Call->Get_CommDevice();
    EXPECT_TRUE(Comm->Get_Enabled());
    EXPECT_FALSE(Comm->Get_Initialized());
    Call->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    EXPECT_TRUE(Comm->Get_Available());
    EXPECT_NE(Comm->Get_Handle(), 0xFFFFFFFFu);
    EXPECT_NE(Call->Get_ConnectTime(), 0.0);
    Line.Get_Options()->Set_AutoDropDiscCalls(-1);
    Sim.FarEndHangUp(LastId);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Disconnected"); }));
    EXPECT_FALSE(Comm->Get_Initialized());
    EXPECT_TRUE(Call->WasDisconnected());
    EXPECT_TRUE(Call->WasConnected());
    EXPECT_FALSE(Call->IsConnected());
}

TEST_F(CallTrackingTest, ListsThroughAnsweringDroppingAndDeallocating)
{
    TTapiCall* Call = Offer();
    EXPECT_TRUE(Line.HasCall(Call));
    EXPECT_EQ(Line.Get_UnboundCalls()->Count(), 0);
    Call->Answer();
    EXPECT_TRUE(Line.HasCall(Call));
    // The only owner of a call still going cannot release it; the handle stays.
    try {
        Call->Deallocate();
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_INVALCALLSTATE);
    }
    EXPECT_TRUE(Call->Valid());
    Line.Get_Options()->Set_AutoFreeIdleCalls(-1);
    Call->Drop();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Idle"); }));
    EXPECT_TRUE(Line.HasCall(Call));
    Call->Deallocate();
    // Released, but still listed until it is re-filed or freed.
    EXPECT_FALSE(Call->Valid());
    EXPECT_TRUE(Line.HasCall(Call));
    EXPECT_EQ(Call->PendingRequest(), 0u);
    EXPECT_FALSE(Line.ProveCall(Call));
    EXPECT_FALSE(Line.HasCall(Call));
    EXPECT_EQ(Line.Get_UnboundCalls()->IndexOf(Call), 0);
    // A released call cannot be dropped.
    try {
        Line.Drop(Call, "");
        FAIL() << "no exception";
    } catch (const ETapiError&) {
        FAIL() << "wrong exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Drop failed! Invalid call.");
    }
    Line.FreeBadCall(Call);
    EXPECT_EQ(Line.Get_UnboundCalls()->Count(), 0);
}

TEST_F(CallTrackingTest, AnswerChecksComeBeforeTheService)
{
    TTapiCall Unbound(&Line, 0);
    auto Message = [](const std::function<void()>& F) {
        try {
            F();
        } catch (const Exception& E) {
            return E.Message();
        }
        return std::string("no exception");
    };
    EXPECT_EQ(Message([&] { Unbound.Answer(); }), "Unable to answer call. No valid call of Simulated Line 1.");
    EXPECT_EQ(Message([&] { Unbound.Accept(); }), "Unable to accept call. No valid call of Simulated Line 1.");
    EXPECT_EQ(Message([&] { Unbound.Drop(); }), "Drop failed! Invalid call.");
    TTapiLine Closed(nullptr);
    Closed.Set_Name("Line7");
    TTapiCall Other(&Closed, 0);
    EXPECT_EQ(Message([&] { Other.Answer(); }), "Line7 not active.");
    EXPECT_EQ(Message([] { TTapiCall Orphan(nullptr, 1); }), "TTapiCallEx.Create failed! Invalid Line");
}

TEST_F(CallTrackingTest, AcceptFilesItsKindAndARefusedReplyRaises)
{
    Line.Get_Options()->Set_SyncMode(false);
    TTapiCall* Call = Offer();
    Call->Accept("uui");
    EXPECT_EQ(Call->PendingRequest(), static_cast<uint32_t>(lrkAccept));
    ASSERT_TRUE(PumpUntil([&] { return Call->PendingRequest() == 0; }));

    Line.Get_Options()->Set_SyncMode(true);
    sim::TSimFault Fault;
    Fault.Kind = sim::sfFailReply;
    Fault.Function = "lineAnswer";
    Fault.Error = LINEERR_INVALCALLSTATE;
    Sim.InjectFault(Fault);
    try {
        Call->Answer();
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_INVALCALLSTATE);
    }
    // A listed call survives its failed answer.
    ASSERT_TRUE(PumpUntil([&] { return Call->PendingRequest() == 0; }));
    EXPECT_TRUE(Line.HasCall(Call));
}

TEST_F(CallTrackingTest, HandlerThatFreesItsCall)
{
    int After = 0;
    Line.OnOffering = [&](TObject*, TTapiCall* Call) {
        Call->Free();
        Call->Free();   // a second Free before the deletion does nothing
        EXPECT_TRUE(Call->Get_FreePending());
        EXPECT_FALSE(Line.HasCall(Call));
    };
    Line.OnCallBegin = [&](TObject*, TTapiCall*) { ++After; };
    Line.OnCallPrivilege = [&](TObject*, TTapiCall*, uint32_t) { ++After; };
    Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("NewCall"); }));
    PumpUntil([] { return false; }, 50);
    // No later event of that state change reached the freed call. (The
    // service keeps a call whose only owner lets go while it is offered, so
    // its later messages adopt it afresh.)
    EXPECT_EQ(After, 0);
}

TEST_F(CallTrackingTest, TheIdleCleanUpAndAHandlerFreeingAnotherCall)
{
    TTapiCall* First = Offer("1");
    TTapiCall* Second = Offer("2");
    Line.OnCallDeallocate = [&](TObject*, TTapiCall* Call) {
        Log.Add("CallDeallocate");
        if (Call == First) Second->Free();
    };
    Line.Handle_TapiMessage(First->Get_Handle(), LINE_CALLSTATE, LINECALLSTATE_IDLE, 0, 0);
    Tick(500);
    EXPECT_TRUE(Log.Has("CallDeallocate"));
    EXPECT_EQ(Line.Get_Calls()->Count(), 0);
    EXPECT_EQ(Line.Get_Terms()->Count(), 0);
}

TEST_F(CallTrackingTest, LineFreedFromItsOwnHandler)
{
    auto* Own = new TTapiLine(nullptr);
    Own->Set_DeviceName("Simulated Line 1");
    Own->Set_Active(true);
    const int Lines = TapiApplication->Lines.Count();
    bool Freed = false;
    Own->OnOffering = [&](TObject*, TTapiCall* Call) {
        Own->Free();
        // Still usable until the event is over.
        EXPECT_TRUE(Own->HasCall(Call));
        Freed = true;
    };
    Sim.OfferCall(0, "1");
    ASSERT_TRUE(PumpUntil([&] { return TapiApplication->Lines.Count() == Lines - 1; }));
    EXPECT_TRUE(Freed);
}

TEST_F(CallTrackingTest, FreedCallsLeaveNoReferencesBehind)
{
    TTapiCall* A = Offer("1");
    TTapiCall* B = Offer("2");
    A->Get_ConferenceCalls()->Add(A);
    A->Get_ConferenceCalls()->Add(B);
    B->Get_ConferenceCalls()->Add(A);
    B->Get_ConferenceCalls()->Add(B);
    A->Set_ConsultCall(B);
    B->Free();
    EXPECT_EQ(A->Get_ConferenceCalls()->Count(), 1);
    EXPECT_EQ(A->Get_ConferenceCalls()->Get(0), A);
    EXPECT_EQ(A->Get_ConsultCall(), nullptr);
}

TEST_F(CallTrackingTest, StateTestsAndTextsOfTheCall)
{
    TTapiCall* Call = Offer();
    EXPECT_EQ(Call->StateText(), LineCallStateToStr(LINECALLSTATE_OFFERING));
    EXPECT_EQ(Call->OriginText(), LineCallOriginToStr(Call->Get_Origin()));
    EXPECT_EQ(Call->StateModeText(), "");
    EXPECT_EQ(Call->Get_Notes("Anything"), "");
    Call->Set_Notes("Customer", "42");
    EXPECT_EQ(Call->Get_Notes("customer"), "42");
    Call->Set_Notes("CUSTOMER", "");
    EXPECT_EQ(Call->Get_Notes("Customer"), "");
    EXPECT_EQ(Call->Get_Address(), Line.Get_Addresses()->Get(0));
    EXPECT_EQ(Call->GetCallStatusDW(7), 0u);
    EXPECT_EQ(Call->GetCallInfoDW(8), 0u);
    EXPECT_EQ(Call->GetCallInfoDW(7), Call->Get_ConnectedID()->GetFlags());

    // IDLE then OFFERING again: the object starts its histories over.
    Call->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Call->WasConnected(); }));
    Line.Get_Options()->Set_AutoFreeIdleCalls(-1);
    Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLSTATE, LINECALLSTATE_IDLE, 0, 0);
    EXPECT_FALSE(Call->Get_Alive());
    Line.Handle_TapiMessage(Call->Get_Handle(), LINE_CALLSTATE, LINECALLSTATE_OFFERING, 0, 0);
    EXPECT_TRUE(Call->Get_Alive());
    EXPECT_FALSE(Call->WasConnected());
    EXPECT_TRUE(Call->WasOffering());
}

TEST(CallObjectTest, AnUnboundCallReadsZero)
{
    TTestClock Clock(1);
    TTapiLine Line(nullptr);
    TTapiCall Call(&Line, 0);
    EXPECT_FALSE(Call.Valid());
    EXPECT_EQ(Line.Get_UnboundCalls()->IndexOf(&Call), 0);
    EXPECT_FALSE(Line.HasCall(&Call));
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Call.GetCallStatusDW(i), 0u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Call.GetCallInfoDW(i), 0u);
    EXPECT_FALSE(Call.Get_Active());
    EXPECT_FALSE(Call.IsOutgoing());
    EXPECT_EQ(Call.Get_Address(), nullptr);
    EXPECT_EQ(Call.MediaModeText(), "");
}

} // namespace
} // namespace kxtapi::testing
