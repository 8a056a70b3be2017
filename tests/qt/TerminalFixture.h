#pragma once

// Helpers for the terminal control's tests: feeding text, reading pixels
// and a port whose far end is a pseudo-terminal.

#include "cport/ComPort.h"
#include "cport/qt/ComTerminal.h"
#include "tests/support/Pty.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <string>

namespace qttest {

inline const std::string ESC = "\x1b";

inline QColor Rgb(fw::TColor c) { return QColor(fw::RedOf(c), fw::GreenOf(c), fw::BlueOf(c)); }

// The client area as a full paint draws it.
inline QImage Render(cport::TCustomComTerminal &term) {
    return term.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The client area as it stands in the window's buffer after the pending
// incremental paints: what the user sees.
inline QImage OnScreen(cport::TCustomComTerminal &term) {
    QCoreApplication::processEvents();
    const QPoint at = term.viewport()->mapTo(term.window(), QPoint(0, 0));
    const QSize size = term.viewport()->size();
    return term.window()
        ->screen()
        ->grabWindow(term.window()->winId(), at.x(), at.y(), size.width(), size.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The pixel rectangle of a view cell (1-based).
inline QRect CellRect(const cport::TCustomComTerminal &term, int column, int row) {
    return QRect((column - 1) * term.CharWidth(), (row - 1) * term.CharHeight(), term.CharWidth(), term.CharHeight());
}

inline int CountPixels(const QImage &image, const QRect &area, const QColor &color) {
    int n = 0;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixelColor(x, y) == color)
                ++n;
    return n;
}

inline bool AllPixels(const QImage &image, const QRect &area, const QColor &color) {
    const QRect r = area & image.rect();
    return CountPixels(image, r, color) == r.width() * r.height();
}

inline int Brightness(const QColor &c) { return c.red() + c.green() + c.blue(); }

// The brightest and the darkest pixel of an area: with smoothed glyph edges
// these are the text colour and the cell colour.
inline QColor Brightest(const QImage &image, const QRect &area) {
    QColor best(0, 0, 0);
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Brightness(image.pixelColor(x, y)) > Brightness(best))
                best = image.pixelColor(x, y);
    return best;
}
inline QColor Darkest(const QImage &image, const QRect &area) {
    QColor best(255, 255, 255);
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Brightness(image.pixelColor(x, y)) < Brightness(best))
                best = image.pixelColor(x, y);
    return best;
}
inline bool Near(const QColor &a, const QColor &b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Shows the control in its own window and gives it the focus.
inline bool ShowFocused(QWidget &w) {
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return false;
    w.setFocus();
    return w.hasFocus();
}

// A terminal on an open port whose far end the test plays.
struct PortPeer {
    PortPeer() {
        pty.MapAs("COM7");
        port.SetPort("COM7");
        port.SetEvents(cport::TComEvents{}); // only the terminal's writes matter here
    }
    testsupport::PtyPair pty;
    cport::TComPort port;
};

} // namespace qttest
