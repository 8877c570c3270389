#pragma once

#include "Sid.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbengine {

class Connection;
class Workgroup;

struct Account {
    std::string name;
    sid::Sid sid;
    bool group = false;
};

// The account a workspace was opened with and its groups at that moment.
struct Session {
    std::string user; // as the workgroup spells it
    sid::Sid userSid;
    std::vector<sid::Sid> groups;
    sid::Sid admins; // the Admins group of the workgroup
    std::shared_ptr<Workgroup> workgroup;

    // The user itself or one of its groups.
    bool holds(const sid::Sid &sid) const;
    bool inAdmins() const { return holds(admins); }
};

// The accounts of a workgroup information file: users with their password hashes, groups, and
// membership. Without a file the engine uses the built-in workgroup, which holds the user
// "Admin" (no password) in the groups "Admins" and "Users" and refuses every change.
//
// Every change is made by an acting session and needs it to be a member of Admins, except a
// user changing its own password. Lists are read from the file each time, so a change made
// through another workspace shows at once.
class Workgroup : public std::enable_shared_from_this<Workgroup> {
public:
    // Creates a new workgroup information file holding "Admin", "Admins" and "Users"; never
    // replaces an existing file. An empty ID is replaced by a random one. Returns the ID used.
    static std::string create(const std::string &path, const std::string &name,
                              const std::string &organisation, std::string workgroupId);
    // Opens an existing workgroup information file; a missing, damaged or other file is an error.
    static std::shared_ptr<Workgroup> open(const std::string &path);
    static std::shared_ptr<Workgroup> builtIn();
    ~Workgroup();

    bool isBuiltIn() const { return path_.empty(); }
    const std::string &path() const { return path_; }
    const sid::Sid &adminsSid() const { return admins_; }

    // Users or groups, ordered by name.
    std::vector<Account> accounts(bool groups);
    // A user or group by name, letter case ignored.
    std::optional<Account> find(std::string_view name);
    std::optional<Account> findSid(const sid::Sid &sid);
    std::vector<Account> groupsOf(const sid::Sid &user);
    std::vector<Account> membersOf(const sid::Sid &group);

    // Checks the password of a user; an unknown user and a wrong password give the same error.
    std::shared_ptr<const Session> login(const std::string &user, const std::string &password);

    void addUser(const Session &actor, const std::string &name, const std::string &pid,
                 const std::string &password);
    void addGroup(const Session &actor, const std::string &name, const std::string &pid);
    void removeAccount(const Session &actor, const std::string &name, bool group);
    void addMember(const Session &actor, const std::string &group, const std::string &user);
    void removeMember(const Session &actor, const std::string &group, const std::string &user);
    void changePassword(const Session &actor, const std::string &user, const std::string &oldPassword,
                        const std::string &newPassword);

private:
    Workgroup(std::string path, std::unique_ptr<Connection> connection);
    void checkChangeable(const Session &actor);
    Account existing(const std::string &name, bool group);
    bool isMember(const sid::Sid &group, const sid::Sid &user);
    std::vector<Account> accountList(const char *sql, const sid::Sid *bound);

    std::string path_;
    std::unique_ptr<Connection> db_;
    sid::Sid admins_;
    bool writable_ = true;
};

// How many password checks (each as costly as a real one) this process has made.
std::uint64_t passwordVerifications();

} // namespace dbengine
