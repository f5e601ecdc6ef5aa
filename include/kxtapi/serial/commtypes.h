// Records and constants of the serial driver layer: line settings (DCB),
// time-outs, queue status, port properties, and the event, error, modem-status,
// purge and escape codes. The numeric values are those of the Win32 serial
// interface because they reach applications through events and properties.
#pragma once

#include <cstdint>

namespace kxtapi {

// ---------------------------------------------------------------- line settings

/// Line settings. `Flags` holds the flag bits below (the Win32 DCB bit
/// fields, packed in the same positions); the record is 28 bytes like the
/// Win32 one.
struct DCB {
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;
    uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;
};
static_assert(sizeof(DCB) == 28, "DCB keeps the Win32 layout");

// Flag bits of DCB::Flags.
constexpr uint32_t DCB_fBinary = 0x0001;
constexpr uint32_t DCB_fParity = 0x0002;          ///< check parity of received bytes
constexpr uint32_t DCB_fOutxCtsFlow = 0x0004;     ///< output waits for CTS
constexpr uint32_t DCB_fOutxDsrFlow = 0x0008;     ///< output waits for DSR
constexpr uint32_t DCB_fDtrControlMask = 0x0030;
constexpr uint32_t DTR_CONTROL_DISABLE = 0x0000;
constexpr uint32_t DTR_CONTROL_ENABLE = 0x0010;
constexpr uint32_t DTR_CONTROL_HANDSHAKE = 0x0020;
constexpr uint32_t DCB_fDsrSensitivity = 0x0040;  ///< input ignored while DSR is off
constexpr uint32_t DCB_fTXContinueOnXoff = 0x0080;
constexpr uint32_t DCB_fOutX = 0x0100;            ///< XON/XOFF on output
constexpr uint32_t DCB_fInX = 0x0200;             ///< XON/XOFF on input
constexpr uint32_t DCB_fErrorChar = 0x0400;       ///< replace bytes in error by ErrorChar
constexpr uint32_t DCB_fNull = 0x0800;            ///< discard received NUL bytes
constexpr uint32_t DCB_fRtsControlMask = 0x3000;
constexpr uint32_t RTS_CONTROL_DISABLE = 0x0000;
constexpr uint32_t RTS_CONTROL_ENABLE = 0x1000;
constexpr uint32_t RTS_CONTROL_HANDSHAKE = 0x2000;
constexpr uint32_t RTS_CONTROL_TOGGLE = 0x3000;
constexpr uint32_t DCB_fAbortOnError = 0x4000;    ///< reads and writes fail until errors are cleared

// DCB::Parity
constexpr uint8_t NOPARITY = 0;
constexpr uint8_t ODDPARITY = 1;
constexpr uint8_t EVENPARITY = 2;
constexpr uint8_t MARKPARITY = 3;
constexpr uint8_t SPACEPARITY = 4;

// DCB::StopBits
constexpr uint8_t ONESTOPBIT = 0;
constexpr uint8_t ONE5STOPBITS = 1;
constexpr uint8_t TWOSTOPBITS = 2;

// ---------------------------------------------------------------- time-outs

/// Read and write time-outs of a port, in milliseconds. A read with
/// ReadIntervalTimeout = MAXDWORD and both read totals 0 returns at once with
/// the bytes already received; all fields 0 means "no time-out".
struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;

// ---------------------------------------------------------------- queue status

/// Queue status returned with the error flags. `Flags` holds the COMSTAT_
/// bits below.
struct COMSTAT {
    uint32_t Flags = 0;
    uint32_t cbInQue = 0;   ///< bytes received and not yet read
    uint32_t cbOutQue = 0;  ///< bytes written and not yet sent
};

constexpr uint32_t COMSTAT_fCtsHold = 0x01;   ///< output waits for CTS
constexpr uint32_t COMSTAT_fDsrHold = 0x02;   ///< output waits for DSR
constexpr uint32_t COMSTAT_fRlsdHold = 0x04;  ///< output waits for DCD
constexpr uint32_t COMSTAT_fXoffHold = 0x08;  ///< output waits because XOFF was received
constexpr uint32_t COMSTAT_fXoffSent = 0x10;  ///< output waits because XOFF was sent
constexpr uint32_t COMSTAT_fEof = 0x20;
constexpr uint32_t COMSTAT_fTxim = 0x40;

// ---------------------------------------------------------------- properties

/// What a port can do and its current queue sizes.
struct COMMPROP {
    uint16_t wPacketLength = 0;
    uint16_t wPacketVersion = 2;
    uint32_t dwServiceMask = 1;   ///< SP_SERIALCOMM
    uint32_t dwReserved1 = 0;
    uint32_t dwMaxTxQueue = 0;    ///< 0: no maximum
    uint32_t dwMaxRxQueue = 0;
    uint32_t dwMaxBaud = 0;       ///< BAUD_USER: any speed the driver takes
    uint32_t dwProvSubType = 0;
    uint32_t dwProvCapabilities = 0;
    uint32_t dwSettableParams = 0;
    uint32_t dwSettableBaud = 0;
    uint16_t wSettableData = 0;
    uint16_t wSettableStopParity = 0;
    uint32_t dwCurrentTxQueue = 0;
    uint32_t dwCurrentRxQueue = 0;
    uint32_t dwProvSpec1 = 0;
    uint32_t dwProvSpec2 = 0;
    uint16_t wcProvChar[2] = {0, 0};
};

constexpr uint32_t BAUD_USER = 0x10000000;

// COMMPROP::dwProvCapabilities
constexpr uint32_t PCF_DTRDSR = 0x0001;
constexpr uint32_t PCF_RTSCTS = 0x0002;
constexpr uint32_t PCF_RLSD = 0x0004;
constexpr uint32_t PCF_PARITY_CHECK = 0x0008;
constexpr uint32_t PCF_XONXOFF = 0x0010;
constexpr uint32_t PCF_SETXCHAR = 0x0020;
constexpr uint32_t PCF_TOTALTIMEOUTS = 0x0040;
constexpr uint32_t PCF_INTTIMEOUTS = 0x0080;
constexpr uint32_t PCF_SPECIALCHARS = 0x0100;

// Provider subtypes (COMMPROP::dwProvSubType, COMMCONFIG::dwProviderSubType).
constexpr uint32_t PST_UNSPECIFIED = 0;
constexpr uint32_t PST_RS232 = 1;
constexpr uint32_t PST_MODEM = 6;

/// A port's configuration record (52 bytes as on Win32).
struct COMMCONFIG {
    uint32_t dwSize = 52;
    uint16_t wVersion = 1;
    uint16_t wReserved = 0;
    DCB dcb;
    uint32_t dwProviderSubType = 0;
    uint32_t dwProviderOffset = 0;
    uint32_t dwProviderSize = 0;
    uint16_t wcProviderData[2] = {0, 0};
};
static_assert(sizeof(COMMCONFIG) == 52, "COMMCONFIG keeps the Win32 layout");

// ---------------------------------------------------------------- codes

// Comm events (event mask and event word).
constexpr uint32_t EV_RXCHAR = 0x0001;   ///< new bytes arrived in the input queue
constexpr uint32_t EV_RXFLAG = 0x0002;   ///< the event character arrived
constexpr uint32_t EV_TXEMPTY = 0x0004;  ///< the last written byte left the output queue
constexpr uint32_t EV_CTS = 0x0008;      ///< CTS changed
constexpr uint32_t EV_DSR = 0x0010;      ///< DSR changed
constexpr uint32_t EV_RLSD = 0x0020;     ///< DCD changed
constexpr uint32_t EV_BREAK = 0x0040;    ///< a break was received
constexpr uint32_t EV_ERR = 0x0080;      ///< a line error (see the CE_ flags) occurred
constexpr uint32_t EV_RING = 0x0100;     ///< the ring indicator changed
constexpr uint32_t EV_ALL = 0x01FF;

// Error flags (ClearCommError).
constexpr uint32_t CE_RXOVER = 0x0001;    ///< input queue overflow
constexpr uint32_t CE_OVERRUN = 0x0002;   ///< a byte was lost in the hardware
constexpr uint32_t CE_RXPARITY = 0x0004;  ///< parity error
constexpr uint32_t CE_FRAME = 0x0008;     ///< framing error
constexpr uint32_t CE_BREAK = 0x0010;     ///< break received
constexpr uint32_t CE_TXFULL = 0x0100;    ///< output queue full
constexpr uint32_t CE_IOE = 0x0400;       ///< the device hung up or vanished

// Modem status (GetCommModemStatus).
constexpr uint32_t MS_CTS_ON = 0x0010;
constexpr uint32_t MS_DSR_ON = 0x0020;
constexpr uint32_t MS_RING_ON = 0x0040;
constexpr uint32_t MS_RLSD_ON = 0x0080;

// Purge flags (PurgeComm).
constexpr uint32_t PURGE_TXABORT = 0x0001;  ///< end a write in progress
constexpr uint32_t PURGE_RXABORT = 0x0002;  ///< end a read in progress
constexpr uint32_t PURGE_TXCLEAR = 0x0004;  ///< discard the output queue
constexpr uint32_t PURGE_RXCLEAR = 0x0008;  ///< discard the input queue

// Escape functions (EscapeCommFunction).
constexpr uint32_t SETXOFF = 1;
constexpr uint32_t SETXON = 2;
constexpr uint32_t SETRTS = 3;
constexpr uint32_t CLRRTS = 4;
constexpr uint32_t SETDTR = 5;
constexpr uint32_t CLRDTR = 6;
constexpr uint32_t RESETDEV = 7;
constexpr uint32_t SETBREAK = 8;
constexpr uint32_t CLRBREAK = 9;

} // namespace kxtapi
