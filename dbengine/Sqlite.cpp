#include "Sqlite.h"

#include "ErrorCodes.h"
#include "automation/Error.h"

#include <filesystem>
#include <sqlite3.h>

namespace dbengine {

namespace {

std::string sentence(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = char(text[0] - 'a' + 'A');
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

std::int32_t codeFor(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
        return err::Damaged;
    case SQLITE_NOTADB:
        return err::NotADatabase;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return err::FileInUse;
    case SQLITE_READONLY:
        return err::ReadOnlyDatabase;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
        return err::IoError;
    default:
        return err::SqlError;
    }
}

} // namespace

void throwSqlite(sqlite3 *db, int rc, std::string_view context)
{
    std::string message;
    switch (rc & 0xff) {
    case SQLITE_CORRUPT:
        message = "The database file is damaged (" + std::string(sqlite3_errstr(rc))
                  + "); repair it with Tools, Repair.";
        break;
    case SQLITE_NOTADB:
        message = "The file is not a database.";
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        message = "The database is in use by another program or opened exclusively; try again later.";
        break;
    case SQLITE_READONLY:
        if (rc == SQLITE_READONLY_ROLLBACK || rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT)
            message = "The database has an unfinished change left by a program that stopped; open it for "
                      "writing (not read-only) or repair it (Tools, Repair) to finish that change.";
        else if (rc == SQLITE_READONLY_DIRECTORY)
            message = "The folder of the database is not writable, so no change can be saved; move the file to a "
                      "folder you may write to.";
        else
            message = "The database is opened read-only; it cannot be changed.";
        break;
    default:
        message = sentence(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    }
    if (!context.empty())
        message = std::string(context) + ": " + message;
    throw automation::Error(message, codeFor(rc), "DAO.Database");
}

Statement::Statement(sqlite3 *db, std::string_view sql) : db_(db)
{
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), int(sql.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        throwSqlite(db, rc);
    }
    for (const char *p = tail; p && p < sql.data() + sql.size(); ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') {
            hasTail_ = true;
            break;
        }
    }
}

Statement::Statement(Statement &&other) noexcept
    : db_(other.db_), stmt_(other.stmt_), hasTail_(other.hasTail_)
{
    other.stmt_ = nullptr;
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

bool Statement::step()
{
    if (!stmt_)
        return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throwSqlite(db_, rc);
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
}

void Statement::bind(int index, std::string_view text)
{
    sqlite3_bind_text(stmt_, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
}

void Statement::bindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
}

int Statement::columnCount() const
{
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(stmt_, column);
}

std::string Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    return p ? std::string(p, std::size_t(sqlite3_column_bytes(stmt_, column))) : std::string();
}

namespace {

// Every name given is a file name: made absolute, a name such as "file:x.mdb" can never be read
// as one of SQLite's URIs, which would open another file.
std::string fileNameForSqlite(const std::string &path)
{
    if (path.empty() || path == ":memory:")
        return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? "./" + path : absolute.string();
}

} // namespace

Connection::Connection(const std::string &path, int flags)
{
    const int rc = sqlite3_open_v2(fileNameForSqlite(path).c_str(), &db_, flags & ~SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw automation::Error("Cannot open '" + path + "': " + sentence(message), codeFor(rc),
                                "DAO.Workspace");
    }
    sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection()
{
    sqlite3_close_v2(db_);
}

void Connection::exec(std::string_view sql)
{
    char *msg = nullptr;
    const int rc = sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, &msg);
    sqlite3_free(msg);
    if (rc != SQLITE_OK)
        throwSqlite(db_, rc);
}

std::int64_t Connection::scalar(std::string_view sql)
{
    Statement st(db_, sql);
    return st.step() ? st.integer(0) : 0;
}

std::int64_t Connection::schemaVersion()
{
    return scalar("PRAGMA schema_version");
}

bool Connection::readOnly() const
{
    return sqlite3_db_readonly(db_, "main") == 1;
}

Transaction::Transaction(Connection &connection, std::string_view begin) : connection_(connection)
{
    connection_.exec(begin);
}

Transaction::~Transaction()
{
    if (!done_) {
        try {
            connection_.exec("ROLLBACK");
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    connection_.exec("COMMIT");
    done_ = true;
}

Savepoint::Savepoint(Connection &connection, std::string name) : connection_(connection), name_(std::move(name))
{
    connection_.exec("SAVEPOINT " + name_);
}

Savepoint::~Savepoint()
{
    if (!done_) {
        try {
            connection_.exec("ROLLBACK TO " + name_);
            connection_.exec("RELEASE " + name_);
        } catch (...) {
        }
    }
}

void Savepoint::release()
{
    connection_.exec("RELEASE " + name_);
    done_ = true;
}

std::string quoteIdentifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

} // namespace dbengine
