// Types of the serial-port component: its enumerations and sets, the
// comm-event message and its bits, the exceptions and the event types.
#pragma once

#include "kxtapi/rtl/messages.h"
#include "kxtapi/rtl/object.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kxtapi {

/// The events a port watches (`MonitorEvents`). Each stands for one EV_ bit:
/// evBreak EV_BREAK, evCts EV_CTS, evDsr EV_DSR, evError EV_ERR, evRing
/// EV_RING, evRlsd EV_RLSD, evRxChar EV_RXCHAR, evRxFlag EV_RXFLAG, evTxEmpty
/// EV_TXEMPTY.
enum TCommEventType { evBreak, evCts, evDsr, evError, evRing, evRlsd, evRxChar, evRxFlag, evTxEmpty };
using TCommEventTypes = TSet<TCommEventType>;

/// Flow control (`FlowControl`).
enum TFlowControl { fcUseDTR, fcRequireDSR, fcUseRTS, fcRequireCTS, fcUseXonXoff, fcRequireXonXoff };
using TFlowControlSet = TSet<TFlowControl>;

/// Line options (`Options`).
enum TCommOption { coParityCheck, coDsrSensitivity, coTXContinueOnXoff, coErrorChar, coNullStrip };
using TCommOptions = TSet<TCommOption>;

/// Parity and stop bits as enumerations; the port's `Parity` property uses
/// the letters "N", "O", "E", "M", "S" and `Stopbits` the numbers 1, 2, 15.
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits { sbOne, sbOneFive, sbTwo };

/// A signal a signal LED can show.
enum TCommSignal { csDTR, csDSR, csRTS, csCTS, csDCD, csTXD, csRXD };

/// The comm-event message: WParam 0, LParam the event word. The port's event
/// thread sends it to the port's hidden window; the port posts it to every
/// window in its trigger list.
inline constexpr uint32_t WM_COMMEVENT = WM_USER + 1;  // 1025

/// Bits the port adds to the event word for linked windows: bytes were
/// written, the DTR line or the RTS line was set.
inline constexpr uint32_t EV_WRITTEN = 0x10000000;
inline constexpr uint32_t EV_DTR = 0x20000000;
inline constexpr uint32_t EV_RTS = 0x40000000;

/// A serial-port failure. ErrorCode is the last-error code at the failure,
/// or 0 when the failure is the caller's (a closed port, a bad value).
class EComPort : public Exception {
public:
    EComPort(std::string Msg, uint32_t Code) : Exception(std::move(Msg)), ErrorCode(Code) {}
    std::string ClassName() const override { return "EComPort"; }
    uint32_t ErrorCode;
};

class EComPortWrite : public EComPort {
public:
    using EComPort::EComPort;
    std::string ClassName() const override { return "EComPortWrite"; }
};

/// A read or write that did not complete within the port's time-out
/// (ErrorCode 996, ERROR_IO_INCOMPLETE).
class EComPortTimeout : public EComPort {
public:
    using EComPort::EComPort;
    std::string ClassName() const override { return "EComPortTimeout"; }
};

/// Events of the port. Sender is the port.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TCommEvent = std::function<void(TObject* Sender, uint32_t Event)>;
using TCommErrorEvent = std::function<void(TObject* Sender, uint32_t Error)>;
using TCommDataFlowEvent = std::function<void(TObject* Sender, const std::string& Data)>;

/// The texts of the CE_ flags set in Errors, in the order RXOVER, OVERRUN,
/// RXPARITY, FRAME, BREAK, TXFULL, joined by "/"; "" when none is set.
std::string ComErrorsToStr(uint32_t Errors);

} // namespace kxtapi
