#include "EngineWriter.h"

#include "JetReader.h"
#include "automation/DateTime.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace jetfile {

namespace {

std::string quote(const std::string &name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

class Db {
public:
    explicit Db(const std::string &path)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr)
            != SQLITE_OK)
            fail("cannot create");
    }
    ~Db() { sqlite3_close_v2(db_); }
    void exec(const std::string &sql)
    {
        char *msg = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            std::string m = msg ? msg : "";
            sqlite3_free(msg);
            throw JetError(m + " in: " + sql);
        }
    }
    bool tryExec(const std::string &sql) { return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }
    sqlite3 *handle() const { return db_; }
    [[noreturn]] void fail(const char *what) { throw JetError(std::string(what) + ": " + sqlite3_errmsg(db_)); }

private:
    sqlite3 *db_ = nullptr;
};

class Insert {
public:
    Insert(Db &db, const std::string &sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &st_, nullptr) != SQLITE_OK)
            db.fail("cannot prepare");
    }
    ~Insert() { sqlite3_finalize(st_); }
    void text(int i, const std::string &v) { sqlite3_bind_text(st_, i, v.data(), int(v.size()), SQLITE_TRANSIENT); }
    void real(int i, double v) { sqlite3_bind_double(st_, i, v); }
    void value(int i, const Value &v)
    {
        if (std::holds_alternative<std::monostate>(v))
            sqlite3_bind_null(st_, i);
        else if (auto b = std::get_if<bool>(&v))
            sqlite3_bind_int(st_, i, *b ? 1 : 0);
        else if (auto n = std::get_if<std::int64_t>(&v))
            sqlite3_bind_int64(st_, i, *n);
        else if (auto d = std::get_if<double>(&v))
            sqlite3_bind_double(st_, i, *d);
        else if (auto c = std::get_if<Currency>(&v)) {
            if (c->units % 10000 == 0)
                sqlite3_bind_int64(st_, i, c->units / 10000);
            else
                text(i, currencyText(*c));
        } else if (auto t = std::get_if<Date>(&v))
            text(i, automation::formatDate(automation::Date{t->serial}));
        else if (auto s = std::get_if<std::string>(&v))
            text(i, *s);
        else if (auto bytes = std::get_if<Bytes>(&v))
            sqlite3_bind_blob(st_, i, bytes->data(), int(bytes->size()), SQLITE_TRANSIENT);
    }
    void run()
    {
        if (sqlite3_step(st_) != SQLITE_DONE)
            db_.fail("cannot write a row");
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }

private:
    Db &db_;
    sqlite3_stmt *st_ = nullptr;
};

std::string typeName(const JetColumn &c)
{
    switch (c.daoType) {
    case 1: return "YESNO";
    case 2: return "BYTE";
    case 3: return "SHORT";
    case 4: return c.autoNumber ? "COUNTER" : "LONG";
    case 5: return "CURRENCY";
    case 6: return "SINGLE";
    case 7: return "DOUBLE";
    case 8: return "DATETIME";
    case 9: return "BINARY(" + std::to_string(std::max(c.size, 1)) + ")";
    case 10: return "TEXT(" + std::to_string(std::max(c.size, 1)) + ")";
    case 11: return "LONGBINARY";
    case 12: return "MEMO";
    case 15: return "GUID";
    case 20: return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    default: return "LONG";
    }
}

// A Jet default that is a plain number or string becomes the column's DEFAULT; expressions
// (Now(), Date() ...) are kept in MSysAccessFields only.
std::string defaultClause(const std::string &v)
{
    if (v.empty())
        return {};
    char *end = nullptr;
    std::strtod(v.c_str(), &end);
    if (end && *end == '\0')
        return " DEFAULT " + v;
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') {
        std::string inner = v.substr(1, v.size() - 2), out = "'";
        for (char c : inner) {
            if (c == '\'')
                out += '\'';
            out += c;
        }
        return " DEFAULT " + out + "'";
    }
    return {};
}

std::string createTable(const JetTable &t, const std::vector<const JetRelation *> &references)
{
    std::string sql = "CREATE TABLE " + quote(t.name) + " (";
    bool first = true;
    for (const JetColumn &c : t.columns) {
        sql += (first ? "" : ", ") + quote(c.name) + " " + typeName(c);
        if (c.required)
            sql += " NOT NULL";
        sql += defaultClause(c.defaultValue);
        first = false;
    }
    for (const JetIndex &i : t.indexes) {
        if (!i.primary)
            continue;
        sql += ", PRIMARY KEY (";
        for (std::size_t k = 0; k < i.fields.size(); ++k)
            sql += (k ? ", " : "") + quote(i.fields[k].name) + (i.fields[k].descending ? " DESC" : "");
        sql += ")";
        break;
    }
    for (const JetRelation *r : references) {
        std::string from, to;
        for (const auto &[primary, foreign] : r->fields) {
            from += (from.empty() ? "" : ", ") + quote(foreign);
            to += (to.empty() ? "" : ", ") + quote(primary);
        }
        sql += ", FOREIGN KEY (" + from + ") REFERENCES " + quote(r->table) + " (" + to + ")";
        if (r->attributes & 0x100)
            sql += " ON UPDATE CASCADE";
        if (r->attributes & 0x1000)
            sql += " ON DELETE CASCADE";
    }
    return sql + ")";
}

std::string dateText(double serial)
{
    return automation::formatDate(automation::Date{serial});
}

} // namespace

void writeEngineDatabase(JetReader &reader, const std::string &target, const std::string &source,
                         const std::string &charset, const Progress &progress)
{
    Db db(target);
    db.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA foreign_keys = OFF; BEGIN");
    const std::vector<JetTable> tables = reader.tables();
    std::set<std::string> tableNames;
    for (const JetTable &t : tables)
        tableNames.insert(lower(t.name));
    const std::vector<JetRelation> relations = reader.relations();
    std::map<std::string, std::vector<const JetRelation *>> referencesOf;
    for (const JetRelation &r : relations)
        if (tableNames.count(lower(r.table)) && tableNames.count(lower(r.foreignTable)) && !r.fields.empty())
            referencesOf[lower(r.foreignTable)].push_back(&r);

    // Index names are per table in Jet and per file in SQLite.
    std::map<std::string, int> indexNameUse;
    for (const JetTable &t : tables)
        for (const JetIndex &i : t.indexes)
            if (!i.primary)
                ++indexNameUse[lower(i.name)];

    db.exec("CREATE TABLE MSysAccessFields (TableName TEXT NOT NULL, FieldName TEXT NOT NULL, Property TEXT NOT NULL, "
            "Value TEXT, PRIMARY KEY (TableName, FieldName, Property))");
    Insert property(db, "INSERT OR REPLACE INTO MSysAccessFields VALUES (?, ?, ?, ?)");
    int n = 0;
    for (const JetTable &t : tables) {
        ++n;
        if (progress)
            progress(n, int(tables.size()), t.name);
        db.exec(createTable(t, referencesOf[lower(t.name)]));
        for (const JetIndex &i : t.indexes) {
            if (i.primary)
                continue;
            const std::string name = indexNameUse[lower(i.name)] > 1 ? t.name + "_" + i.name : i.name;
            std::string sql = std::string("CREATE ") + (i.unique ? "UNIQUE " : "") + "INDEX " + quote(name) + " ON "
                              + quote(t.name) + " (";
            for (std::size_t k = 0; k < i.fields.size(); ++k)
                sql += (k ? ", " : "") + quote(i.fields[k].name) + (i.fields[k].descending ? " DESC" : "");
            db.exec(sql + ")");
        }
        for (const JetColumn &c : t.columns) {
            const std::pair<const char *, const std::string *> props[] = {
                {"DefaultValue", &c.defaultValue}, {"ValidationRule", &c.validationRule},
                {"ValidationText", &c.validationText}, {"Description", &c.description}};
            for (const auto &[key, value] : props) {
                if (value->empty())
                    continue;
                property.text(1, t.name);
                property.text(2, c.name);
                property.text(3, key);
                property.text(4, *value);
                property.run();
            }
        }
        std::string columns, marks;
        for (const JetColumn &c : t.columns) {
            columns += (columns.empty() ? "" : ", ") + quote(c.name);
            marks += marks.empty() ? "?" : ", ?";
        }
        if (t.columns.empty())
            continue;
        Insert insert(db, "INSERT INTO " + quote(t.name) + " (" + columns + ") VALUES (" + marks + ")");
        reader.readRows(t.name, [&](const std::vector<Value> &row) {
            for (std::size_t i = 0; i < row.size(); ++i)
                insert.value(int(i + 1), row[i]);
            insert.run();
        });
    }

    db.exec("CREATE TABLE MSysQueries (Name TEXT PRIMARY KEY COLLATE NOCASE, SQL TEXT NOT NULL, DateCreated TEXT, "
            "LastUpdated TEXT, Type INTEGER)");
    Insert query(db, "INSERT OR REPLACE INTO MSysQueries VALUES (?, ?, ?, ?, ?)");
    for (const JetQuery &q : reader.queries()) {
        query.text(1, q.name);
        query.text(2, q.sql);
        query.text(3, dateText(q.created));
        query.text(4, dateText(q.updated));
        query.value(5, std::int64_t(q.daoType));
        query.run();
        // A plain select query that SQLite also understands can be read by name as a view.
        if ((q.daoType & ~8) == 0 && q.sql.rfind("PARAMETERS", 0) != 0 && !tableNames.count(lower(q.name)))
            db.tryExec("CREATE VIEW " + quote(q.name) + " AS " + q.sql);
    }

    db.exec("CREATE TABLE MSysAccessRelations (Name TEXT PRIMARY KEY, TableName TEXT NOT NULL, "
            "ForeignTableName TEXT NOT NULL, ForeignFields TEXT NOT NULL, Attributes INTEGER)");
    Insert relation(db, "INSERT OR REPLACE INTO MSysAccessRelations VALUES (?, ?, ?, ?, ?)");
    for (const JetRelation &r : relations) {
        if (!tableNames.count(lower(r.table)) || !tableNames.count(lower(r.foreignTable)))
            continue;
        std::string fields;
        for (const auto &f : r.fields)
            fields += (fields.empty() ? "" : ";") + f.second;
        relation.text(1, r.name);
        relation.text(2, r.table);
        relation.text(3, r.foreignTable);
        relation.text(4, fields);
        relation.value(5, std::int64_t(r.attributes));
        relation.run();
    }

    db.exec("CREATE TABLE MSysAccessDocuments (Container TEXT NOT NULL, Name TEXT NOT NULL, DateCreated TEXT, "
            "LastUpdated TEXT, PRIMARY KEY (Container, Name))");
    Insert document(db, "INSERT OR REPLACE INTO MSysAccessDocuments VALUES (?, ?, ?, ?)");
    for (const JetDocument &d : reader.documents()) {
        document.text(1, d.container);
        document.text(2, d.name);
        document.text(3, dateText(d.created));
        document.text(4, dateText(d.updated));
        document.run();
    }

    db.exec("CREATE TABLE MSysAccessOrigin (Property TEXT PRIMARY KEY, Value TEXT)");
    Insert origin(db, "INSERT INTO MSysAccessOrigin VALUES (?, ?)");
    const std::pair<const char *, std::string> facts[] = {
        {"Format", reader.formatName()}, {"Source", source}, {"Charset", charset}};
    for (const auto &[key, value] : facts) {
        origin.text(1, key);
        origin.text(2, value);
        origin.run();
    }
    db.exec("COMMIT");
}

} // namespace jetfile
