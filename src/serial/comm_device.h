// The behaviour every serial device shares, whatever carries its bytes: the
// input queue, the event latch and the comm-event wait, read and write with
// the port's time-outs, errors, purge. Back ends (termios, the simulated
// pair) supply the line itself through the Do... operations.
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/serial/commtypes.h"
#include "serial/byte_ring.h"
#include "serial/wake_fd.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include <poll.h>

namespace kxtapi {

class TCommCancel;

/// A serial device as the handle table names it. Its handles are counted
/// by the table; when the last one is closed the device shuts down (see
/// `Shutdown`), while threads still inside an operation keep the object
/// alive until they return.
class TCommDevice : public THandleObject {
public:
    explicit TCommDevice(uint32_t ProviderSubType);
    ~TCommDevice() override;

    const char* HandleKind() const noexcept override { return "CommPort"; }
    /// False once shut down.
    bool IsOpen();

    // Each operation returns 0 or the last-error code of its failure.
    uint32_t GetState(DCB& Dcb);
    uint32_t SetState(const DCB& Dcb);
    uint32_t GetTimeouts(COMMTIMEOUTS& Timeouts);
    uint32_t SetTimeouts(const COMMTIMEOUTS& Timeouts);
    uint32_t Setup(uint32_t InQueue, uint32_t OutQueue);
    /// Reads under the port's time-outs, waiting at most WaitMs (MAXDWORD:
    /// no limit) for the request to complete. When it does not complete in
    /// time, ERROR_IO_INCOMPLETE is returned and nothing has been taken from
    /// the input queue or written into Buffer.
    uint32_t Read(void* Buffer, uint32_t Count, uint32_t& Done, uint32_t WaitMs);
    /// Writes under the port's time-outs, waiting at most WaitMs. On
    /// ERROR_IO_INCOMPLETE, Done bytes were queued and the rest is dropped;
    /// Buffer is not used after the call returns.
    uint32_t Write(const void* Buffer, uint32_t Count, uint32_t& Done, uint32_t WaitMs);
    uint32_t Purge(uint32_t Flags);
    uint32_t ClearError(uint32_t& Errors, COMSTAT* Stat);
    uint32_t GetModemStatus(uint32_t& Status);
    uint32_t Escape(uint32_t Function);
    uint32_t SetMask(uint32_t Mask);
    uint32_t GetMask(uint32_t& Mask);
    /// Waits until an event of the mask occurs and returns the events seen
    /// since the last wait; 0 when the mask was changed meanwhile. Fails with
    /// ERROR_OPERATION_ABORTED once Cancel is cancelled and with
    /// ERROR_DEVICE_NOT_CONNECTED after a hang-up has been reported.
    uint32_t WaitEvent(uint32_t& Events, const TCommCancel* Cancel);
    uint32_t GetProperties(COMMPROP& Prop);
    uint32_t GetConfig(COMMCONFIG& Config);
    /// The last handle has gone: every wait ends, later operations fail with
    /// ERROR_INVALID_HANDLE and the back end releases the device.
    void Shutdown();

protected:
    void LastHandleClosed() noexcept override { Shutdown(); }

    using Clock = std::chrono::steady_clock;
    enum TPollPurpose { ppEvents, ppRead, ppWrite };

    // Back-end operations, all called with FLock held.
    /// Puts the line settings into effect; Dcb is already validated.
    virtual uint32_t DoApplyState(const DCB& Dcb) = 0;
    /// Takes in what the line has to offer: received bytes, line changes,
    /// errors, the end of transmission. Called by every wait round.
    virtual void DoService() {}
    /// Takes up to Count bytes for sending without blocking.
    virtual uint32_t DoWrite(const uint8_t* Data, uint32_t Count, uint32_t& Accepted) = 0;
    /// Bytes written and not yet sent.
    virtual uint32_t DoOutQueue() = 0;
    virtual uint32_t DoModemStatus(uint32_t& Status) = 0;
    /// SETXOFF .. CLRBREAK.
    virtual uint32_t DoEscape(uint32_t Function) = 0;
    virtual void DoPurge(uint32_t Flags) {}
    /// Adds the descriptors this back end wants watched for Purpose.
    virtual void DoPollSet(std::vector<pollfd>& Fds, TPollPurpose Purpose) {}
    /// Tells the back end what poll() reported for its descriptors (they
    /// follow index First in Fds).
    virtual void DoPolled(const std::vector<pollfd>& Fds, size_t First) {}
    /// Longest sleep (ms) before the back end wants another look; -1: none.
    virtual int DoPollTimeout(TPollPurpose Purpose) { return -1; }
    /// COMSTAT_ hold flags.
    virtual uint32_t DoHoldFlags() { return 0; }
    virtual void DoShutdown() {}
    virtual uint32_t DoCapabilities() { return 0; }

    // What back ends report, with FLock held.
    void DeliverBytes(const uint8_t* Data, size_t Count);
    /// A byte received with a parity or framing error.
    void DeliverErrorByte(uint8_t Byte, uint32_t Error);
    void DeliverBreak();
    /// CE_ flags detected outside the byte stream (overruns ...).
    void DeliverErrors(uint32_t Errors);
    /// EV_CTS, EV_DSR, EV_RLSD and EV_RING bits of lines that changed.
    void DeliverLineChanges(uint32_t Events);
    /// The device hung up or vanished: reported once as EV_ERR with CE_IOE;
    /// waits end afterwards and I/O fails.
    void DeliverHangup();
    /// The output queue has become empty.
    void DeliverTxEmpty();
    /// Something a waiting writer is waiting for has changed.
    void WakeWriters() { FWriteWake.Signal(); }
    void WakeEvents() { FEventWake.Signal(); }

    bool InputFull() const noexcept { return FIn.Full(); }
    size_t InputFree() const noexcept { return FIn.Free(); }
    bool HungUp() const noexcept { return FHungUp; }
    bool Closed() const noexcept { return FClosed; }
    bool TxPending() const noexcept { return FTxPending; }
    uint32_t Mask() const noexcept { return FMask; }
    const DCB& State() const noexcept { return FDcb; }
    uint32_t OutQueueSize() const noexcept { return FOutQueueSize; }
    /// Last modem status the back end saw (MS_ bits); DSR feeds DSR sensitivity.
    uint32_t FLastModem = 0;

    std::mutex FLock;

private:
    using Lock = std::unique_lock<std::mutex>;
    void Latch(uint32_t Events);
    /// Drops FLock, polls Fds until Deadline (or for at most BackendMs), takes
    /// FLock again and passes the results on.
    void PollUnlocked(Lock& L, std::vector<pollfd>& Fds, size_t BackendFirst,
                      Clock::time_point Deadline, int BackendMs);
    uint32_t CheckUsable() const;
    size_t TakeInput(void* Buffer, size_t Count);

    DCB FDcb;
    COMMTIMEOUTS FTimeouts;
    TByteRing FIn;
    uint32_t FOutQueueSize = 2048;
    uint32_t FProviderSubType;
    uint32_t FMask = 0;
    uint32_t FMaskGeneration = 0;
    uint32_t FEvents = 0;   // latched events of the mask, not yet waited for
    uint32_t FErrors = 0;   // CE_ flags since the last ClearError
    uint32_t FReadAbort = 0;
    uint32_t FWriteAbort = 0;
    bool FWaiting = false;
    bool FTxPending = false;
    bool FHungUp = false;
    bool FClosed = false;
    Clock::time_point FLastArrival;
    std::mutex FReadMutex;   // one reader at a time
    std::mutex FWriteMutex;  // one writer at a time
    TWakeFd FEventWake;
    TWakeFd FReadWake;
    TWakeFd FWriteWake;
};

/// Checks that a DCB describes a line a UART can run: speed above 0, 5 to 8
/// data bits, a known parity, one and a half stop bits only with five data
/// bits. Returns 0 or ERROR_INVALID_PARAMETER.
uint32_t ValidateDcb(const DCB& Dcb) noexcept;

} // namespace kxtapi
