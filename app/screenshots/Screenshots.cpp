// jetwarden-screenshots: opens a database in the program's windows and saves pictures of them,
// for the documentation and for looking at the program without a desktop.

#include "app/Application.h"
#include "app/DlgFileProps.h"
#include "app/DlgKey.h"
#include "app/DlgLogin.h"
#include "app/DlgPrefs.h"
#include "app/MainWindow.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

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

} // namespace

int main(int argc, char **argv)
{
    dbengine::registerEngine();
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
    window.MRUMan.add(database);
    window.UpdateControls();
    bool ok = save(&window, folder, QStringLiteral("main-window"));

    TdlgPrefs prefs(&window);
    prefs.setEngineIndex(window.Access->DAOType());
    prefs.setSystemDb(QString::fromStdString(window.Access->GetSystemDB()));
    ok = save(&prefs, folder, QStringLiteral("preferences")) && ok;

    TdlgLogin login(&window);
    ok = save(&login, folder, QStringLiteral("login")) && ok;

    TdlgKey key(&window);
    ok = save(&key, folder, QStringLiteral("password")) && ok;

    TdlgFileProps props(&window);
    props.setFile(QString::fromStdString(window.Access->GetDatabaseName()));
    props.setEngineText(QStringLiteral("Data Access Objects ") + QString::fromStdString(window.Access->GetEngineVersion()));
    props.setDriverText(QStringLiteral("Microsoft Jet ") + QString::fromStdString(window.Access->GetDatabaseVersion()));
    props.setWorkspace(QString::fromStdString(window.Access->GetWorkspaceName()));
    props.setUser(QString::fromStdString(window.Access->GetCurrentUser()));
    props.setSystemDatabase(QString::fromStdString(window.Access->GetSystemDB()));
    ok = save(&props, folder, QStringLiteral("properties")) && ok;

    window.CloseCurrent();
    return ok ? 0 : 1;
}
