#include "ValueTexts.h"

#include <array>
#include <cstddef>

namespace cport {

namespace {

constexpr std::array<const char *, 16> kBaudRateTexts = {"Custom", "110",    "300",    "600",   "1200",  "2400",
                                                         "4800",   "9600",   "14400",  "19200", "38400", "56000",
                                                         "57600",  "115200", "128000", "256000"};
constexpr std::array<const char *, 3> kStopBitsTexts = {"1", "1.5", "2"};
constexpr std::array<const char *, 4> kDataBitsTexts = {"5", "6", "7", "8"};
constexpr std::array<const char *, 5> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char *, 4> kFlowControlTexts = {"Hardware", "Software", "None", "Custom"};
constexpr std::array<const char *, 3> kDTRControlTexts = {"Disable", "Enable", "Handshake"};
constexpr std::array<const char *, 4> kRTSControlTexts = {"Disable", "Enable", "Handshake", "Toggle"};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A value outside the table (only reachable through a cast) has no text.
template <std::size_t N> std::string ToText(const std::array<const char *, N> &texts, unsigned ordinal) {
    return ordinal < N ? texts[ordinal] : "";
}

template <typename E, std::size_t N>
E FromText(const std::array<const char *, N> &texts, const std::string &text, E fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (SameTextAscii(text, texts[i]))
            return static_cast<E>(i);
    return fallback;
}

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (!hex)
        return -1;
    const char u = UpperAscii(c);
    return (u >= 'A' && u <= 'F') ? u - 'A' + 10 : -1;
}

} // namespace

std::string UpperCaseAscii(std::string text) {
    for (char &c : text)
        c = UpperAscii(c);
    return text;
}

bool SameTextAscii(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

std::string BaudRateToText(TBaudRate value) { return ToText(kBaudRateTexts, value); }
TBaudRate TextToBaudRate(const std::string &text) { return FromText(kBaudRateTexts, text, br9600); }
std::string StopBitsToText(TStopBits value) { return ToText(kStopBitsTexts, value); }
TStopBits TextToStopBits(const std::string &text) { return FromText(kStopBitsTexts, text, sbOneStopBit); }
std::string DataBitsToText(TDataBits value) { return ToText(kDataBitsTexts, value); }
TDataBits TextToDataBits(const std::string &text) { return FromText(kDataBitsTexts, text, dbEight); }
std::string ParityToText(TParityBits value) { return ToText(kParityTexts, value); }
TParityBits TextToParity(const std::string &text) { return FromText(kParityTexts, text, prNone); }
std::string FlowControlToText(TFlowControl value) { return ToText(kFlowControlTexts, value); }
TFlowControl TextToFlowControl(const std::string &text) { return FromText(kFlowControlTexts, text, fcCustom); }
std::string DTRControlToText(TDTRFlowControl value) { return ToText(kDTRControlTexts, value); }
TDTRFlowControl TextToDTRControl(const std::string &text) { return FromText(kDTRControlTexts, text, dtrDisable); }
std::string RTSControlToText(TRTSFlowControl value) { return ToText(kRTSControlTexts, value); }
TRTSFlowControl TextToRTSControl(const std::string &text) { return FromText(kRTSControlTexts, text, rtsDisable); }

std::string BoolToText(bool value) { return value ? "Yes" : "No"; }
bool TextToBool(const std::string &text) { return SameTextAscii(text, "YES"); }

std::string CharToText(char value) {
    const auto code = static_cast<unsigned char>(value);
    if (code >= 33 && code <= 127)
        return std::string(1, value);
    // Appended rather than concatenated: GCC 12 at -O3 warns falsely about
    // the inlined operator+ (-Wrestrict).
    std::string text = "#";
    text += std::to_string(code);
    return text;
}

char TextToChar(const std::string &text) {
    if (text.empty())
        return 0;
    if (text.size() >= 2 && text[0] == '#') {
        std::int32_t code = 0;
        if (!TryTextToInt(text.substr(1), code))
            return 0;
        return static_cast<char>(static_cast<unsigned char>(static_cast<std::uint32_t>(code) & 0xFFu));
    }
    return text[0];
}

bool TryTextToInt(const std::string &text, std::int32_t &value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return false;
    // The magnitude may reach 2^31 only for a negative number.
    const std::uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
    const unsigned base = hex ? 16 : 10;
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = DigitValue(text[i], hex);
        if (digit < 0)
            return false;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return false;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return true;
}

} // namespace cport
