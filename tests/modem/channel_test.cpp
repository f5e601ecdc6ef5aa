// The command channel against the scripted modem: answers in order, a
// time-out with its late reply resynchronised away, a silent modem and a
// vanished one given up and found again, unsolicited lines during a
// command, and a data connection relayed both ways.
#include "modem_fixture.h"
#include "scripted_modem.h"

#include "service/providers/modem/at_channel.h"

#include "kxtapi/serial/commapi.h"
#include "kxtapi/serial/ports.h"
#include "kxtapi/serial/simulated.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace kxtapi;
using namespace kxtapi::service::modem;
using kxtapi::test::TScriptedModem;

namespace {

// What the channel reported, as short texts, with bounded waits.
class TRecorder : public TAtChannelListener {
public:
    void ChannelOpened() override { Add("opened"); }
    void ChannelOpenFailed(uint32_t) override { Add("open failed"); }
    void ChannelLost(const std::string& Why) override { Add("lost: " + Why); }
    void ChannelUnsolicited(const std::vector<TAtToken>& Tokens) override
    {
        for (const TAtToken& t : Tokens) Add(t.Kind == TAtToken::tkDle ? std::string("DLE ") + t.Code : t.Text);
    }
    void ChannelCarrierLost() override { Add("carrier lost"); }

    void Add(const std::string& e)
    {
        std::lock_guard<std::mutex> L(M);
        Events.push_back(e);
        C.notify_all();
    }
    bool Wait(const std::string& e, int Count = 1, int Ms = 5000)
    {
        std::unique_lock<std::mutex> L(M);
        return C.wait_for(L, std::chrono::milliseconds(Ms),
                          [&] { return std::count(Events.begin(), Events.end(), e) >= Count; });
    }
    std::vector<std::string> Seen()
    {
        std::lock_guard<std::mutex> L(M);
        return Events;
    }

    std::mutex M;
    std::condition_variable C;
    std::vector<std::string> Events;
};

// A command whose reply is kept for the test to wait for.
struct TPending {
    std::mutex M;
    std::condition_variable C;
    bool Done = false;
    TAtReply Reply;

    TAtCommand Make(const std::string& Text, uint32_t Timeout = 2000)
    {
        TAtCommand c;
        c.Text = Text;
        c.TimeoutMs = Timeout;
        c.Done = [this](const TAtReply& r) {
            std::lock_guard<std::mutex> L(M);
            Reply = r;
            Done = true;
            C.notify_all();
        };
        return c;
    }
    bool Wait(int Ms = 5000)
    {
        std::unique_lock<std::mutex> L(M);
        return C.wait_for(L, std::chrono::milliseconds(Ms), [&] { return Done; });
    }
};

class ModemChannel : public ::testing::Test {
protected:
    TAtChannelSettings Settings()
    {
        TAtChannelSettings s;
        s.Port = Modem.Port();
        s.RetryInterval = 100;
        s.ProbeTimeout = 300;
        s.QuietTime = 50;
        return s;
    }
    TScriptedModem Modem;
    TRecorder Rec;
    std::unique_ptr<TAtChannel> Channel;

    void Start()
    {
        Channel = std::make_unique<TAtChannel>(Settings(), Rec);
        Channel->Start();
        ASSERT_TRUE(Rec.Wait("opened"));
    }
    void TearDown() override
    {
        if (Channel) Channel->Stop();
    }
};

TEST_F(ModemChannel, AnswersInOrderWithInformationText)
{
    Start();
    TPending a, b;
    Channel->Submit(a.Make("ATI"));
    Channel->Submit(b.Make("ATX9"));   // not in the table: ERROR
    ASSERT_TRUE(a.Wait());
    ASSERT_TRUE(b.Wait());
    EXPECT_TRUE(a.Reply.OK());
    ASSERT_EQ(a.Reply.Info.size(), 2u);   // the echo of a modem not yet told ATE0, then the identity
    EXPECT_EQ(a.Reply.Info[0], "ATI");
    EXPECT_EQ(a.Reply.Info[1], "56000");
    EXPECT_EQ(b.Reply.Status, TAtReply::rsFinal);
    EXPECT_EQ(b.Reply.Result.Kind, arError);
    EXPECT_EQ(b.Reply.Describe(), "ERROR");
}

TEST_F(ModemChannel, LateReplyAfterATimeOutIsNeverTheNextAnswer)
{
    Modem.On("ATE0V1", {"OK"});
    Modem.On("AT+SLOW", {"SLOW TEXT", "ERROR"}, 400);
    Start();
    TPending e0, slow, next;
    Channel->Submit(e0.Make("ATE0V1"));
    ASSERT_TRUE(e0.Wait());
    Channel->Submit(slow.Make("AT+SLOW", 150));
    Channel->Submit(next.Make("ATI"));
    ASSERT_TRUE(slow.Wait());
    EXPECT_EQ(slow.Reply.Status, TAtReply::rsTimeout);
    ASSERT_TRUE(next.Wait());
    // ATI was held back until probes had drained the late ERROR.
    EXPECT_TRUE(next.Reply.OK());
    ASSERT_EQ(next.Reply.Info.size(), 1u);
    EXPECT_EQ(next.Reply.Info[0], "56000");
    std::vector<std::string> c = Modem.Commands();
    auto Ati = std::find(c.begin(), c.end(), "ATI");
    ASSERT_NE(Ati, c.end());
    EXPECT_GE(std::count(c.begin(), Ati, "AT"), 1) << "a probe before ATI";
}

TEST_F(ModemChannel, SilentModemIsGivenUpAndFoundAgain)
{
    Start();
    Modem.SetSilent(true);
    TPending a, b;
    Channel->Submit(a.Make("AT", 200));
    Channel->Submit(b.Make("ATI", 200));
    ASSERT_TRUE(a.Wait());
    EXPECT_EQ(a.Reply.Status, TAtReply::rsTimeout);
    ASSERT_TRUE(Rec.Wait("lost: the modem does not answer"));
    ASSERT_TRUE(b.Wait());
    EXPECT_EQ(b.Reply.Status, TAtReply::rsLost);
    EXPECT_EQ(b.Reply.Describe(), "port lost");
    Modem.SetSilent(false);
    ASSERT_TRUE(Rec.Wait("opened", 2));
    TPending c;
    Channel->Submit(c.Make("AT"));
    ASSERT_TRUE(c.Wait());
    EXPECT_TRUE(c.Reply.OK());
}

TEST_F(ModemChannel, VanishedModemIsReopenedWhenPluggedBack)
{
    Start();
    TPending a;
    Modem.On("ATH", {"OK"}, 1000);
    Channel->Submit(a.Make("ATH", 3000));
    ASSERT_TRUE(Modem.WaitCommand("ATH"));
    Modem.Vanish();
    ASSERT_TRUE(a.Wait());
    EXPECT_EQ(a.Reply.Status, TAtReply::rsLost);
    ASSERT_TRUE(Rec.Wait("lost: the port hung up"));
    EXPECT_FALSE(Channel->PortOpen());
    ASSERT_TRUE(Rec.Wait("open failed"));   // the link dangles meanwhile
    Modem.PlugBack();
    ASSERT_TRUE(Rec.Wait("opened", 2));
    TPending b;
    Channel->Submit(b.Make("ATI"));
    ASSERT_TRUE(b.Wait());
    EXPECT_TRUE(b.Reply.OK());
}

TEST_F(ModemChannel, UnsolicitedLinesDuringACommand)
{
    Modem.On("ATI", {"56000", "OK"}, 100);
    Start();
    TPending a;
    Channel->Submit(a.Make("ATI"));
    ASSERT_TRUE(Modem.WaitCommand("ATI"));
    Modem.Send({"RING", "NMBR = 5551212"});
    Modem.SendDle("5");
    ASSERT_TRUE(a.Wait());
    EXPECT_TRUE(a.Reply.OK());
    ASSERT_TRUE(Rec.Wait("DLE 5"));
    std::vector<std::string> s = Rec.Seen();
    EXPECT_NE(std::find(s.begin(), s.end(), "RING"), s.end());
    EXPECT_NE(std::find(s.begin(), s.end(), "NMBR = 5551212"), s.end());
    for (const std::string& i : a.Reply.Info) EXPECT_NE(i, "RING");
}

TEST_F(ModemChannel, DataConnectionRelayedBothWays)
{
    Modem.On("ATD5551212", {"CONNECT 33600"}, 50);
    Start();
    auto Pair = TSimulatedPair::Create(PST_MODEM);
    THandle Near = Pair->OpenHandle();
    ASSERT_NE(Near, INVALID_HANDLE_VALUE);
    Channel->ArmData(Pair);
    TPending d;
    TAtCommand c = d.Make("ATD5551212");
    c.StartsData = true;
    Channel->Submit(std::move(c));
    ASSERT_TRUE(d.Wait());
    EXPECT_EQ(d.Reply.Result.Kind, arConnect);
    EXPECT_EQ(d.Reply.Result.Rate, 33600u);
    ASSERT_TRUE(Modem.WaitData(true));
    // What the far end sends, right after the CONNECT too, reaches the program's port.
    Modem.SendRaw("hello\r\n");
    std::string In;
    for (int i = 0; i < 200 && In.size() < 7; ++i) {
        char b[64];
        uint32_t n = 0;
        COMMTIMEOUTS t{};
        t.ReadIntervalTimeout = 0xFFFFFFFF;
        t.ReadTotalTimeoutMultiplier = 0xFFFFFFFF;
        t.ReadTotalTimeoutConstant = 50;
        SetCommTimeouts(Near, t);
        if (ReadComm(Near, b, sizeof b, n, 1000)) In.append(b, n);
    }
    EXPECT_EQ(In, "hello\r\n");
    EXPECT_TRUE(Channel->InData());
    // And what the program writes reaches the modem, commands included.
    uint32_t w = 0;
    ASSERT_TRUE(WriteComm(Near, "ATH\r", 4, w, 1000));
    ASSERT_TRUE(Modem.WaitDataText("ATH\r"));
    EXPECT_EQ(Modem.CommandCount("ATH"), 0);
    // The far end hangs up: the relay ends and the program's port with it.
    Modem.DropCarrier();
    ASSERT_TRUE(Rec.Wait("carrier lost"));
    EXPECT_FALSE(Channel->InData());
    uint32_t Errors = 0;
    for (int i = 0; i < 100 && !(Errors & CE_IOE); ++i) {
        ClearCommError(Near, Errors, nullptr);
        if (!(Errors & CE_IOE)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(Errors & CE_IOE);
    CloseHandle(Near);
    // Command mode again.
    TPending a;
    Channel->Submit(a.Make("ATI"));
    ASSERT_TRUE(a.Wait());
    EXPECT_TRUE(a.Reply.OK());
}

// DTR is a line a pseudo-terminal has not: this one runs on a simulated
// cable whose far end watches it, as a modem set to hang up on DTR (&D2).
TEST(ModemChannelDtr, DroppedDtrHangsUpAndIsRaisedAgain)
{
    auto Cable = TSimulatedPair::Create();
    Cable->SetCTS(true);
    Cable->SetDSR(true);
    MapSimulatedPort("COM250", Cable);
    TRecorder Rec;
    TAtChannelSettings s;
    s.Port = "COM250";
    TAtChannel Channel(s, Rec);
    Channel.Start();
    ASSERT_TRUE(Rec.Wait("opened"));
    EXPECT_TRUE(Cable->DTR());
    TPending d;
    TAtCommand c = d.Make("");
    c.Action = TAtCommand::caDtrPulse;
    c.PulseMs = 100;
    c.TimeoutMs = 3000;
    c.NoResync = true;
    Channel.Submit(std::move(c));
    ASSERT_TRUE(kxtapi::testing::Eventually([&] { return !Cable->DTR(); }));
    Cable->Send("\r\nNO CARRIER\r\n");
    ASSERT_TRUE(d.Wait());
    EXPECT_EQ(d.Reply.Status, TAtReply::rsFinal);
    EXPECT_EQ(d.Reply.Result.Kind, arNoCarrier);
    EXPECT_TRUE(kxtapi::testing::Eventually([&] { return Cable->DTR(); }));
    // Nothing was written to the modem meanwhile: no resynchronisation probes.
    EXPECT_EQ(Cable->TakeReceived(), "");
    Channel.Stop();
    MapSimulatedPort("COM250", nullptr);
}

}  // namespace
