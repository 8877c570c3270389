// The session's workflows on the real engine and real files.

#include "support/FileChecks.h"
#include "automation/Error.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "session/Session.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>
#include <sys/stat.h>

using automation::Variant;

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbengine::registerEngine();
        mdw = dir.file("team.mdw");
        Variant(automation::Registry::instance().createInstance("DAO.DBEngine.36"))
            .call("CreateWorkgroup", {mdw, "Team", "Velmora", "team-0001"});
        ASSERT_TRUE(session.startEngine(2, mdw)) << session.lastError();
        session.addListener([this] { ++changes; });
        shop = dir.file("shop.mdb");
        session.create(shop);
        ASSERT_TRUE(session.open(shop, {}, {}));
        session.database().call("Execute", {"CREATE TABLE Items (Id INTEGER PRIMARY KEY, Name TEXT(20))"});
        session.database().call("Execute", {"INSERT INTO Items (Name) VALUES ('a'), ('b'), ('c')"});
        session.close();
        changes = 0;
    }

    int rowsOf(const std::string &path)
    {
        EXPECT_TRUE(session.open(path, {}, {})) << session.lastError();
        const int rows = session.access().OpenRecordset("SELECT COUNT(*) FROM Items").get("Fields").item(0)
                             .get("Value").toInt();
        session.close();
        return rows;
    }

    TempDir dir;
    std::string mdw, shop;
    session::Session session;
    int changes = 0;
};

TEST_F(SessionTest, CreateMakesAnEmptyDatabaseAndNeverReplacesAFile)
{
    const std::string fresh = dir.file("fresh.mdb");
    session.create(fresh);
    EXPECT_EQ(readAll(fresh).substr(0, 15), "SQLite format 3");
    ASSERT_TRUE(session.open(fresh, {}, {})) << session.lastError();
    session.close();

    writeAll(dir.file("notes.mdb"), "keep me");
    EXPECT_THROW(session.create(dir.file("notes.mdb")), automation::Error);
    EXPECT_EQ(readAll(dir.file("notes.mdb")), "keep me");
}

TEST_F(SessionTest, OpenWithAWrongPasswordOpensNothingAndTellsNobody)
{
    ASSERT_TRUE(session.open(shop, {}, {}));
    session.access().ChangePassword("Admin", "", "s3cret");
    session.close();
    changes = 0;

    EXPECT_FALSE(session.probeLogin(shop));
    EXPECT_FALSE(session.open(shop, {"Admin", "wrong"}, {}));
    EXPECT_FALSE(session.lastError().empty());
    EXPECT_FALSE(session.isOpen());
    EXPECT_FALSE(session.database().isObject());
    EXPECT_EQ(changes, 0);

    EXPECT_TRUE(session.open(shop, {"Admin", "s3cret"}, {})) << session.lastError();
    EXPECT_TRUE(session.database().isObject());
    EXPECT_EQ(session.login().password, "s3cret");
    EXPECT_EQ(changes, 1);
    session.close();
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(session.database().isObject());
}

TEST_F(SessionTest, AFileNoLoginCanOpenIsNamedAsSuch)
{
    writeAll(dir.file("notes.mdb"), "not a database");
    const struct {
        std::string path, problem;
    } cases[] = {
        {dir.file("missing.mdb"), session.openProblem(dir.file("missing.mdb"))},
        {dir.file("notes.mdb"), session.openProblem(dir.file("notes.mdb"))},
        {mdw, session.openProblem(mdw)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_NE(c.problem, "");
        EXPECT_FALSE(session.open(c.path, {"Admin", ""}, {}));
        EXPECT_EQ(session.lastError(), c.problem);
        EXPECT_FALSE(session.isOpen());
    }
    EXPECT_EQ(session.openProblem(shop), "");
    EXPECT_EQ(readAll(dir.file("notes.mdb")), "not a database");
    EXPECT_EQ(changes, 0);
}

TEST_F(SessionTest, ProbeSucceedsForTheDefaultAccountAndLeavesNothingOpen)
{
    EXPECT_TRUE(session.probeLogin(shop));
    EXPECT_FALSE(session.isOpen());
    EXPECT_FALSE(session.access().WorkspaceOpen());
    EXPECT_FALSE(session.probeLogin(dir.file("missing.mdb")));
}

TEST_F(SessionTest, RefreshOpensTheSameFileUnderTheSameLogin)
{
    ASSERT_TRUE(session.open(shop, {"Admin", ""}, {}));
    changes = 0;
    ASSERT_TRUE(session.refresh(1, mdw, {}));
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(session.access().DAOType(), 1);
    EXPECT_EQ(session.databaseFile(), shop);
    EXPECT_EQ(changes, 2); // closed, then open again
}

TEST_F(SessionTest, CompactIntoPlaceKeepsTheRowsAndTheFilesMode)
{
    ASSERT_EQ(::chmod(shop.c_str(), 0600), 0);
    session.compact(shop);
    EXPECT_EQ(modeOf(shop), 0600u);
    EXPECT_EQ(rowsOf(shop), 3);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"team.mdw", "shop.mdb"}));
}

TEST_F(SessionTest, CompactThroughALinkReplacesTheFileItNames)
{
    const std::string link = dir.file("link.mdb");
    std::filesystem::create_symlink(shop, link);
    session.compact(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(rowsOf(shop), 3);
}

TEST_F(SessionTest, FailedMaintenanceLeavesTheFileAsItWas)
{
    writeAll(dir.file("notes.mdb"), "not a database");
    EXPECT_THROW(session.compact(dir.file("notes.mdb")), automation::Error);
    EXPECT_EQ(readAll(dir.file("notes.mdb")), "not a database");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"team.mdw", "shop.mdb", "notes.mdb"}));

    // Encrypting a file over itself would lose it once the result replaced it.
    const std::string before = readAll(shop);
    EXPECT_THROW(session.encrypt(shop, shop, "s3cret"), automation::Error);
    EXPECT_THROW(session.decrypt(shop, dir.path() + "/./shop.mdb", "s3cret"), automation::Error);
    EXPECT_EQ(readAll(shop), before);

    session.encrypt(shop, dir.file("sealed.mdb"), "s3cret");
    writeAll(dir.file("plain.mdb"), "keep");
    EXPECT_THROW(session.decrypt(dir.file("sealed.mdb"), dir.file("plain.mdb"), "wrong"), automation::Error);
    EXPECT_EQ(readAll(dir.file("plain.mdb")), "keep");
    session.decrypt(dir.file("sealed.mdb"), dir.file("plain.mdb"), "s3cret");
    EXPECT_EQ(rowsOf(dir.file("plain.mdb")), 3);
}

TEST_F(SessionTest, MaintenanceRefusesTheOpenDatabase)
{
    ASSERT_TRUE(session.open(shop, {}, {}));
    const std::string before = readAll(shop);
    try {
        session.compact(shop);
        FAIL() << "compacted the open database";
    } catch (const automation::Error &e) {
        EXPECT_STREQ(e.what(), "\"shop.mdb\" is the open database. Close it first.");
    }
    EXPECT_THROW(session.repair(shop), automation::Error);
    EXPECT_THROW(session.encrypt(dir.file("other.mdb"), shop, "pw"), automation::Error);
    session.close();
    EXPECT_EQ(readAll(shop), before);
}

TEST_F(SessionTest, ARejectedNewQueryDefinitionIsRemovedAgain)
{
    ASSERT_TRUE(session.open(shop, {}, {}));
    EXPECT_THROW(session.saveQueryDefinition(Variant(), "Lost", "SELECT * FROM Nowhere"), automation::Error);
    EXPECT_THROW(session.access().GetQueryDefByName("Lost").get("SQL"), automation::Error);
    const Variant saved = session.saveQueryDefinition(Variant(), "Lost", "SELECT * FROM Items");
    EXPECT_EQ(saved.get("Name").toText(), "Lost");
    EXPECT_EQ(session.access().QueryDefCount(), 1);
}

TEST_F(SessionTest, ARejectedEditIsTakenBackWholeNameIncluded)
{
    ASSERT_TRUE(session.open(shop, {}, {}));
    const Variant query = session.saveQueryDefinition(Variant(), "Recent", "SELECT * FROM Items");
    EXPECT_THROW(session.saveQueryDefinition(query, "Renamed", "SELECT * FROM Nowhere"), automation::Error);
    EXPECT_EQ(query.get("Name").toText(), "Recent");
    EXPECT_EQ(query.get("SQL").toText(), "SELECT * FROM Items");
    session.saveQueryDefinition(query, "Renamed", "SELECT Name FROM Items");
    EXPECT_EQ(session.access().GetQueryDefByName("Renamed").get("SQL").toText(), "SELECT Name FROM Items");
}

TEST_F(SessionTest, DefaultWorkgroupIsMadeOnceWhenNoneIsFound)
{
    session::Session fresh;
    ASSERT_TRUE(fresh.startEngine(2, ""));
    if (!fresh.access().GetSystemDB().empty())
        GTEST_SKIP() << "a workgroup file was found: " << fresh.access().GetSystemDB();
    const std::string folder = dir.file("data");
    EXPECT_EQ(fresh.ensureDefaultWorkgroup(folder), "");
    EXPECT_EQ(fresh.access().GetSystemDB(), folder + "/system.mdw");
    const std::string bytes = readAll(folder + "/system.mdw");
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(fresh.ensureDefaultWorkgroup(folder), "");
    EXPECT_EQ(readAll(folder + "/system.mdw"), bytes);
}

} // namespace

namespace {

// Convert takes only Access files, reports each table, and never writes over the open database.
TEST_F(SessionTest, ConvertTakesAccessFilesOnlyAndKeepsTheOpenDatabase)
{
    ::setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
    const std::string source = dir.file("index.mdb");
    const char *root = std::getenv("JW_SOURCE_DIR");
    ASSERT_NE(root, nullptr);
    std::filesystem::copy_file(std::string(root) + "/tests/data/jet/indexTestV2000.mdb", source);
    try {
        session.convert(shop, dir.file("x.mdb"), {});
        FAIL() << "an engine database was converted";
    } catch (const automation::Error &e) {
        EXPECT_STREQ(e.what(), "\"shop.mdb\" is not an Access database file.");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.mdb")));

    ASSERT_TRUE(session.open(shop, {}, {}));
    EXPECT_THROW(session.convert(source, shop, {}), automation::Error);
    session.close();
    EXPECT_EQ(rowsOf(shop), 3);

    std::vector<std::string> tables;
    session.convert(source, dir.file("converted.mdb"), {},
                    [&](int n, int total, const std::string &t) { tables.push_back(std::to_string(n) + "/" + std::to_string(total) + " " + t); });
    EXPECT_EQ(tables, (std::vector<std::string>{"1/3 Table1", "2/3 Table2", "3/3 Table3"}));
    ASSERT_TRUE(session.open(dir.file("converted.mdb"), {}, {})) << session.lastError();
    EXPECT_EQ(session.database().get("Relations").get("Count").toInt(), 2);
    session.close();
}

} // namespace
