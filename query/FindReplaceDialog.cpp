#include "FindReplaceDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FindReplaceDialog::FindReplaceDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rd"));
    setWindowTitle(QStringLiteral("Replace"));
    setModal(false);

    eFind = new QLineEdit(this);
    eFind->setObjectName(QStringLiteral("eFind"));
    eReplace = new QLineEdit(this);
    eReplace->setObjectName(QStringLiteral("eReplace"));
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Fi&nd what:"), eFind);
    fields->addRow(QStringLiteral("Re&place with:"), eReplace);

    cbxMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    cbxMatchCase->setObjectName(QStringLiteral("cbxMatchCase"));
    cbxWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    cbxWholeWord->setObjectName(QStringLiteral("cbxWholeWord"));
    auto *direction = new QGroupBox(QStringLiteral("Direction"), this);
    rbUp = new QRadioButton(QStringLiteral("&Up"), direction);
    rbUp->setObjectName(QStringLiteral("rbUp"));
    rbDown = new QRadioButton(QStringLiteral("&Down"), direction);
    rbDown->setObjectName(QStringLiteral("rbDown"));
    rbDown->setChecked(true);
    auto *directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(rbUp);
    directionLayout->addWidget(rbDown);
    auto *options = new QHBoxLayout;
    auto *checks = new QVBoxLayout;
    checks->addWidget(cbxMatchCase);
    checks->addWidget(cbxWholeWord);
    options->addLayout(checks);
    options->addWidget(direction);

    bFindNext = new QPushButton(QStringLiteral("&Find Next"), this);
    bFindNext->setObjectName(QStringLiteral("bFindNext"));
    bFindNext->setDefault(true);
    bReplace = new QPushButton(QStringLiteral("&Replace"), this);
    bReplace->setObjectName(QStringLiteral("bReplace"));
    bReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    bReplaceAll->setObjectName(QStringLiteral("bReplaceAll"));
    auto *bCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(bFindNext);
    buttons->addWidget(bReplace);
    buttons->addWidget(bReplaceAll);
    buttons->addWidget(bCancel);
    buttons->addStretch();

    auto *left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(bFindNext, &QPushButton::clicked, this, &FindReplaceDialog::findNext);
    connect(bReplace, &QPushButton::clicked, this, [this] { emit replace(false); });
    connect(bReplaceAll, &QPushButton::clicked, this, [this] { emit replace(true); });
    connect(bCancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(eFind, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    updateButtons();
}

QString FindReplaceDialog::findText() const
{
    return eFind->text();
}

void FindReplaceDialog::setFindText(const QString &text)
{
    eFind->setText(text);
    eFind->selectAll();
}

QString FindReplaceDialog::replaceText() const
{
    return eReplace->text();
}

bool FindReplaceDialog::matchCase() const
{
    return cbxMatchCase->isChecked();
}

bool FindReplaceDialog::wholeWord() const
{
    return cbxWholeWord->isChecked();
}

bool FindReplaceDialog::down() const
{
    return rbDown->isChecked();
}

void FindReplaceDialog::setDown(bool down)
{
    (down ? rbDown : rbUp)->setChecked(true);
}

// Nothing to search for: the buttons wait for a text.
void FindReplaceDialog::updateButtons()
{
    const bool text = !eFind->text().isEmpty();
    bFindNext->setEnabled(text);
    bReplace->setEnabled(text);
    bReplaceAll->setEnabled(text);
}
