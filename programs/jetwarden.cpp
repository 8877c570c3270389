// jetwarden: the desktop program. An optional argument names a database to open at start, as if
// it had been chosen in the open dialog.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "dbengine/Engine.h"
#include "objectmap/ObjectMapWindows.h"
#include "query/QueryWindows.h"
#include "timings/TimingsWindows.h"

#include <QFileInfo>
#include <QTimer>

int main(int argc, char **argv)
{
    dbengine::registerEngine();
    registerObjectMapWindows();
    registerQueryWindows();
    registerTimingsWindows();
    Application app(argc, argv);
    TfrmMain window;
    window.show();
    const QStringList args = app.arguments();
    if (args.size() > 1) {
        const QString path = QFileInfo(args.at(1)).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, path] {
            window.OpenDatabaseFile(path);
            window.recentFiles().add(path);
            window.UpdateControls();
        });
    }
    return app.exec();
}
