#pragma once

#include <string>

namespace dbengine {

// Checks what can be told about a database file without SQLite: that it exists, is a regular
// file, is not sealed, starts with the SQLite header and holds as many pages as the header says,
// and, for writing, that it may be written. Throws the engine's file errors.
void checkDatabaseFile(const std::string &path, bool forWriting);

// Refuses a workgroup information file offered as a database.
void refuseWorkgroupFile(const std::string &path);

} // namespace dbengine
