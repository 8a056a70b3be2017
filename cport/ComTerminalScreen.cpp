// What received characters and completed escape codes do to the grid.
#include "ComTerminalModel.h"

#include <algorithm>
#include <limits>

namespace cport {

namespace {
constexpr char BS = 8;
constexpr char TAB = 9;
constexpr char LF = 10;
constexpr char FF = 12;
constexpr char CR = 13;

// The parameters of a code handed in as a list, which may be absent.
class ListView {
  public:
    explicit ListView(const TStringList *list) : list_(list) {}
    std::int32_t Count() const { return list_ != nullptr ? static_cast<std::int32_t>(list_->size()) : 0; }
    std::int32_t Value(std::int32_t index) const { return TEscapeCodes::ParameterValue(index, list_); }
    std::string_view Text(std::int32_t index) const {
        return index >= 1 && index <= Count() ? std::string_view((*list_)[static_cast<std::size_t>(index) - 1])
                                              : std::string_view();
    }

  private:
    const TStringList *list_;
};

// The same, for codes that answer: the answer's parameters go into the list.
class ListParameters : public ListView {
  public:
    explicit ListParameters(TStringList *list) : ListView(list), list_(list) {}
    // Answers need a list even when the caller passed none.
    TStringList &List() { return list_ != nullptr ? *list_ : own_; }

  private:
    TStringList *list_;
    TStringList own_;
};

// The parameters of the parser's last sequence, read in place: most codes
// need only their values, so the list is built only for the answers.
class ParserParameters {
  public:
    explicit ParserParameters(TEscapeCodes &parser) : parser_(parser) {}
    std::int32_t Count() const { return parser_.ParameterCount(); }
    std::int32_t Value(std::int32_t index) const { return parser_.ParameterValueAt(index); }
    std::string_view Text(std::int32_t index) const { return parser_.ParameterText(index); }
    TStringList &List() { return parser_.Parameters(); }

  private:
    TEscapeCodes &parser_;
};

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}
} // namespace

// --- receiving ---

void TComTerminalModel::LinkRxBuf(fw::TComponent *, const char *Buffer, std::int32_t Count) {
    // The port's buffer lives only during this call: copy it first.
    const std::size_t count = (Buffer != nullptr && Count > 0) ? static_cast<std::size_t>(Count) : 0;
    std::string text;
    if (appendLF_) {
        text.reserve(count + static_cast<std::size_t>(std::count(Buffer, Buffer + count, CR)));
        for (std::size_t i = 0; i < count; ++i) {
            text.push_back(Buffer[i]);
            if (Buffer[i] == CR)
                text.push_back(LF);
        }
    } else {
        text.assign(Buffer, count);
    }
    if (force7Bit_)
        for (char &c : text)
            c = static_cast<char>(static_cast<unsigned char>(c) & 0x7F);
    InterpretText(std::move(text));
}

void TComTerminalModel::InterpretText(std::string Text) {
    DoStrRecieved(Text);
    HideTermCaret();
    ++interpreting_;
    try {
        InterpretChars(Text);
    } catch (...) {
        // A failed answer to a query ends the chunk; the caret still comes back.
        if (--interpreting_ == 0)
            retiredParsers_.clear();
        ShowTermCaret();
        throw;
    }
    if (--interpreting_ == 0)
        retiredParsers_.clear();
    ShowTermCaret();
}

void TComTerminalModel::InterpretChars(const std::string &text) {
    const char *chars = text.data();
    const std::size_t length = text.size();
    std::size_t at = 0;
    while (at < length) {
        // Looked up for every character: a handler may change the emulation.
        TEscapeCodes *parser = parser_.get();
        if (parser == nullptr) {
            PutChar(chars[at++]);
            continue;
        }
        // An ESC never starts a run of text worth asking about.
        if (const std::size_t run = chars[at] == 27 ? 0 : parser->PlainRun(chars + at, length - at)) {
            at += PutText(chars + at, run, parser);
            continue;
        }
        std::size_t used = 0;
        const TEscapeResult result = parser->FeedChars(chars + at, length - at, used);
        at += used;
        switch (result) {
        case erChar:
            PutChar(parser->LastChar());
            break;
        case erCode: {
            const TEscapeCode code = parser->LastCode();
            ParserParameters params(*parser);
            if (!ApplyCode(code, params))
                DoUnhandledCode(code, parser->SequenceText());
            parser->ClearParameters();
            break;
        }
        case erPending:
            break;
        }
    }
}

std::size_t TComTerminalModel::PutText(const char *text, std::size_t length, const TEscapeCodes *parser) {
    for (std::size_t i = 0; i < length;) {
        PutChar(text[i++]);
        // The rest of the run belongs to a new parser if a handler made one.
        if (parser_.get() != parser)
            return i;
    }
    return length;
}

void TComTerminalModel::PutChar(char Ch) {
    if (Ch >= 32 && Ch <= 126) {
        const TTermCell cell = MakeCell(Ch);
        buffer_.SetCell(cursorColumn_, cursorRow_, cell);
        DrawCell(cursorColumn_ - leftColumn_ + 1, cursorRow_ - topRow_ + 1, cell);
        AdvanceCursor();
    } else {
        switch (Ch) {
        case BS:
            BackSpace();
            break;
        case TAB:
            TabForward();
            break;
        case LF:
        case FF:
            LineFeed();
            break;
        case CR:
            CarriageReturn();
            break;
        default:
            break; // no effect on the screen, the bell included
        }
    }
    DoChar(Ch);
}

TTermCell TComTerminalModel::MakeCell(char Ch) const {
    TTermCell cell;
    cell.Ch = Ch;
    cell.TextColor = attrBold_ ? altColor_ : attrReverse_ ? color_ : fontColor_;
    cell.CellColor = attrReverse_ ? fontColor_ : color_;
    cell.Underline = attrUnderline_;
    return cell;
}

// --- cursor ---

void TComTerminalModel::MoveCursor(std::int32_t Column, std::int32_t Row) {
    cursorColumn_ = std::clamp<std::int32_t>(Column, 1, columns_);
    cursorRow_ = std::clamp<std::int32_t>(Row, 1, rows_);
    PlaceCaret();
}

void TComTerminalModel::MoveCursorBy(std::int64_t columns, std::int64_t rows) {
    // Parameters reach the full 32-bit range; the sum must not overflow.
    MoveCursor(ClampToInt32(cursorColumn_ + columns), ClampToInt32(cursorRow_ + rows));
}

void TComTerminalModel::AdvanceCursor() {
    if (cursorColumn_ < columns_) {
        ++cursorColumn_;
        PlaceCaret();
    } else if (wrapLines_) {
        if (cursorRow_ >= rows_) {
            buffer_.ScrollUp();
            MoveCursor(1, cursorRow_);
        } else {
            MoveCursor(1, cursorRow_ + 1);
        }
    }
}

void TComTerminalModel::CarriageReturn() { MoveCursor(1, cursorRow_); }

void TComTerminalModel::LineFeed() {
    if (cursorRow_ >= rows_)
        buffer_.ScrollUp();
    else
        MoveCursor(cursorColumn_, cursorRow_ + 1);
}

void TComTerminalModel::ReverseLineFeed() {
    if (cursorRow_ <= 1)
        buffer_.ScrollDown();
    else
        MoveCursor(cursorColumn_, cursorRow_ - 1);
}

void TComTerminalModel::TabForward() {
    const std::int32_t column = buffer_.NextTabStop(cursorColumn_ + 1);
    if (column > 0)
        MoveCursor(column, cursorRow_);
}

void TComTerminalModel::BackSpace() { MoveCursor(cursorColumn_ - 1, cursorRow_); }

void TComTerminalModel::SaveCursor() {
    savedColumn_ = cursorColumn_;
    savedRow_ = cursorRow_;
}

void TComTerminalModel::RestoreCursor() { MoveCursor(savedColumn_, savedRow_); }

// --- escape codes ---

bool TComTerminalModel::HandleCode(TEscapeCode Code, TStringList *Params) {
    ListParameters params(Params);
    return ApplyCode(Code, params);
}

template <typename TParams> bool TComTerminalModel::ApplyCode(TEscapeCode Code, TParams &Params) {
    auto p1 = [&Params]() -> std::int64_t { return Params.Value(1); };
    auto p2 = [&Params]() -> std::int64_t { return Params.Value(2); };
    switch (Code) {
    case ecMoveUp:
    case ecAppKeyUp:
        MoveCursorBy(0, -p1());
        break;
    case ecMoveDown:
        MoveCursorBy(0, p1());
        break;
    case ecMoveLeft:
        MoveCursorBy(-p1(), 0);
        break;
    case ecMoveRight:
        MoveCursorBy(p1(), 0);
        break;
    case ecMoveHome:
    case ecMoveTo:
        MoveCursor(static_cast<std::int32_t>(p2()), static_cast<std::int32_t>(p1()));
        break;
    case ecReverseFeed:
        ReverseLineFeed();
        break;
    case ecClearToLineEnd:
        buffer_.EraseLineFrom(cursorColumn_, cursorRow_);
        break;
    case ecClearToScreenEnd:
        buffer_.EraseScreenFrom(cursorColumn_, cursorRow_);
        break;
    case ecClearLine:
        buffer_.EraseLineFrom(1, cursorRow_);
        MoveCursor(1, cursorRow_);
        break;
    case ecClearScreen:
        buffer_.EraseScreenFrom(1, 1);
        MoveCursor(1, 1);
        break;
    case ecTabSet:
        buffer_.SetTabStop(cursorColumn_, true);
        break;
    case ecTabClear:
        buffer_.SetTabStop(cursorColumn_, false);
        break;
    case ecTabClearAll:
        buffer_.ClearTabStops();
        break;
    case ecIdentifyQuery: {
        TStringList &list = Params.List();
        list.clear();
        list.emplace_back("2");
        SendReply(ecIdentifyReply, &list);
        break;
    }
    case ecStatusQuery:
        SendReply(ecStatusOk, nullptr);
        break;
    case ecPositionQuery: {
        TStringList &list = Params.List();
        list.clear();
        list.emplace_back();
        AppendDecimal(list.back(), cursorRow_);
        list.emplace_back();
        AppendDecimal(list.back(), cursorColumn_);
        SendReply(ecPositionReport, &list);
        break;
    }
    case ecSetAttributes:
        ApplyAttributes(Params);
        break;
    case ecModeSet:
        ApplyMode(Params, true);
        break;
    case ecModeReset:
        ApplyMode(Params, false);
        break;
    case ecResetTerminal: {
        TStringList &list = Params.List();
        list.clear();
        list.emplace_back("0");
        SetAttributes(&list);
        break;
    }
    case ecSaveCursorAttrs:
        SaveCursor();
        SaveAttributes();
        break;
    case ecRestoreCursorAttrs:
        RestoreCursor();
        RestoreAttributes();
        break;
    case ecSaveCursor:
        SaveCursor();
        break;
    case ecRestoreCursor:
        RestoreCursor();
        break;
    case ecAlignmentTest:
        FillScreen('E');
        break;
    default:
        return false;
    }
    return true;
}

void TComTerminalModel::SetAttributes(const TStringList *Params) {
    const ListView params(Params);
    ApplyAttributes(params);
}

template <typename TParams> void TComTerminalModel::ApplyAttributes(const TParams &Params) {
    const std::int32_t count = Params.Count();
    if (count == 0) {
        ResetAttributes();
        return;
    }
    for (std::int32_t i = 1; i <= count; ++i) {
        switch (Params.Value(i)) {
        case 0:
            ResetAttributes();
            break;
        case 1:
            attrBold_ = true;
            break;
        case 4:
            attrUnderline_ = true;
            break;
        case 7:
            attrReverse_ = true;
            break;
        case 21:
            attrBold_ = false;
            break;
        case 24:
            attrUnderline_ = false;
            break;
        case 27:
            attrReverse_ = false;
            break;
        default:
            break; // colours and the rest are not shown
        }
    }
}

void TComTerminalModel::ResetAttributes() { attrReverse_ = attrBold_ = attrUnderline_ = false; }

void TComTerminalModel::SaveAttributes() {
    savedReverse_ = attrReverse_;
    savedBold_ = attrBold_;
    savedUnderline_ = attrUnderline_;
}

void TComTerminalModel::RestoreAttributes() {
    attrReverse_ = savedReverse_;
    attrBold_ = savedBold_;
    attrUnderline_ = savedUnderline_;
}

void TComTerminalModel::SetMode(const TStringList *Params, bool On) {
    const ListView params(Params);
    ApplyMode(params, On);
}

template <typename TParams> void TComTerminalModel::ApplyMode(const TParams &Params, bool On) {
    if (Params.Count() == 0)
        return;
    const std::string_view mode = Params.Text(1);
    if (mode == "?1")
        appCursorKeys_ = On;
    else if (mode == "7")
        SetWrapLines(On);
    else if (mode == "?3")
        SetColumns(On ? 132 : 80);
}

void TComTerminalModel::FillScreen(char Ch) {
    TTermCell cell;
    cell.Ch = Ch;
    cell.TextColor = fontColor_;
    cell.CellColor = color_;
    for (std::int32_t row = 1; row <= buffer_.Rows(); ++row)
        for (std::int32_t column = 1; column <= buffer_.Columns(); ++column)
            buffer_.SetCell(column, row, cell);
    RepaintAll();
}

} // namespace cport
