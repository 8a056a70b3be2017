#pragma once

#include "KeyCodes.h"
#include "TermFont.h"
#include "cport/ComTerminalModel.h"
#include "cport/TermView.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QPoint>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <functional>

class QPainter;
class QScrollBar;

namespace cport {

enum TTermCaret : std::uint8_t { tcBlock, tcUnderline, tcNone };
enum TArrowKeys : std::uint8_t { akTerminal, akWindows };
enum TBorderStyle : std::uint8_t { bsNone, bsSingle };
enum TScrollStyle : std::uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// What a scroll bar asks for: a step, a page, the thumb released or being
// dragged (with its position), either end, or the end of a scroll.
enum TScrollCode : std::uint8_t {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scThumbPosition,
    scThumbTrack,
    scTop,
    scBottom,
    scEndScroll
};

using TNotifyEvent = std::function<void(fw::TComponent *Sender)>;
// The handler may set Key to 0, which cancels the key.
using TKeyEvent = std::function<void(fw::TComponent *Sender, std::uint16_t &Key, TShiftState Shift)>;
// The handler may replace the typed character, also by NUL.
using TKeyPressEvent = std::function<void(fw::TComponent *Sender, char &Key)>;

// The terminal control: shows the terminal model's grid in a fixed-pitch
// font, with a caret at the cursor and scroll bars that move the view over a
// grid larger than the window, and sends what the user types.
//
// Qt paints only inside paint events, into a double buffer. A received
// character therefore marks its one cell for repainting, a scrolled row moves
// the buffer's pixels and marks the uncovered strip, and a paint draws only
// the non-empty cells inside the region it repaints; the pending marks of a
// received chunk are painted together when the event loop next runs.
class TCustomComTerminal : public QAbstractScrollArea, public TComTerminalModel, public TTermView {
    Q_OBJECT

  public:
    explicit TCustomComTerminal(QWidget *parent = nullptr);
    ~TCustomComTerminal() override;

    std::string ClassName() const override { return "TCustomComTerminal"; }

    // --- window properties ---
    TArrowKeys ArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(TArrowKeys value) { arrowKeys_ = value; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    TTermCaret Caret() const { return caret_; }
    void SetCaret(TTermCaret value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool SmoothScroll() const { return smoothScroll_; }
    void SetSmoothScroll(bool value);
    // Background of empty cells and of the area outside the grid.
    fw::TColor Color() const { return TComTerminalModel::Color(); }
    void SetColor(fw::TColor value);
    // A font that is not fixed-pitch is replaced by "Fixedsys"; underline is
    // removed from the style, since underlining is a per-cell attribute.
    const TFont &Font() const { return font_; }
    void SetFont(const TFont &value);
    // The text colour of new cells is the font's colour.
    void SetFontColor(fw::TColor value);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    // With AutoSize the control takes the size of the grid (plus its border).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);

    // --- measures ---
    std::int32_t CharWidth() const { return charWidth_; }
    std::int32_t CharHeight() const { return charHeight_; }
    std::int32_t CaretHeight() const { return caretHeight_; }
    bool CaretExists() const { return caretExists_; }
    // True while the caret is shown (not hidden by a batch of changes).
    bool CaretShown() const { return caretExists_ && caretHideCount_ == 0; }
    // The caret's rectangle in the client area; empty without a caret.
    QRect CaretRect() const;
    // The client area: the window inside its border and scroll bars.
    std::int32_t ClientWidth() const;
    std::int32_t ClientHeight() const;

    // Reads the cell size from the font; true when the font is fixed-pitch.
    bool MeasureFont();
    // Sets the scroll ranges for the current grid, font and client size.
    void AdjustScrollBars();
    // Acts on a scroll bar's request as its scroll notification would.
    void ScrollView(Qt::Orientation bar, TScrollCode code, int thumbPosition = 0);
    void CreateTermCaret();
    void DestroyTermCaret();

    // --- view operations for the model ---
    void DrawCell(std::int32_t viewColumn, std::int32_t viewRow, const TTermCell &cell) override;
    void InvalidateCells(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    void ScrollDisplay(TScrollDirection direction) override;
    void PlaceCaret() override;
    void HideTermCaret() override;
    void ShowTermCaret() override;
    void RepaintAll() override;
    void GridSizeChanged() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return QSize(0, 0); }

    // --- events of the control ---
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

  protected:
    // Fire OnKeyDown, then act on the arrow keys and Home.
    virtual void KeyDown(std::uint16_t &Key, TShiftState Shift);
    // Fire OnKeyPress, then send the character the handler left.
    virtual void KeyPress(char &Key);
    virtual void KeyUp(std::uint16_t &Key, TShiftState Shift);
    virtual void Click();
    virtual void DoEnter();
    virtual void DoExit();

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

  private:
    void FontChanged();
    void PrepareGlyphs();
    void ApplyBorder();
    void ApplyBackground();
    void ApplyAutoSize();
    void RecreateScrollBars();
    void BarAction(Qt::Orientation orientation, int action);
    int NewScrollPosition(Qt::Orientation bar, TScrollCode code, int thumbPosition) const;
    void ScrollPixels(int dx, int dy, const QRect &area);
    void PaintCells(QPainter &painter, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    void PaintRun(QPainter &painter, std::int32_t viewColumn, std::int32_t viewRow, const TTermCell *cells,
                  std::int32_t count);
    void PaintCaret(QPainter &painter, const QRect &clip);
    void UpdateCaret();
    void RestartBlink();
    bool HasFocus() const;
    QScrollBar *Bar(Qt::Orientation orientation) const;
    bool Allows(Qt::Orientation orientation) const;

    TArrowKeys arrowKeys_ = akTerminal;
    TBorderStyle borderStyle_ = bsSingle;
    bool ctl3D_ = true;
    TTermCaret caret_ = tcBlock;
    TScrollStyle scrollBars_ = ssBoth;
    bool smoothScroll_ = false;
    bool tabStop_ = true;
    bool autoSize_ = false;
    TFont font_;
    QFont cellFont_;
    QRawFont rawFont_;
    std::array<quint32, 256> glyphs_{};
    QRect paintClip_;
    std::int32_t ascent_ = 0;
    std::int32_t underlineY_ = 0;
    std::int32_t underlineHeight_ = 1;

    std::int32_t charWidth_ = 8;
    std::int32_t charHeight_ = 16;
    bool hBarShown_ = false;
    bool vBarShown_ = false;
    bool adjusting_ = false;

    std::int32_t caretHeight_ = 0;
    bool caretExists_ = false;
    int caretHideCount_ = 0;
    QPoint caretPos_;
    bool blinkOn_ = true;
    QBasicTimer blink_;
    bool pressed_ = false;
};

// The control as the terminal window uses it.
class TComTerminal : public TCustomComTerminal {
    Q_OBJECT

  public:
    explicit TComTerminal(QWidget *parent = nullptr) : TCustomComTerminal(parent) {}
    std::string ClassName() const override { return "TComTerminal"; }
};

} // namespace cport
