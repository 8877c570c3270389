#include "TypeMap.h"

#include "automation/Text.h"

#include <cstdlib>
#include <string>

namespace dbengine {

namespace {

struct NamedType {
    const char *name;
    std::int16_t type;
    std::int32_t size;
};

// Sizes follow the storage of each type; text and binary take the declared length.
const NamedType kTypes[] = {
    {"BIT", dao::Boolean, 1},        {"YESNO", dao::Boolean, 1},     {"BOOLEAN", dao::Boolean, 1},
    {"LOGICAL", dao::Boolean, 1},    {"BOOL", dao::Boolean, 1},      {"BYTE", dao::Byte, 1},
    {"TINYINT", dao::Byte, 1},       {"INTEGER1", dao::Byte, 1},     {"SHORT", dao::Integer, 2},
    {"SMALLINT", dao::Integer, 2},   {"INTEGER2", dao::Integer, 2},  {"LONG", dao::Long, 4},
    {"INT", dao::Long, 4},           {"INTEGER", dao::Long, 4},      {"INTEGER4", dao::Long, 4},
    {"COUNTER", dao::Long, 4},       {"AUTOINCREMENT", dao::Long, 4},{"AUTONUMBER", dao::Long, 4},
    {"BIGINT", dao::BigInt, 8},      {"CURRENCY", dao::Currency, 8}, {"MONEY", dao::Currency, 8},
    {"SINGLE", dao::Single, 4},      {"FLOAT4", dao::Single, 4},     {"IEEESINGLE", dao::Single, 4},
    {"REAL", dao::Double, 8},        {"DOUBLE", dao::Double, 8},     {"FLOAT", dao::Double, 8},
    {"FLOAT8", dao::Double, 8},      {"NUMBER", dao::Double, 8},     {"IEEEDOUBLE", dao::Double, 8},
    {"DATETIME", dao::Date, 8},      {"DATE", dao::Date, 8},         {"TIME", dao::Date, 8},
    {"TIMESTAMP", dao::Date, 8},     {"BINARY", dao::Binary, 255},   {"VARBINARY", dao::Binary, 255},
    {"LONGBINARY", dao::LongBinary, 0}, {"BLOB", dao::LongBinary, 0}, {"OLEOBJECT", dao::LongBinary, 0},
    {"IMAGE", dao::LongBinary, 0},   {"GENERAL", dao::LongBinary, 0}, {"MEMO", dao::Memo, 0},
    {"LONGTEXT", dao::Memo, 0},      {"LONGCHAR", dao::Memo, 0},     {"NOTE", dao::Memo, 0},
    {"CLOB", dao::Memo, 0},          {"NTEXT", dao::Memo, 0},        {"GUID", dao::GUID, 16},
    {"UNIQUEIDENTIFIER", dao::GUID, 16}, {"DECIMAL", dao::Decimal, 16}, {"NUMERIC", dao::Decimal, 16},
    {"VARCHAR", dao::Text, 255},     {"NVARCHAR", dao::Text, 255},   {"CHAR", dao::Text, 255},
    {"NCHAR", dao::Text, 255},       {"CHARACTER", dao::Text, 255},  {"ALPHANUMERIC", dao::Text, 255},
    {"STRING", dao::Text, 255},
};

// TEXT alone is a memo; TEXT(n) is text of n characters.
FieldType sized(std::int16_t type, std::int32_t fallback, const std::string &args)
{
    if (!args.empty()) {
        const long n = std::strtol(args.c_str(), nullptr, 10);
        if (n > 0)
            return {type, std::int32_t(n)};
    }
    return {type, fallback};
}

FieldType byAffinity(const std::string &upper)
{
    if (upper.find("INT") != std::string::npos)
        return {dao::Long, 4};
    if (upper.find("CHAR") != std::string::npos || upper.find("CLOB") != std::string::npos
        || upper.find("TEXT") != std::string::npos)
        return {dao::Memo, 0};
    if (upper.find("BLOB") != std::string::npos)
        return {dao::LongBinary, 0};
    if (upper.find("REAL") != std::string::npos || upper.find("FLOA") != std::string::npos
        || upper.find("DOUB") != std::string::npos)
        return {dao::Double, 8};
    return {dao::Decimal, 16};
}

} // namespace

FieldType mapDeclaredType(std::string_view declared)
{
    std::string upper = automation::upperAscii(declared);
    while (!upper.empty() && upper.back() == ' ')
        upper.pop_back();
    std::size_t start = upper.find_first_not_of(' ');
    if (start == std::string::npos)
        return {};
    upper.erase(0, start);
    std::string args;
    std::string name = upper;
    if (const auto paren = upper.find('('); paren != std::string::npos) {
        const auto close = upper.find(')', paren);
        args = upper.substr(paren + 1, close == std::string::npos ? std::string::npos : close - paren - 1);
        name = upper.substr(0, paren);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
    }
    if (name == "TEXT")
        return args.empty() ? FieldType{dao::Memo, 0} : sized(dao::Text, 255, args);
    if (name == "DOUBLE PRECISION")
        return {dao::Double, 8};
    if (name == "CHARACTER VARYING" || name == "VARYING CHARACTER")
        return sized(dao::Text, 255, args);
    for (const NamedType &t : kTypes)
        if (name == t.name)
            return (t.type == dao::Text || t.type == dao::Binary) ? sized(t.type, t.size, args)
                                                                 : FieldType{t.type, t.size};
    return byAffinity(upper);
}

} // namespace dbengine
