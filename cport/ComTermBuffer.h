#pragma once

#include "framework/Color.h"

#include <cstdint>
#include <vector>

namespace cport {

class TComTerminalModel;

// One character cell. An empty cell (all fields zero) is not drawn, so the
// control's background shows there.
struct TTermCell {
    // The colours come first so that a cell takes 12 bytes, not 16.
    fw::TColor TextColor = 0;
    fw::TColor CellColor = 0;
    char Ch = 0;
    bool Underline = false;

    friend bool operator==(const TTermCell &, const TTermCell &) = default;
};

// The terminal's grid: Columns x Rows cells in one block, and one tab stop
// per column. Columns and rows count from 1. The grid takes its size from the
// owner when Initialize runs and keeps it until the next Initialize;
// positions outside that size are ignored (reads give an empty cell), so a
// grid that lags behind a size change can never be overrun.
//
// The rows lie in the block as a ring: scrolling moves the ring's origin by
// one row and empties one row, instead of moving every other row.
class TComTermBuffer {
  public:
    explicit TComTermBuffer(TComTerminalModel &owner) : owner_(owner) {}

    // Empties the grid at the owner's current size and sets the default tab
    // stops (every 8 columns from 1, none beyond 73).
    void Initialize();
    bool Initialized() const { return columns_ > 0; }
    std::int32_t Columns() const { return columns_; }
    std::int32_t Rows() const { return rows_; }

    void SetCell(std::int32_t column, std::int32_t row, const TTermCell &cell) {
        if (Inside(column, row))
            cells_[Index(column, row)] = cell;
    }
    TTermCell GetCell(std::int32_t column, std::int32_t row) const {
        return Inside(column, row) ? cells_[Index(column, row)] : TTermCell{};
    }

    // Rows move by one; the row uncovered becomes empty and the view shifts.
    void ScrollUp();
    void ScrollDown();
    // Empty the cells from column to the end of the row (and, for the screen
    // form, every row below) and have the view repaint them.
    void EraseLineFrom(std::int32_t column, std::int32_t row);
    void EraseScreenFrom(std::int32_t column, std::int32_t row);

    bool GetTabStop(std::int32_t column) const;
    void SetTabStop(std::int32_t column, bool on);
    // The first column at or after column that has a stop, or 0.
    std::int32_t NextTabStop(std::int32_t column) const;
    void ClearTabStops();

  private:
    bool Inside(std::int32_t column, std::int32_t row) const {
        return column >= 1 && column <= columns_ && row >= 1 && row <= rows_;
    }
    // Where a row starts in the block.
    std::size_t RowStart(std::int32_t row) const {
        std::int32_t stored = origin_ + row - 1;
        if (stored >= rows_)
            stored -= rows_;
        return static_cast<std::size_t>(stored) * static_cast<std::size_t>(columns_);
    }
    std::size_t Index(std::int32_t column, std::int32_t row) const {
        return RowStart(row) + static_cast<std::size_t>(column - 1);
    }
    void EmptyRow(std::int32_t row, std::int32_t fromColumn = 1);

    TComTerminalModel &owner_;
    std::vector<TTermCell> cells_;
    std::vector<std::uint8_t> tabStops_;
    std::int32_t columns_ = 0;
    std::int32_t rows_ = 0;
    std::int32_t origin_ = 0; // the stored row that is row 1
};

} // namespace cport
