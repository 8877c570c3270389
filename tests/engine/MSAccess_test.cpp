#include "AccessFixture.h"

#include "automation/Error.h"
#include "platform/Folders.h"

#include <gmock/gmock.h>

#include <fstream>
#include <functional>

using namespace fakes;
using automation::Registry;
using automation::Variant;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

void touch(const std::filesystem::path &path)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "workgroup";
}

// ---- a fresh object and the engine version selector

TEST(TMSAccessCreate, StartsInactiveWithVersion35)
{
    engine::TMSAccess access;
    EXPECT_FALSE(access.EngineActive());
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_EQ(access.DAOType(), 1);
    EXPECT_EQ(access.EngineProgID, "DAO.DBEngine.35");
}

struct DAOTypeCase {
    const char *name;
    std::uint8_t type;
    const char *progId;
};

class DAOTypeTest : public testing::TestWithParam<DAOTypeCase> {};

TEST_P(DAOTypeTest, SelectsTheProgIdWhileInactive)
{
    engine::TMSAccess access;
    access.setDAOType(GetParam().type);
    EXPECT_EQ(access.DAOType(), GetParam().type);
    EXPECT_EQ(access.EngineProgID, GetParam().progId);
}

INSTANTIATE_TEST_SUITE_P(Types, DAOTypeTest,
                         testing::Values(DAOTypeCase{"Dao30", 0, "DAO.DBEngine"},
                                         DAOTypeCase{"Dao35", 1, "DAO.DBEngine.35"},
                                         DAOTypeCase{"Dao36", 2, "DAO.DBEngine.36"},
                                         DAOTypeCase{"UnknownKeepsProgId", 7, "DAO.DBEngine.35"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(AccessTest, DAOTypeCannotChangeWhileActive)
{
    activate();
    try {
        access.setDAOType(2);
        FAIL() << "no error raised";
    } catch (const automation::Error &e) {
        EXPECT_STREQ(e.what(), "Cannot change DAOType when session is active.");
    }
    EXPECT_EQ(access.DAOType(), 1);
    EXPECT_EQ(access.EngineProgID, ProgId);
}

// ---- the inactive object answers without an engine

TEST_F(AccessTest, InactiveObjectAnswersEmptyAndCallsNothing)
{
    const std::vector<std::pair<const char *, std::function<std::string()>>> texts = {
        {"GetEngineVersion", [&] { return access.GetEngineVersion(); }},
        {"GetDatabaseVersion", [&] { return access.GetDatabaseVersion(); }},
        {"GetWorkspaceName", [&] { return access.GetWorkspaceName(); }},
        {"GetDatabaseName", [&] { return access.GetDatabaseName(); }},
        {"GetCurrentUser", [&] { return access.GetCurrentUser(); }},
        {"GetSystemDB", [&] { return access.GetSystemDB(); }},
    };
    for (const auto &[name, text] : texts)
        EXPECT_EQ(text(), "") << name;
    EXPECT_FALSE(access.GetDatabase().isObject());
    EXPECT_THAT(*dao.log, IsEmpty());
}

// ---- engine

TEST_F(AccessTest, ActivationPreparesEngineDefaults)
{
    activate();
    ASSERT_EQ(dao.log->size(), 3u);
    EXPECT_EQ((*dao.log)[0], "Engine.defaulttype := 2");
    EXPECT_EQ((*dao.log)[1], "Engine.defaultuser := \"Admin\"");
    // The default password is one character, never the empty text.
    EXPECT_EQ(dao.engine->prop("DefaultPassword").toText().size(), 1u);
    EXPECT_EQ(access.LastError, "");
    EXPECT_EQ(access.GetEngineVersion(), "3.5");
    EXPECT_EQ(access.GetCurrentUser(), "Admin");
}

TEST_F(AccessTest, UnregisteredProgIdLeavesEngineInactive)
{
    access.EngineProgID = "JwTest.NotRegistered";
    access.setEngineActive(true);
    EXPECT_FALSE(access.EngineActive());
    EXPECT_EQ(access.LastError, "Invalid class string");
}

TEST_F(AccessTest, RunningInstanceIsUsedBeforeCreatingOne)
{
    auto running = makeObject("RunningEngine", dao.log);
    Registry::instance().setRunning(ProgId, running);
    activate();
    Registry::instance().revokeRunning(ProgId);
    EXPECT_EQ(access.Engine.object(), running);
    EXPECT_EQ(dao.engine->prop("DefaultUser"), Variant());
}

TEST_F(AccessTest, NoEngineObjectFailsWithoutMessage)
{
    Registry::instance().registerClass(ProgId, [] { return automation::ObjectPtr(); });
    access.LastError = "earlier";
    access.setEngineActive(true);
    EXPECT_FALSE(access.EngineActive());
    EXPECT_EQ(access.LastError, "");
}

TEST_F(AccessTest, EngineRefusingDefaultsFailsWithItsMessage)
{
    dao.engine->fail("DefaultUser", "Engine refuses the default user.");
    access.setEngineActive(true);
    EXPECT_FALSE(access.EngineActive());
    EXPECT_EQ(access.LastError, "Engine refuses the default user.");
}

TEST_F(AccessTest, SecondActivationDoesNothing)
{
    activate();
    dao.log->clear();
    access.setEngineActive(true);
    EXPECT_TRUE(access.EngineActive());
    EXPECT_THAT(*dao.log, IsEmpty());
}

TEST_F(AccessTest, DeactivationClosesDatabaseThenWorkspaceAndReleasesEngine)
{
    openDatabase();
    access.setEngineActive(false);
    EXPECT_THAT(*dao.log, ElementsAre("Database.close()", "Workspace.close()"));
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_FALSE(access.EngineActive());
    EXPECT_TRUE(access.Engine.isNull());
    EXPECT_TRUE(access.Workspace.isNull());
    EXPECT_TRUE(access.Database.isNull());
}

// ---- the workgroup file

struct SystemDBCase {
    const char *name;
    std::vector<std::string> files; // relative to the work folder's root
    std::string chosen;             // "" keeps the caller's SystemDB
    std::string expected;           // relative to the root; "" means none
};

std::filesystem::path programDataCopy()
{
    return std::filesystem::path(platform::programDataDir()) / "system.mdw";
}

class SystemDBSearchTest : public AccessTest, public testing::WithParamInterface<SystemDBCase> {};

TEST_P(SystemDBSearchTest, FindsTheWorkgroupFile)
{
    if (std::filesystem::exists(programDataCopy()))
        GTEST_SKIP() << "a workgroup file ships in " << platform::programDataDir();
    for (const std::string &file : GetParam().files)
        touch(folder.root() / file);
    access.SystemDB = GetParam().chosen.empty() ? "" : (folder.root() / GetParam().chosen).string();
    activate();
    const std::string expected =
        GetParam().expected.empty() ? "" : (folder.root() / GetParam().expected).string();
    EXPECT_EQ(access.SystemDB, expected);
    EXPECT_EQ(dao.engine->prop("SystemDB"), expected.empty() ? Variant() : Variant(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SystemDBSearchTest,
    testing::Values(
        SystemDBCase{"ExistingChoiceIsKept", {"work/secured.mdw", "cwd/system.mdw"},
                     "work/secured.mdw", "work/secured.mdw"},
        SystemDBCase{"MissingChoiceFallsBackToCurrentFolder", {"cwd/system.mdw"},
                     "work/gone.mdw", "cwd/system.mdw"},
        SystemDBCase{"CurrentFolderBeforeUserFolder",
                     {"cwd/system.mdw", "xdg/Jetwarden/system.mdw"}, "", "cwd/system.mdw"},
        SystemDBCase{"UserFolderLast", {"xdg/Jetwarden/system.mdw"}, "",
                     "xdg/Jetwarden/system.mdw"},
        SystemDBCase{"NoneFoundEmptiesTheChoice", {}, "work/gone.mdw", ""},
        SystemDBCase{"FolderNamedLikeTheFileIsNoFile", {"cwd/system.mdw/inner"}, "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AccessTest, ProgramDataFolderComesBeforeUserFolder)
{
    // Uses a workgroup file shipped with the program, or puts one there for the test.
    const auto programCopy = programDataCopy();
    const bool shipped = std::filesystem::exists(programCopy);
    if (!shipped)
        touch(programCopy);
    touch(folder.root() / "xdg/Jetwarden/system.mdw");
    access.setEngineActive(true);
    if (!shipped)
        std::filesystem::remove(programCopy);
    EXPECT_EQ(access.SystemDB, programCopy.string());
}

// ---- workspace

TEST_F(AccessTest, WorkspaceNeedsTheEngine)
{
    access.LastError = "earlier";
    access.setWorkspaceOpen(true);
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_EQ(access.LastError, "");
    EXPECT_THAT(*dao.log, IsEmpty());
}

TEST_F(AccessTest, WorkspaceHeldByTheEngineIsReused)
{
    dao.workspaces->items.push_back(dao.workspace);
    activate();
    dao.log->clear();
    access.UserName = "alice";
    access.setWorkspaceOpen(true);
    EXPECT_TRUE(access.WorkspaceOpen());
    EXPECT_THAT(*dao.log, IsEmpty());
    EXPECT_EQ(access.GetCurrentUser(), "admin");
}

TEST_F(AccessTest, UnknownWorkspaceIsCreatedWithTheAccount)
{
    activate();
    dao.log->clear();
    access.UserName = "alice";
    access.Password = "s3cret";
    access.setWorkspaceOpen(true);
    EXPECT_TRUE(access.WorkspaceOpen());
    EXPECT_EQ(access.LastError, "");
    EXPECT_THAT(*dao.log, ElementsAre("Engine.createworkspace(\"#Default Workspace#\", \"alice\", "
                                      "\"s3cret\", 2)"));
    EXPECT_EQ(access.GetWorkspaceName(), "#Default Workspace#");
}

TEST_F(AccessTest, RefusedLoginKeepsTheWorkspaceClosed)
{
    dao.engine->fail("CreateWorkspace", "Not a valid account name or password.");
    activate();
    access.setWorkspaceOpen(true);
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_TRUE(access.Workspace.isNull());
    EXPECT_EQ(access.LastError, "Not a valid account name or password.");
    EXPECT_EQ(access.GetCurrentUser(), "Admin");
}

TEST_F(AccessTest, ClosingWorkspaceClosesDatabaseFirst)
{
    openDatabase();
    access.setWorkspaceOpen(false);
    EXPECT_THAT(*dao.log, ElementsAre("Database.close()", "Workspace.close()"));
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_TRUE(access.EngineActive());
}

// ---- database

TEST_F(AccessTest, DatabaseNeedsTheWorkspace)
{
    activate();
    access.LastError = "earlier";
    access.setDatabaseOpen(true);
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_EQ(access.LastError, "earlier");
}

TEST_F(AccessTest, DatabaseOpensWithNameAndFlagsAsBooleans)
{
    openWorkspace();
    dao.log->clear();
    access.DatabaseName = "/data/north.mdb";
    access.Exclusive = true;
    access.ReadOnly = false;
    access.setDatabaseOpen(true);
    EXPECT_THAT(*dao.log,
                ElementsAre("Workspace.opendatabase(\"/data/north.mdb\", True, False)"));
    EXPECT_TRUE(access.DatabaseOpen());
    EXPECT_EQ(access.GetDatabase().object(), dao.database);
    EXPECT_EQ(access.GetDatabaseName(), "/data/north.mdb");
    EXPECT_EQ(access.GetDatabaseVersion(), "4.0");
}

TEST_F(AccessTest, FailingOpenLeavesWorkspaceOpen)
{
    dao.workspace->fail("OpenDatabase", "Could not find file '/data/gone.mdb'.");
    openWorkspace();
    access.setDatabaseOpen(true);
    EXPECT_TRUE(access.WorkspaceOpen());
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_TRUE(access.Database.isNull());
    EXPECT_EQ(access.LastError, "Could not find file '/data/gone.mdb'.");
}

TEST_F(AccessTest, OpenGivingNoObjectLeavesDatabaseClosed)
{
    dao.workspace->on("OpenDatabase", [](const automation::Args &) { return Variant(42); });
    openWorkspace();
    access.setDatabaseOpen(true);
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_EQ(access.GetDatabaseName(), "");
}

// ---- LastError belongs to the guarded steps

struct GuardedStepCase {
    const char *name;
    bool openDatabaseFirst;
    std::function<void(FakeDao &)> breakEngine; // null: the step succeeds
    std::function<void(engine::TMSAccess &)> step;
    const char *lastError;
};

class GuardedStepTest : public AccessTest, public testing::WithParamInterface<GuardedStepCase> {};

TEST_P(GuardedStepTest, ClearsLastErrorAndStoresTheEngineMessage)
{
    dao.queryDefs->items.push_back(makeObject("QueryDef", dao.log, "Orders"));
    if (GetParam().openDatabaseFirst)
        openDatabase();
    if (GetParam().breakEngine)
        GetParam().breakEngine(dao);
    access.LastError = "earlier";
    EXPECT_NO_THROW(GetParam().step(access));
    EXPECT_EQ(access.LastError, GetParam().lastError);
}

const auto activateEngine = [](engine::TMSAccess &a) { a.setEngineActive(true); };
const auto openTheWorkspace = [](engine::TMSAccess &a) {
    a.setEngineActive(true);
    a.setWorkspaceOpen(true);
};
const auto reopenDatabase = [](engine::TMSAccess &a) {
    a.setDatabaseOpen(false);
    a.setDatabaseOpen(true);
};
const auto firstQueryDef = [](engine::TMSAccess &a) { EXPECT_TRUE(a.GetQueryDef(0).isObject()); };
const auto secondQueryDef = [](engine::TMSAccess &a) { EXPECT_TRUE(a.GetQueryDef(1).isNull()); };

INSTANTIATE_TEST_SUITE_P(
    Steps, GuardedStepTest,
    testing::Values(
        GuardedStepCase{"EngineSucceeds", false, nullptr, activateEngine, ""},
        GuardedStepCase{"EngineFails", false,
                        [](FakeDao &d) { d.engine->fail("DefaultType", "Engine is broken."); },
                        activateEngine, "Engine is broken."},
        GuardedStepCase{"WorkspaceSucceeds", false, nullptr, openTheWorkspace, ""},
        GuardedStepCase{"WorkspaceFails", false,
                        [](FakeDao &d) { d.engine->fail("CreateWorkspace", "Login refused."); },
                        openTheWorkspace, "Login refused."},
        GuardedStepCase{"DatabaseSucceeds", true, nullptr, reopenDatabase, ""},
        GuardedStepCase{"DatabaseFails", true,
                        [](FakeDao &d) { d.workspace->fail("OpenDatabase", "File is locked."); },
                        reopenDatabase, "File is locked."},
        GuardedStepCase{"QueryDefSucceeds", true, nullptr, firstQueryDef, ""},
        GuardedStepCase{"QueryDefFails", true, nullptr, secondQueryDef,
                        "Item not found in this collection."}),
    [](const auto &info) { return std::string(info.param.name); });

struct UnguardedCase {
    const char *name;
    std::function<void(FakeDao &)> breakEngine;
    std::function<void(engine::TMSAccess &)> operation;
};

class UnguardedOperationTest : public AccessTest,
                               public testing::WithParamInterface<UnguardedCase> {};

TEST_P(UnguardedOperationTest, PropagatesAndLeavesLastError)
{
    GetParam().breakEngine(dao);
    openDatabase();
    access.LastError = "earlier";
    EXPECT_THROW(GetParam().operation(access), automation::Error);
    EXPECT_EQ(access.LastError, "earlier");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, UnguardedOperationTest,
    testing::Values(
        UnguardedCase{"EngineVersion", [](FakeDao &d) { d.engine->fail("Version", "No."); },
                      [](engine::TMSAccess &a) { a.GetEngineVersion(); }},
        UnguardedCase{"TableDefByName", [](FakeDao &) {},
                      [](engine::TMSAccess &a) { a.GetTableDefByName("Missing"); }},
        UnguardedCase{"Compact", [](FakeDao &d) { d.engine->fail("CompactDatabase", "No."); },
                      [](engine::TMSAccess &a) { a.CompactDatabase("a.mdb", "b.mdb"); }},
        UnguardedCase{"CreateUser", [](FakeDao &d) { d.workspace->fail("CreateUser", "No."); },
                      [](engine::TMSAccess &a) { a.CreateUser("bob", "pid", "pw"); }},
        UnguardedCase{"CloseDatabase", [](FakeDao &d) { d.database->fail("Close", "No."); },
                      [](engine::TMSAccess &a) { a.setDatabaseOpen(false); }}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
