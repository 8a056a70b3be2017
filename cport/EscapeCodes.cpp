#include "EscapeCodes.h"

#include <charconv>

namespace cport {

namespace {
constexpr char ESC = 27;
}

bool TEscapeCodes::TakeChar(char Ch, TEscapeResult &result) {
    if (!inSequence_) {
        if (Ch != ESC) {
            lastChar_ = Ch;
            result = erChar;
        } else {
            sequenceText_.clear();
            inSequence_ = true;
            result = erPending;
        }
        return false;
    }
    // An ESC inside a sequence is collected like any other character; it does
    // not restart the sequence.
    sequenceText_.push_back(Ch);
    return true;
}

TEscapeResult TEscapeCodes::Finish(TEscapeCode code) {
    if (code == ecIncomplete) {
        if (sequenceText_.size() < MaxSequenceLength)
            return erPending;
        // Cut off: the characters so far stay in SequenceText for the caller
        // to inspect, and nothing half-parsed is passed on as parameters.
        code = ecInvalid;
        parameters_.clear();
    }
    lastCode_ = code;
    inSequence_ = false;
    SequenceEnded();
    return erCode;
}

std::int32_t TEscapeCodes::ParameterValue(std::int32_t Index, const TStringList *Params) {
    if (Params == nullptr || Index < 1 || static_cast<std::size_t>(Index) > Params->size())
        return 1;
    const std::string &text = (*Params)[static_cast<std::size_t>(Index) - 1];
    const char *first = text.data();
    const char *last = first + text.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    std::uint32_t magnitude = 0;
    auto [end, ec] = std::from_chars(first, last, magnitude);
    if (first == last || ec != std::errc() || end != last)
        return 1;
    const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
    if (magnitude > limit)
        return 1;
    return negative ? static_cast<std::int32_t>(0u - magnitude) : static_cast<std::int32_t>(magnitude);
}

void SplitParameters(std::string_view text, TStringList &list) {
    list.clear();
    // The open token is never empty, so a ";" on an empty token becomes part
    // of the next one. Tokens are built in place to spare a temporary.
    bool open = false;
    for (char c : text) {
        if (c == ';' && open) {
            open = false;
            continue;
        }
        if (!open) {
            list.emplace_back();
            open = true;
        }
        list.back().push_back(c);
    }
}

void AppendDecimal(std::string &out, std::int32_t value) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    out.append(digits, end);
}

} // namespace cport
