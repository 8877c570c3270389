#include "DlgLogin.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

TdlgLogin::TdlgLogin(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgLogin"));
    setWindowTitle(QStringLiteral("Database Login"));
    auto *picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_DialogYesButton).pixmap(32, 32));
    eUser = new QLineEdit(QStringLiteral("admin"), this);
    eUser->setObjectName(QStringLiteral("eUser"));
    ePwd = new QLineEdit(this);
    ePwd->setObjectName(QStringLiteral("ePwd"));
    ePwd->setEchoMode(QLineEdit::Password);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Username"), eUser);
    form->addRow(QStringLiteral("Password"), ePwd);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(form);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("bOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("bCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ePwd->setFocus();
}

void TdlgLogin::done(int result)
{
    EnteredUser = eUser->text();
    EnteredPassword = ePwd->text();
    QDialog::done(result);
}
