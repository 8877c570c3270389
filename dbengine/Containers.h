#pragma once

#include "DatabaseCore.h"
#include "Catalogue.h"
#include "Objects.h"

#include <memory>

namespace dbengine {

// The containers of a database and their documents: "Databases" holds the database itself
// ("MSysDb"), "Tables" every table and query, "Relationships" every relation; the others
// (forms, modules, reports, scripts) are empty in this engine.
class Containers : public CatalogueCollection<std::string> {
public:
    explicit Containers(std::shared_ptr<DatabaseCore> core)
        : CatalogueCollection(std::move(core), "Containers", "Container") {}

protected:
    const std::vector<std::string> &entries(DatabaseCore::Check check) override;
    const std::string *find(std::string_view name) override;
    automation::Variant make(const std::string &name) override;
};

} // namespace dbengine
