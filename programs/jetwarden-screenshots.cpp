// jetwarden-screenshots: opens a database in the program's windows and saves pictures of them,
// for the documentation and for looking at the program without a desktop.

#include "about/TdlgAbout.h"
#include "accounts/AccountsDlg.h"
#include "accounts/ChngPwdDlg.h"
#include "accounts/NewAccDlg.h"
#include "app/Application.h"
#include "app/DlgFileProps.h"
#include "app/DlgKey.h"
#include "app/DlgLogin.h"
#include "app/DlgPrefs.h"
#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "dbengine/Engine.h"
#include "errors/TdlgException.h"
#include "engine/MSAccess.h"
#include "objectmap/DlgObjProps.h"
#include "objectmap/ObjectMap.h"
#include "objectmap/ObjectMapRules.h"
#include "objectmap/ObjectMapWindows.h"
#include "query/QueryWindow.h"
#include "query/QueryWindows.h"
#include "timings/TimingsWindow.h"
#include "timings/TimingsWindows.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {

bool save(QWidget *widget, const QString &folder, const QString &name)
{
    widget->show();
    widget->raise();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

// The object map on a table's fields and indexes, a query's SQL and parameters and a relation,
// and the definition dialog on a query.
bool objectMapPictures(TfrmMain &window, const QString &folder)
{
    auto *map = qobject_cast<TfrmObjectMap *>(window.ShowChildWindow("TfrmObjectMap"));
    if (!map)
        return false;
    map->parentWidget()->resize(640, 420);
    auto *tree = map->findChild<QTreeWidget *>(QStringLiteral("Tree"));
    auto *pc = map->findChild<QTabWidget *>(QStringLiteral("pc"));
    auto *details = map->findChild<QTabWidget *>(QStringLiteral("pcDetails"));
    bool ok = true;
    auto picture = [&](const QString &name, const char *tab, const QString &file) {
        pc->setCurrentWidget(map->findChild<QWidget *>(QStringLiteral("tsObjects")));
        QTreeWidgetItem *entry = objectmap::FindTreeNode(tree, name);
        if (!entry) {
            std::printf("FAILED %s: no entry \"%s\"\n", qPrintable(file), qPrintable(name));
            ok = false;
            return;
        }
        tree->setCurrentItem(entry);
        if (tab) {
            pc->setCurrentWidget(map->findChild<QWidget *>(QStringLiteral("tsProps")));
            details->setCurrentWidget(map->findChild<QWidget *>(QString::fromLatin1(tab)));
        }
        ok = save(map->parentWidget(), folder, file) && ok;
    };
    for (int i = 0; i < 3; ++i)
        tree->topLevelItem(i)->setExpanded(true);
    picture(QStringLiteral("Orders Since"), nullptr, QStringLiteral("objectmap-tree"));
    picture(QStringLiteral("Orders"), "tsFields", QStringLiteral("objectmap-fields"));
    picture(QStringLiteral("Orders"), "tsIdx", QStringLiteral("objectmap-indexes"));
    picture(QStringLiteral("Orders Since"), "tsSQL", QStringLiteral("objectmap-sql"));
    picture(QStringLiteral("Orders Since"), "tsParams", QStringLiteral("objectmap-parameters"));
    picture(QStringLiteral("OrdersOrderLines"), "tsRel", QStringLiteral("objectmap-relation"));

    TdlgObjProps definition(window.session(), &window);
    definition.FDefinition = window.session().access().GetQueryDefByName("Orders Since");
    definition.FKind = ObjectKind::Query;
    definition.LoadDefinition();
    return save(&definition, folder, QStringLiteral("object-definition")) && ok;
}

// The query window with a script, its results and its history.
bool queryPictures(TfrmMain &window, const QString &folder)
{
    auto *query = qobject_cast<TfrmQuery *>(window.ShowChildWindow("TfrmQuery"));
    if (!query)
        return false;
    query->parentWidget()->resize(720, 460);
    query->Editor->setText(QStringLiteral(
        "-- Customers of the first years and the stock of three products\n"
        "SELECT CustomerID, Company, City, Since, Active FROM Customers WHERE CustomerID <= 6;\n"
        "UPDATE Products SET InStock = InStock + 10 WHERE ProductID <= 3;\n"
        "SELECT ProductID, Name, UnitPrice, InStock FROM Products WHERE ProductID <= 3;\n"));
    bool ok = save(query->parentWidget(), folder, QStringLiteral("query-script"));
    query->cmExec();
    ok = save(query->parentWidget(), folder, QStringLiteral("query-result")) && ok;
    auto *pc = query->findChild<QTabWidget *>(QStringLiteral("pc"));
    pc->setCurrentWidget(query->findChild<QWidget *>(QStringLiteral("tsHistory")));
    auto *lv = query->findChild<QTreeWidget *>(QStringLiteral("lv"));
    lv->setCurrentItem(lv->topLevelItem(1));
    return save(query->parentWidget(), folder, QStringLiteral("query-history")) && ok;
}

// The accounts dialog on its three pages, on a workgroup with a few users and groups, and the
// new-account and change-password dialogs.
bool accountsPictures(TfrmMain &window, const QString &folder)
{
    engine::TMSAccess &access = window.session().access();
    for (const char *user : {"anna", "boris", "clara"})
        access.CreateUser(user, std::string(user) + "-pid", "");
    access.CreateGroup("Clerks", "clerks-pid");
    access.CreateGroup("Managers", "managers-pid");
    access.AddUserToGroup("anna", "Clerks");
    access.AddUserToGroup("anna", "Managers");
    access.AddUserToGroup("boris", "Clerks");

    TdlgAccounts accounts(access, &window);
    auto select = [&accounts](const char *list, const QString &text) {
        auto *l = accounts.findChild<QListWidget *>(QString::fromLatin1(list));
        const auto found = l->findItems(text, Qt::MatchExactly);
        if (!found.isEmpty())
            l->setCurrentItem(found.first());
    };
    select("lbUsers", QStringLiteral("anna"));
    select("lbMGrps", QStringLiteral("Clerks"));
    bool ok = save(&accounts, folder, QStringLiteral("accounts-users"));
    auto *pc = accounts.findChild<QTabWidget *>(QStringLiteral("pc"));
    pc->setCurrentIndex(1);
    select("lbGroups", QStringLiteral("Managers"));
    ok = save(&accounts, folder, QStringLiteral("accounts-groups")) && ok;
    pc->setCurrentIndex(2);
    auto *cbObj = accounts.findChild<QComboBox *>(QStringLiteral("cbObj"));
    cbObj->setCurrentIndex(cbObj->findText(QStringLiteral("Tables")));
    select("lbObj", QStringLiteral("Customers"));
    select("lbAcc", QStringLiteral("anna"));
    for (const char *box : {"cbxChngData", "cbxInsData"})
        accounts.findChild<QCheckBox *>(QString::fromLatin1(box))->click();
    accounts.findChild<QPushButton *>(QStringLiteral("bApply"))->click();
    ok = save(&accounts, folder, QStringLiteral("accounts-permissions")) && ok;
    accounts.hide();

    TdlgNewAcc newAccount(&window);
    newAccount.findChild<QLineEdit *>(QStringLiteral("eName"))->setText(QStringLiteral("dora"));
    newAccount.findChild<QLineEdit *>(QStringLiteral("ePID"))->setText(QStringLiteral("dora-pid"));
    ok = save(&newAccount, folder, QStringLiteral("new-account")) && ok;
    TdlgChngPwd password(&window);
    for (const char *edit : {"eOldKey", "eKey1", "eKey2"})
        password.findChild<QLineEdit *>(QString::fromLatin1(edit))->setText(QStringLiteral("secret"));
    return save(&password, folder, QStringLiteral("change-password")) && ok;
}

// The timings window after three passes over every saved query of the sample that returns rows.
bool timingsPictures(TfrmMain &window, const QString &folder)
{
    auto *timings = qobject_cast<TfrmTimings *>(window.ShowChildWindow("TfrmTimings"));
    if (!timings)
        return false;
    QTreeWidget *lv = timings->list();
    if (lv->topLevelItemCount() == 0) {
        std::printf("FAILED timings: no saved query listed\n");
        return false;
    }
    timings->cmSelectAll();
    // Stop is handled just before the last row opens in pass 3, so it is the last one measured.
    // Events are processed once before each opening; the watch counts the last row's turns.
    QTreeWidgetItem *last = lv->topLevelItem(lv->topLevelItemCount() - 1);
    QTimer watch;
    watch.setInterval(0);
    int turns = 0, rounds = 0;
    bool onLast = false;
    QObject::connect(&watch, &QTimer::timeout, timings, [&] {
        const bool marked = timings->isMarked(last);
        if (marked && !onLast)
            ++turns;
        onLast = marked;
        if (turns == 3 || ++rounds > 1000)
            timings->cmStop();
    });
    watch.start();
    timings->cmExec();
    watch.stop();
    lv->setCurrentItem(lv->topLevelItem(0));
    return save(timings->parentWidget(), folder, QStringLiteral("timings"));
}

// Takes the picture of a modal dialog instead of running it.
class PicturePrompts : public QtPrompts {
public:
    PicturePrompts(const QString &folder, const QString &name) : folder_(folder), name_(name)
    {
        Prompts::install(this);
    }
    ~PicturePrompts() override { Prompts::install(nullptr); }
    int exec(QDialog *dialog) override
    {
        dialog->adjustSize();
        saved = save(dialog, folder_, name_);
        return QDialog::Accepted;
    }
    bool saved = false;

private:
    QString folder_, name_;
};

// The error report of a failed account change (an engine error no window caught), and the
// about box.
bool reportPictures(TfrmMain &window, const QString &folder)
{
    TdlgException report;
    report.LogFolder = QDir(folder).filePath(QStringLiteral("logs"));
    bool ok = false;
    {
        PicturePrompts prompts(folder, QStringLiteral("error-report"));
        QTimer::singleShot(0, &window, [&window] { window.session().access().DeleteUser("nobody"); });
        QApplication::processEvents();
        ok = prompts.saved;
    }
    QDir(report.LogFolder).removeRecursively();
    PicturePrompts prompts(folder, QStringLiteral("about"));
    ShowAboutBox(0, {});
    return prompts.saved && ok;
}

} // namespace

int main(int argc, char **argv)
{
    dbengine::registerEngine();
    registerObjectMapWindows();
    registerTimingsWindows();
    // The pictures' history lives and dies with them.
    QTemporaryDir historyFolder;
    registerQueryWindows(historyFolder.filePath(QStringLiteral("History.sql")));
    Application app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: jetwarden-screenshots FOLDER DATABASE\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString database = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    QDir().mkpath(folder);

    TfrmMain window;
    window.resize(900, 600);
    window.show();
    window.OpenDatabaseFile(database);
    window.recentFiles().add(database);
    window.UpdateControls();
    bool ok = save(&window, folder, QStringLiteral("main-window"));

    TdlgPrefs prefs(&window);
    prefs.setEngineIndex(window.session().access().DAOType());
    prefs.setSystemDb(QString::fromStdString(window.session().access().GetSystemDB()));
    ok = save(&prefs, folder, QStringLiteral("preferences")) && ok;

    TdlgLogin login(&window);
    ok = save(&login, folder, QStringLiteral("login")) && ok;

    TdlgKey key(&window);
    ok = save(&key, folder, QStringLiteral("password")) && ok;

    TdlgFileProps props(&window);
    props.setFile(QString::fromStdString(window.session().access().GetDatabaseName()));
    props.setEngineText(QStringLiteral("Data Access Objects ") + QString::fromStdString(window.session().access().GetEngineVersion()));
    props.setDriverText(QStringLiteral("Microsoft Jet ") + QString::fromStdString(window.session().access().GetDatabaseVersion()));
    props.setWorkspace(QString::fromStdString(window.session().access().GetWorkspaceName()));
    props.setUser(QString::fromStdString(window.session().access().GetCurrentUser()));
    props.setSystemDatabase(QString::fromStdString(window.session().access().GetSystemDB()));
    ok = save(&props, folder, QStringLiteral("properties")) && ok;

    ok = objectMapPictures(window, folder) && ok;
    ok = queryPictures(window, folder) && ok;
    ok = timingsPictures(window, folder) && ok;
    ok = reportPictures(window, folder) && ok;
    ok = accountsPictures(window, folder) && ok;

    window.CloseCurrent();
    return ok ? 0 : 1;
}
