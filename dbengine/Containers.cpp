#include "Containers.h"

#include "ErrorCodes.h"
#include "Permissions.h"
#include "Workgroup.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <algorithm>
#include <limits>

namespace dbengine {

using automation::Date;
using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

const char *const kContainers[] = {"Databases", "Forms", "Modules", "Relationships", "Reports", "Scripts", "Tables"};

struct DocumentInfo {
    std::string name;
    std::string container;
    Date created, updated;
};

// A document answers Owner, Username and Permissions. Username names the account whose
// permissions the next Permissions read or put is about; it starts as the workspace's user.
class DocumentObject : public automation::Object {
public:
    DocumentObject(std::shared_ptr<DatabaseCore> core, DocumentInfo info)
        : core_(std::move(core)), info_(std::move(info)), username_(core_->permissions().session().user) {}
    std::string_view className() const override { return "Document"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &args) override
    {
        if (kind == Invoke::Put) {
            const Variant &value = arg(args, 0);
            if (m == "username")
                username_ = value.toText();
            else if (m == "permissions")
                setPermissions(value);
            else if (m == "owner")
                setOwner(value.toText());
            else
                readOnly(m);
            return {};
        }
        if (m == "name")
            return info_.name;
        if (m == "container")
            return info_.container;
        if (m == "datecreated")
            return info_.created;
        if (m == "lastupdated")
            return info_.updated;
        if (m == "owner")
            return ownerName();
        if (m == "username")
            return username_;
        if (m == "permissions")
            return readPermissions(false);
        if (m == "allpermissions")
            return readPermissions(true);
        noMember(m);
    }

private:
    Permissions &permissions() { return core_->permissions(); }
    const Session &session() { return permissions().session(); }

    Account account(const std::string &name)
    {
        if (auto a = session().workgroup->find(name))
            return *a;
        throw Error("There is no user or group named '" + name + "' in the workgroup.", err::ItemNotFound,
                    "DAO.Document");
    }

    [[noreturn]] void refuseAdministration()
    {
        const std::int32_t right = info_.container == documents::Databases ? rights::DbAdminister : rights::Administer;
        throw Error(permissions().refusal(info_.container, info_.name, right), err::PermissionDenied, "DAO.Document");
    }

    std::string ownerName()
    {
        const sid::Sid owner = permissions().owner(info_.container, info_.name);
        const auto account = session().workgroup->findSid(owner);
        return account ? account->name : std::string("<Unknown>");
    }

    // An account may always read its own permissions and those of its groups.
    std::int32_t readPermissions(bool withGroups)
    {
        const Account a = account(username_);
        if (!session().holds(a.sid) && !permissions().mayAdminister(info_.container, info_.name))
            refuseAdministration();
        std::int32_t mask = permissions().mask(info_.container, info_.name, a.sid);
        if (withGroups && !a.group)
            for (const Account &g : session().workgroup->groupsOf(a.sid))
                mask |= permissions().mask(info_.container, info_.name, g.sid);
        return mask;
    }

    void setPermissions(const Variant &value)
    {
        const std::int64_t n = value.toInt64();
        if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::uint32_t>::max())
            throw Error("A permission mask is a 32-bit number.", err::InvalidArgument, "DAO.Document");
        const Account a = account(username_);
        if (!permissions().mayAdminister(info_.container, info_.name))
            refuseAdministration();
        permissions().setMask(info_.container, info_.name, a.sid,
                              static_cast<std::int32_t>(static_cast<std::uint32_t>(n)));
    }

    // The owner, or a member of the Admins this database answers to, may hand a document to
    // another user or group.
    void setOwner(const std::string &name)
    {
        const Account a = account(name);
        if (!session().holds(permissions().owner(info_.container, info_.name)) && !permissions().adminsHere())
            throw Error("Only the owner of '" + info_.name + "' or a member of Admins can change its owner.",
                        err::PermissionDenied, "DAO.Document");
        permissions().setOwner(info_.container, info_.name, a.sid);
    }

    std::shared_ptr<DatabaseCore> core_;
    DocumentInfo info_;
    std::string username_;
};

class ContainerObject : public automation::Object {
public:
    ContainerObject(std::shared_ptr<DatabaseCore> core, std::string name)
        : core_(std::move(core)), name_(std::move(name)) {}
    std::string_view className() const override { return "Container"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &) override
    {
        if (kind == Invoke::Put)
            readOnly(m);
        if (m == "name")
            return name_;
        if (m == "owner")
            return std::string("admin");
        if (m == "documents")
            return documents();
        noMember(m);
    }

private:
    Variant documents()
    {
        std::vector<DocumentInfo> docs;
        const Date created = core_->fileCreated(), updated = core_->fileModified();
        if (name_ == "Databases") {
            docs.push_back({"MSysDb", name_, created, updated});
        } else if (name_ == "Tables") {
            for (const TableEntry &t : core_->tables())
                docs.push_back({t.name, name_, created, updated});
            for (const QueryEntry &q : core_->queries())
                docs.push_back({q.name, name_, q.created.value_or(created), q.updated.value_or(updated)});
            std::sort(docs.begin(), docs.end(), [](auto &a, auto &b) {
                return automation::lowerAscii(a.name) < automation::lowerAscii(b.name);
            });
        } else if (name_ == "Relationships") {
            for (const RelationEntry &r : core_->relations())
                docs.push_back({r.name, name_, created, updated});
        }
        if (core_->accessOrigin())
            addAccessDocuments(docs);
        std::vector<Variant> items;
        for (DocumentInfo &d : docs)
            items.emplace_back(std::make_shared<DocumentObject>(core_, std::move(d)));
        return std::make_shared<ListCollection>("Documents", std::move(items));
    }

    // A database of Access origin keeps the file's documents with their dates: forms, reports,
    // macros and modules are listed from there, and tables and queries take their dates.
    void addAccessDocuments(std::vector<DocumentInfo> &docs)
    {
        if (!core_->findTable("MSysAccessDocuments"))
            return;
        Statement st(core_->db().handle(),
                     "SELECT Name, DateCreated, LastUpdated FROM main.MSysAccessDocuments WHERE Container = ? ORDER BY Name");
        st.bind(1, name_);
        const bool listed = name_ == "Forms" || name_ == "Reports" || name_ == "Scripts" || name_ == "Modules";
        while (st.step()) {
            const std::string name = st.text(0);
            const Date created = automation::parseDate(st.text(1)).value_or(core_->fileCreated());
            const Date updated = automation::parseDate(st.text(2)).value_or(core_->fileModified());
            if (listed) {
                docs.push_back({name, name_, created, updated});
                continue;
            }
            for (DocumentInfo &d : docs)
                if (d.name == name) {
                    d.created = created;
                    d.updated = updated;
                }
        }
    }

    std::shared_ptr<DatabaseCore> core_;
    std::string name_;
};

} // namespace

const std::vector<std::string> &Containers::entries(DatabaseCore::Check)
{
    static const std::vector<std::string> names(std::begin(kContainers), std::end(kContainers));
    core_->db();
    return names;
}

const std::string *Containers::find(std::string_view name)
{
    const auto &names = entries(DatabaseCore::Check::Engine);
    auto it = std::find_if(names.begin(), names.end(), [&](auto &n) { return automation::equalsNoCase(n, name); });
    return it == names.end() ? nullptr : &*it;
}

Variant Containers::make(const std::string &name)
{
    return std::make_shared<ContainerObject>(core_, name);
}

} // namespace dbengine
