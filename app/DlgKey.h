#pragma once

#include <QDialog>

class QLineEdit;

// Asks for a password twice; OK closes only when both entries match.
class TdlgKey : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKey(QWidget *parent = nullptr);
    QString password() const;

public slots:
    void bOKClick();

private:
    QLineEdit *eKey1;
    QLineEdit *eKey2;
};

// The password from the dialog, or an empty text when it was cancelled.
QString AskPassword(QWidget *parent);
