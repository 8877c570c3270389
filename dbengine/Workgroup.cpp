#include "Workgroup.h"

#include "AccountRules.h"
#include "DatabaseFile.h"
#include "ErrorCodes.h"
#include "Sqlite.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sodium.h>
#include <sqlite3.h>
#include <unistd.h>

namespace dbengine {

using automation::Error;

namespace {

constexpr int kFormatVersion = 1;
constexpr int kBusyTimeoutMs = 2000;
// "JWMW" in the header's application id, so that file(1) and other tools can tell the file.
constexpr int kApplicationId = 0x4A574D57;

// Verifying against this hash when a user is unknown takes as long as checking a real password,
// so the time taken does not tell an unknown user from a wrong password.
constexpr const char *kDummyHash =
    "$argon2id$v=19$m=65536,t=2,p=1$L6ldlLszxGHLuYhBT7EjBw$+YckTlB1tK1SBJI6ldeh3xN1gWtwx0Qs1s0T7mBrgIg";

const char *const kSchema =
    "CREATE TABLE MSysWorkgroup (Name TEXT NOT NULL, Organization TEXT NOT NULL, AdminsSID TEXT NOT NULL, "
    "FormatVersion INTEGER NOT NULL);"
    "CREATE TABLE MSysAccounts (SID TEXT PRIMARY KEY, Name TEXT NOT NULL UNIQUE COLLATE NOCASE, "
    "FGroup INTEGER NOT NULL CHECK (FGroup IN (0, 1)), Password TEXT) WITHOUT ROWID;"
    "CREATE TABLE MSysGroups (GroupSID TEXT NOT NULL, UserSID TEXT NOT NULL, "
    "PRIMARY KEY (GroupSID, UserSID)) WITHOUT ROWID;";

Error unusable(const std::string &message)
{
    return Error(message, err::WorkgroupUnusable, "DAO.DBEngine");
}

std::string fileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

void initSodium()
{
    if (sodium_init() < 0)
        throw Error("The password library cannot be initialised.", err::General, "DAO.Workspace");
}

// The Argon2id hash of a password; an empty password is stored as no hash at all.
std::optional<std::string> hashPassword(const std::string &password)
{
    if (password.empty())
        return std::nullopt;
    initSodium();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        throw Error("There is not enough memory to protect the password.", err::General, "DAO.Workspace");
    return std::string(out);
}

// Checks one password against the dummy hash or a stored one, counting how often.
std::atomic<std::uint64_t> verifications{0};
bool verify(const char *hash, const std::string &password)
{
    initSodium();
    ++verifications;
    return crypto_pwhash_str_verify(hash, password.data(), password.size()) == 0;
}

// A stored hash asks for no more than this version writes: Argon2id with the interactive
// limits. Anything else (a file edited to ask for gigabytes or hours) is damage, refused before
// it is tried.
bool hashWithinLimits(const std::string &hash)
{
    unsigned long long m = 0, t = 0, p = 0;
    int used = 0;
    if (std::sscanf(hash.c_str(), "$argon2id$v=19$m=%llu,t=%llu,p=%llu$%n", &m, &t, &p, &used) != 3 || used == 0)
        return false;
    return m <= crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024 && t <= crypto_pwhash_OPSLIMIT_INTERACTIVE && p == 1;
}

bool passwordMatches(const std::optional<std::string> &hash, const std::string &password,
                     const std::string &path)
{
    // An account without a password costs the same time as one with a password.
    if (!hash) {
        [[maybe_unused]] const bool ignored = verify(kDummyHash, password);
        return password.empty();
    }
    if (!hashWithinLimits(*hash))
        throw unusable("The workgroup information file '" + fileName(path)
                       + "' is damaged: a stored password has settings this version never writes.");
    return verify(hash->c_str(), password);
}

void insertAccount(Connection &c, const std::string &name, const sid::Sid &sid, bool group,
                   const std::optional<std::string> &hash)
{
    Statement st(c.handle(), "INSERT INTO MSysAccounts (SID, Name, FGroup, Password) VALUES (?, ?, ?, ?)");
    st.bind(1, sid);
    st.bind(2, name);
    st.bind(3, std::int64_t(group));
    if (hash)
        st.bind(4, *hash);
    else
        st.bindNull(4);
    st.step();
}

void insertMember(Connection &c, const sid::Sid &group, const sid::Sid &user)
{
    Statement st(c.handle(), "INSERT INTO MSysGroups (GroupSID, UserSID) VALUES (?, ?)");
    st.bind(1, group);
    st.bind(2, user);
    st.step();
}

// The tables and the three accounts every workgroup starts with.
void initialise(Connection &c, const std::string &name, const std::string &organisation, const sid::Sid &admins)
{
    c.exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    Transaction t(c);
    c.exec(kSchema);
    Statement info(c.handle(), "INSERT INTO MSysWorkgroup VALUES (?, ?, ?, ?)");
    info.bind(1, name);
    info.bind(2, organisation);
    info.bind(3, admins);
    info.bind(4, std::int64_t(kFormatVersion));
    info.step();
    insertAccount(c, "Admin", sid::admin(), false, std::nullopt);
    insertAccount(c, "Admins", admins, true, std::nullopt);
    insertAccount(c, "Users", sid::users(), true, std::nullopt);
    insertMember(c, admins, sid::admin());
    insertMember(c, sid::users(), sid::admin());
    t.commit();
}

std::string randomWorkgroupId()
{
    initSodium();
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string id;
    for (int i = 0; i < 20; ++i)
        id += alphabet[randombytes_uniform(sizeof alphabet - 1)];
    return id;
}

// The file checks of a database, reworded for a workgroup file.
void checkWorkgroupFile(const std::string &path)
{
    try {
        checkDatabaseFile(path, false);
    } catch (const Error &e) {
        switch (e.code()) {
        case err::FileNotFound:
            throw unusable("The workgroup information file '" + path
                           + "' does not exist; choose another one or create a new one.");
        case err::Damaged:
            throw unusable("The workgroup information file '" + fileName(path) + "' is damaged or truncated.");
        case err::IoError:
            throw unusable("The workgroup information file '" + fileName(path) + "' cannot be read: " + e.what());
        default:
            throw unusable("'" + fileName(path) + "' is not a workgroup information file.");
        }
    }
}

// Everything the engine relies on: the marker row, the tables with their columns, and the
// accounts that cannot be deleted.
sid::Sid checkContents(Connection &c, const std::string &path)
{
    Statement check(c.handle(), "PRAGMA quick_check");
    if (!check.step() || check.text(0) != "ok")
        throw unusable("The workgroup information file '" + fileName(path) + "' is damaged.");
    if (c.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'MSysWorkgroup'") == 0)
        throw unusable("'" + fileName(path) + "' is not a workgroup information file.");
    Statement info(c.handle(), "SELECT AdminsSID, FormatVersion FROM MSysWorkgroup");
    if (!info.step())
        throw unusable("The workgroup information file '" + fileName(path) + "' is damaged.");
    if (info.integer(1) > kFormatVersion)
        throw unusable("The workgroup information file '" + fileName(path)
                       + "' was made by a newer version of the program.");
    const sid::Sid admins = info.text(0);
    Statement accounts(c.handle(), "SELECT count(*) FROM MSysAccounts WHERE (SID = ? AND FGroup = 0) "
                                   "OR (SID IN (?, ?) AND FGroup = 1)");
    accounts.bind(1, sid::admin());
    accounts.bind(2, admins);
    accounts.bind(3, sid::users());
    Statement columns(c.handle(), "SELECT SID, Name, FGroup, Password FROM MSysAccounts LIMIT 0");
    Statement members(c.handle(), "SELECT GroupSID, UserSID FROM MSysGroups LIMIT 0");
    if (!accounts.step() || accounts.integer(0) != 3)
        throw unusable("The workgroup information file '" + fileName(path)
                       + "' is damaged: the user Admin or the group Admins or Users is missing.");
    return admins;
}

Account accountRow(const Statement &st)
{
    return Account{st.text(1), st.text(0), st.integer(2) != 0};
}

} // namespace

std::uint64_t passwordVerifications()
{
    return verifications.load();
}

bool Session::holds(const sid::Sid &sid) const
{
    return sid == userSid || std::find(groups.begin(), groups.end(), sid) != groups.end();
}

Workgroup::Workgroup(std::string path, std::unique_ptr<Connection> connection)
    : path_(std::move(path)), db_(std::move(connection))
{
}

Workgroup::~Workgroup() = default;

std::string Workgroup::create(const std::string &path, const std::string &name, const std::string &organisation,
                              std::string workgroupId)
{
    if (path.empty())
        throw Error("A workgroup information file needs a file name.", err::InvalidArgument, "DAO.DBEngine");
    rules::checkWorkgroupText(name, "name");
    rules::checkWorkgroupText(organisation, "organisation");
    if (workgroupId.empty())
        workgroupId = randomWorkgroupId();
    rules::checkWorkgroupId(workgroupId);
    // O_EXCL: an existing file is never touched, even one that appears meanwhile.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            throw Error("The file '" + path + "' already exists; a workgroup information file is never written over another file.",
                        err::DestinationExists, "DAO.DBEngine");
        throw Error("Cannot create '" + path + "': " + std::strerror(errno) + ".", err::IoError, "DAO.DBEngine");
    }
    ::close(fd);
    try {
        Connection c(path, SQLITE_OPEN_READWRITE);
        initialise(c, name, organisation, sid::ofAdmins(name, organisation, workgroupId));
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    return workgroupId;
}

std::shared_ptr<Workgroup> Workgroup::open(const std::string &path)
{
    checkWorkgroupFile(path);
    const bool writable = ::access(path.c_str(), W_OK) == 0;
    std::unique_ptr<Connection> c;
    sid::Sid admins;
    try {
        c = std::make_unique<Connection>(path, (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY)
                                                   | SQLITE_OPEN_NOMUTEX);
        c->setBusyTimeout(kBusyTimeoutMs);
        admins = checkContents(*c, path);
    } catch (const Error &e) {
        if (e.code() == err::WorkgroupUnusable)
            throw;
        if (e.code() == err::FileInUse)
            throw unusable("The workgroup information file '" + fileName(path)
                           + "' is in use by another program; try again later.");
        if (e.code() == err::SqlError)
            throw unusable("The workgroup information file '" + fileName(path) + "' is damaged: " + e.what());
        throw unusable("The workgroup information file '" + fileName(path) + "' is damaged.");
    }
    auto workgroup = std::shared_ptr<Workgroup>(new Workgroup(path, std::move(c)));
    workgroup->admins_ = admins;
    workgroup->writable_ = writable;
    return workgroup;
}

std::shared_ptr<Workgroup> Workgroup::builtIn()
{
    auto c = std::make_unique<Connection>(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    const sid::Sid admins = sid::ofAdmins("", "", "");
    initialise(*c, "", "", admins);
    auto workgroup = std::shared_ptr<Workgroup>(new Workgroup({}, std::move(c)));
    workgroup->admins_ = admins;
    return workgroup;
}

std::vector<Account> Workgroup::accountList(const char *sql, const sid::Sid *bound)
{
    Statement st(db_->handle(), sql);
    if (bound)
        st.bind(1, *bound);
    std::vector<Account> out;
    while (st.step())
        out.push_back(accountRow(st));
    return out;
}

std::vector<Account> Workgroup::accounts(bool groups)
{
    return accountList(groups ? "SELECT SID, Name, FGroup FROM MSysAccounts WHERE FGroup = 1 ORDER BY Name"
                              : "SELECT SID, Name, FGroup FROM MSysAccounts WHERE FGroup = 0 ORDER BY Name",
                       nullptr);
}

std::optional<Account> Workgroup::find(std::string_view name)
{
    Statement st(db_->handle(), "SELECT SID, Name, FGroup FROM MSysAccounts WHERE Name = ?");
    st.bind(1, name);
    if (!st.step())
        return std::nullopt;
    return accountRow(st);
}

std::optional<Account> Workgroup::findSid(const sid::Sid &sid)
{
    Statement st(db_->handle(), "SELECT SID, Name, FGroup FROM MSysAccounts WHERE SID = ?");
    st.bind(1, sid);
    if (!st.step())
        return std::nullopt;
    return accountRow(st);
}

std::vector<Account> Workgroup::groupsOf(const sid::Sid &user)
{
    return accountList("SELECT a.SID, a.Name, a.FGroup FROM MSysGroups g JOIN MSysAccounts a ON a.SID = g.GroupSID "
                       "WHERE g.UserSID = ? AND a.FGroup = 1 ORDER BY a.Name",
                       &user);
}

std::vector<Account> Workgroup::membersOf(const sid::Sid &group)
{
    return accountList("SELECT a.SID, a.Name, a.FGroup FROM MSysGroups g JOIN MSysAccounts a ON a.SID = g.UserSID "
                       "WHERE g.GroupSID = ? AND a.FGroup = 0 ORDER BY a.Name",
                       &group);
}

bool Workgroup::isMember(const sid::Sid &group, const sid::Sid &user)
{
    Statement st(db_->handle(), "SELECT 1 FROM MSysGroups WHERE GroupSID = ? AND UserSID = ?");
    st.bind(1, group);
    st.bind(2, user);
    return st.step();
}

std::shared_ptr<const Session> Workgroup::login(const std::string &user, const std::string &password)
{
    const auto refuse = [] {
        return Error("Not a valid account name or password.", err::AccountRefused, "DAO.DBEngine");
    };
    const std::optional<Account> account = find(user);
    if (!account || account->group) {
        [[maybe_unused]] const bool ignored = verify(kDummyHash, password);
        throw refuse();
    }
    std::optional<std::string> hash;
    {
        Statement st(db_->handle(), "SELECT Password FROM MSysAccounts WHERE SID = ?");
        st.bind(1, account->sid);
        if (st.step() && !st.isNull(0))
            hash = st.text(0);
    }
    if (!passwordMatches(hash, password, path_))
        throw refuse();
    auto session = std::make_shared<Session>();
    session->user = account->name;
    session->userSid = account->sid;
    for (const Account &g : groupsOf(account->sid))
        session->groups.push_back(g.sid);
    session->admins = admins_;
    session->workgroup = shared_from_this();
    return session;
}

// Account changes need a workgroup file that may be written and an acting member of Admins;
// membership is read afresh, so a user removed from Admins meanwhile is refused.
void Workgroup::checkChangeable(const Session &actor)
{
    if (isBuiltIn())
        throw Error("Accounts cannot be changed without a workgroup information file; create one and choose it "
                    "as the system database in the preferences.",
                    err::AccountsUnavailable, "DAO.Workspace");
    if (!writable_)
        throw Error("The workgroup information file '" + fileName(path_)
                        + "' is read-only; accounts cannot be changed.",
                    err::ReadOnlyFile, "DAO.Workspace");
    if (!isMember(admins_, actor.userSid))
        throw Error("Only members of the group Admins can change accounts; '" + actor.user + "' is not one.",
                    err::PermissionDenied, "DAO.Workspace");
}

Account Workgroup::existing(const std::string &name, bool group)
{
    const std::optional<Account> account = find(name);
    if (!account || account->group != group)
        throw Error("There is no " + std::string(group ? "group" : "user") + " named '" + name + "'.",
                    err::ItemNotFound, "DAO.Workspace");
    return *account;
}

void Workgroup::addUser(const Session &actor, const std::string &name, const std::string &pid,
                        const std::string &password)
{
    checkChangeable(actor);
    rules::checkAccountName(name);
    rules::checkPid(pid);
    rules::checkPassword(password);
    if (find(name))
        throw Error("An account named '" + name + "' already exists.", err::NameInUse, "DAO.Workspace");
    // Hashing takes a while; it is done before the file is locked.
    const std::optional<std::string> hash = hashPassword(password);
    Transaction t(*db_);
    if (find(name))
        throw Error("An account named '" + name + "' already exists.", err::NameInUse, "DAO.Workspace");
    const sid::Sid sid = sid::ofAccount(name, pid);
    insertAccount(*db_, name, sid, false, hash);
    insertMember(*db_, sid::users(), sid);
    t.commit();
}

void Workgroup::addGroup(const Session &actor, const std::string &name, const std::string &pid)
{
    checkChangeable(actor);
    rules::checkAccountName(name);
    rules::checkPid(pid);
    Transaction t(*db_);
    if (find(name))
        throw Error("An account named '" + name + "' already exists.", err::NameInUse, "DAO.Workspace");
    insertAccount(*db_, name, sid::ofAccount(name, pid), true, std::nullopt);
    t.commit();
}

void Workgroup::removeAccount(const Session &actor, const std::string &name, bool group)
{
    checkChangeable(actor);
    Transaction t(*db_);
    const Account account = existing(name, group);
    if (account.sid == sid::admin() || account.sid == admins_ || account.sid == sid::users())
        throw Error("The " + std::string(group ? "group" : "user") + " '" + account.name + "' cannot be deleted.",
                    err::AccountProtected, "DAO.Workspace");
    if (!group && isMember(admins_, account.sid) && membersOf(admins_).size() == 1)
        throw Error("'" + account.name + "' is the last member of Admins and cannot be deleted; add another "
                    "member to Admins first.",
                    err::AccountProtected, "DAO.Workspace");
    Statement members(db_->handle(), "DELETE FROM MSysGroups WHERE GroupSID = ?1 OR UserSID = ?1");
    members.bind(1, account.sid);
    members.step();
    Statement del(db_->handle(), "DELETE FROM MSysAccounts WHERE SID = ?");
    del.bind(1, account.sid);
    del.step();
    t.commit();
}

void Workgroup::addMember(const Session &actor, const std::string &group, const std::string &user)
{
    checkChangeable(actor);
    Transaction t(*db_);
    const Account g = existing(group, true);
    const Account u = existing(user, false);
    if (isMember(g.sid, u.sid))
        throw Error("'" + u.name + "' is already a member of '" + g.name + "'.", err::NameInUse, "DAO.Workspace");
    insertMember(*db_, g.sid, u.sid);
    t.commit();
}

void Workgroup::removeMember(const Session &actor, const std::string &group, const std::string &user)
{
    checkChangeable(actor);
    Transaction t(*db_);
    const Account g = existing(group, true);
    const Account u = existing(user, false);
    if (!isMember(g.sid, u.sid))
        throw Error("'" + u.name + "' is not a member of '" + g.name + "'.", err::ItemNotFound, "DAO.Workspace");
    if (g.sid == sid::users())
        throw Error("Every user stays a member of Users; '" + u.name + "' cannot leave it.", err::AccountProtected,
                    "DAO.Workspace");
    if (g.sid == admins_ && membersOf(admins_).size() == 1)
        throw Error("'" + u.name + "' is the last member of Admins and cannot leave it; add another member first.",
                    err::AccountProtected, "DAO.Workspace");
    Statement del(db_->handle(), "DELETE FROM MSysGroups WHERE GroupSID = ? AND UserSID = ?");
    del.bind(1, g.sid);
    del.bind(2, u.sid);
    del.step();
    t.commit();
}

void Workgroup::changePassword(const Session &actor, const std::string &user, const std::string &oldPassword,
                               const std::string &newPassword)
{
    if (isBuiltIn() || !writable_)
        checkChangeable(actor);
    const Account u = existing(user, false);
    if (u.sid != actor.userSid && !isMember(admins_, actor.userSid))
        throw Error("Only '" + u.name + "' or a member of Admins can change the password of '" + u.name + "'.",
                    err::PermissionDenied, "DAO.Workspace");
    rules::checkPassword(newPassword);
    std::optional<std::string> oldHash;
    {
        Statement st(db_->handle(), "SELECT Password FROM MSysAccounts WHERE SID = ?");
        st.bind(1, u.sid);
        if (st.step() && !st.isNull(0))
            oldHash = st.text(0);
    }
    if (!passwordMatches(oldHash, oldPassword, path_))
        throw Error("The old password of '" + u.name + "' is not right.", err::InvalidPassword, "DAO.Workspace");
    const std::optional<std::string> hash = hashPassword(newPassword);
    Transaction t(*db_);
    Statement up(db_->handle(), "UPDATE MSysAccounts SET Password = ? WHERE SID = ? AND Password IS ?");
    if (hash)
        up.bind(1, *hash);
    else
        up.bindNull(1);
    up.bind(2, u.sid);
    if (oldHash)
        up.bind(3, *oldHash);
    else
        up.bindNull(3);
    up.step();
    if (sqlite3_changes(db_->handle()) != 1)
        throw Error("The password of '" + u.name + "' was changed meanwhile; try again.", err::InvalidPassword,
                    "DAO.Workspace");
    t.commit();
}

} // namespace dbengine
