#include "QueryDefs.h"

#include "AccessSql.h"
#include "Authorizer.h"
#include "ErrorCodes.h"
#include "Permissions.h"
#include "SqlText.h"
#include "TypeMap.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <algorithm>
#include <ctime>
#include <sqlite3.h>

namespace dbengine {

using automation::equalsNoCase;
using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

class ParameterObject : public automation::Object {
public:
    explicit ParameterObject(sqltext::ParameterDecl decl) : decl_(std::move(decl)) {}
    std::string_view className() const override { return "Parameter"; }

protected:
    Variant invoke(Invoke kind, const std::string &m, const automation::Args &args) override
    {
        if (m == "value") {
            if (kind == Invoke::Put)
                value_ = args.at(0);
            return value_;
        }
        if (kind == Invoke::Put)
            readOnly(m);
        if (m == "name")
            return decl_.name;
        if (m == "type")
            return std::int32_t(decl_.type);
        if (m == "direction")
            return 1; // input
        noMember(m);
    }

private:
    sqltext::ParameterDecl decl_;
    Variant value_ = Variant::null();
};

std::string nowText()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// Select and union queries without parameters can be views.
bool isPlainSelect(const std::string &sql)
{
    const std::int16_t type = sqltext::queryType(sql);
    return (type == 0 || type == 128) && sqltext::parseQuery(sql).parameters.empty();
}

// Keeps the view of a select query in step with its text; a text SQLite cannot take as a view
// simply has none, and the error shows when the query is checked or run. The view is written
// as one prepared statement with the authorizer on, so its text runs nothing else.
void writeView(DatabaseCore &core, const std::string &name, const std::string &sql)
{
    Connection &c = core.db();
    ViewWrite guard(core, name, sql);
    Statement(c.handle(), "DROP VIEW IF EXISTS main." + quoteIdentifier(name)).step();
    // Access SQL is not SQLite's: such queries are translated each time they run.
    if (isAccessOrigin(core))
        return;
    bool select = false;
    try {
        select = isPlainSelect(sql);
    } catch (const Error &) {
    }
    if (!select)
        return;
    Savepoint savepoint(c, "view_text");
    try {
        Statement create(c.handle(), "CREATE VIEW main." + quoteIdentifier(name) + " AS " + sql);
        if (create.hasTail())
            return;
        create.step();
        savepoint.release();
    } catch (const Error &) {
    }
}

// A saved query holds one statement: a second one would run unseen with the first.
void checkOneStatement(const std::string &sql)
{
    auto tokens = sqltext::tokenize(sql);
    // A PARAMETERS clause ends with its own semicolon.
    if (!tokens.empty() && sqltext::isWord(tokens.front(), "PARAMETERS")) {
        auto end = std::find_if(tokens.begin(), tokens.end(),
                                [](const sqltext::Token &t) { return t.kind == sqltext::Token::Punct && t.value == ";"; });
        tokens.erase(tokens.begin(), end == tokens.end() ? end : end + 1);
    }
    bool ended = false;
    for (const sqltext::Token &t : tokens) {
        const bool semicolon = t.kind == sqltext::Token::Punct && t.value == ";";
        if (ended && !semicolon)
            throw Error("A query holds one SQL statement; text was found after the end of the first one.",
                        err::SqlError, "DAO.QueryDef");
        ended = ended || semicolon;
    }
}

} // namespace

void checkNewName(DatabaseCore &core, const std::string &name, const std::string &except)
{
    if (name.empty() || name.size() > 64 || name.find_first_of("\r\n\t") != std::string::npos
        || name.front() == ' ')
        throw Error("'" + name + "' is not a valid name: use 1 to 64 characters without line breaks, "
                    "tabs or a leading blank.",
                    err::InvalidArgument, "DAO.QueryDefs");
    if (!except.empty() && equalsNoCase(name, except))
        return;
    if (core.findTable(name) || core.findQuery(name))
        throw Error("An object named '" + name + "' already exists.", err::NameInUse, "DAO.QueryDefs");
}

void QueryDef::create(DatabaseCore &core, const std::string &name, const std::string &sql)
{
    checkNewName(core, name);
    checkOneStatement(sql);
    Connection &c = core.db();
    Transaction t(c);
    core.ensureQueryTable();
    Statement insert(c.handle(), "INSERT INTO main.MSysQueries (Name, SQL, DateCreated, LastUpdated) VALUES (?, ?, ?, ?)");
    const std::string now = nowText();
    insert.bind(1, name);
    insert.bind(2, sql);
    insert.bind(3, now);
    insert.bind(4, now);
    insert.step();
    writeView(core, name, sql);
    core.changed();
    core.permissions().created(documents::Tables, name);
    t.commit();
    core.changed();
}

void QueryDef::remove(DatabaseCore &core, const std::string &name)
{
    const QueryEntry *q = core.findQuery(name);
    if (!q)
        throw dbengine::notFound("Query", name, "DAO.QueryDefs");
    const QueryEntry entry = *q;
    core.permissions().require(documents::Tables, entry.name, rights::ChangeDefinition);
    Connection &c = core.db();
    Transaction t(c);
    if (entry.view)
        c.exec("DROP VIEW main." + quoteIdentifier(entry.name));
    if (entry.stored) {
        Statement del(c.handle(), "DELETE FROM main.MSysQueries WHERE Name = ?");
        del.bind(1, entry.name);
        del.step();
    }
    core.changed();
    core.permissions().dropped(documents::Tables, entry.name);
    t.commit();
    core.changed();
}

QueryEntry QueryDef::entry()
{
    const QueryEntry *q = core_->findQuery(name_);
    if (!q)
        throw dbengine::notFound("Query", name_, "DAO.QueryDefs");
    return *q;
}

std::string QueryDef::sql()
{
    return temporary_ ? sql_ : entry().sql;
}

// The text as a reader sees it: showing it needs Read definition.
std::string QueryDef::readableSql()
{
    if (temporary_)
        return sql_;
    const QueryEntry q = entry();
    core_->permissions().require(documents::Tables, q.name, rights::ReadDefinition);
    return q.sql;
}

void QueryDef::rename(const std::string &newName)
{
    if (temporary_) {
        name_ = newName;
        return;
    }
    const QueryEntry old = entry();
    core_->permissions().require(documents::Tables, old.name, rights::ChangeDefinition);
    checkNewName(*core_, newName, old.name);
    Connection &c = core_->db();
    Transaction t(c);
    core_->ensureQueryTable();
    if (old.stored) {
        Statement up(c.handle(), "UPDATE main.MSysQueries SET Name = ?, LastUpdated = ? WHERE Name = ?");
        up.bind(1, newName);
        up.bind(2, nowText());
        up.bind(3, old.name);
        up.step();
    } else {
        Statement ins(c.handle(), "INSERT INTO main.MSysQueries (Name, SQL, DateCreated, LastUpdated) VALUES (?, ?, ?, ?)");
        ins.bind(1, newName);
        ins.bind(2, old.sql);
        ins.bind(3, nowText());
        ins.bind(4, nowText());
        ins.step();
    }
    if (old.view)
        c.exec("DROP VIEW main." + quoteIdentifier(old.name));
    writeView(*core_, newName, old.sql);
    core_->changed();
    core_->permissions().renamed(documents::Tables, old.name, newName);
    t.commit();
    core_->changed();
    name_ = newName;
}

void QueryDef::setSql(const std::string &text)
{
    if (temporary_) {
        sql_ = text;
        return;
    }
    const QueryEntry old = entry();
    core_->permissions().require(documents::Tables, old.name, rights::ChangeDefinition);
    checkOneStatement(text);
    Connection &c = core_->db();
    Transaction t(c);
    core_->ensureQueryTable();
    Statement up(c.handle(), "INSERT INTO main.MSysQueries (Name, SQL, DateCreated, LastUpdated) VALUES (?, ?, ?, ?) "
                             "ON CONFLICT(Name) DO UPDATE SET SQL = excluded.SQL, LastUpdated = excluded.LastUpdated");
    up.bind(1, old.name);
    up.bind(2, text);
    up.bind(3, nowText());
    up.bind(4, nowText());
    up.step();
    writeView(*core_, old.name, text);
    t.commit();
    core_->changed();
}

// Reading the parameters checks the whole text: a text SQLite cannot prepare is an error.
Variant QueryDef::parameters()
{
    std::vector<Variant> items;
    if (isAccessOrigin(*core_)) {
        try {
            for (const auto &p : accesssql::declaredParameters(sql()))
                items.emplace_back(std::make_shared<ParameterObject>(
                    sqltext::ParameterDecl{p.name, mapDeclaredType(p.type).type}));
        } catch (const std::runtime_error &e) {
            throw Error(e.what(), err::SqlError, "DAO.QueryDef");
        }
        return std::make_shared<ListCollection>("Parameters", std::move(items));
    }
    const sqltext::ParsedQuery parsed = sqltext::parseQuery(sql());
    Statement check(core_->db().handle(), parsed.executable);
    for (const auto &p : parsed.parameters)
        items.emplace_back(std::make_shared<ParameterObject>(p));
    return std::make_shared<ListCollection>("Parameters", std::move(items));
}

Variant QueryDef::fields()
{
    const std::string text = isAccessOrigin(*core_) ? translateAccess(*core_, sql()).sql
                                                    : sqltext::parseQuery(sql()).executable;
    Statement st(core_->db().handle(), text);
    std::vector<FieldInfo> fields;
    for (int i = 0; i < st.columnCount(); ++i) {
        FieldInfo f;
        f.name = sqlite3_column_name(st.handle(), i);
        const char *decl = sqlite3_column_decltype(st.handle(), i);
        const FieldType t = mapDeclaredType(decl ? decl : "");
        f.type = t.type;
        f.size = t.size;
        if (const char *table = sqlite3_column_table_name(st.handle(), i))
            f.sourceTable = table;
        fields.push_back(std::move(f));
    }
    return fieldCollection(fields);
}

Variant QueryDef::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (m == "name") {
        if (kind == Invoke::Put)
            rename(arg(args, 0).toText());
        return name_;
    }
    if (m == "sql") {
        if (kind == Invoke::Put)
            setSql(arg(args, 0).toText());
        return kind == Invoke::Put ? Variant() : Variant(readableSql());
    }
    if (kind == Invoke::Put)
        readOnly(m);
    if (m == "type") {
        // A query read from an Access file keeps the type the file gave it.
        if (!temporary_)
            if (const auto stored = entry().type)
                return std::int32_t(*stored);
        const std::int16_t type = sqltext::queryType(sql());
        return std::int32_t(type | (!name_.empty() && name_[0] == '~' ? 8 : 0));
    }
    if (m == "parameters")
        return parameters();
    if (m == "fields")
        return fields();
    if (m == "datecreated" || m == "lastupdated") {
        const auto q = temporary_ ? QueryEntry{} : entry();
        const auto &date = m == "datecreated" ? q.created : q.updated;
        if (date)
            return *date;
        return m == "datecreated" ? core_->fileCreated() : core_->fileModified();
    }
    if (m == "connect")
        return std::string();
    if (m == "returnsrecords") {
        if (!temporary_)
            if (const auto stored = entry().type)
                return (*stored & ~8) == 0 || (*stored & ~8) == 16 || (*stored & ~8) == 128;
        return sqltext::queryType(sql()) == 0;
    }
    if (m == "close")
        return {};
    noMember(m);
}

Variant QueryDefs::make(const QueryEntry &entry)
{
    return std::make_shared<QueryDef>(core_, entry.name);
}

} // namespace dbengine
