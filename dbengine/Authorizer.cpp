#include "Authorizer.h"

#include "DatabaseCore.h"
#include "ErrorCodes.h"
#include "Permissions.h"
#include "SqlText.h"
#include "Workgroup.h"
#include "automation/Text.h"

#include <algorithm>
#include <sqlite3.h>

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

std::string protectedTable(std::string_view table)
{
    return "'" + std::string(table) + "' belongs to the engine's security; only the engine changes it.";
}

bool startsWithWord(std::string_view sql, std::string_view word)
{
    const auto tokens = sqltext::tokenize(sql);
    return !tokens.empty() && sqltext::isWord(tokens.front(), word);
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

int Authorizer::decide(int action, const char *a, const char *b, const char *schema, const char *inner)
{
    if (!active_)
        return SQLITE_OK;
    const std::string first = a ? a : "", second = b ? b : "";
    // A table read for count(*) comes without a schema; it is one of the main database.
    const bool main = !schema || std::string_view(schema) == "main";
    const Session &session = core_.permissions().session();
    using namespace documents;
    switch (action) {
    case SQLITE_READ:
        if (!main || isSchemaTable(first) || unrestricted_
            || core_.permissions().allows(Tables, first, rights::RetrieveData))
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
        if (!main || isSchemaTable(first))
            return SQLITE_OK;
        if (action == SQLITE_DELETE && dropping_.count(lowerAscii(first)))
            return SQLITE_OK; // the rows go with the table whose drop was checked
        if (isSecurityTable(first) || (equalsNoCase(first, "MSysQueries") && !session.inAdmins()))
            return refuse(protectedTable(first));
        written_.insert(lowerAscii(first));
        return need(Tables, first, action == SQLITE_INSERT   ? rights::InsertData
                                   : action == SQLITE_UPDATE ? rights::ChangeData
                                                             : rights::DeleteData);
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_VTABLE:
        if (!main)
            return SQLITE_OK;
        if (isSecurityTable(first))
            return refuse(protectedTable(first));
        created_.push_back(first);
        return need(Databases, Database, rights::DbCreate);
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_VTABLE:
        if (!main)
            return SQLITE_OK;
        if (isSecurityTable(first))
            return refuse(protectedTable(first));
        // Dropping deletes the rows, which checks the relations like a DELETE does.
        dropping_.insert(lowerAscii(first));
        written_.insert(lowerAscii(first));
        dropped_.push_back(first);
        return need(Tables, first, rights::ChangeDefinition);
    case SQLITE_CREATE_INDEX:
    case SQLITE_DROP_INDEX:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_DROP_TRIGGER:
        if (!main)
            return SQLITE_OK;
        if (isSecurityTable(second))
            return refuse(protectedTable(second));
        return need(Tables, second, rights::ChangeDefinition);
    case SQLITE_ALTER_TABLE: {
        // The schema comes first here, then the table.
        if (first != "main")
            return SQLITE_OK;
        if (isSecurityTable(second))
            return refuse(protectedTable(second));
        if (const auto target = renameTarget(sql_)) {
            if (isSecurityTable(*target))
                return refuse(protectedTable(*target));
            renamed_.emplace_back(second, *target);
        }
        return need(Tables, second, rights::ChangeDefinition);
    }
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
        // Another name for this file would reach its tables past their permissions.
        if (!session.inAdmins())
            return refuse("Only members of Admins can attach or detach databases; '" + session.user
                          + "' is not one.");
        return SQLITE_OK;
    case SQLITE_PRAGMA:
        // With a writable schema a table's definition could be replaced past its permissions.
        if (equalsNoCase(first, "writable_schema") && !session.inAdmins())
            return refuse("Only members of Admins can make the schema writable; '" + session.user + "' is not one.");
        return SQLITE_OK;
    default:
        return SQLITE_OK;
    }
}

UserStatement::UserStatement(DatabaseCore &core, std::string_view sql) : auth_(core.authorizer()), core_(core)
{
    Permissions &p = core.permissions();
    p.refresh();
    const Session &session = p.session();
    // VACUUM INTO writes every table to another file, past every permission.
    if (!session.inAdmins() && lowerAscii(sql).find("vacuum") != std::string::npos && startsWithWord(sql, "VACUUM")
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
    const auto exists = [&](const std::string &name) { return core_.findTable(name) || core_.findQuery(name); };
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
    const auto exists = [&](const std::string &name) { return core_.findTable(name) || core_.findQuery(name); };
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

} // namespace dbengine
