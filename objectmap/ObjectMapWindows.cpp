#include "ObjectMapWindows.h"

#include "ObjectMap.h"
#include "app/MainWindow.h"

void registerObjectMapWindows()
{
    TfrmMain::registerChildWindow("TfrmObjectMap", [](TfrmMain *) { return new TfrmObjectMap; });
}
