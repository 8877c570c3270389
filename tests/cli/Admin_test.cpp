// jetwarden-admin as a user runs it on real files: exit status, messages, and the files after.

#include "support/FileChecks.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result runProgram(const TempDir &dir, const std::string &program, const std::string &args,
                  const std::string &input = "")
{
    writeAll(dir.file("stdin.txt"), input);
    const std::string command = "env -u JETWARDEN_KEY " + program + " " + args + " < " + dir.file("stdin.txt")
                                + " > " + dir.file("out.txt") + " 2> " + dir.file("err.txt");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir.file("out.txt")), readAll(dir.file("err.txt"))};
}

class AdminTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const Result made = sql("--new " + db(), "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT(10));\n"
                                                 "INSERT INTO t (name) VALUES ('one'), ('two'), ('three');\n");
        ASSERT_EQ(made.status, 0) << made.err;
    }

    Result admin(const std::string &args, const std::string &input = "")
    {
        return runProgram(dir, JW_ADMIN, std::regex_replace(args, std::regex("DIR/"), dir.path() + "/"), input);
    }
    Result sql(const std::string &args, const std::string &input)
    {
        return runProgram(dir, JW_CLI, args, input);
    }
    // The rows of t, read back through jetwarden-sql.
    std::string rowsOf(const std::string &path)
    {
        const Result r = sql(path, "SELECT COUNT(*) AS n FROM t");
        return r.status == 0 ? std::regex_replace(r.out, std::regex("[0-9]+\\.[0-9]{2} s"), "#.## s")
                             : "failed: " + r.err;
    }

    std::string db() const { return dir.file("shop.mdb"); }
    TempDir dir;
};

TEST_F(AdminTest, CompactInPlaceKeepsRowsAndMode)
{
    const std::string rows = rowsOf(db());
    ASSERT_EQ(::chmod(db().c_str(), 0640), 0);
    const std::set<std::string> names = namesIn(dir.path());
    const Result r = admin("compact DIR/shop.mdb");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(rowsOf(db()), rows);
    EXPECT_EQ(modeOf(db()), 0640u);
    EXPECT_EQ(namesIn(dir.path()), names);
}

TEST_F(AdminTest, CompactIntoATargetLeavesTheSource)
{
    const std::string before = readAll(db());
    const Result r = admin("compact DIR/shop.mdb DIR/copy.mdb");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readAll(db()), before);
    EXPECT_EQ(rowsOf(dir.file("copy.mdb")), rowsOf(db()));
}

TEST_F(AdminTest, RepairKeepsTheRows)
{
    const std::string rows = rowsOf(db());
    const Result r = admin("repair DIR/shop.mdb");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(rowsOf(db()), rows);
}

TEST_F(AdminTest, EncryptAndDecryptWithThePasswordFromAFileOrStandardInput)
{
    writeAll(dir.file("key.txt"), "s3cret\n");
    Result r = admin("encrypt --key-file DIR/key.txt DIR/shop.mdb DIR/sealed.mdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readAll(dir.file("sealed.mdb")).substr(0, 8), "JWSEALED");
    // A compact of a sealed file is refused with the engine's message.
    r = admin("compact DIR/sealed.mdb");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("encrypted"), std::string::npos) << r.err;

    r = admin("decrypt DIR/sealed.mdb DIR/plain.mdb", "s3cret\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(rowsOf(dir.file("plain.mdb")), rowsOf(db()));
}

// Every refusal leaves the files it names byte for byte as they were.
TEST_F(AdminTest, FailedOperationsLeaveTheFilesAsTheyWere)
{
    writeAll(dir.file("key.txt"), "s3cret\n");
    ASSERT_EQ(admin("encrypt --key-file DIR/key.txt DIR/shop.mdb DIR/sealed.mdb").status, 0);
    writeAll(dir.file("notes.mdb"), "not a database");
    writeAll(dir.file("plain.mdb"), "keep this");
    writeAll(dir.file("wrong.txt"), "wrong\n");
    const struct {
        const char *args;
        const char *file;
    } cases[] = {
        {"compact DIR/notes.mdb", "notes.mdb"},
        {"compact DIR/notes.mdb DIR/plain.mdb", "plain.mdb"},
        {"repair DIR/notes.mdb", "notes.mdb"},
        {"decrypt --key-file DIR/wrong.txt DIR/sealed.mdb DIR/plain.mdb", "plain.mdb"},
        {"decrypt --key-file DIR/wrong.txt DIR/sealed.mdb DIR/plain.mdb", "sealed.mdb"},
        {"encrypt --key-file DIR/key.txt DIR/notes.mdb DIR/plain.mdb", "plain.mdb"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const std::string before = readAll(dir.file(c.file));
        const std::set<std::string> names = namesIn(dir.path());
        const Result r = admin(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.rfind("jetwarden-admin: ", 0), 0u) << r.err;
        EXPECT_EQ(readAll(dir.file(c.file)), before);
        EXPECT_EQ(namesIn(dir.path()), names);
    }
}

TEST_F(AdminTest, BadArgumentsExitWithTwoAndTouchNothing)
{
    const std::string before = readAll(db());
    const struct {
        const char *args;
        const char *message;
    } cases[] = {
        {"", "no command given"},
        {"shrink DIR/shop.mdb", "unknown command shrink"},
        {"compact", "no file given"},
        {"repair DIR/shop.mdb DIR/other.mdb", "wrong number of files for repair"},
        {"encrypt DIR/shop.mdb", "wrong number of files for encrypt"},
        {"compact DIR/a DIR/b DIR/c", "too many arguments"},
        {"compact --bogus DIR/shop.mdb", "unknown option --bogus"},
        {"compact --new DIR/shop.mdb", "--new is not an option of jetwarden-admin"},
        {"compact --dialect access DIR/shop.mdb", "--dialect is not an option of jetwarden-admin"},
        {"compact --param X=1 DIR/shop.mdb", "--param is not an option of jetwarden-admin"},
        {"compact --system-db DIR/none.mdw DIR/shop.mdb", "does not exist"},
        {"decrypt --key-file DIR/none.txt DIR/shop.mdb DIR/x.mdb", "cannot read the password file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = admin(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(readAll(db()), before);
    EXPECT_EQ(admin("--help").status, 0);
}

TEST_F(AdminTest, AnAccountThatCannotLogInIsRefused)
{
    const std::string before = readAll(db());
    const Result r = admin("compact --user admin --password wrong DIR/shop.mdb");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Not a valid account name or password."), std::string::npos) << r.err;
    EXPECT_EQ(readAll(db()), before);
}

} // namespace
