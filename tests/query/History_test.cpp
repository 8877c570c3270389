#include "query/core/History.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using query::History;
using query::ListViewItem;

namespace {

// An entry as one line: caption, image index, then the sub-items, separated by '|'.
std::string row(const ListViewItem &item)
{
    std::string text = item.caption + "|" + std::to_string(item.imageIndex);
    for (const std::string &sub : item.subItems)
        text += "|" + sub;
    return text;
}

std::vector<std::string> rows(const History &history)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < history.count(); ++i)
        out.push_back(row(history.entry(i)));
    return out;
}

struct StatementRun {
    std::string sql;
    std::uint32_t ms;
    std::int32_t records;
};

struct UpdateCase {
    const char *name;
    std::vector<StatementRun> runs;
    std::vector<std::string> entries; // top first
};

class UpdateHistoryTest : public testing::TestWithParam<UpdateCase> {};

TEST_P(UpdateHistoryTest, KeepsDistinctStatementsNewestOnTop)
{
    History history;
    for (const StatementRun &r : GetParam().runs)
        history.UpdateHistory(r.sql, r.ms, r.records);
    EXPECT_EQ(rows(history), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, UpdateHistoryTest,
    testing::Values(
        UpdateCase{"ThreeDistinct",
                   {{"SELECT A", 10, 1}, {"SELECT B", 20, 2}, {"SELECT C", 30, 3}},
                   {"3|-1|SELECT C|0.03|3", "2|-1|SELECT B|0.02|2", "1|-1|SELECT A|0.01|1"}},
        UpdateCase{"RepeatInOtherCaseUpdatesInPlace",
                   {{"SELECT A", 10, 1}, {"SELECT B", 20, 2}, {"SELECT C", 30, 3},
                    {"select a", 1500, 7}},
                   {"3|-1|SELECT C|0.03|3", "2|-1|SELECT B|0.02|2", "1|-1|SELECT A|1.50|7"}},
        UpdateCase{"RepeatOfTopEntry",
                   {{"SELECT A", 10, 1}, {"SELECT B", 20, 2}, {"Select b", 0, 0}},
                   {"2|-1|SELECT B|0.00|0", "1|-1|SELECT A|0.01|1"}},
        UpdateCase{"NewAfterRepeatTakesTheCount",
                   {{"SELECT A", 10, 1}, {"SELECT a", 10, 1}, {"SELECT B", 20, 2}},
                   {"2|-1|SELECT B|0.02|2", "1|-1|SELECT A|0.01|1"}},
        UpdateCase{"OnlyLettersAToZFold",
                   {{"SELECT 'ä'", 10, 1}, {"SELECT 'Ä'", 10, 1}},
                   {"2|-1|SELECT 'Ä'|0.01|1", "1|-1|SELECT 'ä'|0.01|1"}},
        UpdateCase{"BlanksAreNotIgnored",
                   {{"SELECT 1", 10, 1}, {"SELECT  1", 10, 1}},
                   {"2|-1|SELECT  1|0.01|1", "1|-1|SELECT 1|0.01|1"}},
        UpdateCase{"TimeRoundsHalfUp",
                   {{"A", 4, 0}, {"B", 5, 0}, {"C", 1235, 0}, {"D", 4294967295u, 0}},
                   {"4|-1|D|4294967.30|0", "3|-1|C|1.24|0", "2|-1|B|0.01|0", "1|-1|A|0.00|0"}},
        UpdateCase{"RecordCountAsSigned",
                   {{"A", 0, -1}, {"B", 0, 2147483647}},
                   {"2|-1|B|0.00|2147483647", "1|-1|A|0.00|-1"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(History, UpdateTellsWhereTheEntryIs)
{
    History history;
    const auto first = history.UpdateHistory("SELECT A", 0, 0);
    history.UpdateHistory("SELECT B", 0, 0);
    history.UpdateHistory("SELECT C", 0, 0);
    const auto again = history.UpdateHistory("select A", 0, 0);
    EXPECT_EQ(first.index, 0u);
    EXPECT_TRUE(first.inserted);
    EXPECT_EQ(again.index, 2u);
    EXPECT_FALSE(again.inserted);
}

TEST(History, ClearRestartsNumberingAtOne)
{
    History history;
    history.UpdateHistory("SELECT A", 10, 1);
    history.UpdateHistory("SELECT B", 10, 1);
    history.Clear();
    history.UpdateHistory("select b", 20, 2);
    EXPECT_EQ(rows(history), std::vector<std::string>{"1|-1|select b|0.02|2"});
}

// Loaded items keep their captions; the next new entry is numbered by the count all the same.
TEST(History, LoadedItemsAreMatchedAndKeptAsStored)
{
    History history;
    history.append({"9", 4, {"SELECT X", "1.00", "5", "extra"}});
    history.append({"7", -1, {"select y", "2.00", "6"}});
    history.append({"3", -1, {"SELECT Y", "3.00", "7"}});
    history.UpdateHistory("SELECT x", 10, 1);
    history.UpdateHistory("SELECT y", 20, 2);
    history.UpdateHistory("SELECT Z", 30, 3);
    EXPECT_EQ(rows(history), (std::vector<std::string>{
                                 "4|-1|SELECT Z|0.03|3", "9|4|SELECT X|0.01|1|extra",
                                 "7|-1|select y|0.02|2", "3|-1|SELECT Y|3.00|7"}));
}

TEST(History, ItemWithoutSubItemsHasAnEmptyStatement)
{
    History history;
    history.append({"1", -1, {}});
    EXPECT_EQ(history.statement(0), "");
    history.UpdateHistory("", 10, 0);
    EXPECT_EQ(rows(history), std::vector<std::string>{"1|-1||0.01|0"});
}

TEST(History, ManyDistinctStatementsStayDistinct)
{
    History history;
    for (int i = 0; i < 20000; ++i)
        history.UpdateHistory("INSERT INTO t VALUES (" + std::to_string(i) + ")", 0, 1);
    history.UpdateHistory("insert into T values (123)", 1000, 9);
    ASSERT_EQ(history.count(), 20000u);
    EXPECT_EQ(row(history.entry(0)), "20000|-1|INSERT INTO t VALUES (19999)|0.00|1");
    EXPECT_EQ(row(history.entry(20000 - 124)), "124|-1|INSERT INTO t VALUES (123)|1.00|9");
}

} // namespace
