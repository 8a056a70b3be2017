#pragma once

#include <cstdint>

namespace cport::posix {

// A whole line configuration in the kernel's own terms, free of both the C
// library's and the kernel's termios headers (the two clash).
struct TLineTermios {
    std::uint32_t iflag = 0, oflag = 0, cflag = 0, lflag = 0; // cflag without speed bits
    std::uint8_t line = 0;
    static constexpr int kControlChars = 19;
    std::uint8_t cc[kControlChars] = {};
    std::uint32_t rate = 0;      // bits per second
    bool customRate = false;     // no Bnnn constant: the rate itself is passed (BOTHER)
    std::uint32_t speedCode = 0; // the Bnnn constant otherwise
};

// Sets the whole configuration, rate included, in one request (termios2), so
// the line never passes through another speed (B0 would drop DTR and RTS).
// Returns 0 or an errno value. A request the kernel refuses changes nothing;
// a custom rate that the device settled more than 2 % away from is refused
// with EINVAL and the previous configuration is put back.
int ApplyLineTermios(int fd, const TLineTermios &config);

} // namespace cport::posix
