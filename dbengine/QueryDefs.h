#pragma once

#include "DatabaseCore.h"
#include "Catalogue.h"
#include "Objects.h"

#include <memory>

namespace dbengine {

// A saved query. A select query without parameters is also kept as an SQLite view of the same
// name, so that other statements can select from it.
class QueryDef : public automation::Object {
public:
    QueryDef(std::shared_ptr<DatabaseCore> core, std::string name) : core_(std::move(core)), name_(std::move(name)) {}
    // A query that is not saved (created with an empty name).
    QueryDef(std::shared_ptr<DatabaseCore> core, std::string name, std::string sql)
        : core_(std::move(core)), name_(std::move(name)), sql_(std::move(sql)), temporary_(true) {}
    std::string_view className() const override { return "QueryDef"; }

    // Stores a new query; the name must not be used by a table or another query.
    static void create(DatabaseCore &core, const std::string &name, const std::string &sql);
    static void remove(DatabaseCore &core, const std::string &name);

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    QueryEntry entry();
    std::string sql();
    std::string readableSql();
    void rename(const std::string &newName);
    void setSql(const std::string &text);
    automation::Variant parameters();
    automation::Variant fields();

    std::shared_ptr<DatabaseCore> core_;
    std::string name_;
    std::string sql_;
    bool temporary_ = false;
};

class QueryDefs : public CatalogueCollection<QueryEntry> {
public:
    explicit QueryDefs(std::shared_ptr<DatabaseCore> core)
        : CatalogueCollection(std::move(core), "QueryDefs", "Query") {}

protected:
    const std::vector<QueryEntry> &entries(DatabaseCore::Check check) override { return core_->queries(check); }
    const QueryEntry *find(std::string_view name) override { return core_->findQuery(name); }
    automation::Variant make(const QueryEntry &entry) override;
    void remove(const std::string &name) override { QueryDef::remove(*core_, name); }
};

// Checks that `name` can name a new table or query. `except` is a name the check ignores
// (the object being renamed).
void checkNewName(DatabaseCore &core, const std::string &name, const std::string &except = {});

} // namespace dbengine
