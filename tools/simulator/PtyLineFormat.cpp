// Kept apart: the kernel's termios2 definitions clash with the C library's
// <termios.h>, and only termios2 tells any rate as a number.
#include "PtyLineFormat.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace loadersim {

TLineFormat ReadLineFormat(int fd) {
    struct termios2 t {};
    if (fd < 0 || ioctl(fd, TCGETS2, &t) != 0)
        return {};
    TLineFormat format;
    format.outRate = t.c_ospeed;
    format.inRate = t.c_ispeed != 0 ? t.c_ispeed : t.c_ospeed;
    format.eightNoneOne = (t.c_cflag & CSIZE) == CS8 && (t.c_cflag & PARENB) == 0 && (t.c_cflag & CSTOPB) == 0;
    return format;
}

} // namespace loadersim
