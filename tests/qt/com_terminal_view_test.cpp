#include "TerminalFixture.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

using cport::TComTerminal;
using namespace qttest;

namespace {

// Records the regions the control's client area is painted in.
class PaintSpy : public QObject {
  public:
    explicit PaintSpy(QWidget *target) { target->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent *>(event)->region());
        return false;
    }
    QList<QRegion> regions;
};

// A shown terminal whose pending paints have all been done.
void ShowSettled(QWidget &w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
}

} // namespace

class ComTerminalViewTest : public QObject {
    Q_OBJECT

  private slots:
    // A steady caret: what is on the screen never depends on the blink phase.
    void initTestCase() { QApplication::setCursorFlashTime(0); }

    void constructionDefaults() {
        TComTerminal term;
        QCOMPARE(term.size(), QSize(400, 250));
        QCOMPARE(term.Columns(), 80);
        QCOMPARE(term.Rows(), 24);
        QCOMPARE(term.Color(), fw::clBlack);
        QCOMPARE(term.AltColor(), fw::TColor(10921638));
        QCOMPARE(term.Font().Name(), std::string("Fixedsys"));
        QCOMPARE(term.Font().Color(), fw::clWhite);
        QCOMPARE(term.Font().Size(), 9);
        QCOMPARE(term.Font().Height(), -12);
        QCOMPARE(term.BorderStyle(), cport::bsSingle);
        QCOMPARE(term.ScrollBars(), cport::ssBoth);
        QCOMPARE(term.Caret(), cport::tcBlock);
        QCOMPARE(term.ArrowKeys(), cport::akTerminal);
        QVERIFY(term.TabStop());
        QVERIFY(!term.SmoothScroll());
        QCOMPARE(term.Emulation(), cport::teVT100orANSI);
        QCOMPARE(term.LeftColumn(), 1);
        QCOMPARE(term.TopRow(), 1);
        QVERIFY(!term.CaretExists());
        QVERIFY(term.frameWidth() > 0);
    }

    void fixedsysIsOneNamedFamily() {
        // Whatever else the machine has (Noto Sans Mono takes fontconfig's
        // monospace when installed), the terminal draws in the same family.
        for (const char *name : {"Fixedsys", "FIXEDSYS", "fixedsys"}) {
            const QFont font = cport::ToQFont(cport::TFont(name, 9, fw::clWhite));
            QCOMPARE(font.family(), QString::fromLatin1(cport::FixedsysFamily));
            QCOMPARE(QFontInfo(font).family(), QString::fromLatin1(cport::FixedsysFamily));
            QVERIFY(QFontInfo(font).fixedPitch());
        }
    }

    void cellIsAsWideAsTheCharacters() {
        // Qt's maximum width of a monospace font is far wider than its
        // characters; the cell must follow the advance.
        TComTerminal term;
        cport::TFont mono("DejaVu Sans Mono", 9, fw::clWhite);
        mono.SetHeight(-12);
        term.SetFont(mono);
        QCOMPARE(term.Font().Name(), std::string("DejaVu Sans Mono"));
        const QFontMetrics metrics(cport::ToQFont(mono));
        QCOMPARE(term.CharWidth(), metrics.horizontalAdvance(QLatin1Char('M')));
        QCOMPARE(term.CharWidth(), metrics.horizontalAdvance(QLatin1Char('i')));
        QVERIFY(term.CharWidth() < 12);
        QCOMPARE(term.CharHeight(), metrics.height());
    }

    void proportionalFontBecomesFixedsys() {
        TComTerminal term;
        const int fixedWidth = term.CharWidth();
        cport::TFont sans("DejaVu Sans", 9, fw::clYellow, {cport::fsBold});
        term.SetFont(sans);
        QCOMPARE(term.Font().Name(), std::string("Fixedsys"));
        QCOMPARE(term.Font().Color(), fw::clYellow);
        QVERIFY(term.Font().Style().Contains(cport::fsBold));
        QVERIFY(term.MeasureFont());
        QVERIFY(std::abs(term.CharWidth() - fixedWidth) <= 1); // bold may be a pixel wider
        QCOMPARE(term.FontColor(), fw::clYellow);
    }

    void underlineIsRemovedFromTheFont() {
        TComTerminal term;
        cport::TFont font = term.Font();
        font.SetStyle({cport::fsUnderline, cport::fsItalic});
        term.SetFont(font);
        QVERIFY(!term.Font().Style().Contains(cport::fsUnderline));
        QVERIFY(term.Font().Style().Contains(cport::fsItalic));
    }

    void scrollRangesForAGridLargerThanTheWindow() {
        TComTerminal term;
        ShowSettled(term);
        QScrollBar *h = term.horizontalScrollBar();
        QScrollBar *v = term.verticalScrollBar();
        const int n = term.ClientWidth() / term.CharWidth();
        const int m = term.ClientHeight() / term.CharHeight();
        QVERIFY(n < 80 && m < 24);
        QCOMPARE(h->minimum(), 0);
        QCOMPARE(h->maximum(), 80 - n);
        QCOMPARE(v->maximum(), 24 - m);
        QVERIFY(h->isVisible() && v->isVisible());
        // The client area computed for the ranges is the one Qt lays out.
        QCOMPARE(term.viewport()->size(), QSize(term.ClientWidth(), term.ClientHeight()));

        h->setValue(h->maximum());
        v->setValue(v->maximum());
        QCOMPARE(term.LeftColumn() + n - 1, 80);
        QCOMPARE(term.TopRow() + m - 1, 24);
        // The last column and row are painted inside the client area.
        term.InterpretText(ESC + "[24;80HZ");
        const QImage image = Render(term);
        QVERIFY(HasInk(image, CellRect(term, n, m), Rgb(fw::clBlack)));
    }

    void noScrollBarsWhenTheWindowIsLarger() {
        TComTerminal term;
        term.resize(80 * term.CharWidth() + 100, 24 * term.CharHeight() + 100);
        ShowSettled(term);
        QCOMPARE(term.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(term.verticalScrollBar()->maximum(), 0);
        QVERIFY(!term.horizontalScrollBar()->isVisible());
        QVERIFY(!term.verticalScrollBar()->isVisible());
        term.InterpretText(ESC + "[7m" + std::string(80, 'X'));
        const QImage image = Render(term);
        const QRect grid(0, 0, 80 * term.CharWidth(), 24 * term.CharHeight());
        QVERIFY(AllPixels(image, QRect(grid.right() + 1, 0, 100, image.height()), Rgb(fw::clBlack)));
        QVERIFY(AllPixels(image, QRect(0, grid.bottom() + 1, image.width(), 100), Rgb(fw::clBlack)));
    }

    void aBarThatAppearsMakesRoomForTheOther() {
        // Columns fit exactly until the vertical bar takes its width; then
        // the horizontal bar is needed, which takes rows away again.
        TComTerminal term;
        term.SetBorderStyle(cport::bsNone);
        const int vw = term.verticalScrollBar()->sizeHint().width();
        term.resize(80 * term.CharWidth(), 24 * term.CharHeight() - 1);
        ShowSettled(term);
        const int n = (term.width() - vw) / term.CharWidth();
        QCOMPARE(term.horizontalScrollBar()->maximum(), 80 - n);
        const int m = term.ClientHeight() / term.CharHeight();
        QCOMPARE(term.verticalScrollBar()->maximum(), 24 - m);
    }

    void thumbDraggingMovesTheViewOnlyWhenReleased() {
        TComTerminal term;
        ShowSettled(term);
        QScrollBar *v = term.verticalScrollBar();
        v->setSliderDown(true);
        v->setSliderPosition(3);
        QCOMPARE(term.TopRow(), 1);
        v->setSliderPosition(5);
        QCOMPARE(term.TopRow(), 1);
        v->setSliderDown(false);
        QCOMPARE(term.TopRow(), 6);
        QCOMPARE(v->value(), 5);
        // Told directly, a drag without SmoothScroll is ignored too.
        term.ScrollView(Qt::Vertical, cport::scThumbTrack, 2);
        QCOMPARE(term.TopRow(), 6);
        term.ScrollView(Qt::Vertical, cport::scThumbPosition, 2);
        QCOMPARE(term.TopRow(), 3);
    }

    void smoothScrollFollowsTheThumb() {
        TComTerminal term;
        term.SetSmoothScroll(true);
        ShowSettled(term);
        QScrollBar *v = term.verticalScrollBar();
        v->setSliderDown(true);
        v->setSliderPosition(3);
        QCOMPARE(term.TopRow(), 4);
        v->setSliderPosition(4);
        QCOMPARE(term.TopRow(), 5);
        v->setSliderDown(false);
        QCOMPARE(term.TopRow(), 5);
    }

    void wheelScrollsTheView() {
        TComTerminal term;
        ShowSettled(term);
        const QPointF at(10, 10);
        QWheelEvent wheel(at, term.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(term.viewport(), &wheel);
        const int lines = std::min(QApplication::wheelScrollLines(), term.verticalScrollBar()->maximum());
        QVERIFY(lines > 0);
        QCOMPARE(term.TopRow(), 1 + lines);
    }

    void stepsAndPages() {
        TComTerminal term;
        term.SetColumns(200);
        ShowSettled(term);
        QScrollBar *h = term.horizontalScrollBar();
        const int n = term.ClientWidth() / term.CharWidth();
        h->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(term.LeftColumn(), 1 + n);
        h->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(term.LeftColumn(), n);
        h->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(term.LeftColumn(), 2 * n);
        h->triggerAction(QAbstractSlider::SliderPageStepAdd);
        h->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(term.LeftColumn(), 200 - n + 1); // clamped to the range
        term.ScrollView(Qt::Horizontal, cport::scPageUp);
        QCOMPARE(term.LeftColumn(), 200 - 2 * n + 1);
        term.ScrollView(Qt::Horizontal, cport::scLineUp);
        QCOMPARE(term.LeftColumn(), 200 - 2 * n);
        term.ScrollView(Qt::Vertical, cport::scPageDown);
        QCOMPARE(term.TopRow(),
                 1 + std::min(term.ClientHeight() / term.CharHeight(), term.verticalScrollBar()->maximum()));
        term.ScrollView(Qt::Vertical, cport::scEndScroll, 0);
        term.ScrollView(Qt::Vertical, cport::scTop);
        QCOMPARE(term.TopRow(), 1);
        term.ScrollView(Qt::Horizontal, cport::scBottom);
        QCOMPARE(term.LeftColumn(), h->maximum() + 1);
    }

    void scrolledViewDrawsTheGridFromItsOrigin() {
        TComTerminal term;
        ShowSettled(term);
        term.InterpretText(ESC + "[3;5HQ");
        term.horizontalScrollBar()->setValue(2);
        term.verticalScrollBar()->setValue(1);
        const QImage image = OnScreen(term);
        QVERIFY(HasInk(image, CellRect(term, 3, 2), Rgb(fw::clBlack)));
        QVERIFY(AllPixels(image, CellRect(term, 5, 3), Rgb(fw::clBlack)));
        QCOMPARE(image, Render(term));
    }

    void columnsAndRowsAreClamped_data() {
        QTest::addColumn<bool>("columns");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("columns 1") << true << 1 << 2;
        QTest::newRow("columns 1000") << true << 1000 << 256;
        QTest::newRow("rows 0") << false << 0 << 2;
        QTest::newRow("rows 500") << false << 500 << 100;
    }
    void columnsAndRowsAreClamped() {
        QFETCH(bool, columns);
        QFETCH(int, value);
        QFETCH(int, expected);
        TComTerminal term;
        term.InterpretText("text");
        columns ? term.SetColumns(value) : term.SetRows(value);
        QCOMPARE(columns ? term.Columns() : term.Rows(), expected);
        QCOMPARE(term.ScreenBuffer().GetCell(1, 1).Ch, '\0');
        // The ranges follow the new grid.
        const int n = term.ClientWidth() / term.CharWidth();
        QCOMPARE(term.horizontalScrollBar()->maximum(), std::max(0, term.Columns() - n));
    }

    void autoSizeFitsTheGrid() {
        TComTerminal term;
        term.SetAutoSize(true);
        const int border = 2 * term.frameWidth();
        QCOMPARE(term.size(), QSize(80 * term.CharWidth() + border, 24 * term.CharHeight() + border));
        term.SetColumns(40);
        QCOMPARE(term.width(), 40 * term.CharWidth() + border);
        term.SetBorderStyle(cport::bsNone);
        QCOMPARE(term.size(), QSize(40 * term.CharWidth(), 24 * term.CharHeight()));
        QCOMPARE(term.horizontalScrollBar()->maximum(), 0);
        QCOMPARE(term.verticalScrollBar()->maximum(), 0);
    }

    void charactersInTheirColours() {
        TComTerminal term;
        term.InterpretText("A" + ESC + "[1mB" + ESC + "[0;7mR" + ESC + "[0;4m " + ESC + "[1;7mW" + ESC + "[m");
        const QImage image = Render(term);
        const QColor white = Rgb(fw::clWhite), black = Rgb(fw::clBlack), alt = Rgb(term.AltColor());
        // Plain: white strokes on black.
        const QRect a = CellRect(term, 1, 1);
        QVERIFY(InkOn(image, a, black, white));
        QCOMPARE(Darkest(image, a), black);
        QVERIFY(CountPixels(image, a, black) > a.width() * a.height() / 2);
        // Bold: strokes in AltColor, nothing brighter.
        const QRect b = CellRect(term, 2, 1);
        QVERIFY(InkOn(image, b, black, alt));
        QCOMPARE(Darkest(image, b), black);
        // Reverse: a white cell with black strokes.
        const QRect r = CellRect(term, 3, 1);
        QVERIFY(AllPixels(image, QRect(r.topLeft(), QSize(r.width(), 1)), white));
        QVERIFY(InkOn(image, r, white, black));
        // Underlined blank: one white line across the cell's lower part only.
        const QRect u = CellRect(term, 4, 1);
        int lines = 0;
        for (int y = u.top(); y <= u.bottom(); ++y) {
            const int n = CountPixels(image, QRect(u.left(), y, u.width(), 1), white);
            QVERIFY(n == 0 || n == u.width());
            if (n == u.width()) {
                QVERIFY(y > u.top() + u.height() / 2);
                ++lines;
            }
        }
        QVERIFY(lines >= 1);
        QCOMPARE(CountPixels(image, u, white) + CountPixels(image, u, black), u.width() * u.height());
        // Bold and reverse: AltColor on a white cell.
        const QRect w = CellRect(term, 5, 1);
        QVERIFY(AllPixels(image, QRect(w.topLeft(), QSize(w.width(), 1)), white));
        QVERIFY(InkOn(image, w, white, alt));
        // Empty cells and the rest of the window show the background.
        QVERIFY(AllPixels(image, CellRect(term, 6, 1), black));
        QVERIFY(AllPixels(image, QRect(0, term.CharHeight(), image.width(), image.height()), black));
    }

    void storedCellsKeepTheirColours() {
        TComTerminal term;
        term.InterpretText("A");
        term.SetColor(fw::clNavy);
        cport::TFont font = term.Font();
        font.SetColor(fw::clLime);
        term.SetFont(font);
        term.InterpretText("B");
        const QImage image = Render(term);
        QVERIFY(InkOn(image, CellRect(term, 1, 1), Rgb(fw::clBlack), Rgb(fw::clWhite)));
        QCOMPARE(Darkest(image, CellRect(term, 1, 1)), Rgb(fw::clBlack));
        QVERIFY(InkOn(image, CellRect(term, 2, 1), Rgb(fw::clNavy), Rgb(fw::clLime)));
        QCOMPARE(Darkest(image, CellRect(term, 2, 1)), Rgb(fw::clNavy));
        QVERIFY(AllPixels(image, CellRect(term, 3, 1), Rgb(fw::clNavy)));
    }

    void receivedCharacterRepaintsOnlyItsCell() {
        TComTerminal term;
        ShowSettled(term);
        term.InterpretText(ESC + "[5;10H");
        QCoreApplication::processEvents();
        PaintSpy spy(term.viewport());
        const QRegion caretBefore = term.CaretRect();
        term.InterpretText("x");
        QCoreApplication::processEvents();
        QCOMPARE(spy.regions.size(), 1);
        // The cell, and the caret where it was and where it went.
        QCOMPARE(spy.regions.front(), QRegion(CellRect(term, 10, 5)) + caretBefore + term.CaretRect());
    }

    void chunkIsPaintedOnceAndOnlyWhereItChanged() {
        TComTerminal term;
        ShowSettled(term);
        PaintSpy spy(term.viewport());
        QRegion expected = term.CaretRect();
        term.InterpretText(ESC + "[2;3Hab" + ESC + "[7;1Hcd");
        QCoreApplication::processEvents();
        QCOMPARE(spy.regions.size(), 1);
        expected += term.CaretRect();
        for (QPoint cell : {QPoint(3, 2), QPoint(4, 2), QPoint(1, 7), QPoint(2, 7)})
            expected += CellRect(term, cell.x(), cell.y());
        QCOMPARE(spy.regions.front(), expected);
    }

    void scrollingByARowRepaintsOnlyTheUncoveredStrip() {
        TComTerminal term;
        term.resize(80 * term.CharWidth() + 40, 24 * term.CharHeight() + 40);
        ShowSettled(term);
        term.InterpretText(ESC + "[24;1Hlast");
        QCoreApplication::processEvents();
        PaintSpy spy(term.viewport());
        term.InterpretText("\n");
        QCoreApplication::processEvents();
        QCOMPARE(spy.regions.size(), 1);
        // The uncovered row, and the caret's picture that moved up with the rest.
        const QRegion strip(0, 23 * term.CharHeight(), 80 * term.CharWidth(), term.CharHeight());
        QCOMPARE(spy.regions.front(), strip + term.CaretRect().translated(0, -term.CharHeight()));
        const QImage screen = OnScreen(term);
        QCOMPARE(screen, Render(term));
        QVERIFY(InkOn(screen, CellRect(term, 1, 23), Rgb(fw::clBlack), Rgb(fw::clWhite)));
    }

    void scrollBarStyles() {
        TComTerminal term;
        ShowSettled(term);
        term.horizontalScrollBar()->setValue(3);
        term.verticalScrollBar()->setValue(2);
        term.SetScrollBars(cport::ssVertical);
        QVERIFY(!term.horizontalScrollBar()->isVisible());
        QVERIFY(term.verticalScrollBar()->isVisible());
        // The view cannot stay where no bar could bring it back from.
        QCOMPARE(term.LeftColumn(), 1);
        QCOMPARE(term.TopRow(), 3);
        const int m = term.ClientHeight() / term.CharHeight();
        QCOMPARE(term.verticalScrollBar()->maximum(), 24 - m);
        QCOMPARE(term.ClientHeight(), term.contentsRect().height());

        term.SetScrollBars(cport::ssNone);
        QVERIFY(!term.verticalScrollBar()->isVisible());
        QCOMPARE(term.TopRow(), 1);
        term.resize(200, 100); // nothing to adjust without bars
        QCOMPARE(term.verticalScrollBar()->maximum(), 0);
        QCOMPARE(term.ClientWidth(), term.contentsRect().width());

        term.SetScrollBars(cport::ssBoth);
        QVERIFY(term.horizontalScrollBar()->maximum() > 0);
        QVERIFY(term.verticalScrollBar()->maximum() > 0);
        // The grid and the cursor survive the changes.
        QCOMPARE(term.Columns(), 80);
    }

    void borderStyles() {
        TComTerminal term;
        const int edge = term.frameWidth();
        QVERIFY(edge > 0);
        const int before = term.ClientWidth();
        term.SetBorderStyle(cport::bsNone);
        QCOMPARE(term.frameWidth(), 0);
        QCOMPARE(term.ClientWidth(), before + 2 * edge);
        term.SetBorderStyle(cport::bsSingle);
        term.SetCtl3D(false);
        QCOMPARE(term.frameWidth(), 1);
    }

    void incrementalPaintsEqualAFullPaint_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("view at the origin") << 0 << 0;
        QTest::newRow("view scrolled") << 5 << 3;
    }
    void incrementalPaintsEqualAFullPaint() {
        // A full-screen program's output: positioned text in attributes,
        // erasures and scrolling, delivered in chunks cut anywhere.
        QFETCH(int, left);
        QFETCH(int, top);
        TComTerminal term;
        ShowSettled(term);
        term.horizontalScrollBar()->setValue(left);
        term.verticalScrollBar()->setValue(top);
        std::string out;
        for (int i = 0; i < 60; ++i) {
            out += ESC + "[" + std::to_string(i % 24 + 1) + ";" + std::to_string(i % 70 + 1) + "H";
            out += ESC + "[" + (i % 3 == 0 ? "1" : i % 3 == 1 ? "7" : "4") + "m line " + std::to_string(i);
            out += ESC + "[0m" + ESC + "[K\r\n";
            if (i % 7 == 0)
                out += ESC + "[24;1H\n\n" + ESC + "M";
        }
        for (std::size_t at = 0; at < out.size(); at += 37) {
            term.InterpretText(out.substr(at, 37));
            if (at % 111 == 0)
                QCoreApplication::processEvents();
        }
        QCOMPARE(OnScreen(term), Render(term));
    }
};

QTEST_MAIN(ComTerminalViewTest)
#include "com_terminal_view_test.moc"
