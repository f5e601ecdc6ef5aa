// The port component over a simulated cable: opening and closing, the
// modem-line events and their order, breaks, errors, linked windows, data.
#include "comm_test_util.h"

#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/tick.h"

#include <gtest/gtest.h>

using namespace kxtapi;
using namespace kxtapi::test;

namespace {

class SimComPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->SetMainThread();
        Pair = TSimulatedPair::Create();
        MapSimulatedPort("COM50", Pair);
        Port = std::make_unique<TComPort>(nullptr);
        Port->Set_PortName("COM50");
    }
    void TearDown() override
    {
        Port.reset();
        MapSimulatedPort("COM50", nullptr);
    }

    std::shared_ptr<TSimulatedPair> Pair;
    std::unique_ptr<TComPort> Port;
    TEventLog Log;
};

} // namespace

TEST_F(SimComPort, OpenAndCloseFireTheLinesThatAreOnInOrder)
{
    Pair->SetCTS(true);
    Pair->SetDSR(true);
    Log.Attach(*Port);
    TLinkedWindow link;
    Port->AddToTriggerList(link.Wnd, 0xFFFFFFFF);
    Port->Open();
    EXPECT_TRUE(Port->IsPortOpen());
    EXPECT_TRUE(Pair->NearOpen());
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"open", "cts", "dsr", "ev:18"}));
    EXPECT_THROW(Port->Open(), EComPort);
    Port->Set_Active(true);  // already active: nothing

    Log.Items.clear();
    Port->Close();
    EXPECT_FALSE(Pair->NearOpen());
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"cts", "dsr", "ev:18", "close"}));
    PumpFor(0);
    EXPECT_EQ(link.Words, (std::vector<uint32_t>{EV_CTS | EV_DSR | EV_RTS | EV_DTR, EV_CTS | EV_DSR | EV_RTS | EV_DTR}));
}

TEST_F(SimComPort, EveryModemLineRaisesItsEvent)
{
    Log.Attach(*Port);
    Port->Open();
    Log.Items.clear();
    Pair->SetCTS(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("cts"); }));
    EXPECT_TRUE(Port->Get_CTS());
    Pair->SetDSR(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("dsr"); }));
    EXPECT_TRUE(Port->Get_DSR());
    Pair->SetRING(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ring"); }));
    EXPECT_TRUE(Port->Get_RING());
    Pair->SetDCD(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("dcd"); }));
    EXPECT_TRUE(Port->Get_DCD());
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"cts", "ev:8", "dsr", "ev:10", "ring", "ev:100", "dcd", "ev:20"}));

    Log.Items.clear();
    bool ctsInHandler = true;
    Port->OnCTS = [&](TObject*) { ctsInHandler = Port->Get_CTS(); };
    Pair->SetCTS(false);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ev:8"); }));
    EXPECT_FALSE(ctsInHandler);  // the handler reads the new state
}

TEST_F(SimComPort, OneWordWithSeveralBitsFiresInFixedOrder)
{
    // The thread reports nothing here, so the word below is the only one.
    Port->Set_MonitorEvents(TCommEventTypes{evBreak});
    Log.Attach(*Port);
    Port->OnReceive = [&](TObject*) { Log.Items.push_back("receive:" + std::to_string(Port->Get_InCount())); };
    Port->Open();
    Log.Items.clear();
    Pair->SetCTS(true);
    Pair->SendError(CE_FRAME);
    Pair->Send("abc");
    Port->HandleComEvent(EV_CTS | EV_ERR | EV_RXCHAR | EV_TXEMPTY);
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"cts", "err:8", "receive:3", "txempty", "ev:8d"}));

    Log.Items.clear();
    Port->Read(3);
    Port->HandleComEvent(EV_RXCHAR);  // nothing queued: no OnReceive
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"ev:1"}));
}

TEST_F(SimComPort, IncomingDataComesAsOneStringOfWhatWasRead)
{
    std::vector<std::string> got;
    Port->OnIncomingData = [&](TObject*, const std::string& D) { got.push_back(D); };
    Port->Open();
    Pair->Send(std::string("hello\0world", 11));
    ASSERT_TRUE(PumpUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got, (std::vector<std::string>{std::string("hello\0world", 11)}));
    EXPECT_EQ(Port->Get_InCount(), 0u);

    // With OnReceive, the application reads, and only its reads are reported.
    got.clear();
    int receives = 0;
    Port->OnReceive = [&](TObject*) {
        ++receives;
        if (receives == 2) {
            EXPECT_EQ(Port->Read(100), "second");  // asks for more than came
        }
    };
    Pair->Send("first");
    ASSERT_TRUE(PumpUntil([&] { return receives == 1; }));
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(Port->Get_InCount(), 5u);
    Port->PurgeInQueue();
    Pair->Send("second");
    ASSERT_TRUE(PumpUntil([&] { return receives == 2; }));
    EXPECT_EQ(got, (std::vector<std::string>{"second"}));
}

TEST_F(SimComPort, ARaisingHandlerEndsThatWordWithABeep)
{
    TBeepCounter beeps;
    Log.Attach(*Port);
    Port->OnCTS = [&](TObject*) { throw Exception("handler failed"); };
    Port->Open();
    Log.Items.clear();
    Pair->SetCTS(true);
    ASSERT_TRUE(PumpUntil([&] { return beeps.Count == 1; }));
    EXPECT_FALSE(Log.Has("ev:8"));  // no later step of that dispatch
    Pair->SetDSR(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ev:10"); }));
    EXPECT_TRUE(Log.Has("dsr"));
    EXPECT_EQ(beeps.Count, 1);
}

TEST_F(SimComPort, LinkedWindowsGetWordsOfTheirMaskAndEveryZero)
{
    TLinkedWindow cts, all;
    Port->Set_MonitorEvents(TCommEventTypes{evCts, evDsr});
    EXPECT_EQ(Port->AddToTriggerList(cts.Wnd, EV_DSR), EV_DSR);
    Port->AddToTriggerList(cts.Wnd, EV_CTS);  // a second add updates the mask
    Port->AddToTriggerList(all.Wnd, 0xFFFFFFFF);
    Log.Attach(*Port);
    Port->Open();
    Pair->SetDSR(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ev:10"); }));
    Pair->SetCTS(true);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ev:8"); }));
    Port->Write("x");
    Port->Set_DTR(false);
    EXPECT_FALSE(Pair->DTR());
    Port->TriggerLinks(0);
    PumpFor(0);
    EXPECT_EQ(cts.Words, (std::vector<uint32_t>{EV_CTS, 0}));
    EXPECT_EQ(all.Words, (std::vector<uint32_t>{EV_RTS | EV_DTR, EV_DSR, EV_CTS, EV_WRITTEN, EV_DTR, 0}));

    Port->RemoveFromTriggerList(cts.Wnd);
    Port->TriggerLinks(0);
    PumpFor(0);
    EXPECT_EQ(cts.Words.size(), 2u);
    EXPECT_EQ(all.Words.size(), 7u);
}

TEST_F(SimComPort, BreakIndicatorLastsTwoSecondsOnTheTestClock)
{
    TTestClock clock(1000);
    Log.Attach(*Port);
    Port->Open();
    Log.Items.clear();
    bool breakInHandler = false;
    Port->OnBREAK = [&](TObject*) {
        breakInHandler = Port->Get_Break();
        Log.Items.push_back("break");
    };
    Pair->SendBreak();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ev:40"); }));
    EXPECT_TRUE(breakInHandler);
    EXPECT_TRUE(Port->Get_Break());
    uint32_t errors = 0;
    Port->OnCommError = [&](TObject*, uint32_t E) { errors = E; };

    clock.Advance(1999);
    Application()->ProcessMessages();
    EXPECT_TRUE(Port->Get_Break());
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"break", "ev:40"}));
    clock.Advance(1);
    Application()->ProcessMessages();
    EXPECT_FALSE(Port->Get_Break());
    EXPECT_FALSE(breakInHandler);
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"break", "ev:40", "break", "ev:40"}));
    clock.Advance(5000);
    Application()->ProcessMessages();
    EXPECT_EQ(Log.Items.size(), 4u);  // the indicator's timer fires once
}

TEST_F(SimComPort, SendBreakHoldsTheLineUntilItsTimer)
{
    TTestClock clock;
    Port->Open();
    Port->SendBreak(300);
    EXPECT_TRUE(Pair->Breaking());
    Port->SendBreak(10);  // ignored while a break is being sent
    clock.Advance(299);
    Application()->ProcessMessages();
    EXPECT_TRUE(Pair->Breaking());
    clock.Advance(1);
    Application()->ProcessMessages();
    EXPECT_FALSE(Pair->Breaking());
}

TEST_F(SimComPort, ErrorsAreGatheredForOnCommError)
{
    Log.Attach(*Port);
    Port->Open();
    Log.Items.clear();
    Pair->SendError(CE_RXPARITY | CE_OVERRUN);
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("ev:80"); }));
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"err:6", "ev:80"}));
}

TEST_F(SimComPort, VanishedDeviceReportsAndClosesCleanly)
{
    Log.Attach(*Port);
    Port->Open();
    Pair->HangUp();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("err:400"); }));
    EXPECT_THROW(Port->Write("x"), EComPort);
    Port->Close();
    EXPECT_FALSE(Port->IsPortOpen());
    EXPECT_EQ(Port->Get_Handle(), INVALID_HANDLE_VALUE);
    EXPECT_THROW(Port->Open(), EComPort);  // gone for good
    EXPECT_FALSE(Port->Get_Active());
}

TEST_F(SimComPort, OutputFlowAndTimeouts)
{
    int txEmpty = 0;
    std::string out;
    Port->OnTxEmpty = [&](TObject*) { ++txEmpty; };
    Port->OnOutgoingData = [&](TObject*, const std::string& D) { out += D; };
    Port->Set_OutBufferSize(8);
    Port->Set_WriteTimeout(30);
    Port->Open();
    Port->WriteLn("AT");
    EXPECT_EQ(Pair->TakeReceived(), "AT\r\n");
    EXPECT_EQ(out, "AT\r\n");
    ASSERT_TRUE(PumpUntil([&] { return txEmpty == 1; }));

    Pair->SetReceiving(false);
    Port->Write("1234");
    EXPECT_EQ(Port->Get_OutCount(), 4u);
    try {
        Port->Write("5678ABCD");
        FAIL() << "no time-out";
    } catch (const EComPortTimeout& e) {
        EXPECT_EQ(e.ErrorCode, 996u);
        EXPECT_EQ(e.Message(), Port->ErrorText(17));
    }
    Pair->SetReceiving(true);
    EXPECT_EQ(Pair->TakeReceived(), "12345678");
}

TEST_F(SimComPort, LineSettingsApplyAtOnceExceptParity)
{
    Port->Open();
    Port->Set_Baud(19200);
    EXPECT_EQ(Pair->NearState().BaudRate, 19200u);
    Port->Set_Stopbits(2);
    EXPECT_EQ(Pair->NearState().StopBits, TWOSTOPBITS);
    Port->Set_FlowControl(TFlowControlSet{fcRequireCTS, fcUseRTS});
    EXPECT_TRUE(Pair->NearState().Flags & DCB_fOutxCtsFlow);
    Port->Get_EventChars()->Set_EvtChar('\r');
    EXPECT_EQ(Pair->NearState().EvtChar, '\r');
    Port->Set_Parity('E');
    EXPECT_EQ(Pair->NearState().Parity, NOPARITY);  // stored only
    Port->UpdateDCB();
    EXPECT_EQ(Pair->NearState().Parity, EVENPARITY);

    EXPECT_THROW(Port->Set_MonitorEvents(TCommEventTypes{}), EComPort);
    EXPECT_THROW(Port->Set_InBufferSize(10), EComPort);
    EXPECT_THROW(Port->SetMode("9600"), EComPort);
    EXPECT_THROW(Port->Set_Handle(5), EComPort);
    // Driving RTS under handshake is refused by the driver.
    EXPECT_THROW(Port->Set_RTS(false), EComPort);
}

TEST_F(SimComPort, SettingsTheLineCannotTakeFailTheOpen)
{
    Port->Set_Databits(4);  // accepted by the property
    try {
        Port->Open();
        FAIL() << "opened with four data bits";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), Port->ErrorText(20));
        EXPECT_EQ(e.ErrorCode, ERROR_INVALID_PARAMETER);
    }
    EXPECT_FALSE(Port->Get_Active());
    EXPECT_FALSE(Port->IsPortOpen());
    EXPECT_FALSE(Pair->NearOpen());
    EXPECT_EQ(Port->Get_Handle(), INVALID_HANDLE_VALUE);
    Port->Set_Databits(8);
    Port->Set_Stopbits(15);  // one and a half stop bits need five data bits
    EXPECT_THROW(Port->Open(), EComPort);
    EXPECT_FALSE(Pair->NearOpen());
    Port->Set_Databits(5);
    Port->Open();
    EXPECT_EQ(Pair->NearState().StopBits, ONE5STOPBITS);
}

TEST_F(SimComPort, HeldElsewhereIsRetriedOnceAfterHalfASecond)
{
    TTestClock clock(0);
    TOwnedHandle other(Pair->OpenHandle());
    try {
        Port->Open();
        FAIL() << "opened a port held elsewhere";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode, ERROR_ACCESS_DENIED);
        EXPECT_EQ(e.Message(), "Error accessing COM50");
    }
    EXPECT_EQ(GetTickCount(), 500u);  // one retry, 500 ms later

    // Released during the pause: the retry opens it.
    const int id = AddAdvanceListener([&](uint32_t) { other.Reset(); });
    Port->Open();
    RemoveAdvanceListener(id);
    EXPECT_TRUE(Port->IsPortOpen());
    EXPECT_EQ(GetTickCount(), 1000u);
}

TEST_F(SimComPort, HandedOverHandleIsUsedAndNotClosed)
{
    TOwnedHandle service(Pair->OpenHandle());
    TOwnedHandle related(DuplicateHandle(service.Get()));
    Port->Set_Handle(related.Get());
    Port->Set_Baud(300);  // not applied to a handle that is not ours...
    Port->Open();
    EXPECT_FALSE(Port->OwnsHandle());
    EXPECT_NE(Pair->NearState().BaudRate, 300u);  // ...at open
    Port->Write("data");
    EXPECT_EQ(Pair->TakeReceived(), "data");
    Port->Close();
    EXPECT_TRUE(IsCommHandle(related.Get()));
    EXPECT_EQ(Port->Get_Handle(), related.Get());
    const THandle closed = related.Get();
    related.Reset();  // each holder releases only its own
    EXPECT_TRUE(IsCommHandle(service.Get()));
    EXPECT_TRUE(Pair->NearOpen());
    service.Reset();
    EXPECT_FALSE(Pair->NearOpen());

    // A stale handle fails cleanly.
    TComPort stale(nullptr);
    stale.Set_Handle(closed);
    EXPECT_THROW(stale.Open(), EComPort);
    EXPECT_FALSE(stale.IsPortOpen());
}

TEST_F(SimComPort, HandleAsPortNameIsNotClosed)
{
    TOwnedHandle h(Pair->OpenHandle());
    Port->Set_PortName(std::to_string(h.Get()));
    Port->Open();
    EXPECT_FALSE(Port->OwnsHandle());
    Port->Close();
    EXPECT_TRUE(IsCommHandle(h.Get()));
    for (const char* bad : {"", "0"}) {
        TComPort p(nullptr);
        p.Set_PortName(bad);
        try {
            p.Open();
            FAIL() << bad;
        } catch (const EComPort& e) {
            EXPECT_EQ(e.Message(), "Error accessing " + std::string(bad));
        }
    }
}

TEST_F(SimComPort, ClosingFromAHandlerDoesNotDeadlock)
{
    Port->OnCTS = [&](TObject*) { Port->Close(); };
    Port->Open();
    Pair->SetCTS(true);
    ASSERT_TRUE(PumpUntil([&] { return !Port->IsPortOpen(); }));
    EXPECT_FALSE(Pair->NearOpen());
    Port->OnCTS = nullptr;
    Port->Open();  // and opens again
    EXPECT_TRUE(Port->IsPortOpen());
}

TEST_F(SimComPort, DestroyedWhileEventsAreInFlight)
{
    Port->Open();
    for (int i = 0; i < 50; ++i) {
        Pair->SetCTS(i % 2 == 0);
        Pair->Send("x");
    }
    Port.reset();  // the thread is stopped, nothing fires afterwards
    PumpFor(20);
    EXPECT_FALSE(Pair->NearOpen());
}
