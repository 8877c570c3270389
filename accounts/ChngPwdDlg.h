#pragma once

#include <QDialog>

class QLineEdit;

namespace engine {
class TMSAccess;
}

// "Change password": the old password, the new one and its confirmation. OK closes only when the
// new password and the confirmation are equal (letter case counts); the engine checks the old one.
class TdlgChngPwd : public QDialog {
    Q_OBJECT
public:
    explicit TdlgChngPwd(QWidget *parent = nullptr);

    QString oldPassword() const;
    QString newPassword() const;

public slots:
    void bOKClick();

private:
    QLineEdit *eOldKey;
    QLineEdit *eKey1;
    QLineEdit *eKey2;
};

// Asks for the passwords and changes the user's password. False when cancelled, else the access
// object's answer; engine errors (a wrong old password, a missing right) pass to the caller.
bool ShowChangePasswordDialog(engine::TMSAccess &access, QWidget *parent, const QString &userName);
