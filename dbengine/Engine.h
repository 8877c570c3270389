#pragma once

#include "automation/Object.h"

#include <memory>
#include <string>
#include <vector>

namespace dbengine {

class Workspace;

// The engine object registered under "DAO.DBEngine", ".35" and ".36"; the ProgID only decides
// the Version it reports.
class Engine : public automation::Object {
public:
    explicit Engine(std::string version) : version_(std::move(version)) {}
    std::string_view className() const override { return "DBEngine"; }
    void forgetWorkspace(const Workspace *workspace);

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    automation::Variant workspaces(const automation::Args &args);
    automation::Variant createWorkspace(const automation::Args &args);
    automation::Variant createWorkgroup(const automation::Args &args);
    void compact(const automation::Args &args);
    void repair(const std::string &path);

    std::string version_;
    std::int32_t defaultType_ = 2;
    std::string defaultUser_ = "admin";
    std::string defaultPassword_;
    std::string systemDB_;
    std::vector<std::shared_ptr<Workspace>> workspaces_;
};

// Registers the engine under its three ProgIDs in the automation registry.
void registerEngine();

// The password of a connect text such as ";pwd=secret": everything after "pwd=", unchanged.
std::string passwordOf(const std::string &connect);

} // namespace dbengine
