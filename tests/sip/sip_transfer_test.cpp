// Transfers: blind (REFER) to a third baresip, a refused one that leaves
// the call as it was, and a consultation transfer (REFER with Replaces)
// between three lines of the library.

#include "sip_fixture.h"

namespace kxtapi::testing {
namespace {

using SipTransferTest = SipTest;

TEST_F(SipTransferTest, BlindTransferMovesTheFarEndAndARefusedOneLeavesTheCall)
{
    std::vector<TSipLineSpec> Lines{{"Office", "alice"}, {"Desk", "dave"}};
    Configure(Lines);
    TTapiLine Line(nullptr), Desk(nullptr);
    TSipEventLog Log, DeskLog;
    Log.Attach(Line);
    DeskLog.Attach(Desk);
    Open(Line, "Office");
    Open(Desk, "Desk");
    TBaresip Bob;
    TBaresip::TOptions CarolOptions;
    CarolOptions.User = "carol";
    CarolOptions.DisplayName = "Carol";
    TBaresip Carol(CarolOptions);
    ASSERT_TRUE(Bob.Ready());
    ASSERT_TRUE(Carol.Ready());

    TTapiCall* Call = Line.MakeCall(Bob.Uri());
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Connected"); }));
    ASSERT_FALSE(Bob.WaitEvent("CALL_ESTABLISHED").is_null());

    // Refused: the target (a line of ours) turns the call down; the request
    // fails and the call goes on.
    bool Offered = false;
    Desk.OnOffering = [&](TObject*, TTapiCall* c) {
        Offered = true;
        c->Drop();
    };
    try {
        Call->BlindTransfer(Lines[1].Uri());
        ADD_FAILURE() << "the refused transfer succeeded";
    } catch (const ETapiError& e) {
        EXPECT_EQ(e.ErrorCode, LINEERR_OPERATIONFAILED);
    }
    EXPECT_TRUE(Offered) << "Bob did call the target";
    EXPECT_EQ(Call->GetCallStatusDW(0), LINECALLSTATE_CONNECTED);

    // Carried out: Bob calls Carol, our part ends.
    Call->BlindTransfer(Carol.Uri());
    nlohmann::json e = Carol.WaitEvent("CALL_ESTABLISHED");
    ASSERT_FALSE(e.is_null());
    EXPECT_NE(e.value("peeruri", "").find("sip:bob@"), std::string::npos);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("Idle"); }));
    EXPECT_FALSE(Log.Has("Disconnected")) << "our end went, not the far end's";
    ASSERT_TRUE(PumpUntil([&] { return Line.Get_Calls()->Count() == 0; }));
}

TEST_F(SipTransferTest, ConsultationTransferJoinsTheOtherTwoLines)
{
    std::vector<TSipLineSpec> Lines{{"A", "anna"}, {"B", "bert"}, {"C", "cora"}};
    Configure(Lines);
    TTapiLine A(nullptr), B(nullptr), C(nullptr);
    TSipEventLog LogA, LogB, LogC;
    LogA.Attach(A);
    LogB.Attach(B);
    LogC.Attach(C);
    Open(A, "A");
    Open(B, "B");
    Open(C, "C");
    // B and C answer what they are offered.
    B.OnOffering = [](TObject*, TTapiCall* c) { c->Answer(); };
    C.OnOffering = [](TObject*, TTapiCall* c) { c->Answer(); };

    TTapiCall* FromA = A.MakeCall(Lines[1].Uri());
    ASSERT_TRUE(PumpUntil([&] { return LogA.Has("Connected") && LogB.Has("Connected"); }));
    TTapiCall* AtB = CallIn(B, LINECALLSTATE_CONNECTED);
    ASSERT_NE(AtB, nullptr);

    // B holds A for the transfer and consults C.
    TTapiCall* Consult = AtB->SetupTransfer();
    ASSERT_NE(Consult, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return AtB->GetCallStatusDW(0) == LINECALLSTATE_ONHOLDPENDTRANSFER; }));
    ASSERT_TRUE(PumpUntil([&] { return FromA->GetCallStatusDW(1) == LINECONNECTEDMODE_ACTIVEHELD; }))
        << "A sees B's hold";
    Consult->Dial(Lines[2].Uri());
    ASSERT_TRUE(PumpUntil([&] { return Consult->GetCallStatusDW(0) == LINECALLSTATE_CONNECTED; }));
    ASSERT_TRUE(PumpUntil([&] { return LogC.Has("Connected"); }));

    AtB->CompleteTransfer(Consult, false);
    // A is with C now, on a new call of each; B has nothing left.
    ASSERT_TRUE(PumpUntil([&] { return B.Get_Calls()->Count() == 0; }));
    ASSERT_TRUE(PumpUntil([&] {
        TTapiCall* a = CallIn(A, LINECALLSTATE_CONNECTED);
        return a && a != FromA && C.Get_Calls()->Count() == 1 && CallIn(C, LINECALLSTATE_CONNECTED) &&
               A.Get_Calls()->Count() == 1;
    }));
    TTapiCall* AtC = CallIn(C, LINECALLSTATE_CONNECTED);
    EXPECT_EQ(AtC->GetCallInfoDW(3), LINECALLREASON_TRANSFER);
    EXPECT_EQ(AtC->Get_CallerID()->GetAddress(), "anna");
    CallIn(A, LINECALLSTATE_CONNECTED)->Drop();
    ASSERT_TRUE(PumpUntil([&] { return C.Get_Calls()->Count() == 0 && A.Get_Calls()->Count() == 0; }));
}

}  // namespace
}  // namespace kxtapi::testing
