#include "PermissionBoxes.h"

namespace accounts {

namespace {

bool has(std::uint32_t value, std::uint32_t mask)
{
    return (value & mask) == mask;
}

} // namespace

ContainerKind containerKind(const std::string &name)
{
    if (name == "Databases")
        return ContainerKind::Databases;
    if (name == "Tables")
        return ContainerKind::Tables;
    if (name == "Reports")
        return ContainerKind::Reports;
    if (name == "Scripts")
        return ContainerKind::Scripts;
    if (name == "Forms")
        return ContainerKind::Forms;
    return ContainerKind::Other;
}

std::optional<std::uint32_t> PermissionBoxes::mask(Box box, ContainerKind kind)
{
    if (kind == ContainerKind::Databases) {
        switch (box) {
        case Box::Create: return 0x1;
        case Box::Exclusive: return 0x4;
        case Box::Admin: return 0x8;
        default: return std::nullopt;
        }
    }
    switch (box) {
    case Box::Create: return 0x1;
    case Box::ReadDef: return 0x4;
    case Box::Exclusive: return std::nullopt;
    case Box::ChngDef: return 0x1000C;
    case Box::Admin: return 0x40000;
    case Box::ReadData: return 0x14;
    case Box::ChngData: return 0x40;
    case Box::InsData: return 0x20;
    case Box::DelData: return 0x80;
    }
    return std::nullopt;
}

bool PermissionBoxes::enabled(Box box, ContainerKind kind)
{
    switch (box) {
    case Box::Create:
        return kind == ContainerKind::Databases || kind == ContainerKind::Reports || kind == ContainerKind::Scripts
               || kind == ContainerKind::Forms;
    case Box::ReadDef:
    case Box::ChngDef:
        return kind != ContainerKind::Databases;
    case Box::Exclusive:
    case Box::Admin:
        return true;
    case Box::ReadData:
    case Box::ChngData:
    case Box::InsData:
    case Box::DelData:
        return kind == ContainerKind::Tables;
    }
    return false;
}

bool PermissionBoxes::visible(Box box, ContainerKind kind)
{
    if (box == Box::ReadDef)
        return kind != ContainerKind::Databases;
    if (box == Box::Exclusive)
        return kind == ContainerKind::Databases;
    return true;
}

const std::vector<Box> &PermissionBoxes::order(ContainerKind kind)
{
    static const std::vector<Box> objects{Box::Create,   Box::ReadDef,  Box::ChngDef, Box::Admin,
                                          Box::ReadData, Box::ChngData, Box::InsData, Box::DelData};
    static const std::vector<Box> database{Box::Exclusive, Box::Admin, Box::Create};
    return kind == ContainerKind::Databases ? database : objects;
}

void PermissionBoxes::set(Box box, bool on)
{
    if (states_[index(box)] == on)
        return;
    states_[index(box)] = on;
    if (rulesActive_)
        rule(box, on);
}

// What a box implies when it changes; each change made here runs the changed box's rule in turn.
void PermissionBoxes::rule(Box box, bool on)
{
    auto setAll = [this](std::initializer_list<Box> boxes, bool state) {
        for (Box b : boxes)
            set(b, state);
    };
    switch (box) {
    case Box::ReadDef:
        if (!on)
            setAll({Box::ChngDef, Box::Admin, Box::ReadData, Box::ChngData, Box::InsData, Box::DelData}, false);
        break;
    case Box::ChngDef:
        if (on)
            setAll({Box::ReadDef, Box::ReadData, Box::ChngData, Box::DelData}, true);
        else
            set(Box::Admin, false);
        break;
    case Box::Admin:
        if (on)
            setAll({Box::ReadDef, Box::ChngDef, Box::ReadData, Box::ChngData, Box::InsData, Box::DelData}, true);
        break;
    case Box::ReadData:
        if (on)
            set(Box::ReadDef, true);
        else
            setAll({Box::ChngDef, Box::Admin, Box::ChngData, Box::InsData, Box::DelData}, false);
        break;
    case Box::ChngData:
    case Box::InsData:
    case Box::DelData:
        if (on)
            set(Box::ReadData, true);
        break;
    case Box::Create:
    case Box::Exclusive:
        break;
    }
}

void PermissionBoxes::load(std::int32_t value, ContainerKind kind)
{
    for (Box box : order(kind))
        set(box, has(std::uint32_t(value), *mask(box, kind)));
}

bool PermissionBoxes::differsFrom(std::int32_t value, ContainerKind kind) const
{
    for (Box box : order(kind))
        if (checked(box) != has(std::uint32_t(value), *mask(box, kind)))
            return true;
    return false;
}

std::int32_t PermissionBoxes::applyTo(std::int32_t value, ContainerKind kind) const
{
    // A box turned off gives up every bit of its mask that no box still on needs. The masks
    // overlap: clearing Retrieve data (0x14) must not take Read definition (0x4) with it, and once
    // 0x4 is gone the rest of Retrieve data (0x10) must go too, or a group holding Read
    // definition would complete it again.
    std::uint32_t needed = 0;
    for (Box box : order(kind))
        if (checked(box))
            needed |= *mask(box, kind);
    auto v = std::uint32_t(value);
    for (Box box : order(kind)) {
        const std::uint32_t m = *mask(box, kind);
        if (checked(box) && !has(v, m))
            v |= m;
        else if (!checked(box))
            v &= ~(m & ~needed);
    }
    return std::int32_t(v);
}

} // namespace accounts
