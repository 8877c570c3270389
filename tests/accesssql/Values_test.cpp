#include "accesssql/Dates.h"
#include "accesssql/Functions.h"
#include "accesssql/Numbers.h"
#include "accesssql/Translator.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

namespace {

TEST(AccessDates, LiteralsReadInUsAndIsoOrder)
{
    const struct {
        const char *text;
        const char *expected; // empty: not a date
    } cases[] = {
        {"1/31/1995", "1995-01-31"},
        {"1/2/95", "1995-01-02"},
        {"1/2/29", "2029-01-02"},
        {"1995-01-31", "1995-01-31"},
        {"1995/1/31 13:05", "1995-01-31 13:05:00"},
        {"2/29/1996 10:30:15 PM", "1996-02-29 22:30:15"},
        {"12:00 AM", "1899-12-30"},
        {"10:30", "1899-12-30 10:30:00"},
        {"31-Jan-1995", "1995-01-31"},
        {"January 31, 1995", "1995-01-31"},
        {"2/29/1995", ""},
        {"13/1/1995", ""},
        {"1995-01-31 25:00", ""},
        {"yesterday", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const auto d = accesssql::dates::parse(c.text);
        EXPECT_EQ(d ? accesssql::dates::toText(*d) : std::string(), c.expected);
    }
}

TEST(AccessNumbers, RoundHalfToEvenOnTheWrittenNumber)
{
    const struct {
        double value;
        int decimals;
        double expected;
    } cases[] = {
        {2.5, 0, 2},     {3.5, 0, 4},         {-2.5, 0, -2},        {0.125, 2, 0.12},     {0.135, 2, 0.14},
        {2.675, 2, 2.68}, {1.00005, 4, 1.0000}, {1.00015, 4, 1.0002}, {1234.56785, 4, 1234.5678},
        {0.0001, 2, 0},  {99.995, 2, 100},    {-0.5, 0, -0.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " to " + std::to_string(c.decimals));
        EXPECT_DOUBLE_EQ(accesssql::numbers::roundHalfEven(c.value, c.decimals), c.expected);
    }
    EXPECT_DOUBLE_EQ(accesssql::numbers::roundHalfAway(2.5, 0), 3);
}

TEST(AccessNumbers, ValReadsTheLeadingNumberAsVbaDoes)
{
    const struct {
        const char *text;
        double expected;
    } cases[] = {
        {"  1 2.5e1x", 125}, {"12abc", 12},   {"-3.5", -3.5},     {"x1", 0},         {"", 0},
        {"&H10", 16},        {" &h1f", 31},   {"&HFFFF", -1},     {"&H8000", -32768}, {"&H10000", 65536},
        {"&HFFFFFFFF", -1},  {"&O17", 15},    {"&17", 15},        {"&O9", 0},         {"&Hzz", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(accesssql::numbers::val(c.text), c.expected);
    }
}

TEST(AccessParameters, NamesCompareAsTheQueryWritesThemBracketsAroundSimpleNamesOptional)
{
    using accesssql::ParameterValues;
    EXPECT_EQ(ParameterValues::key("[Beginning Date]"), ParameterValues::key("beginning date"));
    EXPECT_EQ(ParameterValues::key("[Forms]![Orders]![OrderID]"), "[forms]![orders]![orderid]");
    EXPECT_NE(ParameterValues::key("[Forms]![Orders]![OrderID]"), ParameterValues::key("Forms!Orders!OrderID"));
}

// The functions on a bare connection: Like patterns and Format.
class AccessFunctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        accesssql::registerFunctions(db);
    }
    void TearDown() override { sqlite3_close(db); }

    std::string scalar(const std::string &sql)
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            return std::string("prepare: ") + sqlite3_errmsg(db);
        std::string out;
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL ? "Null"
                                                             : reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
        else
            out = std::string("error: ") + sqlite3_errmsg(db);
        sqlite3_finalize(st);
        return out;
    }
    sqlite3 *db = nullptr;
};

TEST_F(AccessFunctions, LikePatterns)
{
    const struct {
        const char *value, *pattern;
        bool match;
    } cases[] = {
        {"Smith", "s*", true},       {"Smith", "*TH", true},      {"Smith", "?mith", true},
        {"Smith", "?ith", false},    {"A1", "A#", true},          {"AB", "A#", false},
        {"b", "[a-c]", true},        {"B", "[a-c]", true},        {"d", "[a-c]", false},
        {"d", "[!a-c]", true},       {"a*b", "a[*]b", true},      {"axb", "a[*]b", false},
        {"abcabc", "*b*c", true},    {"", "*", true},             {"", "?", false},
        {"50%", "50%", true},        {"x_y", "x_y", true},        {"xzy", "x_y", false},
        {"Élan", "é*", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.value) + " Like " + c.pattern);
        EXPECT_EQ(scalar("SELECT acc_like('" + std::string(c.value) + "', '" + c.pattern + "')"), c.match ? "1" : "0");
    }
    EXPECT_EQ(scalar("SELECT acc_like(NULL, '*')"), "Null");
}

TEST_F(AccessFunctions, FormatNumbersDatesAndNamedFormats)
{
    const struct {
        const char *args, *expected;
    } cases[] = {
        {"1234.5, '#,##0.00'", "1,234.50"},
        {"0.5, '0.0%'", "50.0%"},
        {"-3.456, '0.00'", "-3.46"},
        {"-3, '0;(0)'", "(3)"},
        {"0, '0;(0);\"zero\"'", "zero"},
        {"7, '000'", "007"},
        {"1234.5, 'Currency'", "$1,234.50"},
        {"1234.5, 'Standard'", "1,234.50"},
        {"12345.678, 'Scientific'", "1.23E+04"},
        {"1, 'Yes/No'", "Yes"},
        {"'1995-01-05 14:07:09', 'dd/mm/yyyy hh:nn:ss'", "05/01/1995 14:07:09"},
        {"'1995-01-05 14:07:09', 'h:nn AM/PM'", "2:07 PM"},
        {"'1995-01-05', 'mmm d, yyyy'", "Jan 5, 1995"},
        {"'1995-01-05', 'dddd'", "Thursday"},
        {"'1995-01-05', 'Medium Date'", "5-Jan-95"},
        {"'1995-01-05', 'Short Date'", "1/5/1995"},
        {"'1995-08-05', 'q'", "3"},
        {"'abc', '>'", "ABC"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(scalar(std::string("SELECT acc_format(") + c.args + ")"), c.expected);
    }
}

TEST_F(AccessFunctions, ErrorsNameTheProblem)
{
    EXPECT_NE(scalar("SELECT acc_cint(40000)").find("Overflow"), std::string::npos);
    EXPECT_NE(scalar("SELECT acc_mod(1, 0)").find("Division by zero"), std::string::npos);
    EXPECT_NE(scalar("SELECT acc_add('x', 1)").find("Type mismatch"), std::string::npos);
    EXPECT_NE(scalar("SELECT acc_datepart('zz', '1995-01-01')").find("interval"), std::string::npos);
}

} // namespace
