#include "NewAccDlg.h"

#include "DialogFont.h"
#include "app/Icons.h"
#include "app/Prompts.h"
#include "engine/MSAccess.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kPidLength = 20;
} // namespace

TdlgNewAcc::TdlgNewAcc(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgNewAcc"));
    setWindowTitle(QStringLiteral("New account"));
    setFont(accounts::dialogFont());
    auto *picture = new QLabel(this);
    picture->setPixmap(commandIcon(QStringLiteral("accounts")).pixmap(32, 32));
    picture->setFixedSize(32, 32);
    eName = new QLineEdit(this);
    eName->setObjectName(QStringLiteral("eName"));
    ePID = new QLineEdit(this);
    ePID->setObjectName(QStringLiteral("ePID"));
    ePID->setMaxLength(kPidLength);
    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    auto *label1 = new QLabel(QStringLiteral("Name"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto *label2 = new QLabel(QStringLiteral("PID"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    form->addRow(label1, eName);
    form->addRow(label2, ePID);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    bOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    bOK->setEnabled(false);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("bCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(eName, &QLineEdit::textChanged, this, &TdlgNewAcc::eChange);
    connect(ePID, &QLineEdit::textChanged, this, &TdlgNewAcc::eChange);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addStretch();
    layout->addWidget(buttons);
    resize(290, 149);
}

QString TdlgNewAcc::name() const
{
    return eName->text();
}

QString TdlgNewAcc::pid() const
{
    return ePID->text();
}

// Blanks count: a name of blanks is non-empty here and the engine judges it.
void TdlgNewAcc::eChange()
{
    bOK->setEnabled(!eName->text().isEmpty() && !ePID->text().isEmpty());
}

bool ShowNewAccountDialog(engine::TMSAccess &access, QWidget *parent, bool isGroup)
{
    TdlgNewAcc dialog(parent);
    if (Prompts::current().exec(&dialog) != QDialog::Accepted)
        return false;
    if (isGroup)
        access.CreateGroup(dialog.name().toStdString(), dialog.pid().toStdString());
    else
        access.CreateUser(dialog.name().toStdString(), dialog.pid().toStdString(), std::string());
    return true;
}
