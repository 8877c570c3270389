#include "Relations.h"

#include <sqlite3.h>

#include "ErrorCodes.h"
#include "Permissions.h"
#include "SqlText.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <algorithm>
#include <sqlite3.h>

namespace dbengine {

using automation::equalsNoCase;
using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

class RelationObject : public automation::Object {
public:
    explicit RelationObject(RelationEntry entry) : entry_(std::move(entry)) {}
    std::string_view className() const override { return "Relation"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &) override
    {
        if (kind == Invoke::Put)
            readOnly(m);
        if (m == "name")
            return entry_.name;
        if (m == "table")
            return entry_.table;
        if (m == "foreigntable")
            return entry_.foreignTable;
        if (m == "attributes")
            return entry_.attributes;
        if (m == "partialreplica")
            return false;
        if (m == "fields") {
            std::vector<FieldInfo> fields;
            for (const auto &[primary, foreign] : entry_.fields) {
                FieldInfo f{primary};
                f.foreignName = foreign;
                fields.push_back(std::move(f));
            }
            return fieldCollection(fields);
        }
        noMember(m);
    }

private:
    RelationEntry entry_;
};

bool matches(const sqltext::ForeignKeyClause &fk, const RelationEntry &r)
{
    if (!equalsNoCase(fk.parentTable, r.table) || fk.childColumns.size() != r.fields.size())
        return false;
    for (std::size_t i = 0; i < r.fields.size(); ++i)
        if (!equalsNoCase(fk.childColumns[i], r.fields[i].second))
            return false;
    return true;
}

} // namespace

Variant Relations::make(const RelationEntry &entry)
{
    return std::make_shared<RelationObject>(entry);
}

// SQLite cannot drop a constraint, but removing a foreign key changes nothing that is stored
// in the table's pages, so the table's schema text is rewritten in place.
void Relations::remove(const std::string &name)
{
    const RelationEntry *found = core_->findRelation(name);
    if (!found)
        throw missing(name);
    const RelationEntry relation = *found;
    // Removing the relation changes the definition of its foreign table.
    core_->permissions().require(documents::Tables, relation.foreignTable, rights::ChangeDefinition);
    Connection &c = core_->db();
    std::string sql;
    {
        Statement st(c.handle(), "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ?");
        st.bind(1, relation.foreignTable);
        if (st.step())
            sql = st.text(0);
    }
    const auto parsed = sqltext::parseCreateTable(sql);
    const sqltext::ForeignKeyClause *fk = nullptr;
    if (parsed) {
        auto it = std::find_if(parsed->foreignKeys.begin(), parsed->foreignKeys.end(),
                               [&](auto &k) { return matches(k, relation); });
        if (it != parsed->foreignKeys.end())
            fk = &*it;
    }
    if (!fk)
        throw Error("The relation '" + name + "' cannot be removed from the definition of table '"
                        + relation.foreignTable + "'.",
                    err::General, "DAO.Relations");
    const std::string changed = sql.substr(0, fk->begin) + sql.substr(fk->end);
    Transaction t(c);
    const std::int64_t version = c.schemaVersion();
    // The connection is defensive; only this edit of the schema text lifts that for a moment.
    sqlite3_db_config(c.handle(), SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
    c.exec("PRAGMA writable_schema = ON");
    try {
        Statement up(c.handle(), "UPDATE main.sqlite_master SET sql = ? WHERE type = 'table' AND name = ?");
        up.bind(1, changed);
        up.bind(2, relation.foreignTable);
        up.step();
        c.exec("PRAGMA schema_version = " + std::to_string(version + 1));
    } catch (...) {
        c.exec("PRAGMA writable_schema = OFF");
        sqlite3_db_config(c.handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        throw;
    }
    c.exec("PRAGMA writable_schema = OFF");
    sqlite3_db_config(c.handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    t.commit();
    core_->changed();
}

} // namespace dbengine
