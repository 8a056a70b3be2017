#include "LoaderLine.h"

namespace loadersim {

namespace {

constexpr std::uint8_t kCarriageReturn = 0x0D;

// What a UART at another rate or framing reads of a byte: never plain ASCII.
std::uint8_t Garbled(std::uint8_t byte) { return static_cast<std::uint8_t>(0x80 | ((byte ^ 0x5A) & 0x7F)); }

} // namespace

bool IsLoaderRate(unsigned rate) {
    return rate == 57600 || rate == 19200 || rate == 9600 || rate == 2400 || rate == 1200 || rate == 300;
}

bool TLoaderLine::Matches(const TLineFormat &programmer) const {
    return rate_ != 0 && programmer.outRate == rate_ && programmer.inRate == rate_ && programmer.eightNoneOne;
}

bool TLoaderLine::Receive(std::uint8_t byte, const TLineFormat &programmer, std::string &reply) {
    if (rate_ == 0) {
        if (byte != kCarriageReturn || !IsLoaderRate(programmer.outRate) || !programmer.eightNoneOne)
            return false;
        rate_ = programmer.outRate;
        stopped_ = false;
        return protocol_.Feed(byte, reply);
    }
    if (!Matches(programmer))
        byte = Garbled(byte);
    if (byte == kXoff) {
        stopped_ = true;
        return false;
    }
    if (byte == kXon || byte == kCtrlC) {
        stopped_ = false;
        return false;
    }
    return protocol_.Feed(byte, reply);
}

std::string TLoaderLine::Transmit(const std::string &bytes, const TLineFormat &programmer) const {
    if (rate_ == 0 || Matches(programmer))
        return bytes;
    std::string out = bytes;
    for (char &c : out)
        c = static_cast<char>(Garbled(static_cast<std::uint8_t>(c)));
    return out;
}

void TLoaderLine::Break() {
    rate_ = 0;
    stopped_ = false;
    protocol_.Reset();
}

} // namespace loadersim
