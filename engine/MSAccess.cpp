#include "MSAccess.h"

#include "automation/Error.h"
#include "automation/Registry.h"
#include "automation/Text.h"
#include "platform/Folders.h"

#include <exception>
#include <filesystem>

namespace engine {

using automation::Args;
using automation::Variant;

namespace {

constexpr const char *DefaultWorkspaceName = "#Default Workspace#";
constexpr const char *SystemDBFileName = "system.mdw";
// The engine's default account gets a password that nobody can type, so that the engine's own
// default workspace never logs in by accident and the workspace is opened with the account the
// user chose.
constexpr const char *DefaultEnginePassword = "\x01";
constexpr std::int32_t WorkspaceTypeJet = 2;
constexpr std::int32_t RecordsetTypeForCatalogue = 2;
constexpr std::int32_t RecordsetOptionsForCatalogue = 2;
constexpr std::int32_t CompactEncrypt = 2;
constexpr std::int32_t CompactDecrypt = 4;

const char *progIdFor(std::uint8_t type)
{
    switch (type) {
    case 0: return "DAO.DBEngine";
    case 1: return "DAO.DBEngine.35";
    case 2: return "DAO.DBEngine.36";
    default: return nullptr;
    }
}

// The workgroup file used when none was chosen: "system.mdw" in the current folder, then in the
// program's data folder, then in the user's data folder. Empty when none exists.
std::string findSystemDB()
{
    if (platform::fileExists(SystemDBFileName)) {
        std::error_code ec;
        const auto full = std::filesystem::absolute(SystemDBFileName, ec);
        return ec ? std::string(SystemDBFileName) : full.string();
    }
    for (const std::string &dir : {platform::programDataDir(), platform::userDataDir()}) {
        const std::string path = platform::joinPath(dir, SystemDBFileName);
        if (platform::fileExists(path))
            return path;
    }
    return {};
}

Variant collectionItem(const Variant &owner, const char *collection, const Variant &key)
{
    return owner.get(collection).item(key);
}

std::int32_t collectionCount(const Variant &owner, const char *collection)
{
    return owner.get(collection).get("Count").toInt();
}

} // namespace

TMSAccess::TMSAccess()
{
    setDAOType(1);
}

// The owner deactivates the engine first; here only the reference is dropped.
TMSAccess::~TMSAccess()
{
    if (Engine.isObject())
        Engine.release();
}

// ---- levels

void TMSAccess::setDAOType(std::uint8_t type)
{
    if (FEngineActive)
        throw automation::Error("Cannot change DAOType when session is active.", 0, "TMSAccess");
    FDAOType = type;
    if (const char *progId = progIdFor(type))
        EngineProgID = progId;
}

void TMSAccess::setEngineActive(bool active)
{
    if (active == FEngineActive)
        return;
    if (active) {
        FEngineActive = CreateEngine(EngineProgID);
        return;
    }
    if (FDatabaseOpen)
        setDatabaseOpen(false);
    if (FWorkspaceOpen)
        setWorkspaceOpen(false);
    ReleaseEngine();
    FEngineActive = false;
}

void TMSAccess::setWorkspaceOpen(bool open)
{
    if (open == FWorkspaceOpen)
        return;
    if (open) {
        FWorkspaceOpen = OpenWorkspace(DefaultWorkspaceName, UserName, Password);
        return;
    }
    if (FDatabaseOpen)
        setDatabaseOpen(false);
    CloseWorkspace();
    FWorkspaceOpen = false;
}

void TMSAccess::setDatabaseOpen(bool open)
{
    if (open != FDatabaseOpen) {
        if (open)
            Database = OpenDatabaseObject(Exclusive, ReadOnly);
        else
            CloseDatabase();
    }
    FDatabaseOpen = Database.isObject();
}

// ---- internal steps

Variant TMSAccess::GetEngineObject(const std::string &progId)
{
    const automation::Registry &registry = automation::Registry::instance();
    automation::ObjectPtr engine = registry.activeObject(progId);
    if (!engine)
        engine = registry.createInstance(progId);
    return Variant(engine);
}

bool TMSAccess::CreateEngine(const std::string &progId)
{
    LastError.clear();
    try {
        Engine = GetEngineObject(progId);
        if (!Engine.isObject())
            return false;
        PrepareEngine();
        return true;
    } catch (const std::exception &e) {
        LastError = e.what();
        return false;
    }
}

void TMSAccess::PrepareEngine()
{
    Engine.put("DefaultType", WorkspaceTypeJet);
    Engine.put("DefaultUser", "Admin");
    Engine.put("DefaultPassword", DefaultEnginePassword);
    if (!platform::fileExists(SystemDB))
        SystemDB = findSystemDB();
    if (platform::fileExists(SystemDB))
        Engine.put("SystemDB", SystemDB);
}

bool TMSAccess::OpenWorkspace(const std::string &name, const std::string &user,
                              const std::string &password)
{
    LastError.clear();
    if (FEngineActive) {
        // A workspace the engine already holds under that name is used as it is.
        try {
            Workspace = collectionItem(Engine, "Workspaces", name);
        } catch (const std::exception &e) {
            LastError = e.what();
            Workspace.release();
        }
        if (!Workspace.isObject()) {
            LastError.clear();
            try {
                Workspace = Engine.call("CreateWorkspace", Args{name, user, password, WorkspaceTypeJet});
            } catch (const std::exception &e) {
                LastError = e.what();
                Workspace.release();
            }
        }
    }
    return Workspace.isObject();
}

Variant TMSAccess::OpenDatabaseObject(bool exclusive, bool readOnly)
{
    if (!FWorkspaceOpen)
        return Variant::null();
    LastError.clear();
    try {
        return Workspace.call("OpenDatabase", Args{DatabaseName, exclusive, readOnly});
    } catch (const std::exception &e) {
        LastError = e.what();
        return Variant::null();
    }
}

void TMSAccess::CloseDatabase()
{
    FTableDefs = FQueryDefs = FContainers = FRelations = {};
    if (Database.isObject())
        Database.call("Close");
    Database.release();
}

void TMSAccess::CloseWorkspace()
{
    if (Workspace.isObject())
        Workspace.call("Close");
    Workspace.release();
}

void TMSAccess::ReleaseEngine()
{
    Engine.release();
}

// ---- questions

std::string TMSAccess::GetEngineVersion()
{
    return FEngineActive ? Engine.get("Version").toText() : std::string();
}

std::string TMSAccess::GetDatabaseVersion()
{
    return FDatabaseOpen ? Database.get("Version").toText() : std::string();
}

std::string TMSAccess::GetWorkspaceName()
{
    return FWorkspaceOpen ? Workspace.get("Name").toText() : std::string();
}

std::string TMSAccess::GetDatabaseName()
{
    return FDatabaseOpen ? Database.get("Name").toText() : std::string();
}

std::string TMSAccess::GetCurrentUser()
{
    if (FWorkspaceOpen)
        return Workspace.get("Username").toText();
    if (FEngineActive)
        return Engine.get("DefaultUser").toText();
    return {};
}

std::string TMSAccess::GetSystemDB()
{
    return FEngineActive ? Engine.get("SystemDB").toText() : std::string();
}

// ---- catalogue

std::int32_t TMSAccess::FetchCount(Fetched &kept, const char *collection)
{
    kept = {};
    Variant fetched = Database.get(collection);
    const std::int32_t count = fetched.get("Count").toInt();
    if (Database.isObject() && fetched.isObject())
        kept = {Database.object(), std::move(fetched)};
    return count;
}

Variant TMSAccess::FetchedItem(Fetched &kept, const char *collection, std::int32_t index)
{
    if (kept.database && Database.isObject() && Database.object() == kept.database)
        return kept.collection.item(index);
    kept = {};
    return collectionItem(Database, collection, index);
}

std::int32_t TMSAccess::TableDefCount() { return FetchCount(FTableDefs, "TableDefs"); }
Variant TMSAccess::GetTableDef(std::int32_t index) { return FetchedItem(FTableDefs, "TableDefs", index); }
Variant TMSAccess::GetTableDefByName(const std::string &name) { return collectionItem(Database, "TableDefs", name); }
std::int32_t TMSAccess::QueryDefCount() { return FetchCount(FQueryDefs, "QueryDefs"); }
Variant TMSAccess::GetQueryDefByName(const std::string &name) { return collectionItem(Database, "QueryDefs", name); }
std::int32_t TMSAccess::ContainerCount() { return FetchCount(FContainers, "Containers"); }
Variant TMSAccess::GetContainer(std::int32_t index) { return FetchedItem(FContainers, "Containers", index); }
Variant TMSAccess::GetContainerByName(const std::string &name) { return collectionItem(Database, "Containers", name); }
std::int32_t TMSAccess::RelationCount() { return FetchCount(FRelations, "Relations"); }
Variant TMSAccess::GetRelation(std::int32_t index) { return FetchedItem(FRelations, "Relations", index); }
Variant TMSAccess::GetRelationByName(const std::string &name) { return collectionItem(Database, "Relations", name); }

Variant TMSAccess::GetQueryDef(std::int32_t index)
{
    LastError.clear();
    try {
        return FetchedItem(FQueryDefs, "QueryDefs", index);
    } catch (const std::exception &e) {
        LastError = e.what();
        return Variant::null();
    }
}

Variant TMSAccess::FindDocument(const std::string &name)
{
    const std::int32_t containers = ContainerCount();
    for (std::int32_t i = 0; i < containers; ++i) {
        const Variant documents = GetContainer(i).get("Documents");
        const std::int32_t count = documents.get("Count").toInt();
        for (std::int32_t j = 0; j < count; ++j) {
            Variant document = documents.item(j);
            if (document.get("Name").toText() == name)
                return document;
        }
    }
    return {};
}

Variant TMSAccess::OpenRecordset(const std::string &sql)
{
    if (!FDatabaseOpen)
        return {};
    return Database.call("OpenRecordset",
                         Args{sql, RecordsetTypeForCatalogue, RecordsetOptionsForCatalogue});
}

// ---- accounts

std::int32_t TMSAccess::UserCount()
{
    return FEngineActive ? collectionCount(Workspace, "Users") : 0;
}

std::int32_t TMSAccess::GroupCount()
{
    return FEngineActive ? collectionCount(Workspace, "Groups") : 0;
}

std::string TMSAccess::GetUserName(std::int32_t index)
{
    if (!FEngineActive || index >= UserCount())
        return {};
    return collectionItem(Workspace, "Users", index).get("Name").toText();
}

std::string TMSAccess::GetGroupName(std::int32_t index)
{
    if (!FEngineActive || index >= GroupCount())
        return {};
    return collectionItem(Workspace, "Groups", index).get("Name").toText();
}

// The first account of the collection whose Name matches, or Null.
Variant TMSAccess::FindAccount(const char *collection, const std::string &name, bool caseBlind)
{
    const Variant accounts = Workspace.get(collection);
    const std::int32_t count = accounts.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        Variant account = accounts.item(i);
        const std::string accountName = account.get("Name").toText();
        if (caseBlind ? automation::equalsNoCase(accountName, name) : accountName == name)
            return account;
    }
    return Variant::null();
}

void TMSAccess::GetUserGroups(const std::string &userName, std::vector<std::string> &list)
{
    list.clear();
    if (!FEngineActive)
        return;
    const Variant user = FindAccount("Users", userName, true);
    if (!user.isObject())
        return;
    const Variant groups = user.get("Groups");
    groups.call("refresh");
    const std::int32_t count = groups.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i)
        list.push_back(groups.item(i).get("Name").toText());
}

bool TMSAccess::CreateUser(const std::string &name, const std::string &pid,
                           const std::string &password)
{
    if (!FEngineActive)
        return false;
    Variant user = Workspace.call("CreateUser", Args{name, pid, password});
    Workspace.get("Users").call("Append", Args{user});
    user.release();
    return true;
}

void TMSAccess::DeleteUser(const std::string &name)
{
    if (FEngineActive)
        Workspace.get("Users").call("Delete", Args{name});
}

bool TMSAccess::CreateGroup(const std::string &name, const std::string &pid)
{
    if (!FEngineActive)
        return false;
    Variant group = Workspace.call("CreateGroup", Args{name, pid});
    Workspace.get("Groups").call("Append", Args{group});
    group.release();
    return true;
}

void TMSAccess::DeleteGroup(const std::string &name)
{
    if (FEngineActive)
        Workspace.get("Groups").call("Delete", Args{name});
}

bool TMSAccess::AddUserToGroup(const std::string &userName, const std::string &groupName)
{
    if (!FEngineActive)
        return false;
    Variant group = FindAccount("Groups", groupName, true);
    if (!group.isObject())
        return false;
    Variant member = group.call("CreateUser", Args{userName});
    group.get("Users").call("Append", Args{member});
    member.release();
    group.release();
    return true;
}

void TMSAccess::RemoveUserFromGroup(const std::string &userName, const std::string &groupName)
{
    if (!FEngineActive)
        return;
    const Variant group = FindAccount("Groups", groupName, false);
    if (group.isObject())
        group.get("Users").call("Delete", Args{userName});
}

bool TMSAccess::ChangePassword(const std::string &userName, const std::string &oldPassword,
                               const std::string &newPassword)
{
    if (!FEngineActive)
        return false;
    const Variant user = FindAccount("Users", userName, true);
    if (!user.isObject())
        return false;
    user.call("NewPassword", Args{oldPassword, newPassword});
    return true;
}

// ---- maintenance

void TMSAccess::CompactDatabase(const std::string &source, const std::string &destination)
{
    if (FEngineActive)
        Engine.call("CompactDatabase", Args{source, destination});
}

void TMSAccess::RepairDatabase(const std::string &name)
{
    if (FEngineActive)
        Engine.call("RepairDatabase", Args{name});
}

void TMSAccess::EncryptDatabase(const std::string &source, const std::string &destination,
                                const std::string &password)
{
    if (FEngineActive)
        Engine.call("CompactDatabase", Args{source, destination, CompactEncrypt, ";pwd=" + password});
}

void TMSAccess::DecryptDatabase(const std::string &source, const std::string &destination,
                                const std::string &password)
{
    if (FEngineActive)
        Engine.call("CompactDatabase", Args{source, destination, CompactDecrypt, ";pwd=" + password});
}

} // namespace engine
