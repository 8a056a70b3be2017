#include "LoaderProtocol.h"

#include <algorithm>

namespace loadersim {

namespace {

// Characters the command line takes (after folding to upper case).
bool IsLineCharacter(std::uint8_t c) {
    return (c >= '0' && c <= '9') || c == ':' || c == ' ' || (c >= 'A' && c <= 'Z');
}

constexpr std::uint8_t kBackspace = 0x08;
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kCarriageReturn = 0x0D;
constexpr std::uint8_t kDelete = 0x7F;
// What is kept of an overlong line: enough that deleting back below the limit
// gives the line as typed.
constexpr std::size_t kLineKept = 64;

} // namespace

TLoaderProtocol::TLoaderProtocol() {
    image_.fill(kSimulatorChoice.erasedMemory);
    ports_.fill(kSimulatorChoice.portLatchAtPowerUp);
    key_ = kSimulatorChoice.erasedKey;
}

std::string TLoaderProtocol::BannerLine(bool lowerCase) {
    return lowerCase ? kSimulatorChoice.bannerLowerCase : kSimulatorChoice.banner;
}

std::size_t TLoaderProtocol::RangeEnd() const { return (mcon_ & 0x08) != 0 ? 0x7FFF : 0x1FFF; }

void TLoaderProtocol::Poke(std::size_t address, const std::vector<std::uint8_t> &bytes) {
    for (std::size_t i = 0; i < bytes.size() && address + i < kMemorySize; ++i)
        image_[address + i] = bytes[i];
}

void TLoaderProtocol::Reset() {
    mode_ = TMode::WaitingForWakeUp;
    line_.clear();
    typed_ = 0;
    reader_.Clear();
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
    case TMode::Verifying:
    case TMode::Tracing:
        FeedDownload(byte, reply);
        return false;
    }
    return false;
}

void TLoaderProtocol::FeedCommandLine(std::uint8_t byte, std::string &reply) {
    if (byte == kCarriageReturn) {
        RunLine(reply);
        return;
    }
    if (byte == kDelete || byte == kBackspace) {
        // Nothing to take back: nothing is echoed, so the prompt stays intact.
        if (typed_ == 0)
            return;
        --typed_;
        if (line_.size() > typed_)
            line_.pop_back();
        reply += kSimulatorChoice.deleteEcho;
        return;
    }
    if (byte == kTab)
        byte = ' ';
    if (byte >= 'a' && byte <= 'z')
        byte = static_cast<std::uint8_t>(byte - 'a' + 'A');
    if (!IsLineCharacter(byte))
        return; // not echoed, not kept
    reply.push_back(static_cast<char>(byte));
    if (line_.size() < kLineKept)
        line_.push_back(static_cast<char>(byte));
    ++typed_;
}

void TLoaderProtocol::Line(const std::string &text, std::string &reply) {
    reply += kSimulatorChoice.lineStart;
    reply += text;
}

void TLoaderProtocol::Fail(const char *code, std::string &reply) {
    Line(code, reply);
    reply += kPrompt;
    mode_ = TMode::CommandLine;
    reader_.Clear();
}

void TLoaderProtocol::RunLine(std::string &reply) {
    const std::string line = line_;
    const bool tooLong = typed_ > kMaxLineLength;
    line_.clear();
    typed_ = 0;
    if (tooLong)
        return Fail(kSimulatorChoice.longLine, reply);
    const auto first = line.find_first_not_of(' ');
    if (first == std::string::npos) {
        reply += kPrompt;
        return;
    }
    RunCommand(line[first], line.substr(first + 1), reply);
}

void TLoaderProtocol::FeedDownload(std::uint8_t byte, std::string &reply) {
    switch (reader_.Feed(byte)) {
    case THexRecordReader::TResult::Pending:
        return;
    case THexRecordReader::TResult::NotHex:
        return Fail(kSimulatorChoice.notHex, reply);
    case THexRecordReader::TResult::Checksum:
        if (mode_ == TMode::Tracing)
            Line(reader_.Record().text, reply);
        return Fail(kSimulatorChoice.checksum, reply);
    case THexRecordReader::TResult::Record:
        return TakeRecord(reader_.Record(), reply);
    }
}

void TLoaderProtocol::TakeRecord(const THexRecord &record, std::string &reply) {
    if (mode_ == TMode::Tracing)
        Line(record.text, reply);
    if (record.type == 0x01) {
        if (mode_ == TMode::Loading)
            ++completedLoads_;
        if (mode_ == TMode::Verifying && !verifyDiffered_)
            Line(kSimulatorChoice.verifyOk, reply);
        mode_ = TMode::CommandLine;
        reply += kPrompt;
        return;
    }
    if (record.type != 0x00)
        return Fail(kSimulatorChoice.recordType, reply);
    if (mode_ == TMode::Tracing)
        return;
    if (!record.data.empty() && record.address + record.data.size() - 1 > RangeEnd())
        return Fail(kSimulatorChoice.range, reply);
    if (mode_ == TMode::Verifying) {
        if (!std::equal(record.data.begin(), record.data.end(),
                        image_.begin() + static_cast<std::ptrdiff_t>(record.address))) {
            verifyDiffered_ = true;
            Line(kSimulatorChoice.verify, reply);
        }
        return;
    }
    std::copy(record.data.begin(), record.data.end(), image_.begin() + static_cast<std::ptrdiff_t>(record.address));
    ++dataRecords_;
}

} // namespace loadersim
