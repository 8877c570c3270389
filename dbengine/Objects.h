#pragma once

#include "automation/Object.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dbengine {

// A fixed list of items, for the small collections (fields, indexes, parameters, documents).
class ListCollection : public automation::Collection {
public:
    ListCollection(std::string_view className, std::vector<automation::Variant> items)
        : className_(className), items_(std::move(items)) {}
    std::string_view className() const override { return className_; }
    std::int32_t count() override { return std::int32_t(items_.size()); }
    automation::Variant itemAt(std::int32_t index) override { return items_.at(std::size_t(index)); }

private:
    std::string className_;
    std::vector<automation::Variant> items_;
};

struct FieldInfo {
    std::string name;
    std::int16_t type = 0;
    std::int32_t size = 0;
    std::string validationRule;
    std::string validationText; // kept for fields of Access origin
    std::string description;    // kept for fields of Access origin
    std::string defaultValue;
    bool allowZeroLength = false;
    bool required = false;
    std::string foreignName;
    std::string sourceTable;
    // DAO field attributes: 16 AutoNumber (a COUNTER column), 1 descending (an index field).
    std::int32_t attributes = 0;
};

// A field of a table, query, index, relation or recordset. A recordset's field also has a Value.
class FieldObject : public automation::Object {
public:
    explicit FieldObject(FieldInfo info, std::function<automation::Variant()> value = {})
        : info_(std::move(info)), value_(std::move(value)) {}
    std::string_view className() const override { return "Field"; }
    const FieldInfo &info() const { return info_; }

protected:
    automation::Variant invoke(automation::Invoke kind, const std::string &member,
                               const automation::Args &args) override;

private:
    FieldInfo info_;
    std::function<automation::Variant()> value_;
};

automation::Variant fieldCollection(const std::vector<FieldInfo> &fields);

} // namespace dbengine
