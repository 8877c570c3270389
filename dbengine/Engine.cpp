#include "Engine.h"

#include "ErrorCodes.h"
#include "Objects.h"
#include "OpenFiles.h"
#include "Workgroup.h"
#include "Workspace.h"
#include "automation/Error.h"
#include "automation/Registry.h"
#include "automation/Text.h"
#include "maintenance/Maintenance.h"

#include <algorithm>
#include <filesystem>

namespace dbengine {

using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

void refuseOpenFile(const std::string &path)
{
    if (openfiles::isOpen(openfiles::key(path)))
        throw Error("The database '" + std::filesystem::path(path).filename().string()
                        + "' is open; close it first.",
                    err::FileInUse, "DAO.DBEngine");
}

} // namespace

std::string passwordOf(const std::string &connect)
{
    const std::string lower = automation::lowerAscii(connect);
    std::size_t at = lower.find(";pwd=");
    if (at != std::string::npos)
        return connect.substr(at + 5);
    if (lower.rfind("pwd=", 0) == 0)
        return connect.substr(4);
    return {};
}

void Engine::forgetWorkspace(const Workspace *workspace)
{
    std::erase_if(workspaces_, [&](auto &w) { return w.get() == workspace; });
}

Variant Engine::workspaces(const automation::Args &args)
{
    std::vector<Variant> items(workspaces_.begin(), workspaces_.end());
    Variant list = std::make_shared<ListCollection>("Workspaces", std::move(items));
    if (args.empty())
        return list;
    try {
        return list.item(args[0]);
    } catch (const Error &) {
        throw Error("There is no workspace named '" + args[0].toText() + "'.", err::WorkspaceNotFound,
                    "DAO.DBEngine");
    }
}

Variant Engine::createWorkspace(const automation::Args &args)
{
    const std::string name = arg(args, 0).toText();
    const std::string user = arg(args, 1).toText();
    const std::string password = hasArg(args, 2) ? args[2].toText() : std::string();
    // The workgroup file is read afresh for every workspace, so a file chosen, replaced or
    // damaged since the last login is noticed.
    const auto workgroup = systemDB_.empty() ? Workgroup::builtIn() : Workgroup::open(systemDB_);
    auto session = workgroup->login(user, password);
    auto workspace = std::make_shared<Workspace>(std::static_pointer_cast<Engine>(shared_from_this()), name,
                                                 user, std::move(session));
    workspaces_.push_back(workspace);
    return workspace;
}

// CreateWorkgroup(path, name, organisation[, workgroup ID]): a new workgroup information file;
// the result is the workgroup ID, made up when none is given.
Variant Engine::createWorkgroup(const automation::Args &args)
{
    const std::string path = arg(args, 0).toText();
    const std::string name = hasArg(args, 1) ? args[1].toText() : std::string();
    const std::string organisation = hasArg(args, 2) ? args[2].toText() : std::string();
    const std::string id = hasArg(args, 3) ? args[3].toText() : std::string();
    return Workgroup::create(path, name, organisation, id);
}

void Engine::compact(const automation::Args &args)
{
    const std::string source = arg(args, 0).toText();
    const std::string destination = arg(args, 1).toText();
    const std::int32_t option = hasArg(args, 2) ? args[2].toInt() : 0;
    const std::string password = hasArg(args, 3) ? passwordOf(args[3].toText()) : std::string();
    refuseOpenFile(source);
    refuseOpenFile(destination);
    switch (option) {
    case 0:
        maintenance::compact(source, destination);
        break;
    case 2:
        maintenance::encrypt(source, destination, password);
        break;
    case 4:
        maintenance::decrypt(source, destination, password);
        break;
    default:
        throw Error("Unknown compact option " + std::to_string(option) + "; use 2 to encrypt or 4 to decrypt.",
                    err::InvalidArgument, "DAO.DBEngine");
    }
}

void Engine::repair(const std::string &path)
{
    refuseOpenFile(path);
    maintenance::repair(path);
}

Variant Engine::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (kind == Invoke::Put) {
        const Variant &value = arg(args, 0);
        if (m == "defaulttype")
            defaultType_ = value.toInt();
        else if (m == "defaultuser")
            defaultUser_ = value.toText();
        else if (m == "defaultpassword")
            defaultPassword_ = value.toText();
        else if (m == "systemdb")
            systemDB_ = value.toText();
        else
            readOnly(m);
        return {};
    }
    if (m == "version")
        return version_;
    if (m == "defaulttype")
        return defaultType_;
    if (m == "defaultuser")
        return defaultUser_;
    if (m == "systemdb")
        return systemDB_;
    if (m == "workspaces")
        return workspaces(args);
    if (m == "createworkspace")
        return createWorkspace(args);
    if (m == "createworkgroup")
        return createWorkgroup(args);
    if (m == "compactdatabase") {
        compact(args);
        return {};
    }
    if (m == "repairdatabase") {
        repair(arg(args, 0).toText());
        return {};
    }
    if (m == "idle")
        return {};
    noMember(m);
}

void registerEngine()
{
    auto &registry = automation::Registry::instance();
    registry.registerClass("DAO.DBEngine", [] { return std::make_shared<Engine>("3.0"); });
    registry.registerClass("DAO.DBEngine.35", [] { return std::make_shared<Engine>("3.5"); });
    registry.registerClass("DAO.DBEngine.36", [] { return std::make_shared<Engine>("3.6"); });
}

} // namespace dbengine
