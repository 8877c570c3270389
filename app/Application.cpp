#include "Application.h"

#include "Prompts.h"

#include <exception>

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Jetwarden"));
    setOrganizationName(QStringLiteral("Velmora"));
    setApplicationVersion(QStringLiteral(JW_VERSION));
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        reportException(QString::fromUtf8(e.what()));
    } catch (...) {
        reportException(QStringLiteral("An unknown error occurred."));
    }
    return false;
}

void Application::reportException(const QString &message)
{
    Prompts::error(activeWindow(), message);
}
