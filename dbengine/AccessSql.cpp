#include "AccessSql.h"

#include "Authorizer.h"
#include "DatabaseCore.h"
#include "ErrorCodes.h"
#include "accesssql/Error.h"
#include "accesssql/Numbers.h"
#include "automation/Error.h"

#include <sqlite3.h>

namespace dbengine {

namespace {

class EngineCatalog : public accesssql::Catalog {
public:
    explicit EngineCatalog(DatabaseCore &core) : core_(core), access_(isAccessOrigin(core)) {}

    bool isTable(std::string_view name) override { return core_.findTable(name) != nullptr; }

    std::optional<SavedQuery> savedQuery(std::string_view name) override
    {
        const QueryEntry *q = core_.findQuery(name);
        if (!q)
            return std::nullopt;
        // The engine's own databases keep SQLite's SQL in their queries; views stay views.
        return SavedQuery{q->sql, access_ || !q->view ? access_ : false, q->view};
    }

    std::vector<Value> values(const std::string &sql) override
    {
        std::vector<Value> out;
        UserStatement user(core_, sql);
        user.run([&] {
            Statement st(core_.db().handle(), sql);
            while (st.step())
                out.push_back(value(st.handle()));
        });
        return out;
    }

    std::vector<std::string> columnNames(const std::string &sql) override
    {
        std::vector<std::string> out;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(core_.db().handle(), sql.c_str(), int(sql.size()), &st, nullptr) == SQLITE_OK && st)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                out.emplace_back(sqlite3_column_name(st, c));
        sqlite3_finalize(st);
        return out;
    }

private:
    static Value value(sqlite3_stmt *st)
    {
        switch (sqlite3_column_type(st, 0)) {
        case SQLITE_NULL:
            return {"NULL", "<>"};
        case SQLITE_INTEGER: {
            const std::string n = std::to_string(sqlite3_column_int64(st, 0));
            return {n, n};
        }
        case SQLITE_FLOAT: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", sqlite3_column_double(st, 0));
            return {buf, accesssql::numbers::text(sqlite3_column_double(st, 0))};
        }
        default: {
            const std::string text(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)),
                                   std::size_t(sqlite3_column_bytes(st, 0)));
            if (sqlite3_column_type(st, 0) == SQLITE_BLOB)
                throw accesssql::Error("a crosstab cannot make columns of binary values");
            return {accesssql::quoteText(text), text};
        }
        }
    }

    DatabaseCore &core_;
    bool access_;
};

automation::Error sqlError(const std::string &message)
{
    return automation::Error(message, err::SqlError, "DAO.Database");
}

// The first name SQLite cannot resolve in `sql`, if that is what keeps it from being prepared.
std::optional<std::string> unresolvedName(Connection &db, const std::string &sql)
{
    if (db.compiles(sql))
        return std::nullopt;
    return accesssql::unknownColumn(db.errorMessage());
}

} // namespace

bool isAccessOrigin(DatabaseCore &core)
{
    return core.accessOrigin();
}

accesssql::Translation translateAccess(DatabaseCore &core, const std::string &sql)
{
    EngineCatalog catalog(core);
    accesssql::ParameterValues values([&core](const std::string &name) -> std::optional<std::string> {
        if (auto given = core.parameterValue(name))
            return given;
        return core.askParameter ? core.askParameter(name) : std::nullopt;
    });
    // Each round that meets a name SQLite cannot resolve asks for it and translates again.
    for (int round = 0;; ++round) {
        std::optional<std::string> unknown;
        try {
            accesssql::Translation t = accesssql::translate(sql, catalog, values);
            unknown = unresolvedName(core.db(), t.sql);
            if (!unknown || !values.unresolved(*unknown) || round > 200)
                return t;
        } catch (const accesssql::Error &e) {
            throw sqlError(e.what());
        } catch (const automation::Error &e) {
            // a crosstab's column values are read while translating
            unknown = accesssql::unknownColumn(e.what());
            if (!unknown || !values.unresolved(*unknown) || round > 200)
                throw;
        }
        try {
            values.get(*values.unresolved(*unknown));
        } catch (const accesssql::Error &e) {
            throw sqlError(e.what());
        }
    }
}

} // namespace dbengine
