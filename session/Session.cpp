#include "Session.h"

#include "automation/Error.h"
#include "dbengine/maintenance/Files.h"
#include "dbengine/maintenance/Replace.h"
#include "engine/MSAccess.h"
#include "engine/NewDatabase.h"
#include "jetfile/AccessFile.h"
#include "platform/Folders.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace session {

namespace {

std::string canonicalOrEmpty(const std::string &path)
{
    std::error_code error;
    const std::filesystem::path p = std::filesystem::canonical(path, error);
    return error ? std::string() : p.string();
}

std::string fileNameOf(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

// Puts a value back after a rejected change; what cannot be put back stays as the engine left
// it, since the caller reports the first error anyway.
void putQuietly(const automation::Variant &object, const char *member, const std::string &value)
{
    try {
        object.put(member, value);
    } catch (const std::exception &) {
    }
}

} // namespace

Session::Session() : access_(std::make_unique<engine::TMSAccess>()) {}

Session::~Session()
{
    database_.release();
    access_->setEngineActive(false);
}

bool Session::startEngine(int engineIndex, const std::string &systemDb)
{
    access_->setDAOType(std::uint8_t(engineIndex));
    access_->SystemDB = systemDb;
    access_->setEngineActive(true);
    return access_->EngineActive();
}

void Session::stopEngine()
{
    const bool wasOpen = isOpen();
    releaseDatabase();
    access_->setEngineActive(false);
    if (wasOpen)
        notify();
}

bool Session::engineActive() const
{
    return access_->EngineActive();
}

std::string Session::ensureDefaultWorkgroup(const std::string &folder)
{
    if (!access_->EngineActive() || !access_->GetSystemDB().empty())
        return {};
    const std::string path = platform::joinPath(folder, "system.mdw");
    try {
        if (!platform::fileExists(path)) {
            std::error_code ignored;
            std::filesystem::create_directories(folder, ignored);
            access_->Engine.call("CreateWorkgroup", {path, "Jetwarden", "", ""});
        }
        access_->Engine.put("SystemDB", path);
        access_->SystemDB = path;
    } catch (const std::exception &e) {
        return e.what();
    }
    return {};
}

void Session::create(const std::string &path)
{
    if (!access_->EngineActive())
        throw automation::Error("The database engine is not running.");
    engine::CreateDatabaseFile(access_->Engine, path);
}

bool Session::logIn(const Login &login)
{
    close();
    login_ = login;
    access_->UserName = login.user;
    access_->Password = login.password;
    access_->setWorkspaceOpen(true);
    return access_->WorkspaceOpen();
}

bool Session::probeLogin(const std::string &path)
{
    access_->UserName = "admin";
    access_->Password.clear();
    access_->setWorkspaceOpen(true);
    std::string probe = access_->LastError;
    if (probe.empty()) {
        access_->DatabaseName = path;
        access_->setDatabaseOpen(true);
        probe = access_->LastError;
        access_->setDatabaseOpen(false);
        access_->setWorkspaceOpen(false);
    }
    return probe.empty();
}

std::string Session::openProblem(const std::string &path) const
{
    return dbengine::maintenance::openProblem(path);
}

bool Session::open(const std::string &path, const Login &login, const OpenFlags &flags)
{
    close();
    databaseFile_ = path;
    login_ = login;
    // A file no login can open is named as such, not reported as a refused account.
    const std::string problem = openProblem(path);
    if (!problem.empty()) {
        access_->LastError = problem;
        return false;
    }
    return connect(flags);
}

// Opens the workspace under the remembered login and the remembered file in it.
bool Session::connect(const OpenFlags &flags)
{
    if (login_.user.empty()) {
        access_->LastError.clear();
        return false;
    }
    access_->UserName = login_.user;
    access_->Password = login_.password;
    access_->setWorkspaceOpen(true);
    if (!access_->LastError.empty())
        return false;
    access_->DatabaseName = databaseFile_;
    access_->Exclusive = flags.exclusive;
    access_->ReadOnly = flags.readOnly;
    access_->setDatabaseOpen(true);
    database_ = access_->GetDatabase();
    if (!access_->DatabaseOpen())
        return false;
    notify();
    return true;
}

void Session::close()
{
    const bool wasOpen = isOpen();
    releaseDatabase();
    access_->setWorkspaceOpen(false);
    if (wasOpen)
        notify();
}

bool Session::refresh(int engineIndex, const std::string &systemDb, const OpenFlags &flags)
{
    stopEngine();
    if (!startEngine(engineIndex, systemDb))
        return false;
    return connect(flags);
}

bool Session::isOpen() const
{
    return access_->DatabaseOpen();
}

const std::string &Session::lastError() const
{
    return access_->LastError;
}

void Session::releaseDatabase()
{
    database_.release();
}

void Session::refuseOpenFile(const std::string &path) const
{
    if (!access_->DatabaseOpen())
        return;
    const std::string chosen = canonicalOrEmpty(path);
    if (chosen.empty() || chosen != canonicalOrEmpty(access_->GetDatabaseName()))
        return;
    throw automation::Error("\"" + fileNameOf(path) + "\" is the open database. Close it first.");
}

void Session::compact(const std::string &source, const std::string &target)
{
    refuseOpenFile(source);
    const std::string destination = target.empty() ? source : target;
    refuseOpenFile(destination);
    dbengine::maintenance::replaceFile(destination,
                            [&](const std::string &temporary) { access_->CompactDatabase(source, temporary); });
}

void Session::convert(const std::string &source, const std::string &target, const std::string &charset,
                      const ConvertProgress &progress)
{
    if (!jetfile::isAccessFile(source))
        throw automation::Error("\"" + fileNameOf(source) + "\" is not an Access database file.");
    refuseOpenFile(target);
    try {
        jetfile::convert(source, target, charset, progress);
    } catch (const jetfile::AccessError &e) {
        throw automation::Error(e.what());
    }
}

void Session::repair(const std::string &path)
{
    refuseOpenFile(path);
    // The engine rebuilds the file beside itself and swaps it in only when complete.
    access_->RepairDatabase(path);
}

void Session::encrypt(const std::string &source, const std::string &target, const std::string &password)
{
    refuseOpenFile(source);
    refuseOpenFile(target);
    // Written over its own source, the file would be lost once the result replaced it.
    dbengine::maintenance::requireOtherFile(source, target);
    dbengine::maintenance::replaceFile(target, [&](const std::string &temporary) {
        access_->EncryptDatabase(source, temporary, password);
    });
}

void Session::decrypt(const std::string &source, const std::string &target, const std::string &password)
{
    refuseOpenFile(source);
    refuseOpenFile(target);
    dbengine::maintenance::requireOtherFile(source, target);
    dbengine::maintenance::replaceFile(target, [&](const std::string &temporary) {
        access_->DecryptDatabase(source, temporary, password);
    });
}

automation::Variant Session::saveQueryDefinition(const automation::Variant &definition, const std::string &name,
                                                 const std::string &sql)
{
    if (!definition.isObject()) {
        // The engine stores a new query at once; one it then rejects is removed again. Only a
        // query this very call created is removed: a name already taken fails before that.
        automation::Variant created = database_.call("CreateQueryDef", {name, sql});
        try {
            created.get("Parameters").get("Count");
        } catch (...) {
            try {
                database_.get("QueryDefs").call("Delete", {name});
            } catch (const std::exception &) {
            }
            throw;
        }
        return created;
    }
    // Renames and changes the text, then has the engine check the new text; a rejected change
    // is taken back whole, name included.
    const std::string oldName = definition.get("Name").toText();
    definition.put("Name", name);
    std::string oldSql;
    bool sqlRead = false;
    try {
        oldSql = definition.get("SQL").toText();
        sqlRead = true;
        definition.put("SQL", sql);
        definition.get("Parameters").get("Count");
    } catch (...) {
        if (sqlRead)
            putQuietly(definition, "SQL", oldSql);
        putQuietly(definition, "Name", oldName);
        throw;
    }
    return definition;
}

int Session::addListener(Listener listener)
{
    listeners_[nextListener_] = std::move(listener);
    return nextListener_++;
}

void Session::removeListener(int id)
{
    listeners_.erase(id);
}

void Session::notify()
{
    // A listener may remove itself (or another) while being told.
    std::vector<int> ids;
    for (const auto &entry : listeners_)
        ids.push_back(entry.first);
    for (int id : ids) {
        auto it = listeners_.find(id);
        if (it != listeners_.end())
            it->second();
    }
}

} // namespace session
