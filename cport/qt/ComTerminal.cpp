// The terminal control: construction, properties, focus, mouse and keys.
#include "ComTerminal.h"

#include "framework/MainThreadSync.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace cport {

TCustomComTerminal::TCustomComTerminal(QWidget *parent) : QAbstractScrollArea(parent) {
    SetView(this);
    viewport()->setAutoFillBackground(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    viewport()->setCursor(Qt::IBeamCursor);
    ApplyBorder();
    SetColor(fw::clBlack);
    ApplyBackground();
    setFocusPolicy(Qt::StrongFocus);
    for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
        QScrollBar *bar = Bar(orientation);
        bar->setRange(0, 0);
        bar->setSingleStep(1);
        bar->setTracking(smoothScroll_);
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, orientation](int action) { BarAction(orientation, action); });
    }
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(400, 250);
    font_ = DefaultTermFont();
    FontChanged();
}

TCustomComTerminal::~TCustomComTerminal() {
    // The Qt base outlives the model and our members: nothing may reach them
    // through the scroll bars' connections or the view pointer from here on.
    for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical})
        disconnect(Bar(orientation), nullptr, this, nullptr);
    SetView(nullptr);
}

// --- properties ---

void TCustomComTerminal::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_)
        return;
    borderStyle_ = value;
    ApplyBorder();
    ApplyAutoSize();
    AdjustScrollBars();
}

void TCustomComTerminal::SetCtl3D(bool value) {
    if (value == ctl3D_)
        return;
    ctl3D_ = value;
    if (borderStyle_ == bsSingle) {
        ApplyBorder();
        ApplyAutoSize();
        AdjustScrollBars();
    }
}

void TCustomComTerminal::ApplyBorder() {
    if (borderStyle_ == bsNone) {
        setFrameStyle(QFrame::NoFrame);
    } else if (ctl3D_) {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
}

void TCustomComTerminal::SetCaret(TTermCaret value) {
    if (value == caret_)
        return;
    caret_ = value;
    if (HasFocus()) {
        DestroyTermCaret();
        CreateTermCaret();
        MoveCursor(CursorColumn(), CursorRow());
        ShowTermCaret();
    }
}

void TCustomComTerminal::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_)
        return;
    scrollBars_ = value;
    RecreateScrollBars();
}

void TCustomComTerminal::SetSmoothScroll(bool value) {
    smoothScroll_ = value;
    // Without tracking Qt moves only the thumb while it is dragged and asks
    // for the new position when it is released.
    for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical})
        Bar(orientation)->setTracking(value);
}

void TCustomComTerminal::SetColor(fw::TColor value) {
    if (value == Color())
        return;
    TComTerminalModel::SetColor(value);
    ApplyBackground();
    viewport()->update();
}

void TCustomComTerminal::ApplyBackground() {
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, ToQColor(Color()));
    palette.setColor(QPalette::Window, ToQColor(Color()));
    viewport()->setPalette(palette);
    viewport()->setBackgroundRole(QPalette::Base);
}

void TCustomComTerminal::SetFont(const TFont &value) {
    if (value == font_)
        return;
    font_ = value;
    FontChanged();
}

void TCustomComTerminal::SetFontColor(fw::TColor value) {
    TFont font = font_;
    font.SetColor(value);
    SetFont(font);
}

void TCustomComTerminal::SetTabStop(bool value) {
    tabStop_ = value;
    setFocusPolicy(value ? Qt::StrongFocus : Qt::NoFocus);
}

void TCustomComTerminal::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    ApplyAutoSize();
}

QSize TCustomComTerminal::sizeHint() const {
    const int border = 2 * frameWidth();
    return QSize(charWidth_ * Columns() + border, charHeight_ * Rows() + border);
}

void TCustomComTerminal::ApplyAutoSize() {
    updateGeometry();
    if (autoSize_)
        resize(sizeHint());
}

void TCustomComTerminal::GridSizeChanged() {
    ApplyAutoSize();
    AdjustScrollBars();
}

// --- focus and mouse ---

bool TCustomComTerminal::HasFocus() const { return hasFocus(); }

void TCustomComTerminal::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    CreateTermCaret();
    MoveCursor(CursorColumn(), CursorRow());
    ShowTermCaret();
    DoEnter();
}

void TCustomComTerminal::focusOutEvent(QFocusEvent *event) {
    DestroyTermCaret();
    QAbstractScrollArea::focusOutEvent(event);
    DoExit();
}

void TCustomComTerminal::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        if (tabStop_ && isEnabled() && isVisible() && !hasFocus())
            setFocus(Qt::MouseFocusReason);
        pressed_ = true;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void TCustomComTerminal::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && viewport()->rect().contains(event->pos());
    pressed_ = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
    if (click)
        Click();
}

void TCustomComTerminal::Click() { fw::Fire(OnClick, this); }

void TCustomComTerminal::DoEnter() { fw::Fire(OnEnter, this); }

void TCustomComTerminal::DoExit() { fw::Fire(OnExit, this); }

// --- keys ---

void TCustomComTerminal::keyPressEvent(QKeyEvent *event) {
    try {
        // Every key is reported, also one without a key code of its own.
        std::uint16_t key = VirtualKeyOf(event->key());
        const bool hadKey = key != 0;
        if (!hadKey)
            key = vk::Packet;
        KeyDown(key, ShiftStateOf(event->modifiers()));
        // A key-down handler that cleared the key cancels the character too.
        const bool cancelled = key == 0;
        const QString text = event->text();
        if (!cancelled) {
            for (QChar qc : text) {
                if (qc.unicode() > 0xFF)
                    continue; // the line carries 8-bit characters only
                char ch = static_cast<char>(qc.unicode());
                KeyPress(ch);
            }
        }
        if (!hadKey && text.isEmpty())
            event->ignore();
        else
            event->accept();
    } catch (...) {
        // An error cannot pass through Qt's event loop; it goes where the
        // application shows errors that arise outside its own calls.
        event->accept();
        fw::ReportDeliveryError(std::current_exception());
    }
}

void TCustomComTerminal::keyReleaseEvent(QKeyEvent *event) {
    if (event->isAutoRepeat()) {
        QAbstractScrollArea::keyReleaseEvent(event);
        return;
    }
    std::uint16_t key = VirtualKeyOf(event->key());
    if (key == 0)
        key = vk::Packet;
    KeyUp(key, ShiftStateOf(event->modifiers()));
    event->accept();
}

void TCustomComTerminal::KeyDown(std::uint16_t &Key, TShiftState Shift) {
    fw::Fire(OnKeyDown, this, Key, Shift);
    TEscapeCode code;
    switch (Key) {
    case vk::Home:
        code = ecMoveHome;
        break;
    case vk::Left:
        code = ecMoveLeft;
        break;
    case vk::Up:
        code = ecMoveUp;
        break;
    case vk::Right:
        code = ecMoveRight;
        break;
    case vk::Down:
        code = ecMoveDown;
        break;
    default:
        return;
    }
    if (AppCursorKeys()) {
        switch (code) {
        case ecMoveUp:
            SendCode(ecAppKeyUp);
            break;
        case ecMoveDown:
            SendCode(ecAppKeyDown);
            break;
        case ecMoveLeft:
            SendCode(ecAppKeyLeft);
            break;
        case ecMoveRight:
            SendCode(ecAppKeyRight);
            break;
        default:
            break; // Home has no application-mode sequence
        }
    } else if (arrowKeys_ == akTerminal) {
        SendCode(code);
    } else {
        HandleCode(code, nullptr);
    }
}

void TCustomComTerminal::KeyPress(char &Key) {
    fw::Fire(OnKeyPress, this, Key);
    SendChar(Key);
}

void TCustomComTerminal::KeyUp(std::uint16_t &Key, TShiftState Shift) { fw::Fire(OnKeyUp, this, Key, Shift); }

} // namespace cport
