#include "TypeNames.h"

#include "automation/Text.h"

#include <array>
#include <cstdio>
#include <utility>

namespace engine {

namespace {

constexpr std::int16_t HiddenQueryBit = 8;

struct FlagWord {
    std::uint32_t mask;
    const char *word;
};

} // namespace

std::string FieldTypeName(std::int16_t code)
{
    static constexpr std::array<const char *, 24> names = {
        nullptr,  "Boolean", "Byte",      "Integer", "Long",  "Currency",  "Single", "Double",
        "Date",   "Binary",  "Text",      "LongBinary", "Memo", nullptr,   nullptr,  "GUID",
        "BigInt", "VarBinary", "Char",    "Numeric", "Decimal", "Float",  "Time",   "TimeStamp"};
    if (code < 0 || std::size_t(code) >= names.size() || !names[std::size_t(code)])
        return "Unkown DAO Type";
    return names[std::size_t(code)];
}

std::string TableAttributesText(std::uint32_t attributes)
{
    // 0x80000000 and 0x00000002 both mark a system table; either gives the one word.
    static constexpr FlagWord words[] = {
        {0x00010000u, "AttachExclusive, "}, {0x00020000u, "AttachSavePWD, "},
        {0x80000002u, "System, "},          {0x40000000u, "Attached, "},
        {0x20000000u, "AttachedODBC, "},    {0x00000001u, "Hidden, "},
    };
    std::string text;
    for (const FlagWord &w : words)
        if (attributes & w.mask)
            text += w.word;
    if (text.empty())
        text = "Normal";
    else
        text.resize(text.size() - 2);
    char hex[24];
    std::snprintf(hex, sizeof hex, " (0x%X)", unsigned(attributes));
    return text + hex;
}

std::string QueryTypeName(std::int16_t code)
{
    static constexpr std::pair<std::int16_t, const char *> names[] = {
        {0, "Select"},           {16, "Crosstab"},      {32, "Delete"},   {48, "Update"},
        {64, "Append"},          {80, "Make-table"},    {96, "Data-definition"},
        {112, "Pass-through"},   {128, "Union"},        {144, "SPTBulk"}, {160, "Compound"},
        {224, "Procedure"},      {240, "Action"},
    };
    const std::int16_t plain = std::int16_t(code & ~HiddenQueryBit);
    std::string text;
    for (const auto &[value, word] : names)
        if (value == plain)
            text = word;
    if (code & HiddenQueryBit)
        text += ", (Hidden)";
    return text;
}

std::string RelationAttributeName(std::uint32_t attributes)
{
    switch (attributes) {
    case 0x1: return "1:1";
    case 0x2: return "None";
    case 0x4: return "Inherited";
    case 0x100: return "Cascade update";
    case 0x1000: return "Cascade delete";
    case 0x1000000: return "Left";
    case 0x2000000: return "Right";
    default: return "1:N";
    }
}

std::string ParameterDirectionName(std::int32_t direction)
{
    switch (direction) {
    case 1: return "Input";
    case 2: return "Output";
    case 3: return "InputOutput";
    case 4: return "Return";
    default: return {};
    }
}

std::int16_t StatementKind(std::string_view sql)
{
    static constexpr std::pair<std::string_view, std::int16_t> keywords[] = {
        {"SELECT", KindSelect}, {"DELETE", KindDelete}, {"UPDATE", KindUpdate},
        {"INSERT", KindInsert}, {"CREATE", KindCreate},
    };
    const std::string head = automation::upperAscii(sql.substr(0, 6));
    for (const auto &[word, kind] : keywords)
        if (head == word)
            return kind;
    return KindOther;
}

} // namespace engine
