#include "EscapeCodes.h"

#include <charconv>
#include <cstring>

namespace cport {

TEscapeResult TEscapeCodes::End(TEscapeCode code) {
    if (code == ecIncomplete) {
        // Cut off: the characters so far stay in SequenceText for the caller
        // to inspect, and nothing half-parsed is passed on as parameters.
        code = ecInvalid;
        ClearParameters();
    }
    lastCode_ = code;
    inSequence_ = false;
    SequenceEnded();
    return erCode;
}

TEscapeResult TEscapeCodes::FeedChars(const char *Text, std::size_t Length, std::size_t &Consumed) {
    for (Consumed = 0; Consumed < Length;) {
        const TEscapeResult result = FeedChar(Text[Consumed++]);
        if (result != erPending)
            return result;
    }
    return erPending;
}

std::size_t TEscapeCodes::PlainRun(const char *, std::size_t) { return 0; }

std::size_t TEscapeCodes::ScanPlain(const char *Text, std::size_t Length) {
    if (inSequence_ || Length == 0)
        return 0;
    const void *esc = std::memchr(Text, kEsc, Length);
    const std::size_t run = esc != nullptr ? static_cast<std::size_t>(static_cast<const char *>(esc) - Text) : Length;
    if (run > 0)
        lastChar_ = Text[run - 1];
    return run;
}

std::int32_t ParameterNumber(std::string_view text) {
    // The usual case first: a few plain digits.
    if (!text.empty() && text.size() <= 9) {
        std::int32_t value = 0;
        std::size_t i = 0;
        for (; i < text.size(); ++i) {
            const unsigned digit = static_cast<unsigned char>(text[i]) - '0';
            if (digit > 9)
                break;
            value = value * 10 + static_cast<std::int32_t>(digit);
        }
        if (i == text.size())
            return value;
    }
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

std::int32_t TEscapeCodes::ParameterValue(std::int32_t Index, const TStringList *Params) {
    if (Params == nullptr || Index < 1 || static_cast<std::size_t>(Index) > Params->size())
        return 1;
    return ParameterNumber((*Params)[static_cast<std::size_t>(Index) - 1]);
}

void TEscapeCodes::SplitPending() const {
    pending_ = false;
    SplitParameters(PendingText(), parameters_);
}

void TEscapeCodes::ScanValues(std::string_view text) const {
    // The usual case in one pass: numbers of a few digits, each closed by ";".
    std::int32_t count = 0;
    std::int32_t value = 0;
    std::int32_t digits = 0;
    bool plain = true;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - '0';
        if (digit <= 9 && digits < 9) {
            value = value * 10 + static_cast<std::int32_t>(digit);
            ++digits;
        } else if (c == ';' && digits > 0) {
            if (count < kKeptValues)
                values_[count] = value;
            ++count;
            value = 0;
            digits = 0;
        } else {
            plain = false;
            break;
        }
    }
    if (plain) {
        if (digits > 0) {
            if (count < kKeptValues)
                values_[count] = value;
            ++count;
        }
        valueCount_ = count;
        return;
    }
    count = 0;
    std::size_t pos = 0;
    std::string_view token;
    while (NextParameter(text, pos, token)) {
        if (count < kKeptValues)
            values_[count] = ParameterNumber(token);
        ++count;
    }
    valueCount_ = count;
}

std::string_view TEscapeCodes::ParameterText(std::int32_t Index) const {
    if (Index < 1)
        return {};
    if (!pending_)
        return static_cast<std::size_t>(Index) <= parameters_.size()
                   ? std::string_view(parameters_[static_cast<std::size_t>(Index) - 1])
                   : std::string_view();
    const std::string_view text = PendingText();
    std::size_t pos = 0;
    std::string_view token;
    for (std::int32_t i = 1; NextParameter(text, pos, token); ++i)
        if (i == Index)
            return token;
    return {};
}

std::int32_t TEscapeCodes::ParameterValueSlow(std::int32_t Index) const {
    if (!pending_)
        return ParameterValue(Index, &parameters_);
    return ParameterNumber(ParameterText(Index));
}

void SplitParameters(std::string_view text, TStringList &list) {
    list.clear();
    // A token takes its first character whatever it is (a ";" on an empty
    // token is part of it) and runs to the next ";", which closes it.
    std::size_t pos = 0;
    std::string_view token;
    while (NextParameter(text, pos, token))
        list.emplace_back(token);
}

void AppendDecimal(std::string &out, std::int32_t value) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    out.append(digits, end);
}

} // namespace cport
