#include "EngineFixture.h"

using automation::Variant;

namespace {

class QueryDefsTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        db = create("orders.db", orderSchema());
    }
    Variant db;
};

TEST_F(QueryDefsTest, CreatedQueryIsStoredAtOnceAndSelectableByName)
{
    db.call("CreateQueryDef", {"BigOrders", "SELECT OrderID, Total FROM Orders WHERE Total > 10"});
    Variant other = workspace.call("OpenDatabase", {dir.file("orders.db"), false, true});
    Variant q = other.get("QueryDefs").item("bigorders");
    EXPECT_EQ(q.get("Name").toText(), "BigOrders");
    EXPECT_EQ(q.get("SQL").toText(), "SELECT OrderID, Total FROM Orders WHERE Total > 10");
    Variant rs = other.call("OpenRecordset", {"select * from BigOrders", 4, 2});
    rs.call("MoveLast");
    EXPECT_EQ(rs.get("RecordCount").toInt(), 1);
    Variant fields = q.get("Fields");
    ASSERT_EQ(fields.get("Count").toInt(), 2);
    EXPECT_EQ(fields.item(1).get("Type").toInt(), 5);
}

TEST_F(QueryDefsTest, TypeFollowsTheStatementAndTildeNamesAreHidden)
{
    const struct {
        const char *name, *sql;
        int type;
    } cases[] = {
        {"qSelect", "SELECT * FROM Orders", 0},
        {"qUnion", "SELECT Name FROM Customers UNION SELECT Product FROM Lines", 128},
        {"qDelete", "DELETE FROM Orders WHERE Total IS NULL", 32},
        {"qUpdate", "UPDATE Orders SET Total = Total * 2", 48},
        {"qAppend", "INSERT INTO Orders (CustomerID) VALUES (1)", 64},
        {"qDdl", "CREATE TABLE Extra (x)", 96},
        {"qWith", "WITH t AS (SELECT 1) DELETE FROM Orders", 32},
        {"~sqHidden", "SELECT 1", 8},
        {"qParam", "PARAMETERS [Min Total] CURRENCY; SELECT * FROM Orders WHERE Total > [Min Total]", 0},
        {"qOther", "VACUUM", 240},
    };
    for (const auto &c : cases)
        db.call("CreateQueryDef", {c.name, c.sql});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(db.get("QueryDefs").item(c.name).get("Type").toInt(), c.type);
    }
}

TEST_F(QueryDefsTest, ParametersClauseGivesTheParameters)
{
    Variant q = db.call("CreateQueryDef", {"ByCustomer",
                                           "PARAMETERS [Customer Id] LONG, Since DATETIME;\r\n"
                                           "SELECT * FROM Orders WHERE CustomerID = [Customer Id] AND Placed >= Since"});
    Variant params = q.get("Parameters");
    ASSERT_EQ(params.get("Count").toInt(), 2);
    EXPECT_EQ(params.item(0).get("Name").toText(), "Customer Id");
    EXPECT_EQ(params.item(0).get("Type").toInt(), 4);
    EXPECT_EQ(params.item(0).get("Direction").toInt(), 1);
    EXPECT_EQ(params.item(1).get("Name").toText(), "Since");
    EXPECT_EQ(params.item(1).get("Type").toInt(), 8);
    // A parameter query cannot be opened without values.
    EXPECT_EQ(errorCode([&] { db.call("OpenRecordset", {"ByCustomer"}); }), dbengine::err::SqlError);
}

TEST_F(QueryDefsTest, ReadingParametersChecksTheText)
{
    const char *bad[] = {"SELEC * FROM Orders", "SELECT * FROM NoSuchTable", "PARAMETERS x; SELECT 1",
                         "SELECT * FROM Orders WHERE"};
    for (const char *sql : bad) {
        SCOPED_TRACE(sql);
        Variant q = db.call("CreateQueryDef", {"Bad", sql});
        EXPECT_NE(errorCode([&] { q.get("Parameters").get("Count"); }), 0);
        db.get("QueryDefs").call("Delete", {"Bad"});
    }
    Variant good = db.call("CreateQueryDef", {"Good", "SELECT * FROM Orders"});
    EXPECT_EQ(good.get("Parameters").get("Count").toInt(), 0);
}

TEST_F(QueryDefsTest, RenameAndNewTextAreSaved)
{
    Variant q = db.call("CreateQueryDef", {"First", "SELECT * FROM Orders"});
    q.put("Name", "Second");
    q.put("SQL", "SELECT OrderID FROM Orders");
    db.call("Close");
    Variant again = open("orders.db");
    Variant queries = again.get("QueryDefs");
    ASSERT_EQ(queries.get("Count").toInt(), 1);
    EXPECT_EQ(queries.item(0).get("Name").toText(), "Second");
    Variant rs = again.call("OpenRecordset", {"SELECT * FROM Second"});
    EXPECT_EQ(rs.get("Fields").get("Count").toInt(), 1);
    EXPECT_EQ(errorCode([&] { again.call("OpenRecordset", {"SELECT * FROM First"}); }), dbengine::err::SqlError);
}

TEST_F(QueryDefsTest, NamesInUseAreRefused)
{
    db.call("CreateQueryDef", {"Q1", "SELECT 1"});
    Variant q2 = db.call("CreateQueryDef", {"Q2", "SELECT 2"});
    for (const char *name : {"q1", "ORDERS", ""}) {
        SCOPED_TRACE(name);
        EXPECT_NE(errorCode([&] { q2.put("Name", name); }), 0);
    }
    EXPECT_EQ(errorCode([&] { db.call("CreateQueryDef", {"customers", "SELECT 3"}); }), dbengine::err::NameInUse);
    EXPECT_EQ(q2.get("Name").toText(), "Q2");
    q2.put("Name", "q2"); // a change of letter case alone is a rename
    EXPECT_EQ(db.get("QueryDefs").item(1).get("Name").toText(), "q2");
}

TEST_F(QueryDefsTest, ViewsOfTheFileAreQueries)
{
    db.call("Execute", {"CREATE VIEW Cities (c) AS SELECT DISTINCT City FROM Customers"});
    Variant q = db.get("QueryDefs").item("Cities");
    EXPECT_EQ(q.get("SQL").toText(), "SELECT DISTINCT City FROM Customers");
    EXPECT_EQ(q.get("Type").toInt(), 0);
    db.get("QueryDefs").call("Delete", {"Cities"});
    EXPECT_EQ(db.get("QueryDefs").get("Count").toInt(), 0);
}

TEST_F(QueryDefsTest, SavedActionQueryRunsByName)
{
    db.call("CreateQueryDef", {"Double", "UPDATE Orders SET Total = Total * 2"});
    db.call("Execute", {"Double"});
    EXPECT_EQ(db.get("RecordsAffected").toInt(), 2);
}

// A name with blanks is given without brackets, in any letter case, whether a table, a view or
// a saved action query holds it; anything else is a statement.
TEST_F(QueryDefsTest, ObjectsRunAndOpenByTheirNamesWrittenOut)
{
    db.call("Execute", {"CREATE TABLE [Order Notes] (Id INTEGER PRIMARY KEY, Body MEMO)"});
    db.call("Execute", {"INSERT INTO [Order Notes] (Body) VALUES ('a'), ('b'), ('c')"});
    db.call("Execute", {"CREATE VIEW [Big Orders] AS SELECT * FROM Orders WHERE Total > 10"});
    db.call("CreateQueryDef", {"Raise All", "UPDATE Orders SET Total = Total + 1"});
    const struct {
        const char *text;
        bool execute; // else opened as a recordset
        int count;    // RecordsAffected or RecordCount; -1: an error
    } cases[] = {
        {"order notes", false, 3},
        {"BIG ORDERS", false, 1},
        {"Raise All", true, 2},
        {"raise all", true, 2},
        {"Orders", false, 2},
        {"No Such Thing", false, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        int count = -1;
        const int code = errorCode([&] {
            if (c.execute) {
                db.call("Execute", {c.text});
                count = db.get("RecordsAffected").toInt();
            } else {
                Variant rs = db.call("OpenRecordset", {c.text});
                rs.call("MoveLast");
                count = rs.get("RecordCount").toInt();
            }
        });
        EXPECT_EQ(code != 0, c.count < 0);
        if (c.count >= 0) {
            EXPECT_EQ(count, c.count);
        }
    }
}

} // namespace
