// The loader's commands: argument rules and what each one does and prints.
#include "LoaderProtocol.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

namespace loadersim {

namespace {

std::optional<std::uint64_t> ParseHex(const std::string &word) {
    if (word.empty() || word.size() > 15)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : word) {
        if (!IsHexDigit(static_cast<std::uint8_t>(c)))
            return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(HexValue(c));
    }
    return value;
}

bool AllHex(const std::string &text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return IsHexDigit(static_cast<std::uint8_t>(c)); });
}

std::vector<std::string> Words(const std::string &text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::string Digits(const std::string &text) {
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits.push_back(c);
    return digits;
}

template <typename... TArgs> std::string Format(const char *format, TArgs... args) {
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

} // namespace

std::uint16_t TLoaderProtocol::Crc16(const std::uint8_t *data, std::size_t count) {
    std::uint16_t crc = kSimulatorChoice.crcInitial;
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ kSimulatorChoice.crcPolynomialReflected)
                                 : static_cast<std::uint16_t>(crc >> 1);
    }
    return static_cast<std::uint16_t>(crc ^ kSimulatorChoice.crcFinalXor);
}

void TLoaderProtocol::RunCommand(char letter, const std::string &arguments, std::string &reply) {
    const auto words = Words(arguments);
    const auto digits = Digits(arguments);
    const char *error = nullptr;
    const bool needsUnlocked = letter == 'C' || letter == 'D' || letter == 'L' || letter == 'T' || letter == 'V';
    if (needsUnlocked && locked_)
        return Fail(kSimulatorChoice.locked, reply);
    switch (letter) {
    case 'C':
        error = Crc(words, reply);
        break;
    case 'D':
        error = Dump(words, reply);
        break;
    case 'F':
        error = Fill(words);
        break;
    case 'G':
        error = Get(digits, reply);
        break;
    case 'K':
        error = LoadKey(digits);
        break;
    case 'P':
        error = Put(digits);
        break;
    case 'W':
        error = WriteMcon(digits);
        break;
    case 'R':
        if (!digits.empty())
            return Fail(kSimulatorChoice.param, reply);
        Line(Format(kSimulatorChoice.mcon, static_cast<unsigned>(mcon_)), reply);
        break;
    case 'Z':
    case 'U':
        if (!digits.empty())
            return Fail(kSimulatorChoice.param, reply);
        locked_ = letter == 'Z';
        if (letter == 'U') {
            image_.fill(kSimulatorChoice.erasedMemory);
            key_ = kSimulatorChoice.erasedKey;
        }
        break;
    case 'L':
    case 'V':
    case 'T':
        if (!digits.empty())
            return Fail(kSimulatorChoice.param, reply);
        mode_ = letter == 'L' ? TMode::Loading : letter == 'V' ? TMode::Verifying : TMode::Tracing;
        verifyDiffered_ = false;
        reader_.Clear();
        return; // the prompt comes after the end record
    default:
        return Fail(kSimulatorChoice.command, reply);
    }
    if (error != nullptr)
        return Fail(error, reply);
    reply += kPrompt;
}

const char *TLoaderProtocol::ParseRange(const std::vector<std::string> &words, std::size_t first, TRange &range) const {
    if (words.size() > first + 2)
        return kSimulatorChoice.param;
    std::uint64_t begin = 0;
    std::uint64_t end = RangeEnd();
    for (std::size_t i = first; i < words.size(); ++i) {
        const auto value = ParseHex(words[i]);
        if (!value)
            return AllHex(words[i]) ? kSimulatorChoice.range : kSimulatorChoice.notHex;
        (i == first ? begin : end) = *value;
    }
    if (begin > RangeEnd() || end > RangeEnd() || end < begin)
        return kSimulatorChoice.range;
    range.begin = static_cast<std::size_t>(begin);
    range.end = static_cast<std::size_t>(end);
    return nullptr;
}

const char *TLoaderProtocol::Crc(const std::vector<std::string> &words, std::string &reply) const {
    TRange range;
    if (const char *error = ParseRange(words, 0, range))
        return error;
    const std::uint16_t crc = Crc16(image_.data() + range.begin, range.end - range.begin + 1);
    Line(Format(kSimulatorChoice.crc, static_cast<unsigned>(crc)), reply);
    return nullptr;
}

const char *TLoaderProtocol::Dump(const std::vector<std::string> &words, std::string &reply) const {
    TRange range;
    if (const char *error = ParseRange(words, 0, range))
        return error;
    const std::size_t step = kSimulatorChoice.dumpRecordBytes;
    for (std::size_t address = range.begin; address <= range.end; address += step)
        Line(HexDataRecord(address, image_.data() + address, std::min(step, range.end - address + 1)), reply);
    Line(kSimulatorChoice.dumpEnd, reply);
    return nullptr;
}

const char *TLoaderProtocol::Fill(const std::vector<std::string> &words) {
    if (words.empty())
        return kSimulatorChoice.param;
    if (words[0].size() != 2)
        return kSimulatorChoice.param;
    const auto value = ParseHex(words[0]);
    if (!value)
        return kSimulatorChoice.notHex;
    TRange range;
    if (const char *error = ParseRange(words, 1, range))
        return error;
    std::fill(image_.begin() + static_cast<std::ptrdiff_t>(range.begin),
              image_.begin() + static_cast<std::ptrdiff_t>(range.end) + 1, static_cast<std::uint8_t>(*value));
    return nullptr;
}

const char *TLoaderProtocol::Get(const std::string &digits, std::string &reply) const {
    if (digits.size() > 1)
        return kSimulatorChoice.param;
    if (!AllHex(digits))
        return kSimulatorChoice.notHex;
    const auto text = [this](std::size_t n) {
        return Format(kSimulatorChoice.port, static_cast<unsigned>(n), static_cast<unsigned>(ports_[n]));
    };
    if (digits.empty()) {
        std::string all;
        for (std::size_t n = 0; n < kPortCount; ++n)
            all += (n == 0 ? "" : kSimulatorChoice.portSeparator) + text(n);
        Line(all, reply);
        return nullptr;
    }
    const auto n = static_cast<std::size_t>(HexValue(digits[0]));
    if (n >= kPortCount)
        return kSimulatorChoice.param;
    Line(text(n), reply);
    return nullptr;
}

const char *TLoaderProtocol::Put(const std::string &digits) {
    if (digits.size() != 3)
        return kSimulatorChoice.param;
    if (!AllHex(digits))
        return kSimulatorChoice.notHex;
    const auto n = static_cast<std::size_t>(HexValue(digits[0]));
    if (n >= kPortCount)
        return kSimulatorChoice.param;
    ports_[n] = static_cast<std::uint8_t>(HexValue(digits[1]) * 16 + HexValue(digits[2]));
    return nullptr;
}

const char *TLoaderProtocol::LoadKey(const std::string &digits) {
    if (digits.size() != 10)
        return kSimulatorChoice.param;
    if (!AllHex(digits))
        return kSimulatorChoice.notHex;
    key_ = *ParseHex(digits);
    return nullptr;
}

const char *TLoaderProtocol::WriteMcon(const std::string &digits) {
    if (digits.size() != 2)
        return kSimulatorChoice.param;
    if (!AllHex(digits))
        return kSimulatorChoice.notHex;
    mcon_ = static_cast<std::uint8_t>(*ParseHex(digits));
    partition_ = mcon_;
    return nullptr;
}

} // namespace loadersim
