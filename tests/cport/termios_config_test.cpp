#include "cport/ComPort.h"
#include "cport/posix/ErrnoTable.h"
#include "cport/posix/TermiosConfig.h"
#include "cport/posix/TimedOutWrite.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace cport;
using cport::posix::BuildTermiosConfig;
using cport::posix::TTermiosConfig;

namespace {
TTermiosConfig Translate(const TComPort &port) {
    TTermiosConfig c;
    EXPECT_EQ(BuildTermiosConfig(port.DeviceControlBlock(), c), 0);
    return c;
}
} // namespace

TEST(TermiosConfig, DefaultsGiveARawEightNOneLine) {
    TComPort port;
    const TTermiosConfig c = Translate(port);
    EXPECT_EQ(c.tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(c.tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_TRUE(c.tio.c_cflag & CREAD);
    EXPECT_TRUE(c.tio.c_cflag & CLOCAL);
    // Raw: no echo, no signals, no CR/LF translation, no software flow.
    EXPECT_EQ(c.tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(c.tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | BRKINT), 0u);
    EXPECT_EQ(c.tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&c.tio), static_cast<speed_t>(B9600));
    EXPECT_FALSE(c.customRate);
    EXPECT_FALSE(c.raiseDTR);
    EXPECT_FALSE(c.raiseRTS);
    EXPECT_EQ(c.bitsPerChar, 10u);
}

TEST(TermiosConfig, ParityKindsIncludingMarkAndSpace) {
    TComPort port;
    struct Case {
        TParityBits bits;
        tcflag_t flags;
    } cases[] = {{prNone, 0},
                 {prOdd, PARENB | PARODD},
                 {prEven, PARENB},
                 {prMark, PARENB | PARODD | CMSPAR},
                 {prSpace, PARENB | CMSPAR}};
    for (const Case &k : cases) {
        port.Parity().SetBits(k.bits);
        EXPECT_EQ(Translate(port).tio.c_cflag & (PARENB | PARODD | CMSPAR), k.flags) << int(k.bits);
    }
    port.Parity().SetCheck(true);
    EXPECT_TRUE(Translate(port).tio.c_iflag & INPCK);
}

TEST(TermiosConfig, DataAndStopBits) {
    TComPort port;
    port.SetDataBits(dbFive);
    port.SetStopBits(sbOne5StopBits);
    TTermiosConfig c = Translate(port);
    EXPECT_EQ(c.tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
    EXPECT_TRUE(c.tio.c_cflag & CSTOPB); // 1.5 has no Linux form: two stop bits
    port.SetDataBits(dbSeven);
    port.SetStopBits(sbTwoStopBits);
    c = Translate(port);
    EXPECT_EQ(c.tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(c.bitsPerChar, 1u + 7 + 2);
}

TEST(TermiosConfig, FlowControlModes) {
    TComPort port;
    port.FlowControl().SetFlowControl(fcHardware);
    TTermiosConfig c = Translate(port);
    EXPECT_TRUE(c.tio.c_cflag & CRTSCTS);
    EXPECT_TRUE(c.rtsHandshake);

    port.FlowControl().SetFlowControl(fcSoftware);
    port.FlowControl().SetXonChar('A');
    port.FlowControl().SetXoffChar('B');
    c = Translate(port);
    EXPECT_FALSE(c.tio.c_cflag & CRTSCTS);
    EXPECT_TRUE(c.tio.c_iflag & IXON);
    EXPECT_TRUE(c.tio.c_iflag & IXOFF);
    EXPECT_EQ(c.tio.c_cc[VSTART], 'A');
    EXPECT_EQ(c.tio.c_cc[VSTOP], 'B');

    port.FlowControl().SetXonXoffIn(false);
    c = Translate(port);
    EXPECT_TRUE(c.tio.c_iflag & IXON);
    EXPECT_FALSE(c.tio.c_iflag & IXOFF);

    port.FlowControl().SetFlowControl(fcNone);
    port.FlowControl().SetControlDTR(dtrEnable);
    port.FlowControl().SetControlRTS(rtsToggle);
    port.FlowControl().SetOutDSRFlow(true);
    c = Translate(port);
    EXPECT_TRUE(c.raiseDTR);
    EXPECT_TRUE(c.rtsToggle);
    EXPECT_FALSE(c.raiseRTS);
    EXPECT_TRUE(c.outDsrFlow);
}

TEST(TermiosConfig, RatesStandardAndCustom) {
    TComPort port;
    port.SetBaudRate(br115200);
    const TTermiosConfig fast = Translate(port);
    EXPECT_EQ(cfgetospeed(&fast.tio), static_cast<speed_t>(B115200));
    port.SetBaudRate(br14400); // no Bnnn constant for 14400
    TTermiosConfig c = Translate(port);
    EXPECT_TRUE(c.customRate);
    EXPECT_EQ(c.baudRate, 14400u);
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(0);
    TTermiosConfig bad;
    EXPECT_EQ(BuildTermiosConfig(port.DeviceControlBlock(), bad), winerr::ERROR_INVALID_PARAMETER);
    port.SetCustomBaudRate(-5);
    EXPECT_EQ(BuildTermiosConfig(port.DeviceControlBlock(), bad), winerr::ERROR_INVALID_PARAMETER);
}

TEST(TermiosConfig, OutOfRangeCodesAreRefused) {
    TDeviceControlBlock b;
    b.BaudRate = 9600;
    b.ByteSize = 9;
    TTermiosConfig c;
    EXPECT_EQ(BuildTermiosConfig(b, c), winerr::ERROR_INVALID_PARAMETER);
    b.ByteSize = 8;
    b.Parity = 5;
    EXPECT_EQ(BuildTermiosConfig(b, c), winerr::ERROR_INVALID_PARAMETER);
}

TEST(ErrnoTable, TranslatesToTheWin32Numbers) {
    using cport::posix::WinErrorFromErrno;
    EXPECT_EQ(WinErrorFromErrno(ENOENT), 2);
    EXPECT_EQ(WinErrorFromErrno(ENOTDIR), 3);
    EXPECT_EQ(WinErrorFromErrno(EACCES), 5);
    EXPECT_EQ(WinErrorFromErrno(EBUSY), 5);
    EXPECT_EQ(WinErrorFromErrno(EBADF), 6);
    EXPECT_EQ(WinErrorFromErrno(EINVAL), 87);
    EXPECT_EQ(WinErrorFromErrno(ETIMEDOUT), 121);
    EXPECT_EQ(WinErrorFromErrno(EIO), 1117);
    EXPECT_EQ(WinErrorFromErrno(EPROTO), 31);
}

// A timed-out write empties the output queue only when everything in it is
// that write's own rest; bytes of earlier writes are never thrown away.
TEST(TimedOutWrite, DropsOnlyItsOwnRest) {
    struct Case {
        std::size_t accepted, queued, sent;
        bool flush;
    };
    const Case cases[] = {
        {100, 0, 100, false},                     // all gone out (or a pseudo-terminal, whose queue reads 0)
        {100, 30, 70, true},                      // the queue holds the last 30 of this write only
        {100, 100, 0, true},                      // nothing of it left the queue
        {100, 130, 100, false},                   // 30 bytes of an earlier write still queued ahead: keep all
        {0, 0, 0, false},       {0, 5, 0, false}, // the queue is someone else's entirely
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.accepted) + " accepted, " + std::to_string(c.queued) + " queued");
        const auto settled = cport::posix::SettleTimedOutWrite(c.accepted, c.queued);
        EXPECT_EQ(settled.sent, c.sent);
        EXPECT_EQ(settled.flush, c.flush);
    }
}
