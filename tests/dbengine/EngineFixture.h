#pragma once

#include "automation/Error.h"
#include "automation/Registry.h"
#include "automation/Variant.h"
#include "dbengine/Engine.h"
#include "dbengine/ErrorCodes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>
#include <string>

// An engine, a workspace logged in as Admin, and a database file in a temporary folder.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbengine::registerEngine();
        engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
        workspace = engine.call("CreateWorkspace", {"#Default Workspace#", "admin", "", 2});
    }

    // Creates a database at `name` in the temporary folder and runs `statements` on it.
    automation::Variant create(const std::string &name, const std::vector<std::string> &statements = {})
    {
        automation::Variant db = workspace.call("CreateDatabase", {dir.file(name)});
        for (const std::string &sql : statements)
            db.call("Execute", {sql});
        return db;
    }

    automation::Variant open(const std::string &name, bool exclusive = false, bool readOnly = false)
    {
        return workspace.call("OpenDatabase", {dir.file(name), exclusive, readOnly});
    }

    // The error code of what `f` throws, or 0 when it throws nothing.
    template <class F>
    static int errorCode(F &&f)
    {
        try {
            f();
        } catch (const automation::Error &e) {
            return e.code();
        }
        return 0;
    }

    TempDir dir;
    automation::Variant engine;
    automation::Variant workspace;
};

// The sample order-entry schema used by several tests.
inline std::vector<std::string> orderSchema()
{
    return {
        "CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Name TEXT(40) NOT NULL CHECK (Name <> ''), "
        "City TEXT(30) DEFAULT 'Brno', Notes MEMO, Since DATETIME, Active YESNO)",
        "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID LONG NOT NULL "
        "REFERENCES Customers (CustomerID) ON DELETE CASCADE, Total CURRENCY, Placed DATETIME)",
        "CREATE TABLE Lines (OrderID LONG, LineNo INTEGER, Product TEXT(20), Qty DOUBLE, "
        "PRIMARY KEY (OrderID, LineNo), FOREIGN KEY (OrderID) REFERENCES Orders)",
        "CREATE INDEX OrdersByCustomer ON Orders (CustomerID)",
        "CREATE UNIQUE INDEX LinesByProduct ON Lines (Product, OrderID, Qty)",
        "INSERT INTO Customers VALUES (1, 'Ann', 'Brno', NULL, '2020-01-02', 1)",
        "INSERT INTO Customers VALUES (2, 'Bob', 'Praha', 'likes tea', '2021-03-04 05:06:07', 0)",
        "INSERT INTO Orders VALUES (10, 1, 12.5, '2022-05-06'), (11, 2, 7, NULL)",
    };
}
