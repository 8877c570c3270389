#include "Permissions.h"

#include "DatabaseCore.h"
#include "ErrorCodes.h"
#include "Workgroup.h"
#include "automation/Error.h"
#include "automation/Text.h"

#include <cstdio>
#include <filesystem>
#include <sqlite3.h>

namespace dbengine {

namespace rights {

std::string name(std::int32_t right, bool database)
{
    if (database) {
        switch (right) {
        case DbCreate: return "Create";
        case DbOpen: return "Open";
        case DbExclusive: return "Exclusive";
        case DbAdminister: return "Administer";
        default: break;
        }
    } else {
        switch (right) {
        case ReadDefinition: return "Read definition";
        case ChangeDefinition: return "Change definition";
        case RetrieveData: return "Retrieve data";
        case InsertData: return "Insert data";
        case ChangeData: return "Change data";
        case DeleteData: return "Delete data";
        case Administer: return "Administer";
        default: break;
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(right));
    return text;
}

} // namespace rights

namespace {

std::string key(std::string_view container, std::string_view name)
{
    return std::string(container) + '\x1f' + automation::lowerAscii(name);
}

bool isDatabaseDocument(std::string_view container)
{
    return container == documents::Databases;
}

} // namespace

Permissions::Permissions(DatabaseCore &core, std::shared_ptr<const Session> session)
    : core_(core), session_(std::move(session))
{
    implicit_.owner = sid::admin();
    implicit_.masks = {{sid::admin(), rights::Full}, {sid::users(), rights::Full}};
}

Permissions::~Permissions() = default;

void Permissions::release()
{
    schemaVersion_.reset();
    dataVersion_.reset();
}

void Permissions::refresh()
{
    Connection &c = core_.db();
    if (!schemaVersion_) {
        schemaVersion_ = std::make_unique<Statement>(c.handle(), "PRAGMA schema_version");
        dataVersion_ = std::make_unique<Statement>(c.handle(), "PRAGMA data_version");
    }
    const auto read = [](Statement &st) {
        st.reset();
        const std::int64_t value = st.step() ? st.integer(0) : 0;
        st.reset(); // an unfinished statement would keep the file's read lock
        return value;
    };
    const std::array<std::int64_t, 3> now = {read(*schemaVersion_), read(*dataVersion_), writes_};
    if (seen_ == now && !uncommitted_)
        return;
    uncommitted_ = uncommitted_ && !sqlite3_get_autocommit(c.handle());
    seen_ = now;
    records_.clear();
    adminsHere_ = session_->inAdmins();
    if (!hasTables())
        return;
    Statement objects(c.handle(), "SELECT Container, Name, Owner FROM main.MSysObjects");
    while (objects.step())
        records_[key(objects.text(0), objects.text(1))].owner = objects.text(2);
    Statement aces(c.handle(), "SELECT Container, Name, SID, ACM FROM main.MSysACEs");
    while (aces.step()) {
        auto it = records_.find(key(aces.text(0), aces.text(1)));
        if (it != records_.end())
            it->second.masks[aces.text(2)] = static_cast<std::int32_t>(static_cast<std::uint32_t>(aces.integer(3)));
    }
    const auto db = records_.find(key(documents::Databases, documents::Database));
    if (db != records_.end())
        adminsHere_ = adminsHere_ && db->second.masks.count(session_->admins) != 0;
}

bool Permissions::unrestricted() const
{
    return records_.empty() && (session_->holds(sid::users()) || session_->holds(sid::admin()));
}

const Permissions::Record &Permissions::record(std::string_view container, std::string_view name) const
{
    auto it = records_.find(key(container, name));
    return it == records_.end() ? implicit_ : it->second;
}

std::int32_t Permissions::effective(std::string_view container, std::string_view name) const
{
    std::int32_t rights = 0;
    for (const auto &[account, mask] : record(container, name).masks)
        if (session_->holds(account))
            rights |= mask;
    return rights;
}

std::string Permissions::refusal(std::string_view container, std::string_view name, std::int32_t right) const
{
    const bool database = isDatabaseDocument(container);
    const std::string object = database
                                   ? "the database '" + std::filesystem::path(core_.name()).filename().string() + "'"
                                   : "'" + std::string(name) + "'";
    return "The account '" + session_->user + "' has no " + rights::name(right, database) + " permission on "
           + object + ".";
}

void Permissions::require(std::string_view container, std::string_view name, std::int32_t right)
{
    refresh();
    if (!allows(container, name, right))
        throw automation::Error(refusal(container, name, right), err::PermissionDenied, "DAO.Database");
}

sid::Sid Permissions::owner(std::string_view container, std::string_view name)
{
    refresh();
    return record(container, name).owner;
}

std::int32_t Permissions::mask(std::string_view container, std::string_view name, const sid::Sid &account)
{
    refresh();
    const Record &r = record(container, name);
    auto it = r.masks.find(account);
    return it == r.masks.end() ? 0 : it->second;
}

bool Permissions::mayAdminister(std::string_view container, std::string_view name)
{
    refresh();
    const std::int32_t administer = isDatabaseDocument(container) ? rights::DbAdminister : rights::Administer;
    return session_->holds(record(container, name).owner) || adminsHere_ || allows(container, name, administer);
}

bool Permissions::hasTables()
{
    return core_.hasTable("MSysObjects") && core_.hasTable("MSysACEs");
}

// Every write ends here, so that the next refresh reads the rows again.
void Permissions::written()
{
    ++writes_;
    // Inside a transaction the rows just written may still be rolled back, to a savepoint too,
    // which no version number shows: until the transaction ends, every refresh reads them again.
    if (!sqlite3_get_autocommit(core_.db().handle()))
        uncommitted_ = true;
    core_.changed();
}

bool Permissions::ensureTables()
{
    Connection &c = core_.db();
    const bool existed = hasTables();
    c.exec("CREATE TABLE IF NOT EXISTS main.MSysObjects (Container TEXT NOT NULL, Name TEXT NOT NULL COLLATE NOCASE, "
           "Owner TEXT NOT NULL, PRIMARY KEY (Container, Name)) WITHOUT ROWID");
    c.exec("CREATE TABLE IF NOT EXISTS main.MSysACEs (Container TEXT NOT NULL, Name TEXT NOT NULL COLLATE NOCASE, "
           "SID TEXT NOT NULL, ACM INTEGER NOT NULL, PRIMARY KEY (Container, Name, SID)) WITHOUT ROWID");
    // The first stored fact also records the database document, which names this workgroup's
    // Admins.
    if (existed || records_.count(key(documents::Databases, documents::Database)) != 0)
        return false;
    insertRecord(documents::Databases, documents::Database, implicit_);
    return true;
}

void Permissions::insertRecord(std::string_view container, std::string_view name, const Record &record)
{
    Connection &c = core_.db();
    Statement object(c.handle(), "INSERT INTO main.MSysObjects (Container, Name, Owner) VALUES (?, ?, ?)");
    object.bind(1, container);
    object.bind(2, name);
    object.bind(3, record.owner);
    object.step();
    auto masks = record.masks;
    if (isDatabaseDocument(container))
        masks.emplace(session_->admins, 0);
    for (const auto &[account, mask] : masks) {
        Statement ace(c.handle(), "INSERT INTO main.MSysACEs (Container, Name, SID, ACM) VALUES (?, ?, ?, ?)");
        ace.bind(1, container);
        ace.bind(2, name);
        ace.bind(3, account);
        ace.bind(4, std::int64_t(mask));
        ace.step();
    }
}

void Permissions::deleteRecord(std::string_view container, std::string_view name)
{
    Connection &c = core_.db();
    for (const char *sql : {"DELETE FROM main.MSysObjects WHERE Container = ? AND Name = ?",
                            "DELETE FROM main.MSysACEs WHERE Container = ? AND Name = ?"}) {
        Statement del(c.handle(), sql);
        del.bind(1, container);
        del.bind(2, name);
        del.step();
    }
}

void Permissions::materialise(std::string_view container, std::string_view name)
{
    const bool databaseWritten = ensureTables();
    if (records_.count(key(container, name)) == 0
        && !(databaseWritten && isDatabaseDocument(container) && name == documents::Database))
        insertRecord(container, name, implicit_);
}

void Permissions::setMask(std::string_view container, std::string_view name, const sid::Sid &account,
                          std::int32_t mask)
{
    refresh();
    Savepoint savepoint(core_.db(), "jw_permissions");
    materialise(container, name);
    Statement ace(core_.db().handle(), "INSERT INTO main.MSysACEs (Container, Name, SID, ACM) VALUES (?, ?, ?, ?) "
                                       "ON CONFLICT (Container, Name, SID) DO UPDATE SET ACM = excluded.ACM");
    ace.bind(1, container);
    ace.bind(2, name);
    ace.bind(3, account);
    ace.bind(4, std::int64_t(mask));
    ace.step();
    savepoint.release();
    written();
}

void Permissions::setOwner(std::string_view container, std::string_view name, const sid::Sid &owner)
{
    refresh();
    Savepoint savepoint(core_.db(), "jw_permissions");
    materialise(container, name);
    Statement up(core_.db().handle(), "UPDATE main.MSysObjects SET Owner = ? WHERE Container = ? AND Name = ?");
    up.bind(1, owner);
    up.bind(2, container);
    up.bind(3, name);
    up.step();
    savepoint.release();
    written();
}

// An object made by "Admin" needs no row: the implicit record says the same. A row left by an
// earlier object of the same name is removed either way.
void Permissions::created(std::string_view container, std::string_view name)
{
    const bool stored = hasTables();
    const sid::Sid &creator = session_->userSid;
    if (!stored && creator == sid::admin())
        return;
    Savepoint savepoint(core_.db(), "jw_permissions");
    if (creator != sid::admin()) {
        ensureTables();
        deleteRecord(container, name);
        insertRecord(container, name, Record{creator, {{creator, rights::Full}, {sid::users(), rights::Full}}});
    } else if (stored) {
        deleteRecord(container, name);
    }
    savepoint.release();
    written();
}

void Permissions::dropped(std::string_view container, std::string_view name)
{
    if (!hasTables())
        return;
    Savepoint savepoint(core_.db(), "jw_permissions");
    deleteRecord(container, name);
    savepoint.release();
    written();
}

void Permissions::renamed(std::string_view container, std::string_view from, std::string_view to)
{
    if (!hasTables())
        return;
    Connection &c = core_.db();
    Savepoint savepoint(c, "jw_permissions");
    if (!automation::equalsNoCase(from, to))
        deleteRecord(container, to);
    for (const char *sql : {"UPDATE main.MSysObjects SET Name = ?1 WHERE Container = ?2 AND Name = ?3",
                            "UPDATE main.MSysACEs SET Name = ?1 WHERE Container = ?2 AND Name = ?3"}) {
        Statement up(c.handle(), sql);
        up.bind(1, to);
        up.bind(2, container);
        up.bind(3, from);
        up.step();
    }
    savepoint.release();
    written();
}

} // namespace dbengine
