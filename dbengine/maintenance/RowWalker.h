#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dbengine {
class Connection;
class Statement;
}

namespace dbengine::maintenance {

// Reads every row of one table of a damaged database that can still be read. A table with a
// rowid is read in rowid order; where a stretch cannot be read, the walk seeks ever further
// past it and then back to the first rowid it can read again, so only the rows of the damaged
// pages are lost. Other tables are read from the front and, once that fails, from the back.
class RowWalker {
public:
    struct Table {
        std::string name;        // quoted
        std::string columns;     // the select list, quoted
        std::string rowidName;   // quoted, or empty when the rowid cannot be reached
        std::string keyOrder;    // "key1 DESC, ..." to read from the back, or empty
    };
    // Receives each readable row: the columns in order, then the rowid when walking by rowid.
    using Visitor = std::function<void(const Statement &row)>;

    RowWalker(Connection &db, Table table);
    void visit(const Visitor &visitor);

private:
    void walkByRowid(const Visitor &visitor);
    // Steps to the end or to the first unreadable row; returns true if it reached the end.
    bool stepAll(Statement &statement, const Visitor &visitor, std::optional<std::int64_t> *lastRowid);
    bool readsFrom(Statement &scan, std::int64_t rowid);
    std::optional<std::int64_t> firstReadableFrom(Statement &scan, std::int64_t lowest);

    Connection &db_;
    Table table_;
};

} // namespace dbengine::maintenance
