// Random bytes into the whole terminal: the first bytes choose the settings,
// the rest arrives in chunks. Nothing may crash, the cursor stays inside the
// grid, every repaint the model asks for lies inside it, and the parser's
// memory stays bounded.
#include "cport/ComTerminalModel.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

struct CheckingView : cport::TTermView {
    const cport::TComTerminalModel *term = nullptr;
    void DrawCell(std::int32_t column, std::int32_t row, const cport::TTermCell &cell) override {
        // The view origin stays at (1, 1) here, so view and grid positions agree.
        Check(column >= 1 && column <= term->ScreenBuffer().Columns());
        Check(row >= 1 && row <= term->ScreenBuffer().Rows());
        Check(cell.Ch >= 32 && cell.Ch <= 126);
    }
    void InvalidateCells(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override {
        Check(1 <= left && left <= right && right <= term->ScreenBuffer().Columns());
        Check(1 <= top && top <= bottom && bottom <= term->ScreenBuffer().Rows());
    }
    void ScrollDisplay(cport::TScrollDirection) override {}
    void PlaceCaret() override { CheckCursor(); }
    void HideTermCaret() override {}
    void ShowTermCaret() override { CheckCursor(); }
    void RepaintAll() override {}
    void GridSizeChanged() override {}
    void CheckCursor() const {
        Check(term->CursorColumn() >= 1 && term->CursorColumn() <= term->Columns());
        Check(term->CursorRow() >= 1 && term->CursorRow() <= term->Rows());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 4)
        return 0;
    cport::TComTerminalModel term;
    CheckingView view;
    view.term = &term;
    term.SetView(&view);
    const std::uint8_t flags = data[0];
    term.SetWrapLines(flags & 1);
    term.SetAppendLF(flags & 2);
    term.SetForce7Bit(flags & 4);
    if (flags & 8)
        term.SetEmulation(cport::teVT52);
    term.SetColumns(data[1]);
    term.SetRows(data[2] % 110);
    const std::size_t chunk = 1 + data[3] % 97;
    const char *text = reinterpret_cast<const char *>(data) + 4;
    const std::size_t length = size - 4;
    for (std::size_t at = 0; at < length; at += chunk) {
        term.LinkRxBuf(nullptr, text + at, static_cast<std::int32_t>(std::min(chunk, length - at)));
        view.CheckCursor();
        Check(term.ScreenBuffer().Columns() == term.Columns() && term.ScreenBuffer().Rows() == term.Rows());
        if (const cport::TEscapeCodes *parser = term.Parser()) {
            Check(parser->SequenceText().size() <= cport::TEscapeCodes::MaxSequenceLength);
            Check(parser->ParameterCount() == 0);
        }
    }
    return 0;
}
