#pragma once

#include "automation/Error.h"

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dbengine {

class DatabaseCore;
struct RelationEntry;

// SQLite's authorizer on one connection. It checks the statements the user runs, while a
// UserStatement is alive, against the permissions of the account that opened the database:
// reading, inserting, changing and deleting rows, and creating, changing and dropping tables,
// views, indexes and triggers, temporary ones too. Every action SQLite asks about is decided;
// one it does not know is refused. The engine's own statements are not checked (the engine
// checks its catalogue calls itself and names its tables with "main."), but no user trigger
// writes anything while they run.
class Authorizer {
public:
    explicit Authorizer(DatabaseCore &core);
    Authorizer(const Authorizer &) = delete;
    Authorizer &operator=(const Authorizer &) = delete;

private:
    friend class UserStatement;
    static int callback(void *self, int action, const char *a, const char *b, const char *schema,
                        const char *inner);
    int decideForEngine(int action, const char *inner);
    int decide(int action, const char *a, const char *b, const char *schema, const char *inner);
    int need(std::string_view container, std::string_view name, std::int32_t right);
    int refuse(std::string message);
    bool named(std::string_view table);
    bool isRelationLookup(std::string_view table, std::string_view column);
    void forgetStatement();

    DatabaseCore &core_;
    bool active_ = false;
    bool unrestricted_ = false;
    std::string sql_;
    std::optional<std::set<std::string>> names_; // lower-case names in the statement's text
    // Read only when a statement needs them, which the first attempt to prepare it tells.
    const std::vector<RelationEntry> *relations_ = nullptr;
    bool needsRelations_ = false;
    std::set<std::string> written_, dropping_;
    std::vector<std::string> created_, dropped_;
    std::vector<std::pair<std::string, std::string>> renamed_;
    std::optional<std::string> refusal_;
    std::optional<std::string> viewWrite_; // the saved query whose view the engine writes
    friend class ViewWrite;
};

// While alive, the engine writes the view of a saved query with the authorizer on: the view
// itself may be dropped and created (its caller checked the right for that), and everything
// else its text does is checked like a statement of the user.
class ViewWrite {
public:
    ViewWrite(DatabaseCore &core, const std::string &name, const std::string &sql);
    ~ViewWrite();
    ViewWrite(const ViewWrite &) = delete;
    ViewWrite &operator=(const ViewWrite &) = delete;
    // A refusal of the authorizer as the engine's permission error.
    void throwRefusal();

private:
    Authorizer &auth_;
};

// One statement of the user: checked while it is prepared and run. Afterwards the objects it
// created, dropped or renamed get, lose or move their permissions.
class UserStatement {
public:
    UserStatement(DatabaseCore &core, std::string_view sql);
    ~UserStatement();
    UserStatement(const UserStatement &) = delete;
    UserStatement &operator=(const UserStatement &) = delete;

    // Runs a step that prepares or runs the statement; a refusal of the authorizer becomes the
    // engine's permission error naming the object and the missing right. A step refused only
    // because the relations were not read yet is tried once more with them.
    template <class F>
    auto run(F &&step) -> decltype(step())
    {
        for (bool retried = false;; retried = true) {
            try {
                return step();
            } catch (const automation::Error &) {
                if (!retried && readRelationsIfNeeded())
                    continue;
                throwRefusal();
                throw;
            }
        }
    }
    bool changesCatalogue() const;
    // Before running: forgets objects the statement creates that exist already (IF NOT EXISTS)
    // and drops of objects that do not exist.
    void noteExisting();
    // After a successful run.
    void applyCatalogueChanges();

private:
    bool readRelationsIfNeeded();
    void throwRefusal();
    Authorizer &auth_;
    DatabaseCore &core_;
};

// Lower-case names of tables and views a statement's text mentions (words, quoted names and
// string literals, which SQLite also takes for names).
std::set<std::string> mentionedNames(std::string_view sql);
// The new name of "ALTER TABLE name RENAME TO new", if the statement is one.
std::optional<std::string> renameTarget(std::string_view sql);

} // namespace dbengine
