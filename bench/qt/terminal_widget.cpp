// Received characters per second through the shown terminal control, paints
// included, for the output of full-screen programs; against the terminal
// model alone (no view) and against the control repainting its whole client
// area for every chunk, in the same process. Also counts the paint events.
//
// Runs on Qt's offscreen platform unless another one is chosen.
#include "cport/ComPort.h"
#include "cport/ComTerminalModel.h"
#include "cport/posix/PortTable.h"
#include "cport/qt/ComTerminal.h"
#include "framework/MainThreadSync.h"

#include <QApplication>
#include <QPaintEvent>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string ESC = "\x1b";

// A screen-oriented program redrawing its screen: positioned lines with
// attributes and line erasures, like a process monitor or an editor.
std::string FullScreenRedraw(int frame) {
    std::string out = ESC + "[H";
    for (int row = 1; row <= 24; ++row) {
        out += ESC + "[" + std::to_string(row) + ";1H";
        if (row == 1)
            out += ESC + "[7m";
        else if (row % 5 == 0)
            out += ESC + "[1m";
        std::string line = "  " + std::to_string(1000 + row * 7 + frame) + " user  20  0  " +
                           std::to_string(frame * 13 % 9999) + "  S  0.3  1.2  0:00.41 process-" + std::to_string(row);
        line.resize(78, ' ');
        out += line + ESC + "[0m" + ESC + "[K";
    }
    return out;
}

// A program printing lines that scroll the screen, like a build log.
std::string ScrollingLines(int frame) {
    std::string out;
    for (int i = 0; i < 24; ++i)
        out += "[" + std::to_string(frame) + "/" + std::to_string(i) +
               "] Building CXX object cport/CMakeFiles/cport.dir/ComTerminalScreen.cpp.o " + ESC + "[1mok" + ESC +
               "[0m\r\n";
    return out;
}

std::string Workload(std::size_t bytes) {
    std::string out;
    for (int frame = 0; out.size() < bytes; ++frame)
        out += frame % 2 == 0 ? FullScreenRedraw(frame) : ScrollingLines(frame);
    return out;
}

class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                area += double(r.width()) * r.height();
        }
        return false;
    }
    long paints = 0;
    double area = 0;
};

struct Result {
    double seconds = 0;
    long paints = 0;
    double area = 0;
};

// Feeds the text in chunks as the port delivers them; after each chunk the
// event loop runs, which paints what the chunk changed.
Result FeedControl(const std::string &text, std::size_t chunk, bool repaintWhole) {
    cport::TComTerminal term;
    term.resize(80 * 7 + 40, 24 * 15 + 40); // the whole grid in view
    term.show();
    term.activateWindow();
    term.setFocus();
    QCoreApplication::processEvents();
    PaintCounter counter;
    term.viewport()->installEventFilter(&counter);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < text.size(); at += chunk) {
        const std::size_t n = std::min(chunk, text.size() - at);
        term.LinkRxBuf(nullptr, text.data() + at, static_cast<std::int32_t>(n));
        if (repaintWhole)
            term.RepaintAll();
        QCoreApplication::processEvents();
    }
    const auto end = std::chrono::steady_clock::now();
    term.viewport()->removeEventFilter(&counter);
    return {std::chrono::duration<double>(end - start).count(), counter.paints,
            counter.area / (double(term.viewport()->width()) * term.viewport()->height())};
}

double FeedModel(const std::string &text, std::size_t chunk) {
    cport::TComTerminalModel model;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < text.size(); at += chunk) {
        const std::size_t n = std::min(chunk, text.size() - at);
        model.LinkRxBuf(nullptr, text.data() + at, static_cast<std::int32_t>(n));
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The whole way: a peer writes into a pseudo-terminal, the port's event
// thread hands each read to the main thread, whose Qt event loop runs the
// delivery and the paints as they come.
Result FeedThroughPort(const std::string &text) {
    int master = -1, slave = -1;
    char name[256];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return {};
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    cport::TPortTable::Instance().SetEntry("COM9", name);

    auto &sync = fw::TMainThreadSync::Instance();
    sync.SetMainThread(std::this_thread::get_id());
    sync.SetWakeUpHook([] {
        QMetaObject::invokeMethod(
            qApp, [] { fw::TMainThreadSync::Instance().CheckSynchronize(); }, Qt::QueuedConnection);
    });

    cport::TComPort port;
    port.SetPort("COM9");
    cport::TComTerminal term;
    term.resize(80 * 7 + 40, 24 * 15 + 40);
    term.SetComPort(&port);
    std::size_t received = 0;
    term.OnStrRecieved = [&](fw::TComponent *, std::string &str) { received += str.size(); };
    term.show();
    term.activateWindow();
    term.setFocus();
    port.Open();
    QCoreApplication::processEvents();
    PaintCounter counter;
    term.viewport()->installEventFilter(&counter);

    const auto start = std::chrono::steady_clock::now();
    std::thread writer([&] {
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t n = write(master, text.data() + at, std::min<std::size_t>(4096, text.size() - at));
            if (n <= 0)
                break;
            at += std::size_t(n);
        }
    });
    const auto deadline = start + std::chrono::seconds(60);
    while (received < text.size() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents(); // the last chunk's paint
    const auto end = std::chrono::steady_clock::now();
    writer.join();
    term.viewport()->removeEventFilter(&counter);
    port.Close();
    sync.SetWakeUpHook(nullptr);
    close(master);
    close(slave);
    cport::TPortTable::Instance().RemoveEntry("COM9");
    if (received < text.size())
        std::printf("  (only %zu of %zu bytes arrived)\n", received, text.size());
    return {std::chrono::duration<double>(end - start).count(), counter.paints,
            counter.area / (double(term.viewport()->width()) * term.viewport()->height())};
}

void Report(const char *what, double bytes, const Result &r, double modelSeconds, std::size_t chunks) {
    std::printf("%-34s %10.0f chars/s  %8.0f paints/s  ", what, bytes / r.seconds, double(r.paints) / r.seconds);
    if (chunks > 0)
        std::printf("%5.2f paints/chunk  ", double(r.paints) / double(chunks));
    std::printf("%5.1f%% of client per paint  model/control time ratio %.2f\n",
                r.paints > 0 ? 100.0 * r.area / double(r.paints) : 0.0, modelSeconds / r.seconds);
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setCursorFlashTime(0); // no blinking: every paint below is the input's

    const std::string text = Workload(8u << 20);
    const double bytes = double(text.size());
    std::printf("terminal control: %.1f MB of full-screen program output (redraws and scrolling lines)\n", bytes / 1e6);

    for (std::size_t chunk : {std::size_t(4096), std::size_t(256)}) {
        const std::size_t chunks = (text.size() + chunk - 1) / chunk;
        const double model = FeedModel(text, chunk);
        std::printf("chunks of %zu bytes: model alone (baseline) %.0f chars/s\n", chunk, bytes / model);
        Report("  control, incremental paints", bytes, FeedControl(text, chunk, false), model, chunks);
        Report("  control, whole repaint per chunk", bytes, FeedControl(text, chunk, true), model, chunks);
    }

    // A slow line delivers a few characters at a time: one paint per
    // delivery, each covering only the cells that changed.
    const std::string slow = text.substr(0, 200000);
    const double model = FeedModel(slow, 8);
    Report("chunks of 8 bytes, incremental", double(slow.size()), FeedControl(slow, 8, false), model,
           (slow.size() + 7) / 8);
    // Through a port on a pseudo-terminal, chunked as the line delivers.
    const std::string piped = text.substr(0, 2u << 20);
    const Result port = FeedThroughPort(piped);
    const double pipedModel = FeedModel(piped, 4096);
    std::printf("through a port on a pty (%.1f MB):\n", double(piped.size()) / 1e6);
    Report("  control, incremental paints", double(piped.size()), port, pipedModel, 0);
    return 0;
}
