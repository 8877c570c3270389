#pragma once

#include <string>

struct sqlite3;

namespace dbengine::maintenance {

// One SQLite connection, closed by the destructor. Failures are reported against the file.
class Connection {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // `path` is always a file name (made absolute); `uriTargets` lets statements such as
    // ATTACH and VACUUM INTO name an in-memory database by URI.
    Connection(const std::string &path, Mode mode, bool uriTargets = false);
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection();

    sqlite3 *handle() const { return db_; }
    const std::string &path() const { return path_; }

    // Runs statements that return no rows; throws on failure.
    void exec(const std::string &sql);
    // As exec, but returns SQLite's result code instead of throwing.
    int tryExec(const std::string &sql);
    // The first column of the first row of `sql`, empty when there is no row; throws on failure.
    std::string text(const std::string &sql);
    // As text, but returns SQLite's result code (SQLITE_ROW when `result` holds a value)
    // instead of throwing; damage found while reading the schema shows here as well.
    int tryText(const std::string &sql, std::string &result);
    // True when `sql` prepares (names exist, syntax is right); runs nothing.
    bool compiles(const std::string &sql);

    std::string errorMessage() const;
    bool isReadOnly() const;
    [[noreturn]] void failWith(int rc) const;

private:
    sqlite3 *db_ = nullptr;
    std::string path_;
};

// `name` as a double-quoted SQL identifier.
std::string quoteIdentifier(const std::string &name);

} // namespace dbengine::maintenance
