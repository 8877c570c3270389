#pragma once

#include <QDialog>

class QLineEdit;

// "Database Login": asks for an account and its password. The entered texts are kept when the
// dialog closes, whatever button closed it.
class TdlgLogin : public QDialog {
    Q_OBJECT
public:
    explicit TdlgLogin(QWidget *parent = nullptr);

    QString EnteredUser;
    QString EnteredPassword;

    void done(int result) override;

private:
    QLineEdit *eUser;
    QLineEdit *ePwd;
};
