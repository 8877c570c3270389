#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace dbengine {

// Throws the automation::Error that matches a SQLite result code, with SQLite's message turned
// into a sentence. `db` may be null.
[[noreturn]] void throwSqlite(sqlite3 *db, int rc, std::string_view context = {});

// The sentence a refused write on `db` reports instead of the general "opened read-only" one
// (an Access file's working copy names the file and the way to a writable copy). An empty text
// forgets it; a closing connection forgets its own.
void setReadOnlyMessage(sqlite3 *db, std::string message);

// One prepared statement; finalized by the destructor.
class Statement {
public:
    Statement(sqlite3 *db, std::string_view sql);
    Statement(Statement &&other) noexcept;
    Statement &operator=(Statement &&) = delete;
    ~Statement();

    // Step once: true while a row is available.
    bool step();
    void reset();
    void bind(int index, std::string_view text);
    void bind(int index, std::int64_t value);
    void bindNull(int index);

    int columnCount() const;
    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    // True when the statement text holds more than one statement.
    bool hasTail() const { return hasTail_; }
    sqlite3_stmt *handle() const { return stmt_; }

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
    bool hasTail_ = false;
};

// An open connection; closed by the destructor.
class Connection {
public:
    Connection(const std::string &path, int flags);
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection();

    sqlite3 *handle() const { return db_; }
    void exec(std::string_view sql);
    // First column of the first row as an integer (0 when there is no row).
    std::int64_t scalar(std::string_view sql);
    std::int64_t schemaVersion();
    bool readOnly() const;

private:
    sqlite3 *db_ = nullptr;
};

// Rolls back in its destructor unless committed.
class Transaction {
public:
    explicit Transaction(Connection &connection, std::string_view begin = "BEGIN IMMEDIATE");
    ~Transaction();
    void commit();

private:
    Connection &connection_;
    bool done_ = false;
};

// A savepoint: nests inside a transaction the user began, or begins one. Rolled back to and
// released by the destructor unless released before.
class Savepoint {
public:
    Savepoint(Connection &connection, std::string name);
    ~Savepoint();
    void release();

private:
    Connection &connection_;
    std::string name_;
    bool done_ = false;
};

// `name` quoted as an SQL identifier.
std::string quoteIdentifier(std::string_view name);

} // namespace dbengine
