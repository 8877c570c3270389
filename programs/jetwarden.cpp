// jetwarden: the desktop program. An optional argument names a database to open at start, as if
// it had been chosen in the open dialog.

#include "accounts/AccountsDialogs.h"
#include "about/TdlgAbout.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "dbengine/Engine.h"
#include "errors/TdlgException.h"
#include "objectmap/ObjectMapWindows.h"
#include "platform/ProgramInfo.h"
#include "query/QueryWindows.h"
#include "sysinfo/SystemSummary.h"
#include "timings/TimingsWindows.h"

#include <QFileInfo>
#include <QTimer>

#include <cstring>

int main(int argc, char **argv)
{
    // These are answered before Qt starts, so they work without a display.
    if (auto status = platform::answerInfoOption(argc, argv, "jetwarden", jetwardenUsage()))
        return *status;
    if (argc > 1 && std::strcmp(argv[1], "--system-info") == 0)
        return sysinfo::PrintSystemInfo();
    dbengine::registerEngine();
    registerObjectMapWindows();
    registerQueryWindows();
    registerAccountsDialogs();
    registerTimingsWindows();
    registerAboutBox();
    Application app(argc, argv);
    TdlgException::Install();
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
