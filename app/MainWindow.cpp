#include "MainWindow.h"

#include "Application.h"
#include "ChildWindow.h"
#include "DlgFileProps.h"
#include "DlgKey.h"
#include "DlgLogin.h"
#include "DlgPrefs.h"
#include "Icons.h"
#include "Prompts.h"
#include "automation/Error.h"
#include "dbengine/maintenance/Replace.h"
#include "engine/MSAccess.h"
#include "jetfile/AccessFile.h"
#include "platform/Folders.h"
#include "session/Session.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressDialog>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::map<QString, TfrmMain::ChildFactory> &childFactories()
{
    static std::map<QString, TfrmMain::ChildFactory> factories;
    return factories;
}

std::map<QString, TfrmMain::DialogFactory> &dialogFactories()
{
    static std::map<QString, TfrmMain::DialogFactory> factories;
    return factories;
}

const QString kDatabaseFilter =
    QStringLiteral("MS Access Databases (*.md*);;Access databases (*.mdb *.accdb);;All Files (*.*)");
const QString kAccessFilter = QStringLiteral("Access databases (*.mdb *.accdb);;All Files (*.*)");
const QString kSaveFilter = QStringLiteral("MS Access Databases (*.mdb *.mdw)");

// The hourglass while it lives, restored on every way out.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString text(const std::string &s) { return QString::fromStdString(s); }
std::string str(const QString &s) { return s.toStdString(); }

} // namespace

void TfrmMain::registerChildWindow(const char *className, ChildFactory factory)
{
    childFactories()[QString::fromLatin1(className)] = std::move(factory);
}

void TfrmMain::registerDialog(const char *className, DialogFactory factory)
{
    dialogFactories()[QString::fromLatin1(className)] = std::move(factory);
}

int TfrmMain::ShowDialog(const char *className)
{
    auto it = dialogFactories().find(QString::fromLatin1(className));
    if (it == dialogFactories().end())
        return QDialog::Rejected;
    std::unique_ptr<QDialog> dialog(it->second(this));
    return dialog ? Prompts::current().exec(dialog.get()) : int(QDialog::Rejected);
}

TfrmMain::TfrmMain(QWidget *parent)
    : QMainWindow(parent), Storage(QStringLiteral("1.x")), ApplicationTitle(QStringLiteral("Jetwarden"))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ApplicationTitle);
    setWindowIcon(appIcon());
    resize(641, 466);
    mdi = new QMdiArea(this);
    mdi->setObjectName(QStringLiteral("mdi"));
    mdi->setBackground(palette().window());
    setCentralWidget(mdi);
    connect(mdi, &QMdiArea::subWindowActivated, this, &TfrmMain::mergeChildMenu);
    buildMenus();
    buildToolBar();

    session_ = std::make_unique<session::Session>();
    // The commands follow the open database, whoever opened or closed it.
    session_->addListener([this] { UpdateControls(); });
    Storage.defineValue(QStringLiteral("Database"), QString());
    Storage.defineValue(QStringLiteral("Engine"), 2);
    Storage.defineValue(QStringLiteral("SystemDB"), QString());
    Storage.defineValue(QStringLiteral("Cont"), false);
    Storage.defineValue(QStringLiteral("System"), false);
    Storage.defineValue(QStringLiteral("Exclusive"), false);
    Storage.defineValue(QStringLiteral("ReadOnly"), false);
    Storage.defineValue(QStringLiteral("JetCharset"), QString());
    Storage.attachRecentFiles(&MRUMan, QStringLiteral("TfrmMain.MRUMan"));
    Storage.restoreValues();
    applyJetCharset(Storage.value(QStringLiteral("JetCharset")).toString());
    bool ok = false;
    const int engineIndex = storedEngineIndex(&ok);
    ApplyEngineSettings(engineIndex);
    CreateDefaultWorkgroup();
    UpdateControls();
    if (!ok)
        pendingError_ = QStringLiteral("The stored engine setting '%1' is not one of 0, 1 or 2; engine %2 is used.")
                            .arg(Storage.value(QStringLiteral("Engine")).toString())
                            .arg(engineIndex);
    if (!session_->lastError().empty())
        pendingError_ += (pendingError_.isEmpty() ? QString() : QStringLiteral("\n")) + text(session_->lastError());
}

TfrmMain::~TfrmMain()
{
    // The child windows work on the session; they go before it does.
    if (!closed_)
        mdi->closeAllSubWindows();
    // With the MDI area goes every window in it, closed or not.
    delete mdi;
    mdi = nullptr;
    session_.reset();
}

QAction *TfrmMain::addCommand(QMenu *menu, const char *name, const QString &caption, void (TfrmMain::*slot)(),
                              const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    actions_[action->objectName()] = action;
    return action;
}

void TfrmMain::buildMenus()
{
    mmFile = menuBar()->addMenu(QStringLiteral("&Database"));
    mmFile->setObjectName(QStringLiteral("mmFile"));
    addCommand(mmFile, "mmNewDB", QStringLiteral("&New..."), &TfrmMain::cmNewDB,
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    addCommand(mmFile, "mmOpenDB", QStringLiteral("&Open..."), &TfrmMain::cmOpenDB, QKeySequence(Qt::CTRL | Qt::Key_N));
    mmReopen = mmFile->addMenu(QStringLiteral("Reopen"));
    mmReopen->setObjectName(QStringLiteral("mmReopen"));
    mmReopen->menuAction()->setObjectName(QStringLiteral("mmReopen"));
    addCommand(mmFile, "mmClose", QStringLiteral("&Close"), &TfrmMain::cmClose);
    addCommand(mmFile, "mmConvert", QStringLiteral("Con&vert..."), &TfrmMain::cmConvert);
    mmFile->addSeparator();
    addCommand(mmFile, "mmRefresh", QStringLiteral("&Refresh"), &TfrmMain::cmRefresh);
    addCommand(mmFile, "mmProps", QStringLiteral("&Properties..."), &TfrmMain::cmProps,
               QKeySequence(Qt::ALT | Qt::Key_Return));
    mmFile->addSeparator();
    addCommand(mmFile, "mmPrefs", QStringLiteral("Preferences..."), &TfrmMain::cmPrefs, QKeySequence(Qt::CTRL | Qt::Key_F9));
    mmFile->addSeparator();
    addCommand(mmFile, "mmExit", QStringLiteral("E&xit"), &TfrmMain::cmExit);

    mmTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mmTools->setObjectName(QStringLiteral("mmTools"));
    addCommand(mmTools, "mmRepair", QStringLiteral("&Repair database..."), &TfrmMain::cmRepair);
    addCommand(mmTools, "mmCompact", QStringLiteral("&Compact database..."), &TfrmMain::cmCompact);
    addCommand(mmTools, "mmEncrypt", QStringLiteral("&Encrypt database..."), &TfrmMain::cmEncrypt);
    addCommand(mmTools, "mmDecrypt", QStringLiteral("&Decrypt database..."), &TfrmMain::cmDecrypt);
    mmTools->addSeparator();
    addCommand(mmTools, "mmAccounts", QStringLiteral("&Accounts..."), &TfrmMain::cmAccounts);
    mmTools->addSeparator();
    addCommand(mmTools, "mmObjectMap", QStringLiteral("Object Map"), &TfrmMain::cmObjectMap);
    addCommand(mmTools, "mmQuery", QStringLiteral("Query"), &TfrmMain::cmQuery);
    addCommand(mmTools, "mmTimings", QStringLiteral("Timings"), &TfrmMain::cmTimings);

    mmWindows = menuBar()->addMenu(QStringLiteral("&Windows"));
    mmWindows->setObjectName(QStringLiteral("mmWindows"));
    addCommand(mmWindows, "mmCascade", QStringLiteral("&Cascade"), &TfrmMain::cmCascade);
    addCommand(mmWindows, "mmTileHor", QStringLiteral("Tile &Horizontally"), &TfrmMain::cmTileHor);
    addCommand(mmWindows, "mmTileVer", QStringLiteral("Tile &Vertically"), &TfrmMain::cmTileVer);
    addCommand(mmWindows, "mmMinimizeAll", QStringLiteral("&Minimize All"), &TfrmMain::cmMinimizeAll);
    connect(mmWindows, &QMenu::aboutToShow, this, &TfrmMain::rebuildWindowsMenu);

    mmHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mmHelp->setObjectName(QStringLiteral("mmHelp"));
    addCommand(mmHelp, "mmAbout", QStringLiteral("&About..."), &TfrmMain::cmAbout);
    mmHelp->addSeparator();
    addCommand(mmHelp, "mmDAO", QStringLiteral("DAO Reference"), &TfrmMain::mmDAOClick);
}

void TfrmMain::buildToolBar()
{
    Rebar2 = addToolBar(QStringLiteral("Tools"));
    Rebar2->setObjectName(QStringLiteral("Rebar2"));
    Rebar2->setMovable(false);
    Rebar2->setIconSize(QSize(16, 16));
    const struct {
        const char *button, *menuItem, *hint, *icon;
    } buttons[] = {
        {"sbOpenDB", "mmOpenDB", "Open", "open"},
        {"sbRefresh", "mmRefresh", "Refresh", "refresh"},
        {"sbProps", "mmProps", "Database Properties", "properties"},
        {"sbAccounts", "mmAccounts", "Accounts", "accounts"},
        {"sbObjectmap", "mmObjectMap", "Object map", "objectmap"},
        {"sbQuery", "mmQuery", "Query", "query"},
        {"sbPrefs", "mmPrefs", "Preferences", "preferences"},
        {"sbAbout", "mmAbout", "About", "about"},
        {"sbExit", "mmExit", "Exit", "exit"},
    };
    for (const auto &b : buttons) {
        // The button shares the menu item's action, so it always has the item's enabled state.
        QAction *action = actions_.at(QString::fromLatin1(b.menuItem));
        action->setIcon(commandIcon(QString::fromLatin1(b.icon)));
        Rebar2->addAction(action);
        QWidget *button = Rebar2->widgetForAction(action);
        button->setObjectName(QString::fromLatin1(b.button));
        button->setToolTip(QString::fromLatin1(b.hint));
    }
    actions_.at(QStringLiteral("mmNewDB"))->setIcon(commandIcon(QStringLiteral("new")));
}

void TfrmMain::UpdateControls()
{
    const bool engine = session_->engineActive();
    const bool database = session_->isOpen();
    for (const char *name : {"mmNewDB", "mmOpenDB", "mmRepair", "mmCompact", "mmEncrypt", "mmDecrypt"})
        actions_.at(QString::fromLatin1(name))->setEnabled(engine);
    for (const char *name : {"mmClose", "mmAccounts", "mmRefresh", "mmProps", "mmObjectMap", "mmQuery"})
        actions_.at(QString::fromLatin1(name))->setEnabled(database);
    rebuildReopenMenu();
}

void TfrmMain::rebuildReopenMenu()
{
    mmReopen->clear();
    const QStringList &items = MRUMan.items();
    for (int i = 0; i < items.size(); ++i) {
        QAction *a = mmReopen->addAction(RecentFiles::caption(i, items[i]));
        a->setObjectName(QStringLiteral("mmReopen%1").arg(i));
        const QString path = items[i];
        connect(a, &QAction::triggered, this, [this, path] { MRUManClick(path); });
    }
    mmReopen->setEnabled(!items.isEmpty());
    mmReopen->menuAction()->setEnabled(!items.isEmpty());
}

void TfrmMain::rebuildWindowsMenu()
{
    const QList<QAction *> all = mmWindows->actions();
    for (QAction *a : all)
        if (a->property("jwWindowEntry").toBool() || (a->isSeparator() && a->property("jwWindowEntry").isValid()))
            delete a;
    const QList<QMdiSubWindow *> windows = mdi->subWindowList();
    if (windows.isEmpty())
        return;
    mmWindows->addSeparator()->setProperty("jwWindowEntry", false);
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow *w = windows[i];
        QAction *a = mmWindows->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(w->windowTitle()));
        a->setProperty("jwWindowEntry", true);
        a->setCheckable(true);
        a->setChecked(w == mdi->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w] { mdi->setActiveSubWindow(w); });
    }
}

// The active child's own menu stands between Database and Tools.
void TfrmMain::mergeChildMenu(QMdiSubWindow *window)
{
    if (mergedMenu)
        menuBar()->removeAction(mergedMenu);
    mergedMenu = nullptr;
    auto *child = window ? dynamic_cast<ChildWindow *>(window->widget()) : nullptr;
    if (QMenu *menu = child ? child->groupMenu() : nullptr) {
        mergedMenu = menu->menuAction();
        menuBar()->insertAction(mmTools->menuAction(), mergedMenu);
    }
}

QWidget *TfrmMain::FindChildWindow(const char *className) const
{
    for (QMdiSubWindow *w : mdi->subWindowList(QMdiArea::CreationOrder))
        if (w->widget() && qstrcmp(w->widget()->metaObject()->className(), className) == 0)
            return w->widget();
    return nullptr;
}

QWidget *TfrmMain::ShowChildWindow(const char *className, bool several)
{
    if (!several) {
        if (QWidget *existing = FindChildWindow(className)) {
            auto *sub = qobject_cast<QMdiSubWindow *>(existing->parentWidget());
            if (sub) {
                // Only a minimised window is restored; a maximised one stays maximised.
                if (sub->isMinimized())
                    sub->showNormal();
                mdi->setActiveSubWindow(sub);
            }
            return existing;
        }
    }
    auto it = childFactories().find(QString::fromLatin1(className));
    if (it == childFactories().end())
        return nullptr;
    QWidget *widget = it->second(this);
    if (!widget)
        return nullptr;
    widget->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *sub = mdi->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    // A new window opens whole inside the frame, wherever its size came from.
    if (!sub->isMaximized() && !sub->isMinimized())
        sub->setGeometry(pulledInside(sub->geometry(), mdi->viewport()->rect()));
    mdi->setActiveSubWindow(sub);
    return widget;
}

void TfrmMain::ApplyEngineSettings(int engineIndex)
{
    session_->startEngine(engineIndex, str(Storage.value(QStringLiteral("SystemDB")).toString()));
}

// Accounts work out of the box: when no workgroup file was chosen or found, the first start
// creates one in the user's data folder, which the workgroup search finds from then on. Without
// it the engine's built-in workgroup stays in use.
void TfrmMain::CreateDefaultWorkgroup()
{
    const std::string error = session_->ensureDefaultWorkgroup(platform::userDataDir());
    if (!error.empty())
        std::fprintf(stderr, "jetwarden: no default workgroup file: %s\n", error.c_str());
}

// The stored engine, or the default (2) when the setting is not one of 0, 1 and 2.
int TfrmMain::storedEngineIndex(bool *valid) const
{
    bool ok = false;
    const int index = Storage.value(QStringLiteral("Engine")).toString().trimmed().toInt(&ok);
    ok = ok && index >= 0 && index <= 2;
    if (valid)
        *valid = ok;
    return ok ? index : 2;
}

bool TfrmMain::stored(const char *name) const
{
    return settingToBool(Storage.value(QString::fromLatin1(name)));
}

bool TfrmMain::OpenDatabaseFile(const QString &fileName)
{
    DatabaseFile = fileName;
    CloseCurrent();
    Storage.setValue(QStringLiteral("Database"), fileName);
    if (LoginToDatabase())
        OpenAndShow();
    return session_->isOpen();
}

bool TfrmMain::LoginToDatabase()
{
    // A file that cannot be opened whoever logs in is reported before anyone is asked to.
    const std::string problem = session_->openProblem(str(DatabaseFile));
    if (!problem.empty()) {
        Prompts::error(this, text(problem));
        return false;
    }
    login_ = session::Login{"admin", ""};
    if (session_->probeLogin(str(DatabaseFile)))
        return true;
    TdlgLogin dialog(this);
    if (Prompts::current().exec(&dialog) != QDialog::Accepted)
        return false;
    login_ = session::Login{str(dialog.EnteredUser), str(dialog.EnteredPassword)};
    return true;
}

void TfrmMain::ConnectDatabase()
{
    const session::OpenFlags flags{stored("Exclusive"), stored("ReadOnly")};
    if (!session_->open(str(DatabaseFile), login_, flags) && !session_->lastError().empty())
        Prompts::error(this, text(session_->lastError()));
}

void TfrmMain::OpenAndShow()
{
    {
        WaitCursor wait;
        ConnectDatabase();
    }
    showOpened();
}

// The open database's name in the title and its first windows; an Access file, or any database
// opened read-only, says so in the title.
void TfrmMain::showOpened()
{
    if (!session_->isOpen())
        return;
    QString title = QStringLiteral("%1 - [%2]").arg(ApplicationTitle, QFileInfo(text(session_->access().GetDatabaseName())).fileName());
    if (!session_->database().get("Updatable").toBool())
        title += QStringLiteral(" (read-only)");
    setWindowTitle(title);
    cmObjectMap();
    cmQuery();
}

void TfrmMain::CloseCurrent()
{
    cmCloseAll();
    session_->close();
    setWindowTitle(ApplicationTitle);
    UpdateControls();
}

void TfrmMain::cmCloseAll()
{
    // Closing a query window during its run is safe (the run stops and writes nowhere).
    const QList<QMdiSubWindow *> windows = mdi->subWindowList(QMdiArea::CreationOrder);
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        (*it)->close();
    // Closed windows delete themselves later; the database must not outlive this call in them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TfrmMain::cmNewDB()
{
    if (refuseWhileBusy())
        return;
    const QString path = Prompts::current().saveFileName(this, QStringLiteral("New database"),
                                                         QStringLiteral("MS Access Databases (*.mdb)"),
                                                         QStringLiteral("mdb"));
    if (path.isEmpty())
        return;
    // The save dialog may have agreed to replace a file; a new database never replaces one.
    if (QFileInfo::exists(path)) {
        Prompts::warning(this, QStringLiteral("\"%1\" already exists. Choose a new file name for the new database.").arg(path));
        return;
    }
    try {
        WaitCursor wait;
        session_->create(str(path));
    } catch (const std::exception &e) {
        Prompts::warning(this, QString::fromUtf8(e.what()));
        return;
    }
    if (OpenDatabaseFile(path))
        MRUMan.add(path);
    UpdateControls();
}

bool TfrmMain::refuseWhileBusy()
{
    for (QMdiSubWindow *sub : mdi->subWindowList()) {
        auto *child = dynamic_cast<ChildWindow *>(sub->widget());
        if (child && child->busy()) {
            Prompts::warning(this, QStringLiteral("A script is running in the \"%1\" window. Stop it first.")
                                       .arg(sub->windowTitle()));
            return true;
        }
    }
    return false;
}

void TfrmMain::cmOpenDB()
{
    if (refuseWhileBusy())
        return;
    const QString path = Prompts::current().openFileName(this, QStringLiteral("Open database"), kDatabaseFilter,
                                                         QStringLiteral("mdb"));
    // Only a file that opened goes on the recent files.
    if (!path.isEmpty() && OpenDatabaseFile(path))
        MRUMan.add(path);
    UpdateControls();
}

void TfrmMain::MRUManClick(const QString &recentName)
{
    if (refuseWhileBusy())
        return;
    OpenDatabaseFile(recentName);
    UpdateControls();
}

void TfrmMain::cmClose()
{
    if (refuseWhileBusy())
        return;
    if (Prompts::confirm(this, QStringLiteral("Close database?")))
        CloseCurrent();
}

void TfrmMain::cmRefresh()
{
    if (refuseWhileBusy())
        return;
    // The object map goes at once; it is rebuilt when the database opens again.
    if (QWidget *map = FindChildWindow("TfrmObjectMap")) {
        if (auto *sub = qobject_cast<QMdiSubWindow *>(map->parentWidget()))
            delete sub;
        else
            delete map;
    }
    {
        WaitCursor wait;
        const session::OpenFlags flags{stored("Exclusive"), stored("ReadOnly")};
        if (!session_->refresh(storedEngineIndex(), str(Storage.value(QStringLiteral("SystemDB")).toString()), flags)
            && !session_->lastError().empty())
            Prompts::error(this, text(session_->lastError()));
    }
    showOpened();
    UpdateControls();
}

void TfrmMain::cmProps()
{
    engine::TMSAccess &access = session_->access();
    TdlgFileProps dialog(this);
    dialog.setFile(text(access.GetDatabaseName()));
    dialog.setEngineText(QStringLiteral("Data Access Objects ") + text(access.GetEngineVersion()));
    dialog.setDriverText(QStringLiteral("Microsoft Jet ") + text(access.GetDatabaseVersion()));
    dialog.setWorkspace(text(access.GetWorkspaceName()));
    dialog.setUser(text(access.GetCurrentUser()));
    dialog.setSystemDatabase(text(access.GetSystemDB()));
    Prompts::current().exec(&dialog);
}

// A command whose window is not part of this build says so instead of doing nothing.
bool TfrmMain::reportMissing(const char *className, const QString &what, bool dialog)
{
    const QString name = QString::fromLatin1(className);
    if (dialog ? dialogFactories().count(name) : childFactories().count(name))
        return false;
    Prompts::information(this, QStringLiteral("%1 is not available in this version yet.").arg(what));
    return true;
}

void TfrmMain::cmAccounts()
{
    if (!reportMissing("TdlgAccounts", QStringLiteral("The Accounts window"), true))
        ShowDialog("TdlgAccounts");
}

void TfrmMain::cmPrefs()
{
    TdlgPrefs dialog(this);
    Storage.restoreValues();
    // The dialog shows what is in effect; only a change from that needs a restart, and the
    // system database is stored only when the user changed it (the one found or created on
    // first start is not a choice).
    engine::TMSAccess &access = session_->access();
    const int shownEngine = access.EngineActive() ? int(access.DAOType()) : storedEngineIndex();
    const QString shownSystemDb =
        access.EngineActive() ? text(access.GetSystemDB()) : Storage.value(QStringLiteral("SystemDB")).toString();
    dialog.setEngineIndex(shownEngine);
    dialog.setSystemDb(shownSystemDb);
    dialog.setContainers(stored("Cont"));
    dialog.setSystemObjects(stored("System"));
    dialog.setExclusive(stored("Exclusive"));
    dialog.setReadOnly(stored("ReadOnly"));
    dialog.setJetCharset(Storage.value(QStringLiteral("JetCharset")).toString());
    if (Prompts::current().exec(&dialog) != QDialog::Accepted)
        return;
    const bool restart = prefsRestartNeeded(shownEngine, shownSystemDb, dialog.engineIndex(), dialog.systemDb());
    Storage.setValue(QStringLiteral("Engine"), dialog.engineIndex());
    if (dialog.systemDb() != shownSystemDb)
        Storage.setValue(QStringLiteral("SystemDB"), dialog.systemDb());
    Storage.setValue(QStringLiteral("Cont"), dialog.containers());
    Storage.setValue(QStringLiteral("System"), dialog.systemObjects());
    Storage.setValue(QStringLiteral("Exclusive"), dialog.exclusive());
    Storage.setValue(QStringLiteral("ReadOnly"), dialog.readOnly());
    Storage.setValue(QStringLiteral("JetCharset"), dialog.jetCharset());
    applyJetCharset(dialog.jetCharset());
    Storage.saveValues();
    if (restart)
        Prompts::current().message(this, Prompts::Kind::Confirmation, ApplicationTitle,
                                   QStringLiteral("These changes will take effect after application restart."),
                                   QMessageBox::Ok);
    UpdateControls();
}

// The engine and the converter read the chosen code page of Jet 3 text from the environment.
void TfrmMain::applyJetCharset(const QString &name)
{
    if (name.trimmed().isEmpty())
        ::unsetenv("JETWARDEN_JET_CHARSET");
    else
        ::setenv("JETWARDEN_JET_CHARSET", name.trimmed().toUtf8().constData(), 1);
}

// Database > Convert...: an Access file into a new engine database, with a progress dialog
// that names each table as it is copied. An existing file is never replaced.
void TfrmMain::cmConvert()
{
    const QString source = Prompts::current().openFileName(this, QStringLiteral("Convert Access database"),
                                                           kAccessFilter, QStringLiteral("mdb"));
    if (source.isEmpty())
        return;
    const QString target = Prompts::current().saveFileName(this, QStringLiteral("Convert into"),
                                                           QStringLiteral("MS Access Databases (*.mdb)"),
                                                           QStringLiteral("mdb"));
    if (target.isEmpty())
        return;
    if (QFileInfo::exists(target)) {
        Prompts::warning(this, QStringLiteral("\"%1\" already exists. Choose a new file name for the converted database.")
                                   .arg(target));
        return;
    }
    QProgressDialog progress(QStringLiteral("Reading %1...").arg(QFileInfo(source).fileName()), QString(), 0, 0, this);
    progress.setObjectName(QStringLiteral("dlgConvertProgress"));
    progress.setWindowTitle(QStringLiteral("Convert"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setCancelButton(nullptr);
    progress.show();
    QCoreApplication::processEvents();
    try {
        WaitCursor wait;
        session_->convert(str(source), str(target), jetfile::chosenCharset(), [&](int n, int total, const std::string &table) {
            progress.setMaximum(total);
            progress.setValue(n - 1);
            progress.setLabelText(QStringLiteral("Table %1 of %2: %3").arg(n).arg(total).arg(text(table)));
            QCoreApplication::processEvents();
        });
    } catch (const std::exception &e) {
        progress.close();
        Prompts::error(this, QString::fromUtf8(e.what()));
        return;
    }
    progress.close();
    Prompts::information(this, QStringLiteral("\"%1\" was converted into \"%2\".")
                                   .arg(QFileInfo(source).fileName(), QFileInfo(target).fileName()));
}

void TfrmMain::cmAbout()
{
    if (!reportMissing("TdlgAbout", QStringLiteral("The About box"), true))
        ShowDialog("TdlgAbout");
}

void TfrmMain::cmExit()
{
    close();
}

// Refuses maintenance of the file that is open here; the engine would refuse it too, but the
// user should hear why in plain words.
bool TfrmMain::refuseOpenDatabase(const QString &path)
{
    if (!session_->isOpen())
        return false;
    const QFileInfo chosen(path), open(text(session_->access().GetDatabaseName()));
    if (chosen.canonicalFilePath().isEmpty() || chosen.canonicalFilePath() != open.canonicalFilePath())
        return false;
    Prompts::warning(this, QStringLiteral("\"%1\" is the open database. Close it first.").arg(chosen.fileName()));
    return true;
}

// The session replaces a file only once the new one is complete, with one atomic rename, so the
// chosen file is never lost: on any failure it stays as it was.
void TfrmMain::runMaintenance(const std::function<void()> &work)
{
    try {
        WaitCursor wait;
        work();
    } catch (const std::exception &e) {
        Prompts::warning(this, QString::fromUtf8(e.what()));
    }
}

void TfrmMain::cmCompact()
{
    const QString path = Prompts::current().openFileName(this, QStringLiteral("Compact database"), kDatabaseFilter,
                                                         QStringLiteral("mdb"));
    if (path.isEmpty() || refuseOpenDatabase(path))
        return;
    runMaintenance([&] { session_->compact(str(path)); });
}

void TfrmMain::cmRepair()
{
    const QString path = Prompts::current().openFileName(this, QStringLiteral("Repair database"), kDatabaseFilter,
                                                         QStringLiteral("mdb"));
    if (path.isEmpty() || refuseOpenDatabase(path))
        return;
    runMaintenance([&] { session_->repair(str(path)); });
}

void TfrmMain::cmEncrypt()
{
    convertDatabase(true);
}

void TfrmMain::cmDecrypt()
{
    convertDatabase(false);
}

// Encrypt or decrypt: a source, a destination (the save dialog asks before replacing one) and
// a password; the source stays as it was.
void TfrmMain::convertDatabase(bool encrypt)
{
    const QString source = Prompts::current().openFileName(
        this, encrypt ? QStringLiteral("Encrypt database") : QStringLiteral("Decrypt database"), kDatabaseFilter,
        QStringLiteral("mdb"));
    if (source.isEmpty())
        return;
    const QString destination = Prompts::current().saveFileName(
        this, encrypt ? QStringLiteral("Save encrypted database as") : QStringLiteral("Save decrypted database as"),
        kSaveFilter, QStringLiteral("mdb"));
    if (destination.isEmpty() || refuseOpenDatabase(source) || refuseOpenDatabase(destination))
        return;
    try {
        // Written over its own source, the file would be lost once the result replaced it.
        dbengine::maintenance::requireOtherFile(str(source), str(destination));
    } catch (const std::exception &e) {
        Prompts::warning(this, QString::fromUtf8(e.what()));
        return;
    }
    const QString password = AskPassword(this);
    if (password.isEmpty())
        return;
    runMaintenance([&] {
        if (encrypt)
            session_->encrypt(str(source), str(destination), str(password));
        else
            session_->decrypt(str(source), str(destination), str(password));
    });
}

void TfrmMain::cmObjectMap()
{
    ShowChildWindow("TfrmObjectMap");
}

void TfrmMain::cmQuery()
{
    ShowChildWindow("TfrmQuery");
}

void TfrmMain::cmTimings()
{
    if (!reportMissing("TfrmTimings", QStringLiteral("The Timings window"), false))
        ShowChildWindow("TfrmTimings");
}

void TfrmMain::cmCascade()
{
    mdi->cascadeSubWindows();
}

void TfrmMain::cmTileHor()
{
    // Windows side by side in rows: each takes the full width and a share of the height.
    const QList<QMdiSubWindow *> windows = mdi->subWindowList();
    if (windows.isEmpty())
        return;
    const QRect area = mdi->viewport()->rect();
    const int h = area.height() / int(windows.size());
    for (int i = 0; i < windows.size(); ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(0, i * h, area.width(), h);
    }
}

void TfrmMain::cmTileVer()
{
    const QList<QMdiSubWindow *> windows = mdi->subWindowList();
    if (windows.isEmpty())
        return;
    const QRect area = mdi->viewport()->rect();
    const int w = area.width() / int(windows.size());
    for (int i = 0; i < windows.size(); ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(i * w, 0, w, area.height());
    }
}

void TfrmMain::cmMinimizeAll()
{
    for (QMdiSubWindow *w : mdi->subWindowList())
        w->showMinimized();
}

// The engine's reference: the engine notes shipped with the program, opened by the desktop.
QString TfrmMain::engineNotesFile()
{
    return QString::fromStdString(platform::programDataDir()) + QStringLiteral("/engine.md");
}

void TfrmMain::mmDAOClick()
{
    const QString path = engineNotesFile();
    if (!QFileInfo::exists(path)) {
        Prompts::warning(this, QStringLiteral("The engine notes were not found at \"%1\".").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        Prompts::warning(this, QStringLiteral("No program to show \"%1\" was found.").arg(path));
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (placementRestored_)
        return;
    placementRestored_ = true;
    try {
        // First start: a good share of the screen, centred, so the child windows fit inside.
        if (!Storage.hasPlacement()) {
            if (const QScreen *screen = this->screen()) {
                const QRect area = screen->availableGeometry();
                const QSize size(std::max(641, area.width() * 4 / 5), std::max(466, area.height() * 4 / 5));
                resize(size.boundedTo(area.size()));
                move(area.center() - QPoint(width() / 2, height() / 2));
            }
        }
        Storage.restorePlacement(this);
    } catch (const std::exception &e) {
        Prompts::error(this, QString::fromUtf8(e.what()));
    }
    UpdateControls();
    reportPendingEngineError();
}

void TfrmMain::reportPendingEngineError()
{
    if (pendingError_.isEmpty())
        return;
    const QString message = pendingError_;
    pendingError_.clear();
    Application::reportException(message);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (session_->isOpen() && !Prompts::confirm(this, QStringLiteral("Close session?"))) {
        event->ignore();
        return;
    }
    Storage.savePlacement(this);
    cmCloseAll();
    session_->stopEngine();
    UpdateControls();
    closed_ = true;
    event->accept();
}
