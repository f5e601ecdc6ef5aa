// Asynchronous requests: reply handling, the synchronous wait and the
// time-out scan, also across the wrap of the tick.

#include "session_fixture.h"

namespace kxtapi::testing {
namespace {

class AsyncTest : public SessionTest {
protected:
    explicit AsyncTest(uint32_t StartTick = 1000) : SessionTest(StartTick)
    {
        Phone.Set_DeviceID(0);
        Phone.Set_Active(true);
    }
    void Fault(sim::TSimFaultKind Kind, uint32_t Delay = 0, uint32_t Error = LINEERR_OPERATIONFAILED)
    {
        sim::TSimFault f;
        f.Kind = Kind;
        f.Function = "phoneSetRing";
        f.Delay = Delay;
        f.Error = Error;
        Sim.InjectFault(f);
    }
    TTestDevice Phone{nullptr, tckPhone};
};

TEST_F(AsyncTest, ReplyQueuedBeforeTheWaitIsFoundAtOnce)
{
    ASSERT_TRUE(Phone.IsActive());
    const uint32_t r = CheckTapiResult(phoneSetRing(Phone.Get_DeviceHandle(), 1, 0x8000));
    ASSERT_GT(static_cast<int32_t>(r), 0);
    ASSERT_TRUE(WaitUntilQueued(r));
    const uint32_t Start = GetTickCount();
    uint32_t Code = 0xFFFF;
    EXPECT_EQ(Phone.WaitForAsyncReply(r, Code), 0u);
    EXPECT_EQ(Code, 0u);
    // The first 1 ms step and no 10 ms polling round; another thread waiting
    // on the test clock was seen to move it on by a few milliseconds.
    EXPECT_LT(GetTickCount() - Start, 10u);
    // The record stays queued and is dispatched normally afterwards.
    EXPECT_TRUE(ReplyQueued(r));
    EXPECT_TRUE(PumpUntil([&] { return !Phone.Seen.empty(); }));
}

TEST_F(AsyncTest, DelayedReplyRaisesOnTapiReplyInsideTheWait)
{
    Fault(sim::sfDelayReply, 300);
    std::vector<uint32_t> Events;
    Phone.OnTapiReply = [&](TObject* S, uint32_t, uint32_t Code) {
        EXPECT_EQ(S, &Phone);
        Events.push_back(Code);
    };
    const uint32_t Start = GetTickCount();
    EXPECT_EQ(Phone.SetRing(1, 0x8000), 0u);
    EXPECT_GE(GetTickCount() - Start, 300u);
    EXPECT_EQ(Events, std::vector<uint32_t>{0});
    ASSERT_EQ(Phone.Replies.size(), 1u);
    EXPECT_EQ(Phone.Replies[0].Kind, 0x1000Cu);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    EXPECT_EQ(Phone.Get_LastRequestID(), Phone.Replies[0].ID);
    EXPECT_EQ(TapiApplication->WaitNesting, 0);
}

TEST_F(AsyncTest, NegativeReplyRaisesInSyncModeAndIsReportedOtherwise)
{
    Fault(sim::sfFailReply, 0, PHONEERR_RESOURCEUNAVAIL);
    try {
        Phone.SetRing(1, 0x8000);
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, PHONEERR_RESOURCEUNAVAIL);
    }
    // A reply the wait found still queued is dispatched afterwards, which
    // completes the request.
    EXPECT_TRUE(PumpUntil([&] { return Phone.Get_Requests()->Count() == 0; }));
    Phone.Options.SyncMode = false;
    Fault(sim::sfFailReply, 0, PHONEERR_INVALPARAM);
    uint32_t Reported = 0;
    Phone.OnTapiReply = [&](TObject*, uint32_t, uint32_t Code) { Reported = Code; };
    EXPECT_EQ(Phone.SetRing(1, 0x8000), 0u);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 1);
    EXPECT_TRUE(PumpUntil([&] { return Reported != 0; }));
    EXPECT_EQ(Reported, PHONEERR_INVALPARAM);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
}

TEST_F(AsyncTest, NoReplyRaisesOperationFailedAfterTheReplyTimeoutThenExpires)
{
    Fault(sim::sfNeverReply);
    Phone.Options.ReplyTimeout = 500;
    std::vector<uint32_t> TimedOut;
    Phone.OnTapiTimeout = [&](TObject*, uint32_t ID) { TimedOut.push_back(ID); };
    const uint32_t Start = GetTickCount();
    try {
        Phone.SetRing(1, 0x8000);
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_OPERATIONFAILED);
    }
    EXPECT_GE(GetTickCount() - Start, 500u);
    EXPECT_LT(GetTickCount() - Start, 600u);
    // The request stays until the tick after its deadline expires it (that
    // tick may already have come during the wait's last round).
    const uint32_t ID = Phone.Get_LastRequestID();
    EXPECT_LE(Phone.Get_Requests()->Count(), 1);
    for (int Round = 0; Round < 50 && TimedOut.empty(); ++Round) {
        Clock.Advance(100);
        PumpUntil([&] { return !TimedOut.empty(); }, 100);
    }
    EXPECT_EQ(TimedOut, std::vector<uint32_t>{ID});
    EXPECT_EQ(Phone.TimedOut, std::vector<uint32_t>{ID});
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
}

TEST_F(AsyncTest, ClosingTheDeviceDuringTheWaitEndsIt)
{
    Fault(sim::sfNeverReply);
    // A window message handled during the wait closes the device.
    HWND Closer = AllocateHWnd([&](TMessage&) { Phone.Set_Active(false); });
    PostMessage(Closer, WM_USER + 5, 0, 0);
    const uint32_t Start = GetTickCount();
    try {
        Phone.SetRing(1, 0x8000);
        FAIL() << "no exception";
    } catch (const ETapiError& E) {
        EXPECT_EQ(E.ErrorCode, LINEERR_OPERATIONFAILED);
    }
    EXPECT_LT(GetTickCount() - Start, 100u);
    EXPECT_FALSE(Phone.IsActive());
    DeallocateHWnd(Closer);
}

TEST_F(AsyncTest, ServiceClosingTheDeviceEndsTheWait)
{
    Fault(sim::sfNeverReply);
    HWND Closer = AllocateHWnd([&](TMessage&) { Sim.ClosePhone(0); });
    PostMessage(Closer, WM_USER + 5, 0, 0);
    bool Closed = false;
    Phone.OnDeviceClose = [&](TObject*) { Closed = true; };
    const uint32_t Start = GetTickCount();
    EXPECT_THROW(Phone.SetRing(1, 0x8000), ETapiError);
    EXPECT_TRUE(Closed);
    EXPECT_LT(GetTickCount() - Start, 10000u);
    EXPECT_FALSE(Phone.Get_Active());
    DeallocateHWnd(Closer);
}

TEST_F(AsyncTest, DestroyingTheDeviceDuringTheWaitEndsIt)
{
    Fault(sim::sfNeverReply);
    auto* Doomed = new TTestDevice(nullptr, tckPhone);
    Doomed->Set_DeviceID(0);
    Doomed->Set_Active(true);
    const uint32_t r = CheckTapiResult(phoneSetRing(Doomed->Get_DeviceHandle(), 1, 0x8000));
    HWND Killer = AllocateHWnd([&](TMessage&) { delete Doomed; });
    PostMessage(Killer, WM_USER + 5, 0, 0);
    uint32_t Code = 0;
    EXPECT_EQ(Doomed->WaitForAsyncReply(r, Code), uint32_t{WAIT_ABANDONED});
    DeallocateHWnd(Killer);
}

TEST_F(AsyncTest, ZeroResultCompletedAtOnceAndIsNotWaitedFor)
{
    const uint32_t Start = GetTickCount();
    EXPECT_EQ(Phone.CheckAsyncTapiResult(0), 0u);
    EXPECT_EQ(GetTickCount(), Start);
    EXPECT_THROW(Phone.CheckAsyncTapiResult(PHONEERR_INVALPARAM), ETapiError);
    Phone.Options.SyncMode = false;
    EXPECT_EQ(Phone.CheckAsyncTapiResult(17), 0u);
    EXPECT_EQ(Phone.Get_LastRequestID(), 17u);
}

TEST_F(AsyncTest, NestedWaitKeepsTheOuterReply)
{
    // The outer request is answered while a handler's own synchronous
    // request waits: the inner wait dispatches the outer reply, and the outer
    // wait must still find it.
    Fault(sim::sfDelayReply, 50);
    int Nesting = 0;
    HWND Starter = AllocateHWnd([&](TMessage&) {
        Nesting = TapiApplication->WaitNesting;
        Fault(sim::sfDelayReply, 200);
        EXPECT_EQ(Phone.SetRing(2, 0x4000), 0u);
    });
    PostMessage(Starter, WM_USER + 5, 0, 0);
    EXPECT_EQ(Phone.SetRing(1, 0x8000), 0u);
    EXPECT_EQ(Nesting, 1);
    ASSERT_EQ(Phone.Replies.size(), 2u);
    EXPECT_EQ(TapiApplication->WaitNesting, 0);
    DeallocateHWnd(Starter);
}

TEST_F(AsyncTest, RepliesMatchExactlyAndUnknownOnesStillRaiseTheEvent)
{
    Phone.Options.SyncMode = false;
    TTapiRequest* q = Phone.Get_Requests()->AddRequest(5, 0);
    q->Kind = 9;
    std::vector<uint32_t> Seen;
    Phone.OnTapiReply = [&](TObject*, uint32_t ID, uint32_t) { Seen.push_back(ID); };
    Phone.Handle_TapiReply(0, 0);    // identifier 0 completes nothing
    Phone.Handle_TapiReply(77, 0);   // unknown
    EXPECT_EQ(Phone.Get_Requests()->Count(), 1);
    EXPECT_TRUE(Phone.Replies.empty());
    Phone.Handle_TapiReply(5, 0);
    EXPECT_EQ(Phone.Get_Requests()->Count(), 0);
    ASSERT_EQ(Phone.Replies.size(), 1u);
    EXPECT_EQ(Phone.Replies[0].Kind, 9u);
    EXPECT_EQ(Seen, (std::vector<uint32_t>{0, 77, 5}));
}

TEST_F(AsyncTest, ScanExpiresRequestsAndTermsAndSurvivesHostileHandlers)
{
    TTapiRequestList& Requests = *Phone.Get_Requests();
    TTapiRequestList& Terms = *Phone.Get_Terms();
    const uint32_t Now = GetTickCount();
    Requests.AddRequest(1, 100);
    Requests.AddRequest(2, 0);          // never
    Requests.AddRequest(3, INFINITE);   // never
    Requests.AddRequest(4, 300);
    Terms.AddRequest(1, 50);
    Phone.Handle_InternalTimer(Now + 99);
    EXPECT_TRUE(Phone.TimedOut.empty());
    EXPECT_EQ(Phone.Terms_Reached, std::vector<uint32_t>{1});
    Phone.Handle_InternalTimer(Now + 100000);
    EXPECT_EQ(Phone.TimedOut, (std::vector<uint32_t>{1, 4}));
    EXPECT_EQ(Requests.Count(), 2);

    // A handler that closes the device while the walk goes on.
    Requests.AddRequest(5, 10);
    Requests.AddRequest(6, 10);
    Phone.OnTimeoutHook = [&](TTapiRequest*) { Phone.Set_Active(false); };
    Phone.Handle_InternalTimer(GetTickCount() + 20);
    EXPECT_FALSE(Phone.IsActive());
    EXPECT_EQ(Requests.Count(), 0);
    EXPECT_EQ(Phone.TimedOut.back(), 5u);   // 6 went with the close
}

TEST_F(AsyncTest, ScanSurvivesHandlersThatFreeObjectsOrTheDevice)
{
    TObject* Call = new TObject;
    TTapiRequestList& Requests = *Phone.Get_Requests();
    for (int32_t i = 1; i <= 3; ++i) {
        TTapiRequest* q = Requests.AddRequest(i, 10);
        q->Objects[0] = Call;
    }
    Requests.AddRequest(4, 10);
    // The first time-out frees its call, whose requests go with it.
    Phone.OnTimeoutHook = [&](TTapiRequest* q) {
        if (q->Objects[0] == Call) {
            Requests.RemoveAllRequests(Call);
            delete Call;
            Call = nullptr;
        }
    };
    Phone.Handle_InternalTimer(GetTickCount() + 20);
    EXPECT_EQ(Phone.TimedOut, (std::vector<uint32_t>{1, 4}));

    auto* Doomed = new TTestDevice(nullptr, tckPhone);
    Doomed->Get_Requests()->AddRequest(1, 10);
    Doomed->Get_Requests()->AddRequest(2, 10);
    Doomed->OnTapiTimeout = [&](TObject*, uint32_t) { delete Doomed; };
    Doomed->Handle_InternalTimer(GetTickCount() + 20);   // must stop, not walk freed memory
}

class AsyncWrapTest : public AsyncTest {
protected:
    AsyncWrapTest() : AsyncTest(0xFFFFFF00) {}
};

TEST_F(AsyncWrapTest, WaitAndScanKeepTheirTimeAcrossTheWrap)
{
    Fault(sim::sfNeverReply);
    Phone.Options.ReplyTimeout = 500;
    const uint32_t Start = GetTickCount();
    EXPECT_THROW(Phone.SetRing(1, 0x8000), ETapiError);
    const uint32_t Waited = GetTickCount() - Start;
    EXPECT_GE(Waited, 500u);   // the deadline wrapped past 0: no early end
    EXPECT_LT(Waited, 600u);

    TTapiRequestList& Requests = *Phone.Get_Requests();
    Requests.Clear();
    TTapiRequest* q = Requests.AddRequest(1, 300);
    q->StartTick = 0xFFFFFFF0;
    Phone.Handle_InternalTimer(0x00000100);   // 272 ms later, after the wrap
    EXPECT_EQ(Requests.Count(), 1);
    Phone.Handle_InternalTimer(0x00000200);   // 528 ms later
    EXPECT_EQ(Requests.Count(), 0);
}

TEST_F(AsyncTest, InfiniteReplyTimeoutWaitsForALateReply)
{
    Fault(sim::sfDelayReply, 90000);
    Phone.Options.ReplyTimeout = INFINITE;
    const uint32_t Start = GetTickCount();
    EXPECT_EQ(Phone.SetRing(1, 0x8000), 0u);
    EXPECT_GE(GetTickCount() - Start, 90000u);
}

} // namespace
} // namespace kxtapi::testing
