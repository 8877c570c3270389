// Saved query text rebuilt from MSysQueries rows, for the forms the test files lack.

#include "jetfile/reader/JetReader.h"
#include "jetfile/reader/QueryText.h"

#include <gtest/gtest.h>

namespace {

using jetfile::QueryRow;

QueryRow row(int attribute, std::string expression = {}, int flag = 0, std::string name1 = {}, std::string name2 = {})
{
    QueryRow r;
    r.attribute = attribute;
    r.expression = std::move(expression);
    r.flag = flag;
    r.name1 = std::move(name1);
    r.name2 = std::move(name2);
    return r;
}

struct Case {
    const char *name;
    std::vector<QueryRow> rows;
    int type;
    const char *sql;
};

class QueryTextTest : public ::testing::TestWithParam<Case> {};

TEST_P(QueryTextTest, Rebuilds)
{
    const auto q = jetfile::rebuildQuery(GetParam().rows);
    EXPECT_EQ(q.sql, GetParam().sql);
    EXPECT_EQ(q.daoType, GetParam().type);
}

const Case kCases[] = {
    {"TopPercentDistinctRowAliasDesc",
     {row(1, "", 1), row(3, "", 0x08 | 0x10 | 0x20, "25"), row(5, "", 0, "Orders", "o"),
      row(6, "o.Total", 0, "Amount"), row(6, "o.Placed"), row(11, "o.Total", 0, "D"), row(11, "o.Placed")},
     0,
     "SELECT DISTINCTROW TOP 25 PERCENT o.Total AS Amount, o.Placed\nFROM Orders AS o\nORDER BY o.Total DESC, o.Placed"},
    {"SelectStarTopParameters",
     {row(1, "", 1), row(2, "", 8, "Since"), row(2, "", 4, "Min Qty"), row(3, "", 0x01 | 0x10, "5"),
      row(5, "", 0, "Lines"), row(8, "Lines.Qty>=[Min Qty]")},
     0,
     "PARAMETERS Since DateTime, [Min Qty] Long;\nSELECT TOP 5 *\nFROM Lines\nWHERE Lines.Qty>=[Min Qty]"},
    {"ThreeTablesRightJoinNested",
     {row(1, "", 1), row(5, "", 0, "A"), row(5, "", 0, "B"), row(5, "", 0, "C"), row(6, "A.x"),
      row(7, "A.id=B.id", 2, "A", "B"), row(7, "B.id=C.id", 3, "B", "C")},
     0, "SELECT A.x\nFROM (A LEFT JOIN B ON A.id=B.id) RIGHT JOIN C ON B.id=C.id"},
    {"UnionAllWithOrder",
     {row(1, "", 9), row(3, "", 0x02), row(5, "SELECT a FROM T1\r\n", 0, "", "X7YZ_____1"),
      row(5, "SELECT a FROM T2", 0, "", "X7YZ_____2"), row(11, "a", 0, "D")},
     128, "SELECT a FROM T1\nUNION ALL SELECT a FROM T2\nORDER BY a DESC"},
    {"CrosstabWithHeadings",
     {row(1, "", 6), row(5, "", 0, "Sales"), row(6, "Sum(Sales.Amount)", 0, "Total"),
      row(6, "Sales.Region", 2), row(6, "Sales.Quarter", 1), row(9, "Sales.Region", 2),
      row(9, "Sales.Quarter", 1, "\"Q1\",\"Q2\"")},
     16,
     "TRANSFORM Sum(Sales.Amount) AS Total\nSELECT Sales.Region\nFROM Sales\nGROUP BY Sales.Region\n"
     "PIVOT Sales.Quarter IN (\"Q1\",\"Q2\")"},
    {"CrosstabHeadingsOnThePivotColumnInTheirOrder",
     {row(1, "", 6), row(5, "", 0, "Sales"), row(6, "Count(*)"), row(6, "Sales.Region", 2),
      row(6, "Sales.Quarter", 1, "\"Q4\",\"Q1\",Null"), row(9, "Sales.Region", 2), row(9, "Sales.Quarter", 1)},
     16,
     "TRANSFORM Count(*)\nSELECT Sales.Region\nFROM Sales\nGROUP BY Sales.Region\n"
     "PIVOT Sales.Quarter IN (\"Q4\",\"Q1\",Null)"},
    {"CrosstabWithoutHeadings",
     {row(1, "", 6), row(5, "", 0, "Sales"), row(6, "Sum(Sales.Amount)"), row(6, "Sales.Region", 2),
      row(6, "Sales.Quarter", 1), row(9, "Sales.Region", 2), row(9, "Sales.Quarter", 1)},
     16, "TRANSFORM Sum(Sales.Amount)\nSELECT Sales.Region\nFROM Sales\nGROUP BY Sales.Region\nPIVOT Sales.Quarter"},
    {"AppendValues",
     {row(1, "", 3, "Log"), row(6, "Now()", 0, "", "At"), row(6, "\"start\"", 0, "", "What")},
     64, "INSERT INTO Log ( At, What )\nVALUES (Now(), \"start\")"},
    {"UpdateHiddenTypeKeepsText",
     {row(1, "", 4), row(5, "", 0, "Stock"), row(6, "[Qty]-1", 0, "", "Stock.Qty"), row(8, "Stock.Qty>0")},
     48, "UPDATE Stock SET Stock.Qty = [Qty]-1\nWHERE Stock.Qty>0"},
    {"MakeTableIntoOtherDatabase",
     {row(1, "", 2, "Archive", "C:\\old.mdb"), row(5, "", 0, "Orders"), row(6, "Orders.*")},
     80, "SELECT Orders.* INTO Archive IN 'C:\\old.mdb'\nFROM Orders"},
    {"PassThroughTextAsWritten",
     {row(1, "SELECT 1;\r\n", 8, "ODBC;DSN=x")}, 112, "SELECT 1"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, QueryTextTest, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(CurrencyText, ExactDecimals)
{
    EXPECT_EQ(jetfile::currencyText({35000}), "3.5");
    EXPECT_EQ(jetfile::currencyText({-1}), "-0.0001");
    EXPECT_EQ(jetfile::currencyText({922337203685477}), "92233720368.5477");
    EXPECT_EQ(jetfile::currencyText({INT64_MIN}), "-922337203685477.5808");
    EXPECT_EQ(jetfile::currencyText({70000}), "7");
}

} // namespace
