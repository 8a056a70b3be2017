#include "ComTermBuffer.h"

#include "ComTerminalModel.h"

#include <algorithm>

namespace cport {

void TComTermBuffer::Initialize() {
    columns_ = owner_.Columns();
    rows_ = owner_.Rows();
    // assign() keeps the block when the size is unchanged, so re-initializing
    // at the same size allocates nothing.
    cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), TTermCell{});
    tabStops_.assign(static_cast<std::size_t>(columns_), 0);
    for (std::int32_t column = 1; column <= std::min<std::int32_t>(73, columns_); column += 8)
        tabStops_[static_cast<std::size_t>(column - 1)] = 1;
}

void TComTermBuffer::ScrollUp() {
    if (rows_ < 1)
        return;
    const auto width = static_cast<std::ptrdiff_t>(columns_);
    std::copy(cells_.begin() + width, cells_.end(), cells_.begin());
    std::fill(cells_.end() - width, cells_.end(), TTermCell{});
    owner_.ScrollDisplay(sdUp);
}

void TComTermBuffer::ScrollDown() {
    if (rows_ < 1)
        return;
    const auto width = static_cast<std::ptrdiff_t>(columns_);
    std::copy_backward(cells_.begin(), cells_.end() - width, cells_.end());
    std::fill(cells_.begin(), cells_.begin() + width, TTermCell{});
    owner_.ScrollDisplay(sdDown);
}

void TComTermBuffer::EraseLineFrom(std::int32_t column, std::int32_t row) {
    if (!Inside(column, row))
        return;
    std::fill(cells_.begin() + static_cast<std::ptrdiff_t>(Index(column, row)),
              cells_.begin() + static_cast<std::ptrdiff_t>(Index(columns_, row)) + 1, TTermCell{});
    owner_.InvalidateCells(column, row, columns_, row);
}

void TComTermBuffer::EraseScreenFrom(std::int32_t column, std::int32_t row) {
    if (!Inside(column, row))
        return;
    std::fill(cells_.begin() + static_cast<std::ptrdiff_t>(Index(column, row)), cells_.end(), TTermCell{});
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
