#include "Dialogs.h"

#include "framework/Events.h"

#include <QApplication>

namespace app {

namespace {

TMessagePresenter &Presenter() {
    static TMessagePresenter presenter;
    return presenter;
}

TBeeper &Beeper() {
    static TBeeper beeper;
    return beeper;
}

} // namespace

void ShowMessage(const QString &caption, const QString &text, QMessageBox::Icon icon) {
    if (Presenter()) {
        fw::Fire(Presenter(), caption, text, icon);
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void SetMessagePresenter(TMessagePresenter presenter) { Presenter() = std::move(presenter); }

void Beep() {
    if (Beeper())
        fw::Fire(Beeper());
    else
        QApplication::beep();
}

void SetBeeper(TBeeper beeper) { Beeper() = std::move(beeper); }

} // namespace app
