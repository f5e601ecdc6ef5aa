#include "serial/comm_device.h"

#include "kxtapi/serial/cancel.h"
#include "kxtapi/rtl/lasterror.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kxtapi {

namespace {

constexpr uint32_t kMaxQueue = 16u << 20;  // refuse queue sizes no port needs

using Clock = std::chrono::steady_clock;

Clock::time_point After(Clock::time_point Start, uint64_t Ms)
{
    if (Ms >= (uint64_t{1} << 40)) return Clock::time_point::max();
    return Start + std::chrono::milliseconds(Ms);
}

} // namespace

uint32_t ValidateDcb(const DCB& Dcb) noexcept
{
    if (Dcb.BaudRate == 0 || Dcb.BaudRate > 0x7FFFFFFF) return ERROR_INVALID_PARAMETER;
    if (Dcb.ByteSize < 5 || Dcb.ByteSize > 8) return ERROR_INVALID_PARAMETER;
    if (Dcb.Parity > SPACEPARITY) return ERROR_INVALID_PARAMETER;
    if (Dcb.StopBits > TWOSTOPBITS) return ERROR_INVALID_PARAMETER;
    // A UART sends one and a half stop bits only with five data bits, and
    // two only with six or more.
    if (Dcb.StopBits == ONE5STOPBITS && Dcb.ByteSize != 5) return ERROR_INVALID_PARAMETER;
    if (Dcb.StopBits == TWOSTOPBITS && Dcb.ByteSize == 5) return ERROR_INVALID_PARAMETER;
    if ((Dcb.Flags & (DCB_fOutX | DCB_fInX)) && Dcb.XonChar == Dcb.XoffChar)
        return ERROR_INVALID_PARAMETER;
    return 0;
}

TCommDevice::TCommDevice(uint32_t ProviderSubType)
    : FIn(4096), FProviderSubType(ProviderSubType), FLastArrival(Clock::now())
{
    FDcb.BaudRate = 9600;
    FDcb.ByteSize = 8;
    FDcb.Flags = DCB_fBinary | DTR_CONTROL_ENABLE | RTS_CONTROL_ENABLE;
    FDcb.XonChar = 17;
    FDcb.XoffChar = 19;
    FDcb.XonLim = FDcb.XoffLim = 1024;
}

TCommDevice::~TCommDevice() = default;

bool TCommDevice::IsOpen()
{
    Lock L(FLock);
    return !FClosed;
}

uint32_t TCommDevice::CheckUsable() const
{
    return FClosed ? ERROR_INVALID_HANDLE : 0;
}

uint32_t TCommDevice::GetState(DCB& Dcb)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    Dcb = FDcb;
    return 0;
}

uint32_t TCommDevice::SetState(const DCB& Dcb)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (FHungUp) return ERROR_DEVICE_NOT_CONNECTED;
    if (auto e = ValidateDcb(Dcb)) return e;
    if (auto e = DoApplyState(Dcb)) return e;
    FDcb = Dcb;
    FDcb.DCBlength = sizeof(DCB);
    WakeWriters();  // flow control may have changed
    return 0;
}

uint32_t TCommDevice::GetTimeouts(COMMTIMEOUTS& Timeouts)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    Timeouts = FTimeouts;
    return 0;
}

uint32_t TCommDevice::SetTimeouts(const COMMTIMEOUTS& Timeouts)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (Timeouts.ReadIntervalTimeout == MAXDWORD && Timeouts.ReadTotalTimeoutMultiplier == MAXDWORD
        && Timeouts.ReadTotalTimeoutConstant == MAXDWORD)
        return ERROR_INVALID_PARAMETER;
    FTimeouts = Timeouts;
    return 0;
}

uint32_t TCommDevice::Setup(uint32_t InQueue, uint32_t OutQueue)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (InQueue > kMaxQueue || OutQueue > kMaxQueue) return ERROR_INVALID_PARAMETER;
    if (InQueue > 0) FIn.SetCapacity(InQueue);
    if (OutQueue > 0) FOutQueueSize = OutQueue;
    WakeWriters();
    return 0;
}

size_t TCommDevice::TakeInput(void* Buffer, size_t Count)
{
    const bool wasFull = FIn.Full();
    const size_t n = FIn.Pop(static_cast<uint8_t*>(Buffer), Count);
    // Room in a full queue: a back end that stopped reading may go on.
    if (n && wasFull) FEventWake.Signal();
    return n;
}

void TCommDevice::PollUnlocked(Lock& L, std::vector<pollfd>& Fds, size_t BackendFirst,
                               Clock::time_point Deadline, int BackendMs)
{
    int timeout = -1;
    if (Deadline != Clock::time_point::max()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(Deadline - Clock::now()).count();
        timeout = static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
    }
    if (BackendMs >= 0 && (timeout < 0 || BackendMs < timeout)) timeout = BackendMs;
    L.unlock();
    const int r = poll(Fds.data(), Fds.size(), timeout);
    L.lock();
    if (r <= 0) {
        for (auto& p : Fds) p.revents = 0;
    }
    // The first descriptor is always the caller's own wake-up flag.
    if (Fds[0].revents & POLLIN) {
        if (Fds[0].fd == FEventWake.Fd()) FEventWake.Drain();
        else if (Fds[0].fd == FReadWake.Fd()) FReadWake.Drain();
        else if (Fds[0].fd == FWriteWake.Fd()) FWriteWake.Drain();
    }
    if (BackendFirst < Fds.size()) DoPolled(Fds, BackendFirst);
}

uint32_t TCommDevice::Read(void* Buffer, uint32_t Count, uint32_t& Done, uint32_t WaitMs)
{
    Done = 0;
    std::lock_guard<std::mutex> R(FReadMutex);
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (Count == 0) return 0;

    const auto start = Clock::now();
    const uint32_t abortGen = FReadAbort;
    const COMMTIMEOUTS t = FTimeouts;
    const bool immediate = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0
                           && t.ReadTotalTimeoutConstant == 0;
    const bool anyByte = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD
                         && t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD;
    uint64_t totalMs = 0;
    if (anyByte)
        totalMs = t.ReadTotalTimeoutConstant;
    else if (!immediate)
        totalMs = uint64_t{t.ReadTotalTimeoutMultiplier} * Count + t.ReadTotalTimeoutConstant;
    const auto totalEnd = totalMs ? After(start, totalMs) : Clock::time_point::max();
    const bool hasInterval = !immediate && !anyByte && t.ReadIntervalTimeout != 0
                             && t.ReadIntervalTimeout != MAXDWORD;
    const auto interval = std::chrono::milliseconds(hasInterval ? t.ReadIntervalTimeout : 0);
    const auto waitEnd = WaitMs == MAXDWORD ? Clock::time_point::max() : After(start, WaitMs);

    for (;;) {
        if (auto e = CheckUsable()) return e;
        if (FReadAbort != abortGen) return ERROR_OPERATION_ABORTED;
        if ((FDcb.Flags & DCB_fAbortOnError) && FErrors) return ERROR_OPERATION_ABORTED;
        if (!FHungUp) DoService();
        const size_t avail = FIn.Size();
        const auto now = Clock::now();
        const auto intervalEnd = std::max(FLastArrival, start) + interval;
        const bool complete = avail >= Count || immediate || (anyByte && avail > 0) || FHungUp
                              || now >= totalEnd || (hasInterval && avail > 0 && now >= intervalEnd);
        if (complete) {
            if (FHungUp && avail == 0) return ERROR_DEVICE_NOT_CONNECTED;
            Done = static_cast<uint32_t>(TakeInput(Buffer, std::min<size_t>(avail, Count)));
            return 0;
        }
        if (now >= waitEnd) return ERROR_IO_INCOMPLETE;
        auto deadline = std::min(waitEnd, totalEnd);
        if (hasInterval && avail > 0) deadline = std::min(deadline, intervalEnd);
        std::vector<pollfd> fds{{FReadWake.Fd(), POLLIN, 0}};
        DoPollSet(fds, ppRead);
        PollUnlocked(L, fds, 1, deadline, DoPollTimeout(ppRead));
    }
}

uint32_t TCommDevice::Write(const void* Buffer, uint32_t Count, uint32_t& Done, uint32_t WaitMs)
{
    Done = 0;
    std::lock_guard<std::mutex> W(FWriteMutex);
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (FHungUp) return ERROR_DEVICE_NOT_CONNECTED;
    if (Count == 0) return 0;

    const auto* data = static_cast<const uint8_t*>(Buffer);
    const auto start = Clock::now();
    const uint32_t abortGen = FWriteAbort;
    const uint64_t totalMs = uint64_t{FTimeouts.WriteTotalTimeoutMultiplier} * Count
                             + FTimeouts.WriteTotalTimeoutConstant;
    const auto totalEnd = totalMs ? After(start, totalMs) : Clock::time_point::max();
    const auto waitEnd = WaitMs == MAXDWORD ? Clock::time_point::max() : After(start, WaitMs);

    for (;;) {
        if (auto e = CheckUsable()) return e;
        if (FWriteAbort != abortGen) return ERROR_OPERATION_ABORTED;
        if ((FDcb.Flags & DCB_fAbortOnError) && FErrors) return ERROR_OPERATION_ABORTED;
        uint32_t accepted = 0;
        if (auto e = DoWrite(data + Done, Count - Done, accepted)) return e;
        if (accepted) {
            Done += accepted;
            FTxPending = true;
            FEventWake.Signal();  // the event wait now watches for the end of sending
        }
        if (Done == Count) return 0;
        if (FHungUp) return ERROR_DEVICE_NOT_CONNECTED;
        const auto now = Clock::now();
        if (now >= totalEnd) return 0;  // the port's own time-out completes the write short
        if (now >= waitEnd) return ERROR_IO_INCOMPLETE;
        std::vector<pollfd> fds{{FWriteWake.Fd(), POLLIN, 0}};
        DoPollSet(fds, ppWrite);
        PollUnlocked(L, fds, 1, std::min(waitEnd, totalEnd), DoPollTimeout(ppWrite));
    }
}

uint32_t TCommDevice::Purge(uint32_t Flags)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (Flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
        return ERROR_INVALID_PARAMETER;
    if (Flags & PURGE_RXABORT) {
        ++FReadAbort;
        FReadWake.Signal();
    }
    if (Flags & PURGE_TXABORT) {
        ++FWriteAbort;
        FWriteWake.Signal();
    }
    if (Flags & PURGE_RXCLEAR) FIn.Clear();
    if (!FHungUp) DoPurge(Flags);
    if (Flags & PURGE_TXCLEAR) FTxPending = false;
    FEventWake.Signal();
    return 0;
}

uint32_t TCommDevice::ClearError(uint32_t& Errors, COMSTAT* Stat)
{
    Lock L(FLock);
    Errors = 0;
    if (auto e = CheckUsable()) return e;
    if (!FHungUp) DoService();
    Errors = FErrors;
    FErrors = 0;
    if (Stat) {
        Stat->Flags = FHungUp ? 0 : DoHoldFlags();
        Stat->cbInQue = static_cast<uint32_t>(FIn.Size());
        Stat->cbOutQue = FHungUp ? 0 : DoOutQueue();
    }
    return 0;
}

uint32_t TCommDevice::GetModemStatus(uint32_t& Status)
{
    Lock L(FLock);
    Status = 0;
    if (auto e = CheckUsable()) return e;
    if (FHungUp) return ERROR_DEVICE_NOT_CONNECTED;
    return DoModemStatus(Status);
}

uint32_t TCommDevice::Escape(uint32_t Function)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (FHungUp) return ERROR_DEVICE_NOT_CONNECTED;
    switch (Function) {
    case SETRTS:
    case CLRRTS:
        // Under RTS handshake the driver owns the line.
        if ((FDcb.Flags & DCB_fRtsControlMask) == RTS_CONTROL_HANDSHAKE) return ERROR_INVALID_PARAMETER;
        break;
    case SETDTR:
    case CLRDTR:
        if ((FDcb.Flags & DCB_fDtrControlMask) == DTR_CONTROL_HANDSHAKE) return ERROR_INVALID_PARAMETER;
        break;
    case RESETDEV:
        return 0;
    case SETXOFF:
    case SETXON:
    case SETBREAK:
    case CLRBREAK:
        break;
    default:
        return ERROR_INVALID_PARAMETER;
    }
    const uint32_t e = DoEscape(Function);
    WakeWriters();
    return e;
}

uint32_t TCommDevice::SetMask(uint32_t Mask)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (Mask & ~EV_ALL) return ERROR_INVALID_PARAMETER;
    FMask = Mask;
    FEvents &= Mask;
    ++FMaskGeneration;  // a wait in progress returns with no events
    FEventWake.Signal();
    return 0;
}

uint32_t TCommDevice::GetMask(uint32_t& Mask)
{
    Lock L(FLock);
    Mask = 0;
    if (auto e = CheckUsable()) return e;
    Mask = FMask;
    return 0;
}

uint32_t TCommDevice::WaitEvent(uint32_t& Events, const TCommCancel* Cancel)
{
    Events = 0;
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    if (FWaiting || FMask == 0) return ERROR_INVALID_PARAMETER;
    FWaiting = true;
    const uint32_t generation = FMaskGeneration;
    uint32_t result = 0;
    for (;;) {
        if (FClosed) {
            result = ERROR_INVALID_HANDLE;
            break;
        }
        if (!FHungUp) DoService();
        if (FMaskGeneration != generation) break;
        if (FEvents & FMask) {
            Events = FEvents & FMask;
            FEvents &= ~Events;
            break;
        }
        // A hang-up is reported once (EV_ERR above); after that the wait
        // ends instead of waking again and again on a dead descriptor.
        if (FHungUp) {
            result = ERROR_DEVICE_NOT_CONNECTED;
            break;
        }
        if (Cancel && Cancel->Cancelled()) {
            result = ERROR_OPERATION_ABORTED;
            break;
        }
        std::vector<pollfd> fds{{FEventWake.Fd(), POLLIN, 0}};
        if (Cancel) fds.push_back({Cancel->Fd(), POLLIN, 0});
        const size_t first = fds.size();
        DoPollSet(fds, ppEvents);
        PollUnlocked(L, fds, first, Clock::time_point::max(), DoPollTimeout(ppEvents));
    }
    FWaiting = false;
    return result;
}

uint32_t TCommDevice::GetProperties(COMMPROP& Prop)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    Prop = COMMPROP{};
    Prop.dwMaxBaud = BAUD_USER;
    Prop.dwProvSubType = FProviderSubType;
    Prop.dwProvCapabilities = DoCapabilities();
    Prop.dwSettableParams = 0x7F;  // parity, baud, data bits, stop bits, handshaking, parity check, DCD
    Prop.dwSettableBaud = BAUD_USER | 0x0003FFFF;
    Prop.wSettableData = 0x000F;   // 5 to 8 data bits
    Prop.wSettableStopParity = 0x1F07;
    Prop.dwCurrentRxQueue = static_cast<uint32_t>(FIn.Capacity());
    Prop.dwCurrentTxQueue = FOutQueueSize;
    return 0;
}

uint32_t TCommDevice::GetConfig(COMMCONFIG& Config)
{
    Lock L(FLock);
    if (auto e = CheckUsable()) return e;
    Config = COMMCONFIG{};
    Config.dcb = FDcb;
    Config.dwProviderSubType = FProviderSubType;
    return 0;
}

void TCommDevice::Shutdown()
{
    Lock L(FLock);
    if (FClosed) return;
    FClosed = true;
    DoShutdown();
    FEventWake.Signal();
    FReadWake.Signal();
    FWriteWake.Signal();
}

void TCommDevice::Latch(uint32_t Events)
{
    FEvents |= Events & FMask;
    if (FEvents) FEventWake.Signal();
}

void TCommDevice::DeliverBytes(const uint8_t* Data, size_t Count)
{
    if (Count == 0) return;
    if ((FDcb.Flags & DCB_fDsrSensitivity) && !(FLastModem & MS_DSR_ON)) return;
    const bool stripNul = (FDcb.Flags & DCB_fNull) != 0;
    const uint8_t evt = static_cast<uint8_t>(FDcb.EvtChar);
    size_t stored = 0;
    size_t dropped = 0;
    bool flag = false;
    size_t i = 0;
    while (i < Count) {
        size_t run = Count - i;
        if (stripNul) {
            if (Data[i] == 0) {
                ++i;
                continue;
            }
            const void* nul = std::memchr(Data + i, 0, run);
            if (nul) run = static_cast<const uint8_t*>(nul) - (Data + i);
        }
        const size_t pushed = FIn.Push(Data + i, run);
        if (pushed && std::memchr(Data + i, evt, pushed)) flag = true;
        stored += pushed;
        dropped += run - pushed;
        i += run;
    }
    if (stored) {
        FLastArrival = Clock::now();
        Latch(EV_RXCHAR | (flag ? EV_RXFLAG : 0));
        FReadWake.Signal();
    }
    if (dropped) DeliverErrors(CE_RXOVER);
}

void TCommDevice::DeliverErrorByte(uint8_t Byte, uint32_t Error)
{
    DeliverErrors(Error);
    const uint8_t b = (FDcb.Flags & DCB_fErrorChar) ? static_cast<uint8_t>(FDcb.ErrorChar) : Byte;
    DeliverBytes(&b, 1);
}

void TCommDevice::DeliverBreak()
{
    DeliverErrors(CE_BREAK);
}

void TCommDevice::DeliverErrors(uint32_t Errors)
{
    if (!Errors) return;
    FErrors |= Errors;
    uint32_t ev = 0;
    if (Errors & CE_BREAK) ev |= EV_BREAK;
    if (Errors & ~CE_BREAK) ev |= EV_ERR;
    Latch(ev);
    if (FDcb.Flags & DCB_fAbortOnError) {
        FReadWake.Signal();
        FWriteWake.Signal();
    }
}

void TCommDevice::DeliverLineChanges(uint32_t Events)
{
    Latch(Events & (EV_CTS | EV_DSR | EV_RLSD | EV_RING));
    WakeWriters();
}

void TCommDevice::DeliverHangup()
{
    if (FHungUp) return;
    FHungUp = true;
    FTxPending = false;
    DeliverErrors(CE_IOE);
    FEventWake.Signal();
    FReadWake.Signal();
    FWriteWake.Signal();
}

void TCommDevice::DeliverTxEmpty()
{
    if (!FTxPending) return;
    FTxPending = false;
    Latch(EV_TXEMPTY);
}

} // namespace kxtapi
