#pragma once

#include "dbengine/Sqlite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

// A database file in a temporary folder holding one table, t(id INTEGER PRIMARY KEY, v TEXT
// UNIQUE), empty.
class SqliteFile : public ::testing::Test {
public:
    SqliteFile() { open().exec("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT UNIQUE)"); }

    dbengine::Connection open(int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) const
    {
        return dbengine::Connection(path, flags);
    }

    // The values of t in id order, read through a connection of their own, so that only what
    // is committed shows.
    std::vector<std::string> committed() const { return values(open()); }

    static std::vector<std::string> values(const dbengine::Connection &db)
    {
        std::vector<std::string> out;
        dbengine::Statement st(db, "SELECT v FROM t ORDER BY id");
        while (st.step())
            out.push_back(st.text(0));
        return out;
    }

    static void insert(dbengine::Connection &db, const std::string &value)
    {
        dbengine::Statement st(db, "INSERT INTO t(v) VALUES (?1)");
        st.bind(1, value);
        st.step();
    }

    static bool inTransaction(const dbengine::Connection &db) { return !sqlite3_get_autocommit(db.handle()); }

    TempDir dir;
    const std::string path = dir.file("test.db");
};

using Values = std::vector<std::string>;
