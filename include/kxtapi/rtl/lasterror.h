// The calling thread's last-error code and the numeric error codes the
// library reports through it.
#pragma once

#include <cstdint>
#include <string>

namespace kxtapi {

// Error codes keep the numeric values of the platform interface the
// components were designed against, because they reach applications through
// `GetLastError` and through the `ErrorCode` fields of exceptions.
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_BAD_UNIT = 20;
inline constexpr uint32_t ERROR_NOT_READY = 21;
inline constexpr uint32_t ERROR_BAD_COMMAND = 22;
inline constexpr uint32_t ERROR_WRITE_FAULT = 29;
inline constexpr uint32_t ERROR_READ_FAULT = 30;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_BROKEN_PIPE = 109;
inline constexpr uint32_t ERROR_SEM_TIMEOUT = 121;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_NOT_OWNER = 288;
inline constexpr uint32_t ERROR_OPERATION_ABORTED = 995;
inline constexpr uint32_t ERROR_IO_INCOMPLETE = 996;
inline constexpr uint32_t ERROR_IO_PENDING = 997;
inline constexpr uint32_t ERROR_NOACCESS = 998;
inline constexpr uint32_t ERROR_COUNTER_TIMEOUT = 1121;
inline constexpr uint32_t ERROR_DEVICE_NOT_CONNECTED = 1167;
inline constexpr uint32_t ERROR_CANCELLED = 1223;
inline constexpr uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr uint32_t ERROR_TIMEOUT = 1460;

/// The last-error code of the calling thread (0 on a fresh thread). Every
/// failing function of the runtime layer sets it where it fails; functions
/// that succeed leave it as it was unless they say otherwise.
uint32_t GetLastError() noexcept;
/// Sets the calling thread's last-error code.
void SetLastError(uint32_t Code) noexcept;

/// Maps a POSIX errno value to the error code above that means the same to
/// a caller: ENOENT/ENODEV/ENXIO → ERROR_FILE_NOT_FOUND, EACCES/EPERM/EBUSY
/// (a device held elsewhere) → ERROR_ACCESS_DENIED, EBADF → ERROR_INVALID_HANDLE,
/// EINVAL → ERROR_INVALID_PARAMETER, ENOMEM → ERROR_NOT_ENOUGH_MEMORY,
/// EAGAIN → ERROR_IO_PENDING, ETIMEDOUT → ERROR_TIMEOUT, ECANCELED →
/// ERROR_OPERATION_ABORTED, EIO → ERROR_GEN_FAILURE, EPIPE → ERROR_BROKEN_PIPE,
/// ENOTTY/ENOTSUP → ERROR_NOT_SUPPORTED, EMFILE/ENFILE → ERROR_TOO_MANY_OPEN_FILES;
/// 0 → ERROR_SUCCESS; anything else → ERROR_GEN_FAILURE.
uint32_t ErrnoToLastError(int Errno) noexcept;

/// Sets the last error from an errno value (see ErrnoToLastError) and
/// returns the code set.
uint32_t SetLastErrorFromErrno(int Errno) noexcept;

/// A one-line English text for an error code above; "The operation
/// completed successfully." for 0; "System error <n>." for a code without
/// a text of its own.
std::string SysErrorMessage(uint32_t Code);

} // namespace kxtapi
