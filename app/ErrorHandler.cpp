#include "ErrorHandler.h"

#include "Dialogs.h"
#include "framework/Exception.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace app {

QString ApplicationTitle() { return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(); }

QString ErrorBoxText(const std::string &message) {
    QString text = QString::fromLocal8Bit(message.data(), static_cast<qsizetype>(message.size()));
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        text += QLatin1Char('.');
    return text;
}

namespace {

std::string MessageOf(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const fw::Exception &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

} // namespace

void ShowException(const std::exception_ptr &error) {
    if (!error)
        return;
    const QString text = ErrorBoxText(MessageOf(error));
    try {
        ShowMessage(ApplicationTitle(), text, QMessageBox::Critical);
    } catch (...) {
        // Nothing is left to report a failing error box to.
    }
}

} // namespace app
