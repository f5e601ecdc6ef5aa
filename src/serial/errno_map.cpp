#include "serial/errno_map.h"

#include "kxtapi/rtl/lasterror.h"

#include <cerrno>

namespace kxtapi {

uint32_t OpenErrnoToError(int Errno) noexcept
{
    switch (Errno) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENOTTY:
        return ERROR_NOT_SUPPORTED;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_GEN_FAILURE;
    }
}

bool IsHangupErrno(int Errno) noexcept
{
    return Errno == EIO || Errno == ENXIO || Errno == ENODEV || Errno == EPIPE;
}

uint32_t IoErrnoToError(int Errno) noexcept
{
    if (IsHangupErrno(Errno)) return ERROR_DEVICE_NOT_CONNECTED;
    switch (Errno) {
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOTTY:
    case ENOSYS:
    case EOPNOTSUPP:
        return ERROR_NOT_SUPPORTED;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

} // namespace kxtapi
