#pragma once

#include <cstdint>
#include <string>

struct sqlite3_stmt;

namespace dbengine::maintenance {

class Connection;

// One prepared statement, finalized by the destructor.
class Statement {
public:
    Statement(Connection &connection, const std::string &sql);
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();

    // True while rows come; throws on failure.
    bool step();
    // Returns SQLite's result code (SQLITE_ROW, SQLITE_DONE or an error) instead of throwing.
    int tryStep();
    void reset();

    void bind(int index, std::int64_t value);
    void bind(int index, const std::string &value);
    // Binds every column of the current row of `row` to parameters 1, 2, ... in order.
    void bindRow(const Statement &row);

    int columnCount() const;
    std::string text(int column) const;
    std::int64_t integer(int column) const;
    bool isNull(int column) const;

private:
    Connection &connection_;
    sqlite3_stmt *statement_ = nullptr;
};

} // namespace dbengine::maintenance
