#include "Objects.h"

#include <memory>

namespace dbengine {

using automation::Invoke;
using automation::Variant;

Variant FieldObject::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (kind == Invoke::Put)
        readOnly(m);
    if (m == "name")
        return info_.name;
    if (m == "type")
        return std::int32_t(info_.type);
    if (m == "size")
        return info_.size;
    if (m == "validationrule")
        return info_.validationRule;
    if (m == "validationtext")
        return info_.validationText;
    if (m == "description")
        return info_.description;
    if (m == "defaultvalue")
        return info_.defaultValue;
    if (m == "allowzerolength")
        return info_.allowZeroLength;
    if (m == "required")
        return info_.required;
    if (m == "foreignname")
        return info_.foreignName;
    if (m == "sourcetable")
        return info_.sourceTable;
    if (m == "attributes")
        return info_.attributes;
    if (m == "value" && value_)
        return value_();
    noMember(m);
}

Variant fieldCollection(const std::vector<FieldInfo> &fields)
{
    std::vector<Variant> items;
    items.reserve(fields.size());
    for (const FieldInfo &f : fields)
        items.emplace_back(std::make_shared<FieldObject>(f));
    return std::make_shared<ListCollection>("Fields", std::move(items));
}

} // namespace dbengine
