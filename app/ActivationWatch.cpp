#include "ActivationWatch.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace app {

namespace {

// Menus, tool tips and drop-down lists are part of the window they pop up from.
bool IsPopup(const QWidget *window) {
    const Qt::WindowType type = window->windowType();
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen;
}

bool IsModal(const QWidget *window) { return window->isModal() || window->windowModality() != Qt::NonModal; }

} // namespace

TActivationWatch::TActivationWatch(QWidget *mainWindow, std::function<void()> onActivate)
    : mainWindow_(mainWindow), onActivate_(std::move(onActivate)) {
    qApp->installEventFilter(this);
}

TActivationWatch::~TActivationWatch() {
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
}

bool TActivationWatch::eventFilter(QObject *watched, QEvent *event) {
    if (!watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (event->type() == QEvent::WindowActivate && widget->isWindow()) {
        if (widget == mainWindow_)
            MainWindowActivated();
        else if (!IsPopup(widget))
            OtherWindowActivated(widget);
    } else if (event->type() == QEvent::MouseButtonPress && widget->window() == mainWindow_ &&
               lastActive_ != mainWindow_ && lastActive_ && !lastActiveModal_) {
        mainWindow_->activateWindow();
        MainWindowActivated();
    }
    return false;
}

void TActivationWatch::MainWindowActivated() {
    const bool run = !everActivated_ || (lastActive_ && lastActive_ != mainWindow_ && !lastActiveModal_);
    lastActive_ = mainWindow_;
    lastActiveModal_ = false;
    everActivated_ = true;
    if (run && onActivate_)
        onActivate_();
}

void TActivationWatch::OtherWindowActivated(QWidget *window) {
    lastActive_ = window;
    lastActiveModal_ = IsModal(window);
}

} // namespace app
