// jetwarden-sample: builds the order-entry sample database through the engine, with its
// tables and rows from orders.sql and its saved queries.

#include "automation/Error.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/NewDatabase.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct SavedQuery {
    const char *name;
    const char *sql;
};

const SavedQuery kQueries[] = {
    {"Active Customers", "SELECT CustomerID, Company, City FROM Customers WHERE Active ORDER BY Company"},
    {"Order Totals",
     "SELECT o.OrderID, c.Company, sum(p.UnitPrice * l.Quantity * (1 - l.Discount)) AS Total\r\n"
     "FROM Orders o JOIN Customers c ON c.CustomerID = o.CustomerID\r\n"
     "JOIN OrderLines l ON l.OrderID = o.OrderID JOIN Products p ON p.ProductID = l.ProductID\r\n"
     "GROUP BY o.OrderID, c.Company"},
    {"Cities", "SELECT City FROM Customers UNION SELECT Country FROM Customers"},
    {"Orders Since",
     "PARAMETERS [Start Date] DATETIME, [Min Freight] CURRENCY;\r\n"
     "SELECT * FROM Orders WHERE OrderDate >= [Start Date] AND Freight >= [Min Freight]"},
    {"Raise Prices", "UPDATE Products SET UnitPrice = round(UnitPrice * 1.05, 2) WHERE NOT Discontinued"},
    {"Add Product", "INSERT INTO Products (Name, UnitPrice) VALUES ('New product', 1)"},
    {"Delete Unshipped", "DELETE FROM Orders WHERE ShippedDate IS NULL AND OrderDate < '2023-02-01'"},
    {"~sq_Big Orders", "SELECT OrderID FROM [Order Totals] WHERE Total > 500"},
};

// Statements of a script end with ";" at the end of a line.
void runScript(automation::Variant &db, const std::string &text)
{
    std::istringstream in(text);
    std::string line, statement;
    while (std::getline(in, line)) {
        if (line.rfind("--", 0) == 0)
            continue;
        statement += line + "\n";
        if (!line.empty() && line.back() == ';') {
            db.call("Execute", {statement});
            statement.clear();
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: jetwarden-sample SCRIPT DATABASE\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "jetwarden-sample: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream script;
    script << in.rdbuf();
    try {
        dbengine::registerEngine();
        automation::Variant dao = automation::Registry::instance().createInstance("DAO.DBEngine.36");
        automation::Variant ws = engine::OpenEngineWorkspace(dao, "#Default Workspace#", "Admin", "");
        automation::Variant db = engine::CreateDatabase(ws, argv[2]);
        runScript(db, script.str());
        for (const SavedQuery &q : kQueries)
            db.call("CreateQueryDef", {q.name, q.sql});
        db.call("Close");
        ws.call("Close");
    } catch (const automation::Error &e) {
        std::fprintf(stderr, "jetwarden-sample: %s\n", e.what());
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
