// Calls of the simulated switch as applications see them: offered calls,
// calls made to the far end and to other lines, information, status,
// privileges and handles.

#include "service_fixture.h"

#include <cstddef>

namespace kxtapi::testing {
namespace {

class Calls : public ServiceTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(App.Init(), 0u);
        Line = App.Open(0, 0xA0);
        ASSERT_EQ(lineSetStatusMessages(Line, LINEDEVSTATE_RINGING, 0), 0u);
    }
    std::vector<DWORD> States(HCALL Call)
    {
        std::vector<DWORD> s;
        for (const LINEMESSAGE& m : App.Drain())
            if (m.dwMessageID == LINE_CALLSTATE && m.hDevice == Call) s.push_back(m.dwParam1);
        return s;
    }
    TBlock<LINECALLINFO> Info(HCALL Call)
    {
        TBlock<LINECALLINFO> i(2048);
        EXPECT_EQ(lineGetCallInfoA(Call, i.get()), 0u);
        return i;
    }
    TBlock<LINECALLSTATUS> Status(HCALL Call)
    {
        TBlock<LINECALLSTATUS> s(1024);
        EXPECT_EQ(lineGetCallStatus(Call, s.get()), 0u);
        return s;
    }
    HCALL Make(const char* Dest, HLINE On = 0)
    {
        HCALL c = 0;
        uint32_t r = lineMakeCallA(On ? On : Line, &c, Dest, 0, nullptr);
        EXPECT_EQ(App.Reply(r), 0u);
        return c;
    }
    TLineApp App;
    HLINE Line = 0;
};

TEST_F(Calls, AnOfferedCallArrivesWithCallerIDAndRings)
{
    sim::TSimCallID Id = Sim.OfferCall(0, "+1 206 555 0100", "Caller name");
    auto Msgs = App.Drain();
    ASSERT_EQ(Msgs.size(), 4u);
    EXPECT_EQ(Msgs[0].dwMessageID, LINE_APPNEWCALL);
    EXPECT_EQ(Msgs[0].hDevice, Line);
    EXPECT_EQ(Msgs[0].dwParam1, 0u);
    HCALL c = Msgs[0].dwParam2;
    EXPECT_EQ(Msgs[0].dwParam3, LINECALLPRIVILEGE_OWNER);
    EXPECT_EQ(Msgs[1].dwMessageID, LINE_CALLSTATE);
    EXPECT_EQ(Msgs[1].hDevice, c);
    EXPECT_EQ(Msgs[1].dwParam1, LINECALLSTATE_OFFERING);
    EXPECT_EQ(Msgs[1].dwParam2, LINEOFFERINGMODE_ACTIVE);
    EXPECT_EQ(Msgs[1].dwParam3, LINECALLPRIVILEGE_OWNER) << "the first state carries the privilege";
    EXPECT_EQ(Msgs[2].dwMessageID, LINE_LINEDEVSTATE);
    EXPECT_EQ(Msgs[2].dwParam1, LINEDEVSTATE_RINGING);
    EXPECT_EQ(Msgs[3].dwMessageID, LINE_CALLINFO);
    EXPECT_EQ(Msgs[3].dwParam1, LINECALLINFOSTATE_CALLERID);
    auto i = Info(c);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCallerIDSize)), "+1 206 555 0100");
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCallerIDNameSize)), "Caller name");
    EXPECT_EQ(i->dwCallerIDFlags, LINECALLPARTYID_ADDRESS | LINECALLPARTYID_NAME);
    EXPECT_EQ(i->dwOrigin, LINECALLORIGIN_EXTERNAL);
    EXPECT_EQ(i->dwReason, LINECALLREASON_DIRECT);
    EXPECT_EQ(i->hLine, Line);
    EXPECT_EQ(i->dwNumOwners, 1u);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCalledIDSize)), "201");
    auto s = Status(c);
    EXPECT_EQ(s->dwCallState, LINECALLSTATE_OFFERING);
    EXPECT_EQ(s->dwCallPrivilege, LINECALLPRIVILEGE_OWNER);
    EXPECT_TRUE(s->dwCallFeatures & LINECALLFEATURE_ANSWER);
    EXPECT_EQ(Sim.CallState(Id), LINECALLSTATE_OFFERING);
}

TEST_F(Calls, AcceptAnswerFarEndHangUpDropAndDeallocate)
{
    sim::TSimCallID Id = Sim.OfferCall(0, "100", "", {.Rings = 0, .CallerIDAfterRing = false});
    HCALL c = App.Find(LINE_APPNEWCALL).dwParam2;
    App.Drain();
    EXPECT_EQ(App.Reply(lineAccept(c, nullptr, 0)), 0u);
    EXPECT_EQ(Status(c)->dwCallState, LINECALLSTATE_ACCEPTED);
    uint32_t r = lineAnswer(c, "hello", 5);
    EXPECT_EQ(App.Reply(r), 0u);
    auto m = App.Drain();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(m[0].dwParam1, LINECALLSTATE_CONNECTED);
    EXPECT_EQ(m[0].dwParam2, LINECONNECTEDMODE_ACTIVE);
    EXPECT_EQ(m[1].dwMessageID, LINE_CALLINFO);
    EXPECT_EQ(lineDeallocateCall(c), LINEERR_INVALCALLSTATE) << "the only owner cannot walk away";
    Sim.FarEndHangUp(Id);
    EXPECT_EQ(States(c), std::vector<DWORD>{LINECALLSTATE_DISCONNECTED});
    EXPECT_EQ(Status(c)->dwCallStateMode, LINEDISCONNECTMODE_NORMAL);
    EXPECT_EQ(App.Reply(lineDrop(c, nullptr, 0)), 0u);
    EXPECT_EQ(Status(c)->dwCallState, LINECALLSTATE_IDLE);
    EXPECT_EQ(lineDrop(c, nullptr, 0), LINEERR_INVALCALLSTATE);
    sim::TSimCallInfo si;
    ASSERT_TRUE(Sim.CallInfo(Id, si));
    EXPECT_EQ(si.UserUserInfo, "");
    EXPECT_EQ(lineDeallocateCall(c), 0u);
    TBlock<LINECALLSTATUS> st;
    EXPECT_EQ(lineGetCallStatus(c, st.get()), LINEERR_INVALCALLHANDLE);
    EXPECT_EQ(lineDeallocateCall(c), LINEERR_INVALCALLHANDLE);
}

TEST_F(Calls, CallsToTheFarEndRingUntilItAnswersOrIsBusy)
{
    HCALL c = Make("+1 (425) 555-0199");
    EXPECT_EQ(States(c), (std::vector<DWORD>{LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING,
                                             LINECALLSTATE_PROCEEDING, LINECALLSTATE_RINGBACK}));
    EXPECT_EQ(Sim.LastDialled(), "+1 (425) 555-0199");
    sim::TSimCallID Id = Sim.LastCall(0);
    Sim.FarEndAnswer(Id);
    auto m = App.Drain();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].dwParam1, LINECALLSTATE_CONNECTED);
    EXPECT_EQ(m[1].dwParam1, LINECALLINFOSTATE_CONNECTEDID);
    EXPECT_EQ(Info(c).Str(offsetof(LINECALLINFO, dwConnectedIDSize)), "+1 (425) 555-0199");
    EXPECT_EQ(Info(c)->dwOrigin, LINECALLORIGIN_OUTBOUND);

    HCALL b = Make("999");
    App.Drain();
    Sim.FarEndBusy(Sim.LastCall(0));
    auto s = Status(b);
    EXPECT_EQ(s->dwCallState, LINECALLSTATE_BUSY);
    EXPECT_EQ(s->dwCallStateMode, LINEBUSYMODE_STATION);
}

TEST_F(Calls, DestinationRulesScriptTheFarEnd)
{
    Sim.AddDestinationRule({"555*", sim::faAnswer, 2000});
    Sim.AddDestinationRule({"666", sim::faBusy});
    Sim.AddDestinationRule({"777", sim::faNoAnswer, 10000});
    Sim.AddDestinationRule({"888", sim::faAnswer, 0});
    EXPECT_EQ(Status(Make("888"))->dwCallState, LINECALLSTATE_CONNECTED) << "answered before lineMakeCallA returns";
    HCALL a = Make("555 1234");
    HCALL b = Make("666");
    HCALL c = Make("777");
    EXPECT_EQ(Status(b)->dwCallState, LINECALLSTATE_BUSY);
    EXPECT_EQ(Status(a)->dwCallState, LINECALLSTATE_RINGBACK);
    Clock.Advance(2000);
    EXPECT_EQ(Status(a)->dwCallState, LINECALLSTATE_CONNECTED);
    EXPECT_EQ(Status(c)->dwCallState, LINECALLSTATE_RINGBACK);
    Clock.Advance(8000);
    EXPECT_EQ(Status(c)->dwCallState, LINECALLSTATE_DISCONNECTED);
    EXPECT_EQ(Status(c)->dwCallStateMode, LINEDISCONNECTMODE_NOANSWER);
}

TEST_F(Calls, ACallToAnotherLineOfTheSwitchRingsThereAndConnectsBoth)
{
    TLineApp Other;
    ASSERT_EQ(Other.Init(), 0u);
    HLINE l2 = Other.Open(1, 0xB0);
    HCALL c = Make("202");
    EXPECT_EQ(Status(c)->dwCallState, LINECALLSTATE_RINGBACK);
    LINEMESSAGE n = Other.Find(LINE_APPNEWCALL);
    ASSERT_EQ(n.hDevice, l2);
    HCALL in = n.dwParam2;
    auto i = TBlock<LINECALLINFO>(2048);
    ASSERT_EQ(lineGetCallInfoA(in, i.get()), 0u);
    EXPECT_EQ(i->dwOrigin, LINECALLORIGIN_INTERNAL);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCallerIDSize)), "201");
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCallerIDNameSize)), "Simulated Line 1");
    Other.Drain();
    App.Drain();
    EXPECT_EQ(Other.Reply(lineAnswer(in, nullptr, 0)), 0u);
    EXPECT_EQ(States(c), std::vector<DWORD>{LINECALLSTATE_CONNECTED});
    EXPECT_EQ(Info(c).Str(offsetof(LINECALLINFO, dwConnectedIDSize)), "202");
    // The callee hangs up: the caller is disconnected.
    Other.Drain();
    EXPECT_EQ(Other.Reply(lineDrop(in, nullptr, 0)), 0u);
    EXPECT_EQ(States(c), std::vector<DWORD>{LINECALLSTATE_DISCONNECTED});
    // A call to the own address finds it busy.
    HCALL self = Make("201");
    EXPECT_EQ(Status(self)->dwCallState, LINECALLSTATE_BUSY);
}

TEST_F(Calls, AnEmptyAddressWaitsForDialling)
{
    HCALL c = Make("");
    EXPECT_EQ(States(c), std::vector<DWORD>{LINECALLSTATE_DIALTONE});
    EXPECT_TRUE(Status(c)->dwCallFeatures & LINECALLFEATURE_DIAL);
    EXPECT_EQ(App.Reply(lineDialA(c, "202", 0)), 0u);
    EXPECT_EQ(States(c), (std::vector<DWORD>{LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING,
                                             LINECALLSTATE_RINGBACK}));
    EXPECT_EQ(Sim.LastDialled(0), "202");
    EXPECT_EQ(lineDialA(c, "3", 0), LINEERR_INVALCALLSTATE);
}

TEST_F(Calls, CallsThatExistBeforeAnyApplicationAreFoundWithGetNewCalls)
{
    lineShutdown(App.App);
    App.App = 0;
    sim::TSimCallID Id = Sim.OfferCall(1, "333", "Early");   // no application runs
    TLineApp Late;
    ASSERT_EQ(Late.Init(), 0u);
    HLINE h = Late.Open(1, 9);
    EXPECT_TRUE(Late.Drain().empty()) << "existing calls are not announced";
    TBlock<LINECALLLIST> l(256);
    ASSERT_EQ(lineGetNewCalls(h, 0, LINECALLSELECT_ADDRESS, l.get()), 0u);
    ASSERT_EQ(l->dwCallsNumEntries, 1u);
    HCALL c;
    std::memcpy(&c, l.Bytes.data() + l->dwCallsOffset, 4);
    TBlock<LINECALLSTATUS> st;
    ASSERT_EQ(lineGetCallStatus(c, st.get()), 0u);
    EXPECT_EQ(st->dwCallState, LINECALLSTATE_OFFERING);
    EXPECT_EQ(st->dwCallPrivilege, LINECALLPRIVILEGE_MONITOR);
    EXPECT_EQ(st->dwCallFeatures & LINECALLFEATURE_ANSWER, 0u) << "monitors get no control features";
    EXPECT_EQ(lineAnswer(c, nullptr, 0), LINEERR_NOTOWNER);
    ASSERT_EQ(lineSetCallPrivilege(c, LINECALLPRIVILEGE_OWNER), 0u);
    EXPECT_EQ(Late.Reply(lineAnswer(c, nullptr, 0)), 0u);
    EXPECT_EQ(Sim.CallState(Id), LINECALLSTATE_CONNECTED);
}

TEST_F(Calls, OwnersAndMonitorsEachGetTheirHandleAndHearOfEachOther)
{
    TLineApp Watcher;
    ASSERT_EQ(Watcher.Init(), 0u);
    Watcher.Open(0, 0xEE, LINECALLPRIVILEGE_MONITOR, 0);
    HCALL c = Make("555");
    LINEMESSAGE n = Watcher.Find(LINE_APPNEWCALL);
    ASSERT_EQ(n.dwParam3, LINECALLPRIVILEGE_MONITOR);
    HCALL w = n.dwParam2;
    EXPECT_NE(w, c);
    Watcher.Drain();
    auto i = Info(c);
    EXPECT_EQ(i->dwNumOwners, 1u);
    EXPECT_EQ(i->dwNumMonitors, 1u);
    // Ownership changes reach the other handles as LINE_CALLINFO.
    ASSERT_EQ(lineSetCallPrivilege(w, LINECALLPRIVILEGE_OWNER), 0u);
    LINEMESSAGE m = App.Find(LINE_CALLINFO);
    EXPECT_EQ(m.dwParam1, LINECALLINFOSTATE_NUMOWNERINCR);
    EXPECT_EQ(lineDeallocateCall(c), 0u) << "another owner remains";
    m = Watcher.Find(LINE_CALLINFO);
    EXPECT_EQ(m.dwParam1, LINECALLINFOSTATE_NUMOWNERDECR);
    EXPECT_EQ(lineSetCallPrivilege(w, 3), LINEERR_INVALCALLPRIVILEGE);
}

TEST_F(Calls, AnIncomingCallGoesToTheOwnerOfItsMediaMode)
{
    TLineApp Fax;
    ASSERT_EQ(Fax.Init(), 0u);
    Fax.Open(0, 0xFA, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_G3FAX);
    Sim.OfferCall(0, "1", "", {.MediaMode = LINEMEDIAMODE_G3FAX, .Rings = 0});
    EXPECT_EQ(Fax.Find(LINE_APPNEWCALL).dwParam3, LINECALLPRIVILEGE_OWNER);
    EXPECT_EQ(App.Find(LINE_APPNEWCALL).dwParam3, LINECALLPRIVILEGE_MONITOR);
    Sim.OfferCall(0, "2", "", {.Rings = 0});
    EXPECT_EQ(App.Find(LINE_APPNEWCALL).dwParam3, LINECALLPRIVILEGE_OWNER);
    EXPECT_EQ(Fax.Find(LINE_APPNEWCALL).dwMessageID, 0xFFFFFFFFu) << "an owner-only open does not watch others' calls";
}

TEST_F(Calls, HandOffByNameOrMediaMode)
{
    TLineApp Other;
    ASSERT_EQ(Other.Init("helper.exe"), 0u);
    Other.Open(0, 0x99, LINECALLPRIVILEGE_OWNER, LINEMEDIAMODE_DATAMODEM);
    Sim.OfferCall(0, "1", "", {.Rings = 0});
    HCALL c = App.Find(LINE_APPNEWCALL).dwParam2;
    EXPECT_EQ(lineHandoffA(c, "nobody.exe", 0), LINEERR_TARGETNOTFOUND);
    EXPECT_EQ(lineHandoffA(c, nullptr, LINEMEDIAMODE_INTERACTIVEVOICE), LINEERR_TARGETSELF);
    EXPECT_EQ(lineHandoffA(c, nullptr, LINEMEDIAMODE_DATAMODEM | LINEMEDIAMODE_G3FAX), LINEERR_INVALMEDIAMODE);
    ASSERT_EQ(lineHandoffA(c, "C:\\Tools\\HELPER.EXE", 0), 0u);
    LINEMESSAGE n = Other.Find(LINE_APPNEWCALL);
    ASSERT_EQ(n.dwParam3, LINECALLPRIVILEGE_OWNER);
    LINEMESSAGE s = Other.Next();
    EXPECT_EQ(s.dwMessageID, LINE_CALLSTATE);
    EXPECT_EQ(s.dwParam1, LINECALLSTATE_OFFERING);
    EXPECT_EQ(s.dwParam3, LINECALLPRIVILEGE_OWNER);
    EXPECT_EQ(Other.Reply(lineAnswer(n.dwParam2, nullptr, 0)), 0u);
    // Handing off by media mode to the same target is a no-op change of privilege.
    EXPECT_EQ(lineHandoffA(c, nullptr, LINEMEDIAMODE_DATAMODEM), 0u);
}

TEST_F(Calls, MediaModeChangesAreReported)
{
    HCALL c = Make("555");
    App.Drain();
    EXPECT_EQ(lineSetMediaMode(c, 0), LINEERR_INVALMEDIAMODE);
    ASSERT_EQ(lineSetMediaMode(c, LINEMEDIAMODE_DATAMODEM), 0u);
    LINEMESSAGE m = App.Next();
    EXPECT_EQ(m.dwMessageID, LINE_CALLINFO);
    EXPECT_EQ(m.dwParam1, LINECALLINFOSTATE_MEDIAMODE);
    EXPECT_EQ(Info(c)->dwMediaMode, LINEMEDIAMODE_DATAMODEM);
}

TEST_F(Calls, ClosingTheLineDropsTheCallsItAloneOwns)
{
    sim::TSimCallID Id = Sim.OfferCall(0, "1", "", {.Rings = 0});
    HCALL c = App.Find(LINE_APPNEWCALL).dwParam2;
    App.Reply(lineAnswer(c, nullptr, 0));
    ASSERT_EQ(lineClose(Line), 0u);
    EXPECT_EQ(Sim.CallState(Id), LINECALLSTATE_IDLE);
    TBlock<LINECALLSTATUS> st;
    EXPECT_EQ(lineGetCallStatus(c, st.get()), LINEERR_INVALCALLHANDLE);
    EXPECT_TRUE(App.Drain().empty()) << "nothing is queued for a closed line's call";
}

TEST_F(Calls, CallParametersReachTheCall)
{
    struct {
        LINECALLPARAMS p;
        char Strings[32];
    } Block{};
    Block.p.dwTotalSize = sizeof Block;
    Block.p.dwMediaMode = LINEMEDIAMODE_DATAMODEM;
    Block.p.dwBearerMode = LINEBEARERMODE_DATA;
    Block.p.dwCallParamFlags = LINECALLPARAMFLAGS_BLOCKID;
    std::memcpy(Block.Strings, "Front desk", 11);
    Block.p.dwCalledPartySize = 11;
    Block.p.dwCalledPartyOffset = sizeof(LINECALLPARAMS);
    HCALL c = 0;
    EXPECT_EQ(App.Reply(lineMakeCallA(Line, &c, "202", 0, &Block.p)), 0u);
    auto i = Info(c);
    EXPECT_EQ(i->dwMediaMode, LINEMEDIAMODE_DATAMODEM);
    EXPECT_EQ(i->dwBearerMode, LINEBEARERMODE_DATA);
    EXPECT_EQ(i.Str(offsetof(LINECALLINFO, dwCalledPartySize)), "Front desk");
    sim::TSimCallInfo Far;
    ASSERT_TRUE(Sim.CallInfo(Sim.LastCall(1), Far));
    EXPECT_EQ(Far.CallerID, "") << "the number was withheld";
    Block.p.dwAddressID = 3;
    EXPECT_EQ(lineMakeCallA(Line, &c, "202", 0, &Block.p), LINEERR_INVALADDRESSID);
    Block.p.dwCommentOffset = 0xFFFFFFF0;
    Block.p.dwCommentSize = 0x20;
    EXPECT_EQ(lineMakeCallA(Line, &c, "202", 0, &Block.p), LINEERR_INVALCALLPARAMS);
}

}  // namespace
}  // namespace kxtapi::testing
