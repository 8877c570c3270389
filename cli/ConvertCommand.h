#pragma once

#include <string>

namespace cli {

// Converts the Access file `source` into a new engine database `target` (never over an existing
// file), printing "Table n of m: name" lines to standard error. Returns the exit status: 0 done,
// 2 refused or failed (with a sentence on standard error).
int convertCommand(const std::string &source, const std::string &target, const std::string &charset);

} // namespace cli
