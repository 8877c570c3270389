// The access object's account operations and logins on the real engine and a real workgroup file.

#include "automation/Error.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "dbengine/ErrorCodes.h"
#include "engine/MSAccess.h"
#include "query/core/ScriptRunner.h"
#include "query/core/ScriptSink.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using automation::Variant;

namespace {

class AccountsOnEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbengine::registerEngine();
        mdw = dir.file("team.mdw");
        Variant(automation::Registry::instance().createInstance("DAO.DBEngine.36"))
            .call("CreateWorkgroup", {mdw, "Team", "Velmora", "team-0001"});
        access.setDAOType(2);
        access.SystemDB = mdw;
        access.setEngineActive(true);
        ASSERT_TRUE(access.EngineActive()) << access.LastError;
        ASSERT_TRUE(logIn("Admin", "")) << access.LastError;
    }

    bool logIn(const std::string &user, const std::string &password)
    {
        access.setWorkspaceOpen(false);
        access.UserName = user;
        access.Password = password;
        access.setWorkspaceOpen(true);
        return access.WorkspaceOpen();
    }

    std::vector<std::string> groupsOf(const std::string &user)
    {
        std::vector<std::string> list = {"left over"};
        access.GetUserGroups(user, list);
        return list;
    }

    template <class F>
    static int errorCode(F &&f)
    {
        try {
            f();
        } catch (const automation::Error &e) {
            return e.code();
        }
        return 0;
    }

    TempDir dir;
    std::string mdw;
    engine::TMSAccess access;
};

TEST_F(AccountsOnEngine, TheSystemDatabaseIsTheWorkgroupFile)
{
    EXPECT_EQ(access.GetSystemDB(), mdw);
    EXPECT_EQ(access.UserCount(), 1);
    EXPECT_EQ(access.GetUserName(0), "Admin");
    EXPECT_EQ(access.GetUserName(access.UserCount()), "");
    EXPECT_EQ(access.GroupCount(), 2);
    EXPECT_EQ(access.GetGroupName(1), "Users");
    EXPECT_EQ(access.GetGroupName(access.GroupCount()), "");
}

TEST_F(AccountsOnEngine, MembershipMatchesGroupsCaseBlindButRemovesOnlyByExactName)
{
    ASSERT_TRUE(access.CreateGroup("Clerks", "clerks-pid"));
    ASSERT_TRUE(access.CreateUser("ann", "ann-pid", "pw"));
    EXPECT_EQ(groupsOf("ANN"), std::vector<std::string>{"Users"});
    EXPECT_EQ(groupsOf("nobody"), std::vector<std::string>{});
    EXPECT_TRUE(access.AddUserToGroup("ann", "clerks"));
    EXPECT_FALSE(access.AddUserToGroup("ann", "Sales"));
    EXPECT_EQ(groupsOf("ann"), (std::vector<std::string>{"Clerks", "Users"}));
    access.RemoveUserFromGroup("ann", "CLERKS");
    EXPECT_EQ(groupsOf("ann"), (std::vector<std::string>{"Clerks", "Users"}));
    access.RemoveUserFromGroup("ann", "Clerks");
    EXPECT_EQ(groupsOf("ann"), std::vector<std::string>{"Users"});
    access.DeleteUser("ann");
    access.DeleteGroup("Clerks");
    EXPECT_EQ(access.UserCount(), 1);
    EXPECT_EQ(access.GroupCount(), 2);
}

TEST_F(AccountsOnEngine, PasswordsChangeThroughTheAccessObjectAndGuardTheLogin)
{
    ASSERT_TRUE(access.CreateUser("ann", "ann-pid", "first"));
    EXPECT_TRUE(access.ChangePassword("ANN", "first", "second"));
    EXPECT_FALSE(access.ChangePassword("nobody", "first", "second"));
    EXPECT_FALSE(logIn("ann", "first"));
    EXPECT_EQ(access.LastError, "Not a valid account name or password.");
    EXPECT_FALSE(logIn("nobody", "second"));
    EXPECT_EQ(access.LastError, "Not a valid account name or password.");
    EXPECT_TRUE(logIn("ann", "second")) << access.LastError;
    EXPECT_EQ(access.GetCurrentUser(), "ann");
}

// The access object passes the engine's refusals on as they are and keeps LastError untouched.
TEST_F(AccountsOnEngine, EngineRefusalsReachTheCallerUnchanged)
{
    namespace err = dbengine::err;
    access.LastError = "earlier";
    const struct {
        const char *label;
        std::function<void()> operation;
        int code;
    } cases[] = {
        {"PID too short", [&] { access.CreateUser("ann", "abc", ""); }, err::InvalidPid},
        {"name taken by a group", [&] { access.CreateUser("users", "ann-pid", ""); }, err::NameInUse},
        {"group name with a control character", [&] { access.CreateGroup("A\x7f", "group-pid"); }, err::InvalidAccountName},
        {"delete Admins", [&] { access.DeleteGroup("Admins"); }, err::AccountProtected},
        {"last member leaves Admins", [&] { access.RemoveUserFromGroup("Admin", "Admins"); }, err::AccountProtected},
        {"join as nobody", [&] { access.AddUserToGroup("nobody", "Users"); }, err::ItemNotFound},
        {"wrong old password", [&] { access.ChangePassword("admin", "guess", "new"); }, err::InvalidPassword},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorCode(c.operation), c.code) << c.label;
    EXPECT_EQ(access.LastError, "earlier");
}

TEST_F(AccountsOnEngine, AWorkgroupFileThatCannotBeUsedFailsTheWorkspaceStep)
{
    access.setEngineActive(false);
    writeAll(dir.file("broken.mdw"), "SQLite format 3");
    access.SystemDB = dir.file("broken.mdw");
    access.setEngineActive(true);
    ASSERT_TRUE(access.EngineActive()) << access.LastError;
    access.UserName = "Admin";
    access.setWorkspaceOpen(true);
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_EQ(access.LastError, "'broken.mdw' is not a workgroup information file.");
}

class TextSink : public query::ScriptSink {
public:
    std::string text;
    std::int32_t lines = 0;
    void clearResult() override { text.clear(), lines = 0; }
    void addLine(const std::string &line) override { text += line + "\n", ++lines; }
    std::int32_t lineCount() const override { return lines; }
    void setStatus(int, const std::string &) override {}
    void processMessages() override {}
    void repaint() override {}
    void historyUpdate(const std::string &, std::uint32_t, std::int32_t) override {}
};

TEST_F(AccountsOnEngine, AQueryWindowScriptRunsWithTheAccountsRights)
{
    ASSERT_TRUE(access.CreateUser("ann", "ann-pid", ""));
    const std::string path = dir.file("shop.mdb");
    Variant db = access.Workspace.call("CreateDatabase", {path});
    db.call("Execute", {"CREATE TABLE Prices (Item TEXT(10), Price CURRENCY)"});
    db.call("Execute", {"INSERT INTO Prices VALUES ('pen', 2)"});
    Variant doc = db.get("Containers").item("Tables").get("Documents").item("Prices");
    doc.put("UserName", "Users");
    doc.put("Permissions", 0x14);
    db.call("Close");

    ASSERT_TRUE(logIn("ann", ""));
    access.DatabaseName = path;
    access.setDatabaseOpen(true);
    ASSERT_TRUE(access.DatabaseOpen()) << access.LastError;
    TextSink sink;
    query::ScriptRunner runner(sink);
    runner.CurrentDatabase = access.GetDatabase();
    runner.run(query::ScriptRunner::ScriptFromLines({"SELECT Item FROM Prices;", "UPDATE Prices SET Price = 0;"}));
    EXPECT_NE(sink.text.find("pen"), std::string::npos) << sink.text;
    EXPECT_NE(sink.text.find("\nThe account 'ann' has no Change data permission on 'Prices'.\n"), std::string::npos)
        << sink.text;
}

} // namespace
