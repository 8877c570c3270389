#pragma once

#include <cstdint>

// The kind of a definition, shared by the object map and the object definition dialog. The
// values are those the dialog's type selector counts from (selector index + 1).
enum class ObjectKind : std::uint8_t {
    None = 0,
    Table = 1,
    Query = 2,
    Relation = 3,
    Container = 4,
};
