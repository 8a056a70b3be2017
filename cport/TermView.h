#pragma once

#include "ComTermBuffer.h"

#include <cstdint>

namespace cport {

enum TScrollDirection : std::uint8_t { sdUp, sdDown };

// What the terminal model needs from whatever shows it. The Qt control
// implements it and hands itself to TComTerminalModel::SetView; the model
// works without a view too (every call is then skipped).
//
// All calls come from the thread that feeds the model (the main thread).
// Positions are 1-based. The view reads the model for everything else it
// needs: CursorColumn/CursorRow for the caret, LeftColumn/TopRow for its
// origin (which the view itself maintains with SetViewOrigin), Columns/Rows
// and ScreenBuffer().GetCell for painting.
class TTermView {
  public:
    virtual ~TTermView() = default;

    // Paint one cell now, at a position relative to the view origin (1, 1 is
    // the top left cell shown). The position may lie outside the window.
    virtual void DrawCell(std::int32_t viewColumn, std::int32_t viewRow, const TTermCell &cell) = 0;
    // Schedule a repaint of a rectangle of grid cells (grid coordinates,
    // inclusive), with the background erased.
    virtual void InvalidateCells(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) = 0;
    // The grid's rows have moved by one row; shift what is shown to match.
    virtual void ScrollDisplay(TScrollDirection direction) = 0;
    // Put the caret (if one exists) at the cursor cell.
    virtual void PlaceCaret() = 0;
    // Hide and show the caret (if one exists) around a batch of changes.
    virtual void HideTermCaret() = 0;
    virtual void ShowTermCaret() = 0;
    // Schedule a repaint of the whole control.
    virtual void RepaintAll() = 0;
    // Columns or Rows took a new value: re-apply the control's size and
    // scroll ranges. Called before the grid is re-initialized at that size.
    virtual void GridSizeChanged() = 0;
};

} // namespace cport
