// The termios back end: real serial devices and pseudo-terminals.
//
// Received bytes are pulled from the kernel into the device's own input
// queue whenever a wait or an operation looks at the line, so poll() on the
// descriptor wakes only for bytes that are new: the receive event is an
// edge, not a level. The output-empty event is looked for only while
// written bytes are still queued.
#include "serial/termios_device.h"

#include "kxtapi/rtl/lasterror.h"
#include "serial/comm_device.h"
#include "serial/errno_map.h"
#include "serial/mark_parser.h"
#include "serial/modem_waiter.h"
#include "serial/termios_map.h"

#include <asm/termbits.h>
#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kxtapi {

namespace {

constexpr int kLinePollMs = 10;  // line polling where the driver cannot wait for changes
constexpr uint32_t kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

uint32_t ModemBits(int Tiocm) noexcept
{
    uint32_t s = 0;
    if (Tiocm & TIOCM_CTS) s |= MS_CTS_ON;
    if (Tiocm & TIOCM_DSR) s |= MS_DSR_ON;
    if (Tiocm & TIOCM_RNG) s |= MS_RING_ON;
    if (Tiocm & TIOCM_CAR) s |= MS_RLSD_ON;
    return s;
}

class TTermiosDevice final : public TCommDevice {
public:
    TTermiosDevice(int Fd, const termios2& Saved) : TCommDevice(PST_RS232), FFd(Fd), FSaved(Saved) {}

    ~TTermiosDevice() override
    {
        FWaiter.reset();
        close(FFd);
    }

    /// Probes what the device offers and puts it into raw mode.
    uint32_t Init()
    {
        int tiocm = 0;
        FHasLines = ioctl(FFd, TIOCMGET, &tiocm) == 0;
        if (FHasLines) FLastModem = ModemBits(tiocm);
        FHasCounters = FHasLines && ioctl(FFd, TIOCGICOUNT, &FCounts) == 0;
        int lsr = 0;
        FHasLsr = ioctl(FFd, TIOCSERGETLSR, &lsr) == 0;
        // A pseudo-terminal carries neither breaks nor line errors: its
        // bytes are read unmarked, which keeps the kernel's fast raw path.
        FMarked = FHasLines || FHasCounters || FHasLsr;

        DCB dcb;
        TermiosToDcb(FSaved, dcb);
        if (ValidateDcb(dcb) != 0) GetState(dcb);  // the device layer's defaults
        return SetState(dcb);
    }

protected:
    uint32_t DoApplyState(const DCB& Dcb) override
    {
        termios2 t{};
        if (ioctl(FFd, TCGETS2, &t) != 0) return Fail(errno);
        DcbToTermios(Dcb, t, FMarked);
        if (ioctl(FFd, TCSETS2, &t) != 0) return Fail(errno);
        // Drivers round speeds they cannot make; more than a UART's
        // tolerance off is a failure, not a setting.
        termios2 got{};
        if (ioctl(FFd, TCGETS2, &got) != 0) return Fail(errno);
        const uint32_t speed = TermiosSpeed(got);
        const uint64_t want = Dcb.BaudRate;
        if (speed == 0 || speed * uint64_t{100} < want * 97 || speed * uint64_t{100} > want * 103)
            return ERROR_INVALID_PARAMETER;
        FParityOn = Dcb.Parity != NOPARITY;
        FOutxDsr = (Dcb.Flags & DCB_fOutxDsrFlow) != 0;
        FCtsFlow = (got.c_cflag & CRTSCTS) != 0;
        if (FHasLines) {
            const uint32_t dtr = Dcb.Flags & DCB_fDtrControlMask;
            const uint32_t rts = Dcb.Flags & DCB_fRtsControlMask;
            // There is no DTR/DSR handshake in the kernel; DTR stays raised.
            SetLine(TIOCM_DTR, dtr != DTR_CONTROL_DISABLE);
            if (rts != RTS_CONTROL_HANDSHAKE) SetLine(TIOCM_RTS, rts != RTS_CONTROL_DISABLE);
        }
        return 0;
    }

    void DoService() override
    {
        Pull();
        if (HungUp()) return;
        WatchLines();
        if (HungUp()) return;
        if (TxPending()) {
            int outq = 0;
            if (ioctl(FFd, TIOCOUTQ, &outq) == 0 && outq == 0 && TransmitterEmpty()) DeliverTxEmpty();
        }
    }

    uint32_t DoWrite(const uint8_t* Data, uint32_t Count, uint32_t& Accepted) override
    {
        Accepted = 0;
        FDsrHeld = false;
        if (FOutxDsr && FHasLines) {
            RefreshLines();
            if (!(FLastModem & MS_DSR_ON)) {
                FDsrHeld = true;  // software DSR flow control: hold the output
                return 0;
            }
        }
        for (;;) {
            const ssize_t r = write(FFd, Data, Count);
            if (r >= 0) {
                Accepted = static_cast<uint32_t>(r);
                return 0;
            }
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return 0;
            return Fail(errno);
        }
    }

    uint32_t DoOutQueue() override
    {
        int outq = 0;
        return ioctl(FFd, TIOCOUTQ, &outq) == 0 && outq > 0 ? static_cast<uint32_t>(outq) : 0;
    }

    uint32_t DoModemStatus(uint32_t& Status) override
    {
        Status = 0;
        if (!FHasLines) return 0;  // a pseudo-terminal: every line reads as off
        int tiocm = 0;
        if (ioctl(FFd, TIOCMGET, &tiocm) != 0) return Fail(errno);
        Status = ModemBits(tiocm);
        return 0;
    }

    uint32_t DoEscape(uint32_t Function) override
    {
        switch (Function) {
        case SETXOFF: return Ioctl(TCXONC, TCOOFF);
        case SETXON: return Ioctl(TCXONC, TCOON);
        case SETRTS: return FHasLines ? SetLine(TIOCM_RTS, true) : 0;
        case CLRRTS: return FHasLines ? SetLine(TIOCM_RTS, false) : 0;
        case SETDTR: return FHasLines ? SetLine(TIOCM_DTR, true) : 0;
        case CLRDTR: return FHasLines ? SetLine(TIOCM_DTR, false) : 0;
        case SETBREAK: return ioctl(FFd, TIOCSBRK) == 0 ? 0 : Fail(errno);
        case CLRBREAK: return ioctl(FFd, TIOCCBRK) == 0 ? 0 : Fail(errno);
        default: return ERROR_INVALID_PARAMETER;
        }
    }

    void DoPurge(uint32_t Flags) override
    {
        if (Flags & PURGE_RXCLEAR) {
            ioctl(FFd, TCFLSH, TCIFLUSH);
            FParser.Reset();
        }
        if (Flags & PURGE_TXCLEAR) ioctl(FFd, TCFLSH, TCOFLUSH);
    }

    void DoPollSet(std::vector<pollfd>& Fds, TPollPurpose Purpose) override
    {
        if (HungUp()) return;
        switch (Purpose) {
        case ppEvents:
        case ppRead:
            if (!InputFull()) Fds.push_back({FFd, POLLIN, 0});
            if (Purpose == ppEvents && FWaiter && !FWaiter->Ended())
                Fds.push_back({FWaiter->Fd(), POLLIN, 0});
            break;
        case ppWrite:
            if (!FDsrHeld) Fds.push_back({FFd, POLLOUT, 0});
            break;
        }
    }

    void DoPolled(const std::vector<pollfd>& Fds, size_t First) override
    {
        for (size_t i = First; i < Fds.size(); ++i) {
            if (Fds[i].fd == FFd && (Fds[i].revents & (POLLHUP | POLLERR | POLLNVAL))) {
                Pull();  // what was received before the hang-up still counts
                DeliverHangup();
            }
            if (FWaiter && Fds[i].fd == FWaiter->Fd() && (Fds[i].revents & POLLIN)) FWaiter->Drain();
        }
    }

    int DoPollTimeout(TPollPurpose Purpose) override
    {
        if (HungUp()) return -1;
        int ms = -1;
        auto bound = [&ms](int v) { if (ms < 0 || v < ms) ms = v; };
        if (Purpose == ppWrite) {
            if (FDsrHeld) bound(kLinePollMs);
            return ms;
        }
        if (Purpose != ppEvents) return ms;
        if (TxPending()) bound(DrainEstimateMs());
        if (FHasLines && (Mask() & (kLineEvents | EV_ERR | EV_BREAK))) {
            const bool waiting = FWaiter && !FWaiter->Ended();
            if (!waiting) bound(kLinePollMs);
        }
        return ms;
    }

    uint32_t DoHoldFlags() override
    {
        uint32_t f = 0;
        if (FCtsFlow && FHasLines && !(FLastModem & MS_CTS_ON)) f |= COMSTAT_fCtsHold;
        if (FDsrHeld) f |= COMSTAT_fDsrHold;
        return f;
    }

    void DoShutdown() override
    {
        FWaiter.reset();
        // Leave the line as it was found and let the next opener in; the
        // descriptor itself closes when the last operation in flight ends.
        ioctl(FFd, TCSETS2, &FSaved);
        ioctl(FFd, TIOCNXCL);
        flock(FFd, LOCK_UN);
    }

    uint32_t DoCapabilities() override
    {
        uint32_t c = PCF_RTSCTS | PCF_PARITY_CHECK | PCF_XONXOFF | PCF_SETXCHAR | PCF_TOTALTIMEOUTS
                     | PCF_INTTIMEOUTS | PCF_SPECIALCHARS;
        if (FHasLines) c |= PCF_RLSD | PCF_DTRDSR;
        return c;
    }

private:
    struct TSink {
        TTermiosDevice& D;
        void Data(const uint8_t* P, size_t N) { D.DeliverBytes(P, N); }
        void Break()
        {
            if (!D.FHasCounters) D.DeliverBreak();  // the counters report it otherwise
        }
        void ErrorByte(uint8_t B)
        {
            const uint32_t e = D.FHasCounters ? 0 : (D.FParityOn ? CE_RXPARITY : CE_FRAME);
            D.DeliverErrorByte(B, e);
        }
    };

    uint32_t Fail(int Errno)
    {
        if (IsHangupErrno(Errno)) DeliverHangup();
        return IoErrnoToError(Errno);
    }

    uint32_t Ioctl(unsigned long Request, int Arg) { return ioctl(FFd, Request, Arg) == 0 ? 0 : Fail(errno); }

    uint32_t SetLine(int Bit, bool On)
    {
        return ioctl(FFd, On ? TIOCMBIS : TIOCMBIC, &Bit) == 0 ? 0 : Fail(errno);
    }

    bool TransmitterEmpty()
    {
        if (!FHasLsr) return true;
        int lsr = 0;
        return ioctl(FFd, TIOCSERGETLSR, &lsr) != 0 || (lsr & TIOCSER_TEMT);
    }

    int DrainEstimateMs()
    {
        int outq = 0;
        ioctl(FFd, TIOCOUTQ, &outq);
        const uint64_t bitsPerChar = 2u + State().ByteSize + (State().Parity ? 1 : 0);
        const uint64_t baud = std::max<uint32_t>(State().BaudRate, 1);
        const uint64_t ms = uint64_t(std::max(outq, 1)) * bitsPerChar * 1000 / baud + 1;
        return static_cast<int>(std::min<uint64_t>(ms, 100));
    }

    void Pull()
    {
        uint8_t buf[4096];
        // Bounded, so a fast sender cannot keep one caller here for ever.
        for (int round = 0; round < 16 && !HungUp(); ++round) {
            // Marks only ever make the stream longer, so this always fits.
            const size_t room = std::min(InputFree(), sizeof buf);
            if (room == 0) return;
            const ssize_t r = read(FFd, buf, room);
            if (r > 0) {
                TSink sink{*this};
                if (FMarked) FParser.Feed(buf, static_cast<size_t>(r), sink);
                else DeliverBytes(buf, static_cast<size_t>(r));
                if (static_cast<size_t>(r) < room) return;
                continue;
            }
            if (r == 0) {
                DeliverHangup();  // end of file: the far end of a pty closed
                return;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN) Fail(errno);
            return;
        }
    }

    void RefreshLines()
    {
        int tiocm = 0;
        if (ioctl(FFd, TIOCMGET, &tiocm) == 0) FLastModem = ModemBits(tiocm);
        else if (IsHangupErrno(errno)) DeliverHangup();
    }

    void WatchLines()
    {
        if (!FHasLines) return;
        if ((Mask() & kLineEvents) && !FWaiter && TModemWaiter::Available())
            FWaiter = std::make_unique<TModemWaiter>(FFd);
        const uint32_t before = FLastModem;
        uint32_t events = 0;
        if (FHasCounters) {
            serial_icounter_struct now{};
            if (ioctl(FFd, TIOCGICOUNT, &now) == 0) {
                events = CounterEvents(FCounts, now);
                uint32_t errors = CounterErrors(FCounts, now);
                if (now.brk != FCounts.brk) DeliverBreak();
                FCounts = now;
                DeliverErrors(errors);
            } else if (IsHangupErrno(errno)) {
                DeliverHangup();
                return;
            }
        }
        RefreshLines();
        events |= LineEvents(before, FLastModem);
        if (events) DeliverLineChanges(events);
    }

    static uint32_t CounterEvents(const serial_icounter_struct& A, const serial_icounter_struct& B)
    {
        uint32_t e = 0;
        if (A.cts != B.cts) e |= EV_CTS;
        if (A.dsr != B.dsr) e |= EV_DSR;
        if (A.dcd != B.dcd) e |= EV_RLSD;
        if (A.rng != B.rng) e |= EV_RING;
        return e;
    }

    static uint32_t CounterErrors(const serial_icounter_struct& A, const serial_icounter_struct& B)
    {
        uint32_t e = 0;
        if (A.frame != B.frame) e |= CE_FRAME;
        if (A.parity != B.parity) e |= CE_RXPARITY;
        if (A.overrun != B.overrun) e |= CE_OVERRUN;
        if (A.buf_overrun != B.buf_overrun) e |= CE_RXOVER;
        return e;
    }

    int FFd;
    termios2 FSaved;
    TMarkParser FParser;
    std::unique_ptr<TModemWaiter> FWaiter;
    serial_icounter_struct FCounts{};
    bool FHasLines = false;
    bool FHasCounters = false;
    bool FHasLsr = false;
    bool FMarked = true;
    bool FParityOn = false;
    bool FOutxDsr = false;
    bool FCtsFlow = false;
    bool FDsrHeld = false;
};

} // namespace

uint32_t LineEvents(uint32_t Before, uint32_t After) noexcept
{
    const uint32_t changed = Before ^ After;
    uint32_t e = 0;
    if (changed & MS_CTS_ON) e |= EV_CTS;
    if (changed & MS_DSR_ON) e |= EV_DSR;
    if (changed & MS_RLSD_ON) e |= EV_RLSD;
    if (changed & MS_RING_ON) e |= EV_RING;
    return e;
}

uint32_t OpenTermiosDevice(const std::string& Path, std::shared_ptr<TCommDevice>& Out)
{
    Out.reset();
    const int fd = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return OpenErrnoToError(errno);
    termios2 saved{};
    if (ioctl(fd, TCGETS2, &saved) != 0) {
        const int e = errno;
        close(fd);
        return e == ENOTTY || e == EINVAL ? ERROR_NOT_SUPPORTED : OpenErrnoToError(e);
    }
    // No sharing: the advisory lock also keeps out privileged openers, whom
    // exclusive mode lets through.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        close(fd);
        return OpenErrnoToError(e);
    }
    ioctl(fd, TIOCEXCL);
    auto dev = std::make_shared<TTermiosDevice>(fd, saved);
    if (const uint32_t e = dev->Init()) {
        dev->Shutdown();
        return e;
    }
    Out = std::move(dev);
    return 0;
}

} // namespace kxtapi
