#include "QueryWindows.h"

#include "QueryWindow.h"

#include "app/MainWindow.h"

void registerQueryWindows()
{
    TfrmMain::registerChildWindow("TfrmQuery", [](TfrmMain *) { return new TfrmQuery; });
}
