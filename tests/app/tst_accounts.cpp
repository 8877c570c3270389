// The accounts dialog, its permissions page and the new-account, change-password and owner
// dialogs, offscreen, on real workgroup and database files made through the engine, with scripted
// answers to their questions.

#include "accounts/AccountsDialogs.h"
#include "accounts/AccountsDlg.h"
#include "accounts/ChngPwdDlg.h"
#include "accounts/NewAccDlg.h"
#include "accounts/OwnerDlg.h"
#include "accounts/PermissionBoxes.h"
#include "accounts/PermissionsPage.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/Error.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "fakes/FakeObject.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <map>
#include <memory>

using accounts::Box;
using accounts::ContainerKind;
using accounts::PermissionBoxes;
using automation::Variant;

Q_DECLARE_METATYPE(accounts::ContainerKind)

namespace {

const char *const kBoxNames[] = {"cbxCreate",   "cbxReadDef",  "cbxExclusive", "cbxChngDef", "cbxAdmin",
                                 "cbxReadData", "cbxChngData", "cbxInsData",   "cbxDeldata"};

QStringList itemsOf(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QString selectedOf(const QListWidget *list)
{
    const auto items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

// The names of the boxes that are on, in the boxes' order; with a kind, only those that take
// part for it.
QStringList onBoxes(const PermissionBoxes &boxes, std::optional<ContainerKind> kind = std::nullopt)
{
    QStringList out;
    for (int i = 0; i < accounts::kBoxCount; ++i)
        if (boxes.checked(Box(i)) && (!kind || PermissionBoxes::mask(Box(i), *kind)))
            out << kBoxNames[i];
    return out;
}

// A document that keeps a mask per account, as the engine does; for containers the engine has
// no documents in (forms).
class FakeDocument : public automation::Object {
public:
    explicit FakeDocument(std::string name) : name_(std::move(name)) {}
    std::string_view className() const override { return "Document"; }
    std::map<std::string, std::int32_t> masks;

protected:
    Variant invoke(automation::Invoke kind, const std::string &m, const automation::Args &args) override
    {
        if (kind == automation::Invoke::Put) {
            if (m == "username")
                user_ = arg(args, 0).toText();
            else if (m == "permissions")
                masks[user_] = arg(args, 0).toInt();
            else
                readOnly(m);
            return {};
        }
        if (m == "name")
            return name_;
        if (m == "owner")
            return std::string("Admin");
        if (m == "permissions")
            return masks[user_];
        noMember(m);
    }

private:
    std::string name_, user_;
};

} // namespace

class TestAccounts : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // rules of the boxes
    void boxRulesChain_data();
    void boxRulesChain();
    void boxesPerContainer_data();
    void boxesPerContainer();
    void applyKeepsOtherBits_data();
    void applyKeepsOtherBits();

    // frame, Users and Groups pages
    void accountsCommandOpensTheModalDialog_data();
    void accountsCommandOpensTheModalDialog();
    void openingShowsTheWorkgroup();
    void selectingAUserShowsItsGroups();
    void refreshLeavesButtonsEnabledThatThenDoNothing();
    void newAccountCreatesAndRefreshes_data();
    void newAccountCreatesAndRefreshes();
    void deleteUserAsksFirst_data();
    void deleteUserAsksFirst();
    void deleteGroupRenewsMemberOfFirst();
    void addMemberWithoutUserDoesNothing();
    void membershipAddAndRemove();
    void changePasswordThroughTheDialog();
    void engineRefusalLeavesTheDialogAsItWas();
    void accountWithoutRightsStillOpensTheDialog();

    // Permissions page
    void pageShowsContainersAndDocumentsInEngineOrder();
    void changeDefinitionOnReadOnlyTableApplies();
    void consistentValueLoadsSilently();
    void inconsistentValueLoadsAsChanged();
    void databasesContainerUsesItsOwnBits();
    void retrieveDataOffKeepsReadDefinition();
    void guardOnAnotherSelection_data();
    void guardOnAnotherSelection();
    void leavingThePageAsksOnce();
    void okAppliesThroughTheGuard();
    void switchingToGroupsKeepsTheDocument();
    void tableAndFormOfTheSameNameAreApart();
    void grantIsEnforcedForThatUser();
    void revokedRightIsNotCompletedByAGroup();

    // owner
    void ownerIsShownAndChangedByAdmins();
    void ownerCannotBeChangedByOthers();

    // new account and change password dialogs
    void newAccountOkRule_data();
    void newAccountOkRule();
    void newAccountEnterWithDisabledOk();
    void fieldLimits();
    void newAccountTextsAreNotTrimmed();
    void passwordsMustMatch_data();
    void passwordsMustMatch();
    void emptyPasswordsMatch();
    void cancelledDialogsChangeNothing();

private:
    template <class T>
    T *child(const char *name) const
    {
        T *w = dialog->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QListWidget *list(const char *name) const { return child<QListWidget>(name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QCheckBox *box(const char *name) const { return child<QCheckBox>(name); }
    PermissionsPage *page() const { return dialog->permissionsPage(); }

    bool logIn(const QString &user, const QString &password);
    void openDialog();
    void select(const char *listName, const QString &text);
    void showPermissions(const QString &container, const QString &document, const QString &account);
    QStringList workgroupUsers();
    QStringList groupsOf(const QString &user);
    Variant document(const QString &container, const QString &name);
    std::int32_t stored(const QString &container, const QString &name, const QString &account);
    void store(const QString &container, const QString &name, const QString &account, std::int32_t mask);
    int runSql(const QString &user, const QString &password, const QString &sql, QString *output = nullptr);

    QTemporaryDir templates;
    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<engine::TMSAccess> access;
    std::unique_ptr<TdlgAccounts> dialog;
    QString mdw, db;
};

void TestAccounts::initTestCase()
{
    dbengine::registerEngine();
    registerAccountsDialogs();
    // The files are made once (password hashing is slow by design) and copied for each test.
    QVERIFY(templates.isValid());
    const QString mdwTemplate = templates.filePath("team.mdw");
    const QString dbTemplate = templates.filePath("shop.mdb");
    Variant(automation::Registry::instance().createInstance("DAO.DBEngine.36"))
        .call("CreateWorkgroup", {mdwTemplate.toStdString(), "Team", "Velmora", "team-0001"});
    engine::TMSAccess maker;
    maker.setDAOType(2);
    maker.SystemDB = mdwTemplate.toStdString();
    maker.setEngineActive(true);
    QVERIFY2(maker.EngineActive(), maker.LastError.c_str());
    maker.UserName = "Admin";
    maker.setWorkspaceOpen(true);
    QVERIFY2(maker.WorkspaceOpen(), maker.LastError.c_str());
    maker.CreateUser("ann", "ann-pid", "ann-pw");
    maker.CreateUser("bob", "bob-pid", "");
    maker.CreateGroup("Clerks", "clerks-pid");
    maker.AddUserToGroup("ann", "Clerks");
    Variant made = maker.Workspace.call("CreateDatabase", {dbTemplate.toStdString()});
    for (const char *sql : {"CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Company TEXT(40))",
                            "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID LONG)",
                            "INSERT INTO Customers VALUES (1, 'Alpha'), (2, 'Beta')"})
        made.call("Execute", {sql});
    made.call("CreateQueryDef", {"BigOrders", "SELECT * FROM Orders WHERE OrderID > 10"});
    made.call("Close");
    maker.setEngineActive(false);
}

// A workgroup with ann (in Clerks, password "ann-pw") and bob (no password), and a database with
// two tables and a saved query, made by Admin; Admin is logged in.
void TestAccounts::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    mdw = home->path("team.mdw");
    db = home->path("shop.mdb");
    QVERIFY(QFile::copy(templates.filePath("team.mdw"), mdw));
    QVERIFY(QFile::copy(templates.filePath("shop.mdb"), db));
    access = std::make_unique<engine::TMSAccess>();
    access->setDAOType(2);
    access->SystemDB = mdw.toStdString();
    access->setEngineActive(true);
    QVERIFY2(access->EngineActive(), access->LastError.c_str());
    QVERIFY(logIn("Admin", ""));
}

void TestAccounts::cleanup()
{
    dialog.reset();
    access.reset();
    prompts.reset();
    home.reset();
}

bool TestAccounts::logIn(const QString &user, const QString &password)
{
    dialog.reset();
    access->setWorkspaceOpen(false);
    access->UserName = user.toStdString();
    access->Password = password.toStdString();
    access->setWorkspaceOpen(true);
    access->DatabaseName = db.toStdString();
    access->setDatabaseOpen(true);
    return access->DatabaseOpen();
}

void TestAccounts::openDialog()
{
    dialog = std::make_unique<TdlgAccounts>(*access);
    dialog->show();
}

// As a user's click: the list's handler runs.
void TestAccounts::select(const char *listName, const QString &text)
{
    QListWidget *l = list(listName);
    const auto found = l->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(QString::fromLatin1(listName) + ": " + text));
    l->setCurrentItem(found.first());
}

void TestAccounts::showPermissions(const QString &container, const QString &name, const QString &account)
{
    child<QTabWidget>("pc")->setCurrentWidget(page());
    auto *cbObj = child<QComboBox>("cbObj");
    if (cbObj->currentText() != container)
        cbObj->setCurrentIndex(cbObj->findText(container));
    QCOMPARE(cbObj->currentText(), container);
    if (selectedOf(list("lbObj")) != name)
        select("lbObj", name);
    if (selectedOf(list("lbAcc")) != account)
        select("lbAcc", account);
    QCOMPARE(page()->FPermObject, name);
    QCOMPARE(page()->FPermAccount, account);
}

QStringList TestAccounts::workgroupUsers()
{
    QStringList out;
    for (int i = 0; i < access->UserCount(); ++i)
        out << QString::fromStdString(access->GetUserName(i));
    return out;
}

QStringList TestAccounts::groupsOf(const QString &user)
{
    std::vector<std::string> groups;
    access->GetUserGroups(user.toStdString(), groups);
    QStringList out;
    for (const auto &g : groups)
        out << QString::fromStdString(g);
    return out;
}

Variant TestAccounts::document(const QString &container, const QString &name)
{
    return access->GetContainerByName(container.toStdString()).get("Documents").item(name.toStdString());
}

std::int32_t TestAccounts::stored(const QString &container, const QString &name, const QString &account)
{
    Variant d = document(container, name);
    d.put("Username", account.toStdString());
    return d.get("Permissions").toInt();
}

void TestAccounts::store(const QString &container, const QString &name, const QString &account, std::int32_t mask)
{
    Variant d = document(container, name);
    d.put("Username", account.toStdString());
    d.put("Permissions", mask);
}

int TestAccounts::runSql(const QString &user, const QString &password, const QString &sql, QString *output)
{
    QProcess p;
    p.start(QStringLiteral(JW_CLI),
            {"--system-db", mdw, "--user", user, "--password", password, db});
    p.write(sql.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// ---- rules of the boxes ----

void TestAccounts::boxRulesChain_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QStringList>("after");
    const QStringList all{"cbxReadDef", "cbxChngDef", "cbxAdmin", "cbxReadData", "cbxChngData", "cbxInsData", "cbxDeldata"};
    QTest::newRow("insert data on chains to read definition")
        << QStringList{} << "cbxInsData" << true << QStringList{"cbxReadDef", "cbxReadData", "cbxInsData"};
    QTest::newRow("change definition on")
        << QStringList{} << "cbxChngDef" << true
        << QStringList{"cbxReadDef", "cbxChngDef", "cbxReadData", "cbxChngData", "cbxDeldata"};
    QTest::newRow("administration on turns on all but create") << QStringList{} << "cbxAdmin" << true << all;
    QTest::newRow("administration off changes nothing else")
        << all << "cbxAdmin" << false << QStringList(all).filter(QRegularExpression("^(?!cbxAdmin$)"));
    QTest::newRow("read definition off clears every other right") << (QStringList{"cbxCreate"} + all) << "cbxReadDef"
                                                                   << false << QStringList{"cbxCreate"};
    QTest::newRow("retrieve data off keeps read definition")
        << all << "cbxReadData" << false << QStringList{"cbxReadDef"};
    QTest::newRow("change definition off clears administration")
        << all << "cbxChngDef" << false
        << QStringList{"cbxReadDef", "cbxReadData", "cbxChngData", "cbxInsData", "cbxDeldata"};
    QTest::newRow("create is never touched") << QStringList{} << "cbxCreate" << true << QStringList{"cbxCreate"};
}

void TestAccounts::boxRulesChain()
{
    QFETCH(QStringList, before);
    QFETCH(QString, clicked);
    QFETCH(bool, on);
    QFETCH(QStringList, after);
    auto boxOf = [](const QString &name) {
        for (int i = 0; i < accounts::kBoxCount; ++i)
            if (name == kBoxNames[i])
                return Box(i);
        qFatal("no box %s", qPrintable(name));
    };
    PermissionBoxes boxes;
    boxes.setRulesActive(false);
    for (const QString &name : before)
        boxes.set(boxOf(name), true);
    boxes.setRulesActive(true);
    boxes.set(boxOf(clicked), on);
    QCOMPARE(onBoxes(boxes), after);

    // With a database document selected the rules do nothing.
    PermissionBoxes database;
    database.setRulesActive(false);
    for (const QString &name : before)
        database.set(boxOf(name), true);
    database.set(boxOf(clicked), on);
    QStringList expected = before;
    if (on)
        expected << clicked;
    else
        expected.removeAll(clicked);
    const QStringList shown = onBoxes(database);
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()), QSet<QString>(expected.begin(), expected.end()));
}

void TestAccounts::boxesPerContainer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<ContainerKind>("kind");
    QTest::addColumn<bool>("createEnabled");
    QTest::addColumn<bool>("dataEnabled");
    QTest::newRow("Databases") << "Databases" << ContainerKind::Databases << true << false;
    QTest::newRow("Tables") << "Tables" << ContainerKind::Tables << false << true;
    QTest::newRow("Forms") << "Forms" << ContainerKind::Forms << true << false;
    QTest::newRow("Reports") << "Reports" << ContainerKind::Reports << true << false;
    QTest::newRow("Scripts") << "Scripts" << ContainerKind::Scripts << true << false;
    QTest::newRow("Modules") << "Modules" << ContainerKind::Other << false << false;
    QTest::newRow("Relationships") << "Relationships" << ContainerKind::Other << false << false;
    QTest::newRow("letter case counts") << "tables" << ContainerKind::Other << false << false;
}

void TestAccounts::boxesPerContainer()
{
    QFETCH(QString, name);
    QFETCH(ContainerKind, kind);
    QFETCH(bool, createEnabled);
    QFETCH(bool, dataEnabled);
    QCOMPARE(accounts::containerKind(name.toStdString()), kind);
    QCOMPARE(PermissionBoxes::enabled(Box::Create, kind), createEnabled);
    for (Box b : {Box::ReadData, Box::ChngData, Box::InsData, Box::DelData})
        QCOMPARE(PermissionBoxes::enabled(b, kind), dataEnabled);
    QVERIFY(PermissionBoxes::enabled(Box::Admin, kind));
    const bool database = kind == ContainerKind::Databases;
    QCOMPARE(PermissionBoxes::enabled(Box::ReadDef, kind), !database);
    QCOMPARE(PermissionBoxes::enabled(Box::ChngDef, kind), !database);
    QCOMPARE(PermissionBoxes::visible(Box::ReadDef, kind), !database);
    QCOMPARE(PermissionBoxes::visible(Box::Exclusive, kind), database);
}

void TestAccounts::applyKeepsOtherBits_data()
{
    QTest::addColumn<ContainerKind>("kind");
    QTest::addColumn<std::int32_t>("stored");
    QTest::addColumn<QStringList>("on");
    QTest::addColumn<std::int32_t>("written");
    QTest::newRow("foreign bits of a table stay")
        << ContainerKind::Tables << std::int32_t(0x80100000) << QStringList{"cbxReadDef"} << std::int32_t(0x80100004);
    QTest::newRow("table boxes off clear only their bits")
        << ContainerKind::Tables << std::int32_t(0xFFFFF) << QStringList{} << std::int32_t(0xFFFFF & ~0x500FD);
    QTest::newRow("database: open (0x2) is no box's")
        << ContainerKind::Databases << std::int32_t(0x2) << QStringList{"cbxExclusive"} << std::int32_t(0x6);
    QTest::newRow("database: only 0x1, 0x4 and 0x8 cleared")
        << ContainerKind::Databases << std::int32_t(0xFFFFF) << QStringList{} << std::int32_t(0xFFFF2);
}

void TestAccounts::applyKeepsOtherBits()
{
    QFETCH(ContainerKind, kind);
    QFETCH(std::int32_t, stored);
    QFETCH(QStringList, on);
    QFETCH(std::int32_t, written);
    PermissionBoxes boxes;
    boxes.setRulesActive(false);
    for (int i = 0; i < accounts::kBoxCount; ++i)
        boxes.set(Box(i), on.contains(kBoxNames[i]));
    QCOMPARE(QString::number(quint32(boxes.applyTo(stored, kind)), 16), QString::number(quint32(written), 16));
}

// ---- frame, Users and Groups pages ----

void TestAccounts::accountsCommandOpensTheModalDialog_data()
{
    QTest::addColumn<bool>("toolButton");
    QTest::newRow("menu") << false;
    QTest::newRow("tool button") << true;
}

// The main window's command creates the dialog with itself as owner, shows it modally through
// the program's dialog runner and destroys it when it closes.
void TestAccounts::accountsCommandOpensTheModalDialog()
{
    QFETCH(bool, toolButton);
    access.reset();
    TfrmMain window;
    window.session().stopEngine();
    window.storage().setValue("SystemDB", mdw);
    QVERIFY(window.session().startEngine(2, mdw.toStdString()));
    window.show();
    window.OpenDatabaseFile(db);
    window.UpdateControls();
    QVERIFY(window.session().isOpen());
    QPointer<QDialog> shown;
    QStringList users;
    prompts->dialogs.push_back([&](QDialog *d) {
        shown = d;
        users = itemsOf(d->findChild<QListWidget *>("lbUsers"));
        return int(QDialog::Accepted);
    });
    if (toolButton)
        QTest::mouseClick(window.findChild<QToolButton *>("sbAccounts"), Qt::LeftButton);
    else
        window.findChild<QAction *>("mmAccounts")->trigger();
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgAccounts"});
    QVERIFY(prompts->textsOf("information").isEmpty());
    QCOMPARE(users, (QStringList{"Admin", "ann", "bob"}));
    QVERIFY(shown.isNull());
    prompts->buttons.push_back(QMessageBox::Yes);
    window.close();
}

void TestAccounts::openingShowsTheWorkgroup()
{
    openDialog();
    QCOMPARE(dialog->windowTitle(), QString("Accounts"));
    QCOMPARE(dialog->size(), QSize(356, 418));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    auto *pc = child<QTabWidget>("pc");
    QCOMPARE(pc->count(), 3);
    QCOMPARE(pc->tabText(0), QString(" Users "));
    QCOMPARE(pc->tabText(1), QString(" Groups "));
    QCOMPARE(pc->tabText(2), QString(" Permissions "));
    QCOMPARE(pc->currentWidget()->objectName(), QString("tsUsers"));
    QCOMPARE(child<QLabel>("lProduct")->text(), QString("Jetwarden"));
    QVERIFY(button("bOK")->isDefault());

    QCOMPARE(itemsOf(list("lbUsers")), workgroupUsers());
    QCOMPARE(itemsOf(list("lbUsers")), (QStringList{"Admin", "ann", "bob"}));
    QCOMPARE(itemsOf(list("lbGroups")), (QStringList{"Admins", "Clerks", "Users"}));
    QCOMPARE(itemsOf(list("lbMGrps")), itemsOf(list("lbGroups")));
    QVERIFY(itemsOf(list("lbMember")).isEmpty());
    for (const char *name : {"lbUsers", "lbGroups", "lbMGrps", "lbMember"})
        QVERIFY2(list(name)->selectedItems().isEmpty(), name);
    for (const char *name : {"bAddUser", "bAddGrp", "bOK"})
        QVERIFY2(button(name)->isEnabled(), name);
    for (const char *name : {"bDelUser", "bChngPwd", "bAddMember", "bDelMember", "bDelGrp"})
        QVERIFY2(!button(name)->isEnabled(), name);
    QVERIFY(prompts->asked.isEmpty());
}

void TestAccounts::selectingAUserShowsItsGroups()
{
    openDialog();
    select("lbUsers", "ann");
    QCOMPARE(itemsOf(list("lbMember")), groupsOf("ann"));
    QVERIFY(itemsOf(list("lbMember")).contains("Clerks"));
    QVERIFY(button("bDelUser")->isEnabled());
    QVERIFY(button("bChngPwd")->isEnabled());
    QVERIFY(!button("bDelMember")->isEnabled());
    select("lbUsers", "bob");
    QCOMPARE(itemsOf(list("lbMember")), (QStringList{"Users"}));
    select("lbMember", "Users");
    QVERIFY(button("bDelMember")->isEnabled());
    list("lbUsers")->clearSelection();
    QVERIFY(!button("bDelUser")->isEnabled());
    QVERIFY(!button("bChngPwd")->isEnabled());
    QVERIFY(button("bDelMember")->isEnabled());
}

// After a refresh no user is selected but the buttons stay enabled; they then do nothing.
void TestAccounts::refreshLeavesButtonsEnabledThatThenDoNothing()
{
    openDialog();
    select("lbUsers", "bob");
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("carl");
        d->findChild<QLineEdit *>("ePID")->setText("carl-pid");
        return int(QDialog::Accepted);
    });
    button("bAddUser")->click();
    QCOMPARE(itemsOf(list("lbUsers")), (QStringList{"Admin", "ann", "bob", "carl"}));
    QVERIFY(list("lbUsers")->selectedItems().isEmpty());
    QVERIFY(button("bDelUser")->isEnabled());
    QVERIFY(button("bChngPwd")->isEnabled());
    QCOMPARE(itemsOf(list("lbMember")), (QStringList{"Users"}));
    const int asked = prompts->asked.size();
    button("bDelUser")->click();
    button("bChngPwd")->click();
    QCOMPARE(prompts->asked.size(), asked);
    QCOMPARE(workgroupUsers(), (QStringList{"Admin", "ann", "bob", "carl"}));
}

void TestAccounts::newAccountCreatesAndRefreshes_data()
{
    QTest::addColumn<bool>("group");
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("user") << false << true;
    QTest::newRow("group") << true << true;
    QTest::newRow("user cancelled") << false << false;
    QTest::newRow("group cancelled") << true << false;
}

void TestAccounts::newAccountCreatesAndRefreshes()
{
    QFETCH(bool, group);
    QFETCH(bool, confirmed);
    openDialog();
    select(group ? "lbGroups" : "lbUsers", group ? "Clerks" : "ann");
    if (group)
        select("lbMGrps", "Users");
    prompts->dialogs.push_back([confirmed](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("Sales");
        d->findChild<QLineEdit *>("ePID")->setText("sales-pid");
        return int(confirmed ? QDialog::Accepted : QDialog::Rejected);
    });
    button(group ? "bAddGrp" : "bAddUser")->click();
    QCOMPARE(prompts->asked.last().text, QString("dlgNewAcc"));
    QCOMPARE(prompts->asked.last().caption, QString("New account"));
    const QStringList groups{"Admins", "Clerks", "Users"};
    const QStringList users{"Admin", "ann", "bob"};
    if (group) {
        QCOMPARE(itemsOf(list("lbGroups")), confirmed ? (QStringList{"Admins", "Clerks", "Sales", "Users"}) : groups);
        QCOMPARE(itemsOf(list("lbMGrps")), itemsOf(list("lbGroups")));
        QVERIFY(list("lbMGrps")->selectedItems().isEmpty());
        QCOMPARE(itemsOf(list("lbUsers")), users);
    } else {
        QCOMPARE(itemsOf(list("lbUsers")), confirmed ? users + QStringList{"Sales"} : users);
        QCOMPARE(itemsOf(list("lbGroups")), groups);
    }
    // Either way the list was refilled, which leaves it without a selection.
    QVERIFY(list(group ? "lbGroups" : "lbUsers")->selectedItems().isEmpty());
}

void TestAccounts::deleteUserAsksFirst_data()
{
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("yes") << QMessageBox::Yes;
    QTest::newRow("no") << QMessageBox::No;
}

void TestAccounts::deleteUserAsksFirst()
{
    QFETCH(QMessageBox::StandardButton, answer);
    openDialog();
    select("lbUsers", "ann");
    prompts->buttons.push_back(answer);
    button("bDelUser")->click();
    QCOMPARE(prompts->textsOf("confirmation"), QStringList{"Delete selected user?"});
    QCOMPARE(prompts->asked.last().buttons, QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        QCOMPARE(workgroupUsers(), (QStringList{"Admin", "bob"}));
        QCOMPARE(itemsOf(list("lbUsers")), (QStringList{"Admin", "bob"}));
        QVERIFY(list("lbUsers")->selectedItems().isEmpty());
    } else {
        QCOMPARE(workgroupUsers(), (QStringList{"Admin", "ann", "bob"}));
        QCOMPARE(itemsOf(list("lbUsers")), (QStringList{"Admin", "ann", "bob"}));
        QCOMPARE(selectedOf(list("lbUsers")), QString("ann"));
    }
    // "Member of" keeps showing the groups of the user until another is chosen.
    QVERIFY(itemsOf(list("lbMember")).contains("Clerks"));
}

void TestAccounts::deleteGroupRenewsMemberOfFirst()
{
    openDialog();
    select("lbUsers", "ann");
    QVERIFY(itemsOf(list("lbMember")).contains("Clerks"));
    child<QTabWidget>("pc")->setCurrentIndex(1);
    select("lbGroups", "Clerks");
    QVERIFY(button("bDelGrp")->isEnabled());
    prompts->buttons.push_back(QMessageBox::Yes);
    button("bDelGrp")->click();
    QCOMPARE(prompts->textsOf("confirmation"), QStringList{"Delete selected group?"});
    QCOMPARE(itemsOf(list("lbMember")), groupsOf("ann"));
    QVERIFY(!itemsOf(list("lbMember")).contains("Clerks"));
    QCOMPARE(itemsOf(list("lbGroups")), (QStringList{"Admins", "Users"}));
    QCOMPARE(itemsOf(list("lbMGrps")), (QStringList{"Admins", "Users"}));
    QVERIFY(button("bDelGrp")->isEnabled());
}

void TestAccounts::addMemberWithoutUserDoesNothing()
{
    openDialog();
    select("lbMGrps", "Clerks");
    QVERIFY(button("bAddMember")->isEnabled());
    button("bAddMember")->click();
    QCOMPARE(groupsOf("bob"), QStringList{"Users"});
    QCOMPARE(groupsOf("Admin"), (QStringList{"Admins", "Users"}));
    QVERIFY(itemsOf(list("lbMember")).isEmpty());
    QVERIFY(prompts->asked.isEmpty());
}

void TestAccounts::membershipAddAndRemove()
{
    openDialog();
    select("lbUsers", "bob");
    select("lbMGrps", "Clerks");
    button("bAddMember")->click();
    QCOMPARE(groupsOf("bob"), (QStringList{"Clerks", "Users"}));
    QCOMPARE(itemsOf(list("lbMember")), (QStringList{"Clerks", "Users"}));
    // "<< Remove" needs a group chosen in "Member of": the refilled list has none.
    QVERIFY(!button("bDelMember")->isEnabled());
    select("lbMember", "Clerks");
    button("bDelMember")->click();
    QCOMPARE(groupsOf("bob"), QStringList{"Users"});
    QCOMPARE(itemsOf(list("lbMember")), QStringList{"Users"});
    QVERIFY(button("bDelMember")->isEnabled());
    button("bDelMember")->click(); // nothing chosen in "Member of": nothing happens
    QCOMPARE(groupsOf("bob"), QStringList{"Users"});
    QVERIFY(prompts->asked.isEmpty());
}

void TestAccounts::changePasswordThroughTheDialog()
{
    openDialog();
    select("lbUsers", "ann");
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eOldKey")->setText("ann-pw");
        d->findChild<QLineEdit *>("eKey1")->setText("New Pw");
        d->findChild<QLineEdit *>("eKey2")->setText("New Pw");
        d->findChild<QPushButton *>("bOK")->click();
        return d->result();
    });
    const QStringList before = itemsOf(list("lbUsers"));
    button("bChngPwd")->click();
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgChngPwd"});
    QCOMPARE(selectedOf(list("lbUsers")), QString("ann"));
    QCOMPARE(itemsOf(list("lbUsers")), before);
    QVERIFY(logIn("ann", "New Pw"));
    QVERIFY(!logIn("ann", "ann-pw"));
}

// An engine refusal reaches the program's error handling (through the event loop, as a click
// does) with the engine's message; the dialog stays open and nothing is refreshed.
void TestAccounts::engineRefusalLeavesTheDialogAsItWas()
{
    QVERIFY(logIn("ann", "ann-pw"));
    openDialog();
    prompts->asked.clear();
    select("lbUsers", "bob");
    const QStringList member = itemsOf(list("lbMember"));
    prompts->buttons.push_back(QMessageBox::Yes);
    QTest::mouseClick(button("bDelUser"), Qt::LeftButton);
    QCOMPARE(prompts->textsOf("confirmation"), QStringList{"Delete selected user?"});
    const QStringList errors = prompts->textsOf("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains("Admins"), qPrintable(errors.first()));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->result(), 0);
    QCOMPARE(workgroupUsers(), (QStringList{"Admin", "ann", "bob"}));
    QCOMPARE(itemsOf(list("lbUsers")), (QStringList{"Admin", "ann", "bob"}));
    // The refresh did not run: bob is still chosen.
    QCOMPARE(selectedOf(list("lbUsers")), QString("bob"));
    QCOMPARE(itemsOf(list("lbMember")), member);

    // The same for a refused membership: "Member of" is not renewed.
    select("lbMGrps", "Clerks");
    QTest::mouseClick(button("bAddMember"), Qt::LeftButton);
    QCOMPARE(prompts->textsOf("error").size(), 2);
    QCOMPARE(groupsOf("bob"), QStringList{"Users"});
    QCOMPARE(itemsOf(list("lbMember")), member);
    QVERIFY(dialog->isVisible());
}

// An account that may not read another account's permissions hears why when the dialog opens,
// and the dialog opens all the same.
void TestAccounts::accountWithoutRightsStillOpensTheDialog()
{
    store("Databases", "MSysDb", "Users", 0x2);
    store("Databases", "MSysDb", "Admin", 0xFFFFF);
    QVERIFY(logIn("bob", ""));
    openDialog();
    QCOMPARE(prompts->textsOf("error").size(), 1);
    QVERIFY(dialog->isVisible());
    QCOMPARE(itemsOf(list("lbUsers")), (QStringList{"Admin", "ann", "bob"}));
    QCOMPARE(itemsOf(child<QListWidget>("lbAcc")), (QStringList{"Admin", "ann", "bob"}));
    // Its own permissions it may read; the refused read before is not asked again.
    child<QTabWidget>("pc")->setCurrentWidget(page());
    QListWidget *lbAcc = list("lbAcc");
    const QRect bob = lbAcc->visualItemRect(lbAcc->findItems("bob", Qt::MatchExactly).first());
    QTest::mouseClick(lbAcc->viewport(), Qt::LeftButton, {}, bob.center());
    QCOMPARE(prompts->textsOf("error").size(), 1);
    QCOMPARE(page()->FPermAccount, QString("bob"));
}

// ---- Permissions page ----

void TestAccounts::pageShowsContainersAndDocumentsInEngineOrder()
{
    openDialog();
    auto *cbObj = child<QComboBox>("cbObj");
    QStringList containers;
    for (int i = 0; i < cbObj->count(); ++i)
        containers << cbObj->itemText(i);
    QStringList engineOrder;
    for (int i = 0; i < access->ContainerCount(); ++i)
        engineOrder << QString::fromStdString(access->GetContainer(i).get("Name").toText());
    QCOMPARE(containers, engineOrder);
    QVERIFY(!cbObj->isEditable());
    // Opening shows the first container, its first document and the first user.
    QCOMPARE(cbObj->currentIndex(), 0);
    QCOMPARE(itemsOf(list("lbObj")), QStringList{"MSysDb"});
    QCOMPARE(selectedOf(list("lbObj")), QString("MSysDb"));
    QCOMPARE(selectedOf(list("lbAcc")), QString("Admin"));
    QCOMPARE(page()->FPermObject, QString("MSysDb"));
    QCOMPARE(page()->FPermAccount, QString("Admin"));
    QCOMPARE(page()->FPermContainer, 0);
    QVERIFY(child<QRadioButton>("rbUsers")->isChecked());
    QCOMPARE(itemsOf(list("lbAcc")), itemsOf(list("lbUsers")));

    cbObj->setCurrentIndex(cbObj->findText("Tables"));
    QStringList documents;
    const Variant docs = access->GetContainerByName("Tables").get("Documents");
    for (int i = 0; i < docs.get("Count").toInt(); ++i)
        documents << QString::fromStdString(docs.item(i).get("Name").toText());
    QCOMPARE(itemsOf(list("lbObj")), documents);
    QVERIFY(documents.contains("BigOrders") && documents.contains("Customers"));
    QCOMPARE(selectedOf(list("lbObj")), documents.first());
    QCOMPARE(page()->FPermObject, documents.first());
    // Per container the boxes follow its kind.
    for (int i = 0; i < cbObj->count(); ++i) {
        cbObj->setCurrentIndex(i);
        const ContainerKind kind = accounts::containerKind(cbObj->itemText(i).toStdString());
        for (int b = 0; b < accounts::kBoxCount; ++b) {
            if (Box(b) != Box::Admin && Box(b) != Box::Exclusive)
                QCOMPARE(box(kBoxNames[b])->isEnabled(), PermissionBoxes::enabled(Box(b), kind));
            QCOMPARE(box(kBoxNames[b])->isVisibleTo(page()), PermissionBoxes::visible(Box(b), kind));
        }
    }
    QVERIFY(prompts->asked.isEmpty());
}

// Read definition only; "Change definition" brings its implications and Apply writes them.
void TestAccounts::changeDefinitionOnReadOnlyTableApplies()
{
    store("Tables", "Customers", "ann", 0x4);
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), QStringList{"cbxReadDef"});
    box("cbxChngDef")->click();
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables),
             (QStringList{"cbxReadDef", "cbxChngDef", "cbxReadData", "cbxChngData", "cbxDeldata"}));
    QVERIFY(box("cbxReadData")->isChecked());
    QVERIFY(!box("cbxAdmin")->isChecked());
    QVERIFY(!box("cbxInsData")->isChecked());
    button("bApply")->click();
    QCOMPARE(QString::number(stored("Tables", "Customers", "ann"), 16), QString("100dc"));
    QVERIFY(prompts->asked.isEmpty());
    QVERIFY(!page()->PermissionsChanged());
}

void TestAccounts::consistentValueLoadsSilently()
{
    store("Tables", "Customers", "ann", 0x1001C);
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), (QStringList{"cbxReadDef", "cbxChngDef", "cbxReadData"}));
    QVERIFY(!page()->PermissionsChanged());
    select("lbAcc", "bob");
    QVERIFY(prompts->asked.isEmpty());
    QCOMPARE(stored("Tables", "Customers", "ann"), 0x1001C);
}

// Change data without retrieve data: the rules show more than is stored, so the page counts
// the document as changed.
void TestAccounts::inconsistentValueLoadsAsChanged()
{
    store("Tables", "Orders", "ann", 0x40);
    openDialog();
    showPermissions("Tables", "Customers", "bob");
    QVERIFY(onBoxes(page()->boxes(), ContainerKind::Tables).isEmpty());
    select("lbObj", "Orders");
    select("lbAcc", "ann");
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), (QStringList{"cbxReadDef", "cbxReadData", "cbxChngData"}));
    QVERIFY(page()->PermissionsChanged());
    prompts->buttons.push_back(QMessageBox::No);
    select("lbAcc", "bob");
    QCOMPARE(prompts->textsOf("warning"), QStringList{"Permissions was changed.\r\n\r\nApply changes?"});
    QCOMPARE(stored("Tables", "Orders", "ann"), 0x40);
}

void TestAccounts::databasesContainerUsesItsOwnBits()
{
    store("Databases", "MSysDb", "ann", 0x2 | 0x100000);
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    showPermissions("Databases", "MSysDb", "ann");
    QVERIFY(!box("cbxReadDef")->isVisible());
    QVERIFY(box("cbxExclusive")->isVisible());
    QCOMPARE(box("cbxExclusive")->geometry().topLeft(), box("cbxReadDef")->geometry().topLeft());
    for (const char *name : {"cbxChngDef", "cbxReadData", "cbxChngData", "cbxInsData", "cbxDeldata"})
        QVERIFY2(!box(name)->isEnabled(), name);
    QVERIFY(box("cbxCreate")->isEnabled());
    QVERIFY(onBoxes(page()->boxes()).isEmpty());
    // No rule runs: Administration turns on nothing else.
    box("cbxAdmin")->click();
    box("cbxExclusive")->click();
    box("cbxCreate")->click();
    QCOMPARE(onBoxes(page()->boxes()), (QStringList{"cbxCreate", "cbxExclusive", "cbxAdmin"}));
    button("bApply")->click();
    QCOMPARE(QString::number(stored("Databases", "MSysDb", "ann"), 16), QString("10000f"));
    box("cbxExclusive")->click();
    button("bApply")->click();
    QCOMPARE(QString::number(stored("Databases", "MSysDb", "ann"), 16), QString("10000b"));
    QVERIFY(prompts->asked.isEmpty());
}

// Turning Retrieve data off keeps Read definition on the page and in the stored value, with
// no question after Apply.
void TestAccounts::retrieveDataOffKeepsReadDefinition()
{
    store("Tables", "Customers", "ann", 0x14);
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), (QStringList{"cbxReadDef", "cbxReadData"}));
    box("cbxReadData")->click();
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), QStringList{"cbxReadDef"});
    button("bApply")->click();
    QCOMPARE(stored("Tables", "Customers", "ann"), 0x4);
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), QStringList{"cbxReadDef"});
    QVERIFY(prompts->asked.isEmpty());
}

void TestAccounts::guardOnAnotherSelection_data()
{
    QTest::addColumn<QString>("change"); // what the user chooses after editing a box
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("account, yes") << "account" << QMessageBox::Yes;
    QTest::newRow("account, no") << "account" << QMessageBox::No;
    QTest::newRow("document, yes") << "document" << QMessageBox::Yes;
    QTest::newRow("document, no") << "document" << QMessageBox::No;
    QTest::newRow("container, yes") << "container" << QMessageBox::Yes;
    QTest::newRow("groups, no") << "groups" << QMessageBox::No;
}

void TestAccounts::guardOnAnotherSelection()
{
    QFETCH(QString, change);
    QFETCH(QMessageBox::StandardButton, answer);
    store("Tables", "Customers", "ann", 0x14);
    store("Tables", "Customers", "bob", 0xFFFFF);
    store("Tables", "Orders", "ann", 0xFFFFF);
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    const std::int32_t before = stored("Tables", "Customers", "ann");
    QVERIFY(box("cbxReadDef")->isChecked());
    box("cbxReadDef")->click();
    QVERIFY(!box("cbxReadDef")->isChecked());
    prompts->buttons.push_back(answer);
    if (change == "account")
        select("lbAcc", "bob");
    else if (change == "document")
        select("lbObj", "Orders");
    else if (change == "container")
        child<QComboBox>("cbObj")->setCurrentIndex(child<QComboBox>("cbObj")->findText("Databases"));
    else
        child<QRadioButton>("rbGrps")->click();
    QCOMPARE(prompts->textsOf("warning"), QStringList{"Permissions was changed.\r\n\r\nApply changes?"});
    QCOMPARE(prompts->asked.last().buttons, QMessageBox::Yes | QMessageBox::No);
    const std::int32_t after = stored("Tables", "Customers", "ann");
    if (answer == QMessageBox::Yes)
        QCOMPARE(QString::number(after, 16), QString::number(PermissionBoxes().applyTo(before, ContainerKind::Tables), 16));
    else
        QCOMPARE(after, before);
    // The new selection is loaded whatever the answer.
    QVERIFY(page()->FPermAccount != "ann" || page()->FPermObject != "Customers");
    if (change == "account" || change == "document")
        QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables).size(), 8);
}

void TestAccounts::leavingThePageAsksOnce()
{
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    box("cbxInsData")->click();
    prompts->buttons.push_back(QMessageBox::No);
    auto *pc = child<QTabWidget>("pc");
    pc->setCurrentIndex(0);
    QCOMPARE(pc->currentIndex(), 0);
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    pc->setCurrentIndex(1);
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    // No dropped nothing from the page: the boxes still show the edit and the guard still counts it.
    QVERIFY(box("cbxInsData")->isChecked());
    prompts->buttons.push_back(QMessageBox::Yes);
    pc->setCurrentIndex(2);
    pc->setCurrentIndex(0);
    QCOMPARE(prompts->textsOf("warning").size(), 2);
    QCOMPARE(stored("Tables", "Customers", "ann") & 0x34, 0x34);
}

void TestAccounts::okAppliesThroughTheGuard()
{
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    box("cbxChngData")->click();
    child<QTabWidget>("pc")->blockSignals(true);
    child<QTabWidget>("pc")->setCurrentIndex(0);
    child<QTabWidget>("pc")->blockSignals(false);
    prompts->buttons.push_back(QMessageBox::Yes);
    button("bOK")->click();
    QCOMPARE(prompts->textsOf("warning"), QStringList{"Permissions was changed.\r\n\r\nApply changes?"});
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(stored("Tables", "Customers", "ann") & 0x54, 0x54);
}

void TestAccounts::switchingToGroupsKeepsTheDocument()
{
    openDialog();
    showPermissions("Tables", "Orders", "bob");
    child<QRadioButton>("rbGrps")->click();
    QCOMPARE(itemsOf(list("lbAcc")), itemsOf(list("lbGroups")));
    QCOMPARE(selectedOf(list("lbAcc")), QString("Admins"));
    QCOMPARE(child<QComboBox>("cbObj")->currentText(), QString("Tables"));
    QCOMPARE(selectedOf(list("lbObj")), QString("Orders"));
    QCOMPARE(page()->FPermAccount, QString("Admins"));
    QCOMPARE(page()->FPermObject, QString("Orders"));
    // A group added on the Groups page shows here only after the next switch.
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("Late");
        d->findChild<QLineEdit *>("ePID")->setText("late-pid");
        return int(QDialog::Accepted);
    });
    button("bAddGrp")->click();
    QVERIFY(itemsOf(list("lbGroups")).contains("Late"));
    QVERIFY(!itemsOf(list("lbAcc")).contains("Late"));
    child<QRadioButton>("rbUsers")->click();
    child<QRadioButton>("rbGrps")->click();
    QVERIFY(itemsOf(list("lbAcc")).contains("Late"));
}

// The engine keeps no forms; a database of fakes holds a table and a form both named Orders.
void TestAccounts::tableAndFormOfTheSameNameAreApart()
{
    auto log = std::make_shared<fakes::CallLog>();
    auto table = std::make_shared<FakeDocument>("Orders");
    auto form = std::make_shared<FakeDocument>("Orders");
    table->masks["ann"] = 0x14;
    form->masks["ann"] = 0x1;
    auto containers = std::make_shared<fakes::FakeCollection>("Containers", log);
    for (auto [name, doc] : {std::pair{"Tables", table}, std::pair{"Forms", form}}) {
        auto documents = std::make_shared<fakes::FakeCollection>("Documents", log);
        documents->items.push_back(doc);
        auto container = fakes::makeObject("Container", log, name);
        container->set("Documents", Variant(documents));
        containers->items.push_back(Variant(container));
    }
    auto database = fakes::makeObject("Database", log);
    database->set("Containers", Variant(containers));
    engine::TMSAccess fakeAccess;
    fakeAccess.Database = Variant(database);
    QListWidget users, groups;
    users.addItems({"ann", "bob"});
    groups.addItems({"Users"});
    PermissionsPage perms(fakeAccess, &users, &groups);
    perms.Open();
    perms.show();
    auto *cbObj = perms.findChild<QComboBox *>("cbObj");
    QCOMPARE(cbObj->currentText(), QString("Tables"));
    QCOMPARE(perms.FPermAccount, QString("ann"));
    QCOMPARE(onBoxes(perms.boxes(), ContainerKind::Tables), (QStringList{"cbxReadDef", "cbxReadData"}));
    cbObj->setCurrentIndex(1);
    QCOMPARE(perms.FPermObject, QString("Orders"));
    QCOMPARE(perms.FPermContainer, 1);
    QCOMPARE(onBoxes(perms.boxes(), ContainerKind::Tables), QStringList{"cbxCreate"});
    perms.findChild<QCheckBox *>("cbxAdmin")->click();
    perms.findChild<QPushButton *>("bApply")->click();
    QCOMPARE(QString::number(form->masks["ann"], 16), QString("500fd"));
    QCOMPARE(table->masks["ann"], 0x14);
    cbObj->setCurrentIndex(0);
    QCOMPARE(onBoxes(perms.boxes(), ContainerKind::Tables), (QStringList{"cbxReadDef", "cbxReadData"}));
    QVERIFY(prompts->asked.isEmpty());
}

// Granted through the page, used through jetwarden-sql as that user: the engine enforces what
// the page shows.
void TestAccounts::grantIsEnforcedForThatUser()
{
    openDialog();
    child<QRadioButton>("rbGrps")->click();
    showPermissions("Tables", "Customers", "Users");
    QVERIFY(box("cbxReadDef")->isChecked());
    box("cbxReadDef")->click(); // takes every right of Users on the table
    button("bApply")->click();
    child<QRadioButton>("rbUsers")->click();
    showPermissions("Tables", "Customers", "bob");
    QVERIFY(onBoxes(page()->boxes(), ContainerKind::Tables).isEmpty());
    QString out;
    QCOMPARE(runSql("bob", "", "SELECT Company FROM Customers;", &out), 1);
    QVERIFY2(out.contains("Retrieve data"), qPrintable(out));

    box("cbxReadData")->click();
    button("bApply")->click();
    QCOMPARE(runSql("bob", "", "SELECT Company FROM Customers;", &out), 0);
    QVERIFY2(out.contains("Alpha") && out.contains("Beta"), qPrintable(out));
    QCOMPARE(runSql("bob", "", "DELETE FROM Customers;", &out), 1);
    QVERIFY2(out.contains("Delete data"), qPrintable(out));

    box("cbxDeldata")->click();
    button("bApply")->click();
    QCOMPARE(runSql("bob", "", "DELETE FROM Customers WHERE CustomerID = 2;", &out), 0);
    box("cbxReadData")->click(); // off: takes delete data with it
    button("bApply")->click();
    QCOMPARE(runSql("bob", "", "SELECT Company FROM Customers;", &out), 1);
    // ann, untouched, has lost the rights Users had.
    QCOMPARE(runSql("ann", "ann-pw", "SELECT Company FROM Customers;", &out), 1);
}

// Every box off leaves none of their bits behind: a stray 0x10 of Retrieve data would be
// completed to the whole right by a group that holds Read definition (0x4).
void TestAccounts::revokedRightIsNotCompletedByAGroup()
{
    store("Tables", "Customers", "Users", 0x4);
    store("Tables", "Customers", "bob", 0x14);
    QCOMPARE(runSql("bob", "", "SELECT Company FROM Customers;"), 0);
    openDialog();
    showPermissions("Tables", "Customers", "bob");
    QCOMPARE(onBoxes(page()->boxes(), ContainerKind::Tables), (QStringList{"cbxReadDef", "cbxReadData"}));
    box("cbxReadDef")->click();
    QVERIFY(onBoxes(page()->boxes(), ContainerKind::Tables).isEmpty());
    button("bApply")->click();
    QCOMPARE(stored("Tables", "Customers", "bob"), 0);
    QString out;
    QCOMPARE(runSql("bob", "", "SELECT Company FROM Customers;", &out), 1);
    QVERIFY2(out.contains("Retrieve data"), qPrintable(out));
}

// ---- owner ----

void TestAccounts::ownerIsShownAndChangedByAdmins()
{
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    QCOMPARE(child<QLabel>("lOwner")->text(), QString("Owner: Admin"));
    QVERIFY(button("bOwner")->isEnabled());
    QStringList offered;
    prompts->dialogs.push_back([&offered](QDialog *d) {
        auto *combo = d->findChild<QComboBox *>("cbOwner");
        for (int i = 0; i < combo->count(); ++i)
            offered << combo->itemText(i);
        if (combo->currentText() != "Admin")
            return int(QDialog::Rejected);
        combo->setCurrentIndex(combo->findText("Clerks"));
        return int(QDialog::Accepted);
    });
    button("bOwner")->click();
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgOwner"});
    QCOMPARE(offered, (QStringList{"Admin", "ann", "bob", "", "Admins", "Clerks", "Users"}));
    QCOMPARE(QString::fromStdString(document("Tables", "Customers").get("Owner").toText()), QString("Clerks"));
    QCOMPARE(child<QLabel>("lOwner")->text(), QString("Owner: Clerks"));
    QCOMPARE(QString::fromStdString(document("Tables", "Orders").get("Owner").toText()), QString("Admin"));

    // ann owns it now through Clerks and may hand it on; bob may not.
    QVERIFY(logIn("ann", "ann-pw"));
    openDialog();
    showPermissions("Tables", "Customers", "ann");
    QVERIFY(button("bOwner")->isEnabled());
    showPermissions("Tables", "Orders", "ann");
    QVERIFY(!button("bOwner")->isEnabled());
}

void TestAccounts::ownerCannotBeChangedByOthers()
{
    QVERIFY(logIn("bob", ""));
    openDialog();
    showPermissions("Tables", "Customers", "bob");
    QCOMPARE(child<QLabel>("lOwner")->text(), QString("Owner: Admin"));
    QVERIFY(!button("bOwner")->isEnabled());
    // Were the button pressed anyway, the engine refuses, and the label stays.
    prompts->dialogs.push_back([](QDialog *d) {
        auto *combo = d->findChild<QComboBox *>("cbOwner");
        combo->setCurrentIndex(combo->findText("bob"));
        return int(QDialog::Accepted);
    });
    QVERIFY_THROWS_EXCEPTION(automation::Error, page()->bOwnerClick());
    QCOMPARE(QString::fromStdString(document("Tables", "Customers").get("Owner").toText()), QString("Admin"));
    QCOMPARE(child<QLabel>("lOwner")->text(), QString("Owner: Admin"));
}

// ---- new account and change password dialogs ----

void TestAccounts::newAccountOkRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pid");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("both empty") << "" << "" << false;
    QTest::newRow("no PID") << "ann" << "" << false;
    QTest::newRow("no name") << "" << "pid-1" << false;
    QTest::newRow("both") << "ann" << "pid-1" << true;
    QTest::newRow("name of blanks") << "   " << "pid-1" << true;
    QTest::newRow("PID of a blank") << "ann" << " " << true;
}

void TestAccounts::newAccountOkRule()
{
    QFETCH(QString, name);
    QFETCH(QString, pid);
    QFETCH(bool, enabled);
    TdlgNewAcc d;
    QCOMPARE(d.windowTitle(), QString("New account"));
    auto *ok = d.findChild<QPushButton *>("bOK");
    QVERIFY(!ok->isEnabled());
    QVERIFY(ok->isDefault());
    d.findChild<QLineEdit *>("eName")->setText(name);
    d.findChild<QLineEdit *>("ePID")->setText(pid);
    QCOMPARE(ok->isEnabled(), enabled);
}

void TestAccounts::newAccountEnterWithDisabledOk()
{
    TdlgNewAcc d;
    d.show();
    auto *eName = d.findChild<QLineEdit *>("eName");
    auto *ePID = d.findChild<QLineEdit *>("ePID");
    QTest::keyClicks(eName, "ann");
    QTest::keyClicks(ePID, "pid-1");
    QVERIFY(d.findChild<QPushButton *>("bOK")->isEnabled());
    ePID->selectAll();
    QTest::keyClick(ePID, Qt::Key_Backspace);
    QVERIFY(!d.findChild<QPushButton *>("bOK")->isEnabled());
    QTest::keyClick(ePID, Qt::Key_Return);
    QVERIFY(d.isVisible());
    QCOMPARE(d.result(), 0);
    QTest::keyClicks(ePID, "pid-2");
    QTest::keyClick(ePID, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
}

void TestAccounts::fieldLimits()
{
    TdlgNewAcc account;
    account.show();
    auto *eName = account.findChild<QLineEdit *>("eName");
    auto *ePID = account.findChild<QLineEdit *>("ePID");
    const QString long30 = QString(30, 'x');
    QTest::keyClicks(eName, long30);
    QTest::keyClicks(ePID, QString(21, 'p'));
    QCOMPARE(eName->text(), long30);
    QCOMPARE(ePID->text(), QString(20, 'p'));

    TdlgChngPwd password;
    password.show();
    QCOMPARE(password.windowTitle(), QString("Change password"));
    QCOMPARE(password.size(), QSize(290, 171));
    for (const char *name : {"eOldKey", "eKey1", "eKey2"}) {
        auto *edit = password.findChild<QLineEdit *>(name);
        QTest::keyClicks(edit, QString(15, 'k'));
        QCOMPARE(edit->text(), QString(14, 'k'));
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
    }
    // Tab order: old password, new password, confirmation, then the buttons.
    auto next = [](QWidget *w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    auto *old = password.findChild<QLineEdit *>("eOldKey");
    QCOMPARE(next(old), password.findChild<QLineEdit *>("eKey1"));
    QCOMPARE(next(next(old)), password.findChild<QLineEdit *>("eKey2"));
    QCOMPARE(next(next(next(old))), password.findChild<QPushButton *>("bOK"));
}

// What was typed goes to the engine as it is: a name with a trailing blank is the engine's to refuse.
void TestAccounts::newAccountTextsAreNotTrimmed()
{
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("eve ");
        d->findChild<QLineEdit *>("ePID")->setText("eve-pid");
        return int(QDialog::Accepted);
    });
    QVERIFY_THROWS_EXCEPTION(automation::Error, ShowNewAccountDialog(*access, nullptr, false));
    QCOMPARE(workgroupUsers(), (QStringList{"Admin", "ann", "bob"}));
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("Team 2");
        d->findChild<QLineEdit *>("ePID")->setText(" t2-pid ");
        return int(QDialog::Accepted);
    });
    QVERIFY(ShowNewAccountDialog(*access, nullptr, true));
    QStringList groups;
    for (int i = 0; i < access->GroupCount(); ++i)
        groups << QString::fromStdString(access->GetGroupName(i));
    QVERIFY(groups.contains("Team 2"));
}

void TestAccounts::passwordsMustMatch_data()
{
    QTest::addColumn<QString>("confirmation");
    QTest::newRow("letter case differs") << "NEW-PW";
    QTest::newRow("other text") << "new-p";
}

void TestAccounts::passwordsMustMatch()
{
    QFETCH(QString, confirmation);
    TdlgChngPwd d;
    d.show();
    d.findChild<QLineEdit *>("eOldKey")->setText("ann-pw");
    d.findChild<QLineEdit *>("eKey1")->setText("new-pw");
    d.findChild<QLineEdit *>("eKey2")->setText(confirmation);
    d.findChild<QPushButton *>("bOK")->click();
    QCOMPARE(prompts->textsOf("error"), QStringList{"Password does not match."});
    QCOMPARE(prompts->asked.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(d.isVisible());
    QCOMPARE(d.findChild<QLineEdit *>("eOldKey")->text(), QString("ann-pw"));
    QCOMPARE(d.findChild<QLineEdit *>("eKey1")->text(), QString("new-pw"));
    QCOMPARE(d.findChild<QLineEdit *>("eKey2")->text(), confirmation);
}

void TestAccounts::emptyPasswordsMatch()
{
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eOldKey")->setText("ann-pw");
        d->findChild<QPushButton *>("bOK")->click();
        return d->result();
    });
    QVERIFY(ShowChangePasswordDialog(*access, nullptr, "ann"));
    QVERIFY(prompts->textsOf("error").isEmpty());
    QVERIFY(logIn("ann", ""));
    // A user that is not there: the access object answers false and the engine is not asked.
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QPushButton *>("bOK")->click();
        return d->result();
    });
    QVERIFY(!ShowChangePasswordDialog(*access, nullptr, "nobody"));
}

void TestAccounts::cancelledDialogsChangeNothing()
{
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("zed");
        d->findChild<QLineEdit *>("ePID")->setText("zed-pid");
        return int(QDialog::Rejected);
    });
    QVERIFY(!ShowNewAccountDialog(*access, nullptr, false));
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eOldKey")->setText("ann-pw");
        d->findChild<QLineEdit *>("eKey1")->setText("x");
        d->findChild<QLineEdit *>("eKey2")->setText("x");
        return int(QDialog::Rejected);
    });
    QVERIFY(!ShowChangePasswordDialog(*access, nullptr, "ann"));
    QCOMPARE(workgroupUsers(), (QStringList{"Admin", "ann", "bob"}));
    QVERIFY(logIn("ann", "ann-pw"));
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestAccounts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accounts.moc"
