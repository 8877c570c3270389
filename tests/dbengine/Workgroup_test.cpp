// Workgroup information files, logging in, and the account rules, on real files.

#include "WorkgroupFixture.h"

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

using automation::Variant;
namespace err = dbengine::err;

namespace {

TEST_F(WorkgroupTest, ANewWorkgroupHoldsAdminInAdminsAndUsers)
{
    EXPECT_EQ(names(admin.get("Users")), std::vector<std::string>{"Admin"});
    EXPECT_EQ(names(admin.get("Groups")), (std::vector<std::string>{"Admins", "Users"}));
    EXPECT_EQ(names(admin.get("Users").item("admin").get("Groups")), (std::vector<std::string>{"Admins", "Users"}));
    EXPECT_EQ(names(admin.get("Groups").item("Admins").get("Users")), std::vector<std::string>{"Admin"});
    // The file is an SQLite file the engine recognises by its marker table.
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(mdw.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT Name, Organization FROM MSysWorkgroup", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), "Team");
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)), "Velmora");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST_F(WorkgroupTest, CreatingAWorkgroupNeverReplacesAFileAndChecksItsId)
{
    writeAll(dir.file("taken.mdw"), "keep me");
    const struct {
        const char *file, *id;
        int code;
    } cases[] = {{"taken.mdw", "abcd", err::DestinationExists},
                 {"short.mdw", "abc", err::InvalidArgument},
                 {"long.mdw", "abcdefghijklmnopqrstu", err::InvalidArgument},
                 {"control.mdw", "abcd\tefg", err::InvalidArgument},
                 {"", "abcd", err::InvalidArgument}};
    for (const auto &c : cases) {
        const std::string path = *c.file ? dir.file(c.file) : std::string();
        EXPECT_EQ(errorCode([&] { engine.call("CreateWorkgroup", {path, "N", "O", c.id}); }), c.code) << c.file;
    }
    EXPECT_EQ(readAll(dir.file("taken.mdw")), "keep me");
    for (const char *file : {"short.mdw", "long.mdw", "control.mdw"})
        EXPECT_FALSE(std::filesystem::exists(dir.file(file))) << file;
}

TEST_F(WorkgroupTest, WithoutAnIdTheWorkgroupGetsARandomOne)
{
    const std::string a = engine.call("CreateWorkgroup", {dir.file("a.mdw"), "N", "O"}).toText();
    const std::string b = engine.call("CreateWorkgroup", {dir.file("b.mdw"), "N", "O", ""}).toText();
    EXPECT_EQ(a.size(), 20u);
    EXPECT_NE(a, b);
}

// The Admins of another workgroup are not administrators here: the group's SID comes from the
// workgroup's name, organisation and ID, so a workgroup made again with the same three is the same.
TEST_F(WorkgroupTest, AdminsIsTiedToTheWorkgroupId)
{
    Variant db = admin.call("CreateDatabase", {dir.file("a.mdb")});
    db.call("Execute", {"CREATE TABLE t (x)"});
    Variant doc = db.get("Containers").item("Tables").get("Documents").item("t");
    doc.put("UserName", "Admins");
    doc.put("Permissions", 0x14);
    db.call("Close");
    const struct {
        const char *id;
        int mask;
    } cases[] = {{"team-0001", 0x14}, {"team-0002", 0}};
    for (const auto &c : cases) {
        const std::string other = dir.file(std::string(c.id) + ".mdw");
        engine.call("CreateWorkgroup", {other, "Team", "Velmora", c.id});
        engine.put("SystemDB", other);
        Variant again = login("Admin").call("OpenDatabase", {dir.file("a.mdb")});
        Variant t = again.get("Containers").item("Tables").get("Documents").item("t");
        t.put("UserName", "Admins");
        EXPECT_EQ(t.get("Permissions").toInt(), c.mask) << c.id;
        again.call("Close");
    }
}

TEST_F(WorkgroupTest, LoginNeedsAKnownUserAndItsPassword)
{
    addUser("ann", "ann-pid", "secret");
    addGroup("Clerks", "clerks-pid");
    const struct {
        const char *user, *password;
        bool accepted;
    } cases[] = {{"Admin", "", true},       {"ADMIN", "", true},         {"Admin", "x", false},
                 {"ann", "secret", true},   {"ANN", "secret", true},     {"ann", "Secret", false},
                 {"ann", "", false},        {"nobody", "", false},       {"nobody", "secret", false},
                 {"Clerks", "", false},     {"Users", "", false},        {"", "", false}};
    for (const auto &c : cases) {
        const std::string text = errorText([&] { login(c.user, c.password); });
        EXPECT_EQ(text, c.accepted ? "" : "Not a valid account name or password.") << c.user << "/" << c.password;
    }
    EXPECT_EQ(errorCode([&] { login("nobody"); }), err::AccountRefused);
}

TEST_F(WorkgroupTest, AWorkgroupFileThatCannotBeUsedIsAClearErrorAndStaysAsItWas)
{
    writeAll(dir.file("text.mdw"), "just some text, not a workgroup");
    writeAll(dir.file("empty.mdw"), "");
    {
        sqlite3 *db = nullptr;
        sqlite3_open(dir.file("plain.mdw").c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE t (x); INSERT INTO t VALUES (1)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const std::string whole = readAll(mdw);
    writeAll(dir.file("truncated.mdw"), whole.substr(0, whole.size() - 512));
    // A page of the accounts overwritten with rubbish.
    std::string damaged = whole;
    for (std::size_t i = damaged.size() - 4096 + 8; i < damaged.size(); ++i)
        damaged[i] = char(0xA5);
    writeAll(dir.file("damaged.mdw"), damaged);
    {
        std::filesystem::copy_file(mdw, dir.file("noadmins.mdw"));
        sqlite3 *db = nullptr;
        sqlite3_open(dir.file("noadmins.mdw").c_str(), &db);
        sqlite3_exec(db, "DELETE FROM MSysAccounts WHERE Name = 'Admins'", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    std::filesystem::create_directory(dir.file("folder.mdw"));
    const struct {
        const char *file, *says;
    } cases[] = {
        {"missing.mdw", "does not exist"},           {"text.mdw", "is not a workgroup information file"},
        {"empty.mdw", "is not a workgroup information file"}, {"plain.mdw", "is not a workgroup information file"},
        {"folder.mdw", "is not a workgroup information file"}, {"truncated.mdw", "is damaged or truncated"},
        {"damaged.mdw", "is damaged"},              {"noadmins.mdw", "is damaged"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir.file(c.file);
        const std::string before = std::filesystem::is_regular_file(path) ? readAll(path) : "";
        engine.put("SystemDB", path);
        EXPECT_EQ(errorCode([&] { login("Admin"); }), err::WorkgroupUnusable);
        const std::string text = errorText([&] { login("Admin"); });
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
        if (std::filesystem::is_regular_file(path)) {
            EXPECT_EQ(readAll(path), before);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdw")));
    // Without a system database the built-in workgroup is used again.
    engine.put("SystemDB", "");
    EXPECT_EQ(names(login("Admin").get("Users")), std::vector<std::string>{"Admin"});
}

TEST_F(WorkgroupTest, AccountsAreCreatedJoinedAndListed)
{
    addGroup("Clerks", "clerks-pid");
    addUser("ann", "ann-pid", "", {"Clerks"});
    addUser("bob", "bob-pid");
    // The other way round: a group appended to the user's groups.
    Variant bob = admin.get("Users").item("BOB");
    bob.get("Groups").call("Append", {bob.call("CreateGroup", {"clerks"})});
    EXPECT_EQ(names(admin.get("Users")), (std::vector<std::string>{"Admin", "ann", "bob"}));
    EXPECT_EQ(names(admin.get("Groups")), (std::vector<std::string>{"Admins", "Clerks", "Users"}));
    EXPECT_EQ(names(admin.get("Groups").item("Clerks").get("Users")), (std::vector<std::string>{"ann", "bob"}));
    EXPECT_EQ(names(admin.get("Users").item("ann").get("Groups")), (std::vector<std::string>{"Clerks", "Users"}));
    admin.get("Groups").item("Clerks").get("Users").call("Delete", {"ANN"});
    admin.get("Users").item("bob").get("Groups").call("Delete", {"Clerks"});
    EXPECT_EQ(names(admin.get("Groups").item("Clerks").get("Users")), std::vector<std::string>{});
    admin.get("Users").call("Delete", {"bob"});
    admin.get("Groups").call("Delete", {"clerks"});
    EXPECT_EQ(names(admin.get("Users")), (std::vector<std::string>{"Admin", "ann"}));
    EXPECT_EQ(names(admin.get("Groups")), (std::vector<std::string>{"Admins", "Users"}));
    // Another workspace on the same file sees the accounts at once.
    EXPECT_EQ(names(login("ann").get("Users")), (std::vector<std::string>{"Admin", "ann"}));
}

TEST_F(WorkgroupTest, BrokenRulesAreClearErrorsThatChangeNoFile)
{
    addGroup("Clerks", "clerks-pid");
    addUser("ann", "ann-pid", "", {"Clerks"});
    Variant users = admin.get("Users");
    Variant groups = admin.get("Groups");
    const auto newUser = [&](const char *name, const char *pid, const char *password = "") {
        users.call("Append", {admin.call("CreateUser", {name, pid, password})});
    };
    const auto leave = [&](const char *group, const char *user) { groups.item(group).get("Users").call("Delete", {user}); };
    const struct {
        const char *label;
        std::function<void()> change;
        int code;
    } cases[] = {
        {"user named like a user", [&] { newUser("ANN", "other-pid"); }, err::NameInUse},
        {"user named like a group", [&] { newUser("clerks", "other-pid"); }, err::NameInUse},
        {"group named like a user", [&] { groups.call("Append", {admin.call("CreateGroup", {"Ann", "pid-1"})}); }, err::NameInUse},
        {"PID of 3", [&] { newUser("bob", "abc"); }, err::InvalidPid},
        {"PID of 21", [&] { newUser("bob", "abcdefghijklmnopqrstu"); }, err::InvalidPid},
        {"name of 21", [&] { newUser("abcdefghijklmnopqrstu", "bob-pid"); }, err::InvalidAccountName},
        {"name with a tab", [&] { newUser("bo\tb", "bob-pid"); }, err::InvalidAccountName},
        {"name with a line feed", [&] { newUser("bob\n", "bob-pid"); }, err::InvalidAccountName},
        {"name with a bracket", [&] { newUser("bob]", "bob-pid"); }, err::InvalidAccountName},
        {"password of 15", [&] { newUser("bob", "bob-pid", "abcdefghijklmno"); }, err::InvalidPassword},
        {"delete Admin", [&] { users.call("Delete", {"admin"}); }, err::AccountProtected},
        {"delete Admins", [&] { groups.call("Delete", {"Admins"}); }, err::AccountProtected},
        {"delete Users", [&] { groups.call("Delete", {"users"}); }, err::AccountProtected},
        {"delete nobody", [&] { users.call("Delete", {"nobody"}); }, err::ItemNotFound},
        {"delete a group as a user", [&] { users.call("Delete", {"Clerks"}); }, err::ItemNotFound},
        {"last member leaves Admins", [&] { leave("Admins", "Admin"); }, err::AccountProtected},
        {"a user leaves Users", [&] { leave("Users", "ann"); }, err::AccountProtected},
        {"leave a group not joined", [&] { leave("Admins", "ann"); }, err::ItemNotFound},
        {"join twice", [&] { groups.item("Clerks").get("Users").call("Append", {groups.item("Clerks").call("CreateUser", {"ann"})}); }, err::NameInUse},
        {"join as nobody", [&] { groups.item("Clerks").get("Users").call("Append", {groups.item("Clerks").call("CreateUser", {"nobody"})}); }, err::ItemNotFound},
        {"wrong old password", [&] { users.item("ann").call("NewPassword", {"guess", "new"}); }, err::InvalidPassword},
        {"new password of 15", [&] { users.item("ann").call("NewPassword", {"", "abcdefghijklmno"}); }, err::InvalidPassword},
        {"append a group to Users", [&] { users.call("Append", {admin.call("CreateGroup", {"G", "g-pid"})}); }, err::InvalidArgument},
    };
    for (const auto &c : cases) {
        const std::string before = readAll(mdw);
        EXPECT_EQ(errorCode(c.change), c.code) << c.label;
        EXPECT_EQ(readAll(mdw), before) << c.label;
    }
}

TEST_F(WorkgroupTest, TheLastAdministratorCannotBeDeletedNorLeave)
{
    addUser("boss", "boss-pid", "", {"Admins"});
    admin.get("Groups").item("Admins").get("Users").call("Delete", {"Admin"});
    // Admin, no longer in Admins, may not change accounts any more.
    EXPECT_EQ(errorCode([&] { addGroup("G", "g-pid"); }), err::PermissionDenied);
    Variant boss = login("boss");
    Variant admins = boss.get("Groups").item("Admins");
    EXPECT_EQ(errorCode([&] { boss.get("Users").call("Delete", {"boss"}); }), err::AccountProtected);
    EXPECT_EQ(errorCode([&] { admins.get("Users").call("Delete", {"boss"}); }), err::AccountProtected);
    admins.get("Users").call("Append", {admins.call("CreateUser", {"Admin"})});
    admins.get("Users").call("Delete", {"boss"});
    EXPECT_EQ(names(admin.get("Groups").item("Admins").get("Users")), std::vector<std::string>{"Admin"});
}

TEST_F(WorkgroupTest, OnlyAdminsChangeAccountsButEveryUserItsOwnPassword)
{
    addUser("ann", "ann-pid");
    addUser("bob", "bob-pid");
    Variant ann = login("ann");
    const std::string before = readAll(mdw);
    EXPECT_EQ(errorCode([&] { ann.get("Users").call("Append", {ann.call("CreateUser", {"eve", "eve-pid"})}); }),
              err::PermissionDenied);
    EXPECT_EQ(errorCode([&] { ann.get("Groups").item("Admins").get("Users").call("Append", {ann.get("Groups").item("Admins").call("CreateUser", {"ann"})}); }),
              err::PermissionDenied);
    EXPECT_EQ(errorCode([&] { ann.get("Users").call("Delete", {"bob"}); }), err::PermissionDenied);
    EXPECT_EQ(errorCode([&] { ann.get("Users").item("bob").call("NewPassword", {"", "x"}); }), err::PermissionDenied);
    EXPECT_EQ(readAll(mdw), before);
    ann.get("Users").item("ann").call("NewPassword", {"", "mine"});
    EXPECT_EQ(errorCode([&] { login("ann", "mine"); }), 0);
}

TEST_F(WorkgroupTest, PasswordChangeRoundTrip)
{
    addUser("ann", "ann-pid", "first");
    admin.get("Users").item("ann").call("NewPassword", {"first", "second"});
    EXPECT_EQ(errorCode([&] { login("ann", "first"); }), err::AccountRefused);
    Variant ann = login("ann", "second");
    ann.get("Users").item("ann").call("NewPassword", {"second", ""});
    EXPECT_EQ(errorCode([&] { login("ann", "second"); }), err::AccountRefused);
    EXPECT_EQ(errorCode([&] { login("ann", ""); }), 0);
    const std::string message = errorText([&] { ann.get("Users").item("ann").call("NewPassword", {"second", "third"}); });
    EXPECT_EQ(message, "The old password of 'ann' is not right.");
}

TEST_F(WorkgroupTest, AccountChangesReadMembershipAfresh)
{
    addUser("ann", "ann-pid");
    Variant ann = login("ann");
    EXPECT_EQ(names(ann.get("Users").item("ann").get("Groups")), std::vector<std::string>{"Users"});
    admin.get("Groups").item("Admins").get("Users").call("Append", {admin.get("Groups").item("Admins").call("CreateUser", {"ann"})});
    ann.get("Groups").call("Append", {ann.call("CreateGroup", {"Clerks", "clerks-pid"})});
    EXPECT_EQ(names(admin.get("Groups")), (std::vector<std::string>{"Admins", "Clerks", "Users"}));
}

TEST_F(WorkgroupTest, AReadOnlyWorkgroupFileLogsInButRefusesChanges)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write every file";
    std::filesystem::permissions(mdw, std::filesystem::perms::owner_read);
    Variant ws = login("Admin");
    EXPECT_EQ(errorCode([&] { ws.get("Groups").call("Append", {ws.call("CreateGroup", {"G", "g-pid"})}); }),
              err::ReadOnlyFile);
}

TEST_F(WorkgroupTest, TheBuiltInWorkgroupNamesTheFix)
{
    engine.put("SystemDB", "");
    Variant ws = login("admin");
    const std::string text = errorText([&] { ws.call("CreateGroup", {"G", "g-pid"}); });
    EXPECT_NE(text.find("workgroup information file"), std::string::npos) << text;
    EXPECT_EQ(errorCode([&] { ws.get("Users").call("Delete", {"Admin"}); }), err::AccountsUnavailable);
    EXPECT_EQ(errorCode([&] { ws.get("Users").item("Admin").call("NewPassword", {"", "x"}); }), err::AccountsUnavailable);
}

} // namespace
