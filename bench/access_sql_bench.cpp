// A saved Access query run through the translator beside the same query written by hand in
// SQLite's SQL, both opened through the engine's OpenRecordset and read to the last row, on a
// table of 100,000 orders. The ratio is the translator's cost (translation, the names check,
// Access's operators and functions): it should stay at most 1.1.
//
// Usage: access_sql_bench [ROWS]  (default 100000; environment REPEAT, default 15)

#include "BenchSupport.h"
#include "automation/Registry.h"
#include "automation/Variant.h"
#include "dbengine/Engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using automation::Variant;
using bench::Clock;
using bench::TempFolder;
using bench::median;
using bench::secondsSince;

// Opens, reads to the end and closes; returns seconds and the row count.
double timeOpen(const Variant &db, const std::string &sql, int &rows)
{
    const auto start = Clock::now();
    const Variant rs = db.call("OpenRecordset", {sql, 4, 2});
    rs.call("MoveLast");
    rows = rs.get("RecordCount").toInt();
    rs.call("Close");
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char *const kAccess =
    "SELECT CustomerID, Sum(Total) AS Spent, Count(*) AS Orders, Max(Placed) AS LastOrder "
    "FROM Orders WHERE Placed >= #1/1/1995# AND Product Like \"A*\" AND Total Between 1 And 900 "
    "GROUP BY CustomerID ORDER BY CustomerID";
const char *const kSqlite =
    "SELECT CustomerID, sum(Total) AS Spent, count(*) AS Orders, max(Placed) AS LastOrder "
    "FROM Orders WHERE Placed >= '1995-01-01' AND Product LIKE 'A%' AND Total BETWEEN 1 AND 900 "
    "GROUP BY CustomerID ORDER BY CustomerID";

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int repeat = std::getenv("REPEAT") ? std::atoi(std::getenv("REPEAT")) : 15;
    TempFolder dir;
    dbengine::registerEngine();
    const Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    const Variant ws = engine.call("CreateWorkspace", {"#Default Workspace#", "admin", "", 2});
    Variant db = ws.call("CreateDatabase", {dir.file("orders.db")});
    db.call("Execute", {"CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID LONG, Total CURRENCY, "
                        "Placed DATETIME, Product TEXT(20))"});
    db.call("Execute", {"WITH RECURSIVE s(value) AS (SELECT 1 UNION ALL SELECT value + 1 FROM s WHERE value < "
                        + std::to_string(rows) + ") INSERT INTO Orders SELECT value, value % 1000, "
                        "(value * 7919 % 100000) / 100.0, date('1990-01-01', '+' || (value % 3650) || ' days'), "
                        "char(65 + value % 26) || 'pple' FROM s"});
    db.call("Close");
    // The marker of Access origin, as a conversion writes it (the engine keeps MSys names).
    sqlite3 *raw = nullptr;
    sqlite3_open(dir.file("orders.db").c_str(), &raw);
    sqlite3_exec(raw, "CREATE TABLE MSysAccessOrigin (Source TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    db = ws.call("OpenDatabase", {dir.file("orders.db"), false, false});
    db.call("CreateQueryDef", {"Customer Totals", kAccess});
    const Variant hand = ws.call("OpenDatabase", {dir.file("orders.db"), false, false});
    hand.put("SqlDialect", "SQLite");

    std::vector<double> translated, byHand;
    int n1 = 0, n2 = 0;
    timeOpen(db, "Customer Totals", n1); // warm the file cache
    for (int r = 0; r < repeat; ++r) {
        translated.push_back(timeOpen(db, "Customer Totals", n1));
        byHand.push_back(timeOpen(hand, kSqlite, n2));
    }
    if (n1 != n2) {
        std::fprintf(stderr, "the two queries disagree: %d and %d rows\n", n1, n2);
        return 1;
    }
    const double t = median(translated), h = median(byHand);
    std::printf("Access SQL on %d rows (%d result rows, median of %d)\n", rows, n1, repeat);
    std::printf("  saved query through the translator  %8.2f ms\n", t * 1000);
    std::printf("  same query by hand in SQLite        %8.2f ms\n", h * 1000);
    std::printf("  ratio                               %8.3f\n", t / h);
    return 0;
}
