#include "IntelHex.h"

#include "LoaderReplies.h"

#include <cstdio>

namespace loadersim {

bool IsHexDigit(std::uint8_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

void THexRecordReader::Clear() {
    inRecord_ = false;
    digits_.clear();
}

THexRecordReader::TResult THexRecordReader::Feed(std::uint8_t byte) {
    if (!inRecord_) {
        if (byte == ':') {
            inRecord_ = true;
            digits_.clear();
        }
        return TResult::Pending;
    }
    if (!IsHexDigit(byte)) {
        Clear();
        return TResult::NotHex;
    }
    digits_.push_back(static_cast<char>(byte));
    if (digits_.size() < 2)
        return TResult::Pending;
    const auto length = static_cast<std::size_t>(HexValue(digits_[0]) * 16 + HexValue(digits_[1]));
    if (digits_.size() < 2 * (5 + length))
        return TResult::Pending;

    std::vector<std::uint8_t> bytes;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < digits_.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(HexValue(digits_[i]) * 16 + HexValue(digits_[i + 1])));
        sum = static_cast<std::uint8_t>(sum + bytes.back());
    }
    record_.text = ":" + digits_;
    Clear();
    if (sum != 0)
        return TResult::Checksum;
    record_.address = static_cast<std::size_t>(bytes[1]) * 256 + bytes[2];
    record_.type = bytes[3];
    record_.data.assign(bytes.begin() + 4, bytes.end() - 1);
    return TResult::Record;
}

std::string HexDataRecord(std::size_t address, const std::uint8_t *data, std::size_t count) {
    char digits[3];
    std::string out = ":";
    std::uint8_t sum = 0;
    const auto put = [&](std::uint8_t b) {
        std::snprintf(digits, sizeof digits, kSimulatorChoice.dumpByte, b);
        out += digits;
        sum = static_cast<std::uint8_t>(sum + b);
    };
    put(static_cast<std::uint8_t>(count));
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address));
    put(0x00);
    for (std::size_t i = 0; i < count; ++i)
        put(data[i]);
    put(static_cast<std::uint8_t>(0x100 - sum));
    return out;
}

} // namespace loadersim
