// The serial driver layer: opening ports and operating them by handle.
//
// A comm handle lives in the runtime layer's handle table (rtl/handles.h):
// it is closed with CloseHandle, and DuplicateHandle gives another holder a
// handle of its own to the same open port (the telephony service, a
// related-device object and a port component may hold one each; the port
// closes when the last of them is closed). A closed or stale handle fails
// with ERROR_INVALID_HANDLE and never reaches another port.
//
// Every function returns false (or INVALID_HANDLE_VALUE) on failure with the
// cause as the calling thread's last error (rtl/lasterror.h).
//
// Threads: the functions are thread-safe. One thread may wait for comm
// events while others read, write and query; one read and one write run at
// a time (a second waits for the first).
#pragma once

#include "kxtapi/rtl/handles.h"
#include "kxtapi/serial/cancel.h"
#include "kxtapi/serial/commtypes.h"

#include <cstdint>
#include <string_view>

namespace kxtapi {

/// Opens a serial port for exclusive use and returns its handle.
///
/// Name is a COM name ("COM3", also written "\\.\COM3", any case), which the
/// port map (ports.h) turns into a device path or a simulated cable, or a
/// device path ("/dev/ttyUSB0", a pseudo-terminal's slave) opened as
/// written. A port held elsewhere gives ERROR_ACCESS_DENIED; an unmapped COM
/// name or a missing device ERROR_FILE_NOT_FOUND; a file that is not a
/// terminal ERROR_NOT_SUPPORTED.
///
/// The port starts in raw binary mode with the speed and framing it had,
/// time-outs all 0 (reads wait for every byte asked for), an input queue of
/// 4096 bytes and an empty event mask. Closing restores the terminal
/// settings it was found with and releases the lock.
THandle OpenCommPort(std::string_view Name);

/// True when Handle names an open comm port.
bool IsCommHandle(THandle Handle);

bool GetCommState(THandle Handle, DCB& Dcb);
/// Sets the line. Fails with ERROR_INVALID_PARAMETER for settings the line
/// cannot take: speed 0, data bits outside 5..8, one and a half stop bits
/// without five data bits (two stop bits with five), the same XON and XOFF
/// character with XON/XOFF flow control, or a speed the driver cannot make
/// within 3 %. On a pseudo-terminal the kernel keeps eight data bits and no
/// parity whatever is asked.
///
/// DTR/DSR handshake is not in the kernel: DTR_CONTROL_HANDSHAKE holds DTR
/// raised, and DSR output flow control is done by holding writes while DSR
/// is off. RTS/CTS flow control is one switch for both directions
/// (CRTSCTS), on when either fOutxCtsFlow or RTS_CONTROL_HANDSHAKE is asked.
bool SetCommState(THandle Handle, const DCB& Dcb);
bool GetCommTimeouts(THandle Handle, COMMTIMEOUTS& Timeouts);
/// The read time-outs follow the usual rules: ReadIntervalTimeout =
/// MAXDWORD with both totals 0 returns at once with what has arrived;
/// MAXDWORD, MAXDWORD, C waits up to C ms for the first byte; otherwise a
/// read ends when Count bytes have arrived, when the total (multiplier ×
/// Count + constant, 0 = none) has passed, or when the interval between two
/// bytes is exceeded. A write ends when all is queued or its total passed.
bool SetCommTimeouts(THandle Handle, const COMMTIMEOUTS& Timeouts);
/// Sizes of the input queue and of the simulated cable's output queue
/// (1 byte to 16 MiB; 0 keeps a size).
bool SetupComm(THandle Handle, uint32_t InQueue, uint32_t OutQueue);

/// Reads up to Count bytes under the port's time-outs, waiting at most
/// WaitMs (INFINITE: without limit) for the read to complete; Read is set to
/// the bytes read. A read that does not complete within WaitMs fails with
/// ERROR_IO_INCOMPLETE, takes nothing from the input queue and does not
/// touch Buffer afterwards. After a hang-up, bytes received before it are
/// still read; then reads fail with ERROR_DEVICE_NOT_CONNECTED.
bool ReadComm(THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read, uint32_t WaitMs);
/// Writes Count bytes, waiting at most WaitMs for them to be queued.
/// Fails with ERROR_IO_INCOMPLETE when they are not, with Written set to the
/// bytes queued; the rest is dropped and Buffer is not used afterwards.
bool WriteComm(THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written,
               uint32_t WaitMs);
/// PURGE_ flags: RXCLEAR and TXCLEAR discard the queues, RXABORT and
/// TXABORT end a read or write in progress (it fails with
/// ERROR_OPERATION_ABORTED).
bool PurgeComm(THandle Handle, uint32_t Flags);
/// Returns and clears the CE_ flags gathered since the last call, and the
/// queue status when Stat is given. A hang-up is reported as CE_IOE.
bool ClearCommError(THandle Handle, uint32_t& Errors, COMSTAT* Stat);
/// MS_ bits of the input lines. Devices without modem lines (pseudo-
/// terminals) report every line off.
bool GetCommModemStatus(THandle Handle, uint32_t& Status);
/// SETXOFF, SETXON, SETRTS, CLRRTS, SETDTR, CLRDTR, RESETDEV, SETBREAK,
/// CLRBREAK. Driving DTR or RTS fails with ERROR_INVALID_PARAMETER while the
/// line is under handshake control; on a device without modem lines it
/// succeeds without effect.
bool EscapeCommFunction(THandle Handle, uint32_t Function);
bool SetCommBreak(THandle Handle);
bool ClearCommBreak(THandle Handle);

/// The EV_ events WaitCommEvent reports; setting it ends a wait in progress
/// (which returns with Events 0).
bool SetCommMask(THandle Handle, uint32_t Mask);
bool GetCommMask(THandle Handle, uint32_t& Mask);
/// Waits until one of the mask's events occurs and returns in Events those
/// that occurred since the last wait. EV_RXCHAR reports an arrival of new
/// bytes, once per arrival, however long the bytes then stay unread;
/// EV_TXEMPTY the end of sending what was written. Events are remembered
/// while no wait is in progress.
///
/// Fails with ERROR_OPERATION_ABORTED once Cancel (may be null) is
/// cancelled, with ERROR_INVALID_HANDLE when the port is closed meanwhile,
/// with ERROR_INVALID_PARAMETER while another thread waits or with an empty
/// mask. A hang-up is reported once (EV_ERR, with CE_IOE from
/// ClearCommError); the next wait fails with ERROR_DEVICE_NOT_CONNECTED.
bool WaitCommEvent(THandle Handle, uint32_t& Events, const TCommCancel* Cancel);

bool GetCommProperties(THandle Handle, COMMPROP& Prop);
bool GetCommConfig(THandle Handle, COMMCONFIG& Config);

} // namespace kxtapi
