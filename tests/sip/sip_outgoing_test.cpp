// Calls the library makes, and calls that end before they are answered:
// connected, busy, rejected, not answered, cancelled while ringing, and the
// far end giving up while it rings here.

#include "sip_fixture.h"

namespace kxtapi::testing {
namespace {

using SipOutgoingTest = SipTest;

TEST_F(SipOutgoingTest, ACallToBaresipConnectsWithItsIdentityAndEndsWithOurDrop)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    TSipEventLog Log;
    Log.Attach(Line);
    Open(Line, "Office");
    TBaresip Bob;
    ASSERT_TRUE(Bob.Ready());

    // The reply comes once the INVITE is out: the call is not answered yet.
    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    ASSERT_NE(Call, nullptr);
    EXPECT_FALSE(Log.Has("Connected"));
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    EXPECT_EQ(Log.Only({"Dialing", "Proceeding", "RingBack", "Connected"}).front(), "Dialing");
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ConnectedID"); }));
    EXPECT_EQ(Call->Get_ConnectedID()->GetAddress(), "bob");
    // A 200 carries the far end's name only in P-Asserted-Identity, which
    // baresip does not send.
    nlohmann::json e = Bob.WaitEvent("CALL_ESTABLISHED");
    ASSERT_FALSE(e.is_null());
    EXPECT_EQ(e.value("peerdisplayname", ""), "Office");

    Call->Drop();
    ASSERT_FALSE(Bob.WaitEvent("CALL_CLOSED").is_null()) << "BYE reached the far end";
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Idle"); }));
    EXPECT_FALSE(Log.Has("Disconnected"));
}

TEST_F(SipOutgoingTest, BusyRejectedAndUnansweredCallsBecomeDisconnectedWithTheirModes)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}, {"Desk", "carol"}};
    Configure(Lines);
    TTapiLine Line(nullptr), Desk(nullptr);
    TSipEventLog Log, DeskLog;
    Log.Attach(Line);
    DeskLog.Attach(Desk);
    Open(Line, "Office");
    Open(Desk, "Desk");
    TBaresip::TOptions Manual;
    Manual.AutoAnswer = false;
    TBaresip Bob(Manual);
    ASSERT_TRUE(Bob.Ready());

    // Busy: baresip turns the call down while it rings (486).
    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    ASSERT_NE(Call, nullptr);
    ASSERT_FALSE(Bob.WaitEvent("CALL_INCOMING").is_null());
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("RingBack"); }));
    ASSERT_TRUE(Bob.Command("hangup"));
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED; }));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_BUSY);
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 0; }));

    // Rejected: another line of the library drops the offered call (603).
    Call = Line.MakeCall(Lines[1].Uri());
    TTapiCall* Offered = WaitCall(Desk, LINECALLSTATE_OFFERING);
    ASSERT_NE(Offered, nullptr);
    Offered->Drop();
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED; }));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_REJECT);
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 0 && Desk.Get_Calls()->Count() == 0; }));

    // Not answered: the call's own time-out (LINECALLPARAMS) cancels it.
    Line.Get_CallParams()->Set_NoAnswerTimeout(1);
    Call = Line.MakeCall(Bob.Uri());
    ASSERT_FALSE(Bob.WaitEvent("CALL_INCOMING").is_null());
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED; }, 4000));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_NOANSWER);
    ASSERT_FALSE(Bob.WaitEvent("CALL_CLOSED").is_null()) << "the far end heard the CANCEL";

    // A bad address never leaves: the reply says so.
    EXPECT_THROW(Line.MakeCall("sip:bad uri@127.0.0.1"), ETapiError);
}

TEST_F(SipOutgoingTest, DroppingARingingCallCancelsItAndTheCallerGivingUpEndsTheOffer)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}};
    Configure(Lines);
    TTapiLine Line(nullptr);
    TSipEventLog Log;
    Log.Attach(Line);
    Open(Line, "Office");
    TBaresip::TOptions Manual;
    Manual.AutoAnswer = false;
    TBaresip Bob(Manual);
    ASSERT_TRUE(Bob.Ready());

    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    ASSERT_FALSE(Bob.WaitEvent("CALL_INCOMING").is_null());
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("RingBack"); }));
    Call->Drop();
    ASSERT_FALSE(Bob.WaitEvent("CALL_CLOSED").is_null()) << "CANCEL reached the far end";
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 0; }));

    // Now the far end calls and hangs up while it rings here.
    ASSERT_TRUE(Bob.Command("dial", Lines[0].Uri()));
    TTapiCall* Offered = WaitCall(Line, LINECALLSTATE_OFFERING);
    ASSERT_NE(Offered, nullptr);
    ASSERT_FALSE(Bob.WaitEvent("CALL_RINGING").is_null());
    ASSERT_TRUE(Bob.Command("hangup"));
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Disconnected"); }));
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 0; }));
}

TEST_F(SipOutgoingTest, ARedirectedCallIsFollowedAndAWithheldNumberIsBlocked)
{
    std::vector<TSipLineSpec> Lines{{"A", "anna"}, {"B", "bert"}, {"C", "cora"}};
    Configure(Lines);
    TTapiLine A(nullptr), B(nullptr), C(nullptr);
    Open(A, "A");
    Open(B, "B");
    Open(C, "C");
    // B sends its calls on to C (302); A's call follows and reaches C.
    B.OnOffering = [&](TObject*, TTapiCall* c) { c->Redirect(Lines[2].Uri()); };
    A.Get_CallParams()->Set_BlockID(true);
    TTapiCall* Call = A.MakeCall(Lines[1].Uri());
    TTapiCall* AtC = WaitCall(C, LINECALLSTATE_OFFERING);
    ASSERT_NE(AtC, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return AtC->Get_CallerID()->GetFlags() != 0; }));
    EXPECT_TRUE(AtC->Get_CallerID()->Blocked());
    EXPECT_EQ(AtC->Get_CallerID()->GetAddress(), "");
    AtC->Answer();
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));
    Call->Drop();
    // B's call ended with the redirection.
    ASSERT_TRUE(PumpUntil([&] {
        return C.Get_Calls()->Count() == 0 && A.Get_Calls()->Count() == 0 && B.Get_Calls()->Count() == 0;
    }));
}

TEST_F(SipOutgoingTest, LinesOnTcpCallEachOther)
{
    std::vector<TSipLineSpec> Lines{{"A", "anna", "\"transport\": \"tcp\""},
                                    {"B", "bert", "\"transport\": \"tcp\""},
                                    {"C", "cora"}};
    Configure(Lines);
    TTapiLine A(nullptr), B(nullptr), C(nullptr);
    Open(A, "A");
    Open(B, "B");
    Open(C, "C");
    B.OnOffering = [](TObject*, TTapiCall* c) { c->Answer(); };
    TTapiCall* Call = A.MakeCall(Lines[1].Uri());
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));
    Call->Drop();
    ASSERT_TRUE(PumpUntil([&] { return A.Get_Calls()->Count() == 0 && B.Get_Calls()->Count() == 0; }));
    // C listens on UDP only: A's INVITE, over TCP, finds nobody.
    Call = A.MakeCall(Lines[2].Uri());
    ASSERT_TRUE(PumpUntil([&] { return Call->GetCallStatusDW(0) == LINECALLSTATE_DISCONNECTED; }));
    EXPECT_EQ(Call->GetCallStatusDW(1), LINEDISCONNECTMODE_UNREACHABLE);
    EXPECT_EQ(C.Get_Calls()->Count(), 0);
}

}  // namespace
}  // namespace kxtapi::testing
