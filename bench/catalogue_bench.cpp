// Catalogue enumeration through the access object as the program does it: TableDefCount, then
// GetTableDef(i).Name for every i, on databases of 100, 1,000 and 10,000 tables. The time per
// item must not grow with the number of tables. A raw scan of sqlite_master through the SQLite
// C API, measured in the same run, is the reference the full enumeration is compared with.
//
// Usage: catalogue_bench [SECONDS]  (minimum measuring time, default 3)

#include "BenchSupport.h"
#include "automation/Registry.h"
#include "automation/Variant.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "engine/NewDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using automation::Variant;
using bench::Clock;
using bench::TempFolder;
using bench::median;
using bench::secondsSince;

constexpr int kSizes[] = {100, 1000, 10000};
constexpr int kMinRounds = 5;
constexpr int kScansPerRound = 10;

std::string tableName(int i)
{
    char name[16];
    std::snprintf(name, sizeof name, "T%05d", i);
    return name;
}

// All tables in one transaction through the engine's Execute; the names sort in creation order.
void buildDatabase(const std::string &path, int tables)
{
    const Variant dao(automation::Registry::instance().createInstance("DAO.DBEngine.36"));
    const Variant workspace = engine::OpenEngineWorkspace(dao, "#Default Workspace#", "admin", "");
    const Variant db = engine::CreateDatabase(workspace, path);
    db.call("Execute", {"BEGIN"});
    for (int i = 0; i < tables; ++i)
        db.call("Execute", {"CREATE TABLE " + tableName(i)
                            + " (Id INTEGER PRIMARY KEY, Name TEXT(50), Qty LONG, Price DOUBLE)"});
    db.call("Execute", {"COMMIT"});
    db.call("Close");
    workspace.call("Close");
}

// One full enumeration; returns the number of name characters read so nothing is optimised away.
std::size_t enumerate(engine::TMSAccess &access, int expected)
{
    const std::int32_t count = access.TableDefCount();
    if (count != expected)
        throw std::runtime_error("TableDefCount gave " + std::to_string(count) + ", expected "
                                 + std::to_string(expected));
    std::size_t characters = 0;
    for (std::int32_t i = 0; i < count; ++i)
        characters += access.GetTableDef(i).get("Name").toText().size();
    return characters;
}

struct SizeResult {
    int tables = 0;
    double buildSeconds = 0;
    double firstPerItem = 0;     // the first enumeration after opening, which reads the catalogue
    std::vector<double> perItem; // one figure per round
    double steadyPerItem = 0;    // median over the rounds
};

// The access object opened on a database as the program opens it.
struct OpenDatabase {
    explicit OpenDatabase(const std::string &path)
    {
        access.setDAOType(2);
        access.setEngineActive(true);
        access.UserName = "admin";
        access.setWorkspaceOpen(true);
        access.DatabaseName = path;
        access.setDatabaseOpen(true);
        if (!access.DatabaseOpen())
            throw std::runtime_error("cannot open " + path + ": " + access.LastError);
    }
    ~OpenDatabase() { access.setEngineActive(false); }
    engine::TMSAccess access;
};

// The reference: one scan of the table names in sqlite_master on an open connection, as any
// program on SQLite would do it (prepare, step through every row, finalize).
class RawScan {
public:
    explicit RawScan(const std::string &path)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + path);
        }
    }
    ~RawScan() { sqlite3_close(db_); }
    RawScan(const RawScan &) = delete;
    RawScan &operator=(const RawScan &) = delete;

    double run(int expected)
    {
        const Clock::time_point start = Clock::now();
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
        int rows = 0;
        std::size_t characters = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            characters += std::size_t(sqlite3_column_bytes(st, 0));
            ++rows;
        }
        sqlite3_finalize(st);
        const double seconds = secondsSince(start);
        if (rows != expected || characters == 0)
            throw std::runtime_error("the raw scan found " + std::to_string(rows) + " tables");
        return seconds;
    }

private:
    sqlite3 *db_ = nullptr;
};

void report(const std::vector<SizeResult> &results, int rounds, double scan)
{
    const SizeResult &small = results.front();
    const SizeResult &large = results.back();
    std::printf("Catalogue: TableDefCount, then GetTableDef(i).Name for every table (TMSAccess),\n"
                "  median of %d rounds of %d items per size\n", rounds, large.tables);
    std::printf("  %7s  %10s  %16s  %13s\n", "tables", "build (s)", "first pass/item", "per item");
    for (const SizeResult &r : results)
        std::printf("  %7d  %10.2f  %13.2f us  %10.2f us\n", r.tables, r.buildSeconds,
                    r.firstPerItem * 1e6, r.steadyPerItem * 1e6);
    std::printf("  per item at %d / per item at %d: %.2f (flat is about 1)\n", large.tables,
                small.tables, large.steadyPerItem / small.steadyPerItem);
    std::printf("Reference: one raw scan of sqlite_master (C API) with %d tables: %.3f ms\n",
                large.tables, scan * 1e3);
    std::printf("  full enumeration of %d tables: %.1f ms = %.1f x the raw scan (goal: at most 10)\n", large.tables,
                large.steadyPerItem * large.tables * 1e3, large.steadyPerItem * large.tables / scan);
}

} // namespace

int main(int argc, char **argv)
{
    const double minSeconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    try {
        dbengine::registerEngine();
        TempFolder folder;
        std::vector<SizeResult> results;
        std::vector<std::unique_ptr<OpenDatabase>> open;
        std::size_t sink = 0;
        for (int tables : kSizes) {
            SizeResult r;
            r.tables = tables;
            const std::string path = folder.file("tables" + std::to_string(tables) + ".mdb");
            const Clock::time_point built = Clock::now();
            buildDatabase(path, tables);
            r.buildSeconds = secondsSince(built);
            open.push_back(std::make_unique<OpenDatabase>(path));
            const Clock::time_point start = Clock::now();
            sink += enumerate(open.back()->access, tables);
            r.firstPerItem = secondsSince(start) / tables;
            results.push_back(r);
        }
        const int largest = kSizes[std::size(kSizes) - 1];
        RawScan raw(folder.file("tables" + std::to_string(largest) + ".mdb"));

        // Rounds visit every size with the same number of items, and the reference, in turn, so
        // that a change of machine load falls on all of them alike.
        std::vector<double> scans;
        const Clock::time_point begin = Clock::now();
        int rounds = 0;
        while (rounds < kMinRounds || secondsSince(begin) < minSeconds) {
            for (std::size_t s = 0; s < results.size(); ++s) {
                SizeResult &r = results[s];
                const int passes = largest / r.tables;
                const Clock::time_point start = Clock::now();
                for (int p = 0; p < passes; ++p)
                    sink += enumerate(open[s]->access, r.tables);
                r.perItem.push_back(secondsSince(start) / (double(passes) * r.tables));
            }
            for (int i = 0; i < kScansPerRound; ++i)
                scans.push_back(raw.run(largest));
            ++rounds;
        }
        if (sink == 0)
            throw std::runtime_error("no names were read");
        for (SizeResult &r : results)
            r.steadyPerItem = median(r.perItem);

        report(results, rounds, median(scans));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "catalogue_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
