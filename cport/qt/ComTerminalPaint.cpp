// The terminal control's drawing: font measures, the view operations the
// model calls, painting the cells and the caret.
#include "ComTerminal.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleHints>

#include <algorithm>
#include <cmath>
#include <strings.h>

namespace cport {

// --- font ---

bool TCustomComTerminal::MeasureFont() {
    // Qt's maximum character width includes glyphs far wider than a cell, and
    // its fixed-pitch flag is unreliable: the advances of the characters tell
    // both the cell width and whether every character has the same one.
    const QFontMetrics metrics(cellFont_);
    const QFontMetricsF exact(cellFont_);
    charHeight_ = std::max(1, metrics.height());
    charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('W')));
    const qreal narrow = exact.horizontalAdvance(QLatin1Char('i'));
    const qreal wide = exact.horizontalAdvance(QLatin1Char('W'));
    const qreal dot = exact.horizontalAdvance(QLatin1Char('.'));
    return std::abs(narrow - wide) < 0.01 && std::abs(dot - wide) < 0.01;
}

void TCustomComTerminal::FontChanged() {
    cellFont_ = ToQFont(font_);
    if (!MeasureFont() && strcasecmp(font_.Name().c_str(), FixedsysName) != 0) {
        font_.SetName(FixedsysName);
        cellFont_ = ToQFont(font_);
        MeasureFont();
    }
    if (font_.Style().Contains(fsUnderline)) {
        font_.SetStyle(font_.Style() - TFontStyles{fsUnderline});
        cellFont_.setUnderline(false);
    }
    TComTerminalModel::SetFontColor(font_.Color());
    PrepareGlyphs();
    ApplyAutoSize();
    AdjustScrollBars();
    if (caretExists_) {
        // The caret takes the new cell size.
        const bool shown = CaretShown();
        DestroyTermCaret();
        CreateTermCaret();
        PlaceCaret();
        if (shown)
            ShowTermCaret();
    }
    viewport()->update();
}

void TCustomComTerminal::PrepareGlyphs() {
    const QFontMetrics metrics(cellFont_);
    ascent_ = metrics.ascent();
    underlineHeight_ = std::max(1, metrics.lineWidth());
    // The underline lies below the baseline, clear of the glyphs, and inside
    // the cell, so that the row below never paints over it.
    underlineY_ =
        std::clamp(ascent_ + std::max(1, metrics.underlinePos()), 0, std::max(0, charHeight_ - underlineHeight_));
    rawFont_ = QRawFont::fromFont(cellFont_);
    glyphs_.fill(0);
    if (!rawFont_.isValid())
        return;
    for (int c = 1; c < 256; ++c) {
        const QList<quint32> indexes = rawFont_.glyphIndexesForString(QString(QChar(c)));
        if (!indexes.isEmpty())
            glyphs_[static_cast<std::size_t>(c)] = indexes.front();
    }
}

// --- view operations ---

void TCustomComTerminal::DrawCell(std::int32_t viewColumn, std::int32_t viewRow, const TTermCell &) {
    // The cell is in the grid already; the next paint draws it from there.
    viewport()->update((viewColumn - 1) * charWidth_, (viewRow - 1) * charHeight_, charWidth_, charHeight_);
}

void TCustomComTerminal::InvalidateCells(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    const std::int64_t x1 = std::max<std::int64_t>(std::int64_t(left - LeftColumn()) * charWidth_, 0);
    const std::int64_t y1 = std::max<std::int64_t>(std::int64_t(top - TopRow()) * charHeight_, 0);
    const std::int64_t x2 = std::max<std::int64_t>(std::int64_t(right - LeftColumn() + 1) * charWidth_, 0);
    const std::int64_t y2 = std::max<std::int64_t>(std::int64_t(bottom - TopRow() + 1) * charHeight_, 0);
    if (x2 <= x1 || y2 <= y1)
        return;
    const QRect area(QPoint(int(x1), int(y1)), QPoint(int(x2) - 1, int(y2) - 1));
    viewport()->update(area & viewport()->rect());
}

void TCustomComTerminal::ScrollDisplay(TScrollDirection direction) {
    const int width = std::min(ClientWidth(), Columns() * charWidth_);
    const int height = std::min(ClientHeight(), Rows() * charHeight_);
    if (width <= 0 || height <= 0)
        return;
    ScrollPixels(0, direction == sdUp ? -charHeight_ : charHeight_, QRect(0, 0, width, height));
}

void TCustomComTerminal::ScrollPixels(int dx, int dy, const QRect &area) {
    viewport()->scroll(dx, dy, area);
    // The caret's pixels moved with the rest; the caret itself stays at the
    // cursor, so its old picture is repainted where it went.
    if (CaretShown())
        viewport()->update(CaretRect().translated(dx, dy));
}

void TCustomComTerminal::PlaceCaret() {
    if (!caretExists_)
        return;
    const QPoint pos((CursorColumn() - LeftColumn()) * charWidth_,
                     (CursorRow() - TopRow()) * charHeight_ + charHeight_ - caretHeight_);
    if (pos == caretPos_)
        return;
    // A hidden caret has no picture to move; showing it paints it anew.
    const bool shown = CaretShown();
    if (shown)
        UpdateCaret();
    caretPos_ = pos;
    if (shown) {
        RestartBlink();
        UpdateCaret();
    }
}

void TCustomComTerminal::HideTermCaret() {
    if (!caretExists_)
        return;
    if (caretHideCount_++ == 0)
        UpdateCaret();
}

void TCustomComTerminal::ShowTermCaret() {
    if (!caretExists_ || caretHideCount_ == 0)
        return;
    if (--caretHideCount_ == 0) {
        RestartBlink();
        UpdateCaret();
    }
}

void TCustomComTerminal::RepaintAll() { viewport()->update(); }

// --- caret ---

QRect TCustomComTerminal::CaretRect() const {
    if (!caretExists_)
        return QRect();
    return QRect(caretPos_, QSize(charWidth_, caretHeight_));
}

void TCustomComTerminal::CreateTermCaret() {
    DestroyTermCaret(); // a new caret replaces the old one
    switch (caret_) {
    case tcBlock:
        caretHeight_ = charHeight_;
        break;
    case tcUnderline:
        caretHeight_ = charHeight_ / 8;
        break;
    case tcNone:
        caretHeight_ = 0;
        break;
    }
    if (caretHeight_ > 0) {
        caretExists_ = true;
        caretHideCount_ = 1; // created hidden, like a new system caret
        caretPos_ = QPoint(0, 0);
    }
}

void TCustomComTerminal::DestroyTermCaret() {
    if (!caretExists_)
        return;
    UpdateCaret();
    caretExists_ = false;
    caretHideCount_ = 0;
    blink_.stop();
}

void TCustomComTerminal::UpdateCaret() {
    if (caretExists_)
        viewport()->update(CaretRect());
}

void TCustomComTerminal::RestartBlink() {
    blinkOn_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0 && caretExists_)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void TCustomComTerminal::timerEvent(QTimerEvent *event) {
    if (event->timerId() != blink_.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    if (!CaretShown()) {
        blink_.stop();
        return;
    }
    blinkOn_ = !blinkOn_;
    UpdateCaret();
}

void TCustomComTerminal::PaintCaret(QPainter &painter, const QRect &clip) {
    if (!CaretShown() || !blinkOn_)
        return;
    const QRect caret = CaretRect() & clip;
    if (caret.isEmpty())
        return;
    // Inverts what lies under the caret, as a system caret does.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    painter.fillRect(caret, Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// --- painting ---

void TCustomComTerminal::paintEvent(QPaintEvent *event) {
    QPainter painter(viewport());
    painter.setFont(cellFont_);
    // Each rectangle of the repainted region on its own: a chunk of received
    // text marks a few cells here and there, and their bounding box could be
    // the whole window.
    for (const QRect &clip : event->region()) {
        const std::int32_t left = clip.left() / charWidth_ + 1;
        const std::int32_t right = std::min(clip.right() / charWidth_ + 1, Columns());
        const std::int32_t top = clip.top() / charHeight_ + 1;
        const std::int32_t bottom = std::min(clip.bottom() / charHeight_ + 1, Rows());
        paintClip_ = clip;
        PaintCells(painter, left, top, right, bottom);
        painter.setClipRect(clip);
        PaintCaret(painter, clip);
    }
}

void TCustomComTerminal::PaintCells(QPainter &painter, std::int32_t left, std::int32_t top, std::int32_t right,
                                    std::int32_t bottom) {
    const TComTermBuffer &grid = ScreenBuffer();
    std::array<TTermCell, 256> row{};
    for (std::int32_t y = top; y <= bottom; ++y) {
        const std::int32_t gridRow = y + TopRow() - 1;
        if (gridRow < 1 || gridRow > grid.Rows())
            continue;
        // Neighbouring cells of the same colours and underline are drawn as
        // one run: one fill and one text call for all of them.
        std::int32_t runStart = 0;
        std::int32_t runLength = 0;
        for (std::int32_t x = left; x <= right + 1; ++x) {
            const std::int32_t gridColumn = x + LeftColumn() - 1;
            TTermCell cell{};
            if (x <= right && gridColumn >= 1 && gridColumn <= grid.Columns())
                cell = grid.GetCell(gridColumn, gridRow);
            const bool joins = cell.Ch != 0 && runLength > 0 && runLength < std::int32_t(row.size()) &&
                               cell.TextColor == row[0].TextColor && cell.CellColor == row[0].CellColor &&
                               cell.Underline == row[0].Underline;
            if (joins) {
                row[std::size_t(runLength++)] = cell;
                continue;
            }
            if (runLength > 0)
                PaintRun(painter, runStart, y, row.data(), runLength);
            runLength = 0;
            if (cell.Ch != 0) {
                runStart = x;
                row[0] = cell;
                runLength = 1;
            }
        }
    }
}

void TCustomComTerminal::PaintRun(QPainter &painter, std::int32_t viewColumn, std::int32_t viewRow,
                                  const TTermCell *cells, std::int32_t count) {
    const int x = (viewColumn - 1) * charWidth_;
    const int y = (viewRow - 1) * charHeight_;
    const QColor text = ToQColor(cells[0].TextColor);
    const QRect area(x, y, count * charWidth_, charHeight_);
    // Glyphs a little wider than their cell are cut at the run's edge, so a
    // cell looks the same whether its neighbour is painted with it or not.
    painter.setClipRect(area & paintClip_);
    painter.fillRect(area, ToQColor(cells[0].CellColor));
    painter.setPen(text);
    if (rawFont_.isValid()) {
        QList<quint32> indexes;
        QList<QPointF> positions;
        indexes.reserve(count);
        positions.reserve(count);
        for (std::int32_t i = 0; i < count; ++i) {
            const quint32 glyph = glyphs_[static_cast<unsigned char>(cells[i].Ch)];
            if (glyph == 0 || cells[i].Ch == ' ')
                continue;
            indexes.append(glyph);
            positions.append(QPointF(i * charWidth_, 0));
        }
        if (!indexes.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(rawFont_);
            run.setGlyphIndexes(indexes);
            run.setPositions(positions);
            painter.drawGlyphRun(QPointF(x, y + ascent_), run);
        }
    } else {
        for (std::int32_t i = 0; i < count; ++i)
            painter.drawText(x + i * charWidth_, y + ascent_, QString(QChar(static_cast<unsigned char>(cells[i].Ch))));
    }
    if (cells[0].Underline)
        painter.fillRect(x, y + underlineY_, count * charWidth_, underlineHeight_, text);
}

} // namespace cport
