#pragma once

#include <string>
#include <vector>

namespace jetfile {

struct QueryRow;

struct RebuiltQuery {
    std::string sql;
    int daoType = 0;
};

// The SQL text of one saved query, rebuilt from its rows of MSysQueries in the form Access
// shows it, and its DAO query type (0 select, 16 crosstab, 32 delete, 48 update, 64 append,
// 80 make-table, 96 data definition, 112 pass-through, 128 union).
RebuiltQuery rebuildQuery(const std::vector<QueryRow> &rows);

} // namespace jetfile
