// Comm devices in the runtime layer's handle table.
#pragma once

#include "kxtapi/rtl/handles.h"

#include <memory>

namespace kxtapi {

class TCommDevice;

/// Enters an open device in the handle table. Returns its handle, or
/// INVALID_HANDLE_VALUE with the last error set (the device is shut down
/// then).
THandle RegisterCommDevice(std::shared_ptr<TCommDevice> Device);

/// The device a handle names, or null with ERROR_INVALID_HANDLE.
std::shared_ptr<TCommDevice> CommDeviceOf(THandle Handle);

/// Sets Error as the last error and returns INVALID_HANDLE_VALUE.
THandle FailWithLastError(uint32_t Error) noexcept;

} // namespace kxtapi
