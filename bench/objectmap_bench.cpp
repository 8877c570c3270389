// The object map on a large database: 10,000 tables and 2,000 saved queries, one of the tables
// with 200 fields and 20 indexes. Times building the tree (BuildTree, then the pending events,
// so the tree is laid out and painted) and showing that table's details (ShowDetails, then the
// pending events). Each is reported beside the engine's own catalogue read of the same facts
// through the access object in the same run, without any widget, so the ratio is the window's
// share.
//
// Usage: objectmap_bench [SECONDS]  (minimum measuring time, default 3); runs offscreen unless
// QT_QPA_PLATFORM says otherwise.

#include "BenchSupport.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/Variant.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "objectmap/ObjectMap.h"

#include <QTemporaryDir>
#include <QTreeWidget>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using automation::Variant;
using bench::Clock;
using bench::median;
using bench::secondsSince;

constexpr int kTables = 10000;
constexpr int kQueries = 2000;
constexpr int kWideFields = 200;
constexpr int kWideIndexes = 20;
constexpr int kMinRounds = 5;

std::string numbered(const char *prefix, int i, int digits)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%0*d", prefix, digits, i);
    return name;
}

// Written with SQLite itself in one transaction, as any SQLite file the engine opens (through
// the engine's Execute, 10,000 tables take over a minute to create). The queries are views,
// which the engine lists as saved select queries.
void buildDatabase(const std::string &path)
{
    std::string sql = "BEGIN;\nCREATE TABLE Wide (Id INTEGER PRIMARY KEY";
    const char *const types[] = {"TEXT(50) NOT NULL DEFAULT 'x'", "LONG", "DOUBLE CHECK (F%03d >= 0)", "DATETIME",
                                 "YESNO", "CURRENCY", "MEMO"};
    for (int i = 1; i < kWideFields; ++i) {
        char type[64];
        std::snprintf(type, sizeof type, types[i % 7], i);
        sql += ", " + numbered("F", i, 3) + " " + type;
    }
    sql += ");\n";
    for (int i = 1; i < kWideIndexes; ++i)
        sql += "CREATE " + std::string(i % 4 == 0 ? "UNIQUE " : "") + "INDEX " + numbered("WideIdx", i, 2) + " ON Wide ("
               + numbered("F", i, 3) + ", " + numbered("F", i + 20, 3) + ", " + numbered("F", i + 40, 3) + ");\n";
    sql += "CREATE TABLE Base (Id INTEGER PRIMARY KEY, Name TEXT(50), Qty LONG);\n";
    for (int i = 0; i < kQueries; ++i)
        sql += "CREATE VIEW " + numbered("Q", i, 4) + " AS SELECT Id, Name FROM Base WHERE Qty > " + std::to_string(i)
               + ";\n";
    for (int i = 2; i < kTables; ++i)
        sql += "CREATE TABLE " + numbered("T", i, 5) + " (Id INTEGER PRIMARY KEY, Name TEXT(50), Qty LONG);\n";
    sql += "COMMIT;\n";
    sqlite3 *db = nullptr;
    char *error = nullptr;
    const bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK
                    && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
    const std::string message = error ? error : db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_free(error);
    sqlite3_close(db);
    if (!ok)
        throw std::runtime_error("cannot build " + path + ": " + message);
}

// The reference for the tree: every name the tree lists, with the attributes of each table,
// read through the access object as BuildTree reads them.
std::size_t readCatalogue(engine::TMSAccess &a)
{
    std::size_t n = 0;
    for (std::int32_t i = 0, count = a.TableDefCount(); i < count; ++i) {
        const Variant def = a.GetTableDef(i);
        n += std::size_t(def.get("Attributes").toInt64() & 1) + def.get("Name").toText().size();
    }
    for (std::int32_t i = 0, count = a.QueryDefCount(); i < count; ++i)
        n += a.GetQueryDef(i).get("Name").toText().size();
    for (std::int32_t i = 0, count = a.RelationCount(); i < count; ++i)
        n += a.GetRelation(i).get("Name").toText().size();
    return n;
}

// The reference for the details: every member the Fields and Indexes pages show.
std::size_t readTable(engine::TMSAccess &a, const std::string &name)
{
    std::size_t n = 0;
    const Variant def = a.GetTableDefByName(name);
    const Variant fields = def.get("Fields");
    for (std::int32_t i = 0, count = fields.get("Count").toInt(); i < count; ++i) {
        const Variant f = fields.item(i);
        n += f.get("Name").toText().size() + std::size_t(f.get("Type").toInt() + f.get("Size").toInt())
             + f.get("ValidationRule").toText().size() + f.get("DefaultValue").toText().size()
             + std::size_t(f.get("AllowZeroLength").toBool()) + std::size_t(f.get("Required").toBool());
    }
    const Variant indexes = def.get("Indexes");
    for (std::int32_t i = 0, count = indexes.get("Count").toInt(); i < count; ++i) {
        const Variant index = indexes.item(i);
        const Variant indexFields = index.get("Fields");
        for (std::int32_t j = 0, c = indexFields.get("Count").toInt(); j < c; ++j)
            n += indexFields.item(j).get("Name").toText().size();
        n += index.get("Name").toText().size() + std::size_t(index.get("Primary").toBool())
             + std::size_t(index.get("Unique").toBool()) + std::size_t(index.get("Foreign").toBool());
    }
    return n;
}

struct Measure {
    const char *what;
    std::vector<double> window, engine;
    double first = 0;
};

void report(const Measure &m)
{
    const double w = median(m.window), e = median(m.engine);
    std::printf("  %-34s %9.1f ms %9.1f ms %9.1f ms %7.2f\n", m.what, m.first * 1e3, w * 1e3, e * 1e3, w / e);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    // Settings and data of this run stay in the temporary folder.
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    dbengine::registerEngine();
    Application app(argc, argv);
    const double minSeconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    try {
        const std::string path = (home.path() + "/large.mdb").toStdString();
        const Clock::time_point built = Clock::now();
        buildDatabase(path);
        const double buildSeconds = secondsSince(built);

        TfrmMain main;
        main.OpenDatabaseFile(QString::fromStdString(path));
        engine::TMSAccess &a = main.session().access();
        if (!a.DatabaseOpen())
            throw std::runtime_error("cannot open the database: " + a.LastError);

        Measure tree{"tree (BuildTree)", {}, {}};
        Measure details{"details of Wide (ShowDetails)", {}, {}};
        Clock::time_point start = Clock::now();
        TfrmObjectMap map(main.session()); // builds its tree
        map.resize(400, 600);
        map.show();
        QCoreApplication::processEvents();
        tree.first = secondsSince(start);
        const int listed = map.findChild<QTreeWidget *>("Tree")->topLevelItem(0)->childCount()
                           + map.findChild<QTreeWidget *>("Tree")->topLevelItem(1)->childCount();
        if (listed != kTables + kQueries)
            throw std::runtime_error("the tree lists " + std::to_string(listed) + " definitions");
        start = Clock::now();
        map.ShowDetails("Wide", ObjectKind::Table);
        QCoreApplication::processEvents();
        details.first = secondsSince(start);
        if (map.findChild<QTreeWidget *>("lv")->topLevelItemCount() != kWideFields
            || map.findChild<QTreeWidget *>("lvIdx")->topLevelItemCount() != kWideIndexes)
            throw std::runtime_error("the details of Wide are incomplete");

        // Window and reference take turns, so a change of machine load falls on both alike.
        std::size_t sink = 0;
        const Clock::time_point begin = Clock::now();
        int rounds = 0;
        while (rounds < kMinRounds || secondsSince(begin) < minSeconds) {
            start = Clock::now();
            map.BuildTree();
            QCoreApplication::processEvents();
            tree.window.push_back(secondsSince(start));
            start = Clock::now();
            sink += readCatalogue(a);
            tree.engine.push_back(secondsSince(start));
            for (int i = 0; i < 10; ++i) {
                start = Clock::now();
                map.ShowDetails("Wide", ObjectKind::Table);
                QCoreApplication::processEvents();
                details.window.push_back(secondsSince(start));
                start = Clock::now();
                sink += readTable(a, "Wide");
                details.engine.push_back(secondsSince(start));
            }
            ++rounds;
        }
        if (sink == 0)
            throw std::runtime_error("nothing was read");

        std::printf("Object map: %d tables (one of %d fields and %d indexes) and %d queries, built in %.1f s;\n"
                    "  median of %d rounds; the reference reads the same members through the access object\n",
                    kTables, kWideFields, kWideIndexes, kQueries, buildSeconds, rounds);
        std::printf("  %-34s %12s %12s %12s %7s\n", "", "first", "window", "engine", "ratio");
        report(tree);
        report(details);
        main.CloseCurrent();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "objectmap_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
