#include "ErrnoTable.h"

#include "cport/ComDevice.h"

#include <cerrno>

namespace cport::posix {

std::int32_t WinErrorFromErrno(int error) {
    using namespace winerr;
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case ENOTTY:
        return ERROR_INVALID_FUNCTION;
    case EOPNOTSUPP:
        return ERROR_NOT_SUPPORTED;
    case EINVAL:
    case ERANGE:
        return ERROR_INVALID_PARAMETER;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ETIMEDOUT:
        return ERROR_SEM_TIMEOUT;
    case ECANCELED:
        return ERROR_OPERATION_ABORTED;
    case EIO:
        return ERROR_IO_DEVICE;
    case EHOSTDOWN:
    case ENODATA:
        return ERROR_DEVICE_NOT_CONNECTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

} // namespace cport::posix
