#pragma once

#include "automation/Variant.h"

#include <string>

namespace engine {

// The one way a new database file is made: through a workspace of the engine's own kind, under
// `user`. The engine never replaces an existing file; its error says so.

// Opens a workspace named `name` on `engine` under that account.
automation::Variant OpenEngineWorkspace(const automation::Variant &engine, const std::string &name,
                                        const std::string &user, const std::string &password);

// Creates an empty database at `path` on the open `workspace` and returns it open.
automation::Variant CreateDatabase(const automation::Variant &workspace, const std::string &path);

// Creates an empty database file at `path` through a scratch workspace of its own under the
// default account, and closes both again.
void CreateDatabaseFile(const automation::Variant &engine, const std::string &path);

} // namespace engine
