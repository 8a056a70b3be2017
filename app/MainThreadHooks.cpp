#include "MainThreadHooks.h"

#include "ErrorHandler.h"
#include "framework/ExceptionHandler.h"
#include "framework/MainThreadSync.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <thread>

namespace app {

void InstallMainThreadHooks() {
    auto &sync = fw::TMainThreadSync::Instance();
    sync.SetMainThread(std::this_thread::get_id());
    // Called from the asking thread: a queued call is how another thread gets
    // work into the main thread's event loop, nested loops included.
    sync.SetWakeUpHook([] {
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [] { Guarded([] { fw::TMainThreadSync::Instance().CheckSynchronize(); }); }, Qt::QueuedConnection);
    });
    // Errors the engine meets outside any handler (an open after loading) go
    // to the general error box as well.
    fw::SetApplicationExceptionHandler([](const std::exception_ptr &error) { ShowException(error); });
    fw::SetDeliveryErrorHandler([](const std::exception_ptr &error) {
        QCoreApplication *app = QCoreApplication::instance();
        if (app == nullptr)
            return;
        if (QThread::currentThread() == app->thread())
            ShowException(error);
        else
            QMetaObject::invokeMethod(
                app, [error] { ShowException(error); }, Qt::QueuedConnection);
    });
}

void RemoveMainThreadHooks() {
    fw::TMainThreadSync::Instance().SetWakeUpHook({});
    fw::SetDeliveryErrorHandler({});
    fw::SetApplicationExceptionHandler({});
}

} // namespace app
