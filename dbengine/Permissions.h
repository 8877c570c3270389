#pragma once

#include "Sid.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace dbengine {

class DatabaseCore;
class Statement;
struct Session;

// Permission bits of a document's mask.
namespace rights {
constexpr std::int32_t ReadDefinition = 0x4;
constexpr std::int32_t ChangeDefinition = 0x1000C;
constexpr std::int32_t RetrieveData = 0x14;
constexpr std::int32_t InsertData = 0x20;
constexpr std::int32_t ChangeData = 0x40;
constexpr std::int32_t DeleteData = 0x80;
constexpr std::int32_t Administer = 0x40000;
// On the database document "MSysDb".
constexpr std::int32_t DbCreate = 0x1;
constexpr std::int32_t DbOpen = 0x2;
constexpr std::int32_t DbExclusive = 0x4;
constexpr std::int32_t DbAdminister = 0x8;
// Every bit a document can use.
constexpr std::int32_t Full = 0xFFFFF;

// "Retrieve data", "Open", ...; `database` selects the meaning of the database document.
std::string name(std::int32_t right, bool database);
} // namespace rights

namespace documents {
constexpr std::string_view Databases = "Databases";
constexpr std::string_view Database = "MSysDb";
constexpr std::string_view Tables = "Tables";
} // namespace documents

// Owners and permission masks of one database's documents, for the account of the session
// that opened it. They live in the engine tables MSysObjects (one row per document with an
// owner) and MSysACEs (one mask per document and account), created when the first fact is
// written. The database document's record then also names the Admins group of the workgroup
// that secured it (an entry that may grant nothing). A document without a row is owned by "Admin", and "Admin" and "Users" have full
// rights on it: a database without these tables lets everyone do everything.
//
// The rows are read once per change of the file; the authorizer asks only what was read.
class Permissions {
public:
    Permissions(DatabaseCore &core, std::shared_ptr<const Session> session);
    ~Permissions();
    const Session &session() const { return *session_; }

    // Reads the stored rows again when they may have changed: after a change of the schema, a
    // commit of another connection or a write of this object. Cheap otherwise, as it runs before
    // every statement. Never called from the authorizer.
    void refresh();
    // Lets go of the connection before it closes.
    void release();
    // No document has stored permissions and the account is "Admin" or in "Users": then
    // every right is granted.
    bool unrestricted() const;
    // The session's account is a member of the Admins group this database answers to: the
    // Admins whose group holds an entry on the database document, or any Admins while that
    // document has no stored record. The Admins of another workgroup (the built-in one
    // included) have no say over a database secured under this one.
    bool adminsHere() const { return adminsHere_; }
    // The rights of the session's user and its groups, from the rows read last.
    std::int32_t effective(std::string_view container, std::string_view name) const;
    bool allows(std::string_view container, std::string_view name, std::int32_t right) const
    {
        return (effective(container, name) & right) == right;
    }
    std::string refusal(std::string_view container, std::string_view name, std::int32_t right) const;
    // Refreshes, then throws the engine's permission error unless the right is granted.
    void require(std::string_view container, std::string_view name, std::int32_t right);

    // Explicit facts of a document; an account unknown to the workgroup keeps its mask.
    sid::Sid owner(std::string_view container, std::string_view name);
    std::int32_t mask(std::string_view container, std::string_view name, const sid::Sid &account);
    // Owners and members of Admins may always read and change permissions; others need the
    // Administer right.
    bool mayAdminister(std::string_view container, std::string_view name);
    void setMask(std::string_view container, std::string_view name, const sid::Sid &account, std::int32_t mask);
    void setOwner(std::string_view container, std::string_view name, const sid::Sid &owner);

    // A new object belongs to the session's user, who gets full rights, as does "Users".
    void created(std::string_view container, std::string_view name);
    void dropped(std::string_view container, std::string_view name);
    void renamed(std::string_view container, std::string_view from, std::string_view to);

private:
    struct Record {
        sid::Sid owner;
        std::map<sid::Sid, std::int32_t> masks;
    };
    const Record &record(std::string_view container, std::string_view name) const;
    bool hasTables();
    // Creates the tables when missing; true when that also wrote the database document's record.
    bool ensureTables();
    void written();
    void insertRecord(std::string_view container, std::string_view name, const Record &record);
    void deleteRecord(std::string_view container, std::string_view name);
    // Writes the implicit record of a document that has none, so that it can be changed.
    void materialise(std::string_view container, std::string_view name);

    DatabaseCore &core_;
    std::shared_ptr<const Session> session_;
    std::map<std::string, Record> records_;
    Record implicit_;
    std::unique_ptr<Statement> schemaVersion_, dataVersion_;
    std::int64_t writes_ = 0;
    std::optional<std::array<std::int64_t, 3>> seen_;
    bool uncommitted_ = false; // written inside a transaction still open
    bool adminsHere_ = false;
};

} // namespace dbengine
