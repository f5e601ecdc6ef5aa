// The simulated null-modem cable through the handle functions.
#include "kxtapi/rtl/handles.h"
#include "kxtapi/rtl/lasterror.h"
#include "kxtapi/rtl/tick.h"
#include "kxtapi/serial/commapi.h"
#include "kxtapi/serial/simulated.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

using namespace kxtapi;

namespace {

class SimPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pair = TSimulatedPair::Create();
        Port = Pair->OpenHandle();
        ASSERT_NE(Port, INVALID_HANDLE_VALUE);
    }
    void TearDown() override
    {
        if (Port != INVALID_HANDLE_VALUE) CloseHandle(Port);
    }

    uint32_t Wait()
    {
        uint32_t ev = 0;
        EXPECT_TRUE(WaitCommEvent(Port, ev, nullptr)) << GetLastError();
        return ev;
    }

    std::shared_ptr<TSimulatedPair> Pair;
    THandle Port = INVALID_HANDLE_VALUE;
};

} // namespace

TEST_F(SimPort, EveryInputLineChangeIsAnEvent)
{
    ASSERT_TRUE(SetCommMask(Port, EV_ALL));
    uint32_t status;
    Pair->SetCTS(true);
    EXPECT_EQ(Wait(), EV_CTS);
    ASSERT_TRUE(GetCommModemStatus(Port, status));
    EXPECT_EQ(status, MS_CTS_ON);
    Pair->SetDSR(true);
    EXPECT_EQ(Wait(), EV_DSR);
    Pair->SetRING(true);
    EXPECT_EQ(Wait(), EV_RING);
    Pair->SetDCD(true);
    EXPECT_EQ(Wait(), EV_RLSD);
    ASSERT_TRUE(GetCommModemStatus(Port, status));
    EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
    Pair->SetCTS(false);
    Pair->SetDCD(false);
    Pair->SetCTS(false);  // no change, no event
    EXPECT_EQ(Wait(), EV_CTS | EV_RLSD);  // remembered together between waits
}

TEST_F(SimPort, BreaksErrorsAndEventCharacter)
{
    DCB d;
    ASSERT_TRUE(GetCommState(Port, d));
    d.EvtChar = '\n';
    d.ErrorChar = '?';
    d.Flags |= DCB_fErrorChar;
    ASSERT_TRUE(SetCommState(Port, d));
    ASSERT_TRUE(SetCommMask(Port, EV_ALL));

    Pair->SendBreak();
    EXPECT_EQ(Wait(), EV_BREAK);
    Pair->SendError(CE_FRAME | CE_OVERRUN);
    EXPECT_EQ(Wait(), EV_ERR);
    uint32_t errors;
    ASSERT_TRUE(ClearCommError(Port, errors, nullptr));
    EXPECT_EQ(errors, CE_BREAK | CE_FRAME | CE_OVERRUN);
    ASSERT_TRUE(ClearCommError(Port, errors, nullptr));
    EXPECT_EQ(errors, 0u);  // cleared by reading them

    Pair->Send("ok\n");
    EXPECT_EQ(Wait(), EV_RXCHAR | EV_RXFLAG);
    Pair->SendErrorByte('x', CE_RXPARITY);
    EXPECT_EQ(Wait(), EV_ERR | EV_RXCHAR);
    char buf[8];
    uint32_t got;
    ASSERT_TRUE(ReadComm(Port, buf, 4, got, 100));
    EXPECT_EQ(std::string(buf, got), "ok\n?");  // the byte in error replaced
}

TEST_F(SimPort, FarEndSeesOutputAndControlLines)
{
    EXPECT_TRUE(Pair->DTR());  // raised at open by the default settings
    EXPECT_TRUE(Pair->RTS());
    ASSERT_TRUE(EscapeCommFunction(Port, CLRDTR));
    EXPECT_FALSE(Pair->DTR());
    ASSERT_TRUE(EscapeCommFunction(Port, CLRRTS));
    EXPECT_FALSE(Pair->RTS());
    ASSERT_TRUE(SetCommBreak(Port));
    EXPECT_TRUE(Pair->Breaking());
    ASSERT_TRUE(ClearCommBreak(Port));
    EXPECT_FALSE(Pair->Breaking());

    uint32_t written;
    ASSERT_TRUE(WriteComm(Port, "ATZ\r", 4, written, 100));
    EXPECT_EQ(Pair->TakeReceived(), "ATZ\r");

    DCB d;
    ASSERT_TRUE(GetCommState(Port, d));
    d.Flags = (d.Flags & ~DCB_fRtsControlMask) | RTS_CONTROL_HANDSHAKE;
    ASSERT_TRUE(SetCommState(Port, d));
    EXPECT_FALSE(EscapeCommFunction(Port, SETRTS));  // the driver owns RTS now
    EXPECT_EQ(Pair->NearState().Flags & DCB_fRtsControlMask, RTS_CONTROL_HANDSHAKE);

    CloseHandle(Port);
    Port = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(Pair->DTR());  // closing drops the lines
}

TEST_F(SimPort, HeldOutputQueuesTimesOutAndDrains)
{
    ASSERT_TRUE(SetupComm(Port, 4096, 8));
    ASSERT_TRUE(SetCommMask(Port, EV_TXEMPTY));
    Pair->SetReceiving(false);
    uint32_t written = 0;
    EXPECT_FALSE(WriteComm(Port, "0123456789AB", 12, written, 30));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(written, 8u);  // what fitted is queued, the rest dropped
    uint32_t errors;
    COMSTAT st;
    ASSERT_TRUE(ClearCommError(Port, errors, &st));
    EXPECT_EQ(st.cbOutQue, 8u);

    Pair->SetReceiving(true);
    uint32_t ev = 0;
    ASSERT_TRUE(WaitCommEvent(Port, ev, nullptr));
    EXPECT_EQ(ev, EV_TXEMPTY);
    EXPECT_EQ(Pair->TakeReceived(), "01234567");
}

TEST_F(SimPort, CtsFlowControlHoldsOutput)
{
    DCB d;
    ASSERT_TRUE(GetCommState(Port, d));
    d.Flags |= DCB_fOutxCtsFlow;
    ASSERT_TRUE(SetCommState(Port, d));
    uint32_t written;
    ASSERT_TRUE(WriteComm(Port, "abc", 3, written, 100));
    uint32_t errors;
    COMSTAT st;
    ASSERT_TRUE(ClearCommError(Port, errors, &st));
    EXPECT_TRUE(st.Flags & COMSTAT_fCtsHold);
    EXPECT_EQ(Pair->ReceivedCount(), 0u);
    Pair->SetCTS(true);
    EXPECT_EQ(Pair->TakeReceived(), "abc");
}

TEST_F(SimPort, XonXoffFromTheFarEndSteersOutput)
{
    DCB d;
    ASSERT_TRUE(GetCommState(Port, d));
    d.Flags |= DCB_fOutX;
    ASSERT_TRUE(SetCommState(Port, d));
    Pair->Send("a\x13" "b");
    uint32_t written;
    ASSERT_TRUE(WriteComm(Port, "x", 1, written, 100));
    EXPECT_EQ(Pair->ReceivedCount(), 0u);
    Pair->Send("\x11");
    EXPECT_EQ(Pair->TakeReceived(), "x");
    char buf[4];
    uint32_t got;
    ASSERT_TRUE(ReadComm(Port, buf, 2, got, 100));
    EXPECT_EQ(std::string(buf, got), "ab");  // the flow characters do not arrive
}

TEST_F(SimPort, InputOverflowIsAnError)
{
    ASSERT_TRUE(SetupComm(Port, 4, 0));
    ASSERT_TRUE(SetCommMask(Port, EV_RXCHAR | EV_ERR));
    Pair->Send("123456");
    EXPECT_EQ(Wait(), EV_RXCHAR | EV_ERR);
    uint32_t errors;
    COMSTAT st;
    ASSERT_TRUE(ClearCommError(Port, errors, &st));
    EXPECT_EQ(errors, CE_RXOVER);
    EXPECT_EQ(st.cbInQue, 4u);
}

TEST_F(SimPort, DsrSensitivityDropsInputWhileDsrIsOff)
{
    DCB d;
    ASSERT_TRUE(GetCommState(Port, d));
    d.Flags |= DCB_fDsrSensitivity;
    ASSERT_TRUE(SetCommState(Port, d));
    COMMTIMEOUTS t;
    t.ReadIntervalTimeout = MAXDWORD;
    ASSERT_TRUE(SetCommTimeouts(Port, t));
    Pair->Send("lost");
    Pair->SetDSR(true);
    Pair->Send("kept");
    char buf[8];
    uint32_t got;
    ASSERT_TRUE(ReadComm(Port, buf, 8, got, 0));
    EXPECT_EQ(std::string(buf, got), "kept");
}

TEST_F(SimPort, ExclusiveNearEndAndHangUp)
{
    EXPECT_EQ(Pair->OpenHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Pair->NearOpen());

    ASSERT_TRUE(SetCommMask(Port, EV_ERR | EV_RXCHAR));
    auto waiter = std::async(std::launch::async, [&] {
        uint32_t e = 0;
        WaitCommEvent(Port, e, nullptr);
        return e;
    });
    Pair->HangUp();
    ASSERT_EQ(waiter.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiter.get(), EV_ERR);
    uint32_t errors;
    ASSERT_TRUE(ClearCommError(Port, errors, nullptr));
    EXPECT_EQ(errors, CE_IOE);
    uint32_t written;
    EXPECT_FALSE(WriteComm(Port, "x", 1, written, 10));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    CloseHandle(Port);
    Port = INVALID_HANDLE_VALUE;
    EXPECT_EQ(Pair->OpenHandle(), INVALID_HANDLE_VALUE);  // the device is gone
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(SimPort, ReopenStartsFreshAndSeesTheLines)
{
    Pair->SetDSR(true);
    Pair->Send("old");
    ASSERT_TRUE(CloseHandle(Port));
    Port = Pair->OpenHandle();
    ASSERT_NE(Port, INVALID_HANDLE_VALUE);
    uint32_t errors, status;
    COMSTAT st;
    ASSERT_TRUE(ClearCommError(Port, errors, &st));
    EXPECT_EQ(st.cbInQue, 0u);
    ASSERT_TRUE(GetCommModemStatus(Port, status));
    EXPECT_EQ(status, MS_DSR_ON);
    COMMCONFIG cfg;
    ASSERT_TRUE(GetCommConfig(Port, cfg));
    EXPECT_EQ(cfg.dwProviderSubType, PST_RS232);
}

TEST_F(SimPort, AbortEndsAReadInProgress)
{
    auto reader = std::async(std::launch::async, [&] {
        char c;
        uint32_t got;
        return ReadComm(Port, &c, 1, got, INFINITE) ? 0u : GetLastError();
    });
    // The reader may not have started yet; an abort only ends a read in progress.
    do ASSERT_TRUE(PurgeComm(Port, PURGE_RXABORT));
    while (reader.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready);
    EXPECT_EQ(reader.get(), ERROR_OPERATION_ABORTED);
}
