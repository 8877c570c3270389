#include "EngineFixture.h"

#include <sqlite3.h>

#include <vector>

using automation::Variant;

namespace {

std::vector<std::string> names(const Variant &collection)
{
    std::vector<std::string> out;
    const int n = collection.get("Count").toInt();
    for (int i = 0; i < n; ++i)
        out.push_back(collection.item(i).get("Name").toText());
    return out;
}

class CatalogueTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        db = create("orders.db", orderSchema());
    }
    Variant db;
};

TEST_F(CatalogueTest, TablesAreListedByNameWithSystemAttributes)
{
    db.call("CreateQueryDef", {"AllCustomers", "SELECT * FROM Customers"});
    EXPECT_EQ(names(db.get("TableDefs")), (std::vector<std::string>{"Customers", "Lines", "MSysQueries", "Orders"}));
    EXPECT_EQ(db.get("TableDefs").item("msysqueries").get("Attributes").toInt(), int(0x80000002u));
    EXPECT_EQ(db.get("tabledefs").item("CUSTOMERS").get("attributes").toInt(), 0);
    EXPECT_EQ(db.get("TableDefs").item("Customers").get("RecordCount").toInt(), 2);
}

TEST_F(CatalogueTest, MerelyOpeningAFileCreatesNoEngineTables)
{
    db.call("Close");
    Variant again = open("orders.db");
    names(again.get("QueryDefs"));
    names(again.get("Containers"));
    EXPECT_EQ(names(again.get("TableDefs")), (std::vector<std::string>{"Customers", "Lines", "Orders"}));
}

struct FieldCase {
    const char *field;
    int type;
    int size;
    bool required;
    const char *defaultValue;
    const char *rule;
    bool zeroLength;
};

TEST_F(CatalogueTest, FieldsTellTypeSizeAndProperties)
{
    const FieldCase cases[] = {
        {"CustomerID", 4, 4, false, "", "", false},
        {"Name", 10, 40, true, "", "Name <> ''", false},
        {"City", 10, 30, false, "'Brno'", "", true},
        {"Notes", 12, 0, false, "", "", true},
        {"Since", 8, 8, false, "", "", false},
        {"Active", 1, 1, false, "", "", false},
    };
    Variant fields = db.get("TableDefs").item("Customers").get("Fields");
    ASSERT_EQ(fields.get("Count").toInt(), 6);
    for (int i = 0; i < 6; ++i) {
        const FieldCase &c = cases[i];
        SCOPED_TRACE(c.field);
        Variant f = fields.item(i);
        EXPECT_EQ(f.get("Name").toText(), c.field);
        EXPECT_EQ(f.get("Type").toInt(), c.type);
        EXPECT_EQ(f.get("Size").toInt(), c.size);
        EXPECT_EQ(f.get("Required").toBool(), c.required);
        EXPECT_EQ(f.get("DefaultValue").toText(), c.defaultValue);
        EXPECT_EQ(f.get("ValidationRule").toText(), c.rule);
        EXPECT_EQ(f.get("AllowZeroLength").toBool(), c.zeroLength);
    }
}

TEST_F(CatalogueTest, IndexesShowPrimaryUniqueForeignAndTheirFields)
{
    struct Expected {
        const char *name, *fields;
        bool primary, unique, foreign;
    };
    auto check = [&](const char *table, std::vector<Expected> expected) {
        SCOPED_TRACE(table);
        Variant indexes = db.get("TableDefs").item(table).get("Indexes");
        ASSERT_EQ(indexes.get("Count").toInt(), int(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            Variant index = indexes.item(int(i));
            Variant fields = index.get("Fields");
            std::string joined;
            for (int j = 0; j < fields.get("Count").toInt(); ++j)
                joined += (j ? "," : "") + fields.item(j).get("Name").toText();
            EXPECT_EQ(index.get("Name").toText(), expected[i].name);
            EXPECT_EQ(joined, expected[i].fields);
            EXPECT_EQ(index.get("Primary").toBool(), expected[i].primary);
            EXPECT_EQ(index.get("Unique").toBool(), expected[i].unique);
            EXPECT_EQ(index.get("Foreign").toBool(), expected[i].foreign);
        }
    };
    check("Customers", {{"PrimaryKey", "CustomerID", true, true, false}});
    check("Orders", {{"PrimaryKey", "OrderID", true, true, false},
                     {"OrdersByCustomer", "CustomerID", false, false, true}});
    check("Lines", {{"PrimaryKey", "OrderID,LineNo", true, true, false},
                    {"LinesByProduct", "Product,OrderID,Qty", false, true, false}});
}

TEST_F(CatalogueTest, RelationsComeFromForeignKeysWithStableNames)
{
    Variant relations = db.get("Relations");
    ASSERT_EQ(names(relations), (std::vector<std::string>{"CustomersOrders", "OrdersLines"}));
    Variant r = relations.item("CustomersOrders");
    EXPECT_EQ(r.get("Table").toText(), "Customers");
    EXPECT_EQ(r.get("foreigntable").toText(), "Orders");
    EXPECT_EQ(r.get("Attributes").toInt(), 0x1000);
    EXPECT_EQ(r.get("Fields").item(0).get("Name").toText(), "CustomerID");
    EXPECT_EQ(r.get("Fields").item(0).get("ForeignName").toText(), "CustomerID");
    // A reference without columns names the primary key of the referenced table.
    Variant lines = relations.item("OrdersLines");
    EXPECT_EQ(lines.get("Fields").item(0).get("Name").toText(), "OrderID");
    EXPECT_EQ(lines.get("Attributes").toInt(), 0);
    db.call("Execute", {"CREATE TABLE Refunds (Id INTEGER PRIMARY KEY, OrderID LONG, Again LONG REFERENCES Orders, "
                        "CONSTRAINT fk FOREIGN KEY (OrderID) REFERENCES Orders (OrderID) ON UPDATE CASCADE)"});
    EXPECT_EQ(names(db.get("Relations")),
              (std::vector<std::string>{"CustomersOrders", "OrdersLines", "OrdersRefunds", "OrdersRefunds1"}));
    // Relations between the same two tables are numbered in the order of their definition.
    EXPECT_EQ(db.get("Relations").item("OrdersRefunds").get("Fields").item(0).get("ForeignName").toText(), "Again");
    EXPECT_EQ(db.get("Relations").item("OrdersRefunds1").get("Attributes").toInt(), 0x100);
}

TEST_F(CatalogueTest, DeletingARelationKeepsTheTableAndItsRows)
{
    EXPECT_EQ(errorCode([&] { db.get("TableDefs").call("Delete", {"Orders"}); }), dbengine::err::InRelation);
    db.get("Relations").call("Delete", {"CustomersOrders"});
    EXPECT_EQ(names(db.get("Relations")), (std::vector<std::string>{"OrdersLines"}));
    EXPECT_EQ(db.get("TableDefs").item("Orders").get("RecordCount").toInt(), 2);
    // Without the constraint an order may name a customer that does not exist.
    db.call("Execute", {"INSERT INTO Orders VALUES (12, 99, 1, NULL)"});
    db.get("Relations").call("Delete", {"OrdersLines"});
    db.get("TableDefs").call("Delete", {"Orders"});
    EXPECT_EQ(names(db.get("TableDefs")), (std::vector<std::string>{"Customers", "Lines"}));
    // The rewritten schema survives a reopen.
    db.call("Close");
    Variant again = open("orders.db");
    EXPECT_EQ(names(again.get("Relations")), std::vector<std::string>{});
    EXPECT_EQ(again.call("OpenRecordset", {"PRAGMA integrity_check"}).get("Fields").item(0).get("Value").toText(), "ok");
}

TEST_F(CatalogueTest, DeletingWhatIsNotThereIsAnError)
{
    EXPECT_EQ(errorCode([&] { db.get("TableDefs").call("Delete", {"Nope"}); }), dbengine::err::ItemNotFound);
    EXPECT_EQ(errorCode([&] { db.get("QueryDefs").call("Delete", {"Nope"}); }), dbengine::err::ItemNotFound);
    EXPECT_EQ(errorCode([&] { db.get("Relations").call("Delete", {"Nope"}); }), dbengine::err::ItemNotFound);
    EXPECT_EQ(errorCode([&] { db.get("TableDefs").item(3); }), 3265);
    EXPECT_EQ(errorCode([&] { db.get("TableDefs").item(-1); }), 3265);
}

TEST_F(CatalogueTest, ContainersListTheirDocuments)
{
    db.call("CreateQueryDef", {"Big", "SELECT * FROM Orders WHERE Total > 10"});
    Variant containers = db.get("Containers");
    EXPECT_EQ(names(containers), (std::vector<std::string>{"Databases", "Forms", "Modules", "Relationships",
                                                           "Reports", "Scripts", "Tables"}));
    EXPECT_EQ(names(containers.item("Tables").get("Documents")),
              (std::vector<std::string>{"Big", "Customers", "Lines", "MSysQueries", "Orders"}));
    EXPECT_EQ(names(containers.item("Relationships").get("Documents")),
              (std::vector<std::string>{"CustomersOrders", "OrdersLines"}));
    Variant doc = containers.item("Databases").get("Documents").item(0);
    EXPECT_EQ(doc.get("Name").toText(), "MSysDb");
    EXPECT_EQ(doc.get("DateCreated").type(), automation::VarType::Date);
    EXPECT_EQ(doc.get("LastUpdated").type(), automation::VarType::Date);
}

TEST_F(CatalogueTest, ManyTablesAreReadOnceNotPerItem)
{
    for (int i = 0; i < 300; ++i)
        db.call("Execute", {"CREATE TABLE t" + std::to_string(i) + " (x)"});
    Variant tables = db.get("TableDefs");
    ASSERT_EQ(tables.get("Count").toInt(), 303);
    EXPECT_EQ(tables.item(302).get("Name").toText(), "t99");
    EXPECT_EQ(tables.item("T150").get("Name").toText(), "t150");
}

// Another connection (another program) changes the file while the database is open.
void changeElsewhere(const std::string &path, const std::string &sql)
{
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    char *message = nullptr;
    const int rc = sqlite3_exec(other, sql.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(other);
    ASSERT_EQ(rc, SQLITE_OK) << text;
}

// The engine trusts what it read while a fetched collection is enumerated, but a change by
// another connection must show in the next fetch of every collection, and in Refresh.
TEST_F(CatalogueTest, ChangesByAnotherConnectionShowInTheNextFetch)
{
    db.call("CreateQueryDef", {"Big", "SELECT * FROM Orders WHERE Total > 10"});
    Variant held = db.get("TableDefs");
    names(held);
    names(db.get("QueryDefs"));
    names(db.get("Relations"));
    names(db.get("Containers").item("Tables").get("Documents"));

    changeElsewhere(dir.file("orders.db"),
                    "CREATE TABLE Extra (ID INTEGER PRIMARY KEY, OrderID LONG REFERENCES Orders); "
                    "CREATE VIEW Cheap AS SELECT * FROM Orders WHERE Total < 10; DROP TABLE Lines; "
                    "INSERT INTO MSysQueries VALUES ('Named', 'SELECT 1', NULL, NULL)");

    EXPECT_EQ(names(db.get("TableDefs")),
              (std::vector<std::string>{"Customers", "Extra", "MSysQueries", "Orders"}));
    EXPECT_EQ(db.get("TableDefs").item("extra").get("Name").toText(), "Extra");
    EXPECT_EQ(names(db.get("QueryDefs")), (std::vector<std::string>{"Big", "Cheap", "Named"}));
    EXPECT_EQ(names(db.get("Relations")), (std::vector<std::string>{"CustomersOrders", "OrdersExtra"}));
    EXPECT_EQ(names(db.get("Containers").item("Tables").get("Documents")),
              (std::vector<std::string>{"Big", "Cheap", "Customers", "Extra", "MSysQueries", "Named", "Orders"}));
    EXPECT_EQ(errorCode([&] { db.get("TableDefs").item("Lines"); }), dbengine::err::ItemNotFound);

    changeElsewhere(dir.file("orders.db"), "CREATE TABLE Later (x)");
    held.call("Refresh");
    EXPECT_EQ(names(held), (std::vector<std::string>{"Customers", "Extra", "Later", "MSysQueries", "Orders"}));
}

// A fetched collection does not ask the file for every item, but what this connection does
// shows at once, in a transaction too.
TEST_F(CatalogueTest, OwnChangesShowInAHeldCollection)
{
    Variant tables = db.get("TableDefs");
    Variant queries = db.get("QueryDefs");
    ASSERT_EQ(tables.get("Count").toInt(), 3);
    db.call("Execute", {"BEGIN"});
    db.call("Execute", {"CREATE TABLE Added (x)"});
    EXPECT_EQ(names(tables), (std::vector<std::string>{"Added", "Customers", "Lines", "Orders"}));
    db.call("Execute", {"CREATE VIEW Mine AS SELECT 1"});
    EXPECT_EQ(names(queries), (std::vector<std::string>{"Mine"}));
    db.call("Execute", {"ROLLBACK"});
    EXPECT_EQ(names(tables), (std::vector<std::string>{"Customers", "Lines", "Orders"}));
    EXPECT_EQ(names(queries), (std::vector<std::string>{}));
}

// Every catalogue collection names what it did not find in one form, with one error code.
TEST_F(CatalogueTest, EveryCollectionReportsAMissingNameAlike)
{
    const std::pair<const char *, const char *> cases[] = {
        {"TableDefs", "Table 'Nope' does not exist in this database."},
        {"QueryDefs", "Query 'Nope' does not exist in this database."},
        {"Relations", "Relation 'Nope' does not exist in this database."},
        {"Containers", "Container 'Nope' does not exist in this database."},
    };
    for (const auto &[collection, message] : cases) {
        SCOPED_TRACE(collection);
        try {
            db.get(collection).item("Nope");
            ADD_FAILURE() << "no error";
        } catch (const automation::Error &e) {
            EXPECT_EQ(e.code(), dbengine::err::ItemNotFound);
            EXPECT_STREQ(e.what(), message);
            EXPECT_EQ(e.source(), std::string("DAO.") + collection);
        }
    }
}

} // namespace

namespace {

// Each child table refers to P in another spelling; deleting its one relation must leave a
// schema SQLite still reads, with the other constraints of the table intact.
TEST_F(EngineTest, EveryFormOfForeignKeyCanBeDeleted)
{
    const char *children[] = {
        "CREATE TABLE c1 (id INTEGER PRIMARY KEY, p LONG REFERENCES P)",
        "CREATE TABLE c2 (id INTEGER PRIMARY KEY, p LONG CONSTRAINT toP REFERENCES \"P\" (k) ON DELETE SET NULL "
        "ON UPDATE NO ACTION NOT DEFERRABLE, q TEXT(5) NOT NULL CHECK (q <> ''))",
        "CREATE TABLE c3 (id INTEGER, p LONG, [p 2] LONG, PRIMARY KEY (id), "
        "FOREIGN KEY (p, [p 2]) REFERENCES [P] (k, k2) MATCH SIMPLE DEFERRABLE INITIALLY DEFERRED, UNIQUE (p))",
        "CREATE TABLE c4 (p LONG, FOREIGN KEY (p) REFERENCES P (k) ON DELETE CASCADE, CHECK (p > 0))",
        "CREATE TABLE `c5` (p LONG REFERENCES P(k) DEFAULT 1 NOT NULL PRIMARY KEY) WITHOUT ROWID",
    };
    for (const char *child : children) {
        SCOPED_TRACE(child);
        Variant db = create("fk.db", {"CREATE TABLE P (k INTEGER PRIMARY KEY, k2 LONG, UNIQUE (k, k2))", child,
                                       "CREATE TABLE keep (k LONG REFERENCES P)"});
        Variant relations = db.get("Relations");
        ASSERT_EQ(relations.get("Count").toInt(), 2);
        const std::string name = relations.item(0).get("Name").toText();
        ASSERT_NE(name, "Pkeep");
        relations.call("Delete", {name});
        ASSERT_EQ(db.get("Relations").get("Count").toInt(), 1);
        EXPECT_EQ(db.get("Relations").item(0).get("Name").toText(), "Pkeep");
        Variant check = db.call("OpenRecordset", {"PRAGMA integrity_check"});
        EXPECT_EQ(check.get("Fields").item(0).get("Value").toText(), "ok");
        db.call("Execute", {"INSERT INTO P (k) VALUES (1)"});
        db.call("Close");
        std::filesystem::remove(dir.file("fk.db"));
    }
}

} // namespace
