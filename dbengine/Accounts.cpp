#include "Accounts.h"

#include "AccountRules.h"
#include "ErrorCodes.h"
#include "Workgroup.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <memory>
#include <vector>

namespace dbengine::accounts {

using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

using SessionPtr = std::shared_ptr<const Session>;

void refuseWithoutFile(const Session &session)
{
    if (session.workgroup->isBuiltIn())
        throw Error("Accounts cannot be changed without a workgroup information file; create one and choose it "
                    "as the system database in the preferences.",
                    err::AccountsUnavailable, "DAO.Workspace");
}

// A user or group made by CreateUser or CreateGroup and not yet appended: its Name, PID and
// Password may still be set. What is given is checked at once; Append checks again.
class NewAccount : public automation::Object {
public:
    NewAccount(bool group, const automation::Args &args) : group_(group)
    {
        if (hasArg(args, 0))
            setName(args[0].toText());
        if (hasArg(args, 1))
            setPid(args[1].toText());
        if (!group && hasArg(args, 2))
            setPassword(args[2].toText());
    }
    std::string_view className() const override { return group_ ? "Group" : "User"; }
    bool isGroup() const { return group_; }
    const std::string &name() const { return name_; }
    const std::string &pid() const { return pid_; }
    const std::string &password() const { return password_; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &args) override
    {
        if (m == "name") {
            if (kind == Invoke::Put)
                setName(arg(args, 0).toText());
            return name_;
        }
        if (kind == Invoke::Put && m == "pid") {
            setPid(arg(args, 0).toText());
            return {};
        }
        if (kind == Invoke::Put && m == "password" && !group_) {
            setPassword(arg(args, 0).toText());
            return {};
        }
        if (kind == Invoke::Put)
            readOnly(m);
        noMember(m);
    }

private:
    void setName(const std::string &name)
    {
        rules::checkAccountName(name);
        name_ = name;
    }
    void setPid(const std::string &pid)
    {
        rules::checkPid(pid);
        pid_ = pid;
    }
    void setPassword(const std::string &password)
    {
        rules::checkPassword(password);
        password_ = password;
    }

    bool group_;
    std::string name_, pid_, password_;
};

// Which accounts a collection holds: all users or groups of the workgroup, the groups of one
// user, or the members of one group.
enum class Scope { All, GroupsOfUser, MembersOfGroup };

class AccountList : public automation::Collection {
public:
    AccountList(SessionPtr session, bool groups, Scope scope, Account owner = {})
        : session_(std::move(session)), groups_(groups), scope_(scope), owner_(std::move(owner)) {}
    std::string_view className() const override { return groups_ ? "Groups" : "Users"; }
    std::int32_t count() override { return std::int32_t(list().size()); }
    Variant itemAt(std::int32_t index) override;
    Variant itemNamed(std::string_view name) override;

protected:
    Variant invokeMore(Invoke kind, const std::string &m, const automation::Args &args) override;

private:
    std::vector<Account> list();
    void append(const Variant &item);
    void remove(const std::string &name);

    SessionPtr session_;
    bool groups_;
    Scope scope_;
    Account owner_;
};

// A user or group the workgroup holds.
class AccountObject : public automation::Object {
public:
    AccountObject(SessionPtr session, Account account) : session_(std::move(session)), account_(std::move(account)) {}
    std::string_view className() const override { return account_.group ? "Group" : "User"; }
    const Account &account() const { return account_; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &args) override
    {
        if (kind == Invoke::Put) {
            if (m == "pid" || m == "password")
                throw Error("The " + std::string(m == "pid" ? "PID" : "password") + " of '" + account_.name
                                + "' cannot be set after it was appended"
                                + (m == "password" ? "; use NewPassword." : "."),
                            err::InvalidArgument, "DAO.Workspace");
            readOnly(m);
        }
        if (m == "name")
            return account_.name;
        if (m == "groups" && !account_.group) {
            Variant list = std::make_shared<AccountList>(session_, true, Scope::GroupsOfUser, account_);
            return args.empty() ? list : list.item(args[0]);
        }
        if (m == "users" && account_.group) {
            Variant list = std::make_shared<AccountList>(session_, false, Scope::MembersOfGroup, account_);
            return args.empty() ? list : list.item(args[0]);
        }
        if (m == "newpassword" && !account_.group) {
            const std::string oldPassword = hasArg(args, 0) ? args[0].toText() : std::string();
            const std::string newPassword = hasArg(args, 1) ? args[1].toText() : std::string();
            session_->workgroup->changePassword(*session_, account_.name, oldPassword, newPassword);
            return {};
        }
        if ((m == "creategroup" && !account_.group) || (m == "createuser" && account_.group)) {
            refuseWithoutFile(*session_);
            return std::make_shared<NewAccount>(m == "creategroup", args);
        }
        noMember(m);
    }

private:
    SessionPtr session_;
    Account account_;
};

std::vector<Account> AccountList::list()
{
    Workgroup &w = *session_->workgroup;
    switch (scope_) {
    case Scope::GroupsOfUser:
        return w.groupsOf(owner_.sid);
    case Scope::MembersOfGroup:
        return w.membersOf(owner_.sid);
    default:
        return w.accounts(groups_);
    }
}

Variant AccountList::itemAt(std::int32_t index)
{
    const std::vector<Account> accounts = list();
    if (index < 0 || std::size_t(index) >= accounts.size())
        notFound();
    return std::make_shared<AccountObject>(session_, accounts[std::size_t(index)]);
}

Variant AccountList::itemNamed(std::string_view name)
{
    for (Account &a : list())
        if (automation::equalsNoCase(a.name, name))
            return std::make_shared<AccountObject>(session_, std::move(a));
    notFound();
}

Variant AccountList::invokeMore(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (kind == Invoke::Call && m == "append") {
        append(arg(args, 0));
        return {};
    }
    if (kind == Invoke::Call && m == "delete") {
        remove(arg(args, 0).toText());
        return {};
    }
    if (m == "refresh")
        return {};
    noMember(m);
}

// Appending to all users or groups creates the account; appending to the groups of a user or the
// members of a group adds a membership, for which only the name counts.
void AccountList::append(const Variant &item)
{
    if (!item.isObject())
        throw Error("Append needs a user or group object.", automation::codes::ObjectRequired, "DAO.Workspace");
    const auto fresh = std::dynamic_pointer_cast<NewAccount>(item.object());
    const auto held = std::dynamic_pointer_cast<AccountObject>(item.object());
    const bool itemIsGroup = fresh ? fresh->isGroup() : held && held->account().group;
    if ((!fresh && !held) || itemIsGroup != groups_ || (scope_ == Scope::All && !fresh))
        throw Error(std::string("Only a new ") + (groups_ ? "group made by CreateGroup" : "user made by CreateUser")
                        + " can be appended here.",
                    err::InvalidArgument, "DAO.Workspace");
    const std::string name = fresh ? fresh->name() : held->account().name;
    Workgroup &w = *session_->workgroup;
    switch (scope_) {
    case Scope::All:
        if (groups_)
            w.addGroup(*session_, name, fresh->pid());
        else
            w.addUser(*session_, name, fresh->pid(), fresh->password());
        break;
    case Scope::GroupsOfUser:
        w.addMember(*session_, name, owner_.name);
        break;
    case Scope::MembersOfGroup:
        w.addMember(*session_, owner_.name, name);
        break;
    }
}

void AccountList::remove(const std::string &name)
{
    Workgroup &w = *session_->workgroup;
    switch (scope_) {
    case Scope::All:
        w.removeAccount(*session_, name, groups_);
        break;
    case Scope::GroupsOfUser:
        w.removeMember(*session_, name, owner_.name);
        break;
    case Scope::MembersOfGroup:
        w.removeMember(*session_, owner_.name, name);
        break;
    }
}

} // namespace

Variant workspaceMember(const SessionPtr &session, const std::string &member, const automation::Args &args)
{
    if (member == "createuser" || member == "creategroup") {
        refuseWithoutFile(*session);
        return std::make_shared<NewAccount>(member == "creategroup", args);
    }
    Variant list = std::make_shared<AccountList>(session, member == "groups", Scope::All);
    return args.empty() ? list : list.item(args[0]);
}

} // namespace dbengine::accounts
