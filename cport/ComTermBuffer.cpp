#include "ComTermBuffer.h"

#include "ComTerminalModel.h"

#include <algorithm>
#include <cstring>

namespace cport {

void TComTermBuffer::Initialize() {
    columns_ = owner_.Columns();
    rows_ = owner_.Rows();
    // assign() keeps the block when the size is unchanged, so re-initializing
    // at the same size allocates nothing.
    cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), TTermCell{});
    origin_ = 0;
    tabStops_.assign(static_cast<std::size_t>(columns_), 0);
    for (std::int32_t column = 1; column <= std::min<std::int32_t>(73, columns_); column += 8)
        tabStops_[static_cast<std::size_t>(column - 1)] = 1;
}

void TComTermBuffer::EmptyRow(std::int32_t row, std::int32_t fromColumn) {
    // An empty cell is all zero bytes.
    TTermCell *start = cells_.data() + RowStart(row);
    std::memset(static_cast<void *>(start + (fromColumn - 1)), 0,
                static_cast<std::size_t>(columns_ - fromColumn + 1) * sizeof(TTermCell));
}

void TComTermBuffer::ScrollUp() {
    if (rows_ < 1)
        return;
    // Row 1 becomes the new last row, emptied.
    EmptyRow(1);
    origin_ = origin_ + 1 == rows_ ? 0 : origin_ + 1;
    owner_.ScrollDisplay(sdUp);
}

void TComTermBuffer::ScrollDown() {
    if (rows_ < 1)
        return;
    origin_ = origin_ == 0 ? rows_ - 1 : origin_ - 1;
    EmptyRow(1);
    owner_.ScrollDisplay(sdDown);
}

void TComTermBuffer::EraseLineFrom(std::int32_t column, std::int32_t row) {
    if (!Inside(column, row))
        return;
    EmptyRow(row, column);
    owner_.InvalidateCells(column, row, columns_, row);
}

void TComTermBuffer::EraseScreenFrom(std::int32_t column, std::int32_t row) {
    if (!Inside(column, row))
        return;
    EmptyRow(row, column);
    for (std::int32_t below = row + 1; below <= rows_; ++below)
        EmptyRow(below);
    owner_.InvalidateCells(column, row, columns_, row);
    if (row < rows_)
        owner_.InvalidateCells(1, row + 1, columns_, rows_);
}

bool TComTermBuffer::GetTabStop(std::int32_t column) const {
    return column >= 1 && column <= columns_ && tabStops_[static_cast<std::size_t>(column - 1)] != 0;
}

void TComTermBuffer::SetTabStop(std::int32_t column, bool on) {
    if (column >= 1 && column <= columns_)
        tabStops_[static_cast<std::size_t>(column - 1)] = on ? 1 : 0;
}

std::int32_t TComTermBuffer::NextTabStop(std::int32_t column) const {
    for (std::int32_t c = std::max<std::int32_t>(column, 1); c <= columns_; ++c)
        if (tabStops_[static_cast<std::size_t>(c - 1)] != 0)
            return c;
    return 0;
}

void TComTermBuffer::ClearTabStops() { std::fill(tabStops_.begin(), tabStops_.end(), 0); }

} // namespace cport
