#pragma once

#include <QElapsedTimer>
#include <QProgressBar>

namespace app {

// A progress bar with the common control's arithmetic: the position is
// clamped into the range rather than refused, and a range of 0 to 0 shows an
// empty bar instead of Qt's busy animation.
//
// Stepping is done once per byte of a download, far more often than a screen
// can show: the position is always exact, but the bar is repainted at most
// about every 40 ms while stepping, and brought up to date as soon as the
// event loop runs again.
class TProgressBar : public QProgressBar {
  public:
    explicit TProgressBar(QWidget *parent = nullptr);

    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    void StepBy(int delta);

  private:
    void Show();
    void ShowPosition();

    int max_ = 100;
    int position_ = 0;
    bool updatePending_ = false;
    QElapsedTimer sinceShown_;
};

} // namespace app
