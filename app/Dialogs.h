#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace app {

// Every message box of the program goes through here: a modal box with one OK
// button. Tests install a presenter of their own so that nothing waits for a user.
using TMessagePresenter = std::function<void(const QString &caption, const QString &text, QMessageBox::Icon icon)>;

void ShowMessage(const QString &caption, const QString &text, QMessageBox::Icon icon);
// An empty presenter restores the real message box.
void SetMessagePresenter(TMessagePresenter presenter);

// The platform's default beep; tests count them instead.
using TBeeper = std::function<void()>;
void Beep();
void SetBeeper(TBeeper beeper);

} // namespace app
