#include "DlgKey.h"

#include "Prompts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

TdlgKey::TdlgKey(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKey"));
    setWindowTitle(QString());
    auto *picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    eKey1 = new QLineEdit(this);
    eKey1->setObjectName(QStringLiteral("eKey1"));
    eKey1->setEchoMode(QLineEdit::Password);
    eKey2 = new QLineEdit(this);
    eKey2->setObjectName(QStringLiteral("eKey2"));
    eKey2->setEchoMode(QLineEdit::Password);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Password"), eKey1);
    form->addRow(QStringLiteral("Confirm"), eKey2);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(form);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("bOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("bCancel"));
    connect(ok, &QPushButton::clicked, this, &TdlgKey::bOKClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TdlgKey::password() const
{
    return eKey1->text();
}

void TdlgKey::bOKClick()
{
    if (eKey1->text() != eKey2->text()) {
        Prompts::error(this, QStringLiteral("Password does not match."));
        return;
    }
    accept();
}

QString AskPassword(QWidget *parent)
{
    TdlgKey dialog(parent);
    return Prompts::current().exec(&dialog) == QDialog::Accepted ? dialog.password() : QString();
}
