#include "kxtapi/rtl/lasterror.h"

#include <cerrno>

namespace kxtapi {

namespace {
thread_local uint32_t tLastError = ERROR_SUCCESS;
}

uint32_t GetLastError() noexcept { return tLastError; }

void SetLastError(uint32_t Code) noexcept { tLastError = Code; }

uint32_t ErrnoToLastError(int Errno) noexcept
{
    switch (Errno) {
    case 0: return ERROR_SUCCESS;
    case ENOENT:
    case ENODEV:
    case ENXIO: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EAGAIN: return ERROR_IO_PENDING;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    case EIO: return ERROR_GEN_FAILURE;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENOTTY:
#if ENOTSUP != EOPNOTSUPP
    case EOPNOTSUPP:
#endif
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    default: return ERROR_GEN_FAILURE;
    }
}

uint32_t SetLastErrorFromErrno(int Errno) noexcept
{
    uint32_t Code = ErrnoToLastError(Errno);
    SetLastError(Code);
    return Code;
}

std::string SysErrorMessage(uint32_t Code)
{
    switch (Code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION: return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES: return "Too many files are open.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough memory to complete the operation.";
    case ERROR_BAD_UNIT: return "The device cannot be found.";
    case ERROR_NOT_READY: return "The device is not ready.";
    case ERROR_BAD_COMMAND: return "The device does not recognise the command.";
    case ERROR_WRITE_FAULT: return "The device cannot be written to.";
    case ERROR_READ_FAULT: return "The device cannot be read from.";
    case ERROR_GEN_FAILURE: return "A device attached to the system is not functioning.";
    case ERROR_SHARING_VIOLATION: return "The file is in use by another process.";
    case ERROR_HANDLE_EOF: return "The end of the file has been reached.";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_BROKEN_PIPE: return "The pipe has been ended.";
    case ERROR_SEM_TIMEOUT: return "The semaphore time-out period has expired.";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed is too small.";
    case ERROR_ALREADY_EXISTS: return "The object already exists.";
    case ERROR_NOT_OWNER: return "The caller does not own the mutex.";
    case ERROR_OPERATION_ABORTED: return "The I/O operation has been aborted.";
    case ERROR_IO_INCOMPLETE: return "The overlapped I/O operation is not complete.";
    case ERROR_IO_PENDING: return "The overlapped I/O operation is in progress.";
    case ERROR_NOACCESS: return "Invalid access to a memory location.";
    case ERROR_COUNTER_TIMEOUT: return "A serial I/O operation ended because the time-out period expired.";
    case ERROR_DEVICE_NOT_CONNECTED: return "The device is not connected.";
    case ERROR_CANCELLED: return "The operation was cancelled.";
    case ERROR_INVALID_WINDOW_HANDLE: return "The window handle is invalid.";
    case ERROR_TIMEOUT: return "The operation returned because the time-out period expired.";
    default: return "System error " + std::to_string(Code) + ".";
    }
}

} // namespace kxtapi
