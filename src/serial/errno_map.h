// errno values to the last-error codes of the serial driver layer.
#pragma once

#include <cstdint>

namespace kxtapi {

/// An error of open(2) or of locking a device.
uint32_t OpenErrnoToError(int Errno) noexcept;
/// An error of I/O or of an ioctl on an open device.
uint32_t IoErrnoToError(int Errno) noexcept;
/// True when Errno means the device hung up or went away.
bool IsHangupErrno(int Errno) noexcept;

} // namespace kxtapi
