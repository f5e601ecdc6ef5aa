// Hold, transfer, conference, park, redirect: the states the switch reports
// for each, on both sides of the call.

#include "service_fixture.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

class CallControl : public ServiceTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(A.Init(), 0u);
        ASSERT_EQ(B.Init(), 0u);
        LineA = A.Open(0, 0xA);
        LineB = B.Open(1, 0xB);
    }
    DWORD State(HCALL c)
    {
        TBlock<LINECALLSTATUS> s;
        return lineGetCallStatus(c, s.get()) == 0 ? s->dwCallState : 0;
    }
    // A call from the far end to line A, answered.
    HCALL Connected(sim::TSimCallID& Id)
    {
        Id = Sim.OfferCall(0, "+1 206 555 0100", "Far", {.Rings = 0, .CallerIDAfterRing = false});
        HCALL c = A.Find(LINE_APPNEWCALL).dwParam2;
        EXPECT_EQ(A.Reply(lineAnswer(c, nullptr, 0)), 0u);
        A.Drain();
        return c;
    }
    std::vector<std::pair<HCALL, DWORD>> States(TLineApp& App)
    {
        std::vector<std::pair<HCALL, DWORD>> r;
        for (const LINEMESSAGE& m : App.Drain())
            if (m.dwMessageID == LINE_CALLSTATE) r.emplace_back(m.hDevice, m.dwParam1);
        return r;
    }
    TLineApp A, B;
    HLINE LineA = 0, LineB = 0;
};

TEST_F(CallControl, HoldUnholdAndSwapHold)
{
    sim::TSimCallID Far;
    HCALL c1 = Connected(Far);
    EXPECT_EQ(lineUnhold(c1), LINEERR_INVALCALLSTATE);
    EXPECT_EQ(A.Reply(lineHold(c1)), 0u);
    EXPECT_EQ(State(c1), LINECALLSTATE_ONHOLD);
    TBlock<LINECALLSTATUS> s;
    lineGetCallStatus(c1, s.get());
    EXPECT_TRUE(s->dwCallFeatures & LINECALLFEATURE_UNHOLD);
    HCALL c2 = 0;
    EXPECT_EQ(A.Reply(lineMakeCallA(LineA, &c2, "555", 0, nullptr)), 0u);
    Sim.FarEndAnswer(Sim.LastCall(0));
    A.Drain();
    EXPECT_EQ(A.Reply(lineSwapHold(c2, c1)), 0u);
    EXPECT_EQ(State(c1), LINECALLSTATE_CONNECTED);
    EXPECT_EQ(State(c2), LINECALLSTATE_ONHOLD);
    EXPECT_EQ(lineSwapHold(c2, c1), LINEERR_INVALCALLSTATE) << "the active one must be connected";
    EXPECT_EQ(A.Reply(lineUnhold(c2)), 0u);
    EXPECT_EQ(State(c2), LINECALLSTATE_CONNECTED);
}

TEST_F(CallControl, BlindTransferToAnotherLineOffersTheCallerThere)
{
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    EXPECT_EQ(A.Reply(lineBlindTransferA(c, "202", 0)), 0u);
    EXPECT_EQ(State(c), LINECALLSTATE_IDLE);
    LINEMESSAGE n = B.Find(LINE_APPNEWCALL);
    ASSERT_EQ(n.hDevice, LineB);
    TBlock<LINECALLINFO> i(2048);
    ASSERT_EQ(lineGetCallInfoA(n.dwParam2, i.get()), 0u);
    EXPECT_EQ(i->dwReason, LINECALLREASON_TRANSFER);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCallerIDSize)), "+1 206 555 0100");
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwRedirectingIDSize)), "201");
    sim::TSimCallInfo si;
    Sim.CallInfo(Far, si);
    EXPECT_EQ(si.TransferredTo, "202");
}

TEST_F(CallControl, ConsultationTransferJoinsTheTwoParties)
{
    // Line B calls line A; A consults the far end and transfers B to it.
    HCALL FromB = 0;
    EXPECT_EQ(B.Reply(lineMakeCallA(LineB, &FromB, "201", 0, nullptr)), 0u);
    HCALL AtA = A.Find(LINE_APPNEWCALL).dwParam2;
    EXPECT_EQ(A.Reply(lineAnswer(AtA, nullptr, 0)), 0u);
    HCALL Consult = 0;
    uint32_t r = lineSetupTransferA(AtA, &Consult, nullptr);
    EXPECT_EQ(A.Reply(r), 0u);
    ASSERT_NE(Consult, 0u);
    EXPECT_EQ(State(AtA), LINECALLSTATE_ONHOLDPENDTRANSFER);
    EXPECT_EQ(State(Consult), LINECALLSTATE_DIALTONE);
    EXPECT_EQ(A.Reply(lineDialA(Consult, "+44 20 7946 0000", 0)), 0u);
    Sim.FarEndAnswer(Sim.LastCall(0));
    A.Drain();
    B.Drain();
    HCALL Conf = 0xDEAD;
    EXPECT_EQ(A.Reply(lineCompleteTransfer(AtA, Consult, &Conf, LINETRANSFERMODE_TRANSFER)), 0u);
    EXPECT_EQ(Conf, 0xDEADu) << "a plain transfer makes no conference call";
    EXPECT_EQ(State(AtA), LINECALLSTATE_IDLE);
    EXPECT_EQ(State(Consult), LINECALLSTATE_IDLE);
    LINEMESSAGE m = B.Find(LINE_CALLINFO);
    EXPECT_EQ(m.dwParam1, LINECALLINFOSTATE_CONNECTEDID);
    TBlock<LINECALLINFO> i(2048);
    ASSERT_EQ(lineGetCallInfoA(FromB, i.get()), 0u);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwConnectedIDSize)), "+44 20 7946 0000");
    EXPECT_EQ(State(FromB), LINECALLSTATE_CONNECTED);
}

TEST_F(CallControl, ATransferredPartyShowsItsNumberWithoutTheNameOfTheOneBefore)
{
    // A talks to the far end, consults line B (which answers, seeing A's
    // name) and transfers: B now talks to the far end, whose name is unknown.
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    HCALL Consult = 0;
    EXPECT_EQ(A.Reply(lineSetupTransferA(c, &Consult, nullptr)), 0u);
    EXPECT_EQ(A.Reply(lineDialA(Consult, "202", 0)), 0u);
    HCALL AtB = B.Find(LINE_APPNEWCALL).dwParam2;
    EXPECT_EQ(B.Reply(lineAnswer(AtB, nullptr, 0)), 0u);
    TBlock<LINECALLINFO> i(2048);
    ASSERT_EQ(lineGetCallInfoA(AtB, i.get()), 0u);
    ASSERT_NE(i.Str(offsetof(LINECALLINFO, dwConnectedIDNameSize)), "");
    B.Drain();
    EXPECT_EQ(A.Reply(lineCompleteTransfer(c, Consult, nullptr, LINETRANSFERMODE_TRANSFER)), 0u);
    ASSERT_EQ(lineGetCallInfoA(AtB, i.get()), 0u);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwConnectedIDSize)), "+1 206 555 0100");
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwConnectedIDNameSize)), "");
    EXPECT_EQ(i->dwConnectedIDFlags, static_cast<DWORD>(LINECALLPARTYID_ADDRESS));
}

TEST_F(CallControl, TransferInConferenceModeMakesAThreeWayCall)
{
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    HCALL Consult = 0;
    EXPECT_EQ(A.Reply(lineSetupTransferA(c, &Consult, nullptr)), 0u);
    EXPECT_EQ(A.Reply(lineDialA(Consult, "555", 0)), 0u);
    Sim.FarEndAnswer(Sim.LastCall(0));
    A.Drain();
    EXPECT_EQ(lineCompleteTransfer(c, Consult, nullptr, LINETRANSFERMODE_CONFERENCE), LINEERR_INVALPOINTER);
    EXPECT_EQ(lineCompleteTransfer(c, Consult, nullptr, 7), LINEERR_INVALTRANSFERMODE);
    HCALL Conf = 0;
    EXPECT_EQ(A.Reply(lineCompleteTransfer(c, Consult, &Conf, LINETRANSFERMODE_CONFERENCE)), 0u);
    ASSERT_NE(Conf, 0u);
    auto s = States(A);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0], std::make_pair(Conf, LINECALLSTATE_CONNECTED));
    EXPECT_EQ(s[1], std::make_pair(c, LINECALLSTATE_CONFERENCED));
    EXPECT_EQ(s[2], std::make_pair(Consult, LINECALLSTATE_CONFERENCED));
    TBlock<LINECALLLIST> l(256);
    ASSERT_EQ(lineGetConfRelatedCalls(c, l.get()), 0u);
    ASSERT_EQ(l->dwCallsNumEntries, 3u);
    HCALL List[3];
    std::memcpy(List, l.Bytes.data() + l->dwCallsOffset, sizeof List);
    EXPECT_EQ(List[0], Conf);
    EXPECT_EQ(List[1], c);
    EXPECT_EQ(List[2], Consult);
    // Dropping the conference ends it for everybody.
    EXPECT_EQ(A.Reply(lineDrop(Conf, nullptr, 0)), 0u);
    EXPECT_EQ(State(c), LINECALLSTATE_IDLE);
    EXPECT_EQ(State(Consult), LINECALLSTATE_IDLE);
    EXPECT_EQ(Sim.CallState(Far), LINECALLSTATE_IDLE);
}

TEST_F(CallControl, ConferenceSetUpPreparedAndAdded)
{
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    HCALL Conf = 0, Consult = 0;
    EXPECT_EQ(A.Reply(lineSetupConferenceA(c, LineA, &Conf, &Consult, 3, nullptr)), 0u);
    ASSERT_NE(Conf, 0u);
    ASSERT_NE(Consult, 0u);
    auto s = States(A);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0], std::make_pair(Conf, LINECALLSTATE_ONHOLDPENDCONF));
    EXPECT_EQ(s[1], std::make_pair(c, LINECALLSTATE_CONFERENCED));
    EXPECT_EQ(s[2], std::make_pair(Consult, LINECALLSTATE_DIALTONE));
    EXPECT_EQ(A.Reply(lineDialA(Consult, "202", 0)), 0u);
    HCALL AtB = B.Find(LINE_APPNEWCALL).dwParam2;
    EXPECT_EQ(B.Reply(lineAnswer(AtB, nullptr, 0)), 0u);
    A.Drain();
    EXPECT_EQ(A.Reply(lineAddToConference(Conf, Consult)), 0u);
    s = States(A);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], std::make_pair(Consult, LINECALLSTATE_CONFERENCED));
    EXPECT_EQ(s[1], std::make_pair(Conf, LINECALLSTATE_CONNECTED));
    // A third party: prepare, dial, add.
    HCALL Third = 0;
    EXPECT_EQ(A.Reply(linePrepareAddToConferenceA(Conf, &Third, nullptr)), 0u);
    EXPECT_EQ(State(Conf), LINECALLSTATE_ONHOLDPENDCONF);
    EXPECT_EQ(A.Reply(lineDialA(Third, "555", 0)), 0u);
    Sim.FarEndAnswer(Sim.LastCall(0));
    EXPECT_EQ(A.Reply(lineAddToConference(Conf, Third)), 0u);
    TBlock<LINECALLLIST> l(256);
    ASSERT_EQ(lineGetConfRelatedCalls(Conf, l.get()), 0u);
    EXPECT_EQ(l->dwCallsNumEntries, 4u);
    EXPECT_EQ(lineAddToConference(Third, Conf), LINEERR_INVALCONFCALLHANDLE);
    EXPECT_EQ(linePrepareAddToConferenceA(c, &Third, nullptr), LINEERR_INVALCONFCALLHANDLE);
}

TEST_F(CallControl, ParkWithAndWithoutADirectionAndUnpark)
{
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    TBlock<VARSTRING> v(sizeof(VARSTRING) + 16);
    uint32_t r = lineParkA(c, LINEPARKMODE_NONDIRECTED, nullptr, v.get());
    ASSERT_GT(int32_t(r), 0);
    EXPECT_EQ(v->dwStringSize, 0u) << "written with the reply";
    EXPECT_EQ(A.Reply(r), 0u);
    std::string Where = v.Str(offsetof(VARSTRING, dwStringSize));
    EXPECT_EQ(Where, "701");
    EXPECT_EQ(v->dwStringFormat, STRINGFORMAT_ASCII);
    EXPECT_EQ(State(c), LINECALLSTATE_IDLE);
    EXPECT_EQ(Sim.ParkedAddresses(), std::vector<std::string>{"701"});

    // Line B picks it up.
    HCALL Got = 0;
    EXPECT_EQ(B.Reply(lineUnparkA(LineB, 0, &Got, "701")), 0u);
    ASSERT_NE(Got, 0u);
    TBlock<LINECALLINFO> i(2048);
    ASSERT_EQ(lineGetCallInfoA(Got, i.get()), 0u);
    EXPECT_EQ(i->dwReason, LINECALLREASON_UNPARK);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwConnectedIDSize)), "+1 206 555 0100");
    EXPECT_EQ(State(Got), LINECALLSTATE_CONNECTED);
    EXPECT_TRUE(Sim.ParkedAddresses().empty());
    EXPECT_EQ(lineUnparkA(LineB, 0, &Got, "701"), LINEERR_INVALADDRESS);

    EXPECT_EQ(B.Reply(lineParkA(Got, LINEPARKMODE_DIRECTED, "*72", nullptr)), 0u);
    EXPECT_EQ(Sim.ParkedAddresses(), std::vector<std::string>{"*72"});
    EXPECT_EQ(lineParkA(Got, 3, nullptr, nullptr), LINEERR_INVALPARKMODE);
}

TEST_F(CallControl, AParkAddressIsWrittenOnlyAsFarAsTheBlockReaches)
{
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    TBlock<VARSTRING> v(sizeof(VARSTRING) + 2);
    v.Bytes.push_back(0xEE);   // a byte beyond dwTotalSize
    v.SetTotal(sizeof(VARSTRING) + 2);
    EXPECT_EQ(A.Reply(lineParkA(c, LINEPARKMODE_NONDIRECTED, nullptr, v.get())), 0u);
    EXPECT_EQ(v.Needed(), sizeof(VARSTRING) + 4);
    EXPECT_EQ(v->dwStringSize, 0u);
    EXPECT_EQ(v.Bytes.back(), 0xEE);
    TBlock<VARSTRING> tiny(sizeof(VARSTRING) - 1);
    EXPECT_EQ(lineParkA(c, LINEPARKMODE_NONDIRECTED, nullptr, tiny.get()), LINEERR_STRUCTURETOOSMALL);
}

TEST_F(CallControl, ACancelledParkAddressIsNotWritten)
{
    sim::TSimCallID Far;
    HCALL c = Connected(Far);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineParkA", .Delay = 10});
    auto v = std::make_unique<TBlock<VARSTRING>>(64);
    uint32_t r = lineParkA(c, LINEPARKMODE_NONDIRECTED, nullptr, v->get());
    kxtapiCancelWriteBack(v->Bytes.data(), 64);
    v.reset();
    Clock.Advance(10);
    EXPECT_EQ(A.Reply(r), 0u);
}

TEST_F(CallControl, RedirectMovesAnOfferedCall)
{
    Sim.OfferCall(0, "+1 206 555 0100", "Far", {.Rings = 0, .CallerIDAfterRing = false});
    HCALL c = A.Find(LINE_APPNEWCALL).dwParam2;
    EXPECT_EQ(A.Reply(lineRedirectA(c, "202", 0)), 0u);
    EXPECT_EQ(State(c), LINECALLSTATE_IDLE);
    LINEMESSAGE n = B.Find(LINE_APPNEWCALL);
    TBlock<LINECALLINFO> i(2048);
    ASSERT_EQ(lineGetCallInfoA(n.dwParam2, i.get()), 0u);
    EXPECT_EQ(i->dwReason, LINECALLREASON_REDIRECT);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCallerIDNameSize)), "Far");
    sim::TSimCallID Id2 = Sim.OfferCall(0, "1", "", {.Rings = 0});
    HCALL c2 = A.Find(LINE_APPNEWCALL).dwParam2;
    A.Reply(lineAnswer(c2, nullptr, 0));
    EXPECT_EQ(lineRedirectA(c2, "202", 0), LINEERR_INVALCALLSTATE) << "only offered calls are redirected";
    (void)Id2;
}

}  // namespace
}  // namespace kxtapi::testing
