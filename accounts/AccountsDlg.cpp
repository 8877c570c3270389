#include "AccountsDlg.h"

#include "ChngPwdDlg.h"
#include "DialogFont.h"
#include "ListBoxes.h"
#include "NewAccDlg.h"
#include "PermissionsPage.h"
#include "app/ProductLabel.h"
#include "app/Prompts.h"
#include "engine/MSAccess.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using accounts::hasSelection;
using accounts::selectedText;

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &caption, bool enabled)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setEnabled(enabled);
    b->setAutoDefault(false);
    return b;
}

QListWidget *listBox(QWidget *parent, const char *name)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

std::string str(const QString &s)
{
    return s.toStdString();
}

} // namespace

TdlgAccounts::TdlgAccounts(engine::TMSAccess &access, QWidget *parent) : QDialog(parent), access_(access)
{
    setObjectName(QStringLiteral("dlgAccounts"));
    setWindowTitle(QStringLiteral("Accounts"));
    setFont(accounts::dialogFont());

    pc = new QTabWidget(this);
    pc->setObjectName(QStringLiteral("pc"));
    tsUsers = createUsersPage();
    tsGroups = createGroupsPage();
    tsPerms = new PermissionsPage(access_, lbUsers, lbGroups, pc);
    pc->addTab(tsUsers, QStringLiteral(" Users "));
    pc->addTab(tsGroups, QStringLiteral(" Groups "));
    pc->addTab(tsPerms, QStringLiteral(" Permissions "));
    connect(pc, &QTabWidget::currentChanged, this, [this](int page) {
        const int left = currentPage_;
        currentPage_ = page;
        pcChanging(left);
    });

    bOK = new QPushButton(QStringLiteral("OK"), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    connect(bOK, &QPushButton::clicked, this, &TdlgAccounts::bOKClick);
    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(6, 0, 6, 0);
    bottom->addWidget(createProductLabel(this));
    bottom->addStretch();
    bottom->addWidget(bOK);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 6);
    layout->addWidget(pc, 1);
    layout->addLayout(bottom);
    setFixedSize(356, 418);

    // As a form's creation handler: an engine error of the opening steps is reported and the
    // dialog still opens with what could be read, so that, for one, an account that may not read
    // the first account's permissions can still change its own password.
    try {
        FormCreate();
    } catch (...) {
        openingError_ = std::current_exception();
    }
}

QWidget *TdlgAccounts::createUsersPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsUsers"));

    auto *names = new QGroupBox(QStringLiteral(" User names "), page);
    names->setObjectName(QStringLiteral("gbUsers"));
    lbUsers = listBox(names, "lbUsers");
    bAddUser = button(names, "bAddUser", QStringLiteral("New..."), true);
    bDelUser = button(names, "bDelUser", QStringLiteral("Remove"), false);
    bChngPwd = button(names, "bChngPwd", QStringLiteral("Change password..."), false);
    auto *userButtons = new QVBoxLayout;
    userButtons->addWidget(bAddUser);
    userButtons->addWidget(bDelUser);
    userButtons->addWidget(bChngPwd);
    userButtons->addStretch();
    auto *namesLayout = new QHBoxLayout(names);
    namesLayout->setContentsMargins(6, 4, 6, 6);
    namesLayout->addWidget(lbUsers, 1);
    namesLayout->addLayout(userButtons);

    auto *membership = new QGroupBox(QStringLiteral(" Membership "), page);
    membership->setObjectName(QStringLiteral("gbMembership"));
    lbMGrps = listBox(membership, "lbMGrps");
    lbMember = listBox(membership, "lbMember");
    bAddMember = button(membership, "bAddMember", QStringLiteral("Add >>"), false);
    bDelMember = button(membership, "bDelMember", QStringLiteral("<< Remove"), false);
    auto *middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(bAddMember);
    middle->addWidget(bDelMember);
    middle->addStretch();
    auto *grid = new QGridLayout(membership);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->addWidget(new QLabel(QStringLiteral("Groups"), membership), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Member of"), membership), 0, 2);
    grid->addWidget(lbMGrps, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(lbMember, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    connect(lbUsers, &QListWidget::itemSelectionChanged, this, &TdlgAccounts::lbUsersClick);
    connect(lbMGrps, &QListWidget::itemSelectionChanged, this, &TdlgAccounts::lbMGrpsClick);
    connect(lbMember, &QListWidget::itemSelectionChanged, this, &TdlgAccounts::lbMemberClick);
    connect(bAddUser, &QPushButton::clicked, this, &TdlgAccounts::cmAddUser);
    connect(bDelUser, &QPushButton::clicked, this, &TdlgAccounts::cmDelUser);
    connect(bChngPwd, &QPushButton::clicked, this, &TdlgAccounts::cmChngPwd);
    connect(bAddMember, &QPushButton::clicked, this, &TdlgAccounts::cmAddMember);
    connect(bDelMember, &QPushButton::clicked, this, &TdlgAccounts::bDelMemberClick);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(names, 1);
    layout->addWidget(membership, 1);
    return page;
}

QWidget *TdlgAccounts::createGroupsPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsGroups"));
    auto *names = new QGroupBox(QStringLiteral(" Group names "), page);
    names->setObjectName(QStringLiteral("gbGroups"));
    lbGroups = listBox(names, "lbGroups");
    bAddGrp = button(names, "bAddGrp", QStringLiteral("New..."), true);
    bDelGrp = button(names, "bDelGrp", QStringLiteral("Remove"), false);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(bAddGrp);
    buttons->addWidget(bDelGrp);
    buttons->addStretch();
    auto *namesLayout = new QHBoxLayout(names);
    namesLayout->setContentsMargins(6, 4, 6, 6);
    namesLayout->addWidget(lbGroups, 1);
    namesLayout->addLayout(buttons);

    connect(lbGroups, &QListWidget::itemSelectionChanged, this, &TdlgAccounts::lbGroupsClick);
    connect(bAddGrp, &QPushButton::clicked, this, &TdlgAccounts::cmAddGrp);
    connect(bDelGrp, &QPushButton::clicked, this, &TdlgAccounts::cmDelGrp);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(names);
    return page;
}

void TdlgAccounts::FormCreate()
{
    pc->setCurrentWidget(tsUsers);
    RefreshUsers();
    RefreshGroups();
    tsPerms->Open();
}

void TdlgAccounts::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (openingError_) {
        const std::exception_ptr error = openingError_;
        openingError_ = nullptr;
        std::rethrow_exception(error);
    }
}

// A refresh leaves its list without a selection and every button as it was.
void TdlgAccounts::RefreshUsers()
{
    std::vector<std::string> names;
    const std::int32_t count = access_.UserCount();
    for (std::int32_t i = 0; i < count; ++i)
        names.push_back(access_.GetUserName(i));
    accounts::replaceItems(lbUsers, names);
}

void TdlgAccounts::RefreshGroups()
{
    std::vector<std::string> names;
    const std::int32_t count = access_.GroupCount();
    for (std::int32_t i = 0; i < count; ++i)
        names.push_back(access_.GetGroupName(i));
    accounts::replaceItems(lbGroups, names);
    accounts::replaceItems(lbMGrps, accounts::itemTexts(lbGroups));
}

// "Member of" lists the groups of the selected user.
void TdlgAccounts::RenewMembership()
{
    const QSignalBlocker blocker(lbMember);
    lbMember->clear();
    std::vector<std::string> groups;
    access_.GetUserGroups(str(selectedText(lbUsers)), groups);
    accounts::replaceItems(lbMember, groups);
}

void TdlgAccounts::lbUsersClick()
{
    RenewMembership();
    bDelUser->setEnabled(hasSelection(lbUsers));
    bChngPwd->setEnabled(bDelUser->isEnabled());
}

void TdlgAccounts::lbGroupsClick()
{
    bDelGrp->setEnabled(hasSelection(lbGroups));
}

void TdlgAccounts::lbMGrpsClick()
{
    bAddMember->setEnabled(hasSelection(lbMGrps));
}

void TdlgAccounts::lbMemberClick()
{
    bDelMember->setEnabled(hasSelection(lbMember));
}

void TdlgAccounts::cmAddUser()
{
    ShowNewAccountDialog(access_, this, false);
    RefreshUsers();
}

void TdlgAccounts::cmAddGrp()
{
    ShowNewAccountDialog(access_, this, true);
    RefreshGroups();
}

void TdlgAccounts::cmDelUser()
{
    if (!hasSelection(lbUsers) || !Prompts::confirm(this, QStringLiteral("Delete selected user?")))
        return;
    access_.DeleteUser(str(selectedText(lbUsers)));
    RefreshUsers();
}

void TdlgAccounts::cmDelGrp()
{
    if (!hasSelection(lbGroups) || !Prompts::confirm(this, QStringLiteral("Delete selected group?")))
        return;
    access_.DeleteGroup(str(selectedText(lbGroups)));
    if (bDelUser->isEnabled() && hasSelection(lbUsers))
        RenewMembership();
    RefreshGroups();
}

void TdlgAccounts::cmChngPwd()
{
    if (hasSelection(lbUsers))
        ShowChangePasswordDialog(access_, this, selectedText(lbUsers));
}

void TdlgAccounts::cmAddMember()
{
    if (!hasSelection(lbMGrps) || !hasSelection(lbUsers))
        return;
    access_.AddUserToGroup(str(selectedText(lbUsers)), str(selectedText(lbMGrps)));
    RenewMembership();
}

void TdlgAccounts::bDelMemberClick()
{
    if (!hasSelection(lbMember) || !hasSelection(lbUsers))
        return;
    access_.RemoveUserFromGroup(str(selectedText(lbUsers)), str(selectedText(lbMember)));
    RenewMembership();
}

// The page change is always allowed; leaving the Permissions page first settles its changes.
void TdlgAccounts::pcChanging(int leftPage)
{
    if (pc->widget(leftPage) == tsPerms)
        tsPerms->ConfirmPendingPermissions();
}

void TdlgAccounts::bOKClick()
{
    tsPerms->ConfirmPendingPermissions();
    accept();
}
