#pragma once

#include <QApplication>

// The application object: an exception that leaves any event handler ends here and is shown,
// never ending the program.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows an unhandled error; the error report dialog takes this over when it exists.
    static void reportException(const QString &message);
};
