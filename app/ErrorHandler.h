#pragma once

#include <QString>

#include <exception>
#include <string>

namespace app {

// The program's title: its file name without directory and extension.
QString ApplicationTitle();

// The text the general error box shows: the error's text, with a full stop
// added when its last character sorts after ".".
QString ErrorBoxText(const std::string &message);

// The general error handler: shows the error in a message box titled with the
// program's title, with a stop icon and one OK button; the program goes on.
void ShowException(const std::exception_ptr &error);

// Runs a handler under the general error handler. Qt does not let an
// exception cross its event loop, so every handler the toolkit calls is
// entered through here.
template <typename Handler> void Guarded(Handler &&handler) noexcept {
    try {
        handler();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

} // namespace app
