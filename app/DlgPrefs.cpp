#include "DlgPrefs.h"

#include "Prompts.h"
#include "ProductLabel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kDefaultEngine = 2;

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &text)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

TdlgPrefs::TdlgPrefs(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgPrefs"));
    setWindowTitle(QStringLiteral("Preferences"));

    bOK = new QPushButton(QStringLiteral("OK"), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    bCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(createProductLabel(this));
    bottom->addStretch();
    bottom->addWidget(bOK);
    bottom->addWidget(bCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(createEngineGroup());
    layout->addWidget(createSystemDbGroup());
    layout->addWidget(createWorkspaceGroup());
    layout->addWidget(createAccessGroup());
    layout->addLayout(bottom);
    // A fixed dialog border: the size the contents need, no resizing.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setEngineIndex(kDefaultEngine);
    adjustSize();
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

QGroupBox *TdlgPrefs::createEngineGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Engine "), this);
    group->setObjectName(QStringLiteral("rgEng"));
    engines = new QButtonGroup(group);
    auto *columns = new QHBoxLayout(group);
    const char *names[] = {"rbDao30", "rbDao35", "rbDao36"};
    const char *texts[] = {"DAO 3.0", "DAO 3.5", "DAO 3.6"};
    for (int i = 0; i < 3; ++i) {
        auto *button = new QRadioButton(QLatin1String(texts[i]), group);
        button->setObjectName(QLatin1String(names[i]));
        engines->addButton(button, i);
        columns->addWidget(button, 1);
    }
    return group;
}

QGroupBox *TdlgPrefs::createSystemDbGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" System Database Location "), this);
    group->setObjectName(QStringLiteral("gbSystemDb"));
    de = new QLineEdit(group);
    de->setObjectName(QStringLiteral("de"));
    de->setMinimumWidth(280);
    auto *browse = new QToolButton(group);
    browse->setObjectName(QStringLiteral("deButton"));
    browse->setText(QStringLiteral("..."));
    browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    browse->setToolTip(QStringLiteral("Choose the system database"));
    connect(browse, &QToolButton::clicked, this, &TdlgPrefs::deButtonClick);
    auto *row = new QHBoxLayout(group);
    row->addWidget(de);
    row->addWidget(browse);
    return group;
}

QGroupBox *TdlgPrefs::createWorkspaceGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Workspace "), this);
    group->setObjectName(QStringLiteral("gbWorkspace"));
    cbxCont = checkBox(group, "cbxCont", QStringLiteral("View Containers"));
    cbxSystem = checkBox(group, "cbxSystem", QStringLiteral("View System objects"));
    cbxEx = checkBox(group, "cbxEx", QStringLiteral("Open database in Exclusive mode"));
    cbxRO = checkBox(group, "cbxRO", QStringLiteral("Open database in ReadOnly mode"));
    auto *separator = new QFrame(group);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto *rows = new QVBoxLayout(group);
    rows->addWidget(cbxCont);
    rows->addWidget(cbxSystem);
    rows->addWidget(separator);
    rows->addWidget(cbxEx);
    rows->addWidget(cbxRO);
    return group;
}

QGroupBox *TdlgPrefs::createAccessGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Access Files "), this);
    group->setObjectName(QStringLiteral("gbAccess"));
    auto *label = new QLabel(QStringLiteral("Jet 3 text &encoding:"), group);
    eJetCharset = new QLineEdit(group);
    eJetCharset->setObjectName(QStringLiteral("eJetCharset"));
    eJetCharset->setPlaceholderText(QStringLiteral("the file's own code page"));
    eJetCharset->setToolTip(QStringLiteral("A code page such as CP1251 or GBK for Jet 3 files whose text is not in "
                                           "the code page their header names"));
    label->setBuddy(eJetCharset);
    auto *row = new QHBoxLayout(group);
    row->addWidget(label);
    row->addWidget(eJetCharset, 1);
    return group;
}

QString TdlgPrefs::jetCharset() const
{
    return eJetCharset->text().trimmed();
}

void TdlgPrefs::setJetCharset(const QString &name)
{
    eJetCharset->setText(name);
}

int TdlgPrefs::engineIndex() const
{
    return engines->checkedId();
}

void TdlgPrefs::setEngineIndex(int index)
{
    QAbstractButton *button = engines->button(index);
    if (!button)
        button = engines->button(kDefaultEngine);
    button->setChecked(true);
}

QString TdlgPrefs::systemDb() const
{
    return de->text();
}

void TdlgPrefs::setSystemDb(const QString &path)
{
    de->setText(path);
}

bool TdlgPrefs::containers() const { return cbxCont->isChecked(); }
void TdlgPrefs::setContainers(bool on) { cbxCont->setChecked(on); }
bool TdlgPrefs::systemObjects() const { return cbxSystem->isChecked(); }
void TdlgPrefs::setSystemObjects(bool on) { cbxSystem->setChecked(on); }
bool TdlgPrefs::exclusive() const { return cbxEx->isChecked(); }
void TdlgPrefs::setExclusive(bool on) { cbxEx->setChecked(on); }
bool TdlgPrefs::readOnly() const { return cbxRO->isChecked(); }
void TdlgPrefs::setReadOnly(bool on) { cbxRO->setChecked(on); }

void TdlgPrefs::deButtonClick()
{
    const QString path = Prompts::current().openFileName(
        this, QStringLiteral("System Database"), QStringLiteral("MS Access Databases (*.mdb *.mdw);;All files (*.*)"),
        QStringLiteral("mdb"));
    if (!path.isEmpty())
        de->setText(path);
}

bool prefsRestartNeeded(int storedEngine, const QString &storedSystemDb, int chosenEngine,
                        const QString &chosenSystemDb)
{
    return storedEngine != chosenEngine || storedSystemDb != chosenSystemDb;
}
