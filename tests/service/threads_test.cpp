// The service on a real clock and across threads: delayed replies come from
// the service's timer thread, and a fetching thread like the session's event
// thread sees every message in order while the main thread makes requests.

#include "service_fixture.h"

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

namespace kxtapi::testing {
namespace {

// No test clock here: real time drives the timer thread.
class RealClock : public ::testing::Test {
protected:
    RealClock() { sim::Switch().Reset(); }
    ~RealClock() override { sim::Switch().Reset(); }
    sim::TSimSwitch& Sim = sim::Switch();
};

TEST_F(RealClock, ADelayedReplyComesFromTheTimerThread)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINE h = a.Open(0, 1);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineMakeCallA", .Delay = 30});
    HCALL c = 0;
    auto Start = std::chrono::steady_clock::now();
    uint32_t r = lineMakeCallA(h, &c, "5", 0, nullptr);
    LINEMESSAGE m;
    ASSERT_EQ(lineGetMessage(a.App, &m, 5000), 0u);
    auto Took = std::chrono::steady_clock::now() - Start;
    EXPECT_EQ(m.dwMessageID, LINE_REPLY);
    EXPECT_EQ(m.dwParam1, r);
    EXPECT_GE(Took, std::chrono::milliseconds(25));
    EXPECT_NE(c, 0u);
}

TEST_F(RealClock, AnActionScheduledByAnotherWaitsItsOwnDelay)
{
    // The far-end script schedules each step from the one before, on the
    // timer thread: every round (offer, hang-up) takes its 200 ms, so the
    // second hang-up comes 400 ms after the script started at the earliest.
    // Run at once, a hang-up would follow its offer within the same pass.
    // Only lower bounds are checked: a late fetch or a round missed while the
    // line opens cannot fail it.
    sim::TSimConfig c = sim::DefaultSimConfig();
    sim::TSimScriptStep Offer, HangUp;
    Offer.Delay = 50;
    HangUp.Delay = 150;
    HangUp.Action = sim::saHangUp;
    c.Script.Steps = {Offer, HangUp};
    c.Script.Repeat = 0;
    const auto Started = std::chrono::steady_clock::now();
    Sim.Configure(c);
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    a.Open(0, 1);
    int HungUp = 0;
    LINEMESSAGE m;
    while (HungUp < 2 && lineGetMessage(a.App, &m, 5000) == 0)
        if (m.dwMessageID == LINE_CALLSTATE && m.dwParam1 == LINECALLSTATE_DISCONNECTED) ++HungUp;
    ASSERT_EQ(HungUp, 2);
    EXPECT_GE(std::chrono::steady_clock::now() - Started, std::chrono::milliseconds(395));
}

TEST_F(RealClock, AnEventThreadFetchesEveryMessageInOrderWhileTheMainThreadWorks)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINE l0 = a.Open(0, 100), l1 = a.Open(1, 200);
    std::atomic<bool> Stop{false};
    std::vector<LINEMESSAGE> Got;
    // Waits on the event and fetches with time-out 0, as the session does.
    std::thread Events([&] {
        while (!Stop) {
            if (WaitForSingleObject(a.Event, 100) != WAIT_OBJECT_0) continue;
            LINEMESSAGE m;
            if (lineGetMessage(a.App, &m, 0) == 0) Got.push_back(m);
        }
        LINEMESSAGE m;
        while (lineGetMessage(a.App, &m, 0) == 0) Got.push_back(m);
    });
    std::vector<uint32_t> Sent;
    std::vector<HCALL> Slots(40, 0);
    for (int i = 0; i < 40; ++i) {
        Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineMakeCallA",
                                       .Delay = static_cast<uint32_t>(i % 3)});
        Sent.push_back(lineMakeCallA(i % 2 ? l1 : l0, &Slots[i], "5", 0, nullptr));
    }
    // Wait (bounded) for the 40 replies.
    for (int k = 0; k < 500 && Sim.ScheduledActions() > 0; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Stop = true;
    Events.join();
    std::map<uint32_t, DWORD> InstanceOf;
    std::map<HCALL, std::vector<DWORD>> StatesOf;
    for (const LINEMESSAGE& m : Got) {
        if (m.dwMessageID == LINE_REPLY) InstanceOf[m.dwParam1] = m.dwCallbackInstance;
        if (m.dwMessageID == LINE_CALLSTATE) StatesOf[m.hDevice].push_back(m.dwParam1);
    }
    ASSERT_EQ(InstanceOf.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(InstanceOf[Sent[i]], i % 2 ? 200u : 100u);
        HCALL c = std::atomic_ref<uint32_t>(Slots[i]).load();
        ASSERT_NE(c, 0u);
        EXPECT_EQ(StatesOf[c], (std::vector<DWORD>{LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING,
                                                   LINECALLSTATE_PROCEEDING, LINECALLSTATE_RINGBACK}));
    }
}

}  // namespace
}  // namespace kxtapi::testing
