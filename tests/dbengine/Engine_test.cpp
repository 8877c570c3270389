#include "EngineFixture.h"

using automation::Variant;

namespace {

TEST_F(EngineTest, EachProgIdReportsItsVersion)
{
    const struct {
        const char *progId, *version;
    } cases[] = {{"DAO.DBEngine", "3.0"}, {"dao.dbengine.35", "3.5"}, {"DAO.DBEngine.36", "3.6"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.progId);
        Variant e = automation::Registry::instance().createInstance(c.progId);
        EXPECT_EQ(e.get("VERSION").toText(), c.version);
    }
}

TEST_F(EngineTest, DefaultsAndSystemDatabaseAreKept)
{
    engine.put("DefaultType", 2);
    engine.put("DefaultUser", "Admin");
    engine.put("DefaultPassword", "x");
    engine.put("SystemDB", "/nowhere/system.mdw");
    EXPECT_EQ(engine.get("DefaultUser").toText(), "Admin");
    EXPECT_EQ(engine.get("SystemDB").toText(), "/nowhere/system.mdw");
}

TEST_F(EngineTest, WorkspacesAreFoundByNameUntilClosed)
{
    EXPECT_EQ(engine.call("Workspaces", {"#Default Workspace#"}).get("UserName").toText(), "admin");
    EXPECT_EQ(errorCode([&] { engine.call("Workspaces", {"Other"}); }), dbengine::err::WorkspaceNotFound);
    workspace.call("Close");
    EXPECT_EQ(errorCode([&] { engine.call("Workspaces", {"#Default Workspace#"}); }),
              dbengine::err::WorkspaceNotFound);
    EXPECT_EQ(errorCode([&] { workspace.call("OpenDatabase", {"x.db"}); }), dbengine::err::ObjectClosed);
}

TEST_F(EngineTest, BuiltInWorkgroupAcceptsOnlyAdminWithoutPassword)
{
    const struct {
        const char *user, *password;
        int code;
    } cases[] = {{"ADMIN", "", 0}, {"admin", "x", dbengine::err::AccountRefused},
                 {"guest", "", dbengine::err::AccountRefused}, {"", "", dbengine::err::AccountRefused}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.user);
        EXPECT_EQ(errorCode([&] { engine.call("CreateWorkspace", {"w", c.user, c.password, 2}); }), c.code);
    }
    EXPECT_EQ(workspace.get("Users").item(0).get("Name").toText(), "Admin");
    EXPECT_EQ(workspace.get("Groups").get("Count").toInt(), 2);
    EXPECT_EQ(workspace.get("Users").item("admin").get("Groups").item(1).get("Name").toText(), "Users");
    EXPECT_EQ(errorCode([&] { workspace.call("CreateUser", {"Joe", "1234", ""}); }),
              dbengine::err::AccountsUnavailable);
}

TEST_F(EngineTest, ClosingTheWorkspaceClosesItsDatabases)
{
    Variant db = create("a.db");
    EXPECT_EQ(workspace.get("Databases").get("Count").toInt(), 1);
    workspace.call("Close");
    EXPECT_EQ(errorCode([&] { db.get("TableDefs"); }), dbengine::err::ObjectClosed);
    // The file is free again for an exclusive open.
    Variant ws = engine.call("CreateWorkspace", {"w", "admin", "", 2});
    ws.call("OpenDatabase", {dir.file("a.db"), true, false}).call("Close");
}

TEST(ConnectText, PasswordIsEverythingAfterPwd)
{
    EXPECT_EQ(dbengine::passwordOf(";pwd=abc"), "abc");
    EXPECT_EQ(dbengine::passwordOf(";PWD=a;b=c"), "a;b=c");
    EXPECT_EQ(dbengine::passwordOf(";pwd="), "");
    EXPECT_EQ(dbengine::passwordOf("pwd= x "), " x ");
    EXPECT_EQ(dbengine::passwordOf(""), "");
}

} // namespace
