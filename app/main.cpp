#include "Forms.h"
#include "MainThreadHooks.h"
#include "UAppMain.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication application(argc, argv);
    app::InstallMainThreadHooks();
    app::CreateForms();
    app::AppMain->show();
    app::AppMain->activateWindow();
    const int result = QApplication::exec();
    app::DestroyForms();
    app::RemoveMainThreadHooks();
    return result;
}
