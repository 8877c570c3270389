#include "ChngPwdDlg.h"

#include "DialogFont.h"
#include "app/Prompts.h"
#include "engine/MSAccess.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The longest password the engine's account rules allow.
constexpr int kPasswordLength = 14;

QLineEdit *passwordEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(kPasswordLength);
    return edit;
}

QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

TdlgChngPwd::TdlgChngPwd(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgChngPwd"));
    setWindowTitle(QStringLiteral("Change password"));
    setFont(accounts::dialogFont());
    auto *picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    picture->setFixedSize(32, 32);
    eOldKey = passwordEdit(this, "eOldKey");
    eKey1 = passwordEdit(this, "eKey1");
    eKey2 = passwordEdit(this, "eKey2");
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow(label(this, "Label3", QStringLiteral("Old password")), eOldKey);
    form->addRow(label(this, "Label1", QStringLiteral("New password")), eKey1);
    form->addRow(label(this, "Label2", QStringLiteral("Confirm")), eKey2);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::ActionRole);
    ok->setObjectName(QStringLiteral("bOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("bCancel"));
    connect(ok, &QPushButton::clicked, this, &TdlgChngPwd::bOKClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setTabOrder(eOldKey, eKey1);
    setTabOrder(eKey1, eKey2);
    setTabOrder(eKey2, ok);
    setTabOrder(ok, cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
    layout->addWidget(buttons);
    setFixedSize(290, 171);
    eOldKey->setFocus();
}

QString TdlgChngPwd::oldPassword() const
{
    return eOldKey->text();
}

QString TdlgChngPwd::newPassword() const
{
    return eKey1->text();
}

void TdlgChngPwd::bOKClick()
{
    if (eKey1->text() != eKey2->text()) {
        Prompts::error(this, QStringLiteral("Password does not match."));
        return;
    }
    accept();
}

bool ShowChangePasswordDialog(engine::TMSAccess &access, QWidget *parent, const QString &userName)
{
    TdlgChngPwd dialog(parent);
    if (Prompts::current().exec(&dialog) != QDialog::Accepted)
        return false;
    return access.ChangePassword(userName.toStdString(), dialog.oldPassword().toStdString(),
                                 dialog.newPassword().toStdString());
}
