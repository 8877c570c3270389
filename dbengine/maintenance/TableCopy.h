#pragma once

#include <string>

namespace dbengine {
class Connection;
}

namespace dbengine::maintenance {

// Copies the readable rows of one table of a damaged database into the same, already created
// table of the new database, keeping rowids. Rows the new table refuses (duplicates or broken
// values read from damaged pages) are left out like unreadable ones.
class TableCopy {
public:
    TableCopy(Connection &source, Connection &target, const std::string &table, bool isVirtual);
    void run();

private:
    void readColumns();
    std::string reachableRowidName() const;

    Connection &source_;
    Connection &target_;
    std::string table_;
    bool isVirtual_;
    std::string columns_;   // quoted select list
    std::string keyOrder_;  // primary key, descending, for tables without rowid
    int columnCount_ = 0;
    bool hasColumnNamed_[3] = {false, false, false};
};

} // namespace dbengine::maintenance
