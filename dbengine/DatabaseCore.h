#pragma once

#include "Sqlite.h"
#include "automation/DateTime.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dbengine {

class Authorizer;
class Permissions;
struct Session;

struct TableEntry {
    std::string name;
    std::int32_t attributes = 0;
};

struct QueryEntry {
    std::string name;
    std::string sql;
    bool view = false;   // an SQLite view holds it
    bool stored = false; // MSysQueries holds it
    std::optional<automation::Date> created, updated;
    // The type a query read from an Access file keeps (MSysQueries.Type), hidden bit included.
    std::optional<std::int16_t> type;
};

struct RelationEntry {
    std::string name;
    std::string table;        // the referenced (primary) table
    std::string foreignTable; // the referencing table
    std::vector<std::pair<std::string, std::string>> fields; // primary field, foreign field
    std::int32_t attributes = 0;
};

// The state of one open database that its catalogue objects share: the connection, the
// catalogue read once per change of the file's schema or of the engine's own tables, and the
// permissions of the account that opened it.
class DatabaseCore {
public:
    DatabaseCore(std::string name, std::string key, std::unique_ptr<Connection> connection,
                 bool exclusive, std::shared_ptr<const Session> session);
    ~DatabaseCore();

    const std::string &name() const { return name_; }
    const std::string &fileKey() const { return key_; }
    bool isClosed() const { return !connection_; }
    void close();
    // The connection, or an "object closed" error.
    Connection &db();

    // How much a catalogue read checks before it trusts what it read last. `File` asks the file
    // for other connections' changes (a read lock and two statements); `Engine` only looks at
    // what this connection did since (no file access), for the items of a collection fetched a
    // moment ago.
    enum class Check { File, Engine };

    const std::vector<TableEntry> &tables(Check check = Check::File);
    const TableEntry *findTable(std::string_view name);
    const std::vector<QueryEntry> &queries(Check check = Check::File);
    const QueryEntry *findQuery(std::string_view name);
    const std::vector<RelationEntry> &relations(Check check = Check::File);
    const RelationEntry *findRelation(std::string_view name);

    // Whether the main database holds a table (`hasTable`), or a table, view or saved query
    // (`hasObject`), of this name in any letter case. Answered by SQLite's own schema and the
    // key of MSysQueries, without reading the catalogue: a statement that has just changed the
    // schema, as every CREATE TABLE does, costs no re-read of it.
    bool hasTable(std::string_view name);
    bool hasObject(std::string_view name);

    // True for a database of Access origin: opened read-only from a Jet file, or converted from
    // one. Its marker is the table MSysAccessOrigin; its saved queries hold Jet SQL.
    bool accessOrigin();

    Permissions &permissions() { return *permissions_; }
    Authorizer &authorizer() { return *authorizer_; }

    // Marks the catalogue as stale; called after the engine changed the file.
    void changed() { ++localVersion_; }
    // Creates the engine's query table when it is first needed.
    void ensureQueryTable();
    automation::Date fileCreated() const;
    automation::Date fileModified() const;

    std::int64_t recordsAffected = 0;

    // The SQL the user's statements are written in: Access SQL or SQLite's own. Unset, it
    // follows the database's origin.
    std::optional<bool> accessDialect;
    // Values of parameters given before a statement runs (name as the query writes it), and
    // the prompt asked for the others; a prompt that gives nothing leaves the parameter unset.
    std::map<std::string, std::string> parameterValues;
    std::function<std::optional<std::string>(const std::string &name)> askParameter;
    std::optional<std::string> parameterValue(const std::string &name) const;

private:
    // What the catalogue was read at: the schema, other connections' commits, the engine's writes.
    struct Version {
        std::int64_t schema = -1, data = -1, local = -1;
        // The pager's count of changes it has seen, this connection's commits included.
        std::uint32_t pager = 0;
        bool operator==(const Version &) const = default;
    };
    bool stale(Version &seen, Check check);
    std::uint32_t pagerVersion();
    void currentSchema();
    std::optional<bool> hasView(std::string_view name);
    void readTables();
    void readQueries();
    void readRelations();

    std::string name_;
    std::string key_;
    std::unique_ptr<Connection> connection_;
    bool exclusive_;
    std::int64_t localVersion_ = 0;
    Version tablesSeen_, queriesSeen_, relationsSeen_;
    // Prepared once: the freshness check runs for every catalogue item.
    std::unique_ptr<Statement> schemaVersion_, dataVersion_;
    std::unique_ptr<Statement> schemaCheck_;
    std::vector<TableEntry> tables_;
    std::vector<QueryEntry> queries_;
    std::vector<RelationEntry> relations_;
    std::map<std::string, std::size_t> tableIndex_, queryIndex_, relationIndex_;
    std::unique_ptr<Permissions> permissions_;
    std::unique_ptr<Authorizer> authorizer_;
};

bool isSystemTableName(std::string_view name);

} // namespace dbengine
