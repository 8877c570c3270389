#include "QueryWindows.h"

#include "QueryWindow.h"

#include "app/MainWindow.h"

void registerQueryWindows(const QString &historyFile)
{
    TfrmMain::registerChildWindow("TfrmQuery", [historyFile](TfrmMain *) {
        return historyFile.isEmpty() ? new TfrmQuery : new TfrmQuery(nullptr, historyFile);
    });
}
