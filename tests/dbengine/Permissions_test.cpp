// Owners and permissions of documents, enforced on statements and catalogue calls, on real
// workgroup and database files.

#include "WorkgroupFixture.h"

#include <filesystem>
#include <functional>
#include <sqlite3.h>

#include "dbengine/Workgroup.h"

using automation::Variant;
namespace err = dbengine::err;

namespace {

// The bit values of a document's mask.
constexpr int ReadDef = 0x4, ChangeDef = 0x1000C, Retrieve = 0x14, Insert = 0x20, Change = 0x40, Delete = 0x80;
constexpr int Create = 0x1, Open = 0x2, Exclusive = 0x4;
constexpr int Full = 0xFFFFF;

struct Grant {
    std::string document; // "MSysDb" is the database itself, anything else a table or query
    std::string account;
    int mask;
};

Variant document(const Variant &db, const std::string &name)
{
    const Variant containers = db.get("Containers");
    if (name == "MSysDb")
        return containers.item("Databases").get("Documents").item(0);
    return containers.item("Tables").get("Documents").item(name);
}

void grant(const Variant &db, const Grant &g)
{
    Variant doc = document(db, g.document);
    doc.put("UserName", g.account);
    doc.put("Permissions", g.mask);
}

int permissionsOf(const Variant &db, const std::string &doc, const std::string &account)
{
    Variant d = document(db, doc);
    d.put("UserName", account);
    return d.get("Permissions").toInt();
}

// Users: "ann" in the group "Clerks", "bob" in no group but Users, "root2" in Admins. In the
// database "Users" may open it and has no right on any table or query.
class PermissionsTest : public WorkgroupTest {
protected:
    void SetUp() override
    {
        WorkgroupTest::SetUp();
        addGroup("Clerks", "clerks-pid");
        addUser("ann", "ann-pid", "", {"Clerks"});
        addUser("bob", "bob-pid");
        addUser("root2", "root2-pid", "", {"Admins"});
        shop = dir.file("shop.mdb");
        Variant db = admin.call("CreateDatabase", {shop});
        for (const char *sql : {"CREATE TABLE Customers (Id INTEGER PRIMARY KEY, Name TEXT(40))",
                                "CREATE TABLE Orders (Id INTEGER PRIMARY KEY, CustomerId LONG REFERENCES Customers (Id), "
                                "Total CURRENCY)",
                                "CREATE TABLE Notes (Id INTEGER PRIMARY KEY, Body MEMO)",
                                "INSERT INTO Customers VALUES (1, 'Ann')", "INSERT INTO Orders VALUES (10, 1, 5)",
                                "INSERT INTO Notes VALUES (1, 'first')"})
            db.call("Execute", {sql});
        db.call("CreateQueryDef", {"Names", "SELECT Name FROM Customers"});
        db.call("CreateQueryDef", {"Raise", "UPDATE Orders SET Total = Total + 1"});
        grant(db, {"MSysDb", "Users", Open});
        for (const char *doc : {"Customers", "Orders", "Notes", "Names", "Raise", "MSysQueries"})
            grant(db, {doc, "Users", 0});
        db.call("Close");
    }

    Variant openAs(const std::string &user, const std::string &path, bool exclusive = false)
    {
        return login(user).call("OpenDatabase", {path, exclusive, false});
    }
    Variant openAs(const std::string &user) { return openAs(user, shop); }

    std::string shop;
};

using Action = std::function<void(const Variant &db)>;

Action rows(const char *sql)
{
    return [sql](const Variant &db) { db.call("OpenRecordset", {sql}).call("MoveLast"); };
}
Action run(const char *sql)
{
    return [sql](const Variant &db) { db.call("Execute", {sql}); };
}

struct PermissionCase {
    const char *label;
    const char *account;
    std::vector<Grant> grants;
    Action action; // empty: opening is the action
    int code;      // 0 when allowed
    bool exclusive = false;
};

TEST_F(PermissionsTest, EachStatementAndCallNeedsItsRight)
{
    const PermissionCase cases[] = {
        {"read with the account's mask", "ann", {{"Customers", "ann", Retrieve}}, rows("SELECT * FROM Customers"), 0},
        {"read through a group", "ann", {{"Customers", "Clerks", Retrieve}}, rows("SELECT * FROM Customers"), 0},
        {"read as a non-member of that group", "bob", {{"Customers", "Clerks", Retrieve}}, rows("SELECT * FROM Customers"), err::PermissionDenied},
        {"count without retrieve", "bob", {{"Customers", "bob", ReadDef}}, rows("SELECT count(*) FROM Customers"), err::PermissionDenied},
        {"open a table by name", "ann", {}, rows("Customers"), err::PermissionDenied},
        {"insert with insert alone", "ann", {{"Customers", "ann", Insert}}, run("INSERT INTO Customers (Name) VALUES ('Bea')"), 0},
        {"insert with retrieve alone", "ann", {{"Customers", "ann", Retrieve}}, run("INSERT INTO Customers (Name) VALUES ('Bea')"), err::PermissionDenied},
        {"update without change data", "ann", {{"Customers", "ann", Retrieve | Insert | Delete}}, run("UPDATE Customers SET Name = 'Al' WHERE Id = 1"), err::PermissionDenied},
        {"update with change data", "ann", {{"Customers", "ann", Retrieve | Change}}, run("UPDATE Customers SET Name = 'Al' WHERE Id = 1"), 0},
        {"update that reads without retrieve", "ann", {{"Customers", "ann", Change}}, run("UPDATE Customers SET Name = Name || 'x'"), err::PermissionDenied},
        {"delete without delete data", "ann", {{"Notes", "ann", Retrieve | Change}}, run("DELETE FROM Notes WHERE Id = 1"), err::PermissionDenied},
        {"delete with delete data", "ann", {{"Notes", "ann", Retrieve | Delete}}, run("DELETE FROM Notes WHERE Id = 1"), 0},
        {"insert a child without reading its parent", "ann", {{"Orders", "ann", Insert}}, run("INSERT INTO Orders VALUES (11, 1, 2)"), 0},
        {"read the parent by name", "ann", {{"Orders", "ann", Retrieve}}, rows("SELECT * FROM Orders JOIN Customers ON Customers.Id = CustomerId"), err::PermissionDenied},
        {"a saved select without its own right", "ann", {{"Customers", "ann", Retrieve}}, rows("SELECT * FROM Names"), err::PermissionDenied},
        {"a saved select and its table", "ann", {{"Customers", "ann", Retrieve}, {"Names", "ann", Retrieve}}, rows("Names"), 0},
        {"a saved select without its table", "ann", {{"Names", "ann", Retrieve}}, rows("SELECT * FROM Names"), err::PermissionDenied},
        {"a saved action query without its right", "ann", {{"Orders", "ann", Retrieve | Change}}, run("Raise"), err::PermissionDenied},
        {"a saved action query with its right", "ann", {{"Orders", "ann", Retrieve | Change}, {"Raise", "ann", Retrieve}}, run("Raise"), 0},
        {"create a table without Create", "ann", {}, run("CREATE TABLE t (x)"), err::PermissionDenied},
        {"create a table with Create", "ann", {{"MSysDb", "ann", Create}}, run("CREATE TABLE t (x)"), 0},
        {"create a view without Create", "ann", {{"Customers", "ann", Retrieve}}, run("CREATE VIEW v AS SELECT * FROM Customers"), err::PermissionDenied},
        {"create a saved query without Create", "ann", {}, [](const Variant &db) { db.call("CreateQueryDef", {"Q", "SELECT 1"}); }, err::PermissionDenied},
        {"create a saved query with Create", "ann", {{"MSysDb", "Clerks", Create}}, [](const Variant &db) { db.call("CreateQueryDef", {"Q", "SELECT 1"}); }, 0},
        {"drop without change definition", "ann", {{"Notes", "ann", Retrieve | Insert | Change | Delete}}, run("DROP TABLE Notes"), err::PermissionDenied},
        {"drop with change definition", "ann", {{"Notes", "ann", ChangeDef}}, run("DROP TABLE Notes"), 0},
        {"drop a referenced table without reading the referencing one", "ann", {{"Customers", "ann", ChangeDef}, {"Orders", "ann", Delete}},
         [](const Variant &db) { db.call("Execute", {"DELETE FROM Orders"}); db.call("Execute", {"DROP TABLE Customers"}); }, 0},
        {"alter without change definition", "ann", {{"Notes", "ann", Retrieve}}, run("ALTER TABLE Notes ADD COLUMN Extra TEXT"), err::PermissionDenied},
        {"rename with change definition", "ann", {{"Notes", "ann", ChangeDef}}, run("ALTER TABLE Notes RENAME TO Memo"), 0},
        {"index without change definition", "ann", {{"Notes", "ann", Retrieve}}, run("CREATE INDEX NotesBody ON Notes (Body)"), err::PermissionDenied},
        {"trigger without change definition", "ann", {{"Notes", "ann", Retrieve}}, run("CREATE TRIGGER NotesLog AFTER INSERT ON Notes BEGIN SELECT 1; END"), err::PermissionDenied},
        {"delete a table def without change definition", "ann", {{"Notes", "ann", Retrieve | Delete}}, [](const Variant &db) { db.get("TableDefs").call("Delete", {"Notes"}); }, err::PermissionDenied},
        {"delete a table def with change definition", "ann", {{"Notes", "ann", ChangeDef}}, [](const Variant &db) { db.get("TableDefs").call("Delete", {"Notes"}); }, 0},
        {"read a query's SQL without read definition", "ann", {}, [](const Variant &db) { db.get("QueryDefs").item("Names").get("SQL"); }, err::PermissionDenied},
        {"read a query's SQL with read definition", "ann", {{"Names", "ann", ReadDef}}, [](const Variant &db) { db.get("QueryDefs").item("Names").get("SQL"); }, 0},
        {"change a query's SQL without change definition", "ann", {{"Names", "ann", ReadDef}}, [](const Variant &db) { db.get("QueryDefs").item("Names").put("SQL", "SELECT 2"); }, err::PermissionDenied},
        {"rename a query without change definition", "ann", {{"Names", "ann", ReadDef}}, [](const Variant &db) { db.get("QueryDefs").item("Names").put("Name", "Other"); }, err::PermissionDenied},
        {"rename a query with change definition", "ann", {{"Names", "ann", ChangeDef}}, [](const Variant &db) { db.get("QueryDefs").item("Names").put("Name", "Other"); }, 0},
        {"delete a query without change definition", "ann", {{"Names", "ann", Retrieve}}, [](const Variant &db) { db.get("QueryDefs").call("Delete", {"Names"}); }, err::PermissionDenied},
        {"delete a relation without change definition of its foreign table", "ann", {{"Customers", "ann", ChangeDef}}, [](const Variant &db) { db.get("Relations").call("Delete", {"CustomersOrders"}); }, err::PermissionDenied},
        {"delete a relation with change definition of its foreign table", "ann", {{"Orders", "ann", ChangeDef}}, [](const Variant &db) { db.get("Relations").call("Delete", {"CustomersOrders"}); }, 0},
        {"open without Open", "ann", {{"MSysDb", "Users", 0}}, {}, err::PermissionDenied},
        {"open with the account's Open", "ann", {{"MSysDb", "Users", 0}, {"MSysDb", "ann", Open}}, {}, 0},
        {"open exclusively without Exclusive", "ann", {}, {}, err::PermissionDenied, true},
        {"open exclusively with Exclusive", "ann", {{"MSysDb", "Clerks", Exclusive}}, {}, 0, true},
        {"attach outside Admins", "ann", {}, run("ATTACH DATABASE 'other.mdb' AS other"), err::PermissionDenied},
        {"writable schema outside Admins", "ann", {}, run("PRAGMA writable_schema = ON"), err::PermissionDenied},
        {"copy with VACUUM INTO outside Admins", "ann", {}, run("VACUUM INTO 'never.mdb'"), err::PermissionDenied},
        {"security tables, even for Admin", "Admin", {}, run("DELETE FROM MSysACEs"), err::PermissionDenied},
        {"a security table made by a user", "ann", {{"MSysDb", "ann", Create}}, run("CREATE TABLE MSysAccounts (x)"), err::PermissionDenied},
        {"saved queries' table outside Admins", "ann", {{"MSysQueries", "ann", Full}}, run("UPDATE MSysQueries SET SQL = 'SELECT 1'"), err::PermissionDenied},
    };
    for (const PermissionCase &c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = dir.file("case.mdb");
        std::filesystem::remove(path);
        std::filesystem::copy_file(shop, path);
        {
            Variant db = admin.call("OpenDatabase", {path});
            for (const Grant &g : c.grants)
                grant(db, g);
            db.call("Close");
        }
        const std::string before = readAll(path);
        int code = 0;
        std::string message;
        try {
            Variant db = openAs(c.account, path, c.exclusive);
            if (c.action)
                c.action(db);
            db.call("Close");
        } catch (const automation::Error &e) {
            code = e.code();
            message = e.what();
        }
        EXPECT_EQ(code, c.code) << message;
        if (code != 0)
            EXPECT_EQ(readAll(path), before) << "a refused step changed the file";
    }
}

TEST_F(PermissionsTest, ARefusalNamesTheObjectAndTheMissingRight)
{
    const struct {
        Action action;
        const char *message;
    } cases[] = {
        {rows("SELECT Name FROM Customers"), "The account 'bob' has no Retrieve data permission on 'Customers'."},
        {run("DELETE FROM Notes"), "The account 'bob' has no Delete data permission on 'Notes'."},
        {run("CREATE TABLE t (x)"), "The account 'bob' has no Create permission on the database 'shop.mdb'."},
        {run("DROP TABLE Notes"), "The account 'bob' has no Change definition permission on 'Notes'."},
    };
    Variant db = openAs("bob");
    for (const auto &c : cases)
        EXPECT_EQ(errorText([&] { c.action(db); }), c.message);
    db.call("Close");
    {
        Variant admins = admin.call("OpenDatabase", {shop});
        grant(admins, {"MSysDb", "Users", 0});
        admins.call("Close");
    }
    EXPECT_EQ(errorText([&] { openAs("bob"); }), "The account 'bob' has no Open permission on the database 'shop.mdb'.");
}

TEST_F(PermissionsTest, OpeningADatabaseWritesNothing)
{
    const std::string plain = dir.file("plain.mdb");
    admin.call("CreateDatabase", {plain}).call("Close");
    const std::string before = readAll(plain);
    for (const char *user : {"Admin", "ann"}) {
        Variant db = openAs(user, plain);
        EXPECT_EQ(names(db.get("TableDefs")), std::vector<std::string>{}) << user;
        db.call("OpenRecordset", {"SELECT count(*) FROM sqlite_master"});
        Variant doc = document(db, "MSysDb");
        EXPECT_EQ(doc.get("Owner").toText(), "Admin");
        EXPECT_EQ(doc.get("Permissions").toInt(), user == std::string("Admin") ? Full : 0) << user;
        db.call("Close");
    }
    EXPECT_EQ(readAll(plain), before);
}

TEST_F(PermissionsTest, ANewObjectBelongsToItsCreatorAndUsersMayUseIt)
{
    const std::string plain = dir.file("plain.mdb");
    {
        Variant db = admin.call("CreateDatabase", {plain});
        db.call("Execute", {"CREATE TABLE ByAdmin (x)"});
        // Admin's objects need no stored facts.
        EXPECT_EQ(names(db.get("TableDefs")), std::vector<std::string>{"ByAdmin"});
        db.call("Close");
    }
    Variant db = openAs("ann", plain);
    db.call("Execute", {"CREATE TABLE ByAnn (x)"});
    db.call("CreateQueryDef", {"AnnQuery", "SELECT * FROM ByAnn"});
    for (const char *doc : {"ByAnn", "AnnQuery"}) {
        SCOPED_TRACE(doc);
        EXPECT_EQ(document(db, doc).get("Owner").toText(), "ann");
        EXPECT_EQ(permissionsOf(db, doc, "ann"), Full);
        EXPECT_EQ(permissionsOf(db, doc, "Users"), Full);
    }
    EXPECT_EQ(document(db, "ByAdmin").get("Owner").toText(), "Admin");
    db.call("Close");
    Variant bobs = openAs("bob", plain);
    bobs.call("Execute", {"INSERT INTO ByAnn VALUES (1)"});
    EXPECT_EQ(bobs.call("OpenRecordset", {"AnnQuery"}).get("RecordCount").toInt(), 1);
    // A database made by a user belongs to that user.
    Variant own = login("bob").call("CreateDatabase", {dir.file("bobs.mdb")});
    EXPECT_EQ(document(own, "MSysDb").get("Owner").toText(), "bob");
}

TEST_F(PermissionsTest, OwnersAndAdminsMayAlwaysReadAndChangePermissions)
{
    {
        Variant db = openAs("Admin");
        grant(db, {"MSysDb", "ann", Open | Create});
        db.call("Close");
    }
    Variant anns = openAs("ann");
    anns.call("Execute", {"CREATE TABLE Mine (x)"});
    anns.call("Close");
    {
        Variant db = openAs("Admin");
        grant(db, {"Mine", "ann", 0});
        grant(db, {"Mine", "Users", 0});
        db.call("Close");
    }
    anns = openAs("ann");
    EXPECT_EQ(errorCode([&] { anns.call("OpenRecordset", {"Mine"}); }), err::PermissionDenied);
    grant(anns, {"Mine", "ann", Retrieve}); // the owner may give herself rights back
    EXPECT_EQ(errorCode([&] { anns.call("OpenRecordset", {"Mine"}); }), 0);

    Variant bobs = openAs("bob");
    EXPECT_EQ(permissionsOf(bobs, "Mine", "bob"), 0); // one's own permissions are always readable
    EXPECT_EQ(errorCode([&] { permissionsOf(bobs, "Mine", "ann"); }), err::PermissionDenied);
    EXPECT_EQ(errorCode([&] { grant(bobs, {"Mine", "bob", Full}); }), err::PermissionDenied);
    EXPECT_EQ(errorCode([&] { document(bobs, "Mine").put("Owner", "bob"); }), err::PermissionDenied);

    Variant roots = openAs("root2");
    EXPECT_EQ(errorCode([&] { roots.call("OpenRecordset", {"Mine"}); }), err::PermissionDenied);
    grant(roots, {"Mine", "bob", Retrieve});
    EXPECT_EQ(permissionsOf(roots, "Mine", "ann"), Retrieve);
    document(roots, "Mine").put("Owner", "bob");
    EXPECT_EQ(document(bobs, "Mine").get("Owner").toText(), "bob");
    EXPECT_EQ(errorCode([&] { bobs.call("OpenRecordset", {"Mine"}); }), 0);
}

TEST_F(PermissionsTest, AnAccountMadeAgainWithTheSamePidGetsItsPermissionsBack)
{
    {
        Variant db = openAs("Admin");
        grant(db, {"Customers", "bob", Retrieve});
        db.call("Close");
    }
    const struct {
        const char *pid;
        int code;
    } cases[] = {{"bob-pid", 0}, {"another-pid", err::PermissionDenied}, {"bob-pid", 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pid);
        admin.get("Users").call("Delete", {"bob"});
        addUser("bob", c.pid);
        EXPECT_EQ(errorCode([&] { openAs("bob").call("OpenRecordset", {"Customers"}); }), c.code);
        EXPECT_EQ(permissionsOf(openAs("Admin"), "Customers", "bob"), c.code ? 0 : Retrieve);
    }
}

TEST_F(PermissionsTest, FactsOfAccountsAnotherWorkgroupDoesNotKnowAreKept)
{
    {
        Variant db = openAs("Admin");
        grant(db, {"MSysDb", "ann", Open | Create});
        grant(db, {"Notes", "ann", Retrieve | Change});
        db.call("Close");
        openAs("ann").call("Execute", {"CREATE TABLE AnnsTable (x)"});
    }
    const std::string other = dir.file("other.mdw");
    engine.call("CreateWorkgroup", {other, "Other", "Elsewhere", "other-0001"});
    engine.put("SystemDB", other);
    {
        Variant db = openAs("Admin");
        EXPECT_EQ(names(db.get("Containers").item("Tables").get("Documents")),
                  (std::vector<std::string>{"AnnsTable", "Customers", "MSysACEs", "MSysObjects", "MSysQueries",
                                            "Names", "Notes", "Orders", "Raise"}));
        EXPECT_EQ(document(db, "AnnsTable").get("Owner").toText(), "<Unknown>");
        grant(db, {"AnnsTable", "Users", Retrieve});
        grant(db, {"Notes", "Users", Retrieve});
        EXPECT_EQ(db.call("OpenRecordset", {"AnnsTable"}).get("RecordCount").toInt(), 0);
        db.call("Close");
    }
    engine.put("SystemDB", mdw);
    Variant db = openAs("Admin");
    EXPECT_EQ(document(db, "AnnsTable").get("Owner").toText(), "ann");
    EXPECT_EQ(permissionsOf(db, "AnnsTable", "ann"), Full);
    EXPECT_EQ(permissionsOf(db, "AnnsTable", "Users"), Retrieve);
    EXPECT_EQ(permissionsOf(db, "Notes", "ann"), Retrieve | Change);
}

TEST_F(PermissionsTest, PermissionsFollowRenamesAndLeaveWithDrops)
{
    {
        Variant db = openAs("Admin");
        grant(db, {"Notes", "ann", Retrieve});
        db.call("Execute", {"ALTER TABLE Notes RENAME TO Memo"});
        db.call("Close");
    }
    EXPECT_EQ(errorCode([&] { openAs("ann").call("OpenRecordset", {"Memo"}); }), 0);
    EXPECT_EQ(errorCode([&] { openAs("bob").call("OpenRecordset", {"Memo"}); }), err::PermissionDenied);
    {
        Variant db = openAs("Admin");
        db.call("Execute", {"DROP TABLE Memo"});
        db.call("Execute", {"CREATE TABLE Memo (x)"});
        db.call("Execute", {"CREATE TABLE IF NOT EXISTS Customers (y)"});
        db.call("Close");
    }
    // The new table has no stored facts: Users may use it. Customers kept its own.
    EXPECT_EQ(errorCode([&] { openAs("bob").call("OpenRecordset", {"Memo"}); }), 0);
    EXPECT_EQ(errorCode([&] { openAs("bob").call("OpenRecordset", {"Customers"}); }), err::PermissionDenied);
}

// Rows of MSysObjects, the stored facts, for a document of that name, read from the file.
int storedFacts(const std::string &path, const std::string &name)
{
    sqlite3 *raw = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(raw, "SELECT count(*) FROM MSysObjects WHERE Name = ?1 COLLATE NOCASE", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(raw);
    return count;
}

// Only an object a statement really made, dropped or renamed gets, loses or moves its facts:
// whether it existed before and exists after is asked of the file, in any letter case, among
// tables, views and saved queries alike.
TEST_F(PermissionsTest, OnlyWhatAStatementReallyChangedMovesItsFacts)
{
    {
        Variant db = openAs("Admin");
        grant(db, {"MSysDb", "ann", Open | Create});
        db.call("Execute", {"CREATE VIEW Totals AS SELECT Total FROM Orders"});
        grant(db, {"Totals", "Users", Retrieve});
        db.call("Close");
    }
    const struct {
        const char *label;
        std::vector<const char *> statements; // run by ann; the last one may fail
        bool lastFails;
        const char *document;
        const char *owner; // nullptr: no stored facts are left for the document
        int users;         // the mask of "Users" on it
    } cases[] = {
        {"a new table", {"CREATE TABLE Fresh (x)"}, false, "Fresh", "ann", Full},
        {"created and dropped in one transaction",
         {"BEGIN", "CREATE TABLE Brief (x)", "DROP TABLE Brief", "COMMIT"}, false, "Brief", nullptr, 0},
        {"a failed CREATE over a table", {"CREATE TABLE Customers (z)"}, true, "Customers", "Admin", 0},
        {"IF NOT EXISTS over a table in another letter case", {"CREATE TABLE IF NOT EXISTS customers (z)"}, false,
         "Customers", "Admin", 0},
        {"a new view", {"CREATE VIEW Glance AS SELECT 1"}, false, "Glance", "ann", Full},
        {"a view created and dropped", {"CREATE VIEW Peek AS SELECT 1", "DROP VIEW Peek"}, false, "Peek", nullptr, 0},
        {"IF NOT EXISTS over a view", {"CREATE VIEW IF NOT EXISTS totals AS SELECT 1"}, false, "Totals", "Admin",
         Retrieve},
        {"IF NOT EXISTS over a saved select query", {"CREATE VIEW IF NOT EXISTS Names AS SELECT 1"}, false, "Names",
         "Admin", 0},
        {"a table named like a saved action query", {"CREATE TABLE IF NOT EXISTS Raise (x)"}, false, "Raise",
         "Admin", 0},
        {"a table named like a built-in table of SQLite", {"CREATE TABLE json_each (x)"}, false, "json_each", "ann",
         Full},
        {"a drop of what is not there", {"DROP TABLE IF EXISTS Missing", "DROP VIEW IF EXISTS Missing"}, false,
         "Missing", nullptr, 0},
        {"a refused DROP", {"DROP TABLE Notes"}, true, "Notes", "Admin", 0},
        {"a rename: the new name", {"CREATE TABLE Draft (x)", "ALTER TABLE Draft RENAME TO Final"}, false, "Final",
         "ann", Full},
        {"a rename: the old name", {}, false, "Draft", nullptr, 0},
        {"a rolled back creation", {"BEGIN", "CREATE TABLE Undone (x)", "ROLLBACK"}, false, "Undone", nullptr, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        {
            Variant anns = openAs("ann");
            for (std::size_t i = 0; i < c.statements.size(); ++i) {
                const bool last = i + 1 == c.statements.size();
                EXPECT_EQ(errorCode([&] { anns.call("Execute", {c.statements[i]}); }) != 0, last && c.lastFails)
                    << c.statements[i];
            }
            anns.call("Close");
        }
        if (!c.owner) {
            EXPECT_EQ(storedFacts(shop, c.document), 0);
            continue;
        }
        EXPECT_EQ(storedFacts(shop, c.document), 1);
        Variant db = openAs("Admin");
        EXPECT_EQ(document(db, c.document).get("Owner").toText(), c.owner);
        EXPECT_EQ(permissionsOf(db, c.document, "Users"), c.users);
        db.call("Close");
    }
}

// A table made by another connection a moment ago already exists for this one.
TEST_F(PermissionsTest, ATableAnotherConnectionJustMadeIsNotTakenOver)
{
    {
        Variant db = openAs("Admin");
        grant(db, {"MSysDb", "ann", Open | Create});
        db.call("Close");
    }
    Variant anns = openAs("ann");
    anns.call("Execute", {"CREATE TABLE AnnsFirst (x)"}); // this connection has read the schema
    Variant db = openAs("Admin");
    db.call("Execute", {"CREATE TABLE Shared (x)"});
    grant(db, {"Shared", "Users", Retrieve});
    anns.call("Execute", {"CREATE TABLE IF NOT EXISTS Shared (x)"});
    EXPECT_EQ(document(db, "Shared").get("Owner").toText(), "Admin");
    EXPECT_EQ(permissionsOf(db, "Shared", "Users"), Retrieve);
}

// Permissions stored by another connection hold for this one from its next statement, even
// when they are the first the database gets.
TEST_F(PermissionsTest, AnOpenDatabaseSecuredElsewhereIsCheckedAtOnce)
{
    const std::string plain = dir.file("plain.mdb");
    Variant db = admin.call("CreateDatabase", {plain});
    db.call("Execute", {"CREATE TABLE Open (x)"});
    Variant bobs = openAs("bob", plain);
    EXPECT_EQ(errorCode([&] { bobs.call("OpenRecordset", {"SELECT * FROM Open"}); }), 0);
    grant(db, {"Open", "Users", 0});
    EXPECT_EQ(errorCode([&] { bobs.call("OpenRecordset", {"SELECT * FROM Open"}); }), err::PermissionDenied);
}

// A change of permissions inside a transaction that is then rolled back is gone for the
// connection that made it too: neither shown nor granted.
TEST_F(PermissionsTest, ARolledBackChangeOfPermissionsGrantsNothing)
{
    for (const char *undo : {"ROLLBACK", "ROLLBACK TO before"}) {
        SCOPED_TRACE(undo);
        Variant roots = openAs("root2");
        const auto read = [&] { roots.call("OpenRecordset", {"SELECT * FROM Notes"}); };
        EXPECT_EQ(errorCode(read), err::PermissionDenied);
        roots.call("Execute", {"BEGIN"});
        roots.call("Execute", {"SAVEPOINT before"});
        grant(roots, {"Notes", "root2", Retrieve});
        EXPECT_EQ(errorCode(read), 0);
        roots.call("Execute", {undo});
        EXPECT_EQ(permissionsOf(roots, "Notes", "root2"), 0);
        EXPECT_EQ(errorCode(read), err::PermissionDenied);
        if (std::string(undo) != "ROLLBACK")
            roots.call("Execute", {"COMMIT"});
        EXPECT_EQ(errorCode(read), err::PermissionDenied);
        roots.call("Close");
    }
}

TEST_F(PermissionsTest, AMaskIsA32BitNumber)
{
    Variant db = openAs("Admin");
    Variant doc = document(db, "Notes");
    doc.put("UserName", "ann");
    doc.put("Permissions", std::int64_t(0xFFFFFFFF));
    EXPECT_EQ(doc.get("Permissions").toInt(), -1);
    EXPECT_EQ(errorCode([&] { doc.put("Permissions", std::int64_t(1) << 32); }), err::InvalidArgument);
    doc.put("UserName", "nobody");
    EXPECT_EQ(errorCode([&] { doc.get("Permissions"); }), err::ItemNotFound);
}

struct BypassCase {
    const char *label;
    const char *account;
    std::vector<Grant> grants;
    Action action;
};

// What a low-rights account (or, where said, an administrator) tries through SQL alone to read,
// change or re-grant what it has no right to. Each is refused with the engine's error and
// changes nothing.
TEST_F(PermissionsTest, SqlCannotGoAroundThePermissions)
{
    const auto queryDef = [](const char *name, const char *sql) {
        return [=](const Variant &db) { db.call("CreateQueryDef", {name, sql}); };
    };
    const BypassCase cases[] = {
        // Shadowing the engine's tables with temporary or attached objects.
        {"temporary table named like an engine table", "ann", {{"MSysDb", "ann", Create}},
         run("CREATE TEMP TABLE MSysACEs (Container, Name, SID, ACM)")},
        {"temporary view named like an engine table", "ann", {{"MSysDb", "ann", Create}},
         run("CREATE TEMP VIEW MSysObjects AS SELECT 'Tables' AS Container, 'Customers' AS Name, 'x' AS Owner")},
        {"temporary view without Create", "ann", {}, run("CREATE TEMP VIEW v AS SELECT 1")},
        {"temporary table by Admin named like an engine table", "Admin", {}, run("CREATE TEMP TABLE MSysQueries (x)")},
        // A saved query's text holding a second statement.
        {"query text with a second statement", "ann", {{"MSysDb", "ann", Create}},
         queryDef("Q", "SELECT 1; DELETE FROM Customers")},
        {"Admin's query text with a second statement", "Admin", {},
         queryDef("Q", "SELECT 1; INSERT INTO MSysACEs VALUES ('Tables', 'Customers', 'x', 1048575)")},
        // Triggers on the engine's tables, and temporary ones without the right.
        {"trigger on an engine table, even by Admin", "Admin", {},
         run("CREATE TRIGGER t AFTER INSERT ON MSysQueries BEGIN DELETE FROM Customers; END")},
        {"temporary trigger on an engine table", "Admin", {},
         run("CREATE TEMP TRIGGER t AFTER INSERT ON MSysObjects BEGIN SELECT 1; END")},
        {"temporary trigger without Change definition", "ann", {{"Notes", "ann", Insert}},
         run("CREATE TEMP TRIGGER t AFTER INSERT ON Notes BEGIN SELECT 1; END")},
        // The security tables, in every schema, and a second name for the open file.
        {"Admin writing the permissions table", "Admin", {},
         run("INSERT INTO MSysACEs VALUES ('Tables', 'Customers', 'x', 1)")},
        {"Admin attaching the open database again", "Admin", {}, run("ATTACH 'shop.mdb' AS again")},
        {"Admin attaching the workgroup", "Admin", {}, run("ATTACH 'team.mdw' AS accounts")},
        // Pragmas and raw access.
        {"changing the header", "ann", {}, run("PRAGMA user_version = 7")},
        {"switching off check constraints", "ann", {}, run("PRAGMA ignore_check_constraints = ON")},
        {"switching off foreign keys, even by Admin", "Admin", {}, run("PRAGMA foreign_keys = OFF")},
        {"reading the pages of the file", "ann", {}, rows("SELECT * FROM dbstat")},
        {"the fts3 tokenizer function", "ann", {}, rows("SELECT fts3_tokenizer('simple')")},
        // The rights of others.
        {"reading every account's rights", "ann", {}, rows("SELECT * FROM MSysACEs")},
    };
    const std::string original = dir.file("original.mdb");
    std::filesystem::copy_file(shop, original);
    for (const BypassCase &c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::copy_file(original, shop, std::filesystem::copy_options::overwrite_existing);
        {
            Variant db = openAs("Admin");
            for (const Grant &g : c.grants)
                grant(db, g);
            db.call("Close");
        }
        // The file names in the statements are relative to the temporary folder.
        const auto cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        Variant db = openAs(c.account);
        const std::string message = errorText([&] { c.action(db); });
        std::filesystem::current_path(cwd);
        EXPECT_FALSE(message.empty());
        db.call("Close");
        Variant check = openAs("Admin");
        EXPECT_EQ(check.call("OpenRecordset", {"SELECT count(*) FROM Customers"}).get("Fields").item(0).get("Value").toInt(), 1);
        EXPECT_EQ(errorCode([&] { check.get("QueryDefs").item("Q"); }), err::ItemNotFound);
        check.call("Close");
    }
}

TEST_F(PermissionsTest, AWorkgroupFileIsNoDatabase)
{
    const std::string message = errorText([&] { openAs("Admin", mdw); });
    EXPECT_NE(message.find("'team.mdw' is a workgroup information file; choose it as the system database."),
              std::string::npos)
        << message;
}

TEST_F(PermissionsTest, TheEngineWritesNoUserTriggerFires)
{
    // A trigger on an engine table written into the file by another tool.
    {
        sqlite3 *raw = nullptr;
        ASSERT_EQ(sqlite3_open(shop.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "CREATE TRIGGER sneak AFTER INSERT ON MSysACEs BEGIN "
                                    "INSERT INTO MSysACEs VALUES ('Tables', 'Customers', new.SID, 1048575); END",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    Variant db = openAs("Admin");
    errorText([&] { grant(db, {"Notes", "bob", Insert}); });
    db.call("Close");
    Variant bobs = openAs("bob");
    EXPECT_EQ(errorCode([&] { bobs.call("OpenRecordset", {"Customers"}).call("MoveLast"); }), err::PermissionDenied);
}

TEST_F(PermissionsTest, LoginsWithAndWithoutPasswordCostTheSame)
{
    addUser("cat", "cat-pid", "Meow-2024");
    const auto cost = [&](const std::string &user, const std::string &password) {
        const std::uint64_t before = dbengine::passwordVerifications();
        errorCode([&] { login(user, password); });
        return dbengine::passwordVerifications() - before;
    };
    EXPECT_EQ(cost("cat", "Meow-2024"), 1u);
    EXPECT_EQ(cost("bob", ""), 1u);
    EXPECT_EQ(cost("bob", "guess"), 1u);
    EXPECT_EQ(cost("nobody", ""), 1u);
}

TEST_F(PermissionsTest, AStoredHashAskingTooMuchIsDamageNotTried)
{
    addUser("cat", "cat-pid", "Meow-2024");
    {
        sqlite3 *raw = nullptr;
        ASSERT_EQ(sqlite3_open(mdw.c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "UPDATE MSysAccounts SET Password = "
                                    "'$argon2id$v=19$m=4194304,t=1000,p=1$L6ldlLszxGHLuYhBT7EjBw$"
                                    "+YckTlB1tK1SBJI6ldeh3xN1gWtwx0Qs1s0T7mBrgIg' WHERE Name = 'cat'",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(raw);
    }
    const std::uint64_t before = dbengine::passwordVerifications();
    EXPECT_EQ(errorCode([&] { login("cat", "Meow-2024"); }), err::WorkgroupUnusable);
    EXPECT_EQ(dbengine::passwordVerifications(), before);
}

} // namespace
