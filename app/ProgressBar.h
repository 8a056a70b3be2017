#pragma once

#include <QProgressBar>

namespace app {

// A progress bar with the common control's arithmetic: the position is
// clamped into the range rather than refused, and a range of 0 to 0 shows an
// empty bar instead of Qt's busy animation.
class TProgressBar : public QProgressBar {
  public:
    explicit TProgressBar(QWidget *parent = nullptr);

    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    void StepBy(int delta) { SetPosition(position_ + delta); }

  private:
    void Show();

    int max_ = 100;
    int position_ = 0;
};

} // namespace app
