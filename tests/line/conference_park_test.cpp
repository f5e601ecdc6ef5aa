// Conferences, park and unpark, redirect and hand-off, in SyncMode and
// asynchronously.

#include "../service/service_fixture.h"
#include "call_control_fixture.h"

#include <cstring>
#include <vector>

namespace kxtapi::testing {

using ConferenceParkTest = CallControlTest;

TEST_P(ConferenceParkTest, AThreePartyConferenceSetUpAndExtended)
{
    TTapiCall* Call = ConnectedCall("5550100");
    ASSERT_NE(Call, nullptr);
    TTapiCall* Conf = nullptr;
    TTapiCall* Consult = nullptr;
    Call->SetupConference(Conf, Consult);
    ASSERT_NE(Conf, nullptr);
    ASSERT_NE(Consult, nullptr);
    if (!Sync()) {
        EXPECT_EQ(A.Get_UnboundCalls()->Count(), 2);
        ASSERT_EQ(A.Get_Requests()->Count(), 1);
        const TTapiRequest* R = A.Get_Requests()->Get(0);
        EXPECT_EQ(R->Kind, static_cast<uint32_t>(lrkSetupConference));
        EXPECT_EQ(R->Objects[0], Call);
        EXPECT_EQ(R->Objects[1], Conf);
        EXPECT_EQ(R->Objects[2], Consult);
    }
    ASSERT_TRUE(PumpUntil([&] { return A.HasCall(Conf) && A.HasCall(Consult); }));
    EXPECT_TRUE(Await(Conf, LINECALLSTATE_ONHOLDPENDCONF));
    EXPECT_TRUE(Await(Call, LINECALLSTATE_CONFERENCED));
    ASSERT_TRUE(Await(Consult, LINECALLSTATE_DIALTONE));
    Consult->Dial("202");
    TTapiCall* AtB = AwaitNewCall(B, LINECALLSTATE_OFFERING);
    ASSERT_NE(AtB, nullptr);
    AtB->Answer();
    ASSERT_TRUE(Await(Consult, LINECALLSTATE_CONNECTED));
    ASSERT_TRUE(Settled(A));
    Consult->AddToConference(Conf);
    EXPECT_TRUE(Await(Consult, LINECALLSTATE_CONFERENCED));
    EXPECT_TRUE(Await(Conf, LINECALLSTATE_CONNECTED));
    ASSERT_TRUE(Settled(A));

    // A fourth party joins the conference.
    TTapiCall* Third = Conf->PrepareAddToConference();
    ASSERT_NE(Third, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return A.HasCall(Third); }));
    ASSERT_TRUE(Await(Third, LINECALLSTATE_DIALTONE));
    EXPECT_TRUE(Await(Conf, LINECALLSTATE_ONHOLDPENDCONF));
    Third->Dial("5550177");
    ASSERT_TRUE(Await(Third, LINECALLSTATE_RINGBACK));
    Sim.FarEndAnswer(Sim.LastCall(0));
    ASSERT_TRUE(Await(Third, LINECALLSTATE_CONNECTED));
    ASSERT_TRUE(Settled(A));
    EXPECT_EQ(A.AddToConference(Conf, Third), 0u);
    ASSERT_TRUE(Await(Third, LINECALLSTATE_CONFERENCED));
    ASSERT_TRUE(Settled(A));
    A.Update_ConferenceCalls(Conf);
    EXPECT_EQ(Conf->Get_ConferenceCalls()->Count(), 4);
    EXPECT_EQ(A.Get_Calls()->Count(), 4);
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
}

TEST_P(ConferenceParkTest, AFailedConferenceFreesBothNewCalls)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    Fault(sim::sfFailReply, "lineSetupConferenceA", LINEERR_CONFERENCEFULL);
    TTapiCall* Conf = Call;
    TTapiCall* Consult = Call;
    if (Sync()) {
        EXPECT_EQ(TapiError([&] { Call->SetupConference(Conf, Consult); }),
                  static_cast<uint32_t>(LINEERR_CONFERENCEFULL));
        EXPECT_EQ(Conf, nullptr);
        EXPECT_EQ(Consult, nullptr);
    } else {
        Call->SetupConference(Conf, Consult);
        EXPECT_EQ(A.Get_UnboundCalls()->Count(), 2);
    }
    ASSERT_TRUE(Settled(A));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Calls()->Count(), 1);

    // Without a reply the time-out frees them.
    Sim.ClearFaults();
    A.Get_Options()->Set_ReplyTimeout(1000);
    Fault(sim::sfNeverReply, "lineSetupConferenceA");
    if (Sync())
        EXPECT_EQ(TapiError([&] { Call->SetupConference(Conf, Consult); }),
                  static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    else
        Call->SetupConference(Conf, Consult);
    if (!Sync()) {
        EXPECT_EQ(A.Get_UnboundCalls()->Count(), 2) << "the request is still pending";
    }
    Tick(1000);
    EXPECT_TRUE(Log.Has("Timeout"));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
    EXPECT_TRUE(A.HasCall(Call));
}

TEST_P(ConferenceParkTest, ParkedWithAndWithoutADirectionAndUnparked)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    std::vector<uint8_t> Bytes(sizeof(VARSTRING) + 32);
    auto* Where = reinterpret_cast<VARSTRING*>(Bytes.data());
    Where->dwTotalSize = static_cast<DWORD>(Bytes.size());
    A.Park(Call, LINEPARKMODE_NONDIRECTED, "", Where);
    ASSERT_TRUE(Settled(A));
    ASSERT_GT(Where->dwStringSize, 0u);
    const std::string Address(reinterpret_cast<const char*>(Bytes.data() + Where->dwStringOffset));
    EXPECT_EQ(Sim.ParkedAddresses(), std::vector<std::string>{Address});
    EXPECT_TRUE(Await(Call, LINECALLSTATE_IDLE));

    // Line B picks it up: bound and listed once Unpark has completed.
    TTapiCall* Got = B.Unpark(0, Address);
    ASSERT_NE(Got, nullptr);
    if (!Sync()) {
        EXPECT_EQ(B.Get_UnboundCalls()->IndexOf(Got), 0);
        ASSERT_TRUE(PumpUntil([&] { return B.HasCall(Got); }));
    }
    EXPECT_TRUE(B.HasCall(Got));
    EXPECT_EQ(Got->GetCallStatusDW(0), static_cast<uint32_t>(LINECALLSTATE_CONNECTED));
    EXPECT_TRUE(Sim.ParkedAddresses().empty());

    B.Park(Got, LINEPARKMODE_DIRECTED, "*72", nullptr);
    ASSERT_TRUE(Settled(B));
    EXPECT_EQ(Sim.ParkedAddresses(), std::vector<std::string>{"*72"});
    // Nothing parked there any more: the unpark's call object goes.
    EXPECT_TRUE(Await(Got, LINECALLSTATE_IDLE));
    TTapiCall* Again = nullptr;
    const uint32_t Code = TapiError([&] { Again = A.Unpark(0, "701x"); });
    EXPECT_EQ(Code, static_cast<uint32_t>(LINEERR_INVALADDRESS));
    EXPECT_EQ(A.Get_UnboundCalls()->Count(), 0);
}

// The block a non-directed park writes into may be freed once the request
// has gone, whichever way it went.
TEST_P(ConferenceParkTest, AParkBlockIsNotWrittenAfterItsRequestHasGone)
{
    TTapiCall* Call = ConnectedCall();
    ASSERT_NE(Call, nullptr);
    A.Get_Options()->Set_ReplyTimeout(1000);
    Fault(sim::sfDelayReply, "lineParkA", 0, 5000);
    auto Bytes = std::make_unique<std::vector<uint8_t>>(sizeof(VARSTRING) + 32);
    auto* Where = reinterpret_cast<VARSTRING*>(Bytes->data());
    Where->dwTotalSize = static_cast<DWORD>(Bytes->size());
    if (Sync())
        EXPECT_EQ(TapiError([&] { A.Park(Call, LINEPARKMODE_NONDIRECTED, "", Where); }),
                  static_cast<uint32_t>(LINEERR_OPERATIONFAILED));
    else
        A.Park(Call, LINEPARKMODE_NONDIRECTED, "", Where);
    Tick(1000);
    ASSERT_TRUE(Log.Has("Timeout"));
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
    Bytes.reset();
    // The late reply arrives and finds nothing to write into.
    Tick(5000);
    Application()->ProcessMessages();
    EXPECT_TRUE(PumpUntil([&] { return !Sim.ParkedAddresses().empty(); }, 1000));
}

TEST_P(ConferenceParkTest, RedirectAnOfferedCall)
{
    TTapiCall* Call = OfferedCall();
    ASSERT_NE(Call, nullptr);
    const sim::TSimCallID Id = Sim.LastCall(0);
    Call->Redirect("202");
    if (!Sync()) {
        EXPECT_EQ(A.Get_Requests()->Get(0)->Objects[0], &A);
    }
    EXPECT_NE(AwaitNewCall(B, LINECALLSTATE_OFFERING), nullptr);
    EXPECT_TRUE(Await(Call, LINECALLSTATE_IDLE));
    EXPECT_EQ(SimCall(Id).RedirectedTo, "202");
    EXPECT_TRUE(Settled(A));
}

// Hand-off is carried out at once: nothing is filed or waited for.
TEST_P(ConferenceParkTest, HandOffByMediaModeAndByName)
{
    TLineApp Fax;
    ASSERT_EQ(Fax.Init("faxer"), 0u);
    Fax.Open(0, 7, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_G3FAX);
    Fax.Drain();
    TTapiCall* Call = OfferedCall();
    ASSERT_NE(Call, nullptr);
    A.HandOff(Call, "", LINEMEDIAMODE_G3FAX);
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
    const LINEMESSAGE m = Fax.Find(LINE_APPNEWCALL);
    ASSERT_EQ(m.dwMessageID, static_cast<DWORD>(LINE_APPNEWCALL));
    EXPECT_EQ(m.dwParam3, static_cast<DWORD>(LINECALLPRIVILEGE_OWNER));

    // By name: to the program itself there is nobody else to take it.
    EXPECT_EQ(TapiError([&] { A.HandOff(Call, "nobody-here", 0); }), static_cast<uint32_t>(LINEERR_TARGETNOTFOUND));
    EXPECT_EQ(TapiError([&] { A.HandOff(Call, "", LINEMEDIAMODE_INTERACTIVEVOICE); }),
              static_cast<uint32_t>(LINEERR_TARGETSELF))
        << "the call's own media mode is this program's";
    // The short form hands off by name only.
    EXPECT_EQ(TapiError([&] { Call->HandOff(""); }), static_cast<uint32_t>(LINEERR_INVALMEDIAMODE));
    Fax.Drain();
    EXPECT_EQ(TapiError([&] { Call->HandOff("faxer"); }), 0u);
    EXPECT_EQ(Fax.Find(LINE_CALLSTATE).dwParam3, static_cast<DWORD>(LINECALLPRIVILEGE_OWNER));
    EXPECT_EQ(A.Get_Requests()->Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ConferenceParkTest, ::testing::Bool(), ModeName);

} // namespace kxtapi::testing
