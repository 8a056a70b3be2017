#include "EscapeCodes.h"

namespace cport {

namespace {
constexpr char ESC = 27;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The first character of the first parameter, or 0 when there is none.
char Lead(const TStringList &list) { return list.empty() ? '\0' : list.front()[0]; }
} // namespace

TEscapeResult TEscapeCodesVT100::FeedChar(char Ch) {
    TEscapeResult result;
    if (!TakeChar(Ch, result))
        return result;
    if (inControlSequence_)
        return Finish(IsLetter(Ch) ? DecodeControl() : ecIncomplete);
    if (sequenceText_[0] == '[') {
        inControlSequence_ = true;
        return Finish(ecIncomplete);
    }
    return Finish(DecodeEscape());
}

TEscapeCode TEscapeCodesVT100::DecodeEscape() const {
    const std::string &text = sequenceText_;
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

TEscapeCode TEscapeCodesVT100::DecodeControl() {
    const std::string &text = sequenceText_;
    const char final = text.back();
    TStringList &list = parameters_;
    SplitParameters(std::string_view(text).substr(1, text.size() - 2), list);
    TEscapeCode code = ecInvalid;
    switch (final) {
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
    case 'f':
        return ecMoveTo;
    case 'R':
        return ecPositionReport;
    case 'm':
        return ecSetAttributes;
    case 'h':
        return ecModeSet;
    case 'l':
        return ecModeReset;
    case 's':
        return ecSaveCursor;
    case 'u':
        return ecRestoreCursor;
    case 'c':
        if (list.empty() || (list.size() == 1 && list[0] == "0"))
            return ecIdentifyQuery;
        if (list.size() == 2 && list[0] == "?1")
            return ecIdentifyReply;
        return ecInvalid;
    // These carry no parameters on: only the first character decides.
    case 'J':
        code = (list.empty() || Lead(list) == '0') ? ecClearToScreenEnd : Lead(list) == '2' ? ecClearScreen : ecInvalid;
        break;
    case 'K':
        code = (list.empty() || Lead(list) == '0') ? ecClearToLineEnd : Lead(list) == '2' ? ecClearLine : ecInvalid;
        break;
    case 'g':
        code = (list.empty() || Lead(list) == '0') ? ecTabClear : Lead(list) == '3' ? ecTabClearAll : ecInvalid;
        break;
    case 'n':
        switch (Lead(list)) {
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
    list.clear();
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
