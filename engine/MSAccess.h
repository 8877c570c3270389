#pragma once

#include "automation/Variant.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The one object through which the program reaches the database engine: it obtains the engine
// for the selected version, opens the workspace under an account, opens and closes the database,
// and offers the catalogue, account and maintenance operations.
//
// Three nested levels: engine, workspace, database. Assigning a level flag opens or closes it;
// opening needs the level above, closing closes the levels below first. Engine errors are caught
// only while creating the engine, opening the workspace, opening the database and fetching a
// query definition by index: their message goes to LastError and the step reports failure.
// Everything else lets engine errors propagate.
class TMSAccess {
public:
    TMSAccess();
    ~TMSAccess();
    TMSAccess(const TMSAccess &) = delete;
    TMSAccess &operator=(const TMSAccess &) = delete;

    automation::Variant Engine;
    automation::Variant Workspace;
    automation::Variant Database;
    std::string DatabaseName;
    std::string SystemDB;
    std::string UserName;
    std::string Password;
    std::string EngineProgID;
    std::string LastError;
    bool ReadOnly = false;
    bool Exclusive = false;

    bool EngineActive() const { return FEngineActive; }
    void setEngineActive(bool active);
    bool WorkspaceOpen() const { return FWorkspaceOpen; }
    void setWorkspaceOpen(bool open);
    bool DatabaseOpen() const { return FDatabaseOpen; }
    void setDatabaseOpen(bool open);
    std::uint8_t DAOType() const { return FDAOType; }
    // Throws automation::Error while the engine is active.
    void setDAOType(std::uint8_t type);

    std::string GetEngineVersion();
    std::string GetDatabaseVersion();
    std::string GetWorkspaceName();
    std::string GetDatabaseName();
    std::string GetCurrentUser();
    std::string GetSystemDB();
    automation::Variant GetDatabase() const { return Database; }

    // Catalogue of the open database; only OpenRecordset checks that one is open. A count
    // fetches its collection (which checks the file for other connections' changes) and keeps
    // it; the items by index after it come from that collection, so that enumerating n items
    // checks the file once. Items by name always fetch.
    std::int32_t TableDefCount();
    automation::Variant GetTableDef(std::int32_t index);
    automation::Variant GetTableDefByName(const std::string &name);
    std::int32_t QueryDefCount();
    // Catches engine errors: LastError gets the message and the result is Null.
    automation::Variant GetQueryDef(std::int32_t index);
    automation::Variant GetQueryDefByName(const std::string &name);
    std::int32_t ContainerCount();
    automation::Variant GetContainer(std::int32_t index);
    automation::Variant GetContainerByName(const std::string &name);
    std::int32_t RelationCount();
    automation::Variant GetRelation(std::int32_t index);
    automation::Variant GetRelationByName(const std::string &name);
    // First document of that exact name in any container; Empty when there is none.
    automation::Variant FindDocument(const std::string &name);
    // Empty without an open database.
    automation::Variant OpenRecordset(const std::string &sql);

    // Accounts of the workgroup, through the workspace; guarded by EngineActive.
    std::int32_t UserCount();
    std::string GetUserName(std::int32_t index);
    std::int32_t GroupCount();
    std::string GetGroupName(std::int32_t index);
    void GetUserGroups(const std::string &userName, std::vector<std::string> &list);
    bool CreateUser(const std::string &name, const std::string &pid, const std::string &password);
    void DeleteUser(const std::string &name);
    bool CreateGroup(const std::string &name, const std::string &pid);
    void DeleteGroup(const std::string &name);
    bool AddUserToGroup(const std::string &userName, const std::string &groupName);
    void RemoveUserFromGroup(const std::string &userName, const std::string &groupName);
    bool ChangePassword(const std::string &userName, const std::string &oldPassword,
                        const std::string &newPassword);

    // Whole-file operations of the engine; they do nothing while the engine is inactive.
    void CompactDatabase(const std::string &source, const std::string &destination);
    void RepairDatabase(const std::string &name);
    void EncryptDatabase(const std::string &source, const std::string &destination,
                         const std::string &password);
    void DecryptDatabase(const std::string &source, const std::string &destination,
                         const std::string &password);

private:
    // A collection fetched by a count, with the database it belongs to.
    struct Fetched {
        automation::ObjectPtr database;
        automation::Variant collection;
    };
    std::int32_t FetchCount(Fetched &kept, const char *collection);
    automation::Variant FetchedItem(Fetched &kept, const char *collection, std::int32_t index);
    Fetched FTableDefs, FQueryDefs, FContainers, FRelations;

    bool CreateEngine(const std::string &progId);
    automation::Variant GetEngineObject(const std::string &progId);
    bool OpenWorkspace(const std::string &name, const std::string &user, const std::string &password);
    automation::Variant OpenDatabaseObject(bool exclusive, bool readOnly);
    void CloseDatabase();
    void CloseWorkspace();
    void ReleaseEngine();
    void PrepareEngine();
    automation::Variant FindAccount(const char *collection, const std::string &name, bool caseBlind);

    bool FEngineActive = false;
    bool FWorkspaceOpen = false;
    bool FDatabaseOpen = false;
    std::uint8_t FDAOType = 0;
};

} // namespace engine
