#pragma once

#include "DatabaseCore.h"
#include "Objects.h"

#include <memory>

namespace dbengine {

// The containers of a database and their documents: "Databases" holds the database itself
// ("MSysDb"), "Tables" every table and query, "Relationships" every relation; the others
// (forms, modules, reports, scripts) are empty in this engine.
class Containers : public automation::Collection {
public:
    explicit Containers(std::shared_ptr<DatabaseCore> core) : core_(std::move(core)) {}
    std::string_view className() const override { return "Containers"; }
    std::int32_t count() override;
    automation::Variant itemAt(std::int32_t index) override;

protected:
    automation::Variant invokeMore(automation::Invoke kind, const std::string &member,
                                   const automation::Args &args) override;

private:
    std::shared_ptr<DatabaseCore> core_;
};

} // namespace dbengine
