// The LED linked to a port on a simulated cable: the line LEDs follow the
// far end's lines and the port's own settings, the receive and transmit
// LEDs follow the data and darken on their timer, closing darkens every
// LED, and the link ends whichever side goes first.
#include "led_test_util.h"

#include "kxtapi/rtl/lasterror.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kxtapi;
using namespace kxtapi::test;

namespace {

class LedPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->SetMainThread();
        Application()->ProcessMessages();
        Pair = TSimulatedPair::Create();
        MapSimulatedPort("COM61", Pair);
        Port = std::make_unique<TComPort>(nullptr);
        Port->Set_PortName("COM61");
    }
    void TearDown() override
    {
        Port.reset();
        MapSimulatedPort("COM61", nullptr);
        Application()->ProcessMessages();
    }

    std::unique_ptr<TComPortLed> NewLed(TCommSignal Signal)
    {
        auto Led = std::make_unique<TComPortLed>(nullptr);
        Led->SetSignal(Signal);
        Led->SetPort(Port.get());
        return Led;
    }

    std::shared_ptr<TSimulatedPair> Pair;
    std::unique_ptr<TComPort> Port;
};

} // namespace

TEST_F(LedPort, LinkedToAnOpenPortItShowsTheLineAtOnce)
{
    Pair->SetDSR(true);
    Port->Open();
    auto Led = NewLed(csDSR);
    EXPECT_TRUE(Led->Get_Active());  // before any message
    EXPECT_EQ(Led->Get_ComPort(), Port.get());

    // Not while loading or designing: Loaded reads it then.
    TComPortLed Loading(nullptr);
    Loading.SetLoading(true);
    Loading.SetPort(Port.get());
    EXPECT_FALSE(Loading.Get_Active());
    Loading.Loaded();
    EXPECT_TRUE(Loading.Get_Active());

    TComPortLed Designing(nullptr);
    Designing.SetDesigning(true);
    Designing.SetPort(Port.get());
    EXPECT_FALSE(Designing.Get_Active());

    // Linked to a closed port it is dark, and lights when the port opens.
    Port->Close();
    PumpUntil([&] { return !Led->Get_Active(); });
    auto Late = NewLed(csDSR);
    EXPECT_FALSE(Late->Get_Active());
    Port->Open();
    ASSERT_TRUE(PumpUntil([&] { return Late->Get_Active(); }));
}

TEST_F(LedPort, LineLedsFollowTheirOwnLineOnly)
{
    Port->Open();
    auto Dsr = NewLed(csDSR);
    auto Cts = NewLed(csCTS);
    auto Dcd = NewLed(csDCD);
    auto Dtr = NewLed(csDTR);
    auto Rts = NewLed(csRTS);
    EXPECT_FALSE(Dsr->Get_Active());
    EXPECT_TRUE(Dtr->Get_Active());  // the port drives DTR and RTS on
    EXPECT_TRUE(Rts->Get_Active());

    Pair->SetDSR(true);
    ASSERT_TRUE(PumpUntil([&] { return Dsr->Get_Active(); }));
    EXPECT_FALSE(Cts->Get_Active());
    EXPECT_FALSE(Dcd->Get_Active());

    // A CTS LED ignores a word with only EV_DSR even when CTS changed
    // meanwhile; it reads CTS when told of CTS.
    Pair->SetCTS(true);
    Cts->UpdateStatus(EV_DSR);
    EXPECT_FALSE(Cts->Get_Active());
    ASSERT_TRUE(PumpUntil([&] { return Cts->Get_Active(); }));

    Pair->SetDCD(true);
    ASSERT_TRUE(PumpUntil([&] { return Dcd->Get_Active(); }));
    Pair->SetDSR(false);
    ASSERT_TRUE(PumpUntil([&] { return !Dsr->Get_Active(); }));
    EXPECT_TRUE(Cts->Get_Active());

    Port->Set_DTR(false);
    ASSERT_TRUE(PumpUntil([&] { return !Dtr->Get_Active(); }));
    EXPECT_TRUE(Rts->Get_Active());
    Port->Set_RTS(false);
    ASSERT_TRUE(PumpUntil([&] { return !Rts->Get_Active(); }));
    Port->Set_DTR(true);
    ASSERT_TRUE(PumpUntil([&] { return Dtr->Get_Active(); }));
}

TEST_F(LedPort, ReceiveLedLightsOnBytesAndDarkensTwoHundredMsLater)
{
    TTestClock Clock(5000);
    Port->Open();
    auto Rx = NewLed(csRXD);
    EXPECT_FALSE(Rx->Get_Active());

    Pair->Send("a");
    ASSERT_TRUE(PumpUntil([&] { return Rx->Get_Active(); }));
    EXPECT_TRUE(Rx->Get_Timer()->Get_Enabled());
    Clock.Advance(199);
    Application()->ProcessMessages();
    EXPECT_TRUE(Rx->Get_Active());
    Clock.Advance(1);
    Application()->ProcessMessages();
    EXPECT_FALSE(Rx->Get_Active());
    EXPECT_FALSE(Rx->Get_Timer()->Get_Enabled());

    // Each arrival lights it again.
    Pair->Send("b");
    ASSERT_TRUE(PumpUntil([&] { return Rx->Get_Active(); }));
    Clock.Advance(200);
    Application()->ProcessMessages();
    EXPECT_FALSE(Rx->Get_Active());

    // Bytes already waiting light a new receive LED, on the same timer.
    auto Late = NewLed(csRXD);
    EXPECT_TRUE(Late->Get_Active());
    Clock.Advance(200);
    Application()->ProcessMessages();
    EXPECT_FALSE(Late->Get_Active());
}

TEST_F(LedPort, TransmitLedStaysLitUntilTheOutputQueueIsEmpty)
{
    TTestClock Clock;
    Port->Open();
    auto Tx = NewLed(csTXD);
    auto Rx = NewLed(csRXD);
    Pair->SetReceiving(false);   // the far end takes nothing: bytes stay queued
    Port->Write("x");
    ASSERT_TRUE(PumpUntil([&] { return Tx->Get_Active(); }));
    EXPECT_FALSE(Rx->Get_Active());
    EXPECT_FALSE(Tx->Get_Timer()->Get_Enabled());
    Clock.Advance(5000);
    Application()->ProcessMessages();
    EXPECT_TRUE(Tx->Get_Active());
    auto Late = NewLed(csTXD);  // reads the waiting output
    EXPECT_TRUE(Late->Get_Active());

    Pair->SetReceiving(true);
    ASSERT_TRUE(PumpUntil([&] { return Tx->Get_Timer()->Get_Enabled(); }));
    EXPECT_TRUE(Tx->Get_Active());
    Clock.Advance(199);
    Application()->ProcessMessages();
    EXPECT_TRUE(Tx->Get_Active());
    Clock.Advance(1);
    Application()->ProcessMessages();
    EXPECT_FALSE(Tx->Get_Active());
    EXPECT_EQ(Pair->TakeReceived(), "x");
}

TEST_F(LedPort, ClosingThePortDarkensEveryLinkedLed)
{
    Pair->SetDSR(true);
    Pair->SetCTS(true);
    Pair->SetDCD(true);
    Port->Open();
    std::vector<std::unique_ptr<TComPortLed>> Leds;
    for (TCommSignal S : {csDTR, csDSR, csRTS, csCTS, csDCD, csTXD, csRXD}) Leds.push_back(NewLed(S));
    Pair->SetReceiving(false);
    Port->Write("queued");
    Pair->Send("in");
    ASSERT_TRUE(PumpUntil([&] {
        for (auto& L : Leds)
            if (!L->Get_Active()) return false;
        return true;
    }));

    Port->Close();
    ASSERT_TRUE(PumpUntil([&] {
        for (auto& L : Leds)
            if (L->Get_Active()) return false;
        return true;
    }));
    // Dark and painted dark.
    Application()->ProcessMessages();
    EXPECT_EQ(Leds[1]->Canvas()->Get_Pixels(6, 6), clGreen);
}

TEST_F(LedPort, SamePortAgainChangesNothingAnotherMovesTheLink)
{
    auto Pair2 = TSimulatedPair::Create();
    MapSimulatedPort("COM62", Pair2);
    TComPort Port2(nullptr);
    Port2.Set_PortName("COM62");
    Pair->SetDSR(true);
    Port->Open();
    Port2.Open();
    auto Led = NewLed(csDSR);
    EXPECT_TRUE(Led->Get_Active());

    // Linking to the same port reads nothing afresh.
    Pair->SetDSR(false);
    Led->SetPort(Port.get());
    EXPECT_TRUE(Led->Get_Active());
    ASSERT_TRUE(PumpUntil([&] { return !Led->Get_Active(); }));

    Led->SetPort(&Port2);
    EXPECT_EQ(Led->Get_ComPort(), &Port2);
    Pair->SetDSR(true);   // the old port's lines reach it no more
    Application()->ProcessMessages();
    PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(Led->Get_Active());
    Pair2->SetDSR(true);
    ASSERT_TRUE(PumpUntil([&] { return Led->Get_Active(); }));

    Led->SetPort(nullptr);  // unlinked: dark
    EXPECT_FALSE(Led->Get_Active());
    Pair2->SetDSR(false);
    Pair2->SetDSR(true);
    PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(Led->Get_Active());
    Port2.Close();
    MapSimulatedPort("COM62", nullptr);
}

TEST_F(LedPort, DestroyedLedIsUnlinkedFromItsPort)
{
    Port->Open();
    auto Led = NewLed(csCTS);
    // A window the port still lists after it is gone makes TriggerLinks
    // fail a post, which the last error shows.
    HWND Stale = AllocateHWnd([](TMessage&) {});
    Port->AddToTriggerList(Stale, 0xFFFFFFFF);
    DeallocateHWnd(Stale);
    SetLastError(0);
    Port->TriggerLinks(0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    Port->RemoveFromTriggerList(Stale);

    Led.reset();
    SetLastError(0);
    Port->TriggerLinks(0);
    EXPECT_EQ(GetLastError(), 0u);
    Pair->SetCTS(true);   // the port goes on without it
    Application()->ProcessMessages();
}

TEST_F(LedPort, DestroyedPortIsDroppedByItsLeds)
{
    Pair->SetDSR(true);
    Port->Open();
    auto Led = NewLed(csDSR);
    auto Rx = NewLed(csRXD);
    ASSERT_TRUE(Led->Get_Active());
    Port.reset();
    EXPECT_EQ(Led->Get_ComPort(), nullptr);
    EXPECT_FALSE(Led->Get_Active());
    EXPECT_EQ(Rx->Get_ComPort(), nullptr);
    // What the port posted while closing, and every later use, finds no port.
    Application()->ProcessMessages();
    Led->InitStatus();
    Led->UpdateStatus(EV_DSR);
    EXPECT_FALSE(Led->Get_Active());
    Led->SetPort(nullptr);
    Rx.reset();
}

TEST_F(LedPort, LedAndPortOwnedByOneForm)
{
    // An owner frees what it owns last-inserted first: the LED before the
    // port, then the port before the LED. Either order ends the link cleanly.
    for (bool LedFirst : {true, false}) {
        TComponent Form(nullptr);
        TComPort* P;
        TComPortLed* L;
        if (LedFirst) {
            P = new TComPort(&Form);
            L = new TComPortLed(&Form);
        } else {
            L = new TComPortLed(&Form);
            P = new TComPort(&Form);
        }
        P->Set_PortName("COM61");
        P->Open();
        L->SetSignal(csDTR);
        L->SetPort(P);
        EXPECT_TRUE(L->Get_Active());
    }
    Application()->ProcessMessages();
}
