// jetwarden-accounts, and jetwarden-sql run as a restricted account, as a script runs them.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

class AccountsToolTest : public ::testing::Test {
protected:
    // Runs `program` in the temporary folder with `args` (already quoted for the shell).
    Result run(const std::string &program, const std::string &args, const std::string &input = "")
    {
        writeAll(dir.file("stdin.txt"), input);
        const std::string command = "cd " + dir.path() + " && " + program + " " + args + " < stdin.txt > out.txt 2> err.txt";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir.file("out.txt")), readAll(dir.file("err.txt"))};
    }
    Result accounts(const std::string &args) { return run(JW_ACCOUNTS, "--system-db team.mdw " + args); }
    Result sql(const std::string &args, const std::string &script)
    {
        return run(JW_CLI, "--system-db team.mdw " + args, script);
    }

    void SetUp() override
    {
        ASSERT_EQ(run(JW_ACCOUNTS, "create-workgroup team.mdw Team Velmora team-0001").out, "Workgroup ID: team-0001\n");
        for (const char *step : {"add-group Clerks clerks-pid", "add-user ann ann-pid secret", "add-user bob bob-pid",
                                 "add-member ann clerks"})
            ASSERT_EQ(accounts(step).status, 0) << step;
    }

    TempDir dir;
};

TEST_F(AccountsToolTest, ListsUsersWithTheirGroupsAndGroupsWithTheirMembers)
{
    EXPECT_EQ(accounts("users").out, "Admin\tAdmins, Users\nann\tClerks, Users\nbob\tUsers\n");
    EXPECT_EQ(accounts("groups").out, "Admins\tAdmin\nClerks\tann\nUsers\tAdmin, ann, bob\n");
    ASSERT_EQ(accounts("remove-member ann Clerks").status, 0);
    ASSERT_EQ(accounts("delete-user bob").status, 0);
    EXPECT_EQ(accounts("groups").out, "Admins\tAdmin\nClerks\t\nUsers\tAdmin, ann\n");
}

TEST_F(AccountsToolTest, RefusalsAndMistakesHaveTheirExitStatus)
{
    const struct {
        const char *args;
        int status;
        const char *says;
    } cases[] = {
        {"add-user ann other-pid", 1, "An account named 'ann' already exists."},
        {"add-user eve abc", 1, "personal identifier (PID) has 4 to 20 characters"},
        {"add-user eve eve-pid abcdefghijklmno", 1, "at most 14 characters"},
        {"delete-group Users", 1, "cannot be deleted"},
        {"remove-member ann CLERKS", 1, "no group named exactly 'CLERKS'"},
        {"add-member ann Nobody", 1, "no group named 'Nobody'"},
        {"password ann wrong new", 1, "The old password of 'ann' is not right."},
        {"password nobody a b", 1, "no user named 'nobody'"},
        {"--user ann --password secret add-group G g-pid", 1, "Only members of the group Admins"},
        {"--user ann --password wrong users", 2, "Not a valid account name or password."},
        {"set-permission shop.mdb Tables T ann lots", 2, "neither a number nor a list of rights"},
        {"show-permission missing.mdb Tables T", 2, "Could not find file"},
        {"add-user eve", 2, "wrong number of arguments"},
        {"rename-user ann", 2, "unknown command"},
    };
    for (const auto &c : cases) {
        const Result r = accounts(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
    }
    const Result missing = run(JW_ACCOUNTS, "--system-db nowhere.mdw users");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("'nowhere.mdw' does not exist"), std::string::npos) << missing.err;
    EXPECT_EQ(run(JW_ACCOUNTS, "create-workgroup team.mdw Again Velmora").status, 1);
}

TEST_F(AccountsToolTest, PasswordsChangeForLogins)
{
    ASSERT_EQ(accounts("--user ann --password secret password ann secret better").status, 0);
    EXPECT_EQ(accounts("--user ann --password secret users").status, 2);
    EXPECT_EQ(accounts("--user ann --password better users").status, 0);
}

TEST_F(AccountsToolTest, AScriptRunsWithTheRightsOfItsAccount)
{
    ASSERT_EQ(sql("--new shop.mdb", "CREATE TABLE Customers (Id INTEGER PRIMARY KEY, Name TEXT(20));\n"
                                    "INSERT INTO Customers VALUES (1, 'Ann');\n").status, 0);
    ASSERT_EQ(accounts("set-permission shop.mdb Tables Customers Users none").status, 0);
    ASSERT_EQ(accounts("set-permission shop.mdb Tables Customers Clerks retrieve-data,insert-data").status, 0);
    EXPECT_EQ(accounts("show-permission shop.mdb Tables Customers Clerks").out,
              "Clerks\t0x00000034\tread-definition, retrieve-data, insert-data\n");
    EXPECT_EQ(accounts("show-permission shop.mdb Databases MSysDb Users").out, "Users\t0x000FFFFF\tfull\n");

    const Result ann = sql("--user ann --password secret shop.mdb",
                           "SELECT Name FROM Customers;\nINSERT INTO Customers (Name) VALUES ('Bea');\n"
                           "DELETE FROM Customers;\n");
    EXPECT_EQ(ann.status, 1);
    EXPECT_NE(ann.out.find("Ann"), std::string::npos) << ann.out;
    EXPECT_NE(ann.out.find("The account 'ann' has no Delete data permission on 'Customers'."), std::string::npos)
        << ann.out;
    const Result bob = sql("--user bob shop.mdb", "SELECT Name FROM Customers;\n");
    EXPECT_EQ(bob.status, 1);
    EXPECT_NE(bob.out.find("The account 'bob' has no Retrieve data permission on 'Customers'."), std::string::npos)
        << bob.out;
    EXPECT_EQ(sql("shop.mdb", "SELECT count(*) AS n FROM Customers;\n").out.substr(0, 1), "n");

    ASSERT_EQ(accounts("set-permission shop.mdb Databases MSysDb Users create").status, 0);
    const Result shut = sql("--user bob shop.mdb", "SELECT 1;\n");
    EXPECT_EQ(shut.status, 2);
    EXPECT_NE(shut.err.find("has no Open permission on the database 'shop.mdb'"), std::string::npos) << shut.err;
    const Result noFile = run(JW_CLI, "--system-db nowhere.mdw shop.mdb", "SELECT 1;\n");
    EXPECT_EQ(noFile.status, 2);
    EXPECT_NE(noFile.err.find("'nowhere.mdw' does not exist"), std::string::npos) << noFile.err;
}

TEST_F(AccountsToolTest, APasswordComesFromAFileOrTheEnvironment)
{
    writeAll(dir.file("pw.txt"), "secret\nignored second line\n");
    writeAll(dir.file("wrong.txt"), "secrets\n");
    const std::string env = std::string("JETWARDEN_PASSWORD=secret ");
    struct Case {
        std::string program, args;
        int status;
    };
    const Case cases[] = {
        {JW_ACCOUNTS, "--system-db team.mdw --user ann --password-file pw.txt users", 0},
        {JW_ACCOUNTS, "--system-db team.mdw --user ann --password-file wrong.txt users", 2},
        {JW_ACCOUNTS, "--system-db team.mdw --user ann --password-file missing.txt users", 2},
        {env + JW_ACCOUNTS, "--system-db team.mdw --user ann users", 0},
        // --password wins over the environment, the file over the environment.
        {env + JW_ACCOUNTS, "--system-db team.mdw --user ann --password wrong users", 2},
        {env + JW_ACCOUNTS, "--system-db team.mdw --user ann --password-file wrong.txt users", 2},
        {JW_ACCOUNTS, "--system-db team.mdw --user ann users", 2},
        {JW_CLI, "--system-db team.mdw --user ann --password-file pw.txt --new a.mdb", 0},
        {env + JW_CLI, "--system-db team.mdw --user ann --new b.mdb", 0},
        {JW_CLI, "--system-db team.mdw --user ann --new c.mdb", 2},
    };
    for (const Case &c : cases)
        EXPECT_EQ(run(c.program, c.args, "SELECT 1;\n").status, c.status) << c.program << " " << c.args;
}

// The built-in "Admin" is the same account in every workgroup; after these steps the Admin of
// another workgroup can neither read the data nor give itself rights.
TEST_F(AccountsToolTest, ASecuredDatabaseShutsOutTheAdminOfEveryWorkgroup)
{
    ASSERT_EQ(sql("--new shop.mdb", "CREATE TABLE Customers (Id INTEGER PRIMARY KEY, Name TEXT(20));\n"
                                    "INSERT INTO Customers VALUES (1, 'Ann');\n").status, 0);
    writeAll(dir.file("boss.pw"), "b0ss-Pass\n");
    for (const char *step : {"add-user boss boss-pid b0ss-Pass", "add-member boss Admins",
                             "set-permission shop.mdb Databases MSysDb boss full",
                             "set-permission shop.mdb Tables Customers boss full",
                             "set-owner shop.mdb Databases MSysDb boss", "set-owner shop.mdb Tables Customers boss"})
        ASSERT_EQ(accounts(step).status, 0) << step << accounts(step).err;
    for (const char *step : {"set-permission shop.mdb Databases MSysDb Admin none",
                             "set-permission shop.mdb Databases MSysDb Users none",
                             "set-permission shop.mdb Tables Customers Admin none",
                             "set-permission shop.mdb Tables Customers Users none"})
        ASSERT_EQ(accounts(std::string("--user boss --password-file boss.pw ") + step).status, 0) << step;
    EXPECT_EQ(accounts("--user boss --password-file boss.pw show-permission shop.mdb Tables Customers").out.rfind(
                  "Owner\tboss\n", 0),
              0u);
    const Result boss = sql("--user boss --password-file boss.pw shop.mdb", "SELECT Name FROM Customers;\n");
    EXPECT_EQ(boss.status, 0) << boss.out << boss.err;
    EXPECT_NE(boss.out.find("Ann"), std::string::npos);

    ASSERT_EQ(run(JW_ACCOUNTS, "create-workgroup other.mdw Other Elsewhere other-0002").status, 0);
    const Result read = run(JW_CLI, "--system-db other.mdw shop.mdb", "SELECT Name FROM Customers;\n");
    EXPECT_EQ(read.status, 2);
    EXPECT_EQ(read.out.find("Ann"), std::string::npos);
    for (const char *step : {"set-permission shop.mdb Tables Customers Admin full",
                             "set-permission shop.mdb Databases MSysDb Admin full",
                             "set-owner shop.mdb Databases MSysDb Admin"})
        EXPECT_NE(run(JW_ACCOUNTS, std::string("--system-db other.mdw ") + step).status, 0) << step;
    // The team's own Admin, no longer owner and without rights, is shut out as well.
    EXPECT_EQ(sql("shop.mdb", "SELECT Name FROM Customers;\n").status, 2);
    EXPECT_EQ(sql("--user boss --password-file boss.pw shop.mdb", "SELECT Name FROM Customers;\n").status, 0);
}

} // namespace
