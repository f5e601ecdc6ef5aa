// Usages, their event handles and message queues, and version negotiation.

#include "service_fixture.h"

#include <atomic>
#include <thread>

namespace kxtapi::testing {
namespace {

using Usage = ServiceTest;

TEST_F(Usage, InitializeInEventModeReportsDevicesVersionAndAnUnsignalledEvent)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    EXPECT_NE(a.App, 0u);
    EXPECT_EQ(a.NumDevs, 2u);
    ASSERT_NE(a.Event, 0u);
    EXPECT_EQ(WaitForSingleObject(a.Event, 0), WAIT_TIMEOUT);
    TPhoneApp p;
    ASSERT_EQ(p.Init(), 0u);
    EXPECT_EQ(p.NumDevs, 1u);
    EXPECT_NE(p.App, a.App);
    EXPECT_NE(p.Event, a.Event);
}

TEST_F(Usage, InitializeRejectsWhatItCannotServe)
{
    HLINEAPP App = 0;
    DWORD n = 0, v = 0x00020001;
    LINEINITIALIZEEXPARAMS p{};
    p.dwTotalSize = sizeof p - 1;
    p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    EXPECT_EQ(lineInitializeExA(&App, 0, nullptr, "x", &n, &v, &p), LINEERR_STRUCTURETOOSMALL);
    p.dwTotalSize = sizeof p;
    p.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
    EXPECT_EQ(lineInitializeExA(&App, 0, nullptr, "x", &n, &v, &p), LINEERR_OPERATIONUNAVAIL);
    p.dwOptions = LINEINITIALIZEEXOPTION_USEEVENT;
    v = 0x00010004;
    EXPECT_EQ(lineInitializeExA(&App, 0, nullptr, "x", &n, &v, &p), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineInitializeExA(nullptr, 0, nullptr, "x", &n, &v, &p), LINEERR_INVALPOINTER);
    EXPECT_EQ(App, 0u);
}

TEST_F(Usage, HandlesOfShutDownUsagesFailAndAreNeverReused)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINEAPP Old = a.App;
    HANDLE OldEvent = a.Event;
    ASSERT_EQ(lineShutdown(Old), 0u);
    a.App = 0;
    EXPECT_EQ(lineShutdown(Old), LINEERR_INVALAPPHANDLE);
    LINEMESSAGE m;
    EXPECT_EQ(lineGetMessage(Old, &m, 0), LINEERR_INVALAPPHANDLE);
    EXPECT_EQ(WaitForSingleObject(OldEvent, 0), WAIT_FAILED) << "the service closed its event";
    EXPECT_EQ(phoneShutdown(Old), PHONEERR_INVALAPPHANDLE);
    TLineApp b;
    ASSERT_EQ(b.Init(), 0u);
    EXPECT_NE(b.App, Old);
}

TEST_F(Usage, EventStaysSignalledWhileMessagesWaitAndTimeoutZeroDoesNotWait)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    LINEMESSAGE m;
    EXPECT_EQ(lineGetMessage(a.App, &m, 0), LINEERR_OPERATIONFAILED);
    HLINE h = a.Open(0, 7);
    Sim.OfferCall(0, "555", "", sim::TSimOfferOptions{.Rings = 0, .CallerIDAfterRing = false});
    // LINE_APPNEWCALL and LINE_CALLSTATE wait; the event stays set until both are taken.
    EXPECT_EQ(WaitForSingleObject(a.Event, 0), WAIT_OBJECT_0);
    ASSERT_EQ(lineGetMessage(a.App, &m, 0), 0u);
    EXPECT_EQ(m.dwMessageID, LINE_APPNEWCALL);
    EXPECT_EQ(m.hDevice, h);
    EXPECT_EQ(WaitForSingleObject(a.Event, 0), WAIT_OBJECT_0);
    ASSERT_EQ(lineGetMessage(a.App, &m, 0), 0u);
    EXPECT_EQ(m.dwMessageID, LINE_CALLSTATE);
    EXPECT_EQ(WaitForSingleObject(a.Event, 0), WAIT_TIMEOUT);
    EXPECT_EQ(lineGetMessage(a.App, &m, 0), LINEERR_OPERATIONFAILED);
}

TEST_F(Usage, MessagesArriveInOrderEachWithItsOpensCallbackInstance)
{
    TLineApp a, b;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(b.Init(), 0u);
    HLINE a0 = a.Open(0, 0x1111);
    HLINE a1 = a.Open(1, 0x2222);
    HLINE b0 = b.Open(0, 0x3333, LINECALLPRIVILEGE_MONITOR, 0);
    sim::TSimOfferOptions o{.Rings = 0, .CallerIDAfterRing = false};
    Sim.OfferCall(1, "100", "", o);
    Sim.OfferCall(0, "200", "", o);

    auto ma = a.Drain();
    ASSERT_EQ(ma.size(), 4u);
    EXPECT_EQ(ma[0].hDevice, a1);
    EXPECT_EQ(ma[0].dwCallbackInstance, 0x2222u);
    EXPECT_EQ(ma[1].dwMessageID, LINE_CALLSTATE);
    EXPECT_EQ(ma[1].dwCallbackInstance, 0x2222u);
    EXPECT_EQ(ma[2].hDevice, a0);
    EXPECT_EQ(ma[2].dwCallbackInstance, 0x1111u);
    EXPECT_EQ(ma[3].dwCallbackInstance, 0x1111u);
    EXPECT_EQ(ma[0].dwParam3, LINECALLPRIVILEGE_OWNER);

    auto mb = b.Drain();
    ASSERT_EQ(mb.size(), 2u) << "b watches line 0 only";
    EXPECT_EQ(mb[0].hDevice, b0);
    EXPECT_EQ(mb[0].dwMessageID, LINE_APPNEWCALL);
    EXPECT_EQ(mb[0].dwParam3, LINECALLPRIVILEGE_MONITOR);
    EXPECT_EQ(mb[1].dwCallbackInstance, 0x3333u);
    EXPECT_NE(mb[0].dwParam2, ma[2].dwParam2) << "each usage has its own call handle";
}

TEST_F(Usage, AWaitingFetchInAnotherThreadWakesWhenAMessageArrives)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    a.Open(0, 1);
    std::atomic<uint32_t> Got{0xFFFFFFFF};
    LINEMESSAGE m{};
    std::thread t([&] { Got = lineGetMessage(a.App, &m, INFINITE); });
    Sim.OfferCall(0, "555", "", sim::TSimOfferOptions{.Rings = 0, .CallerIDAfterRing = false});
    t.join();
    EXPECT_EQ(Got.load(), 0u);
    EXPECT_EQ(m.dwMessageID, LINE_APPNEWCALL);
}

TEST_F(Usage, ShutdownReleasesAFetchWaitingWithoutLimit)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    std::atomic<uint32_t> Got{0};
    std::atomic<bool> Started{false};
    std::thread t([&] {
        LINEMESSAGE m;
        Started = true;
        Got = lineGetMessage(a.App, &m, INFINITE);
    });
    while (!Started) std::this_thread::yield();
    // Whether the thread is already waiting or not yet, it ends with the usage.
    ASSERT_EQ(lineShutdown(a.App), 0u);
    t.join();
    a.App = 0;
    EXPECT_EQ(Got.load(), LINEERR_INVALAPPHANDLE);
}

TEST_F(Usage, TimedFetchOnTheClockDriverAdvancesToTheDelayedReply)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    HLINE h = a.Open(0, 1);
    Sim.InjectFault(sim::TSimFault{.Kind = sim::sfDelayReply, .Function = "lineMakeCallA", .Delay = 300});
    HCALL c = 0;
    uint32_t r = lineMakeCallA(h, &c, "555", 0, nullptr);
    ASSERT_GT(int32_t(r), 0);
    LINEMESSAGE m;
    EXPECT_EQ(lineGetMessage(a.App, &m, 100), LINEERR_OPERATIONFAILED);
    uint32_t Before = GetTickCount();
    ASSERT_EQ(lineGetMessage(a.App, &m, 1000), 0u);
    EXPECT_EQ(m.dwMessageID, LINE_REPLY);
    EXPECT_EQ(m.dwParam1, r);
    EXPECT_LE(GetTickCount() - Before, 1000u);
}

// --- Versions ------------------------------------------------------------------

TEST_F(Usage, VersionNegotiationPicksTheHighestCommonVersion)
{
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    DWORD v = 0;
    LINEEXTENSIONID x{1, 2, 3, 4};
    ASSERT_EQ(lineNegotiateAPIVersion(a.App, 0, 0x00010000, 0x00020001, &v, &x), 0u);
    EXPECT_EQ(v, 0x00020001u);
    EXPECT_EQ(x.dwExtensionID0, 0u);
    ASSERT_EQ(lineNegotiateAPIVersion(a.App, 0, 0x00010000, 0x00010005, &v, &x), 0u);
    EXPECT_EQ(v, 0x00010004u) << "only versions TAPI defines";
    EXPECT_EQ(lineNegotiateAPIVersion(a.App, 0, 0x00030000, 0x00030001, &v, &x), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineNegotiateAPIVersion(a.App, 0, 0x00020001, 0x00010000, &v, &x), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(lineNegotiateAPIVersion(a.App, 9, 0x00010000, 0x00020001, &v, &x), LINEERR_BADDEVICEID);
    EXPECT_EQ(lineNegotiateAPIVersion(a.App + 1000, 0, 0x00010000, 0x00020001, &v, &x), LINEERR_INVALAPPHANDLE);
}

TEST_F(Usage, ARefusedRangeAndARemovedDeviceFailAsTheSessionExpects)
{
    TLineApp a;
    TPhoneApp p;
    ASSERT_EQ(a.Init(), 0u);
    ASSERT_EQ(p.Init(), 0u);
    Sim.SetLineVersions(1, 0x00030000, 0x00030000);
    Sim.SetPhoneVersions(0, 1, 0);
    DWORD v;
    LINEEXTENSIONID x;
    PHONEEXTENSIONID px;
    EXPECT_EQ(lineNegotiateAPIVersion(a.App, 1, 0x00010000, 0x00020001, &v, &x), LINEERR_INCOMPATIBLEAPIVERSION);
    EXPECT_EQ(phoneNegotiateAPIVersion(p.App, 0, 0x00010000, 0x00020001, &v, &px), PHONEERR_INCOMPATIBLEAPIVERSION);
    Sim.RemoveLine(0);
    EXPECT_EQ(lineNegotiateAPIVersion(a.App, 0, 0x00010000, 0x00020001, &v, &x), LINEERR_NODEVICE);
}

TEST_F(Usage, ExtensionVersionsAreNegotiatedOnlyWhereADeviceHasThem)
{
    sim::TSimLineConfig l;
    l.Name = "With extensions";
    l.ExtLowVersion = 0x00010000;
    l.ExtHighVersion = 0x00010005;
    l.ExtensionID = {0xA, 0xB, 0xC, 0xD};
    int Index = Sim.AddLine(l);
    TLineApp a;
    ASSERT_EQ(a.Init(), 0u);
    DWORD v, Ext = 77;
    LINEEXTENSIONID x;
    ASSERT_EQ(lineNegotiateAPIVersion(a.App, Index, 0x00010000, 0x00020001, &v, &x), 0u);
    EXPECT_EQ(x.dwExtensionID2, 0xCu);
    ASSERT_EQ(lineNegotiateExtVersion(a.App, Index, v, 0x00010003, 0x00020000, &Ext), 0u);
    EXPECT_EQ(Ext, 0x00010005u);
    EXPECT_EQ(lineNegotiateExtVersion(a.App, Index, v, 0x00020000, 0x00020000, &Ext), LINEERR_INCOMPATIBLEEXTVERSION);
    EXPECT_EQ(lineNegotiateExtVersion(a.App, 0, v, 1, 2, &Ext), LINEERR_OPERATIONUNAVAIL);
    EXPECT_EQ(lineNegotiateExtVersion(a.App, Index, 0x00030000, 1, 2, &Ext), LINEERR_INCOMPATIBLEAPIVERSION);
}

}  // namespace
}  // namespace kxtapi::testing
