// Kept apart: the kernel's termios2 definitions clash with the C library's <termios.h>.
#include "LineApply.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace cport::posix {

namespace {
constexpr tcflag_t kSpeedBits = CBAUD | CIBAUD;
}

int ApplyLineTermios(int fd, const TLineTermios &config) {
    struct termios2 previous {};
    if (ioctl(fd, TCGETS2, &previous) != 0)
        return errno;
    struct termios2 t {};
    t.c_iflag = config.iflag;
    t.c_oflag = config.oflag;
    t.c_lflag = config.lflag;
    t.c_line = config.line;
    static_assert(TLineTermios::kControlChars == NCCS, "the kernel's control characters");
    for (int i = 0; i < NCCS; ++i)
        t.c_cc[i] = config.cc[i];
    t.c_cflag = config.cflag & ~kSpeedBits;
    // CIBAUD left 0: the input runs at the output's speed.
    t.c_cflag |= config.customRate ? static_cast<tcflag_t>(BOTHER | (BOTHER << IBSHIFT)) : config.speedCode;
    t.c_ispeed = config.rate;
    t.c_ospeed = config.rate;
    if (ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    if (!config.customRate)
        return 0;
    struct termios2 back {};
    if (ioctl(fd, TCGETS2, &back) != 0)
        return errno;
    const double got = back.c_ospeed;
    if (got < config.rate * 0.98 || got > config.rate * 1.02) {
        ioctl(fd, TCSETS2, &previous);
        return EINVAL;
    }
    return 0;
}

} // namespace cport::posix
