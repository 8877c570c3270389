#include "TableCopy.h"

#include "Failure.h"
#include "RowWalker.h"
#include "dbengine/Sqlite.h"

#include "automation/Text.h"

#include <map>
#include <sqlite3.h>

namespace dbengine::maintenance {

namespace {
// The names under which SQLite answers with the rowid, unless a column took the name.
const char *const rowidNames[3] = {"rowid", "_rowid_", "oid"};
} // namespace

TableCopy::TableCopy(Connection &source, Connection &target, const std::string &table, bool isVirtual)
    : source_(source), target_(target), table_(table), isVirtual_(isVirtual)
{
    readColumns();
}

void TableCopy::readColumns()
{
    // The new table's definition is the intact one; generated and hidden columns take no values.
    Statement info(target_, "SELECT name, pk, hidden FROM pragma_table_xinfo(?1) ORDER BY cid");
    info.bind(1, table_);
    std::map<std::int64_t, std::string> keys;
    while (info.step()) {
        const std::string name = info.text(0);
        for (int i = 0; i < 3; ++i)
            hasColumnNamed_[i] = hasColumnNamed_[i] || automation::equalsNoCase(name, rowidNames[i]);
        if (info.integer(2) != 0)
            continue;
        columns_ += (columnCount_++ ? ", " : "") + quoteIdentifier(name);
        if (info.integer(1) > 0)
            keys[info.integer(1)] = quoteIdentifier(name) + " DESC";
    }
    for (const auto &[position, key] : keys)
        keyOrder_ += (keyOrder_.empty() ? "" : ", ") + key;
}

std::string TableCopy::reachableRowidName() const
{
    if (isVirtual_)
        return {};
    const std::string table = quoteIdentifier(table_);
    for (int i = 0; i < 3; ++i) {
        // A table without rowid has none of these names.
        if (!hasColumnNamed_[i]
            && target_.compiles(std::string("SELECT ") + rowidNames[i] + " FROM " + table))
            return rowidNames[i];
    }
    return {};
}

void TableCopy::run()
{
    // SQLite leaves out a schema entry it cannot use (a damaged root page number, say); such a
    // table is recreated empty.
    if (columnCount_ == 0 || !source_.compiles("SELECT " + columns_ + " FROM " + quoteIdentifier(table_)))
        return;
    const std::string rowid = reachableRowidName();
    std::string placeholders = "?";
    for (int i = 1; i < columnCount_ + (rowid.empty() ? 0 : 1); ++i)
        placeholders += ", ?";
    Statement insert(target_, "INSERT OR IGNORE INTO " + quoteIdentifier(table_) + " (" + columns_
                                  + (rowid.empty() ? "" : ", " + rowid) + ") VALUES ("
                                  + placeholders + ")");
    RowWalker::Table walk{quoteIdentifier(table_), columns_, rowid,
                          rowid.empty() && !isVirtual_ ? keyOrder_ : std::string()};
    RowWalker(source_, walk).visit([&](const Statement &row) {
        insert.reset();
        insert.bindRow(row);
        const int rc = insert.tryStep();
        if (rc != SQLITE_DONE && isEnvironmentFailure(rc))
            target_.fail(rc);
    });
}

} // namespace dbengine::maintenance
