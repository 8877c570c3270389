// The figures of the timings window: averages rounded half to even, seconds with two decimals,
// the query types that are listed and the statement that is opened.

#include "timings/core/QueryTimes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using timings::QueryTimes;

QueryTimes timesOf(const std::vector<std::uint32_t> &ms)
{
    QueryTimes times;
    for (std::uint32_t t : ms)
        times.add(t);
    return times;
}

struct AverageCase {
    const char *name;
    std::vector<std::uint32_t> times;
    std::uint32_t average;
};

class Average : public testing::TestWithParam<AverageCase> {};

TEST_P(Average, RoundsToWholeMillisecondsHalvesToEven)
{
    EXPECT_EQ(timesOf(GetParam().times).averageMs(), GetParam().average);
}

INSTANTIATE_TEST_SUITE_P(
    QueryTimes, Average,
    testing::Values(AverageCase{"none", {}, 0}, AverageCase{"one", {17}, 17},
                    AverageCase{"thirds_round_down", {20, 30, 50}, 33},
                    AverageCase{"half_to_even_down", {10, 15}, 12},
                    AverageCase{"half_to_even_up", {13, 14}, 14},
                    AverageCase{"above_half_up", {10, 10, 12}, 11},
                    AverageCase{"half_of_zero_stays_zero", {0, 1}, 0},
                    AverageCase{"half_of_one_goes_to_two", {1, 2}, 2},
                    // Sums past 32 bits are still exact.
                    AverageCase{"large", {4000000000u, 4000000001u}, 4000000000u},
                    AverageCase{"large_half_up", {4000000001u, 4000000002u}, 4000000002u}),
    [](const testing::TestParamInfo<AverageCase> &info) { return std::string(info.param.name); });

TEST(QueryTimes, ClearForgetsTheMeasurements)
{
    QueryTimes times = timesOf({5, 7});
    times.clear();
    EXPECT_TRUE(times.empty());
    EXPECT_EQ(times.averageMs(), 0u);
    times.add(9);
    EXPECT_EQ(times.times(), std::vector<std::uint32_t>{9});
}

struct SecondsCase {
    const char *name;
    std::uint32_t ms;
    const char *point;
    const char *text;
};

class Seconds : public testing::TestWithParam<SecondsCase> {};

TEST_P(Seconds, TwoDecimalsOfASecond)
{
    EXPECT_EQ(QueryTimes::secondsText(GetParam().ms, GetParam().point), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    QueryTimes, Seconds,
    testing::Values(SecondsCase{"zero", 0, ".", "0.00"}, SecondsCase{"fifty_ms", 50, ".", "0.05"},
                    SecondsCase{"average_33", 33, ".", "0.03"}, SecondsCase{"rounds_up", 36, ".", "0.04"},
                    SecondsCase{"whole_seconds", 1234, ".", "1.23"},
                    SecondsCase{"minutes", 125000, ".", "125.00"},
                    SecondsCase{"comma_locale", 1234, ",", "1,23"},
                    SecondsCase{"multibyte_point", 50, "\xd9\xab", "0\xd9\xab" "05"},
                    SecondsCase{"largest", 4294967295u, ".", "4294967.29"}),
    [](const testing::TestParamInfo<SecondsCase> &info) { return std::string(info.param.name); });

TEST(QueryTimes, ListsExactlyTheRowReturningTypes)
{
    std::vector<int> listed;
    for (int type = -256; type <= 512; ++type)
        if (QueryTimes::isTimedType(type))
            listed.push_back(type);
    // Select, crosstab and union, each also hidden; never action, data-definition or
    // pass-through queries.
    EXPECT_EQ(listed, (std::vector<int>{0, 8, 16, 24, 128, 136}));
}

TEST(QueryTimes, StatementTakesTheNameAsItIs)
{
    EXPECT_EQ(QueryTimes::statementFor("Cities"), "select * from Cities");
    EXPECT_EQ(QueryTimes::statementFor("Active Customers"), "select * from Active Customers");
}

struct NameCase {
    const char *name;
    const char *queryName;
    bool standsAlone;
};

class Names : public testing::TestWithParam<NameCase> {};

TEST_P(Names, StandAloneOnlyAsOneIdentifier)
{
    EXPECT_EQ(QueryTimes::nameStandsAlone(GetParam().queryName), GetParam().standsAlone);
}

INSTANTIATE_TEST_SUITE_P(
    QueryTimes, Names,
    testing::Values(NameCase{"word", "Cities", true}, NameCase{"underscore_digits", "_Orders_2", true},
                    NameCase{"dollar_inside", "a$b", true}, NameCase{"non_ascii", "\xc5\x98\xc3\xadzen\xc3\xad", true},
                    NameCase{"blank", "Orders Since", false}, NameCase{"comma", "A,B", false},
                    NameCase{"point", "main.Orders", false}, NameCase{"leading_digit", "2025", false},
                    NameCase{"leading_dollar", "$x", false}, NameCase{"tilde", "~sq_Orders", false},
                    NameCase{"brackets", "[Orders]", false}, NameCase{"dash", "a-b", false},
                    NameCase{"empty", "", false}),
    [](const testing::TestParamInfo<NameCase> &info) { return std::string(info.param.name); });

TEST(QueryTimes, MessageNamesTheStatementAndTheQuery)
{
    EXPECT_EQ(QueryTimes::notTheQueryMessage("Orders Since"),
              "\"select * from Orders Since\" opens something other than this query: the name needs brackets.");
}

} // namespace
