// Renders the terminal window, showing a session with the DS5000 loader in
// every text attribute, to a PNG file:
//
//     terminal_screenshot docs/terminal-window.png
//
// Runs on Qt's offscreen platform unless another one is chosen (under Xvfb:
// QT_QPA_PLATFORM=xcb xvfb-run terminal_screenshot out.png).
#include "app/UMiniTerminal.h"
#include "cport/qt/ComTerminal.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <string>

namespace {

const std::string ESC = "\x1b";

std::string Session() {
    std::string s;
    s += ESC + "[7m DS5000 evaluation kit on COM1, 9600 8N1                  " + ESC + "[0m\r\n\r\n";
    s += "DS5000 LOADER VERSION 2.1\r\n";
    s += "\r\n";
    s += "> W48\r\n";
    s += "> L\r\n";
    s += ":100000000200300000000000000000000000000000\r\n";
    s += ":10003000758160C2AF120040800E00000000000084\r\n";
    s += ":00000001FF\r\n\r\n";
    s += ESC + "[1mLoad complete:" + ESC + "[0m 33 bytes, partition " + ESC + "[4m8 Kbytes (2000)" + ESC + "[0m\r\n";
    s += ESC + "[1;7m OK " + ESC + "[0m  " + ESC + "[4munderlined" + ESC + "[0m  " + ESC + "[1mbold" + ESC + "[0m  " +
         ESC + "[7mreverse" + ESC + "[0m\r\n> ";
    return s;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setCursorFlashTime(0); // a steady caret in the picture

    app::TMiniTerminal window; // no main window: the terminal has no port
    window.ComTerminal->InterpretText(Session());
    window.show();
    window.activateWindow();
    window.ComTerminal->setFocus();
    QApplication::processEvents();

    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
