#include "EngineFixture.h"

#include "dbengine/maintenance/Maintenance.h"

#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>

using automation::Variant;

namespace {

class FilesTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        create("good.db", orderSchema()).call("Close");
        good = readAll(dir.file("good.db"));
    }
    std::string good;
};

TEST_F(FilesTest, BadFilesAreRefusedAndLeftAsTheyWere)
{
    const struct {
        const char *name;
        std::string bytes;
        int code;
    } cases[] = {
        {"text.mdb", "this is not a database\n", dbengine::err::NotADatabase},
        {"empty.mdb", "", dbengine::err::NotADatabase},
        {"header.mdb", good.substr(0, 60), dbengine::err::NotADatabase},
        {"truncated.mdb", good.substr(0, good.size() - 4096), dbengine::err::Damaged},
        {"ragged.mdb", good.substr(0, good.size() - 100), dbengine::err::Damaged},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeAll(dir.file(c.name), c.bytes);
        for (bool readOnly : {false, true})
            EXPECT_EQ(errorCode([&] { open(c.name, false, readOnly); }), c.code);
        EXPECT_EQ(readAll(dir.file(c.name)), c.bytes);
    }
    EXPECT_EQ(errorCode([&] { open("missing.mdb"); }), dbengine::err::FileNotFound);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdb")));
    EXPECT_EQ(errorCode([&] { workspace.call("OpenDatabase", {dir.path()}); }), dbengine::err::NotADatabase);
}

TEST_F(FilesTest, DamageInsideATableShowsWhenItIsRead)
{
    // Overwrite the second page, the root of the first table created.
    std::string bytes = good;
    for (std::size_t i = 4096; i < 2 * 4096; ++i)
        bytes[i] = char(0xA5);
    writeAll(dir.file("damaged.db"), bytes);
    Variant db = open("damaged.db");
    int failures = 0;
    for (const char *table : {"Customers", "Orders", "Lines"})
        failures += errorCode([&] {
            Variant rs = db.call("OpenRecordset", {std::string("SELECT * FROM ") + table});
            rs.call("MoveLast");
        }) != 0;
    EXPECT_GE(failures, 1);
    EXPECT_EQ(readAll(dir.file("damaged.db")), bytes);
}

TEST_F(FilesTest, ReadOnlyFileOpensOnlyForReading)
{
    ::chmod(dir.file("good.db").c_str(), 0444);
    EXPECT_EQ(errorCode([&] { open("good.db"); }), dbengine::err::ReadOnlyFile);
    Variant db = open("good.db", false, true);
    EXPECT_EQ(db.get("TableDefs").get("Count").toInt(), 3);
    db.call("Close");
    EXPECT_EQ(readAll(dir.file("good.db")), good);
}

TEST_F(FilesTest, EncryptedFileMustBeDecryptedFirst)
{
    engine.call("CompactDatabase", {dir.file("good.db"), dir.file("sealed.db"), 2, ";pwd=s3cret"});
    const std::string sealed = readAll(dir.file("sealed.db"));
    EXPECT_EQ(errorCode([&] { open("sealed.db"); }), dbengine::err::Encrypted);
    EXPECT_EQ(errorCode([&] { engine.call("CompactDatabase", {dir.file("sealed.db"), dir.file("c.db")}); }),
              dbengine::err::Encrypted);
    EXPECT_EQ(errorCode([&] { engine.call("RepairDatabase", {dir.file("sealed.db")}); }), dbengine::err::Encrypted);
    for (const char *connect : {";pwd=wrong", ";pwd=", ""}) {
        SCOPED_TRACE(connect);
        EXPECT_EQ(errorCode([&] {
                      engine.call("CompactDatabase", {dir.file("sealed.db"), dir.file("plain.db"), 4, connect});
                  }),
                  dbengine::err::InvalidPassword);
        EXPECT_FALSE(std::filesystem::exists(dir.file("plain.db")));
    }
    engine.call("CompactDatabase", {dir.file("sealed.db"), dir.file("plain.db"), 4, ";PWD=s3cret"});
    EXPECT_EQ(readAll(dir.file("sealed.db")), sealed);
    EXPECT_EQ(open("plain.db").get("TableDefs").item("Customers").get("RecordCount").toInt(), 2);
}

TEST_F(FilesTest, MaintenanceRefusesOpenFilesAndExistingDestinations)
{
    Variant db = open("good.db");
    EXPECT_EQ(errorCode([&] { engine.call("CompactDatabase", {dir.file("good.db"), dir.file("c.db")}); }),
              dbengine::err::FileInUse);
    EXPECT_EQ(errorCode([&] { engine.call("RepairDatabase", {dir.file("good.db")}); }), dbengine::err::FileInUse);
    db.call("Close");
    writeAll(dir.file("taken.db"), "keep me");
    EXPECT_EQ(errorCode([&] { engine.call("CompactDatabase", {dir.file("good.db"), dir.file("taken.db")}); }),
              dbengine::err::DestinationExists);
    EXPECT_EQ(readAll(dir.file("taken.db")), "keep me");
    engine.call("CompactDatabase", {dir.file("good.db"), dir.file("c.db")});
    engine.call("RepairDatabase", {dir.file("c.db")});
    EXPECT_EQ(open("c.db").get("Relations").get("Count").toInt(), 2);
}

TEST_F(FilesTest, ExclusiveOpenKeepsOthersOut)
{
    Variant first = open("good.db", true);
    EXPECT_EQ(errorCode([&] { open("good.db"); }), dbengine::err::FileInUse);
    EXPECT_EQ(errorCode([&] { open("good.db", false, true); }), dbengine::err::FileInUse);
    first.call("Close");
    Variant shared = open("good.db");
    EXPECT_EQ(errorCode([&] { open("good.db", true); }), dbengine::err::FileInUse);
    Variant second = open("good.db");
    EXPECT_EQ(second.get("TableDefs").get("Count").toInt(), 3);
}

TEST_F(FilesTest, CreateDatabaseNeverReplacesAFile)
{
    writeAll(dir.file("exists.db"), "precious");
    EXPECT_EQ(errorCode([&] { workspace.call("CreateDatabase", {dir.file("exists.db")}); }),
              dbengine::err::DestinationExists);
    EXPECT_EQ(readAll(dir.file("exists.db")), "precious");
    EXPECT_NE(errorCode([&] { workspace.call("CreateDatabase", {dir.file("no/such/folder.db")}); }), 0);
}

// Changes the working folder for the life of the object.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string &path) : old_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~WorkingFolder() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

// A change left unfinished by a program that stopped cannot be finished by a read-only open.
TEST_F(FilesTest, ReadOnlyOpenOfAnUnfinishedChangeSaysHowToFinishIt)
{
    create("big.db", {"CREATE TABLE t (x TEXT)",
                      "INSERT INTO t WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 2000) "
                      "SELECT printf('%0100d', i) FROM c"})
        .call("Close");
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("big.db").c_str(), &db), SQLITE_OK);
    // A one-page cache makes SQLite write changed pages into the file before the commit.
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA cache_size=1; BEGIN; UPDATE t SET x = 'changed'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    std::filesystem::copy_file(dir.file("big.db"), dir.file("hot.db"));
    std::filesystem::copy_file(dir.file("big.db-journal"), dir.file("hot.db-journal"));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::string message;
    try {
        Variant hot = open("hot.db", false, true);
        hot.call("OpenRecordset", {"SELECT count(*) FROM t"});
    } catch (const automation::Error &e) {
        message = e.what();
    }
    EXPECT_NE(message.find("unfinished change left by a program that stopped"), std::string::npos) << message;
}

// A name that looks like one of SQLite's URIs is a file name like any other.
TEST_F(FilesTest, NamesStartingWithFileAreFileNames)
{
    namespace fs = std::filesystem;
    const WorkingFolder here(dir.path());
    workspace.call("CreateDatabase", {"file:y.mdb"}).call("Execute", {"CREATE TABLE t (x INTEGER)"});
    EXPECT_TRUE(fs::exists(dir.file("file:y.mdb")));
    EXPECT_FALSE(fs::exists(dir.file("y.mdb")));
    EXPECT_NE(errorCode([&] { workspace.call("OpenDatabase", {"file:y.mdb?mode=memory", false, false}); }), 0);
    engine.call("CreateWorkgroup", {"file:w.mdw", "N", "O"});
    EXPECT_TRUE(fs::exists(dir.file("file:w.mdw")));
    EXPECT_FALSE(fs::exists(dir.file("w.mdw")));
    dbengine::maintenance::compact("file:y.mdb", "file:z.mdb");
    EXPECT_TRUE(fs::exists(dir.file("file:z.mdb")));
    EXPECT_FALSE(fs::exists(dir.file("z.mdb")));
}

} // namespace
