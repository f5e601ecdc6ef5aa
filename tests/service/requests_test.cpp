// Request identifiers, replies, the write-backs that come with them, and the
// faults the switch injects into them.

#include "service_fixture.h"

#include <atomic>
#include <memory>
#include <set>

namespace kxtapi::testing {
namespace {

class Requests : public ServiceTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(App.Init(), 0u);
        Line = App.Open(0, 0xC0DE);
        ASSERT_EQ(Phones.Init(), 0u);
        ASSERT_EQ(phoneOpen(Phones.App, 0, &Phone, 0x00020001, 0, 0xF00D, PHONEPRIVILEGE_OWNER), 0u);
        App.Drain();
        Phones.Drain();
    }
    TLineApp App;
    TPhoneApp Phones;
    HLINE Line = 0;
    HPHONE Phone = 0;
};

TEST_F(Requests, IdentifiersArePositiveAndUniqueAcrossLineAndPhone)
{
    std::set<uint32_t> Seen;
    for (int i = 0; i < 3; ++i) {
        HCALL c = 0;
        uint32_t r = lineMakeCallA(Line, &c, "555", 0, nullptr);
        ASSERT_GT(int32_t(r), 0);
        EXPECT_TRUE(Seen.insert(r).second);
        uint32_t p = phoneSetRing(Phone, 1, 100);
        ASSERT_GT(int32_t(p), 0);
        EXPECT_TRUE(Seen.insert(p).second);
    }
}

TEST_F(Requests, AnImmediateReplyIsQueuedBeforeTheFunctionReturnsThenTheCallsStates)
{
    HCALL c = 0;
    uint32_t r = lineMakeCallA(Line, &c, "555 0100", 0, nullptr);
    ASSERT_GT(int32_t(r), 0);
    EXPECT_EQ(c, 0u) << "the handle is written when the reply is fetched";
    LINEMESSAGE m = App.Next();
    EXPECT_EQ(m.dwMessageID, LINE_REPLY);
    EXPECT_EQ(m.dwCallbackInstance, 0xC0DEu) << "replies come with the line's instance";
    EXPECT_EQ(m.dwParam1, r);
    EXPECT_EQ(m.dwParam2, 0u);
    ASSERT_NE(c, 0u);
    std::vector<DWORD> States;
    for (LINEMESSAGE s : App.Drain())
        if (s.dwMessageID == LINE_CALLSTATE) {
            EXPECT_EQ(s.hDevice, c);
            States.push_back(s.dwParam1);
        }
    EXPECT_EQ(States, (std::vector<DWORD>{LINECALLSTATE_DIALTONE, LINECALLSTATE_DIALING, LINECALLSTATE_PROCEEDING,
                                          LINECALLSTATE_RINGBACK}));
}

TEST_F(Requests, DelayedRepliesArriveInTheOrderTheyFallDue)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineMakeCallA", .Delay = 500});
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineMakeCallA", .Delay = 100});
    HCALL c1 = 0, c2 = 0;
    uint32_t r1 = lineMakeCallA(Line, &c1, "1", 0, nullptr);
    uint32_t r2 = lineMakeCallA(Line, &c2, "2", 0, nullptr);
    uint32_t p = phoneSetLamp(Phone, 12, PHONELAMPMODE_STEADY);
    EXPECT_EQ(App.Next().dwMessageID, 0xFFFFFFFFu) << "no line reply yet";
    Clock.Advance(99);
    EXPECT_EQ(App.Next().dwMessageID, 0xFFFFFFFFu);
    Clock.Advance(1);
    LINEMESSAGE m = App.Next();
    EXPECT_EQ(m.dwMessageID, LINE_REPLY);
    EXPECT_EQ(m.dwParam1, r2);
    EXPECT_NE(c2, 0u);
    EXPECT_EQ(c1, 0u);
    Clock.Advance(400);
    EXPECT_EQ(App.Reply(r1), 0u);
    EXPECT_NE(c1, 0u);
    PHONEMESSAGE pm = Phones.Next();
    EXPECT_EQ(pm.dwMessageID, PHONE_REPLY);
    EXPECT_EQ(pm.dwParam1, p);
    EXPECT_EQ(pm.dwCallbackInstance, 0xF00Du);
}

TEST_F(Requests, AFailedReplyCarriesTheErrorAndCreatesNothing)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfFailReply, .Function = "lineMakeCallA", .Error = LINEERR_CALLUNAVAIL});
    HCALL c = 0;
    uint32_t r = lineMakeCallA(Line, &c, "555", 0, nullptr);
    ASSERT_GT(int32_t(r), 0);
    auto Msgs = App.Drain();
    ASSERT_EQ(Msgs.size(), 1u);
    EXPECT_EQ(Msgs[0].dwParam2, LINEERR_CALLUNAVAIL);
    EXPECT_EQ(c, 0u);
    EXPECT_TRUE(Sim.Calls(0).empty());
}

TEST_F(Requests, ANeverAnsweredRequestLeavesNoReplyAndIsForgottenWithItsLine)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfNeverReply, .Function = "lineMakeCallA"});
    HCALL c = 0;
    ASSERT_GT(int32_t(lineMakeCallA(Line, &c, "555", 0, nullptr)), 0);
    Clock.Advance(3600000);
    EXPECT_TRUE(App.Drain().empty());
    EXPECT_EQ(lineClose(Line), 0u);
    EXPECT_TRUE(App.Drain().empty());
    EXPECT_EQ(c, 0u);
}

TEST_F(Requests, AFailedCallFailsAtOnceWithoutARequest)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfFailCall, .Function = "lineMakeCallA", .Error = LINEERR_RESOURCEUNAVAIL});
    HCALL c = 0;
    EXPECT_EQ(lineMakeCallA(Line, &c, "555", 0, nullptr), LINEERR_RESOURCEUNAVAIL);
    EXPECT_TRUE(App.Drain().empty());
    // The fault was used up: the next call goes through.
    EXPECT_GT(int32_t(lineMakeCallA(Line, &c, "555", 0, nullptr)), 0);
}

TEST_F(Requests, FaultsApplyToTheirDeviceAndCountOrLastUntilCleared)
{
    ASSERT_EQ(lineClose(Line), 0u);
    HLINE l0 = App.Open(0, 1), l1 = App.Open(1, 2);
    App.Drain();
    Sim.InjectFault(
        sim::TSimFault{.Kind = sim::sfFailCall, .Function = "lineMakeCallA", .Device = 1, .Error = LINEERR_NODRIVER, .Count = 0});
    HCALL c;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lineMakeCallA(l1, &c, "5", 0, nullptr), LINEERR_NODRIVER);
    EXPECT_GT(int32_t(lineMakeCallA(l0, &c, "5", 0, nullptr)), 0);
    Sim.ClearFaults();
    EXPECT_GT(int32_t(lineMakeCallA(l1, &c, "5", 0, nullptr)), 0);
}

TEST_F(Requests, SynchronousFunctionsFailOnRequest)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfFailCall, .Function = "lineGetDevCapsA", .Error = LINEERR_NOMEM});
    TBlock<LINEDEVCAPS> caps(1024);
    EXPECT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), LINEERR_NOMEM);
    EXPECT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), 0u);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfFailCall, .Function = "phoneSetLamp", .Error = PHONEERR_RESOURCEUNAVAIL});
    EXPECT_EQ(phoneSetLamp(Phone, 12, PHONELAMPMODE_STEADY), PHONEERR_RESOURCEUNAVAIL);
}

// --- Write-backs -------------------------------------------------------------

TEST_F(Requests, ACancelledHandleWriteIsNeverMade)
{
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineMakeCallA", .Delay = 50});
    auto Slot = std::make_unique<HCALL>(0);
    uint32_t r = lineMakeCallA(Line, Slot.get(), "555", 0, nullptr);
    // The object holding the slot goes away before the reply; ASan would see
    // a write into it after this.
    kxtapiCancelWriteBack(Slot.get(), sizeof(HCALL));
    Slot.reset();
    Clock.Advance(50);
    EXPECT_EQ(App.Reply(r), 0u) << "the reply itself still comes";
}

TEST_F(Requests, CancellingAfterTheReplyIsQueuedStillStopsTheWrite)
{
    HCALL Slot = 0;
    uint32_t r = lineMakeCallA(Line, &Slot, "555", 0, nullptr);
    kxtapiCancelWriteBack(&Slot, sizeof Slot);
    EXPECT_EQ(App.Reply(r), 0u);
    EXPECT_EQ(Slot, 0u);
    // Only the overlapping range is cancelled.
    HCALL Other = 0, Kept = 0;
    uint32_t r2 = lineMakeCallA(Line, &Kept, "556", 0, nullptr);
    kxtapiCancelWriteBack(&Other, sizeof Other);
    EXPECT_EQ(App.Reply(r2), 0u);
    EXPECT_NE(Kept, 0u);
}

TEST_F(Requests, ClosingTheLineOrShuttingDownCancelsItsWrites)
{
    HCALL a = 0;
    lineMakeCallA(Line, &a, "555", 0, nullptr);
    lineClose(Line);
    App.Drain();
    EXPECT_EQ(a, 0u);

    TLineApp Other;
    ASSERT_EQ(Other.Init(), 0u);
    HLINE l = Other.Open(1, 5);
    HCALL b = 0;
    lineMakeCallA(l, &b, "555", 0, nullptr);
    ASSERT_EQ(lineShutdown(Other.App), 0u);
    Other.App = 0;
    EXPECT_EQ(b, 0u);
}

TEST_F(Requests, ConsultationAndConferenceHandlesAreWrittenWithTheirReply)
{
    sim::TSimCallID In = Sim.OfferCall(0, "100", "", {.Rings = 0, .CallerIDAfterRing = false});
    HCALL Call = App.Find(LINE_APPNEWCALL).dwParam2;
    ASSERT_NE(Call, 0u);
    App.Reply(lineAnswer(Call, nullptr, 0));
    HCALL Consult = 0;
    uint32_t r = lineSetupTransferA(Call, &Consult, nullptr);
    ASSERT_GT(int32_t(r), 0);
    EXPECT_EQ(App.Reply(r), 0u);
    EXPECT_NE(Consult, 0u);
    EXPECT_NE(Consult, Call);
    (void)In;
}

TEST_F(Requests, ReadingAHandleSlotWhileAnotherThreadFetchesIsRaceFree)
{
    // The application's main thread polls the slot while its event thread
    // fetches the reply; the slot is read atomically as documented.
    HCALL Slot = 0;
    uint32_t r = lineMakeCallA(Line, &Slot, "555", 0, nullptr);
    std::atomic<bool> Done{false};
    std::thread Fetcher([&] {
        EXPECT_EQ(App.Reply(r), 0u);
        Done = true;
    });
    uint32_t Seen = 0;
    while (!Done || !Seen) Seen = std::atomic_ref<uint32_t>(Slot).load(std::memory_order_acquire);
    Fetcher.join();
    EXPECT_NE(Seen, 0u);
}

// --- Hostile blocks -----------------------------------------------------------

TEST_F(Requests, HostileBlocksLieAsToldAndOnlyOnce)
{
    TBlock<LINEDEVCAPS> caps(2048);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfHostileBlock, .Function = "lineGetDevCapsA", .Hostile = sim::shPairsPastEnd});
    ASSERT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), 0u);
    EXPECT_GT(uint64_t(caps->dwLineNameOffset) + caps->dwLineNameSize, 2048u);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfHostileBlock, .Function = "lineGetDevCapsA", .Hostile = sim::shPairsWrap});
    ASSERT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), 0u);
    EXPECT_LT(caps->dwLineNameOffset + caps->dwLineNameSize, caps->dwLineNameOffset) << "offset + size wraps";
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfHostileBlock, .Function = "lineGetDevCapsA", .Hostile = sim::shNeededHuge});
    ASSERT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), 0u);
    EXPECT_GE(caps->dwNeededSize, 0xF0000000u);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfHostileBlock, .Function = "lineGetDevCapsA", .Hostile = sim::shUsedBeyondTotal});
    ASSERT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), 0u);
    EXPECT_GT(caps->dwUsedSize, caps->dwTotalSize);
    ASSERT_EQ(lineGetDevCapsA(App.App, 0, 0x00020001, 0, caps.get()), 0u);
    EXPECT_EQ(caps.Str(offsetof(LINEDEVCAPS, dwLineNameSize)), "Simulated Line 1");
    EXPECT_EQ(caps->dwUsedSize, caps->dwNeededSize);
}

TEST_F(Requests, HostileBlocksReachCallStatusAndTheServicesOwnLists)
{
    HCALL c = 0;
    App.Reply(lineMakeCallA(Line, &c, "555", 0, nullptr));
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfHostileBlock, .Function = "lineGetCallStatus", .Hostile = sim::shPairsPastEnd});
    TBlock<LINECALLSTATUS> st(1024);
    ASSERT_EQ(lineGetCallStatus(c, st.get()), 0u);
    EXPECT_EQ(st->dwDevSpecificOffset, 1022u);
    EXPECT_EQ(st->dwCallState, LINECALLSTATE_RINGBACK) << "the fixed part stays true";

    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfHostileBlock, .Function = "lineGetTranslateCapsA", .Hostile = sim::shCountsHuge});
    TBlock<LINETRANSLATECAPS> t(4096);
    ASSERT_EQ(lineGetTranslateCapsA(0, 0x00020001, t.get()), 0u);
    EXPECT_EQ(t->dwNumLocations, 0x7FFFFFFFu);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfFailCall, .Function = "lineGetTranslateCapsA", .Error = LINEERR_INIFILECORRUPT});
    EXPECT_EQ(lineGetTranslateCapsA(0, 0x00020001, t.get()), LINEERR_INIFILECORRUPT);
}

}  // namespace
}  // namespace kxtapi::testing
