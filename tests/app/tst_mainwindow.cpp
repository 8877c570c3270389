// The main window's flows, offscreen, on real database files, with scripted answers.

#include "app/Application.h"
#include "app/ChildWindow.h"
#include "app/MainWindow.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A child window of a later feature, standing in for the object map and the query window.
class TfrmObjectMap : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit TfrmObjectMap(QWidget *parent = nullptr) : QWidget(parent), menu_(new QMenu("Object", this))
    {
        menu_->setObjectName("mmObject");
        setWindowTitle("Object Map");
    }
    QMenu *groupMenu() const override { return menu_; }

private:
    QMenu *menu_;
};

class TfrmQuery : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    explicit TfrmQuery(QWidget *parent = nullptr) : QWidget(parent)
    {
        setWindowTitle("Query");
        resize(2000, 1500); // larger than any frame: it must still open inside it
    }
    bool busy() const override { return running; }
    bool running = false;
};

// Creates a database file with one table of three rows through the engine.
void makeDatabase(const QString &path)
{
    automation::Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    automation::Variant ws = engine.call("CreateWorkspace", {"make", "admin", "", 2});
    automation::Variant db = ws.call("CreateDatabase", {path.toStdString()});
    db.call("Execute", {"CREATE TABLE t (x INTEGER)"});
    db.call("Execute", {"INSERT INTO t VALUES (1), (2), (3)"});
    ws.call("Close");
}

int rowsOf(const QString &path)
{
    automation::Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    automation::Variant ws = engine.call("CreateWorkspace", {"count", "admin", "", 2});
    automation::Variant db = ws.call("OpenDatabase", {path.toStdString(), false, true});
    const int n = db.get("TableDefs").item("t").get("RecordCount").toInt();
    ws.call("Close");
    return n;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Fills a dialog's line edits by object name and presses OK (or cancels).
std::function<int(QDialog *)> answer(QMap<QString, QString> fields, bool ok = true)
{
    return [fields, ok](QDialog *dialog) {
        for (auto it = fields.begin(); it != fields.end(); ++it)
            dialog->findChild<QLineEdit *>(it.key())->setText(it.value());
        if (!ok)
            return int(QDialog::Rejected);
        dialog->findChild<QPushButton *>("bOK")->click();
        return dialog->result();
    };
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartUsesDefaultsAndWritesSettingsOnExit();
    void databaseThatAcceptsAdminOpensWithoutLogin();
    void loginDialogAnswers_data();
    void loginDialogAnswers();
    void reopenWithoutEngineOpensNothing();
    void preferencesRestartNotice_data();
    void preferencesRestartNotice();
    void preferencesShowTheEngineInUse();
    void storedEngineOutOfRangeIsReported();
    void closeAndExitAskWhileADatabaseIsOpen();
    void refreshUsesTheNewEngine();
    void childWindowsExistOnceAndMergeTheirMenu();
    void refreshWithTheObjectMapActive();
    void unopenableFilesSayWhyWithoutALogin_data();
    void unopenableFilesSayWhyWithoutALogin();
    void titleFollowsTheOpenDatabase();
    void commandsWithoutTheirWindowSaySo();
    void windowsOpenWhereTheyCanBeSeen();
    void commandsWaitForARunningScript_data();
    void commandsWaitForARunningScript();
    void compactReplacesTheFileOnlyWhenDone();
    void compactFailureLeavesTheFileAndWarns();
    void encryptingOntoTheSourceIsRefused();
    void compactRefusesTheOpenDatabase();
    void repairKeepsTheRows();
    void encryptAndDecryptThroughTheDialogs();
    void mismatchedPasswordsKeepTheDialogOpen();
    void emptyPasswordDoesNothing();
    void unhandledErrorsAreShownNotFatal();
    void accessFileOpensReadOnlyAndConverts();

private:
    QString file(const QString &name) const { return home->path(name); }
    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TfrmMain> window;
};

void TestMainWindow::initTestCase()
{
    dbengine::registerEngine();
    TfrmMain::registerChildWindow("TfrmObjectMap", [](TfrmMain *) { return new TfrmObjectMap; });
    TfrmMain::registerChildWindow("TfrmQuery", [](TfrmMain *) { return new TfrmQuery; });
}

void TestMainWindow::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    makeDatabase(file("shop.mdb"));
    window = std::make_unique<TfrmMain>();
    window->show();
}

void TestMainWindow::cleanup()
{
    if (window && window->session().access().DatabaseOpen())
        prompts->buttons.push_back(QMessageBox::Yes);
    window.reset();
    prompts.reset();
    home.reset();
}

void TestMainWindow::firstStartUsesDefaultsAndWritesSettingsOnExit()
{
    QCOMPARE(QString::fromStdString(window->session().access().GetEngineVersion()), QStringLiteral("3.6"));
    QVERIFY(window->findChild<QAction *>("mmOpenDB")->isEnabled());
    QVERIFY(!window->findChild<QAction *>("mmClose")->isEnabled());
    QVERIFY(!window->findChild<QWidget *>("sbQuery")->isEnabled());
    QVERIFY(window->findChild<QWidget *>("sbPrefs")->isEnabled());
    QVERIFY(!window->findChild<QMenu *>("mmReopen")->isEnabled());
    QVERIFY(prompts->asked.isEmpty());
    QVERIFY(!QFile::exists(home->settingsFile()));
    // A default workgroup file is made so that accounts work out of the box.
    const QString workgroup = home->path("data/Jetwarden/system.mdw");
    QVERIFY(QFile::exists(workgroup));
    QCOMPARE(QString::fromStdString(window->session().access().GetSystemDB()), workgroup);
    QVERIFY(window->close());
    QSettings s(home->settingsFile(), QSettings::IniFormat);
    for (auto [key, value] : {std::pair{"Engine", "2"}, {"SystemDB", ""}, {"Cont", "False"}, {"System", "False"},
                              {"Exclusive", "False"}, {"ReadOnly", "False"}, {"Database", ""}, {"FormVersion", "0"}})
        QCOMPARE(s.value(QStringLiteral("1.x/") + key).toString(), QString::fromLatin1(value));
    QVERIFY(s.contains("1.x/NormPos"));
}

void TestMainWindow::databaseThatAcceptsAdminOpensWithoutLogin()
{
    prompts->files.push_back(file("shop.mdb"));
    window->cmOpenDB();
    QVERIFY(window->session().access().DatabaseOpen());
    QVERIFY(prompts->textsOf("dialog").isEmpty());
    QCOMPARE(window->windowTitle(), QStringLiteral("Jetwarden - [shop.mdb]"));
    QCOMPARE(window->recentFiles().items(), QStringList{file("shop.mdb")});
    QCOMPARE(window->storage().value("Database").toString(), file("shop.mdb"));
    QVERIFY(window->session().database().isObject());
    QVERIFY(window->findChild<QAction *>("mmClose")->isEnabled());
    QVERIFY(window->findChild<QMenu *>("mmReopen")->isEnabled());
    // The object map opens first, the query window ends in front.
    QCOMPARE(window->mdiArea()->subWindowList().size(), 2);
    QCOMPARE(window->mdiArea()->activeSubWindow()->widget()->metaObject()->className(), "TfrmQuery");
}

void TestMainWindow::loginDialogAnswers_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("cancelled") << "admin" << "" << false << QStringList{};
    QTest::newRow("user cleared") << "" << "" << true << QStringList{};
    QTest::newRow("wrong password") << "admin" << "nope" << true
                                    << QStringList{"Not a valid account name or password."};
}

// A database that admin without a password cannot open (admin has one in the workgroup) brings
// up the login dialog.
void TestMainWindow::loginDialogAnswers()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, ok);
    QFETCH(QStringList, errors);
    automation::Variant ws = window->session().access().Engine.call("CreateWorkspace", {"setup", "admin", "", 2});
    ws.get("Users").item("admin").call("NewPassword", {"", "secret"});
    ws.call("Close");
    prompts->files.push_back(file("shop.mdb"));
    prompts->dialogs.push_back(answer({{"eUser", user}, {"ePwd", password}}, ok));
    window->cmOpenDB();
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgLogin"});
    QVERIFY(!window->session().access().DatabaseOpen());
    QCOMPARE(prompts->textsOf("error"), errors);
    QCOMPARE(window->recentFiles().items(), QStringList{}); // a failed open is no recent file
    QCOMPARE(window->windowTitle(), QStringLiteral("Jetwarden"));
}

void TestMainWindow::reopenWithoutEngineOpensNothing()
{
    window.reset();
    automation::Registry::instance().unregisterClass("DAO.DBEngine.36");
    window = std::make_unique<TfrmMain>();
    window->show();
    dbengine::registerEngine();
    QCOMPARE(prompts->textsOf("error"), QStringList{"Invalid class string"});
    QVERIFY(!window->findChild<QAction *>("mmOpenDB")->isEnabled());
    window->MRUManClick(file("shop.mdb"));
    QVERIFY(!window->session().access().DatabaseOpen());
    QCOMPARE(prompts->asked.size(), 1);
}

void TestMainWindow::preferencesRestartNotice_data()
{
    QTest::addColumn<int>("engine");
    QTest::addColumn<QString>("systemDb");
    QTest::addColumn<bool>("notice");
    // "-": the system database field is left as the dialog showed it.
    QTest::newRow("check boxes only") << 2 << "-" << false;
    QTest::newRow("engine changed") << 0 << "-" << true;
    QTest::newRow("system database changed") << 2 << "/somewhere/system.mdw" << true;
    QTest::newRow("system database cleared") << 2 << "" << true;
}

void TestMainWindow::preferencesRestartNotice()
{
    QFETCH(int, engine);
    QFETCH(QString, systemDb);
    QFETCH(bool, notice);
    prompts->dialogs.push_back([&](QDialog *d) {
        if (systemDb != "-")
            d->findChild<QLineEdit *>("de")->setText(systemDb);
        d->findChildren<QRadioButton *>().at(engine)->setChecked(true);
        d->findChild<QAbstractButton *>("cbxCont")->setChecked(true);
        return int(QDialog::Accepted);
    });
    window->cmPrefs();
    const QStringList expected = notice ? QStringList{"These changes will take effect after application restart."}
                                        : QStringList{};
    QCOMPARE(prompts->textsOf("confirmation"), expected);
    QSettings s(home->settingsFile(), QSettings::IniFormat);
    QCOMPARE(s.value("1.x/Cont").toString(), QStringLiteral("True"));
    QCOMPARE(s.value("1.x/Engine").toString(), QString::number(engine));
    // The workgroup file made on first start is in use but was never chosen.
    QCOMPARE(s.value("1.x/SystemDB").toString(), systemDb == "-" ? QString() : systemDb);
}

void TestMainWindow::storedEngineOutOfRangeIsReported()
{
    window.reset();
    {
        QSettings s(home->settingsFile(), QSettings::IniFormat);
        s.setValue("1.x/Engine", "7");
    }
    window = std::make_unique<TfrmMain>();
    window->show();
    QCOMPARE(prompts->textsOf("error"),
             QStringList{"The stored engine setting '7' is not one of 0, 1 or 2; engine 2 is used."});
    int shown = -1;
    prompts->dialogs.push_back([&](QDialog *d) {
        const auto radios = d->findChildren<QRadioButton *>();
        for (int i = 0; i < radios.size(); ++i)
            if (radios[i]->isChecked())
                shown = i;
        return int(QDialog::Rejected);
    });
    window->cmPrefs();
    QCOMPARE(shown, 2);
    QCOMPARE(QString::fromStdString(window->session().access().GetEngineVersion()), QStringLiteral("3.6"));
}

void TestMainWindow::preferencesShowTheEngineInUse()
{
    {
        QSettings s(home->settingsFile(), QSettings::IniFormat);
        s.setValue("1.x/Engine", "0");
    }
    int shown = -1;
    prompts->dialogs.push_back([&](QDialog *d) {
        const auto radios = d->findChildren<QRadioButton *>();
        for (int i = 0; i < radios.size(); ++i)
            if (radios[i]->isChecked())
                shown = i;
        return int(QDialog::Rejected);
    });
    window->cmPrefs();
    QCOMPARE(shown, 2); // the engine was created as DAO 3.6 before the file said otherwise
}

void TestMainWindow::closeAndExitAskWhileADatabaseIsOpen()
{
    window->OpenDatabaseFile(file("shop.mdb"));
    prompts->buttons.push_back(QMessageBox::No);
    window->cmClose();
    QVERIFY(window->session().access().DatabaseOpen());
    prompts->buttons.push_back(QMessageBox::No);
    QVERIFY(!window->close());
    QVERIFY(window->session().access().DatabaseOpen());
    QCOMPARE(prompts->textsOf("confirmation"), (QStringList{"Close database?", "Close session?"}));
    prompts->buttons.push_back(QMessageBox::Yes);
    window->cmClose();
    QVERIFY(!window->session().access().DatabaseOpen());
    QVERIFY(window->mdiArea()->subWindowList().isEmpty());
    QCOMPARE(window->windowTitle(), QStringLiteral("Jetwarden"));
    prompts->asked.clear();
    QVERIFY(window->close());
    QVERIFY(prompts->asked.isEmpty());
}

void TestMainWindow::refreshUsesTheNewEngine()
{
    window->OpenDatabaseFile(file("shop.mdb"));
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChildren<QRadioButton *>().at(0)->setChecked(true);
        return int(QDialog::Accepted);
    });
    window->cmPrefs();
    QCOMPARE(QString::fromStdString(window->session().access().GetEngineVersion()), QStringLiteral("3.6"));
    window->cmRefresh();
    QCOMPARE(QString::fromStdString(window->session().access().GetEngineVersion()), QStringLiteral("3.0"));
    QVERIFY(window->session().access().DatabaseOpen());
    QCOMPARE(window->mdiArea()->subWindowList().size(), 2);
}

void TestMainWindow::childWindowsExistOnceAndMergeTheirMenu()
{
    window->OpenDatabaseFile(file("shop.mdb"));
    window->cmObjectMap();
    window->cmQuery();
    window->cmObjectMap();
    QCOMPARE(window->mdiArea()->subWindowList().size(), 2);
    QCOMPARE(window->mdiArea()->activeSubWindow()->widget()->metaObject()->className(), "TfrmObjectMap");
    const QList<QAction *> bar = window->menuBar()->actions();
    QCOMPARE(bar.at(1)->menu()->objectName(), QStringLiteral("mmObject"));
    QCOMPARE(bar.at(2)->menu()->objectName(), QStringLiteral("mmTools"));
    window->cmQuery();
    QCOMPARE(window->menuBar()->actions().at(1)->menu()->objectName(), QStringLiteral("mmTools"));
}

void TestMainWindow::refreshWithTheObjectMapActive()
{
    window->OpenDatabaseFile(file("shop.mdb"));
    window->cmObjectMap();
    QCOMPARE(window->menuBar()->actions().at(1)->menu()->objectName(), QStringLiteral("mmObject"));
    window->cmRefresh();
    window->cmRefresh();
    QCOMPARE(window->mdiArea()->subWindowList().size(), 2);
    window->cmObjectMap();
    const QList<QAction *> bar = window->menuBar()->actions();
    QCOMPARE(bar.size(), 5);
    QCOMPARE(bar.at(1)->menu()->objectName(), QStringLiteral("mmObject"));
}

void TestMainWindow::unopenableFilesSayWhyWithoutALogin_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "none.mdb" << "Could not find the file 'none.mdb'.";
    QTest::newRow("text") << "notes.mdb" << "'notes.mdb' is not a database file.";
    QTest::newRow("folder") << "folder.mdb" << "'folder.mdb' is a folder, not a database file.";
    QTest::newRow("sealed") << "sealed.mdb"
                            << "The database 'sealed.mdb' is encrypted; decrypt it with its password (Tools, "
                               "Decrypt) before opening it.";
    QTest::newRow("workgroup") << "other.mdw"
                               << "'other.mdw' is a workgroup information file, not a database; choose it as the "
                                  "system database in Preferences.";
}

void TestMainWindow::unopenableFilesSayWhyWithoutALogin()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFile notes(file("notes.mdb"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("not a database, but long enough to be mistaken for one if only the length counted ......"
                "..........................................................................................");
    notes.close();
    QDir().mkdir(file("folder.mdb"));
    window->session().access().EncryptDatabase(file("shop.mdb").toStdString(), file("sealed.mdb").toStdString(), "pw");
    window->session().access().Engine.call("CreateWorkgroup", {file("other.mdw").toStdString(), "N", "O"});
    prompts->files.push_back(file(name));
    window->cmOpenDB();
    QCOMPARE(prompts->textsOf("error"), QStringList{message});
    QVERIFY(prompts->textsOf("dialog").isEmpty());
    QVERIFY(!window->session().access().DatabaseOpen());
    QVERIFY(!window->recentFiles().items().contains(file(name)));
}

void TestMainWindow::titleFollowsTheOpenDatabase()
{
    prompts->files.push_back(file("shop.mdb"));
    window->cmOpenDB();
    QCOMPARE(window->windowTitle(), QStringLiteral("Jetwarden - [shop.mdb]"));
    QVERIFY(window->recentFiles().items().contains(file("shop.mdb")));
    prompts->buttons.push_back(QMessageBox::Yes);
    window->cmClose();
    QCOMPARE(window->windowTitle(), QStringLiteral("Jetwarden"));
}

void TestMainWindow::commandsWithoutTheirWindowSaySo()
{
    window->OpenDatabaseFile(file("shop.mdb"));
    window->cmAccounts();
    window->cmTimings();
    window->cmAbout();
    QCOMPARE(prompts->textsOf("information"),
             (QStringList{"The Accounts window is not available in this version yet.",
                          "The Timings window is not available in this version yet.",
                          "The About box is not available in this version yet."}));
    QVERIFY(QFileInfo::exists(TfrmMain::engineNotesFile()));
    // Once registered, the dialog is shown instead.
    TfrmMain::registerDialog("TdlgAbout", [](TfrmMain *) { auto *d = new QDialog; d->setObjectName("dlgAbout"); return d; });
    prompts->asked.clear();
    window->cmAbout();
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgAbout"});
    QVERIFY(prompts->textsOf("information").isEmpty());
}

void TestMainWindow::windowsOpenWhereTheyCanBeSeen()
{
    const QRect area = window->screen()->availableGeometry();
    QVERIFY(area.contains(window->geometry()));
    QVERIFY2(window->width() >= area.width() * 3 / 4, qPrintable(QString::number(window->width())));
    window->OpenDatabaseFile(file("shop.mdb"));
    const QRect client = window->mdiArea()->viewport()->rect();
    for (QMdiSubWindow *sub : window->mdiArea()->subWindowList())
        QVERIFY2(client.contains(sub->geometry()), sub->windowTitle().toLatin1());
    // A command that shows a maximised window leaves it maximised.
    auto *query = qobject_cast<QMdiSubWindow *>(window->FindChildWindow("TfrmQuery")->parentWidget());
    query->showMaximized();
    window->cmObjectMap();
    window->cmQuery();
    QVERIFY(query->isMaximized());
    // A placement stored on a larger screen is pulled back onto this one.
    prompts->buttons.push_back(QMessageBox::Yes);
    window.reset();
    {
        QSettings s(home->settingsFile(), QSettings::IniFormat);
        s.setValue("1.x/NormPos", "3000,2500,3700,3000");
        s.setValue("1.x/ShowCmd", "1");
    }
    window = std::make_unique<TfrmMain>();
    window->show();
    QCoreApplication::processEvents();
    const QRect placed = window->geometry();
    QVERIFY2(area.contains(placed), qPrintable(QString("%5,%6 %7x%8: %1,%2 %3x%4")
                                                               .arg(area.x()).arg(area.y())
                                                               .arg(area.width()).arg(area.height())
                                                               .arg(placed.x()).arg(placed.y())
                                                               .arg(placed.width()).arg(placed.height())));
}

void TestMainWindow::commandsWaitForARunningScript_data()
{
    QTest::addColumn<QString>("command");
    for (const char *command : {"cmRefresh", "cmClose", "cmOpenDB", "cmNewDB", "MRUManClick"})
        QTest::newRow(command) << QString::fromLatin1(command);
}

void TestMainWindow::commandsWaitForARunningScript()
{
    QFETCH(QString, command);
    window->OpenDatabaseFile(file("shop.mdb"));
    auto *query = qobject_cast<TfrmQuery *>(window->FindChildWindow("TfrmQuery"));
    QVERIFY(query);
    query->running = true;
    prompts->buttons.push_back(QMessageBox::Yes);
    prompts->files.push_back(file("shop.mdb"));
    if (command == "MRUManClick")
        window->MRUManClick(file("shop.mdb"));
    else
        QMetaObject::invokeMethod(window.get(), command.toLatin1().constData());
    QCOMPARE(prompts->textsOf("warning"),
             QStringList{"A script is running in the \"Query\" window. Stop it first."});
    QVERIFY(window->session().access().DatabaseOpen());
    QCOMPARE(window->FindChildWindow("TfrmQuery"), query);
    query->running = false;
}

void TestMainWindow::compactReplacesTheFileOnlyWhenDone()
{
    // Left by a compact that was killed: its process is gone.
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const QString leftover = file(QStringLiteral(".shop.mdb.jw%1-0123456789ab.tmp").arg(dead));
    QFile old(leftover);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("left over");
    old.close();
    QFile::setPermissions(file("shop.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    QFile::link(file("shop.mdb"), file("link.mdb"));
    prompts->files.push_back(file("link.mdb"));
    window->cmCompact();
    QVERIFY(prompts->textsOf("warning").isEmpty());
    QCOMPARE(rowsOf(file("shop.mdb")), 3);
    QVERIFY(!QFile::exists(leftover));
    // The user's file keeps its permissions, and the link still points to it.
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(file("shop.mdb")).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    QCOMPARE(QFileInfo(file("link.mdb")).symLinkTarget(), file("shop.mdb"));
    QCOMPARE(QDir(home->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).filter(".tmp"),
             QStringList{});
}

void TestMainWindow::encryptingOntoTheSourceIsRefused()
{
    const QByteArray before = bytesOf(file("shop.mdb"));
    prompts->files = {file("shop.mdb"), file("shop.mdb")};
    prompts->dialogs.push_back(answer({{"eKey1", "pw"}, {"eKey2", "pw"}}));
    window->cmEncrypt();
    QCOMPARE(prompts->textsOf("warning"), QStringList{"'shop.mdb' is the file being read; choose another file."});
    QVERIFY(prompts->textsOf("dialog").isEmpty()); // refused before the password is asked
    QCOMPARE(bytesOf(file("shop.mdb")), before);
}

void TestMainWindow::compactFailureLeavesTheFileAndWarns()
{
    QFile text(file("notes.mdb"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a database");
    text.close();
    const QDir folder = QFileInfo(file("notes.mdb")).absoluteDir();
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    prompts->files.push_back(file("notes.mdb"));
    window->cmCompact();
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    QVERIFY(prompts->textsOf("warning").at(0).contains("not a database"));
    QCOMPARE(bytesOf(file("notes.mdb")), QByteArray("not a database"));
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), names);
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestMainWindow::compactRefusesTheOpenDatabase()
{
    window->OpenDatabaseFile(file("shop.mdb"));
    const QByteArray before = bytesOf(file("shop.mdb"));
    prompts->files.push_back(file("shop.mdb"));
    window->cmCompact();
    QCOMPARE(prompts->textsOf("warning"), QStringList{"\"shop.mdb\" is the open database. Close it first."});
    QCOMPARE(bytesOf(file("shop.mdb")), before);
}

void TestMainWindow::repairKeepsTheRows()
{
    prompts->files.push_back(file("shop.mdb"));
    window->cmRepair();
    QVERIFY(prompts->textsOf("warning").isEmpty());
    QCOMPARE(rowsOf(file("shop.mdb")), 3);
    prompts->files.push_back(file("missing.mdb"));
    window->cmRepair();
    QCOMPARE(prompts->textsOf("warning").size(), 1);
}

void TestMainWindow::encryptAndDecryptThroughTheDialogs()
{
    const QByteArray original = bytesOf(file("shop.mdb"));
    prompts->files = {file("shop.mdb"), file("sealed.mdb")};
    prompts->dialogs.push_back(answer({{"eKey1", "s3cret"}, {"eKey2", "s3cret"}}));
    window->cmEncrypt();
    QVERIFY(prompts->textsOf("warning").isEmpty());
    QCOMPARE(bytesOf(file("shop.mdb")), original);
    QVERIFY(bytesOf(file("sealed.mdb")).startsWith("JWSEALED"));
    // A wrong password leaves an existing destination as it was.
    QFile keep(file("plain.mdb"));
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("keep");
    keep.close();
    prompts->files = {file("sealed.mdb"), file("plain.mdb")};
    prompts->dialogs.push_back(answer({{"eKey1", "wrong"}, {"eKey2", "wrong"}}));
    window->cmDecrypt();
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    QCOMPARE(bytesOf(file("plain.mdb")), QByteArray("keep"));
    // The right one replaces it, as the save dialog agreed.
    prompts->files = {file("sealed.mdb"), file("plain.mdb")};
    prompts->dialogs.push_back(answer({{"eKey1", "s3cret"}, {"eKey2", "s3cret"}}));
    window->cmDecrypt();
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    QCOMPARE(rowsOf(file("plain.mdb")), 3);
}

void TestMainWindow::mismatchedPasswordsKeepTheDialogOpen()
{
    prompts->files = {file("shop.mdb"), file("sealed.mdb")};
    bool stayedOpen = false;
    prompts->dialogs.push_back([&](QDialog *d) {
        d->findChild<QLineEdit *>("eKey1")->setText("one");
        d->findChild<QLineEdit *>("eKey2")->setText("two");
        d->findChild<QPushButton *>("bOK")->click();
        stayedOpen = d->result() != QDialog::Accepted;
        return int(QDialog::Rejected);
    });
    window->cmEncrypt();
    QVERIFY(stayedOpen);
    QCOMPARE(prompts->textsOf("error"), QStringList{"Password does not match."});
    QVERIFY(!QFile::exists(file("sealed.mdb")));
}

void TestMainWindow::emptyPasswordDoesNothing()
{
    prompts->files = {file("shop.mdb"), file("sealed.mdb")};
    prompts->dialogs.push_back(answer({{"eKey1", ""}, {"eKey2", ""}}));
    window->cmEncrypt();
    QVERIFY(!QFile::exists(file("sealed.mdb")));
    QVERIFY(prompts->textsOf("warning").isEmpty());
    QVERIFY(prompts->textsOf("error").isEmpty());
}

void TestMainWindow::unhandledErrorsAreShownNotFatal()
{
    QTimer::singleShot(0, window.get(), [] { throw std::runtime_error("Something broke."); });
    QTest::qWait(20);
    QCOMPARE(prompts->textsOf("error"), QStringList{"Something broke."});
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

// An Access file opens read-only (the title says so); Convert writes a new engine database with
// its rows and relations, and never over an existing file.
void TestMainWindow::accessFileOpensReadOnlyAndConverts()
{
    const QString source = file("index.mdb");
    QVERIFY(QFile::copy(qEnvironmentVariable("JW_SOURCE_DIR") + "/tests/data/jet/indexTestV2000.mdb", source));
    prompts->files.push_back(source);
    window->cmOpenDB();
    QVERIFY(window->session().isOpen());
    QCOMPARE(window->windowTitle(), QStringLiteral("Jetwarden - [index.mdb] (read-only)"));
    prompts->buttons.push_back(QMessageBox::Yes);
    window->cmClose();

    prompts->files = {source, file("converted.mdb")};
    window->findChild<QAction *>("mmConvert")->trigger();
    QCOMPARE(prompts->textsOf("information"), QStringList{"\"index.mdb\" was converted into \"converted.mdb\"."});
    automation::Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    automation::Variant ws = engine.call("CreateWorkspace", {"check", "admin", "", 2});
    automation::Variant db = ws.call("OpenDatabase", {file("converted.mdb").toStdString(), false, false});
    QCOMPARE(db.get("TableDefs").item("Table1").get("RecordCount").toInt(), 4);
    QCOMPARE(db.get("Relations").get("Count").toInt(), 2);
    QVERIFY(db.get("Updatable").toBool());
    ws.call("Close");

    const QByteArray before = bytesOf(file("converted.mdb"));
    prompts->files = {source, file("converted.mdb")};
    window->findChild<QAction *>("mmConvert")->trigger();
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    QVERIFY(prompts->textsOf("warning").front().contains("already exists"));
    QCOMPARE(bytesOf(file("converted.mdb")), before);
}

#include "tst_mainwindow.moc"
