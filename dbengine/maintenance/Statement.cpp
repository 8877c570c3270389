#include "Statement.h"

#include "Connection.h"

#include <sqlite3.h>

namespace dbengine::maintenance {

Statement::Statement(Connection &connection, const std::string &sql) : connection_(connection)
{
    const int rc = sqlite3_prepare_v2(connection.handle(), sql.c_str(), int(sql.size()),
                                      &statement_, nullptr);
    if (rc != SQLITE_OK)
        connection.failWith(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(statement_);
}

bool Statement::step()
{
    const int rc = tryStep();
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    connection_.failWith(rc);
}

int Statement::tryStep()
{
    return sqlite3_step(statement_);
}

void Statement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

void Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(statement_, index, value);
}

void Statement::bind(int index, const std::string &value)
{
    sqlite3_bind_text(statement_, index, value.data(), int(value.size()), SQLITE_TRANSIENT);
}

void Statement::bindRow(const Statement &row)
{
    for (int i = 0; i < row.columnCount(); ++i)
        sqlite3_bind_value(statement_, i + 1, sqlite3_column_value(row.statement_, i));
}

int Statement::columnCount() const
{
    return sqlite3_column_count(statement_);
}

std::string Statement::text(int column) const
{
    const auto *bytes = sqlite3_column_text(statement_, column);
    return bytes ? std::string(reinterpret_cast<const char *>(bytes),
                               std::size_t(sqlite3_column_bytes(statement_, column)))
                 : std::string();
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

} // namespace dbengine::maintenance
