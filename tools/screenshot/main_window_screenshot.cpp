// Makes a picture of the programmer's main window as a user sees it once the
// simulated kit has been found: ds5000shot OUTPUT.png
#include "LoaderSimulator.h"
#include "app/Dialogs.h"
#include "app/Forms.h"
#include "app/MainThreadHooks.h"
#include "app/UAppMain.h"
#include "cport/posix/PortTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ds5000shot OUTPUT.png\n");
        return 2;
    }
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QApplication application(argc, argv);

    loadersim::TLoaderSimulator kit;
    cport::TPortTable::Instance().SetEntry("COM1", kit.SlavePath());
    bool found = false;
    app::SetMessagePresenter([&](const QString &, const QString &text, QMessageBox::Icon) {
        found = found || text.startsWith(QStringLiteral("Vorlan Evaluation Kit Found"));
    });
    app::InstallMainThreadHooks();
    app::CreateForms();
    app::AppMain->show();
    app::AppMain->activateWindow();

    QElapsedTimer timer;
    timer.start();
    while ((!found || timer.elapsed() < 500) && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    const bool saved = found && app::AppMain->grab().save(QString::fromLocal8Bit(argv[1]));
    app::DestroyForms();
    app::RemoveMainThreadHooks();
    app::SetMessagePresenter({});
    if (!found)
        std::fprintf(stderr, "ds5000shot: the kit was not found\n");
    return saved ? 0 : 1;
}
