#include "Accounts.h"

#include "ErrorCodes.h"
#include "Objects.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <memory>

namespace dbengine::accounts {

using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

[[noreturn]] void refuse()
{
    throw Error("Accounts cannot be changed without a workgroup information file; choose one as the "
                "system database in the preferences.",
                err::AccountsUnavailable, "DAO.Workspace");
}

class Account;

class AccountList : public automation::Collection {
public:
    AccountList(std::string_view className, std::vector<std::string> names, bool users)
        : className_(className), names_(std::move(names)), users_(users) {}
    std::string_view className() const override { return className_; }
    std::int32_t count() override { return std::int32_t(names_.size()); }
    Variant itemAt(std::int32_t index) override;

protected:
    Variant invokeMore(Invoke, const std::string &m, const automation::Args &) override
    {
        if (m == "refresh")
            return {};
        if (m == "append" || m == "delete")
            refuse();
        noMember(m);
    }

private:
    std::string className_;
    std::vector<std::string> names_;
    bool users_;
};

// "Admin" belongs to both groups; each group lists "Admin".
class Account : public automation::Object {
public:
    Account(std::string name, bool user) : name_(std::move(name)), user_(user) {}
    std::string_view className() const override { return user_ ? "User" : "Group"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &) override
    {
        if (m == "name" && kind != Invoke::Put)
            return name_;
        if (kind == Invoke::Put)
            refuse();
        if (m == "groups" && user_)
            return std::make_shared<AccountList>("Groups", std::vector<std::string>{"Admins", "Users"}, false);
        if (m == "users" && !user_)
            return std::make_shared<AccountList>("Users", std::vector<std::string>{"Admin"}, true);
        if (m == "newpassword" || m == "createuser" || m == "creategroup")
            refuse();
        noMember(m);
    }

private:
    std::string name_;
    bool user_;
};

Variant AccountList::itemAt(std::int32_t index)
{
    return std::make_shared<Account>(names_.at(std::size_t(index)), users_);
}

} // namespace

Variant builtIn(const std::string &member, const automation::Args &args)
{
    Variant list;
    if (member == "users")
        list = std::make_shared<AccountList>("Users", std::vector<std::string>{"Admin"}, true);
    else if (member == "groups")
        list = std::make_shared<AccountList>("Groups", std::vector<std::string>{"Admins", "Users"}, false);
    else
        refuse();
    return args.empty() ? list : list.item(args[0]);
}

void checkBuiltInLogin(const std::string &user, const std::string &password)
{
    if (!automation::equalsNoCase(user, "Admin") || !password.empty())
        throw Error("Not a valid account name or password.", err::AccountRefused, "DAO.DBEngine");
}

} // namespace dbengine::accounts
