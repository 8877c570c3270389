#pragma once

#include "CliOptions.h"

namespace cli {

// Opens the database through the access object as the main window does, runs the script and
// returns the exit status.
int runSession(const Options &options);

} // namespace cli
