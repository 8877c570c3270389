// jetwarden-sql as a user runs it: arguments, exit status, standard output and error.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
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

} // namespace
