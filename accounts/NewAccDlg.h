#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace engine {
class TMSAccess;
}

// "New account": the name and personal identifier (PID) of a new user or group. OK is enabled
// exactly while both are non-empty; any further rule is the engine's.
class TdlgNewAcc : public QDialog {
    Q_OBJECT
public:
    explicit TdlgNewAcc(QWidget *parent = nullptr);

    QString name() const;
    QString pid() const;

public slots:
    void eChange();

private:
    QLineEdit *eName;
    QLineEdit *ePID;
    QPushButton *bOK;
};

// Asks for a new account and creates it as typed (no trimming); a user gets an empty password.
// True when the dialog was closed with OK. Engine errors of the creation pass to the caller.
bool ShowNewAccountDialog(engine::TMSAccess &access, QWidget *parent, bool isGroup);
