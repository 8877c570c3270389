// Every saved query of every Access test file, run as Access runs it: the row-returning ones give
// Access's columns and rows (or Access's refusal), the others are refused as writes on the
// read-only file.

#include "JetFixture.h"

#include "dbengine/EngineFixture.h"
#include "jetfile/AccessFile.h"
#include "jetfile/reader/JetReader.h"

#include <filesystem>
#include <map>
#include <set>

namespace {

using automation::Variant;
using Rows = std::vector<std::string>;

const std::string kReadOnly = "3027 'queryTestV1997.mdb' is an Access file and opens read-only; Database > Convert... "
                              "writes a copy that Jetwarden can change.";

const char *const kSelectColumns = "Table1.col1|Table1.col2|Table1.col3|Table2.col1|Table2.col2|Table3.col3";

// What running one saved query gives: its rows (column names first, cells joined by "|"), or
// the error ("code message") of opening it (row-returning kinds) or executing it (the others).
struct Case {
    const char *fixture;
    const char *query;
    Rows rows;
    std::string error;
};

// The tables of queryTestV1997.mdb hold no rows, so Access's answer is the columns alone, named
// after their tables where two tables give the same name.
const Case kCases[] = {
    {"queryTestV1997.mdb", "SelectQuery", {kSelectColumns}, {}},
    // Access asks for a table or query in every part of a union, and has no totals in WHERE;
    // the file's texts are stored that way.
    {"queryTestV1997.mdb", "UnionQuery", {},
     "3075 Access SQL: a part of a UNION without FROM is not supported: Select Table1.col1, Table1.col2 "
     "where Table1.col1 = \"foo\""},
    {"queryTestV1997.mdb", "CrosstabQuery", {},
     "3075 Access SQL: an aggregate function in WHERE is not allowed (a condition on a total goes in HAVING): "
     "((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And ((Avg(Table2_1.col2))>\"10\"))"},
    {"queryTestV1997.mdb", "AppendQuery", {}, kReadOnly},
    {"queryTestV1997.mdb", "DeleteQuery", {}, kReadOnly},
    {"queryTestV1997.mdb", "MakeTableQuery", {}, kReadOnly},
    {"queryTestV1997.mdb", "UpdateQuery", {}, kReadOnly},
    {"queryTestV1997.mdb", "DataDefinitionQuery", {}, kReadOnly},
    {"queryTestV1997.mdb", "PassthroughQuery", {},
     "3075 Access SQL: the pass-through query 'PassthroughQuery' is sent to an ODBC server as written; "
     "pass-through queries are not run"},
};

class FixtureQueriesTest : public EngineTest {
protected:
    std::string message(const std::function<void()> &f)
    {
        try {
            f();
        } catch (const automation::Error &e) {
            return std::to_string(e.code()) + " " + e.what();
        }
        return {};
    }

    static Rows rowsOf(Variant rs)
    {
        const Variant fields = rs.get("Fields");
        Rows out(1);
        for (int f = 0; f < fields.get("Count").toInt(); ++f)
            out[0] += (f ? "|" : "") + fields.item(f).get("Name").toText();
        while (!rs.get("EOF").toBool()) {
            std::string line;
            for (int f = 0; f < fields.get("Count").toInt(); ++f) {
                const Variant v = fields.item(f).get("Value");
                line += (f ? "|" : "") + (v.isNull() ? std::string("Null") : v.toText());
            }
            out.push_back(line);
            rs.call("MoveNext");
        }
        rs.call("Close");
        return out;
    }

    // Runs `c` on `db` as the query's kind asks: rows are opened, the rest executed.
    void check(Variant db, const Case &c)
    {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.query);
        const int type = db.get("QueryDefs").item(Variant(c.query)).get("Type").toInt();
        const bool rows = type == 0 || type == 16 || type == 128;
        Rows got;
        const std::string error = message([&] {
            if (rows)
                got = rowsOf(db.call("OpenRecordset", {c.query}));
            else
                db.call("Execute", {c.query});
        });
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(got, c.rows);
    }

    JetFiles files;
};

// Each test file is opened through the reader; its saved queries are exactly the ones above.
TEST_F(FixtureQueriesTest, EverySavedQueryOfEveryFileAsAccessRunsIt)
{
    std::set<std::string> fixtures;
    for (const auto &e : std::filesystem::directory_iterator(JW_JET_FIXTURES))
        if (e.path().extension() == ".mdb")
            fixtures.insert(e.path().filename().string());
    ASSERT_FALSE(fixtures.empty());
    for (const std::string &fixture : fixtures) {
        SCOPED_TRACE(fixture);
        Variant db = workspace.call("OpenDatabase", {files.copy(fixture), false, false});
        std::set<std::string> saved, listed;
        const Variant defs = db.get("QueryDefs");
        for (int i = 0; i < defs.get("Count").toInt(); ++i)
            saved.insert(defs.item(Variant(std::int32_t(i))).get("Name").toText());
        for (const Case &c : kCases) {
            if (fixture != c.fixture)
                continue;
            listed.insert(c.query);
            check(db, c);
        }
        EXPECT_EQ(saved, listed) << "a saved query without a case";
        db.call("Close");
        EXPECT_EQ(readAll(files.copy(fixture)), readAll(JetFiles::original(fixture))) << "the file was written";
    }
}

// The same queries on a converted, writable copy with rows in its tables: the select gives the
// rows Access gives (worked out by hand below), the union and crosstab keep Access's refusal.
TEST_F(FixtureQueriesTest, ConvertedCopyWithRowsGivesAccessRows)
{
    const std::string target = files.dir.file("converted.mdb");
    jetfile::convert(files.copy("queryTestV1997.mdb"), target, {});
    Variant db = workspace.call("OpenDatabase", {target, false, false});
    const std::pair<const char *, const char *> inserts[] = {
        {"Table1", "\"foo\", \"1\", \"x\""}, {"Table1", "\"buzz\", \"2\", \"y\""},
        {"Table1", "\"bar\", \"3\", \"z\""}, {"Table1", "\"zed\", \"5\", \"v\""},
        // two rows of Table3 for foo with the same col3: DISTINCT keeps one result row
        {"Table3", "\"foo\", \"s1\", \"k1\""}, {"Table3", "\"buzz\", \"s2\", \"k2\""},
        {"Table3", "\"bar\", \"s3\", \"k3\""}, {"Table3", "\"foo\", \"s4\", \"k1\""},
        // Table2 joins where its col1 and col2 both equal Table3.col1; bar fails the WHERE
        {"Table2", "\"foo\", \"foo\", \"q1\""}, {"Table2", "\"buzz\", \"buzz\", \"q2\""},
        {"Table2", "\"bar\", \"bar\", \"q3\""}, {"Table2", "\"foo\", \"bar\", \"q5\""},
    };
    for (const auto &[table, values] : inserts)
        db.call("Execute", {std::string("INSERT INTO ") + table + " VALUES (" + values + ")"});
    const Case select{"converted", "SelectQuery",
                      {kSelectColumns, "buzz|2|y|buzz|buzz|k2", "foo|1|x|foo|foo|k1"}, {}};
    check(db, select);
    for (const Case &c : kCases)
        if (std::string(c.query) == "UnionQuery" || std::string(c.query) == "CrosstabQuery")
            check(db, c);
    // On the writable copy the action queries run.
    db.call("Execute", {"DeleteQuery"});
    EXPECT_EQ(db.get("RecordsAffected").toInt(), 3); // foo, buzz and zed sort after "blah"
}

} // namespace
