#include "ProgressBar.h"

#include <algorithm>

namespace app {

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
    setValue(position_);
}

void TProgressBar::Show() {
    setRange(0, max_ == 0 ? 1 : max_);
    setValue(position_);
}

} // namespace app
