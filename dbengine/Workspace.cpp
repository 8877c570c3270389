#include "Workspace.h"

#include "Accounts.h"
#include "Database.h"
#include "Engine.h"
#include "ErrorCodes.h"
#include "Objects.h"
#include "automation/Error.h"

namespace dbengine {

using automation::Error;
using automation::Invoke;
using automation::Variant;

Workspace::Workspace(std::weak_ptr<Engine> engine, std::string name, std::string user,
                     std::shared_ptr<const Session> session)
    : engine_(std::move(engine)), name_(std::move(name)), user_(std::move(user)), session_(std::move(session))
{
}

void Workspace::close()
{
    for (auto &weak : databases_)
        if (auto db = weak.lock())
            db->close();
    databases_.clear();
    if (!closed_) {
        closed_ = true;
        if (auto engine = engine_.lock())
            engine->forgetWorkspace(this);
    }
}

void Workspace::checkOpen() const
{
    if (closed_)
        throw Error("Object invalid or no longer set: the workspace is closed.", err::ObjectClosed,
                    "DAO.Workspace");
}

Variant Workspace::track(std::shared_ptr<Database> db)
{
    std::erase_if(databases_, [](auto &w) { return w.expired(); });
    databases_.push_back(db);
    return db;
}

Variant Workspace::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (kind == Invoke::Put)
        readOnly(m);
    if (m == "name")
        return name_;
    if (m == "close") {
        close();
        return {};
    }
    checkOpen();
    if (m == "username")
        return user_;
    if (m == "type")
        return 2;
    if (m == "opendatabase") {
        const std::string path = arg(args, 0).toText();
        const bool exclusive = hasArg(args, 1) && args[1].toBool();
        const bool readOnly = hasArg(args, 2) && args[2].toBool();
        return track(Database::open(path, exclusive, readOnly, session_));
    }
    if (m == "createdatabase")
        return track(Database::create(arg(args, 0).toText(), session_));
    if (m == "databases") {
        std::vector<Variant> items;
        for (auto &weak : databases_)
            if (auto db = weak.lock(); db && !db->isClosed())
                items.emplace_back(db);
        Variant list = std::make_shared<ListCollection>("Databases", std::move(items));
        return args.empty() ? list : list.item(args[0]);
    }
    if (m == "users" || m == "groups" || m == "createuser" || m == "creategroup")
        return accounts::workspaceMember(session_, m, args);
    noMember(m);
}

} // namespace dbengine
