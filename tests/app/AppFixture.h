#pragma once

// What every test of the programmer application needs: a settings folder of
// its own, the DS5000 loader simulator on COM1, message boxes and beeps that
// are recorded instead of waiting for a user, and the program's windows.

#include "LoaderSimulator.h"
#include "app/Dialogs.h"
#include "app/Forms.h"
#include "app/MainThreadHooks.h"
#include "app/UAppMain.h"
#include "cport/ComPort.h"
#include "cport/posix/PortTable.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

struct TShownMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
};

class TAppFixture {
  public:
    explicit TAppFixture(loadersim::TSimulatorOptions options = {}) {
        qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
        simulator = std::make_unique<loadersim::TLoaderSimulator>(std::move(options));
        MapCom1();
        RecordMessages();
        app::SetBeeper([this] { ++beeps; });
        app::InstallMainThreadHooks();
        app::CreateForms();
    }

    ~TAppFixture() {
        app::DestroyForms();
        app::RemoveMainThreadHooks();
        app::SetMessagePresenter({});
        app::SetBeeper({});
        cport::TPortTable::Instance().RemoveEntry("COM1");
    }

    void RecordMessages() {
        app::SetMessagePresenter([this](const QString &caption, const QString &text, QMessageBox::Icon icon) {
            messages.push_back({caption, text, icon});
            if (onMessage)
                onMessage(messages.back());
        });
    }

    void MapCom1() { cport::TPortTable::Instance().SetEntry("COM1", simulator->SlavePath()); }

    app::TAppMain &Main() { return *app::AppMain; }

    // Shows the main window as the message loop does at start-up and waits
    // until the kit has been found; the messages start empty then.
    bool Start() {
        if (!StartWithoutKit())
            return false;
        const bool found = QTest::qWaitFor([&] { return !messages.empty(); }, 3000);
        if (!found || messages.front().text != QStringLiteral("Vorlan Evaluation Kit Found "))
            return false;
        messages.clear();
        return true;
    }

    // Shows the main window and waits until its first activation has sent the wake-up.
    bool StartWithoutKit() {
        Main().show();
        Main().activateWindow();
        return QTest::qWaitForWindowActive(&Main()) && WaitForReceived(1);
    }

    bool WaitForReceived(std::size_t count, int timeoutMs = 3000) {
        return QTest::qWaitFor([&] { return simulator->ReceivedCount() >= count; }, timeoutMs);
    }

    // Lets pending deliveries and events run for a while.
    static void Settle(int ms = 100) { QTest::qWait(ms); }

    // Writes a file into the test's folder and chooses it as the HEX file.
    QString ChooseFile(const std::string &name, const std::string &content) {
        const QString path = settingsDir.filePath(QString::fromStdString(name));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content.data(), static_cast<qint64>(content.size()));
        file.close();
        Main().OpenDialog->SetFileName(path);
        return path;
    }

    QTemporaryDir settingsDir;
    std::unique_ptr<loadersim::TLoaderSimulator> simulator;
    std::vector<TShownMessage> messages;
    std::function<void(const TShownMessage &)> onMessage;
    int beeps = 0;
};

} // namespace apptest
