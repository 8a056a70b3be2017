#pragma once

#include "cport/ComSettings.h"

#include <cstdint>
#include <termios.h>

namespace cport::posix {

// What a device-control block becomes on a Linux tty. termios carries the
// line format, flow control and the raw mode; the rest is done by the
// engine's own read/write path or is not available here:
//   DTR control    disable/enable: DTR lowered/raised by a modem-control call;
//                  handshake: Linux has no DTR input handshake, DTR is raised.
//   RTS control    disable/enable: RTS lowered/raised; handshake: CRTSCTS;
//                  toggle: the write path raises RTS while a write runs.
//   CTS output flow  CRTSCTS (Linux couples it with RTS handshake).
//   DSR output flow  the write path holds output while DSR is low.
//   DSR sensitivity  the read path drops bytes received while DSR is low.
//   DiscardNull      the read path drops NUL bytes.
//   parity check     INPCK; replacing bad bytes with ErrorChar is not
//                    available (Linux delivers them as NUL).
//   1.5 stop bits    two stop bits (CSTOPB): the nearest a Linux UART does.
//   TxContinueOnXoff, XonLim/XoffLim  not available (the kernel's own thresholds).
struct TTermiosConfig {
    termios tio{};
    std::uint32_t baudRate = 0; // bits per second
    bool customRate = false;    // no Bnnn constant: set through BOTHER
    speed_t speedCode = 0;      // the Bnnn constant when !customRate
    bool raiseDTR = false;      // DTR after applying
    bool raiseRTS = false;      // RTS after applying (not with handshake)
    bool rtsHandshake = false;
    bool rtsToggle = false;
    bool outDsrFlow = false;
    bool dsrSensitivity = false;
    bool discardNull = false;
    char eventChar = 0;
    std::uint32_t bitsPerChar = 10; // start + data + parity + stop, for timing the line
};

// Translates the block; returns 0 or ERROR_INVALID_PARAMETER (87) for a value
// no tty can take (data bits, parity or stop-bit code out of range, rate 0).
std::int32_t BuildTermiosConfig(const TDeviceControlBlock &block, TTermiosConfig &out);

} // namespace cport::posix
