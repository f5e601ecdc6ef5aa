// A simulated null-modem cable: its near end is a comm handle like any
// serial port, its far end is driven from code. Tests, demos and the
// telephony simulator use it to raise and drop the far end's lines, send
// bytes, breaks and line errors, and to see what the port wrote and how it
// set DTR and RTS.
#pragma once

#include "kxtapi/serial/commtypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kxtapi {

struct TSimPairState;

/// One simulated cable. Thread-safe: the far end may be driven from any
/// thread while the near end is in use by a port and its event thread.
///
/// The near end opens like a real port, for exclusive use: while one near
/// end is open, a second open fails with ERROR_ACCESS_DENIED. A reopened
/// near end starts with empty queues and sees the far end's lines as they
/// are. Bytes sent while no near end is open are lost, as on a real line.
class TSimulatedPair {
public:
    /// A new cable. ProviderSubType is what the near end reports in its
    /// properties and configuration (PST_RS232, or PST_MODEM for a data
    /// call's device).
    static std::shared_ptr<TSimulatedPair> Create(uint32_t ProviderSubType = PST_RS232);
    ~TSimulatedPair();
    TSimulatedPair(const TSimulatedPair&) = delete;
    TSimulatedPair& operator=(const TSimulatedPair&) = delete;

    /// Opens the near end and returns a new comm handle for it, or
    /// INVALID_HANDLE_VALUE (0xFFFFFFFF) with the last error set
    /// (ERROR_ACCESS_DENIED while open elsewhere, ERROR_FILE_NOT_FOUND after
    /// `HangUp`). The caller closes the handle with CloseHandle.
    uint32_t OpenHandle();
    /// True while a near end is open.
    bool NearOpen() const;

    // ---- lines the far end drives (the near end reads them)
    void SetCTS(bool On);
    void SetDSR(bool On);
    void SetRING(bool On);
    void SetDCD(bool On);

    // ---- what the far end sends
    /// Bytes arrive in the near end's input queue at once; what does not
    /// fit is dropped with CE_RXOVER. With XON/XOFF output flow control on
    /// the near end, its XON and XOFF characters start and stop its output
    /// instead of arriving.
    void Send(std::string_view Bytes);
    void Send(const void* Data, size_t Count);
    /// A break condition on the line (EV_BREAK, CE_BREAK).
    void SendBreak();
    /// Line errors (CE_FRAME, CE_RXPARITY, CE_OVERRUN ...), reported with EV_ERR.
    void SendError(uint32_t Errors);
    /// One byte received with a parity or framing error (Errors).
    void SendErrorByte(uint8_t Byte, uint32_t Errors);
    /// The device vanishes: the open near end reports EV_ERR with CE_IOE and
    /// fails its I/O; later opens fail with ERROR_FILE_NOT_FOUND.
    void HangUp();
    /// True once `HangUp` has been called.
    bool HungUp() const;

    // ---- what the far end sees
    bool DTR() const;
    bool RTS() const;
    /// True while the near end holds the line in break.
    bool Breaking() const;
    /// Takes the bytes the near end has sent so far.
    std::string TakeReceived();
    size_t ReceivedCount() const;
    /// Waits up to TimeoutMs until at least Count bytes have been received
    /// (and not taken); returns whether they have. A wait ends early once the
    /// cable has been hung up (`HangUp`), so a thread relaying the far end
    /// can be stopped.
    bool WaitReceived(size_t Count, uint32_t TimeoutMs) const;
    /// While false, the far end takes no bytes: the near end's output stays
    /// queued (its output count grows, writes block when the queue is full,
    /// no EV_TXEMPTY). True by default.
    void SetReceiving(bool On);
    /// The line settings the near end set last.
    DCB NearState() const;

private:
    explicit TSimulatedPair(uint32_t ProviderSubType);
    std::shared_ptr<TSimPairState> FState;
};

} // namespace kxtapi
