#include "RecordingView.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace cport;

namespace {

const std::string ESC = "\x1b";

struct Term : ::testing::Test {
    Term() { term.SetView(&view); }
    TComTerminalModel term;
    RecordingView view;

    void Receive(const std::string &text) {
        term.LinkRxBuf(nullptr, text.data(), static_cast<std::int32_t>(text.size()));
    }
    TTermCell Cell(std::int32_t column, std::int32_t row) const { return term.ScreenBuffer().GetCell(column, row); }
    void ExpectCursor(std::int32_t column, std::int32_t row) const {
        EXPECT_EQ(term.CursorColumn(), column);
        EXPECT_EQ(term.CursorRow(), row);
    }
};

std::string Digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('0' + (i + 1) % 10);
    return s;
}

// Everything a received stream can leave behind, for comparing two runs.
struct Snapshot {
    std::vector<TTermCell> cells;
    std::int32_t column, row, columns;
    bool bold, reverse, underline, wrap, appKeys;
    std::vector<std::pair<TEscapeCode, std::string>> unhandled;
    bool operator==(const Snapshot &) const = default;
};

} // namespace

// --- sequences split across chunks ---

TEST(TermChunks, ASequenceSplitAtEveryPositionActsAsInOneChunk) {
    const std::string stream = "Hello\r\n" + ESC + "[1;4mBold" + ESC + "[m plain\t|" + ESC + "[5;10HX" + ESC + "[2K" +
                               ESC + "[10;40H" + ESC + "[JY" + ESC + "7" + ESC + "[3;3f" + ESC + "8Z" + ESC + "[1J" +
                               ESC + "(B" + ESC + "[?1;2c" + ESC + "#8" + ESC + "[H" + ESC + "[7h" +
                               std::string(85, 'w') + ESC + "[?3h!" + ESC + "[?1h" + ESC + "[3g\t" + ESC + "OA" + ESC +
                               ESC + "[4@Hey" + ESC + "M\r\n";
    auto run = [&](const std::vector<std::string> &chunks) {
        TComTerminalModel term;
        Snapshot s;
        term.OnUnhandledCode = [&](fw::TComponent *, TEscapeCode code, std::string_view data) {
            s.unhandled.emplace_back(code, data);
        };
        for (const auto &chunk : chunks)
            term.LinkRxBuf(nullptr, chunk.data(), static_cast<std::int32_t>(chunk.size()));
        const auto &grid = term.ScreenBuffer();
        for (std::int32_t r = 1; r <= grid.Rows(); ++r)
            for (std::int32_t c = 1; c <= grid.Columns(); ++c)
                s.cells.push_back(grid.GetCell(c, r));
        s.column = term.CursorColumn();
        s.row = term.CursorRow();
        s.columns = term.Columns();
        s.bold = term.AttrBold();
        s.reverse = term.AttrReverse();
        s.underline = term.AttrUnderline();
        s.wrap = term.WrapLines();
        s.appKeys = term.AppCursorKeys();
        return s;
    };
    const Snapshot whole = run({stream});
    EXPECT_EQ(whole.columns, 132);
    EXPECT_TRUE(whole.appKeys);
    EXPECT_EQ(whole.unhandled.size(), 5u);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut)
        ASSERT_EQ(run({stream.substr(0, cut), stream.substr(cut)}), whole) << "cut at " << cut;
    std::vector<std::string> singles;
    for (char c : stream)
        singles.emplace_back(1, c);
    EXPECT_EQ(run(singles), whole);
}

// --- printing, wrapping and scrolling ---

TEST_F(Term, WithoutWrapTheLastColumnIsOverwritten) {
    Receive(Digits(85));
    EXPECT_EQ(RowText(term, 1), Digits(79) + Digits(85).back());
    EXPECT_EQ(RowText(term, 2), "");
    ExpectCursor(80, 1);
}

TEST_F(Term, WithWrapTheNextCharacterGoesToTheNextRow) {
    term.SetWrapLines(true);
    Receive(Digits(80));
    // The wrap happens at once, so CR LF now leaves an empty row.
    ExpectCursor(1, 2);
    Receive("\r\nx");
    EXPECT_EQ(RowText(term, 1), Digits(80));
    EXPECT_EQ(RowText(term, 2), "");
    EXPECT_EQ(RowText(term, 3), "x");
    Receive("\r\n" + Digits(81));
    EXPECT_EQ(RowText(term, 4), Digits(80));
    EXPECT_EQ(RowText(term, 5), "1");
    ExpectCursor(2, 5);
}

TEST_F(Term, WrapOnTheLastRowScrolls) {
    term.SetWrapLines(true);
    Receive("top" + ESC + "[24;1H" + Digits(81));
    EXPECT_EQ(RowText(term, 1), "");
    EXPECT_EQ(RowText(term, 23), Digits(80));
    EXPECT_EQ(RowText(term, 24), "1");
    ExpectCursor(2, 24);
    EXPECT_EQ(view.scrolls, (std::vector<TScrollDirection>{sdUp}));
}

TEST_F(Term, LineFeedOnTheLastRowScrollsAndKeepsTheCursor) {
    Receive("first" + ESC + "[24;7Hlast\n");
    EXPECT_EQ(RowText(term, 23), "      last");
    EXPECT_EQ(RowText(term, 24), "");
    EXPECT_NE(RowText(term, 1), "first");
    ExpectCursor(11, 24);
    Receive("\f");
    ExpectCursor(11, 24);
    EXPECT_EQ(view.scrolls.size(), 2u);
}

TEST_F(Term, ReverseFeedOnTheFirstRowScrollsDown) {
    term.SetEmulation(teVT52);
    Receive("top" + ESC + "I");
    EXPECT_EQ(RowText(term, 1), "");
    EXPECT_EQ(RowText(term, 2), "top");
    ExpectCursor(4, 1);
    Receive(ESC + "Y" + char(36) + char(41) + ESC + "I");
    ExpectCursor(10, 4);
}

TEST_F(Term, ControlCharactersMoveOnlyTheCursor) {
    std::string fired;
    term.OnChar = [&](fw::TComponent *, char ch) { fired += ch; };
    Receive("ab\bX\x07\x0b\x7f\x0e\x1f\xff\fq\rZ");
    EXPECT_EQ(RowText(term, 1), "aX");
    EXPECT_EQ(RowText(term, 2), "Z q");
    EXPECT_EQ(fired, "ab\bX\x07\x0b\x7f\x0e\x1f\xff\fq\rZ");
    Receive(std::string(1, '\0'));
    EXPECT_EQ(fired.back(), '\0');
    Receive("\r\b\b");
    ExpectCursor(1, 2);
}

TEST_F(Term, PrintingDrawsOnlyTheCellAtItsViewPosition) {
    term.SetLeftColumn(3);
    term.SetTopRow(2);
    Receive(ESC + "[4;5Hk");
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(view.drawn[0].column, 3);
    EXPECT_EQ(view.drawn[0].row, 3);
    EXPECT_EQ(view.drawn[0].cell.Ch, 'k');
}

// --- cursor movement and clamping ---

TEST_F(Term, CursorAddressingIsClampedAndNeverScrolls) {
    Receive(ESC + "[5;10H");
    ExpectCursor(10, 5);
    Receive(ESC + "[99;999H");
    ExpectCursor(80, 24);
    Receive(ESC + "[H");
    ExpectCursor(1, 1);
    Receive(ESC + "[0;0f");
    ExpectCursor(1, 1);
    Receive(ESC + "[30B" + ESC + "[200C");
    ExpectCursor(80, 24);
    Receive(ESC + "[2A" + ESC + "[3D");
    ExpectCursor(77, 22);
    Receive(ESC + "[0A");
    ExpectCursor(77, 22);
    Receive(ESC + "[-5A");
    ExpectCursor(77, 24);
    EXPECT_TRUE(view.scrolls.empty());
}

TEST_F(Term, ExtremeParametersDoNotOverflow) {
    Receive(ESC + "[12;40H" + ESC + "[2147483647B");
    ExpectCursor(40, 24);
    Receive(ESC + "[-2147483648A");
    ExpectCursor(40, 24);
    Receive(ESC + "[-2147483648C");
    ExpectCursor(1, 24);
    Receive(ESC + "[2147483647D" + ESC + "[-2147483648;-2147483648H");
    ExpectCursor(1, 1);
}

TEST_F(Term, Vt52CursorAddressing) {
    term.SetEmulation(teVT52);
    Receive(ESC + "Y" + char(36) + char(41));
    ExpectCursor(10, 5);
    Receive(ESC + "Y" + char(0) + char(255));
    ExpectCursor(80, 1);
    Receive(ESC + "B" + ESC + "B" + ESC + "D" + ESC + "A" + ESC + "C" + ESC + "C");
    ExpectCursor(80, 2);
    Receive(ESC + "H");
    ExpectCursor(1, 1);
}

TEST_F(Term, SaveAndRestoreCursor) {
    Receive(ESC + "[u");
    ExpectCursor(1, 1); // nothing saved yet: (0, 0) clamps to home
    Receive(ESC + "[3;4H" + ESC + "[s" + ESC + "[10;10H" + ESC + "[u");
    ExpectCursor(4, 3);
    Receive(ESC + "[1;4m" + ESC + "7" + ESC + "[m" + ESC + "[20;20H" + ESC + "8");
    ExpectCursor(4, 3);
    EXPECT_TRUE(term.AttrBold());
    EXPECT_TRUE(term.AttrUnderline());
    // A saved position beyond a shrunken grid comes back clamped.
    Receive(ESC + "[20;70H" + ESC + "[s");
    term.SetColumns(40);
    term.SetRows(10);
    Receive(ESC + "[u");
    ExpectCursor(40, 10);
}

// --- erasing ---

TEST_F(Term, EraseLineForms) {
    Receive(ESC + "[3;1H" + std::string(80, 'x') + ESC + "[3;40H" + ESC + "[K");
    EXPECT_EQ(RowText(term, 3), std::string(39, 'x'));
    ExpectCursor(40, 3);
    Receive(ESC + "[2K");
    EXPECT_EQ(RowText(term, 3), "");
    ExpectCursor(1, 3);
}

TEST_F(Term, EraseScreenForms) {
    for (int r = 0; r < 24; ++r)
        Receive(ESC + "[" + std::to_string(r + 1) + ";1H" + std::string(80, 'x'));
    view.invalidated.clear();
    Receive(ESC + "[10;40H" + ESC + "[J");
    EXPECT_EQ(RowText(term, 9), std::string(80, 'x'));
    EXPECT_EQ(RowText(term, 10), std::string(39, 'x'));
    EXPECT_EQ(RowText(term, 11), "");
    EXPECT_EQ(RowText(term, 24), "");
    ExpectCursor(40, 10);
    EXPECT_FALSE(view.invalidated.empty());
    Receive(ESC + "[2J");
    EXPECT_EQ(RowText(term, 1), "");
    ExpectCursor(1, 1);
}

// --- attributes and colours ---

TEST_F(Term, BoldReverseAndResetColours) {
    term.SetColor(fw::clNavy);
    term.SetFontColor(fw::clYellow);
    term.SetAltColor(fw::clRed);
    Receive(ESC + "[1;7ma" + ESC + "[mb" + ESC + "[7mc" + ESC + "[27;1md");
    EXPECT_EQ(Cell(1, 1).TextColor, fw::clRed);
    EXPECT_EQ(Cell(1, 1).CellColor, fw::clYellow);
    EXPECT_EQ(Cell(2, 1).TextColor, fw::clYellow);
    EXPECT_EQ(Cell(2, 1).CellColor, fw::clNavy);
    EXPECT_EQ(Cell(3, 1).TextColor, fw::clNavy);
    EXPECT_EQ(Cell(3, 1).CellColor, fw::clYellow);
    EXPECT_EQ(Cell(4, 1).TextColor, fw::clRed);
    EXPECT_EQ(Cell(4, 1).CellColor, fw::clNavy);
    // Stored cells keep the colours they were written with.
    term.SetColor(fw::clBlack);
    EXPECT_EQ(Cell(2, 1).CellColor, fw::clNavy);
}

TEST_F(Term, UnderlineAndIgnoredAttributes) {
    Receive(ESC + "[32ma" + ESC + "[4mbc" + ESC + "[24md" + ESC + "[4me" + ESC + "[0mf");
    const std::vector<bool> expected{false, true, true, false, true, false};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(Cell(c + 1, 1).Underline, expected[static_cast<std::size_t>(c)]) << c;
    EXPECT_EQ(Cell(1, 1).TextColor, fw::clWhite);
    EXPECT_EQ(Cell(1, 1).CellColor, fw::clBlack);
    // A non-numeric parameter reads as 1: bold.
    Receive(ESC + "[?=m");
    EXPECT_TRUE(term.AttrBold());
    Receive(ESC + "[1m" + ESC + "[21m");
    EXPECT_FALSE(term.AttrBold());
}

TEST_F(Term, ResetTerminalResetsOnlyTheAttributes) {
    Receive("keep\t" + ESC + "[1;4;7m" + ESC + "[?1h" + ESC + "c");
    EXPECT_FALSE(term.AttrBold() || term.AttrUnderline() || term.AttrReverse());
    EXPECT_EQ(RowText(term, 1), "keep");
    ExpectCursor(9, 1);
    EXPECT_TRUE(term.AppCursorKeys());
}

TEST_F(Term, AlignmentTestFillsWithBaseColours) {
    Receive(ESC + "[5;6H" + ESC + "[1;4;7m" + ESC + "#8");
    for (std::int32_t r = 1; r <= 24; ++r)
        EXPECT_EQ(RowText(term, r), std::string(80, 'E'));
    EXPECT_EQ(Cell(80, 24).TextColor, fw::clWhite);
    EXPECT_EQ(Cell(80, 24).CellColor, fw::clBlack);
    EXPECT_FALSE(Cell(1, 1).Underline);
    ExpectCursor(6, 5);
    EXPECT_EQ(view.repaints, 1);
}

// --- tab stops ---

TEST_F(Term, TabStops) {
    Receive(ESC + "[1;5H\t");
    ExpectCursor(9, 1);
    Receive(ESC + "[1;73H\t");
    ExpectCursor(73, 1);
    Receive(ESC + "[1;76H" + ESC + "H" + ESC + "[1;74H\t");
    ExpectCursor(76, 1);
    Receive(ESC + "[g" + ESC + "[1;74H\t");
    ExpectCursor(74, 1);
    Receive(ESC + "[3g" + ESC + "[1;1H\t");
    ExpectCursor(1, 1);
}

// --- modes ---

TEST_F(Term, ColumnModeResizesAndEmptiesTheGrid) {
    Receive("text" + ESC + "[?3h");
    EXPECT_EQ(term.Columns(), 132);
    EXPECT_EQ(term.ScreenBuffer().Columns(), 132);
    EXPECT_EQ(RowText(term, 1), "");
    EXPECT_EQ(view.resized, 1);
    Receive(ESC + "[1;200Hx");
    ExpectCursor(132, 1);
    Receive(ESC + "[?3l");
    EXPECT_EQ(term.Columns(), 80);
    EXPECT_EQ(RowText(term, 1), "");
    ExpectCursor(80, 1);
}

TEST_F(Term, WrapAndCursorKeyModes) {
    Receive(ESC + "[7h");
    EXPECT_TRUE(term.WrapLines());
    Receive(ESC + "[7l");
    EXPECT_FALSE(term.WrapLines());
    Receive(ESC + "[?1h");
    EXPECT_TRUE(term.AppCursorKeys());
    Receive(ESC + "[?1l");
    EXPECT_FALSE(term.AppCursorKeys());
    // Only the first parameter counts; others change nothing but are handled.
    bool unhandled = false;
    term.OnUnhandledCode = [&](fw::TComponent *, TEscapeCode, std::string_view) { unhandled = true; };
    Receive(ESC + "[4;7h" + ESC + "[h" + ESC + "[?25l");
    EXPECT_FALSE(term.WrapLines());
    EXPECT_FALSE(unhandled);
}

TEST_F(Term, GridSizeIsClamped) {
    term.SetColumns(1);
    EXPECT_EQ(term.Columns(), 2);
    term.SetColumns(1000);
    EXPECT_EQ(term.Columns(), 256);
    term.SetRows(0);
    EXPECT_EQ(term.Rows(), 2);
    term.SetRows(500);
    EXPECT_EQ(term.Rows(), 100);
    EXPECT_EQ(term.ScreenBuffer().Rows(), 100);
    Receive("x");
    view.repaints = 0;
    term.SetRows(100); // unchanged: nothing happens, the text stays
    EXPECT_EQ(RowText(term, 1), "x");
    EXPECT_EQ(view.repaints, 0);
}

// --- received text handling ---

TEST_F(Term, UnhandledCodesReachTheEventWithTheirText) {
    std::vector<std::pair<TEscapeCode, std::string>> seen;
    term.OnUnhandledCode = [&](fw::TComponent *, TEscapeCode code, std::string_view data) {
        seen.emplace_back(code, data);
    };
    Receive(ESC + "[1J" + ESC + "[?1;2c" + ESC + "OB" + ESC + "[0n" + ESC + "[5;5R" + ESC + "[2J");
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], std::make_pair(ecInvalid, std::string("[1J")));
    EXPECT_EQ(seen[1], std::make_pair(ecIdentifyReply, std::string("[?1;2c")));
    EXPECT_EQ(seen[2], std::make_pair(ecAppKeyDown, std::string("OB")));
    EXPECT_EQ(seen[3].first, ecStatusOk);
    EXPECT_EQ(seen[4].first, ecPositionReport);
    EXPECT_TRUE(term.Parser()->Parameters().empty());
}

TEST_F(Term, StrRecievedMayChangeOrEmptyTheText) {
    term.OnStrRecieved = [](fw::TComponent *, std::string &str) {
        if (str == "drop")
            str.clear();
        else if (str == "abc")
            str = "xyz";
    };
    Receive("drop");
    EXPECT_EQ(RowText(term, 1), "");
    EXPECT_EQ(view.hidden, 1);
    EXPECT_EQ(view.shown, 1);
    Receive("abc");
    EXPECT_EQ(RowText(term, 1), "xyz");
    Receive("");
    EXPECT_EQ(view.shown, 3);
}

TEST_F(Term, AppendLfAndForce7Bit) {
    term.SetAppendLF(true);
    Receive("a\r\nb\rc\r");
    EXPECT_EQ(RowText(term, 1), "a");
    EXPECT_EQ(RowText(term, 2), "");
    EXPECT_EQ(RowText(term, 3), "b");
    EXPECT_EQ(RowText(term, 4), "c");
    ExpectCursor(1, 5);
    term.SetAppendLF(false);
    term.SetForce7Bit(true);
    Receive("\xc1\xe2" + std::string(1, static_cast<char>(0x9b)) + "[1m" + "z");
    EXPECT_EQ(RowText(term, 5), "Abz");
    EXPECT_TRUE(term.AttrBold());
}

TEST_F(Term, WithoutAParserEscIsAnInvisibleCharacter) {
    term.SetEmulation(teNone);
    EXPECT_EQ(term.Parser(), nullptr);
    Receive(ESC + "[A");
    EXPECT_EQ(RowText(term, 1), "[A");
}

TEST_F(Term, GetEscapeCodesSuppliesTheParserForTeNone) {
    int asked = 0;
    term.OnGetEscapeCodes = [&](fw::TComponent *, std::unique_ptr<TEscapeCodes> &codes) {
        ++asked;
        EXPECT_EQ(codes, nullptr);
        codes = std::make_unique<TEscapeCodesVT52>();
    };
    term.SetEmulation(teVT52);
    EXPECT_EQ(asked, 0);
    term.SetEmulation(teNone);
    EXPECT_EQ(asked, 1);
    ASSERT_NE(term.Parser(), nullptr);
    Receive(ESC + "Y" + char(33) + char(33) + "v");
    EXPECT_EQ(RowText(term, 2), " v");
}

TEST_F(Term, AHandlerMayChangeTheEmulationMidChunk) {
    term.OnChar = [&](fw::TComponent *, char ch) {
        if (ch == '!')
            term.SetEmulation(term.Emulation() == teVT100orANSI ? teVT52 : teVT100orANSI);
    };
    term.OnUnhandledCode = [&](fw::TComponent *, TEscapeCode, std::string_view data) {
        if (data == "X")
            term.SetEmulation(teNone);
    };
    Receive("a!" + ESC + "Y" + char(34) + char(34) + "b!" + ESC + "[3;1Hc" + ESC + "X" + ESC + "d");
    // VT52 addressing put b! at (3, 3); back in VT100, ESC X switched the
    // parser off, so the last ESC is invisible and d follows c.
    EXPECT_EQ(RowText(term, 1), "a!");
    EXPECT_EQ(RowText(term, 3), "cdb!");
    EXPECT_EQ(term.Emulation(), teNone);
    EXPECT_EQ(term.Parser(), nullptr);
    ExpectCursor(3, 3);
}

TEST_F(Term, AnErrorInAHandlerEndsTheChunkButNotTheTerminal) {
    term.OnChar = [&](fw::TComponent *, char ch) {
        if (ch == '!') {
            term.SetEmulation(teVT52); // the old parser must outlive the error
            throw std::runtime_error("handler failed");
        }
    };
    EXPECT_THROW(Receive("ab!cd"), std::runtime_error);
    EXPECT_EQ(RowText(term, 1), "ab!");
    // The caret comes back, and the next chunk is interpreted as usual.
    EXPECT_EQ(view.hidden, view.shown);
    term.OnChar = nullptr;
    Receive(ESC + "Y" + char(33) + char(32) + "z");
    EXPECT_EQ(RowText(term, 2), "z");
}

TEST_F(Term, LoadingSetsUpParserAndGridWhenItEnds) {
    term.BeginLoading();
    term.SetColumns(100);
    term.SetRows(30);
    term.SetEmulation(teVT52);
    EXPECT_EQ(term.ScreenBuffer().Columns(), 80);
    EXPECT_NE(dynamic_cast<TEscapeCodesVT100 *>(term.Parser()), nullptr);
    term.EndLoading();
    EXPECT_EQ(term.ScreenBuffer().Columns(), 100);
    EXPECT_EQ(term.ScreenBuffer().Rows(), 30);
    EXPECT_NE(dynamic_cast<TEscapeCodesVT52 *>(term.Parser()), nullptr);
}

TEST_F(Term, SendingWithoutAPortDoesNothing) {
    term.SetLocalEcho(true);
    term.SendChar('a');
    term.SendCode(ecMoveDown);
    Receive(ESC + "[6n" + ESC + "[c");
    EXPECT_EQ(RowText(term, 1), "");
    ExpectCursor(1, 1);
    EXPECT_FALSE(term.Connected());
    term.SetConnected(true);
    EXPECT_FALSE(term.Connected());
}

TEST_F(Term, HandleCodeWithoutAListStillAnswers) {
    EXPECT_TRUE(term.HandleCode(ecIdentifyQuery, nullptr));
    EXPECT_TRUE(term.HandleCode(ecPositionQuery, nullptr));
    EXPECT_TRUE(term.HandleCode(ecResetTerminal, nullptr));
    EXPECT_TRUE(term.HandleCode(ecMoveDown, nullptr));
    ExpectCursor(1, 2);
    EXPECT_FALSE(term.HandleCode(ecAppKeyLeft, nullptr));
    EXPECT_FALSE(term.HandleCode(ecIncomplete, nullptr));
}

// --- hostile input ---

TEST_F(Term, AnEndlessControlSequenceKeepsMemoryBounded) {
    term.SetView(nullptr);
    term.SetWrapLines(true);
    std::string chunk(1 << 20, '9');
    chunk[0] = 27;
    chunk[1] = '[';
    std::size_t unhandled = 0;
    term.OnUnhandledCode = [&](fw::TComponent *, TEscapeCode code, std::string_view data) {
        EXPECT_EQ(code, ecInvalid);
        EXPECT_EQ(data.size(), TEscapeCodes::MaxSequenceLength);
        ++unhandled;
    };
    for (int i = 0; i < 100; ++i) {
        term.InterpretText(chunk);
        ASSERT_LE(term.Parser()->SequenceText().size(), TEscapeCodes::MaxSequenceLength);
        ASSERT_GE(term.CursorColumn(), 1);
        ASSERT_LE(term.CursorColumn(), 80);
        ASSERT_GE(term.CursorRow(), 1);
        ASSERT_LE(term.CursorRow(), 24);
    }
    EXPECT_EQ(unhandled, 100u);
    EXPECT_EQ(RowText(term, 24).substr(0, 1), "9");
}
