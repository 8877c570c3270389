#include "AccessFixture.h"

#include "automation/Error.h"

#include <gmock/gmock.h>

#include <functional>

using namespace fakes;
using automation::Variant;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// ---- catalogue

TEST_F(AccessTest, CatalogueReachesItemsByIndexAndName)
{
    dao.tableDefs->items = {makeObject("TableDef", dao.log, "Customers"),
                            makeObject("TableDef", dao.log, "Orders")};
    dao.relations->items = {makeObject("Relation", dao.log, "CustomersOrders")};
    dao.addContainer("Tables", {"Customers"});
    openDatabase();
    EXPECT_EQ(access.TableDefCount(), 2);
    EXPECT_EQ(access.GetTableDef(1).get("Name").toText(), "Orders");
    EXPECT_EQ(access.GetTableDefByName("customers").get("Name").toText(), "Customers");
    EXPECT_EQ(access.RelationCount(), 1);
    EXPECT_EQ(access.GetRelationByName("CustomersOrders").object(), dao.relations->items[0].object());
    EXPECT_EQ(access.GetContainer(0).get("Name").toText(), "Tables");
    EXPECT_EQ(access.QueryDefCount(), 0);
    EXPECT_THROW(access.GetTableDef(2), automation::Error);
}

TEST_F(AccessTest, FindDocumentMatchesExactNameAcrossContainers)
{
    dao.addContainer("Tables", {"Customers", "Orders"});
    auto forms = dao.addContainer("Forms", {"orders", "Invoice"});
    openDatabase();
    const struct {
        const char *name;
        const char *container; // "" when nothing is found
    } cases[] = {{"Orders", "Tables"}, {"orders", "Forms"}, {"Invoice", "Forms"},
                 {"INVOICE", ""},      {"Missing", ""}};
    for (const auto &c : cases) {
        const Variant found = access.FindDocument(c.name);
        if (*c.container == '\0') {
            EXPECT_TRUE(found.isEmpty()) << c.name;
            continue;
        }
        ASSERT_TRUE(found.isObject()) << c.name;
        EXPECT_EQ(found.get("Name").toText(), c.name);
        const Variant container = access.GetContainerByName(c.container);
        EXPECT_EQ(container.get("Documents").item(std::string(c.name)).object(), found.object())
            << c.name;
    }
}

TEST_F(AccessTest, OpenRecordsetAsksForASnapshotOnlyWhileOpen)
{
    openDatabase();
    EXPECT_TRUE(access.OpenRecordset("select * from t").isObject());
    EXPECT_THAT(*dao.log, ElementsAre("Database.openrecordset(\"select * from t\", 2, 2)"));
    access.setDatabaseOpen(false);
    dao.log->clear();
    EXPECT_TRUE(access.OpenRecordset("select * from t").isEmpty());
    EXPECT_THAT(*dao.log, IsEmpty());
}

// ---- maintenance

struct MaintenanceCase {
    const char *name;
    std::function<void(engine::TMSAccess &)> operation;
    const char *engineCall;
};

class MaintenanceTest : public AccessTest, public testing::WithParamInterface<MaintenanceCase> {};

TEST_P(MaintenanceTest, CallsTheEngineOnceWithTheseArguments)
{
    activate();
    dao.log->clear();
    GetParam().operation(access);
    EXPECT_THAT(*dao.log, ElementsAre(GetParam().engineCall));
}

TEST_P(MaintenanceTest, DoesNothingWhileInactive)
{
    EXPECT_NO_THROW(GetParam().operation(access));
    EXPECT_THAT(*dao.log, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Operations, MaintenanceTest,
    testing::Values(
        MaintenanceCase{"Compact", [](auto &a) { a.CompactDatabase("/d/a.mdb", "/d/b.mdb"); },
                        "Engine.compactdatabase(\"/d/a.mdb\", \"/d/b.mdb\")"},
        MaintenanceCase{"Repair", [](auto &a) { a.RepairDatabase("/d/a.mdb"); },
                        "Engine.repairdatabase(\"/d/a.mdb\")"},
        MaintenanceCase{"Encrypt", [](auto &a) { a.EncryptDatabase("/d/a.mdb", "/d/b.mdb", "Key"); },
                        "Engine.compactdatabase(\"/d/a.mdb\", \"/d/b.mdb\", 2, \";pwd=Key\")"},
        MaintenanceCase{"EncryptEmptyPassword",
                        [](auto &a) { a.EncryptDatabase("/d/a.mdb", "/d/b.mdb", ""); },
                        "Engine.compactdatabase(\"/d/a.mdb\", \"/d/b.mdb\", 2, \";pwd=\")"},
        MaintenanceCase{"DecryptPasswordAsTyped",
                        [](auto &a) { a.DecryptDatabase("/d/a.mdb", "/d/b.mdb", " a;B c "); },
                        "Engine.compactdatabase(\"/d/a.mdb\", \"/d/b.mdb\", 4, \";pwd= a;B c \")"}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- accounts

class AccountsTest : public AccessTest {
protected:
    void SetUp() override
    {
        AccessTest::SetUp();
        dao.addUser("admin", {"Admins", "Users"});
        dao.addUser("Alice", {"Users"});
        dao.addGroup("Admins");
        dao.addGroup("Users");
        openWorkspace();
        dao.log->clear();
    }
};

TEST_F(AccountsTest, NamesByIndexEndAtTheCount)
{
    EXPECT_EQ(access.UserCount(), 2);
    EXPECT_EQ(access.GetUserName(1), "Alice");
    EXPECT_EQ(access.GetUserName(access.UserCount()), "");
    EXPECT_EQ(access.GroupCount(), 2);
    EXPECT_EQ(access.GetGroupName(0), "Admins");
    EXPECT_EQ(access.GetGroupName(access.GroupCount()), "");
}

TEST_F(AccountsTest, UserGroupsMatchTheUserCaseBlind)
{
    const struct {
        const char *user;
        std::vector<std::string> groups;
    } cases[] = {{"admin", {"Admins", "Users"}}, {"ALICE", {"Users"}}, {"bob", {}}};
    for (const auto &c : cases) {
        std::vector<std::string> list = {"left over"};
        access.GetUserGroups(c.user, list);
        EXPECT_EQ(list, c.groups) << c.user;
    }
    EXPECT_THAT(*dao.log, ElementsAre("admin.Groups.refresh()", "Alice.Groups.refresh()"));
}

TEST_F(AccountsTest, CreateAppendsTheNewAccount)
{
    EXPECT_TRUE(access.CreateUser("bob", "pid-1", "pw"));
    EXPECT_TRUE(access.CreateGroup("Sales", "pid-2"));
    EXPECT_THAT(*dao.log, ElementsAre("Workspace.createuser(\"bob\", \"pid-1\", \"pw\")",
                                      "Users.append(<NewUser>)",
                                      "Workspace.creategroup(\"Sales\", \"pid-2\")",
                                      "Groups.append(<NewGroup>)"));
}

TEST_F(AccountsTest, DeleteByName)
{
    access.DeleteUser("Alice");
    access.DeleteGroup("Admins");
    EXPECT_THAT(*dao.log, ElementsAre("Users.delete(\"Alice\")", "Groups.delete(\"Admins\")"));
}

TEST_F(AccountsTest, AddToGroupMatchesTheGroupCaseBlind)
{
    EXPECT_TRUE(access.AddUserToGroup("Alice", "admins"));
    EXPECT_FALSE(access.AddUserToGroup("Alice", "Sales"));
    EXPECT_THAT(*dao.log,
                ElementsAre("Group.createuser(\"Alice\")", "Admins.Users.append(<Member>)"));
}

TEST_F(AccountsTest, RemoveFromGroupNeedsTheExactGroupName)
{
    access.RemoveUserFromGroup("Alice", "users");
    EXPECT_THAT(*dao.log, IsEmpty());
    access.RemoveUserFromGroup("Alice", "Users");
    EXPECT_THAT(*dao.log, ElementsAre("Users.Users.delete(\"Alice\")"));
}

TEST_F(AccountsTest, ChangePasswordMatchesTheUserCaseBlind)
{
    EXPECT_TRUE(access.ChangePassword("ALICE", "old", "new"));
    EXPECT_FALSE(access.ChangePassword("bob", "old", "new"));
    EXPECT_THAT(*dao.log, ElementsAre("User.newpassword(\"old\", \"new\")"));
}

TEST_F(AccountsTest, EngineRefusalReachesTheCaller)
{
    dao.workspace->fail("CreateGroup", "Account name already exists.");
    access.LastError = "";
    EXPECT_THROW(access.CreateGroup("Admins", "pid"), automation::Error);
    EXPECT_EQ(access.LastError, "");
}

TEST_F(AccountsTest, InactiveEngineAnswersDefaultsWithoutCalls)
{
    access.setEngineActive(false);
    dao.log->clear();
    std::vector<std::string> list = {"left over"};
    access.GetUserGroups("admin", list);
    EXPECT_THAT(list, IsEmpty());
    EXPECT_EQ(access.UserCount(), 0);
    EXPECT_EQ(access.GroupCount(), 0);
    EXPECT_EQ(access.GetUserName(0), "");
    EXPECT_EQ(access.GetGroupName(0), "");
    EXPECT_FALSE(access.CreateUser("bob", "pid", "pw"));
    EXPECT_FALSE(access.CreateGroup("Sales", "pid"));
    EXPECT_FALSE(access.AddUserToGroup("admin", "Users"));
    EXPECT_FALSE(access.ChangePassword("admin", "", "x"));
    access.DeleteUser("admin");
    access.DeleteGroup("Users");
    access.RemoveUserFromGroup("admin", "Users");
    EXPECT_THAT(*dao.log, IsEmpty());
}

} // namespace
