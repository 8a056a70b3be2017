#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace app {

// Decides when the main window's activation handler runs: when the main
// window is first activated, and whenever it takes over from another
// non-modal window of the program. A modal dialog or message box handing
// focus back does not count, nor does coming back from another program (the
// program's last active window was the main window itself then).
//
// A click into the main window while another window of the program is active
// counts as the activation at once, so that the handler has run before the
// click's own command (the window system's activation may arrive later).
class TActivationWatch : public QObject {
  public:
    TActivationWatch(QWidget *mainWindow, std::function<void()> onActivate);
    ~TActivationWatch() override;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void MainWindowActivated();
    void OtherWindowActivated(QWidget *window);

    QWidget *mainWindow_;
    std::function<void()> onActivate_;
    QPointer<QWidget> lastActive_;
    bool lastActiveModal_ = false;
    bool everActivated_ = false;
};

} // namespace app
