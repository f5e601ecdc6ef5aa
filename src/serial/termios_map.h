// Line settings (DCB) to kernel terminal attributes and back. Works on the
// kernel's termios2 record, whose BOTHER speeds carry any baud rate.
#pragma once

#include "kxtapi/serial/commtypes.h"

struct termios2;

namespace kxtapi {

/// Puts T into the raw binary mode the driver layer runs a line in and sets
/// speed, data bits, parity (mark and space through CMSPAR), stop bits (one
/// and a half is CSTOPB with five data bits), RTS/CTS and XON/XOFF flow
/// control and the flow-control characters from Dcb. With Marked, breaks
/// and bytes in error are marked in the byte stream (PARMRK) for the input
/// parser. The modem control lines do not hang the line up (CLOCAL).
void DcbToTermios(const DCB& Dcb, termios2& T, bool Marked = true) noexcept;

/// The DCB that describes T (the inverse of DcbToTermios where the
/// terminal can express the setting).
void TermiosToDcb(const termios2& T, DCB& Dcb) noexcept;

/// The speed T is set to, in bits per second (0 for B0).
uint32_t TermiosSpeed(const termios2& T) noexcept;

/// The Bnnn code of a standard speed, or 0 when Baud is not one.
uint32_t StandardSpeedCode(uint32_t Baud) noexcept;

} // namespace kxtapi
