#include "AccountsTool.h"

#include "CliOptions.h"

#include "automation/Error.h"
#include "automation/Registry.h"
#include "automation/Text.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "platform/Folders.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace cli {

using automation::Variant;

namespace {

struct Right {
    const char *name;
    std::int32_t mask;
};

// The rights of the permissions page, under names a script can type.
const Right kObjectRights[] = {{"read-definition", 0x4}, {"change-definition", 0x1000C}, {"retrieve-data", 0x14},
                               {"insert-data", 0x20},     {"change-data", 0x40},          {"delete-data", 0x80},
                               {"administer", 0x40000}};
const Right kDatabaseRights[] = {{"create", 0x1}, {"open", 0x2}, {"exclusive", 0x4}, {"administer", 0x8}};
constexpr std::int32_t kFull = 0xFFFFF;

struct CommandShape {
    std::size_t least, most;
};

const std::map<std::string, CommandShape> kCommands = {
    {"create-workgroup", {3, 4}}, {"users", {0, 0}},         {"groups", {0, 0}},         {"add-user", {2, 3}},
    {"add-group", {2, 2}},        {"delete-user", {1, 1}},   {"delete-group", {1, 1}},   {"add-member", {2, 2}},
    {"remove-member", {2, 2}},    {"password", {3, 3}},      {"show-permission", {3, 4}}, {"set-permission", {5, 5}},
    {"set-owner", {4, 4}},
};

class Failure : public std::runtime_error {
public:
    Failure(const std::string &message, int status) : std::runtime_error(message), status(status) {}
    int status;
};

std::string join(const std::vector<std::string> &items)
{
    std::string out;
    for (const std::string &item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

void printMask(const std::string &account, std::int32_t mask, bool database)
{
    std::printf("%s\t0x%08X\t%s\n", account.c_str(), static_cast<unsigned>(mask), maskNames(mask, database).c_str());
}

// One command on an open workspace (and, for permissions, an open database).
class Session {
public:
    explicit Session(engine::TMSAccess &access) : access_(access) {}

    void run(const std::string &command, const std::vector<std::string> &a)
    {
        if (command == "users")
            listUsers();
        else if (command == "groups")
            listGroups();
        else if (command == "add-user")
            access_.CreateUser(a[0], a[1], a.size() > 2 ? a[2] : std::string());
        else if (command == "add-group")
            access_.CreateGroup(a[0], a[1]);
        else if (command == "delete-user")
            access_.DeleteUser(a[0]);
        else if (command == "delete-group")
            access_.DeleteGroup(a[0]);
        else if (command == "add-member") {
            if (!access_.AddUserToGroup(a[0], a[1]))
                throw Failure("there is no group named '" + a[1] + "'", 1);
        } else if (command == "remove-member") {
            requireExactGroup(a[1]);
            access_.RemoveUserFromGroup(a[0], a[1]);
        } else if (command == "password") {
            if (!access_.ChangePassword(a[0], a[1], a[2]))
                throw Failure("there is no user named '" + a[0] + "'", 1);
        } else if (command == "show-permission") {
            showPermission(a);
        } else if (command == "set-permission") {
            setPermission(a);
        } else if (command == "set-owner") {
            document(a).put("Owner", a[3]);
        }
    }

private:
    void listUsers()
    {
        for (std::int32_t i = 0; i < access_.UserCount(); ++i) {
            const std::string name = access_.GetUserName(i);
            std::vector<std::string> groups;
            access_.GetUserGroups(name, groups);
            std::printf("%s\t%s\n", name.c_str(), join(groups).c_str());
        }
    }

    void listGroups()
    {
        for (std::int32_t i = 0; i < access_.GroupCount(); ++i) {
            const std::string name = access_.GetGroupName(i);
            const Variant members = access_.Workspace.get("Groups").item(name).get("Users");
            std::vector<std::string> names;
            for (std::int32_t j = 0; j < members.get("Count").toInt(); ++j)
                names.push_back(members.item(j).get("Name").toText());
            std::printf("%s\t%s\n", name.c_str(), join(names).c_str());
        }
    }

    // The access object removes a member only from a group named exactly so; a script is told
    // when nothing matched instead of being left to guess.
    void requireExactGroup(const std::string &group)
    {
        for (std::int32_t i = 0; i < access_.GroupCount(); ++i)
            if (access_.GetGroupName(i) == group)
                return;
        throw Failure("there is no group named exactly '" + group + "'", 1);
    }

    Variant document(const std::vector<std::string> &a)
    {
        access_.DatabaseName = a[0];
        access_.setDatabaseOpen(true);
        if (!access_.DatabaseOpen())
            throw Failure(access_.LastError, 2);
        return access_.GetContainerByName(a[1]).get("Documents").item(a[2]);
    }

    void showPermission(const std::vector<std::string> &a)
    {
        Variant doc = document(a);
        const bool database = a[1] == "Databases";
        if (a.size() > 3) {
            doc.put("UserName", a[3]);
            printMask(a[3], doc.get("Permissions").toInt(), database);
            return;
        }
        std::printf("Owner\t%s\n", doc.get("Owner").toText().c_str());
        std::vector<std::string> accounts;
        for (std::int32_t i = 0; i < access_.UserCount(); ++i)
            accounts.push_back(access_.GetUserName(i));
        for (std::int32_t i = 0; i < access_.GroupCount(); ++i)
            accounts.push_back(access_.GetGroupName(i));
        for (const std::string &account : accounts) {
            doc.put("UserName", account);
            printMask(account, doc.get("Permissions").toInt(), database);
        }
    }

    void setPermission(const std::vector<std::string> &a)
    {
        const bool database = a[1] == "Databases";
        const auto mask = parseMask(a[4], database);
        if (!mask)
            throw Failure("'" + a[4] + "' is neither a number nor a list of rights", 2);
        Variant doc = document(a);
        doc.put("UserName", a[3]);
        doc.put("Permissions", *mask);
    }

    engine::TMSAccess &access_;
};

int fail(const std::string &message, int status)
{
    std::fprintf(stderr, "jetwarden-accounts: %s\n", message.c_str());
    return status;
}

int createWorkgroup(const std::vector<std::string> &a)
{
    dbengine::registerEngine();
    Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    const std::string id = engine.call("CreateWorkgroup", {a[0], a[1], a[2], a.size() > 3 ? a[3] : std::string()}).toText();
    std::printf("Workgroup ID: %s\n", id.c_str());
    return 0;
}

} // namespace

std::string accountsUsage()
{
    return "usage: jetwarden-accounts [--system-db PATH] [--user NAME] [--password PW | --password-file FILE]\n"
           "                          COMMAND [ARGUMENTS]\n"
           "       jetwarden-accounts --help | --version\n"
           "Commands:\n"
           "  create-workgroup PATH NAME ORGANISATION [WORKGROUP-ID]\n"
           "  users                                  each user with its groups\n"
           "  groups                                 each group with its members\n"
           "  add-user NAME PID [PASSWORD]\n"
           "  add-group NAME PID\n"
           "  delete-user NAME\n"
           "  delete-group NAME\n"
           "  add-member USER GROUP\n"
           "  remove-member USER GROUP\n"
           "  password USER OLD-PASSWORD NEW-PASSWORD\n"
           "  show-permission DATABASE CONTAINER DOCUMENT [ACCOUNT]\n"
           "  set-permission DATABASE CONTAINER DOCUMENT ACCOUNT MASK\n"
           "  set-owner DATABASE CONTAINER DOCUMENT ACCOUNT\n"
           "MASK is a number (0x14) or rights separated by commas: read-definition,\n"
           "change-definition, retrieve-data, insert-data, change-data, delete-data,\n"
           "administer; on the Databases container create, open, exclusive, administer;\n"
           "also full and none. The account is Admin without a password unless given;\n"
           "the password is read from --password-file FILE (its first line) or from the\n"
           "environment variable JETWARDEN_PASSWORD when --password is not given.\n"
           "Exit status: 0 done, 1 the engine refused, 2 wrong arguments or no login.\n";
}

bool parseAccountsOptions(int argc, char **argv, AccountsOptions &o, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &target) {
            if (i + 1 >= argc) {
                error = "missing value after " + a;
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (o.command.empty() && (a == "--help" || a == "-h"))
            return false;
        if (o.command.empty() && a == "--system-db") {
            if (!value(o.systemDb))
                return false;
        } else if (o.command.empty() && a == "--user") {
            if (!value(o.user))
                return false;
        } else if (o.command.empty() && a == "--password") {
            if (!value(o.password))
                return false;
            o.passwordGiven = true;
        } else if (o.command.empty() && a == "--password-file") {
            if (!value(o.passwordFile))
                return false;
        } else if (o.command.empty() && a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (o.command.empty()) {
            o.command = a;
        } else {
            o.arguments.push_back(a);
        }
    }
    if (o.command.empty()) {
        error = "no command given";
        return false;
    }
    const auto shape = kCommands.find(o.command);
    if (shape == kCommands.end()) {
        error = "unknown command " + o.command;
        return false;
    }
    if (o.arguments.size() < shape->second.least || o.arguments.size() > shape->second.most) {
        error = "wrong number of arguments for " + o.command;
        return false;
    }
    return resolvePassword(o.password, o.passwordGiven, o.passwordFile, error);
}

std::optional<std::int32_t> parseMask(const std::string &text, bool database)
{
    if (text.empty())
        return std::nullopt;
    char *end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 0);
    if (end && *end == '\0') {
        if (n < -2147483648LL || n > 0xFFFFFFFFLL)
            return std::nullopt;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
    }
    std::int32_t mask = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string word = automation::lowerAscii(text.substr(start, comma - start));
        bool known = false;
        if (word == "full") {
            mask |= kFull;
            known = true;
        } else if (word == "none") {
            known = true;
        } else {
            const auto check = [&](const Right &r) {
                if (word == r.name) {
                    mask |= r.mask;
                    known = true;
                }
            };
            if (database)
                for (const Right &r : kDatabaseRights)
                    check(r);
            else
                for (const Right &r : kObjectRights)
                    check(r);
        }
        if (!known)
            return std::nullopt;
        start = comma + 1;
    }
    return mask;
}

std::string maskNames(std::int32_t mask, bool database)
{
    if ((mask & kFull) == kFull)
        return "full";
    std::vector<std::string> names;
    const auto add = [&](const Right &r) {
        if ((mask & r.mask) == r.mask)
            names.push_back(r.name);
    };
    if (database)
        for (const Right &r : kDatabaseRights)
            add(r);
    else
        for (const Right &r : kObjectRights)
            add(r);
    return names.empty() ? "none" : join(names);
}

int runAccounts(const AccountsOptions &o)
{
    try {
        if (o.command == "create-workgroup")
            return createWorkgroup(o.arguments);
    } catch (const automation::Error &e) {
        return fail(e.what(), 1);
    }
    // A workgroup file that was named must exist: the access object would otherwise fall back
    // to another one without a word.
    if (!o.systemDb.empty() && !platform::fileExists(o.systemDb))
        return fail("the workgroup information file '" + o.systemDb + "' " + platform::notAFileReason(o.systemDb), 2);
    dbengine::registerEngine();
    engine::TMSAccess access;
    access.setDAOType(2);
    access.SystemDB = o.systemDb;
    access.setEngineActive(true);
    if (!access.EngineActive())
        return fail(access.LastError.empty() ? "the database engine is not available" : access.LastError, 2);
    access.UserName = o.user;
    access.Password = o.password;
    access.setWorkspaceOpen(true);
    if (!access.WorkspaceOpen())
        return fail(access.LastError, 2);
    int status = 0;
    try {
        Session(access).run(o.command, o.arguments);
    } catch (const Failure &f) {
        status = fail(f.what(), f.status);
    } catch (const automation::Error &e) {
        status = fail(e.what(), 1);
    }
    access.setEngineActive(false);
    return status;
}

} // namespace cli
