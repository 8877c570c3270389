#pragma once

#include "DatabaseCore.h"
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

class TableDefs : public automation::Collection {
public:
    explicit TableDefs(std::shared_ptr<DatabaseCore> core) : core_(std::move(core)) {}
    std::string_view className() const override { return "TableDefs"; }
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
