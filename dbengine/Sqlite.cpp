#include "Sqlite.h"

#include "ErrorCodes.h"
#include "automation/Error.h"

#include <filesystem>
#include <sqlite3.h>

#include <map>
#include <mutex>
#include <utility>

namespace dbengine {

namespace {

std::mutex readOnlyMutex;
std::map<sqlite3 *, std::string> &readOnlyMessages()
{
    static std::map<sqlite3 *, std::string> messages;
    return messages;
}

std::string readOnlyMessage(sqlite3 *db)
{
    std::lock_guard lock(readOnlyMutex);
    auto it = readOnlyMessages().find(db);
    return it == readOnlyMessages().end() ? std::string() : it->second;
}

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

void setReadOnlyMessage(sqlite3 *db, std::string message)
{
    std::lock_guard lock(readOnlyMutex);
    if (message.empty())
        readOnlyMessages().erase(db);
    else
        readOnlyMessages()[db] = std::move(message);
}

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
        message = db ? readOnlyMessage(db) : std::string();
        if (!message.empty())
            context = {};
        else if (rc == SQLITE_READONLY_ROLLBACK || rc == SQLITE_READONLY_RECOVERY || rc == SQLITE_READONLY_CANTINIT)
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
    prepare(sql);
}

Statement::Statement(const Connection &connection, std::string_view sql)
    : db_(connection.handle()), connection_(&connection)
{
    prepare(sql);
}

void Statement::prepare(std::string_view sql)
{
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        fail(rc);
    }
    for (const char *p = tail; p && p < sql.data() + sql.size(); ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') {
            hasTail_ = true;
            break;
        }
    }
}

Statement::Statement(Statement &&other) noexcept
    : db_(other.db_), connection_(other.connection_), stmt_(std::exchange(other.stmt_, nullptr)),
      hasTail_(other.hasTail_)
{
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

void Statement::fail(int rc) const
{
    if (connection_)
        connection_->fail(rc);
    throwSqlite(db_, rc);
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
    fail(rc);
}

int Statement::tryStep()
{
    return stmt_ ? sqlite3_step(stmt_) : SQLITE_DONE;
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

void Statement::bindRow(const Statement &row)
{
    for (int i = 0; i < row.columnCount(); ++i)
        sqlite3_bind_value(stmt_, i + 1, sqlite3_column_value(row.stmt_, i));
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

Connection::Connection(const std::string &path, int flags, FailureReport report)
    : Connection(path, fileNameForSqlite(path), flags, report)
{
}

Connection::Connection(const std::string &path, const std::string &sqliteName, int flags, FailureReport report)
    : path_(path), report_(report)
{
    const int rc = sqlite3_open_v2(sqliteName.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        if (report_)
            report_(rc, path_, message);
        throw automation::Error("Cannot open '" + path + "': " + sentence(message), codeFor(rc),
                                "DAO.Workspace");
    }
    sqlite3_extended_result_codes(db_, 1);
}

Connection Connection::memory(const std::string &name, FailureReport report, const std::string &reportedPath)
{
    return Connection(reportedPath.empty() ? name : reportedPath, memoryUri(name),
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, report);
}

std::string Connection::memoryUri(const std::string &name)
{
    return "file:/" + name + "?vfs=memdb";
}

Connection::Connection(Connection &&other) noexcept
    : db_(std::exchange(other.db_, nullptr)), path_(std::move(other.path_)), report_(other.report_)
{
}

Connection::~Connection()
{
    if (!db_)
        return;
    setReadOnlyMessage(db_, {});
    sqlite3_close_v2(db_);
}

void Connection::setBusyTimeout(int milliseconds)
{
    sqlite3_busy_timeout(db_, milliseconds);
}

void Connection::exec(std::string_view sql)
{
    const int rc = tryExec(sql);
    if (rc != SQLITE_OK)
        fail(rc);
}

int Connection::tryExec(std::string_view sql)
{
    return sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, nullptr);
}

std::int64_t Connection::scalar(std::string_view sql)
{
    Statement st(*this, sql);
    return st.step() ? st.integer(0) : 0;
}

std::string Connection::text(std::string_view sql)
{
    Statement st(*this, sql);
    return st.step() ? st.text(0) : std::string();
}

int Connection::tryText(std::string_view sql, std::string &result)
{
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &st, nullptr);
    if (rc == SQLITE_OK)
        rc = st ? sqlite3_step(st) : SQLITE_DONE;
    const auto *p = rc == SQLITE_ROW ? sqlite3_column_text(st, 0) : nullptr;
    result = p ? std::string(reinterpret_cast<const char *>(p), std::size_t(sqlite3_column_bytes(st, 0)))
               : std::string();
    sqlite3_finalize(st);
    return rc;
}

bool Connection::compiles(std::string_view sql)
{
    sqlite3_stmt *st = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &st, nullptr);
    sqlite3_finalize(st);
    return rc == SQLITE_OK;
}

std::int64_t Connection::schemaVersion()
{
    return scalar("PRAGMA schema_version");
}

bool Connection::readOnly() const
{
    return sqlite3_db_readonly(db_, "main") == 1;
}

std::string Connection::errorMessage() const
{
    return sqlite3_errmsg(db_);
}

void Connection::fail(int rc) const
{
    if (report_)
        report_(rc, path_, errorMessage());
    throwSqlite(db_, rc);
}

namespace {

// Nothing is left to roll back once SQLite ended the transaction itself (after some errors it
// does); a ROLLBACK then could only meet a transaction begun since.
bool inTransaction(const Connection *connection)
{
    return connection && !sqlite3_get_autocommit(connection->handle());
}

[[noreturn]] void failEnded(const char *what)
{
    throw automation::Error(std::string("The ") + what + " has already ended; it cannot end twice.",
                            err::General, "DAO.Database");
}

} // namespace

Transaction::Transaction(Connection &connection, std::string_view begin) : connection_(&connection)
{
    connection.exec(begin);
}

Transaction::Transaction(Transaction &&other) noexcept : connection_(std::exchange(other.connection_, nullptr))
{
}

Transaction::~Transaction()
{
    if (inTransaction(connection_))
        connection_->tryExec("ROLLBACK");
}

void Transaction::commit()
{
    if (!connection_)
        failEnded("transaction");
    connection_->exec("COMMIT");
    connection_ = nullptr;
}

Savepoint::Savepoint(Connection &connection, std::string name) : connection_(&connection), name_(std::move(name))
{
    connection.exec("SAVEPOINT " + quoteIdentifier(name_));
}

Savepoint::Savepoint(Savepoint &&other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)), name_(std::move(other.name_))
{
}

Savepoint::~Savepoint()
{
    if (!inTransaction(connection_))
        return;
    connection_->tryExec("ROLLBACK TO " + quoteIdentifier(name_));
    connection_->tryExec("RELEASE " + quoteIdentifier(name_));
}

void Savepoint::release()
{
    if (!connection_)
        failEnded("savepoint");
    connection_->exec("RELEASE " + quoteIdentifier(name_));
    connection_ = nullptr;
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
