// Holding and transferring calls, in SyncMode and asynchronously: the calls'
// states, the requests filed, the consultation and conference calls made,
// and the checks that refuse before the service is asked.

#include "call_control_fixture.h"

namespace kxtapi::testing {

using HoldTransferTest = CallControlTest;

TEST_P(HoldTransferTest, HoldUnholdAndSwapHold)
{
    TTapiCall* First = ConnectedCall("5550100");
    ASSERT_NE(First, nullptr);
    First->Hold();
    if (!Sync()) {
        EXPECT_EQ(First->PendingRequest(), static_cast<uint32_t>(lrkHold));
    }
    ASSERT_TRUE(Await(First, LINECALLSTATE_ONHOLD));
    EXPECT_TRUE(Log.Has("Hold"));
    EXPECT_TRUE(First->IsHeld());
    First->Unhold();
    ASSERT_TRUE(Await(First, LINECALLSTATE_CONNECTED));
    ASSERT_TRUE(Settled(A));

    First->Hold();
    ASSERT_TRUE(Await(First, LINECALLSTATE_ONHOLD));
    TTapiCall* Second = ConnectedCall("5550101");
    ASSERT_NE(Second, nullptr);
    // The active call goes on hold, the held one comes back.
    Second->SwapHold(First);
    if (!Sync()) {
        ASSERT_EQ(A.Get_Requests()->Count(), 1);
        EXPECT_EQ(A.Get_Requests()->Get(0)->Kind, static_cast<uint32_t>(lrkSwapHold));
        EXPECT_EQ(A.Get_Requests()->Get(0)->Objects[0], Second);
        EXPECT_EQ(A.Get_Requests()->Get(0)->Objects[1], First);
    }
    EXPECT_TRUE(Await(First, LINECALLSTATE_CONNECTED));
    EXPECT_TRUE(Await(Second, LINECALLSTATE_ONHOLD));
    EXPECT_TRUE(Settled(A));
    EXPECT_EQ(Called("lineSwapHold"), 1);
    EXPECT_EQ(A.Get_Calls()->Count(), 2);
}

TEST_P(HoldTransferTest, AReplyErrorOrATimeOutKeepsTheCall)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    Fault(sim::sfFailReply, "lineHold", LINEERR_INVALCALLSTATE);
    uint32_t Code = 0;
    A.OnTapiReply = [&](TObject*, uint32_t, uint32_t C) { Code = C; };
    if (Sync())
        EXPECT_EQ(TapiError([&] { Call->Hold(); }), static_cast<uint32_t>(LINEERR_INVALCALLSTATE));
    else
        Call->Hold();
    ASSERT_TRUE(PumpUntil([&] { return Code != 0; }));
    EXPECT_EQ(Code, static_cast<uint32_t>(LINEERR_INVALCALLSTATE));
    // A bound call is not the operation's to free.
    EXPECT_TRUE(A.HasCall(Call));
    EXPECT_EQ(Call->GetCallStatusDW(0), static_cast<uint32_t>(LINECALLSTATE_CONNECTED));
    EXPECT_EQ(A.Get_Requests()->Count(), 0);

    Sim.ClearFaults();
    A.Get_Options()->Set_ReplyTimeout(1000);
    Fault(sim::sfNeverReply, "lineUnhold");
    Call->Hold();
    ASSERT_TRUE(Await(Call, LINECALLSTATE_ONHOLD));
    ASSERT_TRUE(Settled(A));
    if (Sync())
        EXPECT_EQ(TapiError([&] { Call->Unhold(); }), static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    else
        Call->Unhold();
    Tick(1000);
    EXPECT_TRUE(Log.Has("Timeout"));
    EXPECT_TRUE(A.HasCall(Call));
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
}

TEST_P(HoldTransferTest, BlindTransferToAnotherLine)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    const sim::TSimCallID Far = Sim.LastCall(0);
    Call->BlindTransfer("202");
    if (!Sync()) {
        ASSERT_EQ(A.Get_Requests()->Count(), 1);
        EXPECT_EQ(A.Get_Requests()->Get(0)->Objects[0], &A);
    }
    EXPECT_NE(AwaitNewCall(B, LINECALLSTATE_OFFERING), nullptr);
    EXPECT_TRUE(Await(Call, LINECALLSTATE_IDLE));
    EXPECT_EQ(SimCall(Far).TransferredTo, "202");
    EXPECT_TRUE(Settled(A));
}

TEST_P(HoldTransferTest, ConsultationTransferInBothModes)
{
    for (bool Conference : {false, true}) {
        SCOPED_TRACE(Conference ? "conference" : "transfer");
        TTapiCall* Call = ConnectedCall("5550100");
        ASSERT_NE(Call, nullptr);
        TTapiCall* Consult = Call->SetupTransfer();
        ASSERT_NE(Consult, nullptr);
        EXPECT_EQ(Call->Get_ConsultCall(), Consult);
        if (!Sync()) {
            EXPECT_EQ(A.Get_UnboundCalls()->IndexOf(Consult), 0);
            EXPECT_EQ(Consult->PendingRequest(), 0u) << "the request belongs to the call it starts from";
            EXPECT_EQ(Call->PendingRequest(), static_cast<uint32_t>(lrkSetupTransfer));
        }
        ASSERT_TRUE(PumpUntil([&] { return A.HasCall(Consult); }));
        ASSERT_TRUE(Await(Consult, LINECALLSTATE_DIALTONE));
        EXPECT_TRUE(Await(Call, LINECALLSTATE_ONHOLDPENDTRANSFER));
        Consult->Dial("5550177");
        ASSERT_TRUE(Await(Consult, LINECALLSTATE_RINGBACK));
        Sim.FarEndAnswer(Sim.LastCall(0));
        ASSERT_TRUE(Await(Consult, LINECALLSTATE_CONNECTED));
        ASSERT_TRUE(Settled(A));

        // The consultation call is taken from the call when none is given.
        TTapiCall* Conf = Call->CompleteTransfer(nullptr, Conference);
        if (!Conference) {
            EXPECT_EQ(Conf, nullptr);
            EXPECT_TRUE(Await(Call, LINECALLSTATE_IDLE));
            EXPECT_TRUE(Await(Consult, LINECALLSTATE_IDLE));
            ASSERT_TRUE(Settled(A));
            // The object made for a conference call the service never gave is
            // gone.
            EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
        } else {
            ASSERT_NE(Conf, nullptr);
            ASSERT_TRUE(PumpUntil([&] { return A.HasCall(Conf); }));
            EXPECT_TRUE(Await(Conf, LINECALLSTATE_CONNECTED));
            EXPECT_TRUE(Await(Call, LINECALLSTATE_CONFERENCED));
            EXPECT_TRUE(Await(Consult, LINECALLSTATE_CONFERENCED));
            ASSERT_TRUE(Settled(A));
            EXPECT_EQ(Conf->Get_ConferenceCalls()->Count(), 3);
            Conf->Drop();
            EXPECT_TRUE(Await(Call, LINECALLSTATE_IDLE));
        }
        ASSERT_TRUE(Settled(A));
        Tick(1000);
        EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    }
    EXPECT_EQ(Called("lineCompleteTransfer"), 2);
}

TEST_P(HoldTransferTest, AFailedSetupTransferFreesTheConsultationCall)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    Fault(sim::sfFailReply, "lineSetupTransferA", LINEERR_CALLUNAVAIL);
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { Call->SetupTransfer(); }), static_cast<uint32_t>(LINEERR_CALLUNAVAIL));
    } else {
        TTapiCall* Consult = Call->SetupTransfer();
        EXPECT_EQ(A.Get_UnboundCalls()->IndexOf(Consult), 0);
    }
    ASSERT_TRUE(Settled(A));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Calls()->Count(), 1);
    EXPECT_TRUE(A.HasCall(Call));
    // A freed consultation call leaves no pointer behind.
    EXPECT_EQ(Call->Get_ConsultCall(), nullptr);

    Sim.ClearFaults();
    Fault(sim::sfFailCall, "lineSetupTransferA", LINEERR_RESOURCEUNAVAIL);
    EXPECT_EQ(TapiError([&] { Call->SetupTransfer(); }), static_cast<uint32_t>(LINEERR_RESOURCEUNAVAIL));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, HoldTransferTest, ::testing::Bool(), ModeName);

// Every check refuses with its own text before the service is asked.
TEST_F(LineTest, CallControlChecksRefuseBeforeTheServiceIsAsked)
{
    TTapiLine Line(nullptr);
    Line.Set_Name("LineA");
    OpenLine(Line);
    TTapiLine Other(nullptr);
    Other.Set_Name("LineB");
    OpenLine(Other, 1);
    Sim.OfferCall(0, "5550100");
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 1; }));
    TTapiCall* Listed = Line.Get_Calls()->Get(0);
    // A call of the line without a handle yet (an unbound one).
    TTapiCall* Unbound = new TTapiCall(&Line, 0);
    Sim.ClearLog();

    TTapiCall* None = nullptr;
    TTapiCall* Out = nullptr;
    EXPECT_EQ(Refusal([&] { Line.Drop(Unbound, ""); }), "Drop failed! Invalid call.");
    EXPECT_EQ(Refusal([&] { Line.Hold(Unbound); }), "Hold failed! Invalid call.");
    EXPECT_EQ(Refusal([&] { Line.UnHold(None); }), "Unhold failed! Invalid call.");
    EXPECT_EQ(Refusal([&] { Line.HandOff(Unbound, "", LINEMEDIAMODE_DATAMODEM); }), "HandOff failed! Invalid call.");
    EXPECT_EQ(Refusal([&] { Line.Dial(Unbound, "1", 0); }), "Dail failed! Invalid call.");
    EXPECT_EQ(Refusal([&] { Line.Redirect(Unbound, "1", 0); }), "Redirect failed! Invalid call");
    EXPECT_EQ(Refusal([&] { Line.BlindTransfer(Unbound, "1", 0); }), "BlindTransfer failed! Invalid call");
    EXPECT_EQ(Refusal([&] { Line.SetupTransfer(Unbound, nullptr); }), "SetupTransfer failed! Invalid call");
    EXPECT_EQ(Refusal([&] { Line.CompleteTransfer(Unbound, Listed, 0); }),
              "CompleteTransfer faild! No valid held call.");
    EXPECT_EQ(Refusal([&] { Line.CompleteTransfer(Listed, Unbound, 0); }),
              "CompleteTransfer faild! No valid ConsultCall.");
    EXPECT_EQ(Refusal([&] { Line.SwapHold(None, Listed); }), "SwapCall faild! No valid call.");
    EXPECT_EQ(Refusal([&] { Line.SwapHold(Listed, Unbound); }), "SwapCall faild! No valid held call.");
    TTapiCall* Conf = Listed;
    TTapiCall* Consult = Listed;
    EXPECT_EQ(Refusal([&] { Line.SetupConference(Unbound, Conf, Consult, 3, nullptr); }),
              "SetupConference failed! Invalid call");
    EXPECT_EQ(Conf, nullptr);
    EXPECT_EQ(Consult, nullptr);
    EXPECT_EQ(Refusal([&] { Line.PrepareAddToConference(Unbound, nullptr); }),
              "PrepareAddToConference faild! Invalid call.");
    EXPECT_EQ(Refusal([&] { Line.AddToConference(Unbound, Listed); }),
              "AddToConference faild! No valid conference call.");
    EXPECT_EQ(Refusal([&] { Line.AddToConference(Listed, Unbound); }),
              "AddToConference faild! No valid consultation call.");
    EXPECT_EQ(Refusal([&] { Line.Park(Unbound, LINEPARKMODE_DIRECTED, "750", nullptr); }),
              "Park faild! Invalid all.");
    EXPECT_EQ(Refusal([&] { Out = Line.SetupTransfer(None, nullptr); }), "SetupTransfer failed! Invalid call");
    EXPECT_EQ(Out, nullptr);
    // Calls listed on another line: the list checks refuse them, the
    // validity checks do not.
    Sim.OfferCall(1, "5550111");
    ASSERT_TRUE(PumpUntil([&] { return Other.Get_Calls()->Count() == 1; }));
    TTapiCall* Foreign = Other.Get_Calls()->Get(0);
    EXPECT_EQ(Refusal([&] { Line.Redirect(Foreign, "1", 0); }), "Redirect failed! Invalid call");
    EXPECT_EQ(Refusal([&] { Line.Hold(Foreign); }), "Hold failed! Invalid call.");
    EXPECT_EQ(Sim.Log().size(), 0u) << "no check may reach the service";
    EXPECT_EQ(Refusal([&] { Line.Dial(Foreign, "1", 0); }), "ETapiError")
        << "dialing on another line's offered call is left to the service";

    Unbound->Free();

    // A closed line refuses with its name first.
    Line.Set_Active(false);
    EXPECT_EQ(Refusal([&] { Line.Dial(Listed, "1", 0); }), "LineA not active.");
    EXPECT_EQ(Refusal([&] { Line.BlindTransfer(Listed, "1", 0); }), "LineA not active.");
    EXPECT_EQ(Refusal([&] { Line.Redirect(Listed, "1", 0); }), "LineA not active.");
}

} // namespace kxtapi::testing
