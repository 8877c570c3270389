// The engine opening Access files: read-only through the working copy, every definition, the
// refusal of writes, and bad input that must give a clear error without harm.

#include "JetFixture.h"

#include "dbengine/EngineFixture.h"
#include "jetfile/AccessFile.h"

#include <chrono>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

namespace {

using automation::Variant;

class AccessOpenTest : public EngineTest {
protected:
    Variant openAccess(const std::string &fixture) { return workspace.call("OpenDatabase", {files.copy(fixture), false, false}); }
    std::string message(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const automation::Error &e) {
            return std::to_string(e.code()) + " " + e.what();
        }
        return "no error";
    }
    std::vector<std::string> names(const Variant &collection)
    {
        std::vector<std::string> out;
        for (int i = 0; i < collection.get("Count").toInt(); ++i)
            out.push_back(collection.item(Variant(std::int32_t(i))).get("Name").toText());
        return out;
    }
    std::string cacheCopy()
    {
        for (const auto &e : std::filesystem::directory_iterator(files.dir.file("cache/Jetwarden/access")))
            if (e.path().extension() == ".db")
                return e.path().string();
        return {};
    }
    JetFiles files;
};

TEST_F(AccessOpenTest, TablesAndExactValues)
{
    for (const char *fixture : {"testV1997.mdb", "testV2003.mdb"}) {
        SCOPED_TRACE(fixture);
        Variant db = openAccess(fixture);
        EXPECT_EQ(db.get("Name").toText(), files.dir.file(fixture));
        EXPECT_EQ(db.get("Version").toText(), std::string(fixture) == "testV1997.mdb" ? "3.0" : "4.0");
        Variant tables = db.get("TableDefs");
        std::vector<std::string> user;
        for (const std::string &n : names(tables))
            if (n.rfind("MSys", 0) != 0)
                user.push_back(n);
        EXPECT_EQ(user, (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
        Variant rs = db.call("OpenRecordset", {"SELECT A, C, E, F, G, H, I FROM Table1 WHERE A = 'abcdefg'"});
        Variant f = rs.get("Fields");
        EXPECT_EQ(f.item(Variant(0)).get("Value").toText(), "abcdefg");
        EXPECT_EQ(f.item(Variant(1)).get("Value").toInt(), 2);
        EXPECT_EQ(f.item(Variant(2)).get("Value").toInt(), 333333333);
        EXPECT_EQ(f.item(Variant(3)).get("Value").toDouble(), 444.555);
        EXPECT_EQ(f.item(Variant(4)).get("Value").toText(), "1974-09-21");
        EXPECT_EQ(f.item(Variant(5)).get("Value").toCurrency().scaled, 35000);
        EXPECT_EQ(f.item(Variant(6)).get("Value").toText(), "True");
        db.call("Close");
    }
}

TEST_F(AccessOpenTest, WritesRefusedNamingTheFile)
{
    Variant db = openAccess("testV1997.mdb");
    const std::string refusal = "3027 'testV1997.mdb' is an Access file and opens read-only; Database > Convert... "
                                "writes a copy that Jetwarden can change.";
    EXPECT_EQ(message([&] { db.call("Execute", {"INSERT INTO Table1 (A) VALUES ('x')"}); }), refusal);
    EXPECT_EQ(message([&] { db.call("Execute", {"CREATE TABLE z (a LONG)"}); }), refusal);
    EXPECT_EQ(message([&] { db.call("Execute", {"DELETE FROM Table1"}); }), refusal);
    EXPECT_EQ(message([&] { db.call("CreateQueryDef", {"q", "SELECT 1"}); }), refusal);
    EXPECT_EQ(db.call("OpenRecordset", {"SELECT count(*) FROM Table1"}).get("Fields").item(Variant(0)).get("Value").toInt(), 2);
}

TEST_F(AccessOpenTest, SavedQueriesKeepJetTextAndType)
{
    Variant db = openAccess("queryTestV1997.mdb");
    Variant q = db.get("QueryDefs").item(Variant("PassthroughQuery"));
    EXPECT_EQ(q.get("Type").toInt(), 112);
    EXPECT_EQ(q.get("SQL").toText(), "ALTER TABLE Table4 DROP COLUMN col5");
    Variant u = db.get("QueryDefs").item(Variant("UpdateQuery"));
    EXPECT_EQ(u.get("Type").toInt(), 48);
    EXPECT_EQ(u.get("SQL").toText(), "PARAMETERS [User Name] Text;\nUPDATE Table1 SET Table1.col1 = \"foo\", "
                                     "Table1.col2 = [Table2].[col3], [Table2].[col1] = [User Name]\n"
                                     "WHERE ((([Table2].[col1]) Is Not Null))");
    EXPECT_EQ(names(db.get("QueryDefs")).size(), 9u);
}

TEST_F(AccessOpenTest, RelationsIndexesAndDocuments)
{
    Variant db = openAccess("indexTestV2000.mdb");
    EXPECT_EQ(names(db.get("Relations")), (std::vector<std::string>{"Table2Table1", "Table3Table1"}));
    Variant r = db.get("Relations").item(Variant("Table2Table1"));
    EXPECT_EQ(r.get("Attributes").toInt(), 0x1000);
    EXPECT_EQ(r.get("Fields").item(Variant(0)).get("ForeignName").toText(), "otherfk1");
    EXPECT_EQ(names(db.get("TableDefs").item(Variant("Table1")).get("Indexes")),
              (std::vector<std::string>{"PrimaryKey", "Table1_id"}));
    // The Tables container carries the file's own dates (2010), not the working copy's.
    Variant docs = db.get("Containers").item(Variant("Tables")).get("Documents");
    EXPECT_LT(docs.item(Variant("Table1")).get("DateCreated").toDate().serial, 45000.0);
}

TEST_F(AccessOpenTest, WorkingCopyPrivateReusedAndRenewed)
{
    const std::string source = files.copy("testV1997.mdb");
    const std::string before = readAll(source);
    workspace.call("OpenDatabase", {source, true, false}).call("Close"); // exclusive: still only read
    const std::string copy = cacheCopy();
    ASSERT_FALSE(copy.empty());
    struct stat st{};
    ASSERT_EQ(::stat(copy.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const auto firstInode = st.st_ino;
    workspace.call("OpenDatabase", {source, false, false}).call("Close");
    ::stat(copy.c_str(), &st);
    EXPECT_EQ(st.st_ino, firstInode) << "an unchanged source reuses its copy";
    struct utimbuf later{std::time(nullptr) + 100, std::time(nullptr) + 100};
    ::utime(source.c_str(), &later);
    workspace.call("OpenDatabase", {source, false, false}).call("Close");
    ::stat(copy.c_str(), &st);
    EXPECT_NE(st.st_ino, firstInode) << "a changed source gets a new copy";
    EXPECT_EQ(readAll(source), before);
}

// Bad files: a clear error each, no crash, no hang, the file unchanged.
TEST_F(AccessOpenTest, BadInputClearErrorFileUnchanged)
{
    const std::string good = readAll(JetFiles::original("testV2003.mdb"));
    struct Case {
        const char *name;
        std::string bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"truncated.mdb", good.substr(0, 5000)});
    std::string header = good;
    header[4] = 'X'; // no longer an Access header: not a database at all
    cases.push_back({"header.mdb", header});
    std::string version = good;
    version[0x14] = char(0x7f); // an unknown Jet version
    cases.push_back({"version.mdb", version});
    std::string catalogue = good;
    for (std::size_t i = 2 * 4096 + 8; i < 2 * 4096 + 600; ++i)
        catalogue[i] = char(~catalogue[i]); // the definition of MSysObjects
    cases.push_back({"catalogue.mdb", catalogue});
    std::string tablePage = good;
    for (std::size_t i = tablePage.size() - 4096; i < tablePage.size(); ++i)
        tablePage[i] = char(0xff);
    cases.push_back({"tablepage.mdb", tablePage});
    cases.push_back({"empty.mdb", ""});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeAll(files.dir.file(c.name), c.bytes);
        std::string m;
        try {
            workspace.call("OpenDatabase", {files.dir.file(c.name), false, false}).call("Close");
            m = "opened";
        } catch (const automation::Error &e) {
            m = e.what();
            EXPECT_TRUE(e.code() == dbengine::err::Damaged || e.code() == dbengine::err::NotADatabase) << m;
            EXPECT_NE(m.find(c.name), std::string::npos) << m;
        }
        EXPECT_EQ(readAll(files.dir.file(c.name)), c.bytes);
    }
    std::filesystem::create_directory(files.dir.file("folder.mdb"));
    EXPECT_EQ(errorCode([&] { workspace.call("OpenDatabase", {files.dir.file("folder.mdb"), false, false}); }),
              dbengine::err::NotADatabase);
}

// A reader that crashes or stalls is a damaged file to the user, not a crash of the program.
TEST_F(AccessOpenTest, HelperCrashOrStallIsDamagedFile)
{
    const std::string source = files.copy("testV1997.mdb");
    const std::string crash = files.dir.file("crash.sh"), stall = files.dir.file("stall.sh");
    writeAll(crash, "#!/bin/sh\nkill -SEGV $$\n");
    writeAll(stall, "#!/bin/sh\nexec sleep 30\n");
    ::chmod(crash.c_str(), 0755);
    ::chmod(stall.c_str(), 0755);
    ::setenv("JETWARDEN_JETREAD", crash.c_str(), 1);
    EXPECT_EQ(message([&] { workspace.call("OpenDatabase", {source, false, false}); }),
              "3049 'testV1997.mdb' is a damaged Access file (the reader stopped on Segmentation fault) and cannot be read.");
    ::setenv("JETWARDEN_JETREAD", stall.c_str(), 1);
    ::setenv("JETWARDEN_JET_TIMEOUT", "1", 1);
    EXPECT_EQ(message([&] { workspace.call("OpenDatabase", {source, false, false}); }),
              "3049 'testV1997.mdb' is a damaged Access file (reading it stopped making progress) and cannot be read.");
    EXPECT_TRUE(cacheCopy().empty()) << "nothing half-written is kept";
}

} // namespace

namespace {

// A converted file is an ordinary writable engine database of Access origin: its queries keep
// their Jet type, and field properties SQLite has no place for come from MSysAccessFields.
TEST_F(AccessOpenTest, ConvertedDatabaseWritableWithAccessProperties)
{
    const std::string target = files.dir.file("engine.mdb");
    jetfile::convert(files.copy("queryTestV1997.mdb"), target, {});
    Variant db = workspace.call("OpenDatabase", {target, false, false});
    EXPECT_TRUE(db.get("Updatable").toBool());
    EXPECT_EQ(db.get("QueryDefs").item(Variant("CrosstabQuery")).get("Type").toInt(), 16);
    db.call("Execute", {"INSERT INTO Table1 (col1) VALUES ('new')"});
    db.call("Execute", {"INSERT INTO MSysAccessFields VALUES ('Table1', 'col2', 'Description', 'second column')"});
    db.call("Execute", {"INSERT INTO MSysAccessFields VALUES ('Table1', 'col2', 'ValidationText', 'say more')"});
    Variant field = db.get("TableDefs").item(Variant("Table1")).get("Fields").item(Variant("col2"));
    EXPECT_EQ(field.get("Description").toText(), "second column");
    EXPECT_EQ(field.get("ValidationText").toText(), "say more");
    EXPECT_EQ(db.get("TableDefs").item(Variant("Table1")).get("RecordCount").toInt(), 1);
}

} // namespace
