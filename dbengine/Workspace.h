#pragma once

#include "automation/Object.h"

#include <memory>
#include <string>
#include <vector>

namespace dbengine {

class Database;
class Engine;
struct Session;

// A session of one account: opens and creates databases and reaches the accounts.
class Workspace : public automation::Object {
public:
    // `user` is the name as the login gave it; `session` the account the workgroup found.
    Workspace(std::weak_ptr<Engine> engine, std::string name, std::string user,
              std::shared_ptr<const Session> session);
    std::string_view className() const override { return "Workspace"; }
    const std::string &name() const { return name_; }
    void close();

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    void checkOpen() const;
    automation::Variant track(std::shared_ptr<Database> db);

    std::weak_ptr<Engine> engine_;
    std::string name_;
    std::string user_;
    std::shared_ptr<const Session> session_;
    std::vector<std::weak_ptr<Database>> databases_;
    bool closed_ = false;
};

} // namespace dbengine
