#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The one layer over SQLite's C interface: connections, statements, transactions and savepoints
// own their handles, cannot be copied, and turn every SQLite failure into an automation::Error.
namespace dbengine {

// Throws the automation::Error that matches a SQLite result code, with SQLite's message turned
// into a sentence. `db` may be null.
[[noreturn]] void throwSqlite(sqlite3 *db, int rc, std::string_view context = {});

// The sentence a refused write on `db` reports instead of the general "opened read-only" one
// (an Access file's working copy names the file and the way to a writable copy). An empty text
// forgets it; a closing connection forgets its own.
void setReadOnlyMessage(sqlite3 *db, std::string message);

// Throws the error for SQLite's result code `rc` met while working on the file `path`; `detail`
// is SQLite's own message. Must not return. Work on whole files (compact, repair) words its
// failures so; the engine's own sentences are those of throwSqlite.
using FailureReport = void (*)(int rc, const std::string &path, const std::string &detail);

class Connection;

// One prepared statement; finalized by the destructor. Movable: a moved-from statement holds
// nothing, steps no row and may be destroyed.
class Statement {
public:
    // Failures are reported with the engine's sentences.
    Statement(sqlite3 *db, std::string_view sql);
    // Failures are reported as `connection` reports its own.
    Statement(const Connection &connection, std::string_view sql);
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&) = delete;
    ~Statement();

    // Step once: true while a row is available; throws on failure.
    bool step();
    // As step, but returns SQLite's result code (SQLITE_ROW, SQLITE_DONE or an error).
    int tryStep();
    // Back to before the first row; the bound values stay.
    void reset();
    void bind(int index, std::string_view text);
    void bind(int index, std::int64_t value);
    void bindNull(int index);
    // Binds every column of the current row of `row` to parameters 1, 2, ... in order.
    void bindRow(const Statement &row);

    int columnCount() const;
    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    // True when the statement text holds more than one statement.
    bool hasTail() const { return hasTail_; }
    sqlite3_stmt *handle() const { return stmt_; }

private:
    void prepare(std::string_view sql);
    [[noreturn]] void fail(int rc) const;

    sqlite3 *db_;
    const Connection *connection_ = nullptr;
    sqlite3_stmt *stmt_ = nullptr;
    bool hasTail_ = false;
};

// An open connection; closed by the destructor. Movable, so that a function can open and set
// one up; statements, transactions and savepoints made on it must not outlive its move. A
// moved-from connection holds nothing and may be destroyed.
class Connection {
public:
    // `path` is always a file name (made absolute, so "file:x.mdb" is never read as a URI);
    // SQLITE_OPEN_URI in `flags` only lets statements such as ATTACH and VACUUM INTO name a
    // database by URI. Failures, opening included, use the engine's sentences, or `report`.
    Connection(const std::string &path, int flags, FailureReport report = nullptr);
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    Connection(Connection &&other) noexcept;
    Connection &operator=(Connection &&) = delete;
    ~Connection();

    // The named in-memory database `name` (SQLite's memdb), which lives while a connection of
    // this process holds it open; other connections reach it by memoryUri(name). Failures name
    // `reportedPath` when given (the file the database is a copy of).
    static Connection memory(const std::string &name, FailureReport report = nullptr,
                             const std::string &reportedPath = {});
    static std::string memoryUri(const std::string &name);

    sqlite3 *handle() const { return db_; }
    // The name the connection was opened with.
    const std::string &path() const { return path_; }
    // Waits up to `milliseconds` for a lock held by another connection instead of failing.
    void setBusyTimeout(int milliseconds);

    // Runs statements that return no rows; throws on failure.
    void exec(std::string_view sql);
    // As exec, but returns SQLite's result code instead of throwing.
    int tryExec(std::string_view sql);
    // First column of the first row as an integer (0 when there is no row).
    std::int64_t scalar(std::string_view sql);
    // First column of the first row as text (empty when there is no row); throws on failure.
    std::string text(std::string_view sql);
    // As text, but returns SQLite's result code (SQLITE_ROW when `result` holds a value)
    // instead of throwing; damage found while reading the schema shows here as well.
    int tryText(std::string_view sql, std::string &result);
    // True when `sql` prepares (names exist, syntax is right); runs nothing.
    bool compiles(std::string_view sql);
    std::int64_t schemaVersion();
    bool readOnly() const;
    // SQLite's message for the last failure on this connection.
    std::string errorMessage() const;
    // Throws the error for result code `rc` as this connection reports its failures.
    [[noreturn]] void fail(int rc) const;

private:
    // Opens `sqliteName` exactly as given (a URI too); failures name `path`.
    Connection(const std::string &path, const std::string &sqliteName, int flags, FailureReport report);

    sqlite3 *db_ = nullptr;
    std::string path_;
    FailureReport report_ = nullptr;
};

// A transaction, rolled back by the destructor unless committed. Committing twice (or a
// moved-from transaction) is an error and leaves the database alone: a second COMMIT could end
// a transaction somebody else began meanwhile. Movable; a moved-from transaction does nothing
// when destroyed.
class Transaction {
public:
    explicit Transaction(Connection &connection, std::string_view begin = "BEGIN IMMEDIATE");
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    Transaction(Transaction &&other) noexcept;
    Transaction &operator=(Transaction &&) = delete;
    ~Transaction();
    void commit();

private:
    Connection *connection_;
};

// A savepoint: nests inside a transaction the user began, or begins one. Rolled back to and
// released by the destructor unless released before. Releasing twice is an error, as is
// committing a transaction twice. Movable as a transaction is.
class Savepoint {
public:
    Savepoint(Connection &connection, std::string name);
    Savepoint(const Savepoint &) = delete;
    Savepoint &operator=(const Savepoint &) = delete;
    Savepoint(Savepoint &&other) noexcept;
    Savepoint &operator=(Savepoint &&) = delete;
    ~Savepoint();
    void release();

private:
    Connection *connection_;
    std::string name_;
};

// `name` quoted as an SQL identifier.
std::string quoteIdentifier(std::string_view name);

} // namespace dbengine
