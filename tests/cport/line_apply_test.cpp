// How a line configuration reaches the tty: the program is linked with
// ioctl and tcsetattr wrapped (see tests/CMakeLists.txt), so every request
// that sets a configuration is seen, with the speed it carries.
#include "cport/ComPort.h"
#include "tests/support/Pty.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <cstdarg>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cport;

namespace {

struct SetRequest {
    std::string kind;         // "tcsetattr" or "TCSETS2"
    unsigned speedBits = 0;   // CBAUD bits of c_cflag
    unsigned outputSpeed = 0; // c_ospeed of a termios2
};

struct Recorder {
    bool on = false;
    int refuseErrno = 0; // fail every configuration request with this
    int fd = -1;         // the descriptor the requests went to
    std::vector<SetRequest> requests;
} g_recorder;

} // namespace

extern "C" {
int __real_ioctl(int fd, unsigned long request, void *arg);
int __real_tcsetattr(int fd, int action, const void *termiosOfTheCLibrary);

int __wrap_ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    const bool sets = request == TCSETS2 || request == TCSETSW2 || request == TCSETSF2 || request == TCSETS ||
                      request == TCSETSW || request == TCSETSF;
    if (g_recorder.on && sets) {
        g_recorder.fd = fd;
        const auto *t = static_cast<const termios2 *>(arg);
        const bool two = request == TCSETS2 || request == TCSETSW2 || request == TCSETSF2;
        g_recorder.requests.push_back({two ? "TCSETS2" : "TCSETS", t->c_cflag & CBAUD, two ? t->c_ospeed : 0u});
        if (g_recorder.refuseErrno) {
            errno = g_recorder.refuseErrno;
            return -1;
        }
    }
    return __real_ioctl(fd, request, arg);
}

// The C library's termios begins with the four flag words, as the kernel's does.
int __wrap_tcsetattr(int fd, int action, const void *t) {
    if (g_recorder.on) {
        g_recorder.fd = fd;
        g_recorder.requests.push_back({"tcsetattr", static_cast<const tcflag_t *>(t)[2] & CBAUD, 0});
        if (g_recorder.refuseErrno) {
            errno = g_recorder.refuseErrno;
            return -1;
        }
    }
    return __real_tcsetattr(fd, action, t);
}
}

namespace {

TBaudRate RateValue(std::int32_t rate) {
    for (int r = br110; r <= br256000; ++r)
        if (BaudRateValue(static_cast<TBaudRate>(r)) == rate)
            return static_cast<TBaudRate>(r);
    return brCustom;
}

struct OpenLine {
    testsupport::PtyPair pty;
    TComPort port;
    OpenLine() {
        pty.MapAs("COM4");
        port.SetPort("COM4");
        port.SetEvents({});
        port.Open(); // 9600
        g_recorder = {};
        g_recorder.on = true;
    }
    ~OpenLine() { g_recorder.on = false; }
    void SetRate(std::int32_t rate) {
        if (RateValue(rate) != brCustom) {
            port.SetBaudRate(RateValue(rate));
        } else {
            port.BeginSettingsUpdate();
            port.SetBaudRate(brCustom);
            port.SetCustomBaudRate(rate);
            port.EndSettingsUpdate();
        }
    }
    termios2 Current() const {
        termios2 t{};
        __real_ioctl(g_recorder.fd, TCGETS2, &t);
        return t;
    }
};

} // namespace

TEST(LineApply, EveryRateIsSetInOneRequestWithTheRealRate) {
    struct Case {
        std::int32_t rate;
        unsigned speedBits; // BOTHER: the rate itself goes in the request
    };
    const Case cases[] = {{14400, BOTHER},  {56000, BOTHER}, {128000, BOTHER},
                          {256000, BOTHER}, {31250, BOTHER}, {115200, B115200}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rate);
        OpenLine line;
        line.SetRate(c.rate);
        ASSERT_EQ(line.port.Connected(), true);
        ASSERT_EQ(g_recorder.requests.size(), 1u);
        EXPECT_EQ(g_recorder.requests[0].kind, "TCSETS2");
        EXPECT_EQ(g_recorder.requests[0].speedBits, c.speedBits);
        EXPECT_EQ(g_recorder.requests[0].outputSpeed, static_cast<unsigned>(c.rate));
        const termios2 now = line.Current();
        EXPECT_EQ(now.c_ospeed, static_cast<unsigned>(c.rate));
        EXPECT_EQ(now.c_cflag & CSIZE, static_cast<unsigned>(CS8));
    }
}

TEST(LineApply, ARefusedApplyLeavesThePreviousConfiguration) {
    for (const std::int32_t rate : {14400, 19200, 31250}) {
        SCOPED_TRACE(rate);
        OpenLine line;
        line.SetRate(57600);
        line.port.SetDataBits(dbSeven);
        const termios2 before = line.Current();
        g_recorder.refuseErrno = EINVAL;
        try {
            line.SetRate(rate);
            FAIL() << "the refused rate was taken";
        } catch (const EComPort &e) {
            EXPECT_EQ(e.ErrorCode(), CError_SetStateFailed);
            EXPECT_EQ(e.PlatformError(), winerr::ERROR_INVALID_PARAMETER);
        }
        g_recorder.refuseErrno = 0;
        const termios2 after = line.Current();
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(after.c_ospeed, 57600u);
        EXPECT_EQ(after.c_ospeed, before.c_ospeed);
    }
}
