// jetwarden-sql as a user runs it: arguments, exit status, standard output and error.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sys/wait.h>

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Runs jetwarden-sql with `args` (already quoted for the shell) and `input` on standard input.
Result run(const TempDir &dir, const std::string &args, const std::string &input = "")
{
    writeAll(dir.file("stdin.txt"), input);
    const std::string command = std::string(JW_CLI) + " " + args + " < " + dir.file("stdin.txt") + " > "
                                + dir.file("out.txt") + " 2> " + dir.file("err.txt");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir.file("out.txt")), readAll(dir.file("err.txt"))};
}

std::string withoutTimes(const std::string &text)
{
    return std::regex_replace(text, std::regex("[0-9]+\\.[0-9]{2} s"), "#.## s");
}

class CliTest : public ::testing::Test {
protected:
    std::string db() const { return dir.file("cli.mdb"); }
    TempDir dir;
};

TEST_F(CliTest, NewDatabaseScriptFromStandardInput)
{
    Result r = run(dir, "--new " + db(),
                   "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT(10), seen DATETIME);\n"
                   "INSERT INTO t VALUES (1, 'one', '2024-01-02 03:04:05'), (2, NULL, NULL);\n"
                   "SELECT * FROM t\n");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string expected =
        "\n0 row(s) affected\nExec time: #.## s / Fetch time #.## s\n\n"
        "\n2 row(s) affected\nExec time: #.## s / Fetch time #.## s\n\n"
        "id      name        seen                    \n"
        "--------------------------------------------\n"
        "1       one         2024-01-02 03:04:05     \n"
        "2       (null)      (null)                  \n"
        "\n2 row(s) affected\nExec time: #.## s / Fetch time #.## s\n\n";
    EXPECT_EQ(withoutTimes(r.out), expected);
    EXPECT_EQ(withoutTimes(r.err), "Total time: #.## s / 3 statement(s)\n");
}

TEST_F(CliTest, ExitStatusTellsWhatFailed)
{
    writeAll(dir.file("script.sql"), "SELECT 1 AS x;\r\nSELECT * FROM nowhere;\r\n");
    EXPECT_EQ(run(dir, "--new " + db() + " " + dir.file("script.sql")).status, 1);
    EXPECT_EQ(run(dir, db(), "SELECT 1").status, 0);

    const struct {
        const char *args;
        int status;
        const char *message;
    } cases[] = {
        {"", 2, "no database given"},
        {"--bogus x.mdb", 2, "unknown option"},
        {"MISSING", 2, "Could not find file"},
        {"--user admin --password wrong DB", 2, "Not a valid account name or password."},
        {"DB no-such-script.sql", 2, "cannot read the script"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        std::string args = std::regex_replace(c.args, std::regex("DB"), db());
        args = std::regex_replace(args, std::regex("MISSING"), dir.file("missing.mdb"));
        Result r = run(dir, args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdb")));
}

// Files from other editors and names that are not what they seem.
TEST_F(CliTest, ScriptFilesAndNamesAreTakenAsGiven)
{
    writeAll(dir.file("bom.sql"), "\xEF\xBB\xBFSELECT 1 AS x;\r\n");
    Result r = run(dir, "--new " + db() + " " + dir.file("bom.sql"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 2), "x ");

    std::filesystem::create_directory(dir.file("folder"));
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {db() + " " + dir.file("folder"), "cannot read the script '" + dir.file("folder") + "': it is a folder, not a file"},
        {"--system-db " + dir.file("folder") + " " + db(),
         "the workgroup information file '" + dir.file("folder") + "' is a folder, not a file"},
        {"--system-db /dev/null " + db(), "the workgroup information file '/dev/null' is a device, not a file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        r = run(dir, c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "jetwarden-sql: " + c.message + "\n");
        EXPECT_EQ(r.out, "");
    }

    // "file:" names a file, not one of SQLite's URIs.
    const std::string command = "cd " + dir.path() + " && " + JW_CLI + " --new file:y.mdb < /dev/null > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("file:y.mdb")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("y.mdb")));
}

TEST_F(CliTest, ReadOnlyAndExclusiveAreHonoured)
{
    ASSERT_EQ(run(dir, "--new " + db(), "CREATE TABLE t (x)").status, 0);
    Result ro = run(dir, "--read-only " + db(), "INSERT INTO t VALUES (1)");
    EXPECT_EQ(ro.status, 1);
    EXPECT_NE(ro.out.find("read-only"), std::string::npos) << ro.out;
    EXPECT_EQ(run(dir, "--exclusive " + db(), "INSERT INTO t VALUES (1)").status, 0);
}

TEST_F(CliTest, TheSampleDatabaseAnswersTheTour)
{
    Result r = run(dir, std::string(JW_SAMPLE_DB) + " " + JW_SOURCE + "/samples/tour.sql --read-only");
    // The tour's UPDATE and its deliberate error fail on a read-only open; the rest succeeds.
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("No such table: NoSuchTable."), std::string::npos);
    EXPECT_NE(r.out.find("Company B01"), std::string::npos);
    EXPECT_EQ(withoutTimes(r.err), "Total time: #.## s / 8 statement(s)\n");
}

// ---- --history

// The history file with every four-character time ("0.00" to "9.99") written as "#.##".
std::string withoutHistoryTimes(std::string bytes)
{
    const auto digit = [&](std::size_t i) { return std::isdigit((unsigned char)bytes[i]) != 0; };
    for (std::size_t i = 0; i + 6 <= bytes.size(); ++i)
        if (bytes[i] == 4 && bytes[i + 1] == 0 && digit(i + 2) && bytes[i + 3] == '.'
            && digit(i + 4) && digit(i + 5))
            bytes.replace(i + 2, 4, "#.##");
    return bytes;
}

// One history entry as the file holds it: three sub-items, image index -1.
std::string entry(const std::string &number, const std::string &sql, const std::string &time,
                  const std::string &records)
{
    std::string bytes = std::string("\x03\x00\xFF\xFF\xFF\xFF", 6);
    for (const std::string &text : {number, sql, time, records}) {
        bytes += char(text.size() & 0xFF);
        bytes += char(text.size() >> 8);
        bytes += text;
    }
    return bytes;
}

TEST_F(CliTest, HistoryKeepsSuccessfulStatementsNewestOnTop)
{
    const std::string history = dir.file("History.sql");
    Result r = run(dir, "--new --history " + history + " " + db(),
                   "CREATE TABLE t (id INTEGER);\n"
                   "INSERT INTO t VALUES (1), (2);\n"
                   "SELECT * FROM t;\n"
                   "SELECT * FROM nowhere;\n"
                   "INSERT INTO t VALUES (3);\n"
                   "select * from T;\n");
    EXPECT_EQ(r.status, 1) << r.err;
    // The failed statement is not recorded; the repeated SELECT keeps number 3 and its place
    // and takes the new count.
    const std::string expected = std::string("LVF\x04\x00", 5)
                                 + entry("4", "INSERT INTO t VALUES (3)", "#.##", "1")
                                 + entry("3", "SELECT * FROM t", "#.##", "3")
                                 + entry("2", "INSERT INTO t VALUES (1), (2)", "#.##", "2")
                                 + entry("1", "CREATE TABLE t (id INTEGER)", "#.##", "0");
    EXPECT_EQ(withoutHistoryTimes(readAll(history)), expected);
}

TEST_F(CliTest, HistoryIsLoadedAndUpdatedByTheNextRun)
{
    const std::string history = dir.file("History.sql");
    writeAll(history, std::string("LVF\x02\x00", 5) + entry("2", "SELECT 2 AS b", "12.34", "1")
                          + entry("1", "SELECT 1 AS a", "56.78", "1"));
    Result r = run(dir, "--new " + db() + " --history " + history,
                   "select 1 as A;\nSELECT 3 AS c;\nSELECT * FROM nowhere;\n");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(withoutHistoryTimes(readAll(history)),
              std::string("LVF\x03\x00", 5) + entry("3", "SELECT 3 AS c", "#.##", "1")
                  + entry("2", "SELECT 2 AS b", "12.34", "1")
                  + entry("1", "SELECT 1 AS a", "#.##", "1"));
}

// A file that is not a whole history is reported and left as it is, and nothing runs.
TEST_F(CliTest, HistoryFileThatCannotBeReadStopsBeforeTheScript)
{
    std::filesystem::create_directory(dir.file("folder.sql"));
    const struct {
        const char *file;
        std::string bytes;
        const char *message;
    } cases[] = {
        {"notes.sql", "SELECT 1;\n", "jetwarden-sql: \"notes.sql\" is not a ListView file!\n"},
        {"empty.sql", "", "jetwarden-sql: \"empty.sql\" is not a ListView file!\n"},
        {"cut.sql", std::string("LVF\x02\x00", 5) + entry("2", "SELECT 2", "0.00", "1") + "\x03",
         "jetwarden-sql: \"cut.sql\" is a damaged ListView file! Only its first 1 items could "
         "be read.\n"},
        {"folder.sql", "", "jetwarden-sql: \"folder.sql\" could not be read: Is a directory.\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir.file(c.file);
        if (!std::filesystem::is_directory(path))
            writeAll(path, c.bytes);
        Result r = run(dir, "--new --history " + path + " " + db(), "CREATE TABLE t (x);\n");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
        if (!std::filesystem::is_directory(path))
            EXPECT_EQ(readAll(path), c.bytes);
        EXPECT_FALSE(std::filesystem::exists(db()));
    }
}

TEST_F(CliTest, HistoryThatCannotBeSavedFailsTheRun)
{
    Result r = run(dir, "--new --history " + dir.file("missing/History.sql") + " " + db(),
                   "SELECT 1 AS x;\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("1 row(s) affected"), std::string::npos) << r.out;
    EXPECT_EQ(withoutTimes(r.err), "Total time: #.## s / 1 statement(s)\n"
                                   "jetwarden-sql: Could not save \"History.sql\": No such file "
                                   "or directory.\n");
}

} // namespace

namespace {

// --dialect chooses the SQL; --param gives parameters their values by the names the query writes.
TEST_F(CliTest, AccessDialectWithParameters)
{
    ASSERT_EQ(run(dir, "--new " + db(),
                  "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, Placed DATETIME);"
                  "INSERT INTO Orders VALUES (1, '1995-01-10'), (2, '1995-03-01'), (3, '1996-01-01')")
                  .status,
              0);
    const std::string script = "SELECT Count(*) AS n FROM Orders WHERE Placed >= [Beginning Date] "
                               "AND OrderID <> [Forms]![Orders]![OrderID]\n";
    Result r = run(dir,
                   "--dialect access --param 'Beginning Date=2/1/1995' --param '[Forms]![Orders]![OrderID]=3' "
                       + db(),
                   script);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(withoutTimes(r.out), "n       \n--------\n1       \n\n1 row(s) affected\nExec time: #.## s / Fetch time #.## s\n\n");
    // a parameter without a value is named; SQLite's SQL has no "!"
    r = run(dir, "--dialect access --param 'Beginning Date=1995-01-01' " + db(), script);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("no value was given for the parameter '[Forms]![Orders]![OrderID]'"), std::string::npos) << r.out;
    r = run(dir, "--dialect sqlite " + db(), script);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Unrecognized token: \"!\""), std::string::npos) << r.out;
    EXPECT_EQ(run(dir, "--dialect oracle " + db(), "SELECT 1").status, 2);
    EXPECT_EQ(run(dir, "--param novalue " + db(), "SELECT 1").status, 2);
}

} // namespace
