#pragma once

#include "dbengine/Sqlite.h"

#include <string>

namespace dbengine::maintenance {

enum class Access { ReadOnly, ReadWrite };

// Opens the database file `path` for work on the whole file: failures name the file, and a lock
// held by another program is waited for a little while. `uriTargets` lets statements such as
// ATTACH and VACUUM INTO name an in-memory database by URI.
Connection openFile(const std::string &path, Access access, bool uriTargets = false);

} // namespace dbengine::maintenance
