#include "LoaderProtocol.h"

#include <cctype>
#include <vector>

namespace loadersim {

namespace {

bool IsHexDigit(std::uint8_t c) { return std::isxdigit(c) != 0; }

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    return std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
}

// Characters the command line takes (after folding to upper case).
bool IsLineCharacter(std::uint8_t c) {
    return (c >= '0' && c <= '9') || c == ':' || c == ' ' || (c >= 'A' && c <= 'Z');
}

constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kDelete = 0x7F;

} // namespace

TLoaderProtocol::TLoaderProtocol() { image_.fill(0xFF); }

std::string TLoaderProtocol::BannerLine(bool lowerCase) {
    return lowerCase ? "ds5000 loader version 2.1" : "DS5000 LOADER VERSION 2.1";
}

void TLoaderProtocol::Reset() {
    mode_ = TMode::WaitingForWakeUp;
    line_.clear();
    lineTooLong_ = false;
    inRecord_ = false;
    recordDigits_.clear();
}

bool TLoaderProtocol::Feed(std::uint8_t byte, std::string &reply) {
    switch (mode_) {
    case TMode::WaitingForWakeUp:
        if (byte != kCarriageReturn)
            return false;
        mode_ = TMode::CommandLine;
        return true;
    case TMode::CommandLine:
        FeedCommandLine(byte, reply);
        return false;
    case TMode::Loading:
        FeedLoad(byte, reply);
        return false;
    }
    return false;
}

void TLoaderProtocol::FeedCommandLine(std::uint8_t byte, std::string &reply) {
    if (byte == kCarriageReturn) {
        RunLine(reply);
        return;
    }
    if (byte == kDelete) {
        if (!line_.empty())
            line_.pop_back();
        reply.push_back(static_cast<char>(kDelete));
        return;
    }
    const auto upper = static_cast<std::uint8_t>(std::toupper(byte));
    if (!IsLineCharacter(upper))
        return; // not echoed, not kept
    reply.push_back(static_cast<char>(upper));
    if (line_.size() < kMaxLineLength)
        line_.push_back(static_cast<char>(upper));
    else
        lineTooLong_ = true;
}

void TLoaderProtocol::Fail(const char *code, std::string &reply) {
    reply += "\r\n";
    reply += code;
    reply += kPrompt;
    mode_ = TMode::CommandLine;
    inRecord_ = false;
    recordDigits_.clear();
}

void TLoaderProtocol::RunLine(std::string &reply) {
    std::string command;
    for (char c : line_)
        if (c != ' ')
            command.push_back(c);
    const bool tooLong = lineTooLong_;
    line_.clear();
    lineTooLong_ = false;

    if (tooLong)
        return Fail("E:LONG", reply);
    if (command.empty()) {
        reply += kPrompt;
        return;
    }
    const char letter = command[0];
    const std::string args = command.substr(1);
    if (letter == 'W') {
        if (args.size() != 2)
            return Fail("E:PARAM", reply);
        if (!IsHexDigit(static_cast<std::uint8_t>(args[0])) || !IsHexDigit(static_cast<std::uint8_t>(args[1])))
            return Fail("E:NOTHEX", reply);
        partition_ = HexValue(args[0]) * 16 + HexValue(args[1]);
        reply += kPrompt;
        return;
    }
    if (letter == 'L') {
        if (!args.empty())
            return Fail("E:PARAM", reply);
        reply += "\r\n";
        mode_ = TMode::Loading;
        inRecord_ = false;
        recordDigits_.clear();
        return;
    }
    Fail("E:COMMAND", reply);
}

void TLoaderProtocol::FeedLoad(std::uint8_t byte, std::string &reply) {
    if (!inRecord_) {
        // Line ends and anything else between records are of no interest.
        if (byte == ':') {
            inRecord_ = true;
            recordDigits_.clear();
        }
        return;
    }
    if (!IsHexDigit(byte))
        return Fail("E:NOTHEX", reply);
    recordDigits_.push_back(static_cast<char>(byte));
    if (recordDigits_.size() < 2)
        return;
    const std::size_t dataLength =
        static_cast<std::size_t>(HexValue(recordDigits_[0]) * 16 + HexValue(recordDigits_[1]));
    if (recordDigits_.size() == 2 * (5 + dataLength))
        FinishRecord(reply);
}

void TLoaderProtocol::FinishRecord(std::string &reply) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < recordDigits_.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(HexValue(recordDigits_[i]) * 16 + HexValue(recordDigits_[i + 1])));
    inRecord_ = false;
    recordDigits_.clear();

    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes)
        sum = static_cast<std::uint8_t>(sum + b);
    if (sum != 0)
        return Fail("E:CHKSUM", reply);

    const std::size_t length = bytes[0];
    const std::size_t address = static_cast<std::size_t>(bytes[1]) * 256 + bytes[2];
    const std::uint8_t type = bytes[3];
    if (type == 0x01) {
        ++completedLoads_;
        mode_ = TMode::CommandLine;
        reply += kPrompt;
        return;
    }
    if (type != 0x00)
        return Fail("E:RECTYP", reply);
    if (address + length > kMemorySize)
        return Fail("E:RANGE", reply);
    for (std::size_t i = 0; i < length; ++i)
        image_[address + i] = bytes[4 + i];
    ++dataRecords_;
}

} // namespace loadersim
