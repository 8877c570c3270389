#include "EngineFixture.h"

using automation::Variant;

namespace {

class ExecuteTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        db = create("orders.db", orderSchema());
    }
    Variant db;
};

TEST_F(ExecuteTest, RecordsAffectedCountsTheRowsOfEachStatement)
{
    const struct {
        const char *sql;
        int affected;
    } cases[] = {
        {"INSERT INTO Customers (Name) VALUES ('Cyd'), ('Dee'), ('Eve')", 3},
        {"UPDATE Customers SET City = 'Olomouc' WHERE City = 'Brno'", 4},
        {"CREATE TABLE Empty (x)", 0},
        {"DELETE FROM Orders WHERE CustomerID = 1", 1},
        {"DELETE FROM Customers WHERE CustomerID = 2", 1}, // its order goes by cascade
        {"DROP TABLE Empty", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        db.call("Execute", {c.sql});
        EXPECT_EQ(db.get("RecordsAffected").toInt(), c.affected);
    }
    EXPECT_EQ(db.get("TableDefs").item("Orders").get("RecordCount").toInt(), 0);
}

TEST_F(ExecuteTest, ErrorsAreClearAndChangeNothing)
{
    const struct {
        const char *sql;
        int code;
        const char *words;
    } cases[] = {
        {"", dbengine::err::EmptyStatement, "empty"},
        {" \r\n ", dbengine::err::EmptyStatement, "empty"},
        {"SELECT * FROM Orders", dbengine::err::RowReturning, "recordset"},
        {"DELETE FROM Orders; DELETE FROM Customers", dbengine::err::SqlError, "one statement"},
        {"DELET FROM Orders", dbengine::err::SqlError, "syntax error"},
        {"INSERT INTO Orders VALUES (10, 1, 0, NULL)", dbengine::err::SqlError, "UNIQUE"},
        {"INSERT INTO Orders (CustomerID) VALUES (77)", dbengine::err::SqlError, "FOREIGN KEY"},
        {"INSERT INTO Customers (Name) VALUES ('')", dbengine::err::SqlError, "CHECK"},
        {"UPDATE Nowhere SET x = 1", dbengine::err::SqlError, "o such table"},
        {"PARAMETERS a LONG; DELETE FROM Orders WHERE OrderID = a", dbengine::err::SqlError, "Expected 1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            db.call("Execute", {c.sql});
            ADD_FAILURE() << "no error";
        } catch (const automation::Error &e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(db.get("TableDefs").item("Orders").get("RecordCount").toInt(), 2);
    EXPECT_EQ(db.get("TableDefs").item("Customers").get("RecordCount").toInt(), 2);
}

TEST_F(ExecuteTest, ReadOnlyDatabaseRefusesChanges)
{
    db.call("Close");
    Variant ro = open("orders.db", false, true);
    EXPECT_EQ(errorCode([&] { ro.call("Execute", {"DELETE FROM Orders"}); }), dbengine::err::ReadOnlyDatabase);
    EXPECT_EQ(errorCode([&] { ro.call("CreateQueryDef", {"q", "SELECT 1"}); }), dbengine::err::ReadOnlyDatabase);
    EXPECT_EQ(ro.get("TableDefs").item("Orders").get("RecordCount").toInt(), 2);
}

TEST_F(ExecuteTest, ClosedDatabaseRefusesMembers)
{
    db.call("Close");
    EXPECT_EQ(errorCode([&] { db.call("Execute", {"DELETE FROM Orders"}); }), dbengine::err::ObjectClosed);
    EXPECT_EQ(errorCode([&] { db.get("TableDefs"); }), dbengine::err::ObjectClosed);
    EXPECT_EQ(db.get("Name").toText(), dir.file("orders.db"));
}

} // namespace
