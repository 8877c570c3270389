#include "Schema.h"

#include "automation/Variant.h"
#include "engine/TypeNames.h"

#include <cstdint>
#include <vector>

namespace cli {

namespace {

using automation::Variant;

constexpr std::int32_t kSystemAttributes = std::int32_t(0x80000002u);
constexpr std::int32_t kAutoNumber = 16, kDescending = 1;

std::string bracket(const std::string &name)
{
    return "[" + name + "]";
}

// The Jet type name the engine takes back in CREATE TABLE.
std::string jetTypeName(const Variant &field)
{
    const int type = field.get("Type").toInt();
    const int size = field.get("Size").toInt();
    switch (type) {
    case 1: return "YESNO";
    case 2: return "BYTE";
    case 3: return "SHORT";
    case 4: return (field.get("Attributes").toInt() & kAutoNumber) ? "COUNTER" : "LONG";
    case 5: return "CURRENCY";
    case 6: return "SINGLE";
    case 7: return "DOUBLE";
    case 8: return "DATETIME";
    case 9: return "BINARY(" + std::to_string(size) + ")";
    case 10: return "TEXT(" + std::to_string(size) + ")";
    case 11: return "LONGBINARY";
    case 12: return "MEMO";
    case 15: return "GUID";
    case 16: return "BIGINT";
    case 20: return "DECIMAL";
    default: return "VALUE";
    }
}

template <class F>
void each(const Variant &collection, F f)
{
    const int n = collection.get("Count").toInt();
    for (int i = 0; i < n; ++i)
        f(collection.item(Variant(std::int32_t(i))));
}

std::string fieldList(const Variant &fields, bool withOrder, bool foreign = false)
{
    std::string out;
    each(fields, [&](const Variant &f) {
        out += (out.empty() ? "" : ", ") + bracket((foreign ? f.get("ForeignName") : f.get("Name")).toText());
        if (withOrder && (f.get("Attributes").toInt() & kDescending))
            out += " DESC";
    });
    return out;
}

std::string createTable(const Variant &table)
{
    std::string columns;
    each(table.get("Fields"), [&](const Variant &f) {
        columns += (columns.empty() ? "" : ", ") + bracket(f.get("Name").toText()) + " " + jetTypeName(f);
        if (f.get("Required").toBool())
            columns += " NOT NULL";
        const std::string def = f.get("DefaultValue").toText();
        if (!def.empty())
            columns += " DEFAULT " + def;
    });
    return "CREATE TABLE " + bracket(table.get("Name").toText()) + " (" + columns + ");\n";
}

std::string createIndexes(const Variant &table)
{
    std::string out;
    each(table.get("Indexes"), [&](const Variant &index) {
        out += std::string("CREATE ") + (index.get("Unique").toBool() ? "UNIQUE " : "") + "INDEX "
               + bracket(index.get("Name").toText()) + " ON " + bracket(table.get("Name").toText()) + " ("
               + fieldList(index.get("Fields"), true) + ")" + (index.get("Primary").toBool() ? " WITH PRIMARY" : "")
               + ";\n";
    });
    return out;
}

std::string addConstraint(const Variant &relation)
{
    const std::int32_t a = relation.get("Attributes").toInt();
    const Variant fields = relation.get("Fields");
    return "ALTER TABLE " + bracket(relation.get("ForeignTable").toText()) + " ADD CONSTRAINT "
           + bracket(relation.get("Name").toText()) + " FOREIGN KEY (" + fieldList(fields, false, true)
           + ") REFERENCES " + bracket(relation.get("Table").toText()) + " (" + fieldList(fields, false) + ")"
           + ((a & 0x100) ? " ON UPDATE CASCADE" : "") + ((a & 0x1000) ? " ON DELETE CASCADE" : "") + ";\n";
}

std::string savedQuery(const Variant &query)
{
    std::string sql = query.get("SQL").toText();
    while (!sql.empty() && (sql.back() == '\n' || sql.back() == '\r' || sql.back() == ' ' || sql.back() == ';'))
        sql.pop_back();
    return "-- Query: " + query.get("Name").toText() + " ("
           + engine::QueryTypeName(std::int16_t(query.get("Type").toInt())) + ")\n" + sql + ";\n";
}

} // namespace

std::string schemaText(const Variant &database)
{
    std::vector<Variant> tables;
    each(database.get("TableDefs"), [&](const Variant &t) {
        if ((t.get("Attributes").toInt() & kSystemAttributes) == 0)
            tables.push_back(t);
    });
    std::string out;
    for (const Variant &t : tables)
        out += createTable(t);
    for (const Variant &t : tables)
        out += createIndexes(t);
    each(database.get("Relations"), [&](const Variant &r) { out += addConstraint(r); });
    each(database.get("QueryDefs"), [&](const Variant &q) { out += savedQuery(q); });
    return out;
}

} // namespace cli
