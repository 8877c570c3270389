#pragma once

#include "DatabaseCore.h"
#include "Objects.h"

#include <memory>

namespace dbengine {

// Relations are the tables' foreign keys; deleting one removes the constraint from its table.
class Relations : public automation::Collection {
public:
    explicit Relations(std::shared_ptr<DatabaseCore> core) : core_(std::move(core)) {}
    std::string_view className() const override { return "Relations"; }
    std::int32_t count() override;
    automation::Variant itemAt(std::int32_t index) override;
    automation::Variant itemNamed(std::string_view name) override;

protected:
    automation::Variant invokeMore(automation::Invoke kind, const std::string &member,
                                   const automation::Args &args) override;

private:
    void remove(const std::string &name);
    std::shared_ptr<DatabaseCore> core_;
};

} // namespace dbengine
