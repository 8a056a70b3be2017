#include "EscapeCodes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace cport {

namespace {
constexpr char ESC = 27;

inline bool IsLetter(char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }

// The position of the first letter in text[from, limit), or limit.
std::size_t FindLetter(const char *text, std::size_t from, std::size_t limit) {
    if constexpr (std::endian::native == std::endian::little) {
        // Eight characters at a time, without a branch per character: with
        // bit 5 set, a letter lies strictly between 0x60 and 0x7B, and no
        // byte with the top bit set is one. Each byte is worked on alone.
        constexpr std::uint64_t ones = 0x0101010101010101ull;
        constexpr std::uint64_t low7 = ones * 0x7F;
        while (from + 8 <= limit) {
            std::uint64_t x;
            std::memcpy(&x, text + from, 8);
            x |= ones * 0x20;
            const std::uint64_t below = ones * (127 + 0x7B) - (x & low7);
            const std::uint64_t above = (x & low7) + ones * (127 - 0x60);
            const std::uint64_t letters = below & ~x & above & (ones * 0x80);
            if (letters != 0)
                return from + static_cast<std::size_t>(std::countr_zero(letters) >> 3);
            from += 8;
        }
    }
    while (from < limit && !IsLetter(text[from]))
        ++from;
    return from;
}

// What each final letter of a control sequence means when the parameters do
// not decide; ecIncomplete marks the letters whose parameters do.
constexpr std::array<TEscapeCode, 128> FinalCodes() {
    std::array<TEscapeCode, 128> codes{};
    codes.fill(ecInvalid);
    codes['A'] = ecMoveUp;
    codes['B'] = ecMoveDown;
    codes['C'] = ecMoveRight;
    codes['D'] = ecMoveLeft;
    codes['H'] = ecMoveHome;
    codes['f'] = ecMoveTo;
    codes['R'] = ecPositionReport;
    codes['m'] = ecSetAttributes;
    codes['h'] = ecModeSet;
    codes['l'] = ecModeReset;
    codes['s'] = ecSaveCursor;
    codes['u'] = ecRestoreCursor;
    codes['c'] = codes['J'] = codes['K'] = codes['g'] = codes['n'] = ecIncomplete;
    return codes;
}
constexpr std::array<TEscapeCode, 128> kFinalCodes = FinalCodes();

} // namespace

TEscapeResult TEscapeCodesVT100::FeedChar(char Ch) {
    TEscapeResult result;
    if (!TakeChar(Ch, result))
        return result;
    if (inControlSequence_)
        return Finish(IsLetter(Ch) ? DecodeControl(Ch) : ecIncomplete);
    if (sequence_[0] == '[') {
        inControlSequence_ = true;
        return Finish(ecIncomplete);
    }
    return Finish(DecodeEscape());
}

TEscapeResult TEscapeCodesVT100::FeedChars(const char *Text, std::size_t Length, std::size_t &Consumed) {
    if (!IsExactly<TEscapeCodesVT100>())
        return TEscapeCodes::FeedChars(Text, Length, Consumed);
    std::size_t at = 0;
    if (!InSequence() && Length >= 2 && Text[0] == ESC && Text[1] != '[' && Text[1] != 'O' && Text[1] != '#') {
        // ESC and one character: complete at once, whatever the character.
        SetSequence(Text + 1, 1, Length - 1);
        Consumed = 2;
        lastCode_ = DecodeEscape();
        return erCode;
    }
    if (!InSequence() && Length >= 2 && Text[0] == ESC && Text[1] == '[') {
        // A control sequence that lies whole in the text is taken in one step.
        const std::size_t limit = std::min(Length - 1, MaxSequenceLength);
        const std::size_t n = FindLetter(Text + 1, 1, limit);
        if (n < limit) {
            SetSequence(Text + 1, n + 1, Length - 1);
            Consumed = n + 2;
            lastCode_ = DecodeControl(Text[1 + n]);
            // Nearly every such code is acted on by its values: read them
            // now, from the input rather than the copy just made of it.
            if (ParametersPending())
                ScanValues(std::string_view(Text + 2, n - 1));
            return erCode;
        }
        // Otherwise open it, as feeding ESC and [ in turn would.
        BeginSequence();
        sequence_[0] = '[';
        sequenceLength_ = 1;
        inControlSequence_ = true;
        at = 2;
    }
    while (at < Length) {
        if (!inControlSequence_) {
            const TEscapeResult result = TEscapeCodesVT100::FeedChar(Text[at++]);
            if (result != erPending) {
                Consumed = at;
                return result;
            }
            continue;
        }
        // Inside a control sequence everything up to the final letter is
        // collected: take it in one step, never past the length limit.
        const std::size_t room = MaxSequenceLength - sequenceLength_;
        const std::size_t limit = std::min(Length - at, room);
        const std::size_t n = FindLetter(Text + at, 0, limit);
        if (n < limit) {
            AppendSequence(Text + at, n + 1);
            Consumed = at + n + 1;
            return Finish(DecodeControl(Text[at + n]));
        }
        AppendSequence(Text + at, limit);
        at += limit;
        if (limit == room) {
            Consumed = at;
            return Finish(ecIncomplete);
        }
    }
    Consumed = at;
    return erPending;
}

std::size_t TEscapeCodesVT100::PlainRun(const char *Text, std::size_t Length) {
    // A descendant may read text differently; it gets the safe answer.
    return IsExactly<TEscapeCodesVT100>() ? ScanPlain(Text, Length) : 0;
}

TEscapeCode TEscapeCodesVT100::DecodeEscape() const {
    const std::string_view text = SequenceText();
    if (text.size() == 1) {
        switch (text[0]) {
        case 'H':
            return ecTabSet;
        case 'c':
            return ecResetTerminal;
        case '7':
            return ecSaveCursorAttrs;
        case '8':
            return ecRestoreCursorAttrs;
        case 'O':
        case '#':
            return ecIncomplete;
        default:
            return ecInvalid;
        }
    }
    if (text[0] == '#')
        return text[1] == '8' ? ecAlignmentTest : ecInvalid;
    switch (text[1]) {
    case 'A':
        return ecAppKeyUp;
    case 'B':
        return ecAppKeyDown;
    case 'C':
        return ecAppKeyRight;
    case 'D':
        return ecAppKeyLeft;
    default:
        return ecInvalid;
    }
}

TEscapeCode TEscapeCodesVT100::DecodeControl(char final) {
    // The final letter comes from the caller: reading it back from the text
    // just copied would wait for that copy to land.
    SetParameterText(1, sequenceLength_ - 2);
    const TEscapeCode code = kFinalCodes[static_cast<unsigned char>(final) & 0x7F];
    return code != ecIncomplete ? code : DecodeByParameters();
}

TEscapeCode TEscapeCodesVT100::DecodeByParameters() {
    const std::string_view text = SequenceText();
    const char final = text.back();
    // The first character of the first parameter, 0 when there is none.
    const bool none = text.size() <= 2;
    const char lead = none ? '\0' : text[1];
    TEscapeCode code = ecInvalid;
    switch (final) {
    case 'c': {
        const std::int32_t count = ParameterCount();
        if (count == 0 || (count == 1 && ParameterText(1) == "0"))
            return ecIdentifyQuery;
        if (count == 2 && ParameterText(1) == "?1")
            return ecIdentifyReply;
        return ecInvalid;
    }
    // These carry no parameters on: only the first character decides.
    case 'J':
        code = (none || lead == '0') ? ecClearToScreenEnd : lead == '2' ? ecClearScreen : ecInvalid;
        break;
    case 'K':
        code = (none || lead == '0') ? ecClearToLineEnd : lead == '2' ? ecClearLine : ecInvalid;
        break;
    case 'g':
        code = (none || lead == '0') ? ecTabClear : lead == '3' ? ecTabClearAll : ecInvalid;
        break;
    case 'n':
        switch (lead) {
        case '5':
            code = ecStatusQuery;
            break;
        case '0':
            code = ecStatusOk;
            break;
        case '3':
            code = ecStatusFault;
            break;
        case '6':
            code = ecPositionQuery;
            break;
        default:
            code = ecInvalid;
        }
        break;
    default:
        return ecInvalid;
    }
    ClearParameters();
    return code;
}

std::string TEscapeCodesVT100::CodeToSequence(TEscapeCode Code, const TStringList *Params) const {
    std::string out(1, ESC);
    auto twoValues = [&](char final) {
        out += '[';
        AppendDecimal(out, ParameterValue(1, Params));
        out += ';';
        AppendDecimal(out, ParameterValue(2, Params));
        out += final;
    };
    switch (Code) {
    case ecMoveUp:
        return out + "[A";
    case ecMoveDown:
        return out + "[B";
    case ecMoveRight:
        return out + "[C";
    case ecMoveLeft:
        return out + "[D";
    case ecMoveHome:
        return out + "[H";
    case ecMoveTo:
        twoValues('f');
        return out;
    case ecAppKeyLeft:
        return out + "OD";
    case ecAppKeyRight:
        return out + "OC";
    case ecAppKeyUp:
        return out + "OA";
    case ecAppKeyDown:
        return out + "OB";
    case ecClearToLineEnd:
        return out + "[K";
    case ecClearToScreenEnd:
        return out + "[J";
    case ecClearLine:
        return out + "[2K";
    case ecClearScreen:
        return out + "[2J";
    case ecTabSet:
        return out + "H";
    case ecTabClear:
        return out + "[g";
    case ecTabClearAll:
        return out + "[3g";
    case ecIdentifyQuery:
        return out + "[c";
    case ecIdentifyReply:
        out += "[?1;";
        AppendDecimal(out, ParameterValue(1, Params));
        out += 'c';
        return out;
    case ecStatusQuery:
        return out + "[5n";
    case ecStatusOk:
        return out + "[0n";
    case ecStatusFault:
        return out + "[3n";
    case ecPositionQuery:
        return out + "[6n";
    case ecPositionReport:
        twoValues('R');
        return out;
    case ecSetAttributes:
        return out + "[m";
    case ecModeSet:
        return out + "[h";
    case ecModeReset:
        return out + "[l";
    case ecResetTerminal:
        return out + "c";
    case ecSaveCursorAttrs:
        return out + "7";
    case ecRestoreCursorAttrs:
        return out + "8";
    case ecSaveCursor:
        return out + "[s";
    case ecRestoreCursor:
        return out + "[u";
    case ecAlignmentTest:
        return out + "#8";
    default:
        return std::string();
    }
}

} // namespace cport
