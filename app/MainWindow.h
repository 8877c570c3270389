#pragma once

#include "RecentFiles.h"
#include "SettingsStore.h"
#include "session/Session.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

// The frame: menus, tool buttons and the MDI area of child windows. It owns the session (the
// access object, the login and the open database) and turns its commands into the session's
// workflows; child windows get the session from their factory.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The session every child window and dialog works on; it outlives them all.
    session::Session &session() const { return *session_; }
    // The frame's stored settings (group "1.x") and the recent files kept with them.
    SettingsStore &storage() { return Storage; }
    RecentFiles &recentFiles() { return MRUMan; }
    // A stored yes/no setting of the frame ("Cont", "System", "Exclusive", "ReadOnly").
    bool stored(const char *name) const;

    // Child windows: a factory per window class name; the windows of later features register here.
    using ChildFactory = std::function<QWidget *(TfrmMain *)>;
    static void registerChildWindow(const char *className, ChildFactory factory);
    // The first child of exactly that class, or null.
    QWidget *FindChildWindow(const char *className) const;
    // That child brought to the front, or a new one; null when no such window is registered.
    QWidget *ShowChildWindow(const char *className, bool several = false);
    QMdiArea *mdiArea() const { return mdi; }

    // Modal dialogs of later features (accounts, about): created, shown and destroyed per command.
    using DialogFactory = std::function<QDialog *(TfrmMain *)>;
    static void registerDialog(const char *className, DialogFactory factory);
    int ShowDialog(const char *className);

    // Closes what is open and opens `fileName`, asking for a login when needed; true when open.
    bool OpenDatabaseFile(const QString &fileName);
    void CloseCurrent();
    void UpdateControls();
    // The engine notes Help shows: share/jetwarden once installed, beside the program in a build.
    static QString engineNotesFile();

public slots:
    void cmNewDB();
    void cmOpenDB();
    void cmClose();
    void cmConvert();
    void cmRefresh();
    void cmProps();
    void cmAccounts();
    void cmPrefs();
    void cmAbout();
    void cmExit();
    void cmRepair();
    void cmCompact();
    void cmEncrypt();
    void cmDecrypt();
    void cmObjectMap();
    void cmQuery();
    void cmTimings();
    void cmCascade();
    void cmTileHor();
    void cmTileVer();
    void cmMinimizeAll();
    void cmCloseAll();
    void mmDAOClick();
    void MRUManClick(const QString &recentName);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addCommand(QMenu *menu, const char *name, const QString &caption, void (TfrmMain::*slot)(),
                        const QKeySequence &shortcut = {});
    void buildMenus();
    void buildToolBar();
    void rebuildReopenMenu();
    void rebuildWindowsMenu();
    void mergeChildMenu(QMdiSubWindow *window);
    bool refuseOpenDatabase(const QString &path);
    // True (after telling the user) while a child window is busy with the open database.
    bool refuseWhileBusy();
    // True (after telling the user) when no window or dialog of `className` is registered.
    bool reportMissing(const char *className, const QString &what, bool dialog);
    void convertDatabase(bool encrypt);
    // Runs a whole-file workflow of the session under the hourglass; a failure is shown.
    void runMaintenance(const std::function<void()> &work);
    bool LoginToDatabase();
    void ConnectDatabase();
    void OpenAndShow();
    void showOpened();
    void ApplyEngineSettings(int engineIndex);
    void CreateDefaultWorkgroup();
    int storedEngineIndex(bool *valid = nullptr) const;
    void reportPendingEngineError();
    static void applyJetCharset(const QString &name);

    std::unique_ptr<session::Session> session_;
    // The login the next open uses: the default account, or what the login dialog was given.
    session::Login login_;
    QString DatabaseFile;
    SettingsStore Storage;
    RecentFiles MRUMan;
    QString ApplicationTitle;

    QMdiArea *mdi;
    QToolBar *Rebar2;
    QMenu *mmFile, *mmReopen, *mmTools, *mmWindows, *mmHelp;
    // The active child's menu action; it goes with its window, whenever that is deleted.
    QPointer<QAction> mergedMenu;
    std::map<QString, QAction *> actions_;
    bool placementRestored_ = false;
    bool closed_ = false;
    QString pendingError_;
};
