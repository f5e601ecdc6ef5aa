// The port component over a pseudo-terminal: real descriptors, real termios.
#include "comm_test_util.h"
#include "pty_pair.h"

#include "kxtapi/rtl/lasterror.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

using namespace kxtapi;
using namespace kxtapi::test;

namespace {

class PtyComPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application()->SetMainThread();
        Port.Set_PortName(Pty.SlavePath());
    }
    TPtyPair Pty;
    TComPort Port{nullptr};
    TEventLog Log;
};

} // namespace

TEST_F(PtyComPort, BytesBothWaysAndIncomingDataAsOneString)
{
    Log.Attach(Port);
    std::string in;
    int calls = 0;
    Port.OnIncomingData = [&](TObject*, const std::string& D) {
        in += D;
        ++calls;
    };
    Port.Open();
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"open"}));  // a pty has no lines on
    Port.WriteLn("AT");
    EXPECT_EQ(Pty.Receive(4), "AT\r\n");
    Pty.Send("OK\r\n");
    ASSERT_TRUE(PumpUntil([&] { return in.size() == 4; }));
    EXPECT_EQ(in, "OK\r\n");
    EXPECT_EQ(calls, 1);

    Log.Items.clear();
    Port.Close();
    EXPECT_EQ(Log.Items, (std::vector<std::string>{"close"}));
}

TEST_F(PtyComPort, ReadReturnsWhatArrivedAndPurgeDiscards)
{
    int receives = 0;
    Port.OnReceive = [&](TObject*) { ++receives; };
    Port.Open();
    Pty.Send("12345");
    ASSERT_TRUE(PumpUntil([&] { return receives >= 1 && Port.Get_InCount() == 5; }));
    EXPECT_EQ(Port.Read(2), "12");
    EXPECT_EQ(Port.Read(10), "345");  // only the bytes actually read
    EXPECT_EQ(Port.Read(10), "");
    Pty.Send("junk");
    ASSERT_TRUE(PumpUntil([&] { return Port.Get_InCount() == 4; }));
    Port.PurgeInQueue();
    EXPECT_EQ(Port.Get_InCount(), 0u);
}

TEST_F(PtyComPort, ReadTimeoutOnAHandleTakenOver)
{
    // Taken over, the handle keeps its own time-outs: every byte asked for.
    TOwnedHandle h(OpenCommPort(Pty.SlavePath()));
    ASSERT_TRUE(h);
    Port.Set_Handle(h.Get());
    Port.Set_ReadTimeout(50);
    Port.Open();
    Pty.Send("ab");
    char buf[8] = {};
    try {
        Port.ReadData(buf, 8);
        FAIL() << "no time-out";
    } catch (const EComPortTimeout& e) {
        EXPECT_EQ(e.ErrorCode, ERROR_IO_INCOMPLETE);
        EXPECT_EQ(e.Message(), Port.ErrorText(9));
    }
    EXPECT_EQ(std::string(buf), "");  // the timed-out read left the buffer alone
    Pty.Send("cdefgh");
    EXPECT_EQ(Port.Read(8), "abcdefgh");
    Port.Close();
    EXPECT_TRUE(IsCommHandle(h.Get()));
}

TEST_F(PtyComPort, ModeStringReachesTheLine)
{
    Port.SetMode("BAUD=57600 PARITY=N DATA=8 STOP=2 xon=on dtr=on rts=hs octs=on");
    Port.Open();
    termios2 t{};
    ASSERT_EQ(ioctl(Pty.MasterFd(), TCGETS2, &t), 0);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(B57600));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<unsigned>(IXON | IXOFF));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));

    Port.Set_Baud(250000);  // applied at once, at a speed outside the table
    ASSERT_EQ(ioctl(Pty.MasterFd(), TCGETS2, &t), 0);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_EQ(t.c_ospeed, 250000u);
    Port.Close();
    // Closing restores what the terminal had before.
    ASSERT_EQ(ioctl(Pty.MasterFd(), TCGETS2, &t), 0);
    EXPECT_TRUE(t.c_lflag & ICANON);
}

TEST_F(PtyComPort, ShortModeStringWithTheDevicePathOpens)
{
    Port.Set_PortName("COM1");
    Port.SetMode(Pty.SlavePath() + ":19200,N,8,1");
    EXPECT_EQ(Port.Get_PortName(), Pty.SlavePath());
    Port.Open();
    termios2 t{};
    ASSERT_EQ(ioctl(Pty.MasterFd(), TCGETS2, &t), 0);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(B19200));
    Port.Close();
}

TEST_F(PtyComPort, FarEndClosedReportsAnErrorAndClosesCleanly)
{
    Log.Attach(Port);
    Port.Open();
    Log.Items.clear();
    Pty.CloseMaster();
    ASSERT_TRUE(PumpUntil([&] { return Log.Has("err:400"); }));
    EXPECT_EQ(ComErrorsToStr(0x400), "");
    EXPECT_THROW(Port.Write("x"), EComPort);
    EXPECT_THROW(Port.Read(1), EComPort);
    PumpFor(30);  // the thread has ended its loop: no further words
    const size_t seen = Log.Items.size();
    PumpFor(30);
    EXPECT_EQ(Log.Items.size(), seen);
    Port.Close();
    EXPECT_EQ(Port.Get_Handle(), INVALID_HANDLE_VALUE);
}

TEST_F(PtyComPort, HeldPortIsAccessDenied)
{
    TOwnedHandle other(OpenCommPort(Pty.SlavePath()));
    ASSERT_TRUE(other);
    TTestClock clock;  // the 500 ms retry pause passes at once
    try {
        Port.Open();
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode, ERROR_ACCESS_DENIED);
        EXPECT_EQ(e.Message(), "Error accessing " + Pty.SlavePath());
    }
}
