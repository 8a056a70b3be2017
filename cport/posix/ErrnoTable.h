#pragma once

#include <cstdint>

namespace cport::posix {

// Translates an errno value into the Win32 error number the engine's messages carry:
//   ENOENT, ENXIO, ENODEV            ->    2 file not found (no such port)
//   ENOTDIR                          ->    3 path not found
//   EMFILE, ENFILE                   ->    4 too many open files
//   EACCES, EPERM, EBUSY, EWOULDBLOCK->    5 access denied (no rights, or held by another)
//   EBADF                            ->    6 invalid handle (operation on a closed port)
//   ENOMEM                           ->    8 not enough memory
//   EROFS                            ->   19 write protected
//   ENOTTY                           ->    1 invalid function (not a serial device)
//   EOPNOTSUPP                       ->   50 not supported
//   EINVAL, ERANGE                   ->   87 invalid parameter (a setting the device refuses)
//   ENOSPC                           ->  112 disk full
//   ETIMEDOUT                        ->  121 timeout
//   ECANCELED                        ->  995 operation aborted
//   EIO                              -> 1117 I/O device error
//   EHOSTDOWN, ENODATA               -> 1167 device not connected
//   anything else                    ->   31 general failure
std::int32_t WinErrorFromErrno(int error);

} // namespace cport::posix
