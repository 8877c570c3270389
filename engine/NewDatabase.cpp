#include "NewDatabase.h"

namespace engine {

namespace {

constexpr std::int32_t WorkspaceTypeJet = 2;

} // namespace

automation::Variant OpenEngineWorkspace(const automation::Variant &engine, const std::string &name,
                                        const std::string &user, const std::string &password)
{
    return engine.call("CreateWorkspace", {name, user, password, WorkspaceTypeJet});
}

automation::Variant CreateDatabase(const automation::Variant &workspace, const std::string &path)
{
    return workspace.call("CreateDatabase", {path});
}

void CreateDatabaseFile(const automation::Variant &engine, const std::string &path)
{
    automation::Variant workspace = OpenEngineWorkspace(engine, "~new", "admin", "");
    try {
        CreateDatabase(workspace, path).call("Close");
    } catch (...) {
        // The engine's error is the one to report, not a failing close after it.
        try {
            workspace.call("Close");
        } catch (...) {
        }
        throw;
    }
    workspace.call("Close");
}

} // namespace engine
