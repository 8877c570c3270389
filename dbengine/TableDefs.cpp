#include "TableDefs.h"

#include "ErrorCodes.h"
#include "Permissions.h"
#include "SqlText.h"
#include "TypeMap.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <algorithm>

namespace dbengine {

using automation::equalsNoCase;
using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

struct IndexInfo {
    std::string name;
    std::vector<std::string> fields;
    std::vector<bool> descending;
    bool primary = false, unique = false, foreign = false;
};

class IndexObject : public automation::Object {
public:
    explicit IndexObject(IndexInfo info) : info_(std::move(info)) {}
    std::string_view className() const override { return "Index"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &) override
    {
        if (kind == Invoke::Put)
            readOnly(m);
        if (m == "name")
            return info_.name;
        if (m == "primary")
            return info_.primary;
        if (m == "unique")
            return info_.unique;
        if (m == "foreign")
            return info_.foreign;
        if (m == "required")
            return info_.primary;
        if (m == "ignorenulls")
            return false;
        if (m == "fields") {
            std::vector<FieldInfo> fields;
            for (std::size_t i = 0; i < info_.fields.size(); ++i) {
                FieldInfo f{info_.fields[i]};
                if (i < info_.descending.size() && info_.descending[i])
                    f.attributes = 1;
                fields.push_back(std::move(f));
            }
            return fieldCollection(fields);
        }
        noMember(m);
    }

private:
    IndexInfo info_;
};

std::string checkOf(const std::optional<sqltext::CreateTable> &parsed, const std::string &column)
{
    if (!parsed)
        return {};
    for (const auto &c : parsed->columns)
        if (equalsNoCase(c.name, column))
            return c.check;
    return {};
}

bool sameColumns(const std::vector<std::string> &a, const std::vector<std::string> &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto &x, auto &y) {
               return equalsNoCase(x, y);
           });
}

std::vector<IndexInfo> readIndexes(DatabaseCore &core, const std::string &table)
{
    Connection &c = core.db();
    std::vector<IndexInfo> out;
    Statement list(c.handle(), "SELECT name, \"unique\", origin FROM pragma_index_list(?) ORDER BY seq DESC");
    list.bind(1, table);
    while (list.step()) {
        IndexInfo index{list.text(0), {}, {}, list.text(2) == "pk", list.integer(1) != 0, false};
        if (index.primary)
            index.name = "PrimaryKey";
        Statement cols(c.handle(), "SELECT name, \"desc\" FROM pragma_index_xinfo(?) WHERE key ORDER BY seqno");
        cols.bind(1, list.text(0));
        while (cols.step()) {
            index.fields.push_back(cols.isNull(0) ? std::string("<expression>") : cols.text(0));
            index.descending.push_back(cols.integer(1) != 0);
        }
        out.push_back(std::move(index));
    }
    // An INTEGER PRIMARY KEY is the row id and has no index of its own in SQLite.
    const bool hasPrimary = std::any_of(out.begin(), out.end(), [](auto &i) { return i.primary; });
    if (!hasPrimary) {
        Statement pk(c.handle(), "SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk");
        pk.bind(1, table);
        IndexInfo primary{"PrimaryKey", {}, {}, true, true, false};
        while (pk.step())
            primary.fields.push_back(pk.text(0));
        if (!primary.fields.empty())
            out.insert(out.begin(), std::move(primary));
    }
    for (const RelationEntry &r : core.relations()) {
        if (!equalsNoCase(r.foreignTable, table))
            continue;
        std::vector<std::string> foreign;
        for (const auto &f : r.fields)
            foreign.push_back(f.second);
        for (IndexInfo &i : out)
            if (sameColumns(i.fields, foreign))
                i.foreign = true;
    }
    return out;
}

// A table of Access origin keeps the field properties SQLite has no place for.
void addAccessProperties(Connection &c, const std::string &table, std::vector<FieldInfo> &fields)
{
    if (c.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'MSysAccessFields'") == 0)
        return;
    Statement st(c.handle(), "SELECT FieldName, Property, Value FROM main.MSysAccessFields WHERE TableName = ?");
    st.bind(1, table);
    while (st.step()) {
        for (FieldInfo &f : fields) {
            if (!equalsNoCase(f.name, st.text(0)))
                continue;
            if (st.text(1) == "ValidationRule")
                f.validationRule = st.text(2);
            else if (st.text(1) == "ValidationText")
                f.validationText = st.text(2);
            else if (st.text(1) == "Description")
                f.description = st.text(2);
            else if (st.text(1) == "DefaultValue")
                f.defaultValue = st.text(2);
        }
    }
}

} // namespace

std::vector<FieldInfo> readTableFields(Connection &c, const std::string &table)
{
    std::optional<sqltext::CreateTable> parsed;
    {
        Statement sql(c.handle(), "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ?");
        sql.bind(1, table);
        if (sql.step() && !sql.isNull(0))
            parsed = sqltext::parseCreateTable(sql.text(0));
    }
    std::vector<FieldInfo> fields;
    Statement st(c.handle(), "SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info(?) ORDER BY cid");
    st.bind(1, table);
    while (st.step()) {
        FieldInfo f;
        f.name = st.text(0);
        const FieldType t = mapDeclaredType(st.text(1));
        f.type = t.type;
        f.size = t.size;
        f.required = st.integer(2) != 0;
        f.defaultValue = st.isNull(3) ? std::string() : st.text(3);
        f.validationRule = checkOf(parsed, f.name);
        // Text accepts the empty string unless its check rule mentions it.
        f.allowZeroLength = (t.type == dao::Text || t.type == dao::Memo)
                            && f.validationRule.find("''") == std::string::npos;
        f.sourceTable = table;
        const std::string declared = automation::upperAscii(st.text(1));
        if (declared == "COUNTER" || declared == "AUTOINCREMENT" || declared == "AUTONUMBER")
            f.attributes = 16;
        fields.push_back(std::move(f));
    }
    addAccessProperties(c, table, fields);
    return fields;
}

Variant TableDef::indexes()
{
    std::vector<Variant> items;
    for (IndexInfo &i : readIndexes(*core_, entry_.name))
        items.emplace_back(std::make_shared<IndexObject>(std::move(i)));
    return std::make_shared<ListCollection>("Indexes", std::move(items));
}

Variant TableDef::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (kind == Invoke::Put)
        readOnly(m);
    if (m == "name")
        return entry_.name;
    if (m == "attributes")
        return entry_.attributes;
    if (m == "recordcount")
        return core_->db().scalar("SELECT count(*) FROM " + quoteIdentifier(entry_.name));
    if (m == "fields")
        return fieldCollection(readTableFields(core_->db(), entry_.name));
    if (m == "indexes")
        return indexes();
    if (m == "datecreated")
        return core_->fileCreated();
    if (m == "lastupdated")
        return core_->fileModified();
    if (m == "connect" || m == "sourcetablename" || m == "validationrule" || m == "validationtext")
        return std::string();
    if (m == "updatable")
        return !core_->db().readOnly();
    noMember(m);
}

Variant TableDefs::make(const TableEntry &entry)
{
    return std::make_shared<TableDef>(core_, entry);
}

void TableDefs::remove(const std::string &name)
{
    const TableEntry *entry = core_->findTable(name);
    if (!entry)
        throw missing(name);
    const std::string table = entry->name;
    if (isSystemTableName(table))
        throw Error("'" + table + "' is a system table and cannot be deleted.", err::General,
                    "DAO.TableDefs");
    core_->permissions().require(documents::Tables, table, rights::ChangeDefinition);
    for (const RelationEntry &r : core_->relations())
        if (equalsNoCase(r.table, table) || equalsNoCase(r.foreignTable, table))
            throw Error("Table '" + table + "' is part of the relationship '" + r.name
                            + "'; delete the relationship first.",
                        err::InRelation, "DAO.TableDefs");
    Savepoint together(core_->db(), "jw_drop_table");
    core_->db().exec("DROP TABLE " + quoteIdentifier(table));
    core_->changed();
    core_->permissions().dropped(documents::Tables, table);
    together.release();
    core_->changed();
}

} // namespace dbengine
