#pragma once

#include "RecentFiles.h"
#include "SettingsStore.h"
#include "automation/Variant.h"

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

namespace engine {
class TMSAccess;
}

// The frame: menus, tool buttons and the MDI area of child windows; owns the one access object
// and opens, closes and maintains databases through it.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    // The one main window of the program (null before it exists).
    static TfrmMain *instance();

    std::unique_ptr<engine::TMSAccess> Access;
    QString LoginUser;
    QString LoginPassword;
    QString DatabaseFile;
    automation::Variant CurrentDatabase;
    SettingsStore Storage;
    RecentFiles MRUMan;
    QString ApplicationTitle;

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
    bool LoginToDatabase();
    void ConnectDatabase();
    void OpenAndShow();
    void CloseCurrent();
    void ApplyEngineSettings(int engineIndex);
    void CreateDefaultWorkgroup();
    void UpdateControls();
    // The engine notes Help shows: share/jetwarden once installed, beside the program in a build.
    static QString engineNotesFile();

public slots:
    void cmNewDB();
    void cmOpenDB();
    void cmClose();
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
    // Runs `work` into a temporary file beside `destination` that then replaces it in one rename.
    void intoPlace(const QString &destination, const std::function<void(const QString &temporary)> &work);
    bool stored(const char *name) const;
    int storedEngineIndex(bool *valid = nullptr) const;
    void reportPendingEngineError();

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
