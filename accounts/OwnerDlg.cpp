#include "OwnerDlg.h"

#include "DialogFont.h"
#include "app/Icons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TdlgOwner::TdlgOwner(const QString &document, const QStringList &users, const QStringList &groups,
                     const QString &owner, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgOwner"));
    setWindowTitle(QStringLiteral("Owner"));
    setFont(accounts::dialogFont());
    auto *picture = new QLabel(this);
    picture->setPixmap(commandIcon(QStringLiteral("accounts")).pixmap(32, 32));
    picture->setFixedSize(32, 32);
    auto *prompt = new QLabel(QStringLiteral("Owner of \"%1\":").arg(document), this);
    prompt->setObjectName(QStringLiteral("lDocument"));
    cbOwner = new QComboBox(this);
    cbOwner->setObjectName(QStringLiteral("cbOwner"));
    cbOwner->setMinimumWidth(180);
    cbOwner->addItems(users);
    if (!users.isEmpty() && !groups.isEmpty())
        cbOwner->insertSeparator(cbOwner->count());
    cbOwner->addItems(groups);
    // The engine reports an owner its workgroup does not know as "<Unknown>"; nothing is chosen then.
    cbOwner->setCurrentIndex(cbOwner->findText(owner, Qt::MatchFixedString));
    auto *fields = new QVBoxLayout;
    fields->addWidget(prompt);
    fields->addWidget(cbOwner);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(fields, 1);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("bOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("bCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ok->setEnabled(cbOwner->currentIndex() >= 0);
    connect(cbOwner, &QComboBox::currentIndexChanged, ok, [this, ok] { ok->setEnabled(cbOwner->currentIndex() >= 0); });

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TdlgOwner::owner() const
{
    return cbOwner->currentText();
}
