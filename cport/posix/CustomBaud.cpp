// Kept apart: the kernel's termios2 definitions clash with the C library's <termios.h>.
#include "CustomBaud.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace cport::posix {

int SetCustomBaudRate(int fd, std::uint32_t rate) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    if (ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    struct termios2 back {};
    if (ioctl(fd, TCGETS2, &back) != 0)
        return errno;
    const double got = back.c_ospeed;
    if (got < rate * 0.98 || got > rate * 1.02)
        return EINVAL;
    return 0;
}

} // namespace cport::posix
