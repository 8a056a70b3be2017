#include "EscapeCodes.h"

namespace cport {

namespace {
constexpr char ESC = 27;

std::string Coordinate(std::int32_t value) {
    // The coordinate travels as one character offset by 31; only its low
    // eight bits fit on the line.
    return std::string(1, static_cast<char>(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) + 31u)));
}
} // namespace

TEscapeResult TEscapeCodesVT52::FeedChar(char Ch) {
    TEscapeResult result;
    if (!TakeChar(Ch, result))
        return result;
    return Finish(Decode());
}

std::size_t TEscapeCodesVT52::PlainRun(const char *Text, std::size_t Length) {
    // A descendant may read text differently; it gets the safe answer.
    return IsExactly<TEscapeCodesVT52>() ? ScanPlain(Text, Length) : 0;
}

TEscapeCode TEscapeCodesVT52::Decode() {
    const std::string_view text = SequenceText();
    switch (text[0]) {
    case 'A':
        return ecMoveUp;
    case 'B':
        return ecMoveDown;
    case 'C':
        return ecMoveRight;
    case 'D':
        return ecMoveLeft;
    case 'H':
        return ecMoveHome;
    case 'I':
        return ecReverseFeed;
    case 'J':
        return ecClearToScreenEnd;
    case 'K':
        return ecClearToLineEnd;
    case 'Z':
        return ecIdentifyQuery;
    case 'Y':
        if (text.size() < 3)
            return ecIncomplete;
        // Row then column, each the character's code minus 31.
        Parameters().emplace_back();
        AppendDecimal(Parameters().back(), static_cast<std::uint8_t>(text[1]) - 31);
        Parameters().emplace_back();
        AppendDecimal(Parameters().back(), static_cast<std::uint8_t>(text[2]) - 31);
        return ecMoveTo;
    case '/':
        if (text.size() < 2)
            return ecIncomplete;
        return text[1] == 'Z' ? ecIdentifyReply : ecInvalid;
    default:
        return ecInvalid;
    }
}

std::string TEscapeCodesVT52::CodeToSequence(TEscapeCode Code, const TStringList *Params) const {
    auto esc = [](const char *rest) { return std::string(1, ESC) + rest; };
    switch (Code) {
    case ecMoveUp:
        return esc("A");
    case ecMoveDown:
        return esc("B");
    case ecMoveRight:
        return esc("C");
    case ecMoveLeft:
        return esc("D");
    case ecMoveHome:
        return esc("H");
    case ecMoveTo:
        return esc("Y") + Coordinate(ParameterValue(1, Params)) + Coordinate(ParameterValue(2, Params));
    case ecReverseFeed:
        return esc("I");
    case ecClearToLineEnd:
        return esc("K");
    case ecClearToScreenEnd:
        return esc("J");
    case ecIdentifyQuery:
        return esc("Z");
    case ecIdentifyReply:
        return esc("/Z");
    default:
        return std::string();
    }
}

} // namespace cport
