#pragma once

#include "cport/ComTerminalModel.h"

#include <string>
#include <vector>

// A view that records what the terminal model asks of it.
struct RecordingView : cport::TTermView {
    struct Rect {
        std::int32_t left, top, right, bottom;
        friend bool operator==(const Rect &, const Rect &) = default;
    };
    struct Drawn {
        std::int32_t column, row;
        cport::TTermCell cell;
    };

    void DrawCell(std::int32_t viewColumn, std::int32_t viewRow, const cport::TTermCell &cell) override {
        drawn.push_back({viewColumn, viewRow, cell});
    }
    void InvalidateCells(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override {
        invalidated.push_back({left, top, right, bottom});
    }
    void ScrollDisplay(cport::TScrollDirection direction) override { scrolls.push_back(direction); }
    void PlaceCaret() override { ++placed; }
    void HideTermCaret() override { ++hidden; }
    void ShowTermCaret() override { ++shown; }
    void RepaintAll() override { ++repaints; }
    void GridSizeChanged() override { ++resized; }

    std::vector<Drawn> drawn;
    std::vector<Rect> invalidated;
    std::vector<cport::TScrollDirection> scrolls;
    int placed = 0, hidden = 0, shown = 0, repaints = 0, resized = 0;
};

// The characters of one grid row, empty cells as blanks, trailing blanks cut.
inline std::string RowText(const cport::TComTerminalModel &term, std::int32_t row) {
    std::string s;
    const auto &grid = term.ScreenBuffer();
    for (std::int32_t c = 1; c <= grid.Columns(); ++c) {
        char ch = grid.GetCell(c, row).Ch;
        s += ch == 0 ? ' ' : ch;
    }
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}
