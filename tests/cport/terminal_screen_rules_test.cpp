// What received text does to the cursor and the grid, one row per case, and
// the fixed escape-code tables of both emulations.
#include "RecordingView.h"
#include "cport/ComPort.h"
#include "tests/support/FakeComDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace cport;

namespace {

const std::string ESC = "\x1b";

void Receive(TComTerminalModel &term, const std::string &text) {
    term.LinkRxBuf(nullptr, text.data(), static_cast<std::int32_t>(text.size()));
}

struct CursorRow {
    const char *name;
    std::string input;
    std::int32_t column, row;
    std::int32_t textRow = 0; // 0: no text to check
    std::string text;
};

} // namespace

TEST(TerminalScreenRules, CursorAndTextAfterReceiving) {
    const std::string tabs9(9, '\t');
    const CursorRow rows[] = {
        {"TAB from column 1, itself a stop", "\t", 9, 1, 0, ""},
        {"TAB from a stop moves to the next", "\t\t", 17, 1, 0, ""},
        {"TAB from between stops", "ab\t", 9, 1, 0, ""},
        {"the last default stop is column 73", tabs9, 73, 1, 0, ""},
        {"no stop after 73", tabs9 + "\t", 73, 1, 0, ""},
        {"a cleared stop is skipped", ESC + "[1;9H" + ESC + "[g" + ESC + "[1;1H\t", 17, 1, 0, ""},
        {"only the stop under the cursor is cleared", ESC + "[1;9H" + ESC + "[g" + ESC + "[1;1H\t\t", 25, 1, 0, ""},
        {"line feed on the last row scrolls", ESC + "[24;1Ha\n", 2, 24, 23, "a"},
        {"form feed feeds a line", "ab\x0c", 3, 2, 0, ""},
        {"the tilde is shown", "~", 2, 1, 1, "~"},
        {"without wrapping the last column holds", ESC + "[7l" + ESC + "[1;80Hxy", 80, 1, 2, ""},
        {"wrapping moves to the next row", ESC + "[7h" + ESC + "[1;80Hxy", 2, 2, 2, "y"},
        {"wrapping at the bottom scrolls", ESC + "[7h" + ESC + "[24;80Hxy", 2, 24, 24, "y"},
        {"position takes row then column", ESC + "[5;10H", 10, 5, 0, ""},
        {"position with f", ESC + "[2;3f", 3, 2, 0, ""},
        {"clearing the line returns to column 1", "abc" + ESC + "[2K", 1, 1, 1, ""},
        {"save and restore the cursor", ESC + "[3;4H" + ESC + "[s" + ESC + "[9;9H" + ESC + "[u", 4, 3, 0, ""},
        {"save and restore with attributes", ESC + "[3;4H" + ESC + "7" + ESC + "[9;9H" + ESC + "8", 4, 3, 0, ""},
        {"alignment test", ESC + "#8", 1, 1, 1, std::string(80, 'E')},
    };
    for (const CursorRow &row : rows) {
        TComTerminalModel term;
        Receive(term, row.input);
        EXPECT_EQ(term.CursorColumn(), row.column) << row.name;
        EXPECT_EQ(term.CursorRow(), row.row) << row.name;
        if (row.textRow > 0) {
            EXPECT_EQ(RowText(term, row.textRow), row.text) << row.name;
        }
    }
}

TEST(TerminalScreenRules, WrappedAndScrolledTextKeepsItsRows) {
    TComTerminalModel term;
    Receive(term, ESC + "[7h" + ESC + "[24;80Hx");
    Receive(term, "y");
    EXPECT_EQ(RowText(term, 23), std::string(79, ' ') + "x");
    // Sixty numbered lines scroll the ring of rows round more than once and
    // leave the last twenty-three on the screen, in order.
    TComTerminalModel lines;
    for (int i = 1; i <= 60; ++i)
        Receive(lines, std::to_string(i) + "\r\n");
    for (int row = 1; row <= 23; ++row)
        EXPECT_EQ(RowText(lines, row), std::to_string(row + 37)) << "row " << row;
    EXPECT_EQ(RowText(lines, 24), "");
    // A reverse line feed on the top row (VT52 ESC I) pushes the text down.
    TComTerminalModel vt52;
    vt52.SetEmulation(teVT52);
    Receive(vt52, "a\r" + ESC + "I");
    EXPECT_EQ(RowText(vt52, 1), "");
    EXPECT_EQ(RowText(vt52, 2), "a");
}

TEST(TerminalScreenRules, ReceiveOptions) {
    TComTerminalModel term;
    term.SetAppendLF(true);
    Receive(term, "a\rb");
    EXPECT_EQ(RowText(term, 2), "b");
    TComTerminalModel seven;
    seven.SetForce7Bit(true);
    Receive(seven, "\xe1\xc2");
    EXPECT_EQ(RowText(seven, 1), "aB");
}

TEST(TerminalScreenRules, AttributesGiveTheCellColours) {
    struct Row {
        const char *name;
        std::string codes;
        bool bold, reverse, underline;
    };
    const Row rows[] = {
        {"bold", "[1m", true, false, false},
        {"reverse", "[7m", false, true, false},
        {"underline", "[4m", false, false, true},
        {"21 ends bold", "[1m\x1b[21m", false, false, false},
        {"24 ends underline", "[4;7m\x1b[24m", false, true, false},
        {"27 ends reverse only", "[4;7m\x1b[27m", false, false, true},
        {"ESC 8 brings back the saved attributes",
         "[1;4m\x1b"
         "7\x1b[m\x1b"
         "8",
         true, false, true},
        {"ESC 8 brings back reverse",
         "[7m\x1b"
         "7\x1b[m\x1b"
         "8",
         false, true, false},
    };
    for (const Row &row : rows) {
        TComTerminalModel term;
        Receive(term, ESC + row.codes + "x");
        EXPECT_EQ(term.AttrBold(), row.bold) << row.name;
        EXPECT_EQ(term.AttrReverse(), row.reverse) << row.name;
        EXPECT_EQ(term.AttrUnderline(), row.underline) << row.name;
        const TTermCell cell = term.ScreenBuffer().GetCell(1, 1);
        const fw::TColor text = row.bold ? term.AltColor() : row.reverse ? term.Color() : term.FontColor();
        EXPECT_EQ(cell.TextColor, text) << row.name;
        EXPECT_EQ(cell.CellColor, row.reverse ? term.FontColor() : term.Color()) << row.name;
        EXPECT_EQ(cell.Underline, row.underline) << row.name;
    }
}

TEST(TerminalScreenRules, ModesTabStopsAndRepaints) {
    TComTerminalModel term;
    RecordingView view;
    term.SetView(&view);
    Receive(term, ESC + "[?3h");
    EXPECT_EQ(term.Columns(), 132);
    Receive(term, ESC + "[?3l");
    EXPECT_EQ(term.Columns(), 80);
    Receive(term, ESC + "[7h");
    EXPECT_TRUE(term.WrapLines());
    Receive(term, ESC + "[7l");
    EXPECT_FALSE(term.WrapLines());
    Receive(term, ESC + "[1;80H" + ESC + "H");
    EXPECT_TRUE(term.ScreenBuffer().GetTabStop(80));
    view.invalidated.clear();
    Receive(term, ESC + "[5;3H" + ESC + "[J");
    EXPECT_EQ(view.invalidated, (std::vector<RecordingView::Rect>{{3, 5, 80, 5}, {1, 6, 80, 24}}));
    term.SetColumns(300);
    EXPECT_EQ(term.Columns(), 256);
}

TEST(TerminalScreenRules, RepliesAndSendingGoToThePort) {
    testsupport::FakeDevicePort port(nullptr);
    port.SetEvents({});
    TComTerminalModel term;
    term.SetComPort(&port);
    port.Open();
    const std::pair<std::string, std::string> rows[] = {
        {ESC + "[c", ESC + "[?1;2c"},
        {ESC + "[3;5H" + ESC + "[6n", ESC + "[3;5R"},
        {ESC + "[5n", ESC + "[0n"},
    };
    for (const auto &[query, reply] : rows) {
        port.fake->written.clear();
        Receive(term, query);
        EXPECT_EQ(port.fake->written, reply) << query.substr(1);
    }
    term.SetSendLF(true);
    port.fake->written.clear();
    term.SendChar('\r');
    term.SendChar('\n');
    EXPECT_EQ(port.fake->written, "\r\n\n");
    term.SetComPort(nullptr);
}

TEST(TerminalScreenRules, ReplyCodesTheTerminalDoesNotActOn) {
    TComTerminalModel term;
    std::vector<TEscapeCode> unhandled;
    term.OnUnhandledCode = [&](fw::TComponent *, TEscapeCode code, std::string_view) { unhandled.push_back(code); };
    Receive(term, ESC + "[0n" + ESC + "[3n" + ESC + "[1K");
    EXPECT_EQ(unhandled, (std::vector<TEscapeCode>{ecStatusOk, ecStatusFault, ecInvalid}));
}

TEST(TerminalScreenRules, Vt52CodesAndSequences) {
    TComTerminalModel term;
    term.SetEmulation(teVT52);
    Receive(term, "abc\r\ndef" + ESC + "H" + ESC + "C" + ESC + "K");
    EXPECT_EQ(RowText(term, 1), "a");
    EXPECT_EQ(RowText(term, 2), "def");
    Receive(term, ESC + "Y" + std::string(1, char(31 + 5)) + std::string(1, char(31 + 10)));
    EXPECT_EQ(term.CursorRow(), 5);
    EXPECT_EQ(term.CursorColumn(), 10);
    Receive(term, ESC + "J");
    EXPECT_EQ(RowText(term, 2), "def");
    const TEscapeCodesVT52 vt52{};
    const std::pair<TEscapeCode, std::string> codes[] = {
        {ecMoveUp, ESC + "A"},           {ecMoveDown, ESC + "B"},      {ecMoveRight, ESC + "C"},
        {ecMoveLeft, ESC + "D"},         {ecMoveHome, ESC + "H"},      {ecClearToLineEnd, ESC + "K"},
        {ecClearToScreenEnd, ESC + "J"}, {ecIdentifyQuery, ESC + "Z"}, {ecIdentifyReply, ESC + "/Z"},
    };
    for (const auto &[code, sequence] : codes)
        EXPECT_EQ(vt52.CodeToSequence(code, nullptr), sequence) << int(code);
}

TEST(TerminalScreenRules, Vt100SequencesOfTheCodes) {
    const TEscapeCodesVT100 vt100{};
    const std::pair<TEscapeCode, std::string> codes[] = {
        {ecAppKeyLeft, "OD"}, {ecAppKeyRight, "OC"},   {ecAppKeyUp, "OA"},      {ecAppKeyDown, "OB"},
        {ecClearLine, "[2K"}, {ecClearScreen, "[2J"},  {ecTabClearAll, "[3g"},  {ecStatusFault, "[3n"},
        {ecSaveCursor, "[s"}, {ecRestoreCursor, "[u"}, {ecAlignmentTest, "#8"}, {ecSaveCursorAttrs, "7"},
    };
    for (const auto &[code, sequence] : codes)
        EXPECT_EQ(vt100.CodeToSequence(code, nullptr), ESC + sequence) << int(code);
    const TStringList two = {"2"};
    EXPECT_EQ(vt100.CodeToSequence(ecIdentifyReply, &two), ESC + "[?1;2c");
}
