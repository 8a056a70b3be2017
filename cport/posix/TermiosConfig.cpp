#include "TermiosConfig.h"

#include "cport/ComDevice.h"

namespace cport::posix {

namespace {
bool StandardSpeed(std::uint32_t rate, speed_t &code) {
    struct Entry {
        std::uint32_t rate;
        speed_t code;
    };
    static constexpr Entry kSpeeds[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
        {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
        {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
        {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
    };
    for (const Entry &e : kSpeeds)
        if (e.rate == rate) {
            code = e.code;
            return true;
        }
    return false;
}
} // namespace

std::int32_t BuildTermiosConfig(const TDeviceControlBlock &b, TTermiosConfig &out) {
    out = TTermiosConfig{};
    if (b.ByteSize < 5 || b.ByteSize > 8 || b.Parity > 4 || b.StopBits > 2)
        return winerr::ERROR_INVALID_PARAMETER;
    // Zero would hang the line up; a "negative" rate arrives here as a huge one.
    if (b.BaudRate == 0 || b.BaudRate > 0x7FFFFFFFu)
        return winerr::ERROR_INVALID_PARAMETER;

    termios &t = out.tio;
    // Raw line: bytes pass exactly as written and received.
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CREAD | CLOCAL | HUPCL;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[b.ByteSize - 5];
    switch (b.Parity) {
    case 1:
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        t.c_cflag |= PARENB;
        break;
    case 3:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (b.StopBits != 0)
        t.c_cflag |= CSTOPB;
    if (b.Flags & dcb::fParity)
        t.c_iflag |= INPCK;
    const std::uint32_t rts = b.RtsControl();
    out.rtsHandshake = rts == 2;
    out.rtsToggle = rts == 3;
    out.raiseRTS = rts == 1;
    if ((b.Flags & dcb::fOutxCtsFlow) || out.rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (b.Flags & dcb::fOutX)
        t.c_iflag |= IXON;
    if (b.Flags & dcb::fInX)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(b.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(b.XoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    out.raiseDTR = b.DtrControl() != 0;
    out.outDsrFlow = (b.Flags & dcb::fOutxDsrFlow) != 0;
    out.dsrSensitivity = (b.Flags & dcb::fDsrSensitivity) != 0;
    out.discardNull = (b.Flags & dcb::fNull) != 0;
    out.eventChar = b.EvtChar;

    out.baudRate = b.BaudRate;
    out.customRate = !StandardSpeed(b.BaudRate, out.speedCode);
    if (!out.customRate) {
        cfsetispeed(&t, out.speedCode);
        cfsetospeed(&t, out.speedCode);
    }
    out.bitsPerChar = 1u + b.ByteSize + (b.Parity ? 1u : 0u) + (b.StopBits ? 2u : 1u);
    return 0;
}

} // namespace cport::posix
