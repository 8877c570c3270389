#pragma once

struct sqlite3;

namespace accesssql {

// Registers on a connection the functions translated Access SQL calls: acc_<name> for each
// Access function (acc_left, acc_format, ...), the operators acc_concat (&), acc_add and acc_sub
// (+ and - on text and dates), acc_mod, acc_intdiv (\), acc_power (^), acc_like, and the
// aggregates acc_first, acc_last, acc_stdev, acc_stdevp, acc_var, acc_varp. Throws
// std::runtime_error when SQLite refuses one.
void registerFunctions(sqlite3 *db);

} // namespace accesssql
