// The termios back end over a pseudo-terminal pair.
#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/tick.h"
#include "kxtapi/serial/commapi.h"
#include "pty_pair.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

using namespace kxtapi;
using kxtapi::test::TPtyPair;

namespace {

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        Port = OpenCommPort(Pty.SlavePath());
        ASSERT_NE(Port, INVALID_HANDLE_VALUE) << GetLastError();
    }
    void TearDown() override
    {
        if (Port != INVALID_HANDLE_VALUE) CloseHandle(Port);
    }

    std::string ReadAll(uint32_t Count, uint32_t WaitMs = 2000)
    {
        std::string s(Count, '\0');
        uint32_t got = 0;
        EXPECT_TRUE(ReadComm(Port, s.data(), Count, got, WaitMs)) << GetLastError();
        s.resize(got);
        return s;
    }

    void SetImmediateReads()
    {
        COMMTIMEOUTS t;
        t.ReadIntervalTimeout = MAXDWORD;
        ASSERT_TRUE(SetCommTimeouts(Port, t));
    }

    TPtyPair Pty;
    THandle Port = INVALID_HANDLE_VALUE;
};

} // namespace

TEST_F(PtyPort, BytesBothWaysIncludingFFAndNul)
{
    const std::string payload("AT\r\n\xFF\x00\xFF\xFF" "end", 11);
    uint32_t written = 0;
    ASSERT_TRUE(WriteComm(Port, payload.data(), payload.size(), written, 1000));
    EXPECT_EQ(written, payload.size());
    EXPECT_EQ(Pty.Receive(payload.size()), payload);  // no output processing

    Pty.Send(payload);
    EXPECT_EQ(ReadAll(payload.size()), payload);  // marks undone, raw input
}

TEST_F(PtyPort, ReadWaitsForEveryByteAndTimesOutWithoutTakingAny)
{
    Pty.Send("abc");
    std::string buf(5, '\0');
    uint32_t got = 99;
    // Time-outs all 0: the read wants 5 bytes and the caller waits 50 ms.
    EXPECT_FALSE(ReadComm(Port, buf.data(), 5, got, 50));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(buf, std::string(5, '\0'));  // the buffer was not written

    uint32_t errors;
    COMSTAT st;
    ASSERT_TRUE(ClearCommError(Port, errors, &st));
    EXPECT_EQ(st.cbInQue, 3u);  // still queued
    Pty.Send("de");
    EXPECT_EQ(ReadAll(5), "abcde");
}

TEST_F(PtyPort, ImmediateReadsReturnWhatHasArrived)
{
    SetImmediateReads();
    EXPECT_EQ(ReadAll(10, 0), "");
    Pty.Send("xy");
    std::string s;
    for (int i = 0; i < 200 && s.size() < 2; ++i) {
        s += ReadAll(10, 0);
        if (s.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(s, "xy");
}

TEST_F(PtyPort, TotalTimeoutCompletesShort)
{
    COMMTIMEOUTS t;
    t.ReadTotalTimeoutConstant = 30;
    ASSERT_TRUE(SetCommTimeouts(Port, t));
    Pty.Send("ab");
    // The port's own time-out ends the read with what came: a success.
    EXPECT_EQ(ReadAll(10, INFINITE), "ab");
}

TEST_F(PtyPort, ReceiveEventIsAnEdgeNotALevel)
{
    ASSERT_TRUE(SetCommMask(Port, EV_RXCHAR | EV_TXEMPTY));
    Pty.Send("1");
    uint32_t ev = 0;
    ASSERT_TRUE(WaitCommEvent(Port, ev, nullptr));
    EXPECT_EQ(ev, EV_RXCHAR);

    // The byte stays unread: the next wait must block, not report it again.
    TCommCancel cancel;
    auto waiter = std::async(std::launch::async, [&] {
        uint32_t e = 0;
        const bool ok = WaitCommEvent(Port, e, &cancel);
        return std::make_pair(ok, ok ? e : GetLastError());
    });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    Pty.Send("2");  // a new arrival wakes it
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto r = waiter.get();
    EXPECT_TRUE(r.first);
    EXPECT_EQ(r.second, EV_RXCHAR);
    EXPECT_EQ(ReadAll(2), "12");
}

TEST_F(PtyPort, TransmitEmptyAfterWrite)
{
    ASSERT_TRUE(SetCommMask(Port, EV_TXEMPTY));
    uint32_t written;
    ASSERT_TRUE(WriteComm(Port, "hello", 5, written, 1000));
    uint32_t ev = 0;
    ASSERT_TRUE(WaitCommEvent(Port, ev, nullptr));
    EXPECT_EQ(ev, EV_TXEMPTY);
    EXPECT_EQ(Pty.Receive(5), "hello");
}

TEST_F(PtyPort, CancelAndCloseEndAWait)
{
    ASSERT_TRUE(SetCommMask(Port, EV_RXCHAR));
    TCommCancel cancel;
    auto waiter = std::async(std::launch::async, [&] {
        uint32_t e;
        return WaitCommEvent(Port, e, &cancel) ? 0u : GetLastError();
    });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(30)), std::future_status::timeout);
    cancel.Cancel();
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), ERROR_OPERATION_ABORTED);

    auto second = std::async(std::launch::async, [&] {
        uint32_t e;
        return WaitCommEvent(Port, e, nullptr) ? 0u : GetLastError();
    });
    EXPECT_EQ(second.wait_for(std::chrono::milliseconds(30)), std::future_status::timeout);
    ASSERT_TRUE(CloseHandle(Port));
    const THandle closed = Port;
    Port = INVALID_HANDLE_VALUE;
    ASSERT_EQ(second.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(second.get(), ERROR_INVALID_HANDLE);
    uint32_t errors;
    EXPECT_FALSE(ClearCommError(closed, errors, nullptr));  // stale handle fails cleanly
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(PtyPort, HangUpIsReportedOnceThenWaitsAndIoFail)
{
    ASSERT_TRUE(SetCommMask(Port, EV_RXCHAR | EV_ERR));
    Pty.Send("last");
    // Let the bytes reach the slave before the master goes.
    uint32_t ev = 0;
    ASSERT_TRUE(WaitCommEvent(Port, ev, nullptr));
    Pty.CloseMaster();
    ASSERT_TRUE(WaitCommEvent(Port, ev, nullptr));
    EXPECT_TRUE(ev & EV_ERR);
    uint32_t errors = 0;
    ASSERT_TRUE(ClearCommError(Port, errors, nullptr));
    EXPECT_TRUE(errors & CE_IOE);
    EXPECT_FALSE(WaitCommEvent(Port, ev, nullptr));  // no spinning on a dead line
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);

    EXPECT_EQ(ReadAll(4), "last");  // what came before the hang-up is kept
    char c;
    uint32_t got;
    EXPECT_FALSE(ReadComm(Port, &c, 1, got, 100));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(WriteComm(Port, "x", 1, got, 100));
}

TEST_F(PtyPort, ExclusiveOpenAndReopenAfterClose)
{
    EXPECT_EQ(OpenCommPort(Pty.SlavePath()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    // A duplicate keeps the port open until every holder closed its own.
    const THandle dup = DuplicateHandle(Port);
    ASSERT_NE(dup, 0u);
    ASSERT_TRUE(CloseHandle(Port));
    Port = dup;
    EXPECT_TRUE(IsCommHandle(dup));
    EXPECT_EQ(OpenCommPort(Pty.SlavePath()), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(dup));
    Port = OpenCommPort(Pty.SlavePath());
    EXPECT_NE(Port, INVALID_HANDLE_VALUE) << GetLastError();
}

TEST_F(PtyPort, LinesReadOffAndDrivingThemSucceeds)
{
    uint32_t status = 0xFF;
    ASSERT_TRUE(GetCommModemStatus(Port, status));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(EscapeCommFunction(Port, SETDTR));
    EXPECT_TRUE(EscapeCommFunction(Port, CLRRTS));
    EXPECT_FALSE(EscapeCommFunction(Port, 42));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PtyPort, SettingsReachTheTerminal)
{
    DCB d;
    ASSERT_TRUE(GetCommState(Port, d));
    d.BaudRate = 31250;  // not a standard speed
    d.StopBits = TWOSTOPBITS;
    d.Flags = DCB_fBinary | DCB_fOutX | DCB_fInX | DCB_fOutxCtsFlow | DTR_CONTROL_ENABLE | RTS_CONTROL_ENABLE;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    ASSERT_TRUE(SetCommState(Port, d)) << GetLastError();
    termios2 t{};
    ASSERT_EQ(ioctl(Pty.MasterFd(), TCGETS2, &t), 0);  // the pair shares its settings
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<unsigned>(BOTHER));
    EXPECT_EQ(t.c_ospeed, 31250u);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE((t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF));

    d.ByteSize = 4;
    EXPECT_FALSE(SetCommState(Port, d));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DCB kept;
    ASSERT_TRUE(GetCommState(Port, kept));
    EXPECT_EQ(kept.ByteSize, 8);
}

TEST_F(PtyPort, PurgeDiscardsInput)
{
    Pty.Send("junk");
    EXPECT_EQ(ReadAll(1), "j");
    ASSERT_TRUE(PurgeComm(Port, PURGE_RXCLEAR | PURGE_RXABORT));
    uint32_t errors;
    COMSTAT st;
    ASSERT_TRUE(ClearCommError(Port, errors, &st));
    EXPECT_EQ(st.cbInQue, 0u);
    Pty.Send("ok");
    EXPECT_EQ(ReadAll(2), "ok");
}

TEST(CommOpen, MissingDevicesAndNonTerminals)
{
    EXPECT_EQ(OpenCommPort("/dev/nonexistent-tty"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenCommPort("/dev/null"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(OpenCommPort(""), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}
