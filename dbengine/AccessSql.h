#pragma once

#include "accesssql/Translator.h"

#include <string>

namespace dbengine {

class DatabaseCore;

// Whether a database came from Access (opened from a Jet file or converted from one): its
// saved queries are Access SQL, and Access SQL is what its users type.
bool isAccessOrigin(DatabaseCore &core);

// Translates an Access SQL statement for the database: saved queries come from its catalogue,
// a crosstab's columns from its data, and parameters from the values given to the database or
// from its parameter prompt. A name that SQLite cannot resolve is asked for as a parameter, as
// Access does. Throws automation::Error (3075) naming what is refused.
accesssql::Translation translateAccess(DatabaseCore &core, const std::string &sql);

} // namespace dbengine
