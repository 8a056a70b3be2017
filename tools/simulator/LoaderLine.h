#pragma once

#include "LoaderProtocol.h"

#include <cstdint>
#include <string>

namespace loadersim {

// The programmer's side of the serial line as the chip would meet it.
struct TLineFormat {
    unsigned outRate = 0; // bit/s the programmer sends at
    unsigned inRate = 0;  // bit/s it receives at
    bool eightNoneOne = false;
};

// The six rates the loader's auto-baud recognises.
bool IsLoaderRate(unsigned rate);

// The chip's serial side without a transport: the auto-baud measurement at the
// wake-up carriage return (and again after a break), XON/XOFF on its output,
// and what a programmer set to other line settings makes of the traffic.
//
// A wake-up at one of the six rates with 8N1 fixes the rate. At any other rate
// the chip stays silent and waits. Once the rate is fixed, a programmer whose
// settings differ sends garbage to the chip and reads garbage from it (bytes
// with the top bit set, so never a legal character or a text it could match).
class TLoaderLine {
  public:
    static constexpr std::uint8_t kXon = 0x11;
    static constexpr std::uint8_t kXoff = 0x13;
    static constexpr std::uint8_t kCtrlC = 0x03;

    explicit TLoaderLine(TLoaderProtocol &protocol) : protocol_(protocol) {}

    // One byte from the programmer, with its line settings at that moment.
    // Returns true at the wake-up: the banner is due.
    bool Receive(std::uint8_t byte, const TLineFormat &programmer, std::string &reply);
    // What the programmer reads of bytes the chip sends.
    std::string Transmit(const std::string &bytes, const TLineFormat &programmer) const;

    // XOFF arrived and no XON or Ctrl-C since: the chip sends nothing.
    bool OutputStopped() const { return stopped_; }
    // The rate fixed at the last wake-up; 0 while waiting for one.
    unsigned MeasuredRate() const { return rate_; }
    bool Matches(const TLineFormat &programmer) const;

    // A break on the line: the next carriage return measures the rate again.
    void Break();

  private:
    TLoaderProtocol &protocol_;
    unsigned rate_ = 0;
    bool stopped_ = false;
};

} // namespace loadersim
