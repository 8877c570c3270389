#include "RunnerFixture.h"

#include "automation/DateTime.h"

#include <gmock/gmock.h>

using namespace fakes;
using automation::Variant;
using testing::AllOf;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::EndsWith;
using testing::IsEmpty;
using testing::StartsWith;

namespace {

// Each line followed by "|" so that trailing blanks show in a failure message.
std::string framed(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "|\n";
    return text;
}

const Column idColumn{"ID", 4, 4};

// ---- splitting and counting

struct SplitCase {
    const char *name;
    const char *script;
    std::vector<std::string> calls;
    std::int32_t statements;
};

class SplitTest : public RunnerTest, public testing::WithParamInterface<SplitCase> {
protected:
    void SetUp() override
    {
        database->tables["select * from t"] = {{idColumn}, {{1}}};
        database->tables["SELECT * INTO t2 FROM t"] = {{idColumn}, {{1}}};
        for (const char *sql : {"(select * from t)", "WITH c AS (SELECT 1) SELECT * FROM c", "VALUES (1)",
                                "PRAGMA table_info(t)", "/* note */ SELECT 1"}) {
            database->rowReturning.insert(sql);
            database->tables[sql] = {{idColumn}, {{1}}};
        }
    }
};

TEST_P(SplitTest, RunsEachStatementAndCountsThem)
{
    runner.run(GetParam().script);
    EXPECT_EQ(databaseCalls(), GetParam().calls);
    EXPECT_EQ(runner.FStatementCount, GetParam().statements);
    EXPECT_THAT(sink.status(3),
                AllOf(StartsWith("Total time: "),
                      EndsWith(" s / " + std::to_string(GetParam().statements) + " statement(s)")));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, SplitTest,
    testing::Values(
        SplitCase{"NoSemicolon", "update a\r\n", {executeCall("update a")}, 1},
        SplitCase{"TrailingSemicolon", "update a;\r\n", {executeCall("update a")}, 1},
        SplitCase{"SingleSemicolon", ";\r\n", {}, 0},
        SplitCase{"BareSemicolon", ";", {}, 0},
        SplitCase{"EmptyScript", "", {}, 0},
        SplitCase{"BlanksOnly", " \t\r\n\r\n", {}, 0},
        SplitCase{"TwoStatements", "update a;\r\nupdate b;\r\n",
                  {executeCall("update a"), executeCall("update b")}, 2},
        SplitCase{"LastStatementWithoutSemicolon", "update a;update b",
                  {executeCall("update a"), executeCall("update b")}, 2},
        SplitCase{"DoubleSemicolonEndsTheRun", "update a;;update b", {executeCall("update a")}, 2},
        SplitCase{"BlankBetweenSemicolonsGoesToTheEngine", "update a; ;update b",
                  {executeCall("update a"), executeCall(""), executeCall("update b")}, 3},
        SplitCase{"LeadingSemicolonEndsTheRun", ";update a", {}, 1},
        SplitCase{"SemicolonInsideQuotesIsText", "update a set n = 'x;y'; update b",
                  {executeCall("update a set n = 'x;y'"), executeCall("update b")}, 2},
        SplitCase{"SemicolonInsideNamesIsText", "update [a;b] set `c;d` = \"e;f\"",
                  {executeCall("update [a;b] set `c;d` = \"e;f\"")}, 1},
        SplitCase{"GuidLiteralKeepsItsBraces", "update t set g = '{6F9619FF-8B86-D011-B42D-00C04FC964FF}'",
                  {executeCall("update t set g = '{6F9619FF-8B86-D011-B42D-00C04FC964FF}'")}, 1},
        SplitCase{"LineBreaksBecomeSpaces", "  update a\r\nset n = 1\r\n;",
                  {executeCall("update a set n = 1")}, 1},
        SplitCase{"LineFeedsAloneBreakLinesToo", "update a\nset n = 1;\nupdate b -- c\nwhere 1;",
                  {executeCall("update a set n = 1"), executeCall("update b  where 1")}, 2},
        SplitCase{"BraceComment", "update {note} a;", {executeCall("update  a")}, 1},
        SplitCase{"BraceCommentHidesStatements", "update a; {update b;\r\n} update c;",
                  {executeCall("update a"), executeCall("update c")}, 2},
        SplitCase{"LineCommentKeepsTheLineBreak", "update a--note\r\nset n = 1;",
                  {executeCall("update a set n = 1")}, 1},
        SplitCase{"LineCommentHidesSemicolon", "update a; -- update b;\r\nupdate c;",
                  {executeCall("update a"), executeCall("update c")}, 2},
        SplitCase{"UnclosedBraceStaysInText", "update a; {update b;\r\nupdate c;",
                  {executeCall("update a"), executeCall("{update b"), executeCall("update c")}, 3},
        SplitCase{"ClosingBraceBeforeOpeningOneStays", "update a }; update b {x};",
                  {executeCall("update a }"), executeCall("update b")}, 2},
        SplitCase{"LineCommentOnLastLineWithoutBreak", "update a; -- the end; update b",
                  {executeCall("update a")}, 1},
        SplitCase{"CommentsOnly", "{header}\r\n-- nothing to run\r\n", {}, 0},
        SplitCase{"LowerCaseSelectOpensRecordset", "select * from t", {openCall("select * from t")}, 1},
        SplitCase{"MakeTableOpensRecordset", "SELECT * INTO t2 FROM t",
                  {openCall("SELECT * INTO t2 FROM t")}, 1},
        SplitCase{"RowsFromAParenthesisAreShown", "(select * from t)",
                  {executeCall("(select * from t)"), openCall("(select * from t)")}, 1},
        SplitCase{"RowsFromWithValuesPragmaAreShown",
                  "WITH c AS (SELECT 1) SELECT * FROM c; VALUES (1); PRAGMA table_info(t); /* note */ SELECT 1",
                  {executeCall("WITH c AS (SELECT 1) SELECT * FROM c"), openCall("WITH c AS (SELECT 1) SELECT * FROM c"),
                   executeCall("VALUES (1)"), openCall("VALUES (1)"), executeCall("PRAGMA table_info(t)"),
                   openCall("PRAGMA table_info(t)"), executeCall("/* note */ SELECT 1"), openCall("/* note */ SELECT 1")},
                  4}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- result text

TEST_F(RunnerTest, WritesAlignedRowsCountsAndTimes)
{
    const automation::Bytes photo = {0x89, 0x50};
    const Variant born = automation::makeDate({1815, 12, 10});
    database->tables["select * from people"] = {
        {idColumn, {"Name", 10, 10}, {"Born", 8, 8}, {"Photo", 17, 8}},
        {{1, "Ada", born, photo}, {2, Variant::null(), Variant::null(), Variant::null()}}};
    database->affected["update t set a = 1"] = 3;

    runner.run("select * from people;\r\nupdate t\r\nset a = 1;\r\n");

    EXPECT_EQ(framed(sink.lines), R"(ID      Name        Born                    Photo     |
------------------------------------------------------|
1       Ada         1815-12-10              <Error>   |
2       (null)      (null)                  (null)    |
|
2 row(s) affected|
Exec time: 0.01 s / Fetch time 0.01 s|
|
|
3 row(s) affected|
Exec time: 0.01 s / Fetch time 0.00 s|
|
)");
    EXPECT_THAT(sink.statuses[2], ElementsAre("?", "2 records", "5 records"));
    EXPECT_EQ(sink.status(3), "Total time: 0.07 s / 2 statement(s)");
    EXPECT_THAT(sink.history, ElementsAre(RecordingSink::HistoryEntry{"select * from people", 10, 2},
                                          RecordingSink::HistoryEntry{"update t set a = 1", 10, 3}));
    EXPECT_EQ(runner.FTotalRecords, 5);
    EXPECT_FALSE(runner.FRunning);
    EXPECT_THAT(*log, testing::Contains("Recordset.close()"));
}

TEST_F(RunnerTest, LineBreaksAndTabsInAValueKeepTheRowOnOneLine)
{
    database->tables["select * from notes"] = {{idColumn, {"Note", 10, 10}},
                                               {{1, "a\r\nb\tc\nd\re"}, {2, "plain"}}};
    database->affected["update t"] = 1;
    runner.run("select * from notes;\r\nupdate t;");
    EXPECT_EQ(framed(sink.lines), "ID      Note        |\n--------------------|\n"
                                  "1       a\u21b5b\u2192c\u21b5d\u21b5e   |\n"
                                  "2       plain       |\n"
                                  "|\n2 row(s) affected|\nExec time: 0.01 s / Fetch time 0.01 s|\n|\n"
                                  "|\n1 row(s) affected|\nExec time: 0.01 s / Fetch time 0.00 s|\n|\n");
    EXPECT_EQ(runner.FResultLineStarts, (std::vector<std::int32_t>{1, 9}));
}

TEST_F(RunnerTest, DateColumnKeepsALongNameWhole)
{
    database->tables["select * from visits"] = {{{"DateOfTheFirstAppointment", 8, 8}},
                                                {{automation::makeDate({2024, 1, 5, 9, 30, 0})}}};
    runner.run("select * from visits");
    ASSERT_GE(sink.lines.size(), 3u);
    EXPECT_EQ(framed({sink.lines.begin(), sink.lines.begin() + 3}),
              "DateOfTheFirstAppointment|\n"
              "-------------------------|\n"
              "2024-01-05 09:30:00     |\n");
}

TEST_F(RunnerTest, EmptyRecordsetWritesHeaderAndNoRows)
{
    database->tables["select * from nothing"] = {{idColumn}, {}};
    runner.run("select * from nothing");
    EXPECT_EQ(framed(sink.lines), "ID      |\n--------|\n|\n0 row(s) affected|\n"
                                  "Exec time: 0.01 s / Fetch time 0.01 s|\n|\n");
}

// ---- failures

TEST_F(RunnerTest, FailingStatementWritesMessageAndRunGoesOn)
{
    database->affected["update a"] = 2;
    database->affected["update b"] = 3;
    database->failures["update bad"] = "Syntax error in UPDATE statement.";
    runner.run("update a; update bad; update b");

    EXPECT_EQ(framed(sink.lines), "|\n2 row(s) affected|\nExec time: 0.01 s / Fetch time 0.00 s|\n|\n"
                                  "|\nSyntax error in UPDATE statement.|\n|\n"
                                  "|\n3 row(s) affected|\nExec time: 0.01 s / Fetch time 0.00 s|\n|\n");
    EXPECT_THAT(sink.statuses[2], ElementsAre("?", "2 records", "5 records"));
    EXPECT_THAT(sink.history, ElementsAre(RecordingSink::HistoryEntry{"update a", 10, 2},
                                          RecordingSink::HistoryEntry{"update b", 10, 3}));
    EXPECT_THAT(sink.failures, ElementsAre("update bad: Syntax error in UPDATE statement."));
    EXPECT_EQ(runner.FStatementCount, 3);
}

TEST_F(RunnerTest, StatementOutOfMemoryIsReportedAndRunGoesOn)
{
    database->affected["update b"] = 3;
    database->exhausting.insert("update huge");
    runner.run("update huge; update b");
    EXPECT_EQ(framed(sink.lines), "|\nThe statement ran out of memory.|\n|\n"
                                  "|\n3 row(s) affected|\nExec time: 0.01 s / Fetch time 0.00 s|\n|\n");
    EXPECT_THAT(sink.failures, ElementsAre("update huge: The statement ran out of memory."));
}

TEST(ByteOrderMark, IsDroppedOnlyAtTheStart)
{
    EXPECT_EQ(query::ScriptRunner::WithoutByteOrderMark("\xEF\xBB\xBFselect 1"), "select 1");
    EXPECT_EQ(query::ScriptRunner::WithoutByteOrderMark("select '\xEF\xBB\xBF'"), "select '\xEF\xBB\xBF'");
    EXPECT_EQ(query::ScriptRunner::WithoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

TEST_F(RunnerTest, FailureDuringFetchSkipsCloseAndTotals)
{
    database->tables["select * from t"] = {{idColumn}, {{1}, {2}}};
    database->failingRecordsetMember = "GetRows";
    runner.run("select * from t");
    EXPECT_EQ(framed(sink.lines), "ID      |\n--------|\n|\nRecordset member failed.|\n|\n");
    EXPECT_THAT(*log, testing::Not(testing::Contains("Recordset.close()")));
    EXPECT_EQ(runner.FTotalRecords, 0);
    EXPECT_THAT(sink.history, IsEmpty());
}

TEST_F(RunnerTest, OtherExceptionsLeaveTheRunAndEndIt)
{
    sink.onMessages = [] { throw 42; };
    EXPECT_THROW(runner.run("update a; update b"), int);
    EXPECT_FALSE(runner.FRunning);
    EXPECT_EQ(databaseCalls(), std::vector<std::string>{executeCall("update a")});
}

TEST_F(RunnerTest, WithoutDatabaseNothingIsWrittenOrCounted)
{
    runner.CurrentDatabase = Variant::null();
    runner.run("update a; update b");
    EXPECT_THAT(sink.lines, IsEmpty());
    EXPECT_THAT(sink.history, IsEmpty());
    EXPECT_THAT(sink.statuses[2], ElementsAre("?"));
    EXPECT_THAT(runner.FResultLineStarts, ElementsAre(1, 1));
}

// ---- stopping

TEST_F(RunnerTest, StopDuringFetchKeepsRowsAndFullCount)
{
    database->tables["select * from t"] = {{idColumn}, {{1}, {2}, {3}, {4}, {5}}};
    // Stop once the header and two rows are shown; the row in progress is still written.
    sink.onMessages = [this] {
        if (sink.lines.size() >= 4)
            runner.stop();
    };
    runner.run("select * from t; update b");

    EXPECT_EQ(framed(sink.lines), "ID      |\n--------|\n1       |\n2       |\n3       |\n|\n"
                                  "Execution cancelled: 5 row(s) affected|\n"
                                  "Exec time: 0.01 s / Fetch time 0.01 s|\n|\n");
    EXPECT_EQ(databaseCalls(), std::vector<std::string>{openCall("select * from t")});
    EXPECT_EQ(sink.status(3), "Total time: 0.05 s / 1 statement(s)");
    EXPECT_EQ(runner.FTotalRecords, 5);
}

// The engine reads a result in steps of ReadStep values (at least a row), with the events
// handled between the steps. A Stop there ends the read: the rows read so far are what the
// statement counts, the writing ends after its first row and no later statement runs.
struct ReadCase {
    const char *name;
    int rows;
    int fields;
    std::int32_t readStep;
    int stopAtRound; // the round of events in which Stop is pressed; 0: never
    std::vector<std::string> moves;
    std::int32_t count;
};

void PrintTo(const ReadCase &c, std::ostream *os) { *os << c.name; }

class ReadStepTest : public RunnerTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(ReadStepTest, StopDuringTheReadEndsIt)
{
    const ReadCase &c = GetParam();
    TableData &table = database->tables["select * from t"];
    for (int f = 0; f < c.fields; ++f)
        table.columns.push_back({"F" + std::to_string(f), 4, 4});
    for (int r = 1; r <= c.rows; ++r)
        table.rows.push_back(std::vector<Variant>(std::size_t(c.fields), Variant(r)));
    runner.ReadStep = c.readStep;
    int rounds = 0;
    sink.onMessages = [&] {
        if (++rounds == c.stopAtRound)
            runner.stop();
    };
    runner.run("select * from t; update b");

    std::vector<std::string> moves;
    for (const std::string &entry : *log)
        if (entry.rfind("Recordset.move(", 0) == 0)
            moves.push_back(entry.substr(std::string("Recordset.move(").size()));
    EXPECT_THAT(moves, ElementsAreArray(c.moves));
    const bool stopped = c.stopAtRound > 0;
    const std::size_t rowsShown = stopped ? 1 : std::size_t(c.count);
    ASSERT_EQ(sink.lines.size(), 2 + rowsShown + 4 + (stopped ? 0 : 4));
    std::string firstRow;
    for (int f = 0; f < c.fields; ++f)
        firstRow += "1       ";
    EXPECT_EQ(sink.lines[2], firstRow);
    EXPECT_EQ(sink.lines[2 + rowsShown + 1], stopped ? "Execution cancelled: " + std::to_string(c.count) + " row(s) affected"
                                                     : std::to_string(c.count) + " row(s) affected");
    EXPECT_EQ(databaseCalls().size(), stopped ? 1u : 2u);
    EXPECT_EQ(runner.FTotalRecords, c.count);
    EXPECT_EQ(sink.status(2), std::to_string(c.count) + " records");
    ASSERT_FALSE(sink.history.empty());
    EXPECT_EQ(sink.history.front().records, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, ReadStepTest,
    testing::Values(
        // The first row is read when the recordset opens; each step reads ReadStep / fields rows.
        ReadCase{"OneStepHoldsTheWholeResult", 5, 1, 10, 0, {"10)"}, 5},
        ReadCase{"StepsAreTheValuesOverTheFields", 10, 3, 9, 0, {"3)", "3)", "3)"}, 10},
        ReadCase{"StopAfterTheFirstStepKeepsTheRowsRead", 10, 3, 9, 1, {"3)"}, 4},
        ReadCase{"AStepOfLessThanARowReadsOneRow", 5, 3, 2, 2, {"1)", "1)"}, 3}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RunnerTest, StopBetweenStatementsEndsTheRun)
{
    sink.onMessages = [this] { runner.stop(); };
    runner.run("update a; update b");
    EXPECT_EQ(databaseCalls(), std::vector<std::string>{executeCall("update a")});
    EXPECT_THAT(sink.lines, testing::Contains("0 row(s) affected"));
}

TEST_F(RunnerTest, RunIsNotStartedTwice)
{
    bool nested = false;
    sink.onMessages = [&] {
        if (!nested) {
            nested = true;
            runner.run("update nested");
        }
    };
    runner.run("update a; update b");
    EXPECT_EQ(databaseCalls(),
              (std::vector<std::string>{executeCall("update a"), executeCall("update b")}));
}

// ---- where each statement's output starts

TEST_F(RunnerTest, ResultLineStartsFollowTheOutput)
{
    database->tables["select * from t"] = {{idColumn}, {{1}}};
    runner.run("update a; select * from t; select * from missing; update b");
    // update: 4 lines; select with one row: 7 lines; failure: 3 lines.
    EXPECT_THAT(runner.FResultLineStarts, ElementsAre(1, 5, 12, 15));
    EXPECT_EQ(sink.lines.at(12), "The engine cannot find 'select * from missing'.");
}

// The engine asks the sink for parameter values while it opens or executes; the time the user
// takes to answer is not the statement's. After the run the database has no prompt left.
TEST_F(RunnerTest, ParametersAreAskedThroughTheSinkOutsideTheTimes)
{
    database->tables["select p"] = {{idColumn}, {{1}}};
    database->asks["select p"] = "[Whose Name]";
    database->asks["update p"] = "Limit";
    sink.parameterAnswers["[Whose Name]"] = "Ann";
    sink.onAsk = [this] { now += 5000; };
    runner.run("select p; update p");
    EXPECT_EQ(database->answers, (std::vector<std::string>{"Ann", "(none)"}));
    // each statement: its own two clock readings and the two around the question, 10 ms apart
    ASSERT_EQ(sink.history.size(), 2u);
    EXPECT_EQ(sink.history[0].executionMs, 20u);
    EXPECT_EQ(sink.history[1].executionMs, 20u);
    database->answers.clear();
    database->call("Execute", {"update p"});
    EXPECT_EQ(database->answers, (std::vector<std::string>{"(none)"}));
}

TEST_F(RunnerTest, NewRunClearsResultAndTotals)
{
    database->affected["update a"] = 4;
    runner.run("update a; update a");
    runner.run("update a");
    EXPECT_EQ(sink.clears, 2);
    EXPECT_EQ(runner.FTotalRecords, 4);
    EXPECT_THAT(runner.FResultLineStarts, ElementsAre(1));
    EXPECT_EQ(sink.lines.size(), 4u);
}

// ---- progress while fetching

struct ProgressCase {
    const char *name;
    int rows;
    std::vector<std::string> percents;
};

class FetchProgressTest : public RunnerTest, public testing::WithParamInterface<ProgressCase> {};

TEST_P(FetchProgressTest, ShowsEachPercentageOnce)
{
    TableData table{{idColumn}, {}};
    for (int r = 0; r < GetParam().rows; ++r)
        table.rows.push_back({r});
    database->tables["select * from t"] = table;
    runner.run("select * from t");
    std::vector<std::string> shown;
    for (const std::string &text : sink.statuses[3])
        if (text.rfind("Statement 1 fetching: ", 0) == 0)
            shown.push_back(text.substr(22));
    EXPECT_THAT(shown, ElementsAreArray(GetParam().percents));
}

std::vector<std::string> everyPercent()
{
    std::vector<std::string> texts;
    for (int p = 0; p <= 100; ++p)
        texts.push_back(std::to_string(p) + "%");
    return texts;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FetchProgressTest,
    testing::Values(ProgressCase{"One", 1, {"0%"}},
                    ProgressCase{"Three", 3, {"0%", "33%", "67%"}},
                    ProgressCase{"EightTiesToEven", 8,
                                 {"0%", "12%", "25%", "38%", "50%", "62%", "75%", "88%"}},
                    ProgressCase{"ThousandOnlyWhenPercentMoves", 1000, everyPercent()}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- the total line

struct TotalCase {
    const char *name;
    std::uint32_t start;
    std::uint32_t end;
    const char *text;
};

class TotalTimeTest : public RunnerTest, public testing::WithParamInterface<TotalCase> {};

TEST_P(TotalTimeTest, ShowsSecondsWithTwoDecimals)
{
    now = GetParam().start;
    step = GetParam().end - GetParam().start;
    runner.run("");
    EXPECT_EQ(sink.status(3), std::string("Total time: ") + GetParam().text + " s / 0 statement(s)");
}

INSTANTIATE_TEST_SUITE_P(
    Times, TotalTimeTest,
    testing::Values(TotalCase{"Zero", 0, 0, "0.00"}, TotalCase{"BelowHalf", 0, 4, "0.00"},
                    TotalCase{"HalfRoundsUp", 0, 5, "0.01"},
                    TotalCase{"Ordinary", 1000, 2234, "1.23"},
                    TotalCase{"HalfAtHundredths", 0, 1235, "1.24"},
                    TotalCase{"IntoNextMinute", 0, 59999, "60.00"},
                    TotalCase{"CounterWraps", 0xFFFFFFF0u, 0x10u, "0.03"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
