#pragma once

#include <cstdint>
#include <string_view>

namespace dbengine {

// Field type codes of the automation interface.
namespace dao {
constexpr std::int16_t Boolean = 1, Byte = 2, Integer = 3, Long = 4, Currency = 5, Single = 6,
                       Double = 7, Date = 8, Binary = 9, Text = 10, LongBinary = 11, Memo = 12,
                       GUID = 15, BigInt = 16, Decimal = 20;
}

struct FieldType {
    std::int16_t type = 0; // 0: no declared type
    std::int32_t size = 0;
};

// A column's declared type (SQLite's or Jet's spelling, "TEXT(50)", "LONG", "DATETIME", ...) as
// a field type code and size. Unknown names follow SQLite's affinity rules.
FieldType mapDeclaredType(std::string_view declared);

} // namespace dbengine
