#include "ProgressBar.h"

#include <QTimer>

#include <algorithm>

namespace app {

namespace {
constexpr qint64 kRepaintIntervalMs = 40;
}

TProgressBar::TProgressBar(QWidget *parent) : QProgressBar(parent) {
    setTextVisible(false);
    Show();
}

void TProgressBar::SetMax(int value) {
    max_ = std::max(0, value);
    position_ = std::clamp(position_, 0, max_);
    Show();
}

void TProgressBar::SetPosition(int value) {
    const int clamped = std::clamp(value, 0, max_);
    if (clamped == position_)
        return;
    position_ = clamped;
    ShowPosition();
}

void TProgressBar::StepBy(int delta) {
    const int clamped = std::clamp(position_ + delta, 0, max_);
    if (clamped == position_)
        return;
    position_ = clamped;
    if (!sinceShown_.isValid() || sinceShown_.elapsed() >= kRepaintIntervalMs) {
        ShowPosition();
        return;
    }
    if (!updatePending_) {
        updatePending_ = true;
        QTimer::singleShot(0, this, [this] {
            if (updatePending_)
                ShowPosition();
        });
    }
}

void TProgressBar::ShowPosition() {
    updatePending_ = false;
    setValue(position_);
    sinceShown_.start();
}

void TProgressBar::Show() {
    setRange(0, max_ == 0 ? 1 : max_);
    ShowPosition();
}

} // namespace app
