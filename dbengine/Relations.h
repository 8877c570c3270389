#pragma once

#include "DatabaseCore.h"
#include "Catalogue.h"
#include "Objects.h"

#include <memory>

namespace dbengine {

// Relations are the tables' foreign keys; deleting one removes the constraint from its table.
class Relations : public CatalogueCollection<RelationEntry> {
public:
    explicit Relations(std::shared_ptr<DatabaseCore> core)
        : CatalogueCollection(std::move(core), "Relations", "Relation") {}

protected:
    const std::vector<RelationEntry> &entries(DatabaseCore::Check check) override { return core_->relations(check); }
    const RelationEntry *find(std::string_view name) override { return core_->findRelation(name); }
    automation::Variant make(const RelationEntry &entry) override;
    void remove(const std::string &name) override;
};

} // namespace dbengine
