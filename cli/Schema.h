#pragma once

#include <string>

namespace automation {
class Variant;
}

namespace cli {

// The definitions of an open database, one statement a definition, each ending with ";" and a
// line break: every user table (CREATE TABLE with Jet type names), every index (WITH PRIMARY for
// the primary key), every relation (ALTER TABLE ... ADD CONSTRAINT ... FOREIGN KEY), and every
// saved query as "-- Query: name (type)" followed by its SQL text.
std::string schemaText(const automation::Variant &database);

} // namespace cli
