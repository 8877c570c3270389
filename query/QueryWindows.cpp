#include "QueryWindows.h"

#include "QueryWindow.h"

#include "app/MainWindow.h"

void registerQueryWindows(const QString &historyFile)
{
    TfrmMain::registerChildWindow("TfrmQuery", [historyFile](TfrmMain *main) {
        return historyFile.isEmpty() ? new TfrmQuery(main->session()) : new TfrmQuery(main->session(), nullptr, historyFile);
    });
}
