#include "Application.h"

#include "Prompts.h"
#include "platform/Version.h"

#include <stdexcept>

namespace {
Application::ExceptionHandler &exceptionHandler()
{
    static Application::ExceptionHandler handler;
    return handler;
}
} // namespace

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Jetwarden"));
    setOrganizationName(QStringLiteral("Velmora"));
    setApplicationVersion(QString::fromLatin1(platform::kProgramVersion));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleException(std::current_exception());
    }
    return false;
}

Application::ExceptionHandler Application::setExceptionHandler(ExceptionHandler handler)
{
    ExceptionHandler previous = std::move(exceptionHandler());
    exceptionHandler() = std::move(handler);
    return previous;
}

void Application::handleException(std::exception_ptr error)
{
    if (exceptionHandler()) {
        exceptionHandler()(error);
        return;
    }
    QString message = QStringLiteral("An unknown error occurred.");
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
    }
    Prompts::error(activeWindow(), message);
}

void Application::reportException(const QString &message)
{
    handleException(std::make_exception_ptr(std::runtime_error(message.toStdString())));
}
