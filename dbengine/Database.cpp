#include "Database.h"

#include "AccessSql.h"
#include "Authorizer.h"
#include "Containers.h"
#include "DatabaseFile.h"
#include "ErrorCodes.h"
#include "OpenFiles.h"
#include "Permissions.h"
#include "QueryDefs.h"
#include "Recordset.h"
#include "Relations.h"
#include "SqlText.h"
#include "TableDefs.h"
#include "automation/Error.h"
#include "accesssql/Functions.h"
#include "automation/Text.h"
#include "jetfile/AccessFile.h"
#include "maintenance/Maintenance.h"

#include <cstring>
#include <optional>
#include <fcntl.h>
#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine {

using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

constexpr int kBusyTimeoutMs = 2000;

std::string fileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

Error fileError(const std::string &message, std::int32_t code)
{
    return Error(message, code, "DAO.Workspace");
}

std::unique_ptr<Connection> connect(const std::string &path, bool exclusive, bool readOnly, int extra = 0)
{
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX | extra;
    auto c = std::make_unique<Connection>(path, flags);
    c->setBusyTimeout(kBusyTimeoutMs);
    // Defensive: no statement edits the schema text or the file's pages directly.
    sqlite3_db_config(c->handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    c->exec("PRAGMA foreign_keys = ON");
    if (exclusive) {
        c->exec("PRAGMA locking_mode = EXCLUSIVE");
        // Taking the lock now keeps it until the connection closes.
        c->exec(readOnly ? "BEGIN; SELECT count(*) FROM sqlite_master; COMMIT" : "BEGIN EXCLUSIVE; COMMIT");
    }
    c->scalar("SELECT count(*) FROM sqlite_master");
    try {
        accesssql::registerFunctions(c->handle());
    } catch (const std::runtime_error &e) {
        throw Error(e.what(), err::General, "DAO.Workspace");
    }
    return c;
}

std::string trimmed(const std::string &s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n;");
    return s.substr(b, e == std::string::npos || e < b ? 0 : e - b + 1);
}

// A text that is a single name: a saved query or table to run or open by name. A name with
// blanks may be given without brackets, as DAO takes it.
std::optional<std::string> singleName(DatabaseCore &core, const std::string &sql)
{
    if (core.hasObject(sql))
        return sql;
    const auto tokens = sqltext::tokenize(sql);
    if (tokens.size() == 1 && sqltext::isName(tokens[0]))
        return tokens[0].value;
    return std::nullopt;
}

Error tooFewParameters(std::size_t n)
{
    return Error("Too few parameters. Expected " + std::to_string(n) + ".", err::SqlError, "DAO.Database");
}

// A pass-through query of an Access file is text for an ODBC server, not for this database.
void refusePassThrough(const QueryEntry &q)
{
    if (q.type && (*q.type & ~8) == 112)
        throw Error("Access SQL: the pass-through query '" + q.name + "' is sent to an ODBC server as written; "
                    "pass-through queries are not run", err::SqlError, "DAO.Database");
}

} // namespace

// An Access file opens read-only through its working copy; the file itself is only read, by
// the helper that makes the copy, and never locked.
std::shared_ptr<Database> Database::openAccess(const std::string &path, std::shared_ptr<const Session> session)
{
    std::string copy;
    try {
        copy = jetfile::workingCopy(path, jetfile::chosenCharset());
    } catch (const jetfile::AccessError &e) {
        throw fileError(e.what(), e.kind() == jetfile::AccessError::Damaged ? err::Damaged : err::IoError);
    }
    checkDatabaseFile(copy, false);
    const std::string key = openfiles::key(copy);
    openfiles::acquire(key, false);
    std::shared_ptr<DatabaseCore> core;
    try {
        core = std::make_shared<DatabaseCore>(path, key, connect(copy, false, true), false, std::move(session));
    } catch (const Error &) {
        openfiles::release(key, false);
        throw fileError("The working copy of '" + fileName(path) + "' cannot be opened; open the file again.",
                        err::Damaged);
    }
    setReadOnlyMessage(core->db().handle(), "'" + fileName(path) + "' is an Access file and opens read-only; "
                                            "Database > Convert... writes a copy that Jetwarden can change.");
    core->permissions().require(documents::Databases, documents::Database, rights::DbOpen);
    return std::make_shared<Database>(std::move(core));
}

std::shared_ptr<Database> Database::open(const std::string &path, bool exclusive, bool readOnly,
                                        std::shared_ptr<const Session> session)
{
    if (jetfile::isAccessFile(path))
        return openAccess(path, std::move(session));
    checkDatabaseFile(path, !readOnly);
    refuseWorkgroupFile(path);
    const std::string key = openfiles::key(path);
    openfiles::acquire(key, exclusive);
    std::shared_ptr<DatabaseCore> core;
    try {
        core = std::make_shared<DatabaseCore>(path, key, connect(path, exclusive, readOnly), exclusive,
                                              std::move(session));
    } catch (const Error &e) {
        openfiles::release(key, exclusive);
        if (e.code() == err::NotADatabase)
            throw fileError("'" + fileName(path) + "' is not a database file.", err::NotADatabase);
        if (e.code() == err::Damaged)
            throw fileError("The database '" + fileName(path) + "' is damaged; repair it with Tools, Repair.",
                            err::Damaged);
        if (e.code() == err::FileInUse)
            throw fileError("The database '" + fileName(path)
                                + "' is in use by another program or opened exclusively; try again later.",
                            err::FileInUse);
        throw;
    }
    // A refusal closes the core again, which gives the file back.
    core->permissions().require(documents::Databases, documents::Database, rights::DbOpen);
    if (exclusive)
        core->permissions().require(documents::Databases, documents::Database, rights::DbExclusive);
    return std::make_shared<Database>(std::move(core));
}

std::shared_ptr<Database> Database::create(const std::string &path, std::shared_ptr<const Session> session)
{
    if (path.empty())
        throw fileError("A database needs a file name.", err::InvalidArgument);
    // O_EXCL: an existing file is never touched, even one that appears meanwhile.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            throw fileError("Database '" + path + "' already exists.", err::DestinationExists);
        throw fileError("Cannot create '" + path + "': " + std::strerror(errno) + ".", err::IoError);
    }
    ::close(fd);
    std::shared_ptr<Database> db;
    try {
        {
            Connection c(path, SQLITE_OPEN_READWRITE);
            c.exec("CREATE TABLE jw_new_file(x); DROP TABLE jw_new_file; VACUUM;");
        }
        db = open(path, false, false, std::move(session));
        db->core_->permissions().created(documents::Databases, documents::Database);
    } catch (...) {
        if (db)
            db->close();
        ::unlink(path.c_str());
        throw;
    }
    return db;
}

// The version of the SQLite library that last wrote the file, from its header.
std::string Database::fileVersion()
{
    // A database of Access origin reports the Jet version of its file.
    if (core_->accessOrigin()) {
        Statement st(core_->db().handle(), "SELECT Value FROM main.MSysAccessOrigin WHERE Property = 'Format'");
        const std::string format = st.step() ? st.text(0) : std::string();
        if (format == "Jet 3")
            return "3.0";
        if (format == "Jet 4")
            return "4.0";
        if (format.rfind("ACE ", 0) == 0)
            return format.substr(4) + ".0";
    }
    unsigned char b[4] = {};
    const int fd = ::open(core_->fileKey().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (::pread(fd, b, 4, 96) != 4)
            std::memset(b, 0, 4);
        ::close(fd);
    }
    std::uint32_t n = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
    if (n == 0)
        n = SQLITE_VERSION_NUMBER;
    return std::to_string(n / 1000000) + "." + std::to_string(n / 1000 % 1000) + "." + std::to_string(n % 1000);
}

bool Database::accessDialect()
{
    return core_->accessDialect.value_or(isAccessOrigin(*core_));
}

void Database::execute(const std::string &text)
{
    const std::string sql = trimmed(text);
    if (sql.empty())
        throw Error("The statement text is empty.", err::EmptyStatement, "DAO.Database");
    if (auto name = singleName(*core_, sql)) {
        if (const QueryEntry *q = core_->findQuery(*name)) {
            // Running a saved query uses its data like opening it does.
            core_->permissions().require(documents::Tables, q->name, rights::RetrieveData);
            refusePassThrough(*q);
            if (isAccessOrigin(*core_))
                return executeAccess(q->sql);
            return executeSqlite(q->sql);
        }
    }
    if (accessDialect())
        return executeAccess(sql);
    executeSqlite(sql);
}

void Database::executeAccess(const std::string &sql)
{
    // Refused before translating, which could ask for parameters that opening it asks again.
    const std::int16_t kind = sqltext::queryType(sql);
    const bool rows = kind == 0 || kind == 16 || kind == 128;
    // A write on a read-only database is refused as such, whatever else the statement holds.
    if (!rows && core_->db().readOnly())
        throwSqlite(core_->db().handle(), SQLITE_READONLY);
    const accesssql::Translation t = rows ? accesssql::Translation{} : translateAccess(*core_, sql);
    if (rows || t.returnsRows())
        throw Error("The statement returns rows; open it as a recordset instead of executing it.",
                    err::RowReturning, "DAO.Database");
    runStatement(t.sql);
    // A make-table query reports the rows it copied.
    if (t.kind == accesssql::Translation::MakeTable)
        core_->recordsAffected = core_->db().scalar("SELECT count(*) FROM " + quoteIdentifier(t.makeTable));
}

void Database::executeSqlite(const std::string &sql)
{
    const sqltext::ParsedQuery parsed = sqltext::parseQuery(sql);
    if (!parsed.parameters.empty())
        throw tooFewParameters(parsed.parameters.size());
    runStatement(sql);
}

void Database::runStatement(const std::string &sql)
{
    Connection &c = core_->db();
    UserStatement user(*core_, sql);
    Statement st = user.run([&] { return Statement(c.handle(), sql); });
    if (!st.handle())
        throw Error("The statement text is empty.", err::EmptyStatement, "DAO.Database");
    if (st.hasTail())
        throw Error("Only one statement can be run at a time; characters were found after the end of the SQL statement.",
                    err::SqlError, "DAO.Database");
    if (st.columnCount() > 0)
        throw Error("The statement returns rows; open it as a recordset instead of executing it.",
                    err::RowReturning, "DAO.Database");
    // A statement that creates, drops or renames objects runs together with the change of their
    // permissions, so that neither happens without the other.
    std::optional<Savepoint> together;
    if (user.changesCatalogue()) {
        user.noteExisting();
        together.emplace(c, "jw_statement");
    }
    const sqlite3_int64 before = sqlite3_total_changes64(c.handle());
    user.run([&] {
        while (st.step()) {
        }
    });
    core_->recordsAffected = sqlite3_total_changes64(c.handle()) == before ? 0 : sqlite3_changes64(c.handle());
    if (together) {
        user.applyCatalogueChanges();
        together->release();
    }
    core_->changed();
}

Variant Database::openRecordset(const std::string &source)
{
    std::string sql = trimmed(source);
    if (sql.empty())
        throw Error("The statement text is empty.", err::EmptyStatement, "DAO.Database");
    bool access = accessDialect();
    if (auto name = singleName(*core_, sql)) {
        const QueryEntry *q = core_->findQuery(*name);
        if (q && isAccessOrigin(*core_)) {
            // A saved query of an Access file is Access SQL whatever the user types.
            core_->permissions().require(documents::Tables, q->name, rights::RetrieveData);
            refusePassThrough(*q);
            sql = q->sql;
            access = true;
        } else if (q && !q->view) {
            core_->permissions().require(documents::Tables, q->name, rights::RetrieveData);
            sql = q->sql;
            access = false;
        } else if (q || core_->findTable(*name)) {
            sql = "SELECT * FROM " + quoteIdentifier(q ? q->name : core_->findTable(*name)->name);
            access = false;
        }
    }
    if (access) {
        const accesssql::Translation t = translateAccess(*core_, sql);
        if (t.kind == accesssql::Translation::MakeTable)
            throw Error("SELECT ... INTO makes a table and returns no rows; run it with Execute.",
                        err::RowReturning, "DAO.Database");
        UserStatement user(*core_, t.sql);
        return user.run([&] { return Variant(std::make_shared<Recordset>(core_, t.sql)); });
    }
    const sqltext::ParsedQuery parsed = sqltext::parseQuery(sql);
    if (!parsed.parameters.empty())
        throw tooFewParameters(parsed.parameters.size());
    UserStatement user(*core_, sql);
    return user.run([&] { return Variant(std::make_shared<Recordset>(core_, sql)); });
}

Variant Database::createQueryDef(const automation::Args &args)
{
    const std::string name = hasArg(args, 0) ? args[0].toText() : std::string();
    const std::string sql = hasArg(args, 1) ? args[1].toText() : std::string();
    if (name.empty())
        return std::make_shared<QueryDef>(core_, name, sql);
    core_->permissions().require(documents::Databases, documents::Database, rights::DbCreate);
    QueryDef::create(*core_, name, sql);
    return std::make_shared<QueryDef>(core_, core_->findQuery(name)->name);
}

// SqlDialect: "Access" or "SQLite" (any letter case), or empty to follow the origin.
// ParameterPrompt: an object whose Ask(name) gives a parameter's value, or Empty or Null for none.
void Database::putMember(const std::string &m, const Variant &value)
{
    if (m == "sqldialect") {
        const std::string d = automation::lowerAscii(value.isEmpty() || value.isNull() ? "" : value.toText());
        if (d.empty())
            core_->accessDialect.reset();
        else if (d == "access" || d == "sqlite")
            core_->accessDialect = d == "access";
        else
            throw Error("SqlDialect is \"Access\" or \"SQLite\", not \"" + value.toText() + "\".", err::InvalidArgument,
                        "DAO.Database");
        return;
    }
    if (m == "parameterprompt") {
        if (!value.isObject()) {
            core_->askParameter = nullptr;
            return;
        }
        core_->askParameter = [value](const std::string &name) -> std::optional<std::string> {
            const Variant answer = value.call("Ask", automation::Args{name});
            if (answer.isEmpty() || answer.isNull())
                return std::nullopt;
            return answer.toText();
        };
        return;
    }
    readOnly(m);
}

Variant Database::invoke(Invoke kind, const std::string &m, const automation::Args &args)
{
    if (kind == Invoke::Put) {
        putMember(m, args.empty() ? Variant() : args[0]);
        return {};
    }
    if (m == "name")
        return core_->name();
    if (m == "close") {
        close();
        return {};
    }
    core_->db(); // every other member needs the database open
    if (m == "version")
        return fileVersion();
    if (m == "tabledefs")
        return args.empty() ? TableDefs::fetch<TableDefs>(core_) : TableDefs::fetch<TableDefs>(core_).item(args[0]);
    if (m == "querydefs")
        return args.empty() ? QueryDefs::fetch<QueryDefs>(core_) : QueryDefs::fetch<QueryDefs>(core_).item(args[0]);
    if (m == "relations")
        return args.empty() ? Relations::fetch<Relations>(core_) : Relations::fetch<Relations>(core_).item(args[0]);
    if (m == "containers")
        return args.empty() ? Containers::fetch<Containers>(core_) : Containers::fetch<Containers>(core_).item(args[0]);
    if (m == "openrecordset")
        return openRecordset(arg(args, 0).toText());
    if (m == "execute") {
        execute(arg(args, 0).toText());
        return {};
    }
    if (m == "recordsaffected")
        return core_->recordsAffected;
    if (m == "createquerydef")
        return createQueryDef(args);
    if (m == "updatable")
        return !core_->db().readOnly();
    if (m == "connect")
        return std::string();
    if (m == "sqldialect")
        return std::string(accessDialect() ? "Access" : "SQLite");
    if (m == "setparameter") {
        core_->parameterValues[accesssql::ParameterValues::key(arg(args, 0).toText())] = arg(args, 1).toText();
        return {};
    }
    if (m == "clearparameters") {
        core_->parameterValues.clear();
        return {};
    }
    noMember(m);
}

} // namespace dbengine
