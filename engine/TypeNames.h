#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

// Words for the engine's numeric codes, as the windows show them.

// Field and parameter type codes; unknown codes give "Unkown DAO Type".
std::string FieldTypeName(std::int16_t code);
// Flag words of a table's attribute set followed by the value in hex, e.g. "System (0x80000002)".
std::string TableAttributesText(std::uint32_t attributes);
// Query type; the bit 8 marks a hidden query and adds ", (Hidden)".
std::string QueryTypeName(std::int16_t code);
// The whole attribute value is matched; any other value (combinations too) is "1:N".
std::string RelationAttributeName(std::uint32_t attributes);
std::string ParameterDirectionName(std::int32_t direction);

// Statement kinds as query type codes: 0 select, 32 delete, 48 update, 64 insert, 96 create,
// 240 anything else.
constexpr std::int16_t KindSelect = 0;
constexpr std::int16_t KindDelete = 32;
constexpr std::int16_t KindUpdate = 48;
constexpr std::int16_t KindInsert = 64;
constexpr std::int16_t KindCreate = 96;
constexpr std::int16_t KindOther = 240;

// Classifies SQL by its leading keyword, letter case ignored. Leading blanks are not skipped.
std::int16_t StatementKind(std::string_view sql);

} // namespace engine
