#pragma once

#include <string>

namespace dbengine::maintenance {

// Checks the database at `path` and rebuilds it: a sound one with VACUUM INTO, a damaged one by
// salvaging what can be read. The rebuilt file replaces the original in one rename once it is
// complete and synced; on any failure the original stays as it was.
void repairDatabase(const std::string &path);

} // namespace dbengine::maintenance
