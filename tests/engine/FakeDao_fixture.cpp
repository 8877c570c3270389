#include "FakeDao.h"

namespace fakes {

namespace {

std::shared_ptr<FakeCollection> collection(std::string cls, const LogPtr &log)
{
    return std::make_shared<FakeCollection>(std::move(cls), log);
}

} // namespace

FakeDao::FakeDao()
{
    engine = makeObject("Engine", log);
    workspace = makeObject("Workspace", log, "#Default Workspace#");
    database = makeObject("Database", log, "/data/north.mdb");
    workspaces = collection("Workspaces", log);
    users = collection("Users", log);
    groups = collection("Groups", log);
    tableDefs = collection("TableDefs", log);
    queryDefs = collection("QueryDefs", log);
    relations = collection("Relations", log);
    containers = collection("Containers", log);

    engine->set("Version", "3.5").set("Workspaces", Variant(workspaces));
    engine->on("CreateWorkspace", [this](const Args &) { return Variant(workspace); });
    engine->on("CompactDatabase", [](const Args &) { return Variant(); });
    engine->on("RepairDatabase", [](const Args &) { return Variant(); });

    workspace->set("Username", "admin").set("Users", Variant(users)).set("Groups", Variant(groups));
    workspace->on("Close", [](const Args &) { return Variant(); });
    workspace->on("OpenDatabase", [this](const Args &) { return Variant(database); });
    workspace->on("CreateUser", [this](const Args &a) {
        return Variant(makeObject("NewUser", log, a.at(0).toText()));
    });
    workspace->on("CreateGroup", [this](const Args &a) {
        return Variant(makeObject("NewGroup", log, a.at(0).toText()));
    });

    database->set("Version", "4.0");
    database->set("TableDefs", Variant(tableDefs)).set("QueryDefs", Variant(queryDefs));
    database->set("Relations", Variant(relations)).set("Containers", Variant(containers));
    database->on("Close", [](const Args &) { return Variant(); });
    database->on("OpenRecordset", [this](const Args &) { return Variant(makeObject("Recordset", log)); });
}

std::shared_ptr<FakeObject> FakeDao::addUser(const std::string &name,
                                             std::initializer_list<std::string> groupNames)
{
    auto user = makeObject("User", log, name);
    auto memberOf = collection(name + ".Groups", log);
    for (const std::string &group : groupNames)
        memberOf->items.push_back(makeObject("Group", log, group));
    user->set("Groups", Variant(memberOf));
    user->on("NewPassword", [](const Args &) { return Variant(); });
    users->items.push_back(user);
    return user;
}

std::shared_ptr<FakeObject> FakeDao::addGroup(const std::string &name)
{
    auto group = makeObject("Group", log, name);
    group->set("Users", Variant(collection(name + ".Users", log)));
    group->on("CreateUser", [this](const Args &a) {
        return Variant(makeObject("Member", log, a.at(0).toText()));
    });
    groups->items.push_back(group);
    return group;
}

std::shared_ptr<FakeObject> FakeDao::addContainer(const std::string &name,
                                                  std::initializer_list<std::string> documents)
{
    auto container = makeObject("Container", log, name);
    auto docs = collection(name + ".Documents", log);
    for (const std::string &document : documents)
        docs->items.push_back(makeObject("Document", log, document));
    container->set("Documents", Variant(docs));
    containers->items.push_back(container);
    return container;
}

} // namespace fakes
