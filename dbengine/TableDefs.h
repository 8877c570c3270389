#pragma once

#include "DatabaseCore.h"
#include "Catalogue.h"
#include "Objects.h"

#include <memory>

namespace dbengine {

std::vector<FieldInfo> readTableFields(Connection &c, const std::string &table);

class TableDef : public automation::Object {
public:
    TableDef(std::shared_ptr<DatabaseCore> core, TableEntry entry)
        : core_(std::move(core)), entry_(std::move(entry)) {}
    std::string_view className() const override { return "TableDef"; }

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    automation::Variant indexes();
    std::shared_ptr<DatabaseCore> core_;
    TableEntry entry_;
};

class TableDefs : public CatalogueCollection<TableEntry> {
public:
    explicit TableDefs(std::shared_ptr<DatabaseCore> core)
        : CatalogueCollection(std::move(core), "TableDefs", "Table") {}

protected:
    const std::vector<TableEntry> &entries(DatabaseCore::Check check) override { return core_->tables(check); }
    const TableEntry *find(std::string_view name) override { return core_->findTable(name); }
    automation::Variant make(const TableEntry &entry) override;
    void remove(const std::string &name) override;
};

} // namespace dbengine
