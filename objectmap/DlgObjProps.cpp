#include "DlgObjProps.h"

#include "Fonts.h"
#include "app/Icons.h"
#include "app/ProductLabel.h"
#include "app/Prompts.h"
#include "session/Session.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

enum Page { TablePage, QueryPage, RelationPage, NonePage };

QLabel *centredPicture(const QIcon &icon, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setPixmap(icon.pixmap(64, 64));
    return label;
}

std::string str(const QString &s)
{
    return s.toStdString();
}

} // namespace

TdlgObjProps::TdlgObjProps(session::Session &session, QWidget *parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("dlgObjProps"));
    setWindowTitle(QStringLiteral("Object Definition"));
    setFont(objectmap::windowFont());
    setSizeGripEnabled(true);
    resize(504, 422);

    auto *top = new QWidget(this);
    top->setFixedHeight(61);
    auto *picture = new QLabel(top);
    picture->setPixmap(appIcon().pixmap(32, 32));
    picture->setFixedSize(32, 32);
    cbType = new QComboBox(top);
    cbType->setObjectName(QStringLiteral("cbType"));
    cbType->addItems({QStringLiteral("Table definition"), QStringLiteral("Query definition"), QStringLiteral("Relation")});
    cbType->setCurrentIndex(-1);
    eName = new QLineEdit(top);
    eName->setObjectName(QStringLiteral("eName"));
    auto *lType = new QLabel(QStringLiteral("&Type:"), top);
    lType->setBuddy(cbType);
    auto *lName = new QLabel(QStringLiteral("&Name:"), top);
    lName->setBuddy(eName);
    auto *grid = new QGridLayout(top);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lType, 0, 1);
    grid->addWidget(cbType, 0, 2);
    grid->addWidget(lName, 1, 1);
    grid->addWidget(eName, 1, 2);
    grid->setColumnStretch(2, 1);

    Notebook = new QStackedWidget(this);
    Notebook->setObjectName(QStringLiteral("Notebook"));
    QWidget *table = centredPicture(commandIcon(QStringLiteral("table")), Notebook);
    table->setObjectName(QStringLiteral("Table"));
    auto *query = new QWidget(Notebook);
    query->setObjectName(QStringLiteral("Query"));
    mSQL = new QPlainTextEdit(query);
    mSQL->setObjectName(QStringLiteral("mSQL"));
    mSQL->setFont(objectmap::sqlFont());
    mSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *lSQL = new QLabel(QStringLiteral("S&QL:"), query);
    lSQL->setBuddy(mSQL);
    auto *queryLayout = new QVBoxLayout(query);
    queryLayout->setContentsMargins(8, 0, 8, 4);
    queryLayout->addWidget(lSQL);
    queryLayout->addWidget(mSQL);
    QWidget *relation = centredPicture(commandIcon(QStringLiteral("relation")), Notebook);
    relation->setObjectName(QStringLiteral("Relation"));
    auto *none = new QWidget(Notebook);
    none->setObjectName(QStringLiteral("None"));
    for (QWidget *page : {table, query, relation, none})
        Notebook->addWidget(page);

    auto *bottom = new QWidget(this);
    bottom->setFixedHeight(41);
    auto *bevel = new QFrame(bottom);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bOK = new QPushButton(QStringLiteral("Ok"), bottom);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    bOK->setEnabled(false);
    Button2 = new QPushButton(QStringLiteral("Cancel"), bottom);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 0, 8, 0);
    buttons->addWidget(createProductLabel(bottom));
    buttons->addStretch(1);
    buttons->addWidget(bOK);
    buttons->addWidget(Button2);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(bevel);
    bottomLayout->addLayout(buttons, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(Notebook, 1);
    layout->addWidget(bottom);

    connect(cbType, &QComboBox::currentIndexChanged, this, &TdlgObjProps::cbTypeChange);
    connect(eName, &QLineEdit::textChanged, this, &TdlgObjProps::Change);
    connect(mSQL, &QPlainTextEdit::textChanged, this, &TdlgObjProps::Change);
    connect(bOK, &QPushButton::clicked, this, &TdlgObjProps::bOKClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    Notebook->setCurrentIndex(NonePage);
}

void TdlgObjProps::LoadDefinition()
{
    FIsNew = FKind == ObjectKind::None;
    if (!FDefinition.isObject())
        return; // create mode: nothing is preset
    {
        // The handler runs once, below, as for a choice of the user.
        const QSignalBlocker blocker(cbType);
        cbType->setCurrentIndex(int(FKind) - 1);
    }
    cbType->setEnabled(false);
    cbTypeChange();
    eName->setText(QString::fromStdString(FDefinition.get("Name").toText()));
    if (FKind == ObjectKind::Query)
        mSQL->setPlainText(QString::fromStdString(FDefinition.get("SQL").toText()));
}

void TdlgObjProps::cbTypeChange()
{
    const int index = cbType->currentIndex();
    if (index < 0 || index > RelationPage)
        return;
    Notebook->setCurrentIndex(index);
    FKind = ObjectKind(index + 1);
    eName->setFocus();
    Change();
}

// Only a query can be saved, and only with a name and a text.
void TdlgObjProps::Change()
{
    bOK->setEnabled(cbType->currentIndex() == QueryPage && !eName->text().trimmed().isEmpty()
                    && !mSQL->toPlainText().trimmed().isEmpty());
}

void TdlgObjProps::bOKClick()
{
    if (SaveDefinition())
        accept();
}

bool TdlgObjProps::SaveDefinition()
{
    if (FKind != ObjectKind::Query)
        return false;
    return FDefinition.isObject() ? SaveEdited() : SaveCreated();
}

// The session renames and changes the text (or creates the query), then has the engine check
// it. A rejected change is taken back whole, name included, so a failed OK leaves the definition
// as it was and a corrected OK edits the same definition again; a query this very step created
// is removed again.
bool TdlgObjProps::SaveEdited()
{
    return save(FDefinition);
}

bool TdlgObjProps::SaveCreated()
{
    if (save(automation::Variant()))
        return true;
    FDefinition = automation::Variant();
    return false;
}

bool TdlgObjProps::save(const automation::Variant &definition)
{
    try {
        FDefinition = session_.saveQueryDefinition(definition, str(eName->text()), str(mSQL->toPlainText()));
        return true;
    } catch (const std::exception &e) {
        Prompts::warning(this, QString::fromUtf8(e.what()));
        return false;
    }
}

bool EditObjectDefinition(session::Session &session, QWidget *parent, automation::Variant &Definition, ObjectKind &Kind)
{
    TdlgObjProps dialog(session, parent);
    dialog.FDefinition = Definition;
    dialog.FKind = Kind;
    dialog.LoadDefinition();
    if (Prompts::current().exec(&dialog) != QDialog::Accepted)
        return false;
    Definition = dialog.FDefinition;
    Kind = dialog.FKind;
    return true;
}
