#include "DatabaseCore.h"

#include "Authorizer.h"
#include "ErrorCodes.h"
#include "OpenFiles.h"
#include "Permissions.h"
#include "SqlText.h"
#include "accesssql/Translator.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <algorithm>
#include <sqlite3.h>
#include <sys/stat.h>

namespace dbengine {

using automation::lowerAscii;

namespace {

constexpr std::int32_t kSystemAttributes = std::int32_t(0x80000002u);

template <class T>
void index(const std::vector<T> &items, std::map<std::string, std::size_t> &map)
{
    map.clear();
    for (std::size_t i = 0; i < items.size(); ++i)
        map.emplace(lowerAscii(items[i].name), i);
}

template <class T>
const T *lookup(const std::vector<T> &items, const std::map<std::string, std::size_t> &map,
                std::string_view name)
{
    auto it = map.find(lowerAscii(name));
    return it == map.end() ? nullptr : &items[it->second];
}

automation::Date unixToDate(double seconds)
{
    return automation::Date{seconds / 86400.0 + 25569.0};
}

std::optional<automation::Date> dateColumn(const Statement &st, int column)
{
    if (st.isNull(column))
        return std::nullopt;
    return automation::parseDate(st.text(column));
}

} // namespace

bool isSystemTableName(std::string_view name)
{
    const std::string lower = lowerAscii(name.substr(0, 7));
    return lower.rfind("sqlite_", 0) == 0 || lower.rfind("msys", 0) == 0;
}

DatabaseCore::DatabaseCore(std::string name, std::string key, std::unique_ptr<Connection> connection,
                           bool exclusive, std::shared_ptr<const Session> session)
    : name_(std::move(name)), key_(std::move(key)), connection_(std::move(connection)),
      exclusive_(exclusive), permissions_(std::make_unique<Permissions>(*this, std::move(session))),
      authorizer_(std::make_unique<Authorizer>(*this))
{
}

DatabaseCore::~DatabaseCore()
{
    close();
}

void DatabaseCore::close()
{
    if (!connection_)
        return;
    permissions_->release();
    schemaVersion_.reset();
    dataVersion_.reset();
    schemaCheck_.reset();
    connection_.reset();
    openfiles::release(key_, exclusive_);
}

Connection &DatabaseCore::db()
{
    if (!connection_)
        throw automation::Error("Object invalid or no longer set: the database is closed.",
                                err::ObjectClosed, "DAO.Database");
    return *connection_;
}

std::uint32_t DatabaseCore::pagerVersion()
{
    unsigned int version = 0;
    if (sqlite3_file_control(db().handle(), "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK)
        return 0;
    return version;
}

// The catalogue is stale when the schema, another connection's data or the engine's own
// writes changed since it was read. The engine's own writes (counted by changed(), and every
// commit on this connection, which the pager counts without touching the file) are checked
// first; only a `File` check, or a change seen there, asks the file itself.
bool DatabaseCore::stale(Version &seen, Check check)
{
    Connection &c = db();
    if (check == Check::Engine && seen.schema >= 0 && seen.local == localVersion_
        && seen.pager == pagerVersion())
        return false;
    if (!schemaVersion_) {
        schemaVersion_ = std::make_unique<Statement>(c.handle(), "PRAGMA schema_version");
        dataVersion_ = std::make_unique<Statement>(c.handle(), "PRAGMA data_version");
    }
    // Each statement is reset at once, so no read lock outlives the check.
    auto read = [](Statement &st) {
        const std::int64_t value = st.step() ? st.integer(0) : 0;
        st.reset();
        return value;
    };
    const std::int64_t schema = read(*schemaVersion_), data = read(*dataVersion_);
    // Read after the statements: a change of the file they noticed is counted by then.
    const Version now{schema, data, localVersion_, pagerVersion()};
    if (now == seen)
        return false;
    seen = now;
    return true;
}

const std::vector<TableEntry> &DatabaseCore::tables(Check check)
{
    if (stale(tablesSeen_, check))
        readTables();
    return tables_;
}

const TableEntry *DatabaseCore::findTable(std::string_view name)
{
    tables();
    return lookup(tables_, tableIndex_, name);
}

const std::vector<QueryEntry> &DatabaseCore::queries(Check check)
{
    if (stale(queriesSeen_, check))
        readQueries();
    return queries_;
}

const QueryEntry *DatabaseCore::findQuery(std::string_view name)
{
    queries();
    return lookup(queries_, queryIndex_, name);
}

const std::vector<RelationEntry> &DatabaseCore::relations(Check check)
{
    if (stale(relationsSeen_, check))
        readRelations();
    return relations_;
}

const RelationEntry *DatabaseCore::findRelation(std::string_view name)
{
    relations();
    return lookup(relations_, relationIndex_, name);
}

namespace {

// SQLite finds its schema table under these names, but no row of sqlite_master lists it.
bool isSchemaTableName(std::string_view name)
{
    for (std::string_view schema : {"sqlite_master", "sqlite_schema", "sqlite_temp_master", "sqlite_temp_schema"})
        if (automation::equalsNoCase(name, schema))
            return true;
    return false;
}

} // namespace

// SQLite's copy of the schema is brought up to date before it is asked: a read of
// sqlite_master checks the file's schema cookie and reloads the schema when another connection
// changed it. Inside a transaction this reads nothing from the file.
void DatabaseCore::currentSchema()
{
    if (!schemaCheck_)
        schemaCheck_ = std::make_unique<Statement>(db().handle(), "SELECT 1 FROM main.sqlite_master LIMIT 1");
    try {
        schemaCheck_->step();
    } catch (...) {
        schemaCheck_->reset();
        throw;
    }
    schemaCheck_->reset(); // no read lock outlives the check
}

bool DatabaseCore::hasTable(std::string_view name)
{
    if (isSchemaTableName(name) || name.find('\0') != std::string_view::npos)
        return false;
    currentSchema();
    const std::string text(name);
    // Without a column it asks only whether the table exists; views are not tables here.
    return sqlite3_table_column_metadata(db().handle(), "main", text.c_str(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr)
           == SQLITE_OK;
}

// A view answers table_info with its columns. Virtual tables are left out, so that no module's
// built-in table (json_each, pragma_...) answers for a name the schema lacks. Empty when SQLite
// cannot tell: a view whose columns fail to resolve, or one over a virtual table.
std::optional<bool> DatabaseCore::hasView(std::string_view name)
{
    const std::string sql = "PRAGMA main.table_info(" + quoteIdentifier(name) + ")";
    sqlite3_stmt *raw = nullptr;
    const int rc = sqlite3_prepare_v3(db().handle(), sql.data(), int(sql.size()), SQLITE_PREPARE_NO_VTAB, &raw,
                                      nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> st(raw, &sqlite3_finalize);
    if (rc != SQLITE_OK)
        return std::nullopt;
    const int step = sqlite3_step(st.get());
    if (step != SQLITE_ROW && step != SQLITE_DONE)
        return std::nullopt;
    return step == SQLITE_ROW;
}

bool DatabaseCore::hasObject(std::string_view name)
{
    if (name.find('\0') != std::string_view::npos)
        return false;
    if (!isSchemaTableName(name)) {
        if (hasTable(name))
            return true;
        const std::optional<bool> view = hasView(name);
        if (!view)
            return findTable(name) || findQuery(name); // the catalogue knows for sure
        if (*view)
            return true;
    }
    if (!hasTable("MSysQueries"))
        return false;
    Statement st(db().handle(), "SELECT 1 FROM main.MSysQueries WHERE Name = ?1 COLLATE NOCASE");
    st.bind(1, name);
    return st.step();
}

void DatabaseCore::readTables()
{
    tables_.clear();
    Statement st(db().handle(),
                 "SELECT name FROM main.sqlite_master WHERE type = 'table' ORDER BY name COLLATE NOCASE");
    while (st.step()) {
        TableEntry t{st.text(0), 0};
        if (isSystemTableName(t.name))
            t.attributes = kSystemAttributes;
        tables_.push_back(std::move(t));
    }
    index(tables_, tableIndex_);
}

void DatabaseCore::readQueries()
{
    queries_.clear();
    Statement views(db().handle(), "SELECT name, sql FROM main.sqlite_master WHERE type = 'view'");
    while (views.step()) {
        QueryEntry q;
        q.name = views.text(0);
        q.sql = sqltext::viewBody(views.text(1)).value_or(views.text(1));
        q.view = true;
        queries_.push_back(std::move(q));
    }
    index(queries_, queryIndex_);
    if (findTable("MSysQueries")) {
        const bool typed = db().scalar("SELECT count(*) FROM pragma_table_info('MSysQueries', 'main') WHERE name = 'Type'") > 0;
        Statement st(db().handle(), typed ? "SELECT Name, SQL, DateCreated, LastUpdated, Type FROM main.MSysQueries"
                                          : "SELECT Name, SQL, DateCreated, LastUpdated FROM main.MSysQueries");
        while (st.step()) {
            const std::string name = st.text(0);
            auto it = queryIndex_.find(lowerAscii(name));
            QueryEntry *q = nullptr;
            if (it != queryIndex_.end()) {
                q = &queries_[it->second];
            } else {
                queries_.push_back(QueryEntry{name, {}, false, false, {}, {}});
                q = &queries_.back();
                queryIndex_.emplace(lowerAscii(name), queries_.size() - 1);
            }
            q->sql = st.text(1);
            q->stored = true;
            q->created = dateColumn(st, 2);
            q->updated = dateColumn(st, 3);
            if (typed && !st.isNull(4))
                q->type = std::int16_t(st.integer(4));
        }
    }
    std::sort(queries_.begin(), queries_.end(), [](const QueryEntry &a, const QueryEntry &b) {
        return lowerAscii(a.name) < lowerAscii(b.name);
    });
    index(queries_, queryIndex_);
}

namespace {

std::vector<std::string> primaryKeyColumns(Connection &c, const std::string &table)
{
    std::vector<std::string> columns;
    Statement st(c.handle(), "SELECT name FROM pragma_table_info(?) WHERE pk > 0 ORDER BY pk");
    st.bind(1, table);
    while (st.step())
        columns.push_back(st.text(0));
    return columns;
}

std::int32_t relationAttributes(const std::string &onUpdate, const std::string &onDelete)
{
    std::int32_t a = 0;
    if (automation::equalsNoCase(onUpdate, "CASCADE"))
        a |= 0x100;
    if (automation::equalsNoCase(onDelete, "CASCADE"))
        a |= 0x1000;
    return a;
}

} // namespace

// Relations are the foreign keys of all tables, read in one statement. A relation is named
// after its primary table followed by its foreign table, numbered when two tables have more
// than one, so the names stay the same as long as the schema does.
void DatabaseCore::readRelations()
{
    relations_.clear();
    Connection &c = db();
    Statement st(c.handle(),
                 "SELECT m.name, f.id, f.\"table\", f.\"from\", f.\"to\", f.on_update, f.on_delete "
                 "FROM main.sqlite_master m JOIN pragma_foreign_key_list(m.name) f "
                 "WHERE m.type = 'table' ORDER BY m.name COLLATE NOCASE, f.id DESC, f.seq");
    std::string lastChild;
    std::int64_t lastId = -1;
    while (st.step()) {
        const std::string child = st.text(0);
        const std::int64_t id = st.integer(1);
        if (relations_.empty() || child != lastChild || id != lastId) {
            RelationEntry r;
            r.table = st.text(2);
            r.foreignTable = child;
            r.attributes = relationAttributes(st.text(5), st.text(6));
            relations_.push_back(std::move(r));
            lastChild = child;
            lastId = id;
        }
        relations_.back().fields.emplace_back(st.isNull(4) ? std::string() : st.text(4), st.text(3));
    }
    // Relations of Access origin keep the names the file gave them.
    std::map<std::string, std::string> accessNames;
    if (findTable("MSysAccessRelations")) {
        Statement names(c.handle(), "SELECT Name, TableName, ForeignTableName, ForeignFields FROM main.MSysAccessRelations");
        while (names.step())
            accessNames[lowerAscii(names.text(1) + "\n" + names.text(2) + "\n" + names.text(3))] = names.text(0);
    }
    std::map<std::string, int> used;
    for (RelationEntry &r : relations_) {
        // A reference without columns means the primary key of the referenced table.
        if (std::any_of(r.fields.begin(), r.fields.end(), [](auto &f) { return f.first.empty(); })) {
            const auto pk = primaryKeyColumns(c, r.table);
            for (std::size_t i = 0; i < r.fields.size() && i < pk.size(); ++i)
                r.fields[i].first = pk[i];
        }
        std::string foreignFields;
        for (const auto &f : r.fields)
            foreignFields += (foreignFields.empty() ? "" : ";") + f.second;
        if (auto it = accessNames.find(lowerAscii(r.table + "\n" + r.foreignTable + "\n" + foreignFields));
            it != accessNames.end()) {
            r.name = it->second;
            continue;
        }
        const std::string base = r.table + r.foreignTable;
        const int n = used[lowerAscii(base)]++;
        r.name = n == 0 ? base : base + std::to_string(n);
    }
    std::sort(relations_.begin(), relations_.end(), [](const RelationEntry &a, const RelationEntry &b) {
        return lowerAscii(a.name) < lowerAscii(b.name);
    });
    index(relations_, relationIndex_);
}

bool DatabaseCore::accessOrigin()
{
    return hasTable("MSysAccessOrigin");
}

std::optional<std::string> DatabaseCore::parameterValue(const std::string &name) const
{
    const auto it = parameterValues.find(accesssql::ParameterValues::key(name));
    if (it == parameterValues.end())
        return std::nullopt;
    return it->second;
}

void DatabaseCore::ensureQueryTable()
{
    db().exec("CREATE TABLE IF NOT EXISTS main.MSysQueries (Name TEXT PRIMARY KEY COLLATE NOCASE, "
              "SQL TEXT NOT NULL, DateCreated TEXT, LastUpdated TEXT)");
}

automation::Date DatabaseCore::fileCreated() const
{
    struct stat st{};
    ::stat(key_.c_str(), &st);
    return unixToDate(double(std::min(st.st_ctim.tv_sec, st.st_mtim.tv_sec)));
}

automation::Date DatabaseCore::fileModified() const
{
    struct stat st{};
    ::stat(key_.c_str(), &st);
    return unixToDate(double(st.st_mtim.tv_sec));
}

} // namespace dbengine
