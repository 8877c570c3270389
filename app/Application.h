#pragma once

#include <QApplication>

#include <exception>
#include <functional>

// The application object: an exception that leaves any event handler ends here and is shown,
// never ending the program.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // The handler of unhandled exceptions (the error report installs itself here); returns the
    // one it replaces. Without a handler an error box shows the message.
    using ExceptionHandler = std::function<void(std::exception_ptr)>;
    static ExceptionHandler setExceptionHandler(ExceptionHandler handler);
    static void handleException(std::exception_ptr error);

    // Shows an unhandled error given by its message alone.
    static void reportException(const QString &message);
};
