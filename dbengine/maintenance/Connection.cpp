#include "Connection.h"

#include "Failure.h"
#include "Statement.h"

#include <filesystem>
#include <sqlite3.h>

namespace dbengine::maintenance {

namespace {
constexpr int busyTimeoutMs = 2000;
}

Connection::Connection(const std::string &path, Mode mode, bool uriTargets) : path_(path)
{
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)
                      | SQLITE_OPEN_EXRESCODE | (uriTargets ? SQLITE_OPEN_URI : 0);
    // Absolute, so that a name beginning with "file:" is never taken for a URI.
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    if (error)
        failReading(error.value(), path);
    const int rc = sqlite3_open_v2(absolute.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        failSqlite(rc, path, detail);
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs);
}

Connection::~Connection()
{
    sqlite3_close_v2(db_);
}

void Connection::exec(const std::string &sql)
{
    const int rc = tryExec(sql);
    if (rc != SQLITE_OK)
        failWith(rc);
}

int Connection::tryExec(const std::string &sql)
{
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

std::string Connection::text(const std::string &sql)
{
    Statement statement(*this, sql);
    return statement.step() ? statement.text(0) : std::string();
}

int Connection::tryText(const std::string &sql, std::string &result)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    result = rc == SQLITE_ROW && sqlite3_column_text(statement, 0)
                 ? reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))
                 : "";
    sqlite3_finalize(statement);
    return rc;
}

bool Connection::compiles(const std::string &sql)
{
    sqlite3_stmt *statement = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), int(sql.size()), &statement, nullptr);
    sqlite3_finalize(statement);
    return rc == SQLITE_OK;
}

std::string Connection::errorMessage() const
{
    return sqlite3_errmsg(db_);
}

bool Connection::isReadOnly() const
{
    return sqlite3_db_readonly(db_, "main") == 1;
}

void Connection::failWith(int rc) const
{
    failSqlite(rc, path_, errorMessage());
}

std::string quoteIdentifier(const std::string &name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += c;
    }
    return quoted + "\"";
}

} // namespace dbengine::maintenance
