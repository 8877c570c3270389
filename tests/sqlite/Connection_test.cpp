#include "SqliteFile.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <type_traits>

using dbengine::Connection;
using dbengine::FailureReport;
using dbengine::Statement;

namespace {

constexpr int writable = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

// Fills t over several pages, then overwrites its root page (page 2) with text.
void damage(const std::string &path)
{
    {
        Connection db(path, writable);
        db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                "INSERT INTO t(v) SELECT printf('%0100d', i) FROM n");
    }
    const int pageSize = 4096;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(pageSize);
    file << std::string(pageSize, 'x');
}

// Each case makes SQLite refuse something on the connection it opens on `file`, with
// `report` as that connection's way of reporting failures.
struct FailureCase {
    const char *name;
    const char *file; // in the fixture's folder
    void (*provoke)(const std::string &file, FailureReport report);
    int primaryCode;  // SQLite's
    std::int32_t code; // the engine's
    const char *source;
    const char *message; // a part of the engine's sentence
};

// Cases print as their names.
void PrintTo(const FailureCase &c, std::ostream *out)
{
    *out << c.name;
}

const FailureCase failureCases[] = {
    {"Constraint", "test.db",
     [](const std::string &file, FailureReport report) {
         Connection db(file, writable, report);
         db.exec("INSERT INTO t(v) VALUES ('a'); INSERT INTO t(v) VALUES ('a')");
     },
     SQLITE_CONSTRAINT, dbengine::err::SqlError, "DAO.Database", "UNIQUE constraint failed: t.v."},
    {"Syntax", "test.db",
     [](const std::string &file, FailureReport report) { Connection(file, writable, report).exec("SELEC 1"); },
     SQLITE_ERROR, dbengine::err::SqlError, "DAO.Database", "Near \"SELEC\": syntax error."},
    {"Busy", "test.db",
     [](const std::string &file, FailureReport report) {
         Connection holder(file, writable);
         holder.exec("BEGIN IMMEDIATE");
         Connection(file, writable, report).exec("BEGIN IMMEDIATE");
     },
     SQLITE_BUSY, dbengine::err::FileInUse, "DAO.Database", "in use by another program"},
    {"ReadOnly", "test.db",
     [](const std::string &file, FailureReport report) {
         Connection(file, SQLITE_OPEN_READONLY, report).exec("INSERT INTO t(v) VALUES ('a')");
     },
     SQLITE_READONLY, dbengine::err::ReadOnlyDatabase, "DAO.Database", "opened read-only"},
    {"NotADatabase", "notes.txt",
     [](const std::string &file, FailureReport report) {
         writeAll(file, std::string(2048, 'n'));
         Connection(file, writable, report).scalar("SELECT count(*) FROM sqlite_master");
     },
     SQLITE_NOTADB, dbengine::err::NotADatabase, "DAO.Database", "The file is not a database."},
    {"Damaged", "test.db",
     [](const std::string &file, FailureReport report) {
         damage(file);
         Connection db(file, writable, report);
         Statement st(db, "SELECT count(*) FROM t");
         st.step();
     },
     SQLITE_CORRUPT, dbengine::err::Damaged, "DAO.Database", "The database file is damaged"},
    {"CannotOpen", "missing/test.db",
     [](const std::string &file, FailureReport report) { Connection(file, SQLITE_OPEN_READWRITE, report); },
     SQLITE_CANTOPEN, dbengine::err::IoError, "DAO.Workspace", "Cannot open '"},
};

class ConnectionFailure : public SqliteFile, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConnectionFailure, BecomesTheEnginesError)
{
    const FailureCase &c = GetParam();
    try {
        c.provoke(dir.file(c.file), nullptr);
        FAIL() << "SQLite refused nothing";
    } catch (const automation::Error &error) {
        EXPECT_EQ(error.code(), c.code);
        EXPECT_EQ(error.source(), c.source);
        EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
}

// What a connection's own report received.
struct Reported {
    int rc;
    std::string path;
};

TEST_P(ConnectionFailure, GoesToTheConnectionsOwnReportWhenItHasOne)
{
    const FailureCase &c = GetParam();
    const FailureReport report = [](int rc, const std::string &path, const std::string &) {
        throw Reported{rc, path};
    };
    try {
        c.provoke(dir.file(c.file), report);
        FAIL() << "SQLite refused nothing";
    } catch (const Reported &reported) {
        EXPECT_EQ(reported.rc & 0xff, c.primaryCode);
        EXPECT_EQ(reported.path, dir.file(c.file));
    }
}

INSTANTIATE_TEST_SUITE_P(Connection, ConnectionFailure, ::testing::ValuesIn(failureCases),
                         [](const auto &info) { return std::string(info.param.name); });

using ConnectionTest = SqliteFile;

TEST_F(ConnectionTest, ReadOnlyMessageGivenForAConnectionStaysWithItWhenMoved)
{
    Connection db = open(SQLITE_OPEN_READONLY);
    dbengine::setReadOnlyMessage(db.handle(), "This copy cannot be changed.");
    const Connection moved(std::move(db));
    try {
        Statement(moved, "INSERT INTO t(v) VALUES ('a')").step();
        FAIL() << "a read-only connection wrote";
    } catch (const automation::Error &error) {
        EXPECT_EQ(error.code(), dbengine::err::ReadOnlyDatabase);
        EXPECT_STREQ(error.what(), "This copy cannot be changed.");
    }
}

TEST_F(ConnectionTest, MovedConnectionWorksAndTheMovedFromOneHoldsNothing)
{
    auto first = std::make_unique<Connection>(path, writable);
    insert(*first, "a");
    Connection taken(std::move(*first));
    EXPECT_EQ(first->handle(), nullptr);
    first.reset();
    insert(taken, "b");
    EXPECT_EQ(committed(), (Values{"a", "b"}));
}

TEST_F(ConnectionTest, TryCallsGiveTheCodeInsteadOfThrowing)
{
    Connection db = open();
    std::string value = "stale";
    EXPECT_EQ(db.tryText("SELECT v FROM t", value), SQLITE_DONE);
    EXPECT_EQ(value, "");
    EXPECT_EQ(db.tryText("SELECT 'x' || 1", value), SQLITE_ROW);
    EXPECT_EQ(value, "x1");
    EXPECT_EQ(db.tryText("SELECT nothing FROM t", value), SQLITE_ERROR);
    EXPECT_EQ(db.tryExec("INSERT INTO t(v) VALUES ('a'); INSERT INTO t(v) VALUES ('a')") & 0xff, SQLITE_CONSTRAINT);
    EXPECT_EQ(db.text("SELECT group_concat(v) FROM t"), "a");
    EXPECT_TRUE(db.compiles("SELECT v FROM t"));
    EXPECT_FALSE(db.compiles("SELECT nothing FROM t"));
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t"), 1);
}

TEST_F(ConnectionTest, NamedMemoryDatabaseIsSharedWhileOneConnectionHoldsIt)
{
    {
        const Connection holder = Connection::memory("jw-test-shared");
        holder.handle();
        Connection(Connection::memory("jw-test-shared")).exec("CREATE TABLE m(x); INSERT INTO m VALUES (5)");
        EXPECT_EQ(Connection::memory("jw-test-shared").scalar("SELECT x FROM m"), 5);

        // Another connection reaches it by its URI.
        Connection file = open(writable | SQLITE_OPEN_URI);
        Statement attach(file, "ATTACH ?1 AS shared");
        attach.bind(1, Connection::memoryUri("jw-test-shared"));
        attach.step();
        EXPECT_EQ(file.scalar("SELECT x FROM shared.m"), 5);
    }
    EXPECT_FALSE(Connection::memory("jw-test-shared").compiles("SELECT x FROM m"));
}

static_assert(!std::is_copy_constructible_v<Connection> && !std::is_copy_assignable_v<Connection>);

} // namespace
