#pragma once

#include <QString>

// Registers the query window with the main window, so its Query command and the opening of a
// database can create it. `historyFile`: where its history is kept; empty for History.sql in
// the folder for files beside the executable (the screenshots keep theirs elsewhere).
void registerQueryWindows(const QString &historyFile = {});
