// The terminal control's scroll bars: their ranges for the grid and the
// client size, and moving the view when the user scrolls.
#include "ComTerminal.h"

#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

namespace cport {

QScrollBar *TCustomComTerminal::Bar(Qt::Orientation orientation) const {
    return orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
}

bool TCustomComTerminal::Allows(Qt::Orientation orientation) const {
    if (orientation == Qt::Horizontal)
        return scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
    return scrollBars_ == ssVertical || scrollBars_ == ssBoth;
}

std::int32_t TCustomComTerminal::ClientWidth() const {
    const int bar = vBarShown_ ? verticalScrollBar()->sizeHint().width() : 0;
    return std::max(0, contentsRect().width() - bar);
}

std::int32_t TCustomComTerminal::ClientHeight() const {
    const int bar = hBarShown_ ? horizontalScrollBar()->sizeHint().height() : 0;
    return std::max(0, contentsRect().height() - bar);
}

void TCustomComTerminal::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    AdjustScrollBars();
}

void TCustomComTerminal::AdjustScrollBars() {
    // Showing or hiding a bar resizes the client area, which comes back here.
    if (scrollBars_ == ssNone || adjusting_)
        return;
    adjusting_ = true;
    const bool allowH = Allows(Qt::Horizontal);
    const bool allowV = Allows(Qt::Vertical);
    const QSize inner = contentsRect().size();
    const int vBarWidth = verticalScrollBar()->sizeHint().width();
    const int hBarHeight = horizontalScrollBar()->sizeHint().height();
    // A bar that appears narrows the client area and may make the other bar
    // necessary; repeat until neither changes, so that at the largest
    // positions the last column and row are always in view.
    bool hShown = false;
    bool vShown = false;
    int hMax = 0;
    int vMax = 0;
    int columnsShown = 0;
    int rowsShown = 0;
    for (;;) {
        columnsShown = std::max(0, inner.width() - (vShown ? vBarWidth : 0)) / charWidth_;
        hMax = allowH && columnsShown < Columns() ? Columns() - columnsShown : 0;
        rowsShown = std::max(0, inner.height() - (hMax > 0 ? hBarHeight : 0)) / charHeight_;
        vMax = allowV && rowsShown < Rows() ? Rows() - rowsShown : 0;
        if ((hMax > 0) == hShown && (vMax > 0) == vShown)
            break;
        hShown = hMax > 0;
        vShown = vMax > 0;
    }
    hBarShown_ = hShown;
    vBarShown_ = vShown;
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    h->setRange(0, hMax);
    h->setPageStep(std::max(1, columnsShown));
    v->setRange(0, vMax);
    v->setPageStep(std::max(1, rowsShown));
    setHorizontalScrollBarPolicy(hShown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vShown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // The ranges kept the positions inside them; the view follows.
    SetLeftColumn(h->value() + 1);
    SetTopRow(v->value() + 1);
    PlaceCaret();
    adjusting_ = false;
}

void TCustomComTerminal::RecreateScrollBars() {
    // A bar that is not allowed is gone together with its position: the view
    // returns to the grid's first column or row rather than stay where no bar
    // could bring it back from.
    hBarShown_ = hBarShown_ && Allows(Qt::Horizontal);
    vBarShown_ = vBarShown_ && Allows(Qt::Vertical);
    if (!Allows(Qt::Horizontal)) {
        horizontalScrollBar()->setRange(0, 0);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    if (!Allows(Qt::Vertical)) {
        verticalScrollBar()->setRange(0, 0);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    AdjustScrollBars();
}

void TCustomComTerminal::BarAction(Qt::Orientation orientation, int action) {
    QScrollBar *bar = Bar(orientation);
    TScrollCode code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        code = scLineUp;
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        code = scLineDown;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = scPageUp;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = scPageDown;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = scTop;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = scBottom;
        break;
    case QAbstractSlider::SliderMove:
        code = bar->isSliderDown() ? scThumbTrack : scThumbPosition;
        break;
    default:
        return;
    }
    // Qt has already moved the slider its own way; the position this control
    // computes replaces it before Qt applies it.
    const int target = NewScrollPosition(orientation, code, bar->sliderPosition());
    if (code == scThumbTrack && !smoothScroll_)
        return;
    bar->setSliderPosition(target);
    ScrollView(orientation, code, target);
}

int TCustomComTerminal::NewScrollPosition(Qt::Orientation orientation, TScrollCode code, int thumbPosition) const {
    const QScrollBar *bar = Bar(orientation);
    const int old = bar->value();
    const int page = orientation == Qt::Vertical ? ClientHeight() / charHeight_ : ClientWidth() / charWidth_;
    switch (code) {
    case scLineUp:
        return old - 1;
    case scLineDown:
        return old + 1;
    case scPageUp:
        return old - page;
    case scPageDown:
        return old + page;
    case scThumbPosition:
    case scThumbTrack:
        return thumbPosition;
    case scTop:
        return bar->minimum();
    case scBottom:
        return bar->maximum();
    case scEndScroll:
        break;
    }
    return old;
}

void TCustomComTerminal::ScrollView(Qt::Orientation orientation, TScrollCode code, int thumbPosition) {
    if (code == scEndScroll || (code == scThumbTrack && !smoothScroll_))
        return;
    // The bar clamps the position to its range; the view follows through
    // scrollContentsBy.
    Bar(orientation)->setValue(NewScrollPosition(orientation, code, thumbPosition));
}

void TCustomComTerminal::scrollContentsBy(int dx, int dy) {
    SetLeftColumn(horizontalScrollBar()->value() + 1);
    SetTopRow(verticalScrollBar()->value() + 1);
    if (dx != 0 || dy != 0)
        ScrollPixels(dx * charWidth_, dy * charHeight_, viewport()->rect());
    PlaceCaret();
}

} // namespace cport
