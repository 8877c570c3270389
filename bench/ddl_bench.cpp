// Definitions through the engine's Execute: TABLES CREATE TABLE statements (default 10,000) in
// one transaction, as a script in the query window sends them one by one, permission checks
// included. The same statements, in the same run, on a plain new file:
//   - the sqlite3 shell reading them as one script (the goal: the engine at most 1.5 times it);
//   - SQLite's C API, one sqlite3_exec per statement on one connection.
// The runs alternate (shell, C API, engine) and the medians are compared.
//
// With --secured, also the engine in a secured database under a plain user, whose every new
// table gets its owner and permissions stored.
//
// Usage: ddl_bench [--secured] [TABLES]  (environment REPEAT, default 3)

#include "BenchSupport.h"
#include "automation/Registry.h"
#include "automation/Variant.h"
#include "dbengine/Engine.h"
#include "engine/NewDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using automation::Variant;
using bench::Clock;
using bench::TempFolder;
using bench::median;
using bench::secondsSince;

std::vector<std::string> statements(int tables)
{
    std::vector<std::string> sql;
    sql.reserve(std::size_t(tables));
    for (int i = 0; i < tables; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "T%05d", i);
        sql.push_back(std::string("CREATE TABLE ") + name
                      + " (Id INTEGER PRIMARY KEY, Name TEXT(50), Qty LONG, Price DOUBLE)");
    }
    return sql;
}

void removeFile(const std::string &path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::filesystem::remove(path + "-journal", ec);
}

// The engine as a script of the query window drives it: a new database, then every statement
// through Execute under the default account.
double throughEngine(const std::string &path, const std::vector<std::string> &sql)
{
    removeFile(path);
    const Clock::time_point start = Clock::now();
    const Variant dao(automation::Registry::instance().createInstance("DAO.DBEngine.36"));
    const Variant workspace = engine::OpenEngineWorkspace(dao, "#Default Workspace#", "admin", "");
    const Variant db = engine::CreateDatabase(workspace, path);
    db.call("Execute", {"BEGIN"});
    for (const std::string &statement : sql)
        db.call("Execute", {statement});
    db.call("Execute", {"COMMIT"});
    db.call("Close");
    workspace.call("Close");
    return secondsSince(start);
}

// The same in a secured database: "Users" may open it and create objects, and the statements
// run as "ann", a plain user, so that each new table gets its owner and permissions stored.
// The workgroup and the database are made before the clock starts.
double throughEngineSecured(const std::string &path, const std::string &workgroup, const std::vector<std::string> &sql)
{
    removeFile(path);
    removeFile(workgroup);
    const Variant dao(automation::Registry::instance().createInstance("DAO.DBEngine.36"));
    dao.call("CreateWorkgroup", {workgroup, "Bench", "Velmora", "bench-0001"});
    dao.put("SystemDB", workgroup);
    {
        const Variant admin = engine::OpenEngineWorkspace(dao, "bench admin", "Admin", "");
        admin.get("Users").call("Append", {admin.call("CreateUser", {"ann", "ann-pid-0001", ""})});
        const Variant db = engine::CreateDatabase(admin, path);
        Variant document = db.get("Containers").item("Databases").get("Documents").item(0);
        document.put("UserName", "Users");
        document.put("Permissions", 0x3); // open, create
        db.call("Close");
        admin.call("Close");
    }
    const Clock::time_point start = Clock::now();
    const Variant workspace = engine::OpenEngineWorkspace(dao, "bench ann", "ann", "");
    const Variant db = workspace.call("OpenDatabase", {path, false, false});
    db.call("Execute", {"BEGIN"});
    for (const std::string &statement : sql)
        db.call("Execute", {statement});
    db.call("Execute", {"COMMIT"});
    db.call("Close");
    workspace.call("Close");
    return secondsSince(start);
}

double throughCApi(const std::string &path, const std::vector<std::string> &sql)
{
    removeFile(path);
    const Clock::time_point start = Clock::now();
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create " + path);
    }
    const auto exec = [&](const std::string &statement) {
        char *message = nullptr;
        if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            sqlite3_close(db);
            throw std::runtime_error(statement + ": " + text);
        }
    };
    exec("BEGIN");
    for (const std::string &statement : sql)
        exec(statement);
    exec("COMMIT");
    sqlite3_close(db);
    return secondsSince(start);
}

// The shell reads the script from a file; a negative time means no shell is installed.
double throughShell(const std::string &path, const std::string &script)
{
    removeFile(path);
    const std::string command = "sqlite3 '" + path + "' < '" + script + "' > /dev/null 2>&1";
    const Clock::time_point start = Clock::now();
    const int rc = std::system(command.c_str());
    const double seconds = secondsSince(start);
    return rc == 0 ? seconds : -1;
}

int tableCount(const std::string &path)
{
    sqlite3 *db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return count;
}

void check(const std::string &path, int tables, const char *who)
{
    if (tableCount(path) != tables)
        throw std::runtime_error(std::string(who) + " made " + std::to_string(tableCount(path))
                                 + " tables, expected " + std::to_string(tables));
}

} // namespace

int main(int argc, char **argv)
{
    const bool withSecured = argc > 1 && std::string(argv[1]) == "--secured";
    const int tables = argc > 1 + withSecured ? std::atoi(argv[1 + withSecured]) : 10000;
    const int repeat = std::getenv("REPEAT") ? std::max(1, std::atoi(std::getenv("REPEAT"))) : 3;
    try {
        dbengine::registerEngine();
        TempFolder folder;
        const std::vector<std::string> sql = statements(tables);
        const std::string script = folder.file("script.sql");
        {
            std::ofstream out(script);
            out << "BEGIN;\n";
            for (const std::string &statement : sql)
                out << statement << ";\n";
            out << "COMMIT;\n";
        }
        std::vector<double> shell, api, ours, secured;
        for (int r = 0; r < repeat; ++r) {
            const double s = throughShell(folder.file("shell.db"), script);
            if (s >= 0) {
                check(folder.file("shell.db"), tables, "the sqlite3 shell");
                shell.push_back(s);
            }
            api.push_back(throughCApi(folder.file("capi.db"), sql));
            check(folder.file("capi.db"), tables, "the C API");
            ours.push_back(throughEngine(folder.file("engine.mdb"), sql));
            check(folder.file("engine.mdb"), tables, "the engine");
            if (withSecured) {
                secured.push_back(throughEngineSecured(folder.file("secured.mdb"), folder.file("bench.mdw"), sql));
                // The engine's tables of owners and permissions come on top.
                check(folder.file("secured.mdb"), tables + 2, "the engine in a secured database");
            }
        }
        const double engine = median(ours), capi = median(api);
        std::printf("DDL: %d CREATE TABLE in one transaction, median of %d runs each\n", tables, repeat);
        std::printf("  engine, Execute per statement:  %8.2f s\n", engine);
        std::printf("  SQLite C API, sqlite3_exec:     %8.2f s   engine / C API: %.2f\n", capi, engine / capi);
        if (withSecured)
            std::printf("  engine, secured, as a user:     %8.2f s   secured / C API: %.2f\n", median(secured),
                        median(secured) / capi);
        if (shell.empty()) {
            std::printf("  sqlite3 shell: not installed\n");
        } else {
            const double s = median(shell);
            std::printf("  sqlite3 shell, one script:      %8.2f s   engine / shell: %.2f (goal: at most 1.5)\n", s,
                        engine / s);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "ddl_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
