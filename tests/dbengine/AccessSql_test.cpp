#include "EngineFixture.h"

#include <algorithm>
#include <sqlite3.h>

using automation::Variant;

namespace {

// Orders of five customers; two customers share the name Ann, Yes/No values are 1 and -1.
std::vector<std::string> accessSchema()
{
    return {
        "CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Name TEXT(40), City TEXT(30), Since DATETIME, "
        "Active YESNO)",
        "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID LONG, Total CURRENCY, Placed DATETIME, "
        "Product TEXT(20))",
        "INSERT INTO Customers VALUES (1, 'Ann', 'Brno', '2020-01-02', 1), (2, 'Bob', 'Praha', '2021-03-04 05:06:07', 0), "
        "(3, 'cyd', 'brno', NULL, -1), (4, 'Dee', NULL, '1995-06-15', 1), (5, 'Ann', 'Olomouc', NULL, 0)",
        "INSERT INTO Orders VALUES (10, 1, 12.5, '1995-01-10', 'Apple'), (11, 1, 7, '1995-02-01', 'Pear'), "
        "(12, 2, 20, '1995-01-20', 'Apple'), (13, 3, 20, '1995-03-05', 'Plum'), (14, 1, 5, NULL, 'Apple'), "
        "(15, 5, 1, '1995-04-01', 'Kiwi')",
    };
}

class AccessSqlTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        db = create("access.db", accessSchema());
        db.put("SqlDialect", "Access");
    }

    // The rows of a statement, each as its cells joined by "|" (Null as "Null"); the first
    // line holds the column names.
    std::vector<std::string> rows(const std::string &sql)
    {
        const Variant rs = db.call("OpenRecordset", {sql, 4, 2});
        rs.call("MoveLast");
        const int count = rs.get("RecordCount").toInt();
        const Variant fields = rs.get("Fields");
        const int n = fields.get("Count").toInt();
        std::vector<std::string> out(1);
        for (int f = 0; f < n; ++f)
            out[0] += (f ? "|" : "") + fields.item(f).get("Name").toText();
        rs.call("MoveFirst");
        const Variant data = rs.call("GetRows", {count});
        const auto &array = data.array();
        for (int r = 0; r < count; ++r) {
            std::string line;
            for (int f = 0; f < n; ++f) {
                const Variant &v = array.at(std::size_t(f), std::size_t(r));
                line += (f ? "|" : "") + (v.isNull() ? std::string("Null") : v.toText());
            }
            out.push_back(line);
        }
        rs.call("Close");
        return out;
    }

    std::vector<std::string> values(const std::string &sql)
    {
        auto r = rows(sql);
        r.erase(r.begin());
        return r;
    }

    std::string errorOf(const std::string &sql, const char *member = "OpenRecordset")
    {
        try {
            db.call(member, {sql});
        } catch (const automation::Error &e) {
            return e.what();
        }
        return "no error";
    }

    Variant db;
};

using Rows = std::vector<std::string>;

TEST_F(AccessSqlTest, SelectsGiveAccessValues)
{
    const struct {
        const char *sql;
        Rows expected;
    } cases[] = {
        // dates: US and ISO literals, compared with the stored text
        {"SELECT Name FROM Customers WHERE Since >= #1/1/2020# ORDER BY Name", {"Ann", "Bob"}},
        {"SELECT Name FROM Customers WHERE Since = #2020-01-02#", {"Ann"}},
        {"SELECT OrderID FROM Orders WHERE Placed Between #1/15/95# And #3/5/1995# ORDER BY OrderID", {"11", "12", "13"}},
        // & takes Null as empty text; + keeps Null
        {"SELECT Name & \" (\" & City & \")\" FROM Customers WHERE CustomerID In (1, 4) ORDER BY CustomerID",
         {"Ann (Brno)", "Dee ()"}},
        {"SELECT City + \"!\", Name + \"!\" FROM Customers WHERE CustomerID = 4", {"Null|Dee!"}},
        // Like without regard to case, with * ? # and classes
        {"SELECT Name FROM Customers WHERE Name Like \"a*\" ORDER BY CustomerID", {"Ann", "Ann"}},
        {"SELECT Name FROM Customers WHERE Name Like \"?O?\"", {"Bob"}},
        {"SELECT Name FROM Customers WHERE Name Like \"[b-c]*\" ORDER BY CustomerID", {"Bob", "cyd"}},
        {"SELECT Name FROM Customers WHERE Name Not Like \"[!d]*\"", {"Dee"}},
        {"SELECT OrderID FROM Orders WHERE OrderID Like \"1[0-1]\" OR OrderID Like \"#5\" ORDER BY OrderID",
         {"10", "11", "15"}},
        // text compares without regard to case
        {"SELECT Count(*) FROM Customers WHERE City = \"BRNO\"", {"2"}},
        {"SELECT OrderID FROM Orders WHERE Product In (\"apple\", \"KIWI\") ORDER BY OrderID", {"10", "12", "14", "15"}},
        // Yes/No fields hold 1 or -1; True matches both
        {"SELECT CustomerID FROM Customers WHERE Active = True ORDER BY CustomerID", {"1", "3", "4"}},
        {"SELECT CustomerID FROM Customers WHERE Active = No ORDER BY CustomerID", {"2", "5"}},
        {"SELECT OrderID FROM Orders WHERE Placed Is Null", {"14"}},
        {"SELECT Count(*) FROM Orders WHERE Placed Is Not Null", {"5"}},
        // arithmetic
        {"SELECT 7 \\ 2, 7 Mod 3, 2 ^ 10, 7 / 2, -7 Mod 3, 5.5 Mod 2, 10 - 2 - 3", {"3|1|1024|3.5|-1|0|5"}},
        {"SELECT DateAdd(\"d\", 1, Placed), Placed + 1 FROM Orders WHERE OrderID = 11", {"1995-02-02|1995-02-02"}},
        // Currency and Round: half to even
        {"SELECT CCur(1.00005), CCur(1.00015), CCur(2.34567), Round(2.5), Round(3.5), Round(0.125, 2), Round(-2.5)",
         {"1|1.0002|2.3457|2|4|0.12|-2"}},
        {"SELECT CInt(2.5), CInt(3.5), CLng(-1.5), Int(-1.5), Fix(-1.5)", {"2|4|-2|-2|-1"}},
        // subqueries in WHERE: Exists, and a total inside a subquery (not a total in WHERE)
        {"SELECT Name FROM Customers AS c WHERE Exists (SELECT * FROM Orders WHERE Orders.CustomerID = c.CustomerID) "
         "ORDER BY CustomerID",
         {"Ann", "Bob", "cyd", "Ann"}},
        {"SELECT Name FROM Customers AS c WHERE Not Exists(SELECT 1 FROM Orders WHERE Orders.CustomerID = c.CustomerID)",
         {"Dee"}},
        {"SELECT OrderID FROM Orders WHERE Total > (SELECT Avg(Total) FROM Orders) ORDER BY OrderID", {"10", "12", "13"}},
        // a Single shows the digits that make it, as Access shows it
        {"SELECT CSng(1.1), CSng(0.1) * 3, CSng(\"2.5\"), CSng(1/3)", {"1.1|0.3|2.5|0.3333333"}},
        // TOP keeps the rows tied with the last one
        {"SELECT TOP 2 CustomerID FROM Orders ORDER BY CustomerID", {"1", "1", "1"}},
        {"SELECT TOP 1 OrderID FROM Orders ORDER BY Total DESC, OrderID", {"12"}},
        {"SELECT TOP 50 PERCENT OrderID FROM Orders ORDER BY OrderID", {"10", "11", "12"}},
        {"SELECT TOP 2 OrderID FROM Orders", {"10", "11"}},
        // DISTINCTROW on a join: each customer once, the two Anns both
        {"SELECT DISTINCTROW Customers.Name FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
         "Orders.CustomerID ORDER BY Customers.Name",
         {"Ann", "Ann", "Bob", "cyd"}},
        {"SELECT DISTINCT Customers.Name FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
         "Orders.CustomerID ORDER BY Customers.Name",
         {"Ann", "Bob", "cyd"}},
        // ! as qualifier, nested joins in parentheses, WITH OWNERACCESS OPTION
        {"SELECT Orders!OrderID FROM (Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID) "
         "WHERE Customers!Name = 'Bob' WITH OWNERACCESS OPTION;",
         {"12"}},
        // functions
        {"SELECT IIf(Total > 10, \"big\", \"small\"), Nz(Placed, \"none\"), Format(Placed, \"yyyy-mm\"), "
         "Year(Placed), DateAdd(\"m\", 1, #1/31/1995#), DateDiff(\"d\", #1/1/1995#, #3/1/1995#), Left(Product, 2), "
         "Mid(\"Access\", 2, 3), InStr(\"Access\", \"CE\"), UCase(\"a\"), Len(\"äb\") FROM Orders WHERE OrderID = 10",
         {"big|1995-01-10|1995-01|1995|1995-02-28|59|Ap|cce|3|A|2"}},
        {"SELECT Nz(Placed, \"none\"), Format(1234.5, \"#,##0.00\"), Format(#1/5/1995#, \"Long Date\"), "
         "Switch(1 = 2, \"a\", 1 = 1, \"b\"), Choose(2, \"x\", \"y\"), Weekday(#1/5/1995#), "
         "Format(0.256, \"Percent\"), Replace(\"aXbx\", \"x\", \"-\"), StrComp(\"a\", \"B\"), Val(\" 12 3abc\"), "
         "Trim(\"  a \") & \"|\" FROM Orders WHERE OrderID = 14",
         {"none|1,234.50|Thursday, January 5, 1995|b|y|5|25.60%|a-b-|-1|123|a|"}},
        {"SELECT DateSerial(1995, 14, 1), DatePart(\"q\", #8/1/1995#), MonthName(2), IsNull(Placed), "
         "IsNumeric(\"1.5\"), CStr(1.5) & \"x\", Str(3), Asc(\"A\"), Chr(66), String(3, \"z\"), Space(2) & \"|\" "
         "FROM Orders WHERE OrderID = 14",
         {"1996-02-01|3|February|-1|-1|1.5x| 3|65|B|zzz|  |"}},
        // aggregates beside the usual ones
        {"SELECT First(OrderID), Last(OrderID), Round(StDev(Total), 4), Round(VarP(Total), 4), Count(Placed), "
         "StDevP(Total) > 0, Var(OrderID) FROM Orders WHERE CustomerID = 1",
         {"10|14|3.8837|10.0556|2|1|4.33333333333333"}},
        {"SELECT Sum(Total), Avg(Total), Min(Placed), Max(Product) FROM Orders WHERE CustomerID = 1",
         {"24.5|8.16666666666667|1995-01-10|Pear"}},
        // union and a subquery
        {"SELECT Name FROM Customers WHERE CustomerID = 1 UNION SELECT Product FROM Orders WHERE OrderID = 13 "
         "ORDER BY 1",
         {"Ann", "Plum"}},
        {"SELECT Count(*) FROM (SELECT DISTINCT CustomerID FROM Orders) AS c", {"4"}},
        {"SELECT Name FROM Customers WHERE CustomerID In (SELECT CustomerID FROM Orders WHERE Total >= 20) "
         "ORDER BY Name",
         {"Bob", "cyd"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(values(c.sql), c.expected);
    }
}

TEST_F(AccessSqlTest, ColumnsWithoutAliasAreNamedExprAsAccessNamesThem)
{
    EXPECT_EQ(rows("SELECT OrderID, Total * 2, Total AS Amount, Count(*) FROM Orders WHERE OrderID = 10 GROUP BY OrderID, Total")[0],
              "OrderID|Expr1000|Amount|Expr1001");
}

// Columns that two tables give under one name are named after their tables, as Access names them.
TEST_F(AccessSqlTest, ColumnsOfTheSameNameAreNamedAfterTheirTables)
{
    const std::string join = " FROM Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID "
                             "WHERE OrderID = 10";
    const struct {
        std::string sql;
        const char *columns;
    } cases[] = {
        {"SELECT *" + join, "OrderID|Orders.CustomerID|Total|Placed|Product|Customers.CustomerID|Name|City|Since|Active"},
        {"SELECT Orders.CustomerID, Customers.*" + join, "Orders.CustomerID|Customers.CustomerID|Name|City|Since|Active"},
        {"SELECT [Orders]![CustomerID], Customers.CustomerID AS Who, Name" + join, "CustomerID|Who|Name"},
        {"SELECT o.CustomerID, c.CustomerID FROM Orders AS o, Customers AS c WHERE o.OrderID = 10 AND c.CustomerID = 2",
         "o.CustomerID|c.CustomerID"},
        // the names stay the same through a subquery (SQLite would make the second "CustomerID:1")
        {"SELECT * FROM (SELECT Orders.CustomerID, Customers.CustomerID" + join + ")",
         "Orders.CustomerID|Customers.CustomerID"},
        {"SELECT CustomerID FROM Orders WHERE OrderID = 10", "CustomerID"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(rows(c.sql)[0], c.columns);
    }
    EXPECT_EQ(values("SELECT Orders.CustomerID, Customers.*" + join),
              (Rows{"1|1|Ann|Brno|2020-01-02|True"}));
}

TEST_F(AccessSqlTest, CrosstabsMakeAColumnPerPivotValue)
{
    EXPECT_EQ(rows("TRANSFORM Sum(Total) SELECT CustomerID FROM Orders GROUP BY CustomerID "
                   "PIVOT Product IN (\"Pear\", \"Apple\", \"Fig\")"),
              (Rows{"CustomerID|Pear|Apple|Fig", "1|7|17.5|Null", "2|Null|20|Null", "3|Null|Null|Null",
                    "5|Null|Null|Null"}));
    // without IN: the values found, sorted; a cell without rows is Null, also for Count
    EXPECT_EQ(rows("TRANSFORM Count(*) AS n SELECT CustomerID, Count(*) AS [All] FROM Orders "
                   "WHERE OrderID <> 12 GROUP BY CustomerID PIVOT Product"),
              (Rows{"CustomerID|All|Apple|Kiwi|Pear|Plum", "1|3|2|Null|1|Null", "3|1|Null|Null|Null|1",
                    "5|1|Null|1|Null|Null"}));
    EXPECT_EQ(rows("TRANSFORM Sum(Total) SELECT Year(Placed) AS Y FROM Orders WHERE Placed Is Not Null "
                   "GROUP BY Year(Placed) PIVOT \"Q\" & DatePart(\"q\", Placed)"),
              (Rows{"Y|Q1|Q2", "1995|59.5|1"}));
}

TEST_F(AccessSqlTest, ParametersComeFromTheGivenValuesTypedByTheirDeclaration)
{
    db.call("SetParameter", {"Least Total", "12.5"});
    db.call("SetParameter", {"Beginning Date", "1995-02-01"});
    db.call("SetParameter", {"[Forms]![Orders]![OrderID]", "11"});
    db.call("SetParameter", {"Since", "2/1/1995"});
    EXPECT_EQ(values("PARAMETERS [Least Total] Currency; SELECT OrderID FROM Orders WHERE Total >= [Least Total] "
                     "ORDER BY OrderID"),
              (Rows{"10", "12", "13"}));
    EXPECT_EQ(values("SELECT OrderID FROM Orders WHERE Placed >= [Beginning Date] ORDER BY OrderID"),
              (Rows{"11", "13", "15"}));
    EXPECT_EQ(values("SELECT Product FROM Orders WHERE OrderID = [Forms]![Orders]![OrderID]"), (Rows{"Pear"}));
    // a declared date accepts the US form and compares as a date
    EXPECT_EQ(values("PARAMETERS Since DateTime; SELECT OrderID FROM Orders WHERE Placed < Since ORDER BY OrderID"),
              (Rows{"10", "12"}));
    // a value that does not fit the declared type, and a parameter without a value
    EXPECT_NE(errorOf("PARAMETERS [Beginning Date] Long; SELECT OrderID FROM Orders WHERE OrderID > [Beginning Date]")
                  .find("not a number"),
              std::string::npos);
    const std::string missing = errorOf("SELECT OrderID FROM Orders WHERE Placed < [Ending Date]");
    EXPECT_NE(missing.find("'[Ending Date]'"), std::string::npos) << missing;
    // a real column is no parameter, whatever values are set
    db.call("SetParameter", {"Total", "0"});
    EXPECT_EQ(values("SELECT Count(*) FROM Orders WHERE Total > 10"), (Rows{"3"}));
}

// The prompt is asked once per parameter of the statement, with the text as the query writes it.
class Prompt : public automation::Object {
public:
    std::string_view className() const override { return "Prompt"; }
    std::vector<std::string> asked;

protected:
    Variant invoke(automation::Invoke, const std::string &member, const automation::Args &args) override
    {
        if (member != "ask")
            noMember(member);
        asked.push_back(args.at(0).toText());
        return asked.back() == "[Ending Date]" ? Variant("1995-03-01") : Variant();
    }
};

TEST_F(AccessSqlTest, AParameterWithoutValueIsAskedForOnce)
{
    auto prompt = std::make_shared<Prompt>();
    db.put("ParameterPrompt", Variant(prompt));
    EXPECT_EQ(values("SELECT OrderID FROM Orders WHERE Placed < [Ending Date] AND Placed > [Ending Date] - 30 "
                     "ORDER BY OrderID"),
              (Rows{"11"}));
    EXPECT_EQ(prompt->asked, (std::vector<std::string>{"[Ending Date]"}));
    EXPECT_NE(errorOf("SELECT OrderID FROM Orders WHERE Total > Threshold").find("'Threshold'"), std::string::npos);
    // Execute refuses a statement that returns rows before asking anything.
    prompt->asked.clear();
    EXPECT_EQ(errorCode([&] {
                  db.call("Execute", {"TRANSFORM Count(*) SELECT CustomerID FROM Orders WHERE Placed < [Ending Date] "
                                      "GROUP BY CustomerID PIVOT Product"});
              }),
              dbengine::err::RowReturning);
    EXPECT_TRUE(prompt->asked.empty());
}

TEST_F(AccessSqlTest, ActionQueriesJoinAndMakeTables)
{
    const struct {
        const char *sql;
        int affected;
    } cases[] = {
        {"UPDATE Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID "
         "SET Orders.Total = Orders.Total + 1 WHERE Customers.City = \"brno\"",
         4},
        {"DELETE Orders.* FROM Orders INNER JOIN Customers ON Orders.CustomerID = Customers.CustomerID "
         "WHERE Customers.Name = \"Bob\"",
         1},
        {"SELECT CustomerID, Sum(Total) AS Spent INTO Spending FROM Orders GROUP BY CustomerID", 3},
        {"INSERT INTO Spending (CustomerID, Spent) SELECT CustomerID, 0 FROM Customers WHERE City Is Null", 1},
        {"UPDATE Customers SET Name = Name & \"!\" WHERE Active = Yes", 3},
        {"DELETE * FROM Customers WHERE Since < #1/1/2000#", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        db.call("Execute", {c.sql});
        EXPECT_EQ(db.get("RecordsAffected").toInt(), c.affected);
    }
    EXPECT_EQ(values("SELECT OrderID, Total FROM Orders ORDER BY OrderID"),
              (Rows{"10|13.5", "11|8", "13|21", "14|6", "15|1"}));
    EXPECT_EQ(values("SELECT CustomerID, Spent FROM Spending ORDER BY CustomerID"),
              (Rows{"1|27.5", "3|21", "4|0", "5|1"}));
    EXPECT_EQ(values("SELECT Name FROM Customers ORDER BY CustomerID"), (Rows{"Ann!", "Bob", "cyd!", "Ann"}));
}

TEST_F(AccessSqlTest, UnsupportedConstructsAreNamed)
{
    const struct {
        const char *sql;
        const char *words;
    } cases[] = {
        {"TRANSFORM Sum(Total) SELECT CustomerID FROM Orders GROUP BY CustomerID",
         "Access SQL: TRANSFORM without PIVOT is not supported"},
        {"TRANSFORM Total SELECT CustomerID FROM Orders GROUP BY CustomerID PIVOT Product", "aggregate function"},
        {"SELECT * FROM Orders IN 'other.mdb'", "another database"},
        {"SELECT Foo(1) FROM Orders", "the function 'Foo' is not supported"},
        {"SELECT * FROM Orders FULL JOIN Customers ON 1 = 1", "FULL JOIN is not supported"},
        {"SELECT Count(DISTINCT Product) FROM Orders", "DISTINCT inside an aggregate"},
        {"SELECT * FROM Orders WHERE Placed = #13/45/1995#", "cannot be read"},
        {"SELECT \"open FROM Orders", "unterminated string"},
        {"PROCEDURE p; SELECT 1", "PROCEDURE"},
        // Access refuses these too; SQLite would take the first as parameters and the others
        // as a bare "misuse of aggregate"
        {"SELECT Name FROM Customers UNION SELECT Orders.Product WHERE Orders.Total > 1",
         "Access SQL: a part of a UNION without FROM is not supported: SELECT Orders.Product WHERE Orders.Total > 1"},
        {"TRANSFORM Count(*) SELECT CustomerID, Avg(Total) AS A FROM Orders WHERE Avg(Total) > 1 "
         "GROUP BY CustomerID PIVOT Product",
         "Access SQL: an aggregate function in WHERE is not allowed (a condition on a total goes in HAVING): "
         "Avg(Total) > 1"},
        {"SELECT CustomerID FROM Orders WHERE Total > 1 And Sum(Total) > 2 GROUP BY CustomerID", "in WHERE"},
        {"SELECT Count(*) FROM Orders GROUP BY Max(Total)", "aggregate function in GROUP BY"},
        {"INSERT INTO Orders (OrderID, Total, [orders].[total]) VALUES (99, 1, 2)",
         "Access SQL: the column 'total' is given twice in INSERT INTO (a duplicate output destination)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        const std::string message = errorOf(c.sql);
        EXPECT_NE(message.find(c.words), std::string::npos) << message;
    }
    EXPECT_EQ(errorCode([&] { db.call("OpenRecordset", {"SELECT Foo(1)"}); }), dbengine::err::SqlError);
}

TEST_F(AccessSqlTest, TheEnginesOwnDatabasesKeepSqliteSqlUnlessSwitched)
{
    Variant own = create("own.db", {"CREATE TABLE t (a TEXT)", "INSERT INTO t VALUES ('x')"});
    EXPECT_EQ(own.get("SqlDialect").toText(), "SQLite");
    // In SQLite's SQL "a" is the column; in Access SQL it is the text.
    EXPECT_EQ(own.call("OpenRecordset", {"SELECT \"a\" FROM t"}).call("GetRows", {1}).array().at(0, 0).toText(), "x");
    own.put("SqlDialect", "access");
    EXPECT_EQ(own.call("OpenRecordset", {"SELECT \"a\" FROM t"}).call("GetRows", {1}).array().at(0, 0).toText(), "a");
    EXPECT_EQ(errorCode([&] { own.put("SqlDialect", "Oracle"); }), dbengine::err::InvalidArgument);
}

// A database of Access origin: its saved queries are Access SQL, run by name, used as tables and
// used by other saved queries.
class AccessOriginTest : public AccessSqlTest {
protected:
    void SetUp() override
    {
        AccessSqlTest::SetUp();
        // The marker a conversion writes; the engine keeps MSys names from its users.
        db.call("Close");
        sqlite3 *raw = nullptr;
        ASSERT_EQ(sqlite3_open(dir.file("access.db").c_str(), &raw), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE MSysAccessOrigin (Source TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
        db = open("access.db");
        const std::pair<const char *, const char *> queries[] = {
            {"Order Totals", "SELECT CustomerID, Sum(Total) AS [Total] FROM Orders GROUP BY CustomerID"},
            {"Big Spenders", "SELECT * FROM [Order Totals] WHERE [Total] > 10"},
            {"Products by Customer", "TRANSFORM Count(*) SELECT CustomerID FROM Orders GROUP BY CustomerID "
                                     "PIVOT Product IN (\"Apple\", \"Plum\")"},
            {"Names", "SELECT Name FROM Customers WHERE CustomerID < 3 UNION SELECT City FROM Customers "
                      "WHERE CustomerID = 2"},
            {"Orders Since", "PARAMETERS [Beginning Date] DateTime; SELECT OrderID FROM Orders "
                             "WHERE Placed >= [Beginning Date]"},
            {"Raise Prices", "UPDATE Orders SET Total = Total * 2 WHERE Product = \"apple\""},
        };
        for (const auto &[name, sql] : queries)
            db.call("CreateQueryDef", {name, sql});
    }
};

TEST_F(AccessOriginTest, SavedQueriesRunAsAccessWouldRunThem)
{
    EXPECT_EQ(db.get("SqlDialect").toText(), "Access");
    EXPECT_EQ(values("Big Spenders"), (Rows{"1|24.5", "2|20", "3|20"}));
    EXPECT_EQ(values("SELECT Sum([Total]) FROM [Order Totals]"), (Rows{"65.5"}));
    EXPECT_EQ(values("SELECT Count(*) FROM (SELECT DISTINCT CustomerID FROM [Big Spenders])"), (Rows{"3"}));
    EXPECT_EQ(values("SELECT t.CustomerID FROM [Big Spenders] AS t WHERE t.Total = 20 ORDER BY 1"), (Rows{"2", "3"}));
    EXPECT_EQ(rows("Products by Customer"),
              (Rows{"CustomerID|Apple|Plum", "1|2|Null", "2|1|Null", "3|Null|1", "5|Null|Null"}));
    EXPECT_EQ(values("Names"), (Rows{"Ann", "Bob", "Praha"}));
    // The SQLite dialect still opens them by name.
    db.put("SqlDialect", "SQLite");
    EXPECT_EQ(values("Big Spenders").size(), 3u);
    db.put("SqlDialect", Variant());
    // a parameter query by name, and an action query run by name
    EXPECT_NE(errorOf("Orders Since").find("'[Beginning Date]'"), std::string::npos);
    db.call("SetParameter", {"Beginning Date", "3/1/1995"});
    EXPECT_EQ(values("Orders Since"), (Rows{"13", "15"}));
    db.call("Execute", {"Raise Prices"});
    EXPECT_EQ(db.get("RecordsAffected").toInt(), 3);
    EXPECT_EQ(db.get("QueryDefs").item("Products by Customer").get("Type").toInt(), 16);
    const Variant parameters = db.get("QueryDefs").item("Orders Since").get("Parameters");
    ASSERT_EQ(parameters.get("Count").toInt(), 1);
    EXPECT_EQ(parameters.item(0).get("Name").toText(), "Beginning Date");
    EXPECT_EQ(parameters.item(0).get("Type").toInt(), 8);
}

TEST_F(AccessOriginTest, AQueryThatUsesItselfIsRefused)
{
    db.call("CreateQueryDef", {"Loop", "SELECT * FROM [Loop]"});
    EXPECT_NE(errorOf("Loop").find("uses itself"), std::string::npos);
}

} // namespace
