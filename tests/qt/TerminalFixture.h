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

#include <algorithm>
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

// The darkest pixel of an area.
inline QColor Darkest(const QImage &image, const QRect &area) {
    QColor best(255, 255, 255);
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (Brightness(image.pixelColor(x, y)) < Brightness(best))
                best = image.pixelColor(x, y);
    return best;
}

// Whether any pixel of the area differs from the cell's background: a
// character was drawn there, in whatever font the machine has.
inline bool HasInk(const QImage &image, const QRect &area, const QColor &background) {
    const QRect r = area & image.rect();
    return CountPixels(image, r, background) < r.width() * r.height();
}

// Whether the area shows a character in `ink` on `background`: some pixels
// differ from the background, every pixel is a mix of the two (smoothed
// edges), and the strongest is at least half way to the ink. Glyphs reach
// the full ink colour in some fonts only, so that is not asked for.
inline bool InkOn(const QImage &image, const QRect &area, const QColor &background, const QColor &ink,
                  int tolerance = 40) {
    const double d[3] = {double(ink.red() - background.red()), double(ink.green() - background.green()),
                         double(ink.blue() - background.blue())};
    const double length2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    double strongest = 0;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const double p[3] = {double(c.red() - background.red()), double(c.green() - background.green()),
                                 double(c.blue() - background.blue())};
            const double t = std::clamp((p[0] * d[0] + p[1] * d[1] + p[2] * d[2]) / length2, 0.0, 1.0);
            for (int i = 0; i < 3; ++i)
                if (std::abs(p[i] - t * d[i]) > tolerance)
                    return false;
            strongest = std::max(strongest, t);
        }
    return strongest >= 0.5;
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
