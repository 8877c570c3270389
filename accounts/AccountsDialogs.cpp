#include "AccountsDialogs.h"

#include "AccountsDlg.h"
#include "app/MainWindow.h"

void registerAccountsDialogs()
{
    // The dialog gets the frame's access object; it keeps no way back to the frame.
    TfrmMain::registerDialog("TdlgAccounts",
                             [](TfrmMain *frame) -> QDialog * { return new TdlgAccounts(frame->session().access(), frame); });
}
