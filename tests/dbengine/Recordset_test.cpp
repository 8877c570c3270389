#include "EngineFixture.h"

#include "automation/DateTime.h"

using automation::Variant;
using automation::VarType;

namespace {

class RecordsetTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        db = create("orders.db", orderSchema());
    }
    Variant db;
};

TEST_F(RecordsetTest, RecordCountIsExactAfterMoveLast)
{
    db.call("Execute", {"CREATE TABLE n (i INTEGER)"});
    db.call("Execute", {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 500) "
                        "INSERT INTO n SELECT x FROM c"});
    Variant rs = db.call("OpenRecordset", {"SELECT i FROM n", 4, 2});
    EXPECT_LE(rs.get("RecordCount").toInt(), 500);
    rs.call("MoveLast");
    EXPECT_EQ(rs.get("RecordCount").toInt(), 500);
    rs.call("MoveFirst");
    Variant rows = rs.call("GetRows", {200});
    EXPECT_EQ(rows.array().rows(), 200u);
    EXPECT_EQ(rows.array().at(0, 199).toInt(), 200);
    Variant rest = rs.call("GetRows", {1000});
    EXPECT_EQ(rest.array().rows(), 300u);
    EXPECT_EQ(rest.array().at(0, 0).toInt(), 201);
    EXPECT_TRUE(rs.get("EOF").toBool());
    EXPECT_EQ(rs.call("GetRows", {10}).array().rows(), 0u);
}

// Move(n) reads only as far as it goes, so a long result can be read in steps; past either
// end it stops at EOF or BOF.
TEST_F(RecordsetTest, MoveReadsInStepsAndStopsAtEitherEnd)
{
    db.call("Execute", {"CREATE TABLE n (i INTEGER)"});
    db.call("Execute", {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 250) "
                        "INSERT INTO n SELECT x FROM c"});
    Variant rs = db.call("OpenRecordset", {"SELECT i FROM n", 4, 2});
    const auto current = [&] { return rs.get("Fields").item(0).get("Value").toInt(); };
    rs.call("Move", {100});
    EXPECT_EQ(current(), 101);
    EXPECT_EQ(rs.get("RecordCount").toInt(), 101);
    rs.call("Move", {-30});
    EXPECT_EQ(current(), 71);
    rs.call("Move", {0});
    EXPECT_EQ(current(), 71);
    rs.call("Move", {1000});
    EXPECT_TRUE(rs.get("EOF").toBool());
    EXPECT_EQ(rs.get("RecordCount").toInt(), 250);
    rs.call("Move", {-250});
    EXPECT_EQ(current(), 1);
    rs.call("Move", {-1});
    EXPECT_TRUE(rs.get("BOF").toBool());
    rs.call("Move", {1});
    EXPECT_FALSE(rs.get("BOF").toBool());
    EXPECT_EQ(current(), 1);
}

TEST_F(RecordsetTest, GetRowsGivesTypedValuesByFieldAndRow)
{
    Variant rs = db.call("OpenRecordset", {"SELECT CustomerID, Name, Notes, Since, Active FROM Customers ORDER BY 1"});
    rs.call("MoveLast");
    rs.call("MoveFirst");
    const automation::Array &a = rs.call("GetRows", {2}).array();
    ASSERT_EQ(a.columns(), 5u);
    ASSERT_EQ(a.rows(), 2u);
    EXPECT_EQ(a.at(1, 0).toText(), "Ann");
    EXPECT_TRUE(a.at(2, 0).isNull());
    EXPECT_EQ(a.at(3, 0).type(), VarType::Date);
    EXPECT_EQ(a.at(3, 0).toText(), "2020-01-02");
    EXPECT_EQ(a.at(3, 1).toText(), "2021-03-04 05:06:07");
    EXPECT_EQ(a.at(4, 0).type(), VarType::Boolean);
    EXPECT_EQ(a.at(4, 1).toText(), "False");
    Variant totals = db.call("OpenRecordset", {"SELECT Total FROM Orders ORDER BY OrderID"});
    const automation::Array &t = totals.call("GetRows", {5}).array();
    EXPECT_EQ(t.at(0, 0).type(), VarType::Currency);
    EXPECT_EQ(t.at(0, 0).toText(), "12.5");
}

TEST_F(RecordsetTest, FieldsGiveNameTypeAndSize)
{
    Variant rs = db.call("OpenRecordset", {"SELECT Name, Since, count(*) AS n, 'x' || Name AS label, x'00ff' AS raw "
                                           "FROM Customers GROUP BY Name"});
    Variant fields = rs.get("Fields");
    const struct {
        const char *name;
        int type, size;
    } expected[] = {{"Name", 10, 40}, {"Since", 8, 8}, {"n", 4, 4}, {"label", 10, 0}, {"raw", 11, 0}};
    ASSERT_EQ(fields.get("Count").toInt(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(fields.item(i).get("Name").toText(), expected[i].name);
        EXPECT_EQ(fields.item(i).get("Type").toInt(), expected[i].type);
        EXPECT_EQ(fields.item(i).get("Size").toInt(), expected[i].size);
    }
    const automation::Array &a = rs.call("GetRows", {1}).array();
    EXPECT_THROW(a.at(4, 0).toText(), automation::Error);
}

TEST_F(RecordsetTest, AnEmptyResultIsNoError)
{
    Variant rs = db.call("OpenRecordset", {"SELECT * FROM Orders WHERE 0"});
    rs.call("MoveLast");
    rs.call("MoveFirst");
    EXPECT_EQ(rs.get("RecordCount").toInt(), 0);
    EXPECT_EQ(rs.call("GetRows", {0}).array().rows(), 0u);
    EXPECT_EQ(rs.get("Fields").get("Count").toInt(), 4);
}

TEST_F(RecordsetTest, ClosedRecordsetRefusesMembersButArraysStay)
{
    Variant rs = db.call("OpenRecordset", {"Customers"});
    Variant rows = rs.call("GetRows", {5});
    rs.call("Close");
    EXPECT_EQ(errorCode([&] { rs.call("MoveFirst"); }), dbengine::err::ObjectClosed);
    EXPECT_EQ(rows.array().at(1, 1).toText(), "Bob");
}

TEST_F(RecordsetTest, StatementsThatAreNotQueriesAreRefused)
{
    const struct {
        const char *sql;
        int code;
    } cases[] = {
        {"", dbengine::err::EmptyStatement},
        {"   ", dbengine::err::EmptyStatement},
        {"DELETE FROM Orders", dbengine::err::RowReturning},
        {"SELECT 1; SELECT 2", dbengine::err::SqlError},
        {"SELECT * FROM Nowhere", dbengine::err::SqlError},
        {"PARAMETERS p LONG; SELECT p", dbengine::err::SqlError},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(errorCode([&] { db.call("OpenRecordset", {c.sql, 4, 2}); }), c.code);
    }
    // Nothing was deleted by the refused statement.
    EXPECT_EQ(db.get("TableDefs").item("Orders").get("RecordCount").toInt(), 2);
}

} // namespace
