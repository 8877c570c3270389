#pragma once

#include <functional>
#include <string>

namespace jetfile {

class JetReader;

// Where a conversion stands: the table being copied (1-based) of how many.
using Progress = std::function<void(int table, int tables, const std::string &name)>;

// Writes everything `reader` holds into a new engine database at `target` (a file that must not
// exist yet): tables with their Jet types, rows, primary keys and indexes, relations as foreign
// keys, saved queries with their Jet text and type, container documents, and the marker of
// Access origin (table MSysAccessOrigin). `source` and `stamp` go into the marker.
void writeEngineDatabase(JetReader &reader, const std::string &target, const std::string &source,
                         const std::string &charset, const Progress &progress);

} // namespace jetfile
