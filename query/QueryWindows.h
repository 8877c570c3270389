#pragma once

// Registers the query window with the main window, so its Query command and the opening of a
// database can create it.
void registerQueryWindows();
