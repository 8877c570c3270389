#include "Authorizer.h"

#include "DatabaseCore.h"
#include "ErrorCodes.h"
#include "Permissions.h"
#include "SqlText.h"
#include "Workgroup.h"
#include "automation/Text.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine {

using automation::equalsNoCase;
using automation::lowerAscii;

namespace {

// Tables that hold accounts and permissions: only the engine changes them, whoever asks.
bool isSecurityTable(std::string_view table)
{
    for (std::string_view name : {"MSysObjects", "MSysACEs", "MSysAccounts", "MSysGroups", "MSysWorkgroup"})
        if (equalsNoCase(table, name))
            return true;
    return false;
}

bool isSchemaTable(std::string_view table)
{
    for (std::string_view name : {"sqlite_master", "sqlite_schema", "sqlite_temp_master", "sqlite_temp_schema"})
        if (equalsNoCase(table, name))
            return true;
    return false;
}

// Names the engine keeps for its own tables; no user object of any schema may take one, so
// that nothing stands in for an engine table.
bool isEngineName(std::string_view name)
{
    return name.size() >= 4 && equalsNoCase(name.substr(0, 4), "MSys");
}

// Tables and functions that read or describe the file past every permission.
bool isRawAccess(std::string_view name)
{
    for (std::string_view raw : {"dbstat", "sqlite_dbpage", "fts3_tokenizer", "load_extension"})
        if (equalsNoCase(name, raw))
            return true;
    return false;
}

// Settings that change the rules the database is checked by, its header, or how it is
// journalled and locked. Reading them stays open to everybody.
bool isRuleSetting(std::string_view pragma)
{
    for (std::string_view name :
         {"foreign_keys", "ignore_check_constraints", "schema_version", "user_version", "application_id",
          "writable_schema", "recursive_triggers", "trusted_schema", "legacy_alter_table", "journal_mode",
          "locking_mode", "synchronous", "journal_size_limit", "wal_autocheckpoint", "auto_vacuum", "page_size",
          "secure_delete", "cell_size_check", "defer_foreign_keys", "case_sensitive_like", "query_only",
          "encoding", "max_page_count", "legacy_file_format", "mmap_size", "temp_store", "temp_store_directory",
          "data_store_directory", "reverse_unordered_selects", "count_changes", "full_column_names",
          "short_column_names", "empty_result_callbacks", "checkpoint_fullfsync", "fullfsync",
          "incremental_vacuum", "wal_checkpoint", "optimize", "shrink_memory", "soft_heap_limit",
          "hard_heap_limit", "threads", "analysis_limit", "automatic_index", "busy_timeout", "cache_size",
          "cache_spill", "default_cache_size", "vdbe_trace", "parser_trace", "sql_trace"})
        if (equalsNoCase(pragma, name))
            return true;
    return false;
}

// Pragmas that write even without a value.
bool writesWithoutValue(std::string_view pragma)
{
    for (std::string_view name : {"incremental_vacuum", "wal_checkpoint", "optimize", "shrink_memory"})
        if (equalsNoCase(pragma, name))
            return true;
    return false;
}

bool isOff(std::string_view value)
{
    for (std::string_view off : {"0", "off", "false", "no"})
        if (equalsNoCase(value, off))
            return true;
    return false;
}

std::string protectedTable(std::string_view table)
{
    return "'" + std::string(table) + "' belongs to the engine's security; only the engine changes it.";
}

std::string engineName(std::string_view name)
{
    return "'" + std::string(name) + "' is a name the engine keeps for its own tables; choose another name.";
}

bool startsWithWord(std::string_view sql, std::string_view word)
{
    const auto tokens = sqltext::tokenize(sql);
    return !tokens.empty() && sqltext::isWord(tokens.front(), word);
}

bool sameFile(const std::string &a, const std::string &b)
{
    struct stat sa{}, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

// The application id a workgroup information file carries in its header.
bool isWorkgroupFile(const std::string &path)
{
    unsigned char id[4] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool read = ::pread(fd, id, 4, 68) == 4;
    ::close(fd);
    return read && std::memcmp(id, "JWMW", 4) == 0;
}

} // namespace

std::set<std::string> mentionedNames(std::string_view sql)
{
    std::set<std::string> names;
    for (const sqltext::Token &t : sqltext::tokenize(sql))
        if (t.kind == sqltext::Token::Word || t.kind == sqltext::Token::Identifier
            || t.kind == sqltext::Token::String)
            names.insert(lowerAscii(t.value));
    return names;
}

std::optional<std::string> renameTarget(std::string_view sql)
{
    const auto t = sqltext::tokenize(sql);
    for (std::size_t i = 0; i + 2 < t.size(); ++i)
        if (sqltext::isWord(t[i], "RENAME") && sqltext::isWord(t[i + 1], "TO") && sqltext::isName(t[i + 2]))
            return t[i + 2].value;
    return std::nullopt;
}

Authorizer::Authorizer(DatabaseCore &core) : core_(core)
{
    sqlite3_set_authorizer(core_.db().handle(), &Authorizer::callback, this);
}

int Authorizer::callback(void *self, int action, const char *a, const char *b, const char *schema,
                         const char *inner)
{
    return static_cast<Authorizer *>(self)->decide(action, a, b, schema, inner);
}

int Authorizer::refuse(std::string message)
{
    refusal_ = std::move(message);
    return SQLITE_DENY;
}

int Authorizer::need(std::string_view container, std::string_view name, std::int32_t right)
{
    const Permissions &p = core_.permissions();
    if (unrestricted_ || p.allows(container, name, right))
        return SQLITE_OK;
    return refuse(p.refusal(container, name, right));
}

bool Authorizer::named(std::string_view table)
{
    if (!names_)
        names_ = mentionedNames(sql_);
    return names_->count(lowerAscii(table)) != 0;
}

// Checking a relation reads the key fields of the related table: a table the statement does
// not name, read for a table the statement writes. Such reads need no permission.
bool Authorizer::isRelationLookup(std::string_view table, std::string_view column)
{
    if (!relations_)
        return false;
    const auto writes = [&](const std::string &t) { return written_.count(lowerAscii(t)) != 0; };
    for (const RelationEntry &r : *relations_) {
        for (const auto &[primary, foreign] : r.fields) {
            if (equalsNoCase(r.table, table) && equalsNoCase(primary, column) && writes(r.foreignTable))
                return true;
            if (equalsNoCase(r.foreignTable, table) && equalsNoCase(foreign, column) && writes(r.table))
                return true;
        }
    }
    return false;
}

// The engine's own statements run unchecked, but never run what a user's trigger does: no
// trigger may sit on an engine table, and a write made from inside a trigger (the only place a
// write has an inner name) is refused while no user statement is running.
int Authorizer::decideForEngine(int action, const char *inner)
{
    if (inner && (action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE))
        return SQLITE_DENY;
    return SQLITE_OK;
}

int Authorizer::decide(int action, const char *a, const char *b, const char *schema, const char *inner)
{
    if (!active_)
        return decideForEngine(action, inner);
    const std::string first = a ? a : "", second = b ? b : "";
    // A table read for count(*) comes without a schema; it is one of the main database.
    const bool main = !schema || std::string_view(schema) == "main";
    const Session &session = core_.permissions().session();
    const bool admins = core_.permissions().adminsHere();
    const auto onlyAdmins = [&](const std::string &what) {
        return admins ? SQLITE_OK
                      : refuse("Only members of Admins can " + what + "; '" + session.user + "' is not one.");
    };
    using namespace documents;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
    case SQLITE_RECURSIVE:
    case SQLITE_REINDEX:
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        if (isRawAccess(second))
            return refuse("The function '" + second + "' is not available.");
        return SQLITE_OK;
    case SQLITE_READ:
        if (isRawAccess(first))
            return refuse("'" + first + "' is not available: it reads the file past its permissions.");
        if (isSchemaTable(first))
            return SQLITE_OK;
        if (equalsNoCase(first, "MSysACEs") && !admins)
            return refuse("Only members of Admins can read the permissions of every account; '" + session.user
                          + "' reads its own through a document's Permissions.");
        // Temporary tables are the session's own; attached files only Admins reach.
        if (!main || unrestricted_ || core_.permissions().allows(Tables, first, rights::RetrieveData))
            return SQLITE_OK;
        if (!inner && !named(first)) {
            if (!relations_) {
                needsRelations_ = true;
                return SQLITE_DENY;
            }
            if (isRelationLookup(first, second))
                return SQLITE_OK;
        }
        return need(Tables, first, rights::RetrieveData);
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
        if (isSecurityTable(first))
            return refuse(protectedTable(first));
        if (!main || isSchemaTable(first))
            return SQLITE_OK;
        if (action == SQLITE_DELETE && dropping_.count(lowerAscii(first)))
            return SQLITE_OK; // the rows go with the table whose drop was checked
        if (equalsNoCase(first, "MSysQueries") && !admins)
            return refuse(protectedTable(first));
        written_.insert(lowerAscii(first));
        return need(Tables, first, action == SQLITE_INSERT   ? rights::InsertData
                                   : action == SQLITE_UPDATE ? rights::ChangeData
                                                             : rights::DeleteData);
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_VTABLE:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_CREATE_TEMP_VIEW:
        if (isEngineName(first))
            return refuse(engineName(first));
        if (action == SQLITE_CREATE_VTABLE && isRawAccess(second))
            return refuse("The module '" + second + "' is not available: it reads the file past its permissions.");
        if (action == SQLITE_CREATE_VIEW && viewWrite_ && equalsNoCase(first, *viewWrite_))
            return SQLITE_OK; // a saved query's view, whose right was checked by its caller
        if (main && action != SQLITE_CREATE_TEMP_TABLE && action != SQLITE_CREATE_TEMP_VIEW)
            created_.push_back(first);
        return need(Databases, Database, rights::DbCreate);
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_VTABLE:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_TEMP_VIEW:
        if (isSecurityTable(first))
            return refuse(protectedTable(first));
        if (action == SQLITE_DROP_VIEW && viewWrite_ && equalsNoCase(first, *viewWrite_))
            return SQLITE_OK;
        if (!main || action == SQLITE_DROP_TEMP_TABLE || action == SQLITE_DROP_TEMP_VIEW)
            return SQLITE_OK; // the session's own
        // Dropping deletes the rows, which checks the relations like a DELETE does.
        dropping_.insert(lowerAscii(first));
        written_.insert(lowerAscii(first));
        dropped_.push_back(first);
        return need(Tables, first, rights::ChangeDefinition);
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_TEMP_TRIGGER:
        // No trigger or index on an engine table, for anybody: the engine's writes there must
        // do nothing else.
        if (isEngineName(first))
            return refuse(engineName(first));
        if (isEngineName(second) || isSchemaTable(second))
            return refuse("'" + second + "' belongs to the engine; nobody adds indexes or triggers to it.");
        [[fallthrough]];
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_INDEX:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_TEMP_TRIGGER:
        if (isSecurityTable(second))
            return refuse(protectedTable(second));
        // A temporary trigger or index on a table of the database needs the same right as a
        // permanent one; one on a temporary table is the session's own.
        if (!main && action != SQLITE_CREATE_TEMP_TRIGGER && action != SQLITE_DROP_TEMP_TRIGGER)
            return SQLITE_OK;
        return need(Tables, second, rights::ChangeDefinition);
    case SQLITE_ALTER_TABLE: {
        // The schema comes first here, then the table.
        if (isSecurityTable(second))
            return refuse(protectedTable(second));
        const auto target = renameTarget(sql_);
        if (target && isEngineName(*target))
            return refuse(engineName(*target));
        if (first != "main")
            return SQLITE_OK;
        if (target)
            renamed_.emplace_back(second, *target);
        return need(Tables, second, rights::ChangeDefinition);
    }
    case SQLITE_ATTACH: {
        // Another name for this file, or the workgroup's, would reach their tables past the
        // engine.
        if (const int denied = onlyAdmins("attach or detach databases"); denied != SQLITE_OK)
            return denied;
        if (!a)
            return refuse("A database can only be attached by a file name written out in the statement.");
        if (first.empty() || first == ":memory:")
            return SQLITE_OK;
        if (first.rfind("file:", 0) == 0)
            return refuse("A database is attached by its file name, not by a URI.");
        if (sameFile(first, core_.fileKey()))
            return refuse("The open database cannot be attached to itself.");
        if ((session.workgroup && !session.workgroup->isBuiltIn() && sameFile(first, session.workgroup->path()))
            || isWorkgroupFile(first))
            return refuse("'" + first + "' is a workgroup information file; only the engine reads it.");
        return SQLITE_OK;
    }
    case SQLITE_DETACH:
        return onlyAdmins("attach or detach databases");
    case SQLITE_ANALYZE:
        return onlyAdmins("gather statistics with ANALYZE");
    case SQLITE_PRAGMA:
        // Foreign keys are enforced on every connection.
        if (equalsNoCase(first, "foreign_keys") && b && isOff(second))
            return refuse("Foreign keys are always enforced; they cannot be switched off.");
        if (isRuleSetting(first) && (b || writesWithoutValue(first)))
            return onlyAdmins("change the setting '" + first + "'");
        return SQLITE_OK;
    default:
        return refuse("The statement asks for an action (" + std::to_string(action)
                      + ") the engine does not allow.");
    }
}

UserStatement::UserStatement(DatabaseCore &core, std::string_view sql) : auth_(core.authorizer()), core_(core)
{
    Permissions &p = core.permissions();
    p.refresh();
    const Session &session = p.session();
    // VACUUM INTO writes every table to another file, past every permission.
    if (!p.adminsHere() && lowerAscii(sql).find("vacuum") != std::string::npos && startsWithWord(sql, "VACUUM")
        && mentionedNames(sql).count("into"))
        throw automation::Error("Only members of Admins can copy the database with VACUUM INTO; '" + session.user
                                    + "' is not one.",
                                err::PermissionDenied, "DAO.Database");
    auth_.sql_ = std::string(sql);
    auth_.names_.reset();
    auth_.unrestricted_ = p.unrestricted();
    auth_.relations_ = nullptr;
    auth_.forgetStatement();
    auth_.active_ = true;
}

void Authorizer::forgetStatement()
{
    needsRelations_ = false;
    written_.clear();
    dropping_.clear();
    created_.clear();
    dropped_.clear();
    renamed_.clear();
    refusal_.reset();
}

bool UserStatement::readRelationsIfNeeded()
{
    if (!auth_.needsRelations_ || auth_.relations_)
        return false;
    auth_.active_ = false;
    auth_.relations_ = &core_.relations();
    auth_.forgetStatement();
    auth_.active_ = true;
    return true;
}

UserStatement::~UserStatement()
{
    auth_.active_ = false;
    auth_.relations_ = nullptr;
}

void UserStatement::throwRefusal()
{
    if (auth_.refusal_) {
        std::string message = std::move(*auth_.refusal_);
        auth_.refusal_.reset();
        throw automation::Error(message, err::PermissionDenied, "DAO.Database");
    }
}

bool UserStatement::changesCatalogue() const
{
    return !auth_.created_.empty() || !auth_.dropped_.empty() || !auth_.renamed_.empty();
}

void UserStatement::noteExisting()
{
    auth_.active_ = false;
    const auto exists = [&](const std::string &name) { return core_.hasObject(name); };
    std::erase_if(auth_.created_, exists);
    std::erase_if(auth_.dropped_, [&](const std::string &name) { return !exists(name); });
    auth_.active_ = true;
}

void UserStatement::applyCatalogueChanges()
{
    auth_.active_ = false;
    auth_.relations_ = nullptr;
    core_.changed();
    Permissions &p = core_.permissions();
    const auto exists = [&](const std::string &name) { return core_.hasObject(name); };
    for (const std::string &name : auth_.dropped_)
        if (!exists(name))
            p.dropped(documents::Tables, name);
    for (const auto &[from, to] : auth_.renamed_)
        if (exists(to) && !exists(from))
            p.renamed(documents::Tables, from, to);
    for (const std::string &name : auth_.created_)
        if (exists(name))
            p.created(documents::Tables, name);
}

ViewWrite::ViewWrite(DatabaseCore &core, const std::string &name, const std::string &sql)
    : auth_(core.authorizer())
{
    Permissions &p = core.permissions();
    p.refresh();
    auth_.sql_ = sql;
    auth_.names_.reset();
    auth_.unrestricted_ = p.unrestricted();
    auth_.relations_ = nullptr;
    auth_.forgetStatement();
    auth_.viewWrite_ = name;
    auth_.active_ = true;
}

ViewWrite::~ViewWrite()
{
    auth_.active_ = false;
    auth_.viewWrite_.reset();
}

void ViewWrite::throwRefusal()
{
    if (auth_.refusal_) {
        std::string message = std::move(*auth_.refusal_);
        auth_.refusal_.reset();
        throw automation::Error(message, err::PermissionDenied, "DAO.QueryDef");
    }
}

} // namespace dbengine
