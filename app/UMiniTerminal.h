#pragma once

#include <QWidget>

namespace cport {
class TComTerminal;
}

namespace app {

// The terminal window: one terminal control bound to the main window's port.
// It exists, hidden, from start-up on, so its terminal sees every chunk the
// port reads and answers the queries among them; it is destroyed before the
// main window, and its terminal leaves the port then.
class TMiniTerminal : public QWidget {
  public:
    // Binds the terminal to AppMain's port, so the main window comes first.
    explicit TMiniTerminal(QWidget *parent = nullptr);
    ~TMiniTerminal() override;

    cport::TComTerminal *ComTerminal = nullptr;
};

extern TMiniTerminal *MiniTerminal;

} // namespace app
