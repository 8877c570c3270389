#include "PermissionsPage.h"

#include "ListBoxes.h"
#include "OwnerDlg.h"
#include "app/Prompts.h"
#include "automation/Text.h"
#include "engine/MSAccess.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

using accounts::Box;
using accounts::ContainerKind;
using automation::Variant;

namespace {

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

// A permission value as the engine gives it, taken as a 32-bit number.
std::int32_t permissionValue(const Variant &document)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(document.get("Permissions").toInt64()));
}

} // namespace

PermissionsPage::PermissionsPage(engine::TMSAccess &access, QListWidget *users, QListWidget *groups, QWidget *parent)
    : QWidget(parent), access_(access), users_(users), groups_(groups)
{
    setObjectName(QStringLiteral("tsPerms"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(createObjectsGroup(), 1);
    layout->addWidget(createPermissionsGroup());
}

QWidget *PermissionsPage::createObjectsGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Objects "), this);
    group->setObjectName(QStringLiteral("gbObjects"));
    rbUsers = new QRadioButton(QStringLiteral("Users"), group);
    rbUsers->setObjectName(QStringLiteral("rbUsers"));
    rbUsers->setChecked(true);
    rbGrps = new QRadioButton(QStringLiteral("Groups"), group);
    rbGrps->setObjectName(QStringLiteral("rbGrps"));
    lbAcc = new QListWidget(group);
    lbAcc->setObjectName(QStringLiteral("lbAcc"));
    cbObj = new QComboBox(group);
    cbObj->setObjectName(QStringLiteral("cbObj"));
    lbObj = new QListWidget(group);
    lbObj->setObjectName(QStringLiteral("lbObj"));

    // Only the button that becomes chosen reports; a click on the chosen one changes nothing.
    connect(rbUsers, &QRadioButton::toggled, this, [this](bool on) { if (on) rbClick(); });
    connect(rbGrps, &QRadioButton::toggled, this, [this](bool on) { if (on) rbClick(); });
    connect(lbAcc, &QListWidget::itemSelectionChanged, this, &PermissionsPage::lbObjClick);
    connect(lbObj, &QListWidget::itemSelectionChanged, this, &PermissionsPage::lbObjClick);
    connect(cbObj, &QComboBox::currentIndexChanged, this, &PermissionsPage::cbObjChange);

    auto *radios = new QHBoxLayout;
    radios->addWidget(rbUsers);
    radios->addWidget(rbGrps);
    radios->addStretch();
    auto *left = new QVBoxLayout;
    left->addLayout(radios);
    left->addWidget(lbAcc);
    auto *right = new QVBoxLayout;
    right->addWidget(cbObj);
    right->addWidget(lbObj);
    auto *layout = new QHBoxLayout(group);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
    return group;
}

QCheckBox *PermissionsPage::makeBox(Box b, const char *name, const QString &caption)
{
    auto *check = new QCheckBox(caption, this);
    check->setObjectName(QLatin1String(name));
    boxWidgets_[static_cast<int>(b)] = check;
    return check;
}

QWidget *PermissionsPage::createPermissionsGroup()
{
    auto *group = new QGroupBox(QStringLiteral(" Permissions "), this);
    group->setObjectName(QStringLiteral("gbPermissions"));
    cbxCreate = makeBox(Box::Create, "cbxCreate", QStringLiteral("Create / Open"));
    cbxReadDef = makeBox(Box::ReadDef, "cbxReadDef", QStringLiteral("Read definition"));
    cbxExclusive = makeBox(Box::Exclusive, "cbxExclusive", QStringLiteral("Exclusive access"));
    cbxChngDef = makeBox(Box::ChngDef, "cbxChngDef", QStringLiteral("Change definition"));
    cbxAdmin = makeBox(Box::Admin, "cbxAdmin", QStringLiteral("Administration"));
    cbxReadData = makeBox(Box::ReadData, "cbxReadData", QStringLiteral("Retrieve data"));
    cbxChngData = makeBox(Box::ChngData, "cbxChngData", QStringLiteral("Change data"));
    cbxInsData = makeBox(Box::InsData, "cbxInsData", QStringLiteral("Insert data"));
    cbxDeldata = makeBox(Box::DelData, "cbxDeldata", QStringLiteral("Delete data"));
    for (QCheckBox *check : boxWidgets_)
        check->setParent(group);
    cbxExclusive->hide();
    bApply = new QPushButton(QStringLiteral("Apply"), group);
    bApply->setObjectName(QStringLiteral("bApply"));
    lOwner = new QLabel(group);
    lOwner->setObjectName(QStringLiteral("lOwner"));
    lOwner->setTextFormat(Qt::PlainText);
    bOwner = new QPushButton(QStringLiteral("Owner..."), group);
    bOwner->setObjectName(QStringLiteral("bOwner"));
    bOwner->setEnabled(false);

    connect(cbxCreate, &QCheckBox::clicked, this, [this] { boxClicked(Box::Create); });
    connect(cbxExclusive, &QCheckBox::clicked, this, [this] { boxClicked(Box::Exclusive); });
    connect(cbxReadDef, &QCheckBox::clicked, this, &PermissionsPage::cbxReadDefClick);
    connect(cbxChngDef, &QCheckBox::clicked, this, &PermissionsPage::cbxChngDefClick);
    connect(cbxAdmin, &QCheckBox::clicked, this, &PermissionsPage::cbxAdminClick);
    connect(cbxReadData, &QCheckBox::clicked, this, &PermissionsPage::cbxReadDataClick);
    for (QCheckBox *check : {cbxChngData, cbxInsData, cbxDeldata})
        connect(check, &QCheckBox::clicked, this, &PermissionsPage::cbxChngDataClick);
    connect(bApply, &QPushButton::clicked, this, &PermissionsPage::bApplyClick);
    connect(bOwner, &QPushButton::clicked, this, &PermissionsPage::bOwnerClick);

    auto *picture = new QLabel(group);
    picture->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(16, 16));
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->addWidget(cbxCreate, 0, 0);
    // "Exclusive access" stands exactly where "Read definition" does; one of them is shown.
    grid->addWidget(cbxReadDef, 1, 0);
    grid->addWidget(cbxExclusive, 1, 0);
    grid->addWidget(cbxChngDef, 2, 0);
    grid->addWidget(cbxAdmin, 3, 0);
    grid->addWidget(cbxReadData, 0, 1);
    grid->addWidget(cbxChngData, 1, 1);
    grid->addWidget(cbxInsData, 2, 1);
    grid->addWidget(cbxDeldata, 3, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(grid, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lOwner, 1);
    bottom->addWidget(bOwner);
    bottom->addWidget(bApply);
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addLayout(top);
    layout->addLayout(bottom);

    setTabOrder(cbxCreate, cbxReadDef);
    setTabOrder(cbxReadDef, cbxChngDef);
    setTabOrder(cbxChngDef, cbxAdmin);
    setTabOrder(cbxAdmin, cbxReadData);
    setTabOrder(cbxReadData, cbxChngData);
    setTabOrder(cbxChngData, cbxInsData);
    setTabOrder(cbxInsData, cbxDeldata);
    setTabOrder(cbxDeldata, cbxExclusive);
    setTabOrder(cbxExclusive, bApply);
    setTabOrder(bApply, bOwner);
    return group;
}

void PermissionsPage::Open()
{
    {
        const QSignalBlocker blocker(cbObj);
        cbObj->clear();
        const std::int32_t count = access_.ContainerCount();
        for (std::int32_t i = 0; i < count; ++i)
            cbObj->addItem(text(access_.GetContainer(i).get("Name").toText()));
    }
    FPermObject.clear();
    FPermAccount.clear();
    FPermContainer = -1;
    rbClick();
    {
        const QSignalBlocker blocker(cbObj);
        cbObj->setCurrentIndex(cbObj->count() > 0 ? 0 : -1);
    }
    cbObjChange();
    accounts::selectFirst(lbObj);
    accounts::selectFirst(lbAcc);
    lbObjClick();
}

ContainerKind PermissionsPage::kindOf(int containerIndex) const
{
    return accounts::containerKind(cbObj->itemText(containerIndex).toStdString());
}

void PermissionsPage::cbObjChange()
{
    ConfirmPendingPermissions();
    QStringList names;
    if (cbObj->currentIndex() >= 0) {
        const Variant documents = access_.GetContainer(cbObj->currentIndex()).get("Documents");
        const std::int32_t count = documents.get("Count").toInt();
        for (std::int32_t i = 0; i < count; ++i)
            names << text(documents.item(i).get("Name").toText());
    }
    accounts::replaceItems(lbObj, names);

    const ContainerKind kind = kindOf(cbObj->currentIndex());
    cbxExclusive->setVisible(accounts::PermissionBoxes::visible(Box::Exclusive, kind));
    cbxReadDef->setVisible(accounts::PermissionBoxes::visible(Box::ReadDef, kind));
    for (Box b : {Box::Create, Box::ReadDef, Box::ChngDef, Box::ReadData, Box::ChngData, Box::InsData, Box::DelData})
        box(b)->setEnabled(accounts::PermissionBoxes::enabled(b, kind));
    boxes_.setRulesActive(kind != ContainerKind::Databases);

    accounts::selectFirst(lbObj);
    // The question was just asked; a No must not bring it back for the same change.
    loadSelection();
}

void PermissionsPage::rbClick()
{
    ConfirmPendingPermissions();
    accounts::replaceItems(lbAcc, accounts::itemTexts(rbUsers->isChecked() ? users_ : groups_));
    accounts::selectFirst(lbAcc);
    loadSelection();
}

void PermissionsPage::lbObjClick()
{
    LoadPermissions();
}

void PermissionsPage::LoadPermissions()
{
    ConfirmPendingPermissions();
    loadSelection();
}

// The permissions of the selected account on the selected document into the boxes.
void PermissionsPage::loadSelection()
{
    if (!accounts::hasSelection(lbObj) || !accounts::hasSelection(lbAcc)) {
        if (!accounts::hasSelection(lbObj))
            showOwner(Variant());
        return;
    }
    FPermAccount = accounts::selectedText(lbAcc);
    FPermObject = accounts::selectedText(lbObj);
    FPermContainer = cbObj->currentIndex();
    const Variant document = FindPermDocument();
    if (!document.isObject())
        return;
    showOwner(document);
    std::int32_t value = 0;
    try {
        document.put("Username", FPermAccount.toStdString());
        value = permissionValue(document);
    } catch (...) {
        forgetDocument();
        throw;
    }
    boxes_.load(value, kindOf(FPermContainer));
    showBoxes();
}

// Permissions that could not be read count as not loaded, so that the guard stays silent and
// the next selection can load; else one refused read would refuse every click after it.
void PermissionsPage::forgetDocument()
{
    FPermObject.clear();
    FPermAccount.clear();
    FPermContainer = -1;
}

// The document the boxes are about: the first of that exact name in its container; Empty when
// nothing has been loaded or the document is gone.
Variant PermissionsPage::FindPermDocument()
{
    if (FPermContainer < 0 || FPermObject.isEmpty())
        return {};
    const std::string name = FPermObject.toStdString();
    const Variant documents = access_.GetContainer(FPermContainer).get("Documents");
    const std::int32_t count = documents.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        Variant document = documents.item(i);
        if (document.get("Name").toText() == name)
            return document;
    }
    return {};
}

bool PermissionsPage::PermissionsChanged()
{
    const Variant document = FindPermDocument();
    if (!document.isObject())
        return false;
    std::int32_t value = 0;
    try {
        document.put("Username", FPermAccount.toStdString());
        value = permissionValue(document);
    } catch (...) {
        forgetDocument();
        throw;
    }
    return boxes_.differsFrom(value, kindOf(FPermContainer));
}

void PermissionsPage::ApplyPermissions()
{
    const Variant document = FindPermDocument();
    if (!document.isObject())
        return;
    document.put("Username", FPermAccount.toStdString());
    const std::int32_t value = boxes_.applyTo(permissionValue(document), kindOf(FPermContainer));
    document.put("Permissions", value);
}

void PermissionsPage::ConfirmPendingPermissions()
{
    if (!PermissionsChanged())
        return;
    const auto answer = Prompts::current().message(this, Prompts::Kind::Warning, QApplication::applicationDisplayName(),
                                                   QStringLiteral("Permissions was changed.\r\n\r\nApply changes?"),
                                                   QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        ApplyPermissions();
}

void PermissionsPage::bApplyClick()
{
    ApplyPermissions();
    lbObjClick();
}

void PermissionsPage::boxClicked(Box b)
{
    boxes_.set(b, box(b)->isChecked());
    showBoxes();
}

void PermissionsPage::cbxReadDefClick()
{
    boxClicked(Box::ReadDef);
}

void PermissionsPage::cbxChngDefClick()
{
    boxClicked(Box::ChngDef);
}

void PermissionsPage::cbxAdminClick()
{
    boxClicked(Box::Admin);
}

void PermissionsPage::cbxReadDataClick()
{
    boxClicked(Box::ReadData);
}

void PermissionsPage::cbxChngDataClick()
{
    if (sender() == cbxInsData)
        boxClicked(Box::InsData);
    else if (sender() == cbxDeldata)
        boxClicked(Box::DelData);
    else
        boxClicked(Box::ChngData);
}

void PermissionsPage::showBoxes()
{
    for (int i = 0; i < accounts::kBoxCount; ++i)
        boxWidgets_[i]->setChecked(boxes_.checked(static_cast<Box>(i)));
}

// The owner of the document shown; the owner (or a member of a group that owns it) and members
// of Admins may hand it to another account.
void PermissionsPage::showOwner(const Variant &document)
{
    if (!document.isObject()) {
        lOwner->clear();
        bOwner->setEnabled(false);
        return;
    }
    const QString owner = text(document.get("Owner").toText());
    lOwner->setText(QStringLiteral("Owner: %1").arg(owner));
    bOwner->setEnabled(mayChangeOwner(owner));
}

bool PermissionsPage::mayChangeOwner(const QString &owner)
{
    const std::string user = access_.GetCurrentUser();
    std::vector<std::string> groups;
    access_.GetUserGroups(user, groups);
    groups.push_back(user);
    for (const std::string &account : groups)
        if (automation::equalsNoCase(account, owner.toStdString()) || automation::equalsNoCase(account, "Admins"))
            return true;
    return false;
}

void PermissionsPage::bOwnerClick()
{
    const Variant document = FindPermDocument();
    if (!document.isObject())
        return;
    TdlgOwner dialog(FPermObject, accounts::itemTexts(users_), accounts::itemTexts(groups_),
                     text(document.get("Owner").toText()), this);
    if (Prompts::current().exec(&dialog) != QDialog::Accepted || dialog.owner().isEmpty())
        return;
    document.put("Owner", dialog.owner().toStdString());
    showOwner(document);
}
