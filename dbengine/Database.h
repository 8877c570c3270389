#pragma once

#include "DatabaseCore.h"
#include "automation/Object.h"

#include <memory>

namespace dbengine {

struct Session;

class Database : public automation::Object {
public:
    explicit Database(std::shared_ptr<DatabaseCore> core) : core_(std::move(core)) {}
    std::string_view className() const override { return "Database"; }
    void close() { core_->close(); }
    bool isClosed() const { return core_->isClosed(); }

    // Opens `path` as the engine does: every check of the file first, then the connection, then
    // the account's Open (and Exclusive) permission.
    static std::shared_ptr<Database> open(const std::string &path, bool exclusive, bool readOnly,
                                          std::shared_ptr<const Session> session);
    // Opens an Access (Jet) file read-only through its working copy.
    static std::shared_ptr<Database> openAccess(const std::string &path, std::shared_ptr<const Session> session);
    // Creates a new, empty database file owned by the session's user and opens it.
    static std::shared_ptr<Database> create(const std::string &path, std::shared_ptr<const Session> session);

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    bool accessDialect();
    void execute(const std::string &sql);
    void executeAccess(const std::string &sql);
    void executeSqlite(const std::string &sql);
    void runStatement(const std::string &sql);
    void putMember(const std::string &member, const automation::Variant &value);
    automation::Variant openRecordset(const std::string &source);
    automation::Variant createQueryDef(const automation::Args &args);
    std::string fileVersion();

    std::shared_ptr<DatabaseCore> core_;
};

} // namespace dbengine
