// The Program command's cost per byte over a pseudo-terminal, against a bare
// loop of one-byte engine writes to the same simulated kit, and the time from
// start-up to the kit message.
#include "LoaderSimulator.h"
#include "app/Dialogs.h"
#include "app/Forms.h"
#include "app/MainThreadHooks.h"
#include "app/UAppMain.h"
#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kFileSize = 100 * 1024;
constexpr int kRounds = 9;
constexpr double kRatioTarget = 1.2;
constexpr double kStartUpTarget = 0.5;

std::string MakeHexText(std::size_t size) {
    std::string text;
    char record[64];
    unsigned address = 0;
    while (text.size() + 45 <= size) {
        unsigned sum = 16 + ((address >> 8) & 0xFF) + (address & 0xFF);
        int n = std::snprintf(record, sizeof record, ":10%04X00", address & 0x7FFF);
        for (unsigned i = 0; i < 16; ++i) {
            sum += i;
            n += std::snprintf(record + n, sizeof record - static_cast<std::size_t>(n), "%02X", i);
        }
        std::snprintf(record + n, sizeof record - static_cast<std::size_t>(n), "%02X\r\n",
                      (0x100 - (sum & 0xFF)) & 0xFF);
        text += record;
        address = (address + 16) & 0x7FFF;
    }
    text.append(size - text.size(), '\n');
    return text;
}

// Runs the event loop until `done` or the timeout.
template <typename Done> void WaitFor(Done done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// One-byte WriteString calls straight on an engine port: the floor any
// byte-by-byte download has to stand on.
double BareLoop(const std::string &bytes) {
    loadersim::TLoaderSimulator sim;
    cport::TPortTable::Instance().SetEntry("COM1", sim.SlavePath());
    cport::TComPort port;
    port.Open();
    // The same commands as the Program command, so that the kit is loading
    // (and silent) while the bytes arrive.
    port.WriteString("W48\r");
    port.WriteString("L\r");
    std::string one(1, '\0');
    const auto start = Clock::now();
    for (char c : bytes) {
        one[0] = c;
        port.WriteString(one);
    }
    const double seconds = Seconds(Clock::now() - start);
    port.Close();
    return seconds;
}

// The Program command from its click to its final message.
double ProgramCommand(const QString &file) {
    loadersim::TLoaderSimulator sim;
    cport::TPortTable::Instance().SetEntry("COM1", sim.SlavePath());
    app::CreateForms();
    app::AppMain->ComPort->Open();
    app::AppMain->OpenDialog->SetFileName(file);
    Clock::time_point done;
    app::SetMessagePresenter([&](const QString &, const QString &, QMessageBox::Icon) { done = Clock::now(); });
    const auto start = Clock::now();
    app::AppMain->ProgramButtonClick(nullptr);
    const double seconds = Seconds(done - start);
    app::DestroyForms();
    return seconds;
}

// From creating the windows to the kit message, with the simulated kit answering.
double StartUpToKitMessage() {
    loadersim::TLoaderSimulator sim;
    cport::TPortTable::Instance().SetEntry("COM1", sim.SlavePath());
    bool found = false;
    Clock::time_point when;
    app::SetMessagePresenter([&](const QString &, const QString &text, QMessageBox::Icon) {
        if (!found && text.startsWith(QStringLiteral("Vorlan Evaluation Kit Found"))) {
            found = true;
            when = Clock::now();
        }
    });
    const auto start = Clock::now();
    app::CreateForms();
    app::AppMain->show();
    WaitFor([&] { return found; }, 5000);
    app::DestroyForms();
    return found ? Seconds(when - start) : -1.0;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QApplication application(argc, argv);
    app::InstallMainThreadHooks();
    app::SetBeeper([] {});

    const std::string text = MakeHexText(kFileSize);
    const QString file = QDir(dir.path()).filePath(QStringLiteral("bench.hex"));
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(text.data(), static_cast<qint64>(text.size()));
    out.close();

    double bare = 1e9, program = 1e9;
    // Alternating the order keeps a busy machine from favouring either side;
    // the best round of each is compared.
    for (int round = 0; round < kRounds; ++round) {
        if (round % 2 == 0) {
            bare = std::min(bare, BareLoop(text));
            program = std::min(program, ProgramCommand(file));
        } else {
            program = std::min(program, ProgramCommand(file));
            bare = std::min(bare, BareLoop(text));
        }
    }
    const double ratio = program / bare;
    std::printf("program command, %zu bytes: bare write loop %.3f s (%.2f us/byte), Program %.3f s (%.2f us/byte)\n",
                kFileSize, bare, bare * 1e6 / kFileSize, program, program * 1e6 / kFileSize);
    std::printf("ratio Program / bare loop: %.3f (target <= %.1f) %s\n", ratio, kRatioTarget,
                ratio <= kRatioTarget ? "OK" : "MISSED");

    double startUp = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const double s = StartUpToKitMessage();
        if (s >= 0)
            startUp = std::min(startUp, s);
    }
    if (startUp < 1e9)
        std::printf("start-up to kit message: %.3f s (target < %.1f s) %s\n", startUp, kStartUpTarget,
                    startUp < kStartUpTarget ? "OK" : "MISSED");
    else
        std::printf("start-up to kit message: no kit message within 5 s MISSED\n");

    app::SetMessagePresenter({});
    app::RemoveMainThreadHooks();
    cport::TPortTable::Instance().RemoveEntry("COM1");
    return 0;
}
