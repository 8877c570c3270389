// jetwarden-sql --schema: the printout of each Access test file against its expected file, and
// of an engine database made here.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>

namespace {

struct Printout {
    int status;
    std::string out, err;
};

Printout schema(const TempDir &dir, const std::string &database, const std::string &input = {})
{
    writeAll(dir.file("in.txt"), input);
    const std::string command = "XDG_CACHE_HOME=" + dir.file("cache") + " " + JW_CLI + " --schema '" + database
                                + "' < " + dir.file("in.txt") + " > " + dir.file("out.txt") + " 2> " + dir.file("err.txt");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir.file("out.txt")), readAll(dir.file("err.txt"))};
}

class SchemaOfAccessFile : public ::testing::TestWithParam<const char *> {};

TEST_P(SchemaOfAccessFile, MatchesExpectedFile)
{
    TempDir dir;
    const std::string data = std::string(JW_SOURCE) + "/tests/data/jet/";
    const std::string copy = dir.file(std::string(GetParam()) + ".mdb");
    std::filesystem::copy_file(data + GetParam() + ".mdb", copy);
    const Printout p = schema(dir, copy);
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, readAll(data + GetParam() + ".schema"));
}

INSTANTIATE_TEST_SUITE_P(Files, SchemaOfAccessFile,
                         ::testing::Values("testV1997", "testV2003", "queryTestV1997", "indexTestV2000", "db97-enc"),
                         [](const auto &info) {
                             std::string n = info.param;
                             n.erase(std::remove(n.begin(), n.end(), '-'), n.end());
                             return n;
                         });

TEST(Schema, EngineDatabaseOneStatementADefinition)
{
    TempDir dir;
    const std::string db = dir.file("s.mdb");
    const std::string script =
        "CREATE TABLE Customers (Id COUNTER PRIMARY KEY, Name TEXT(40) NOT NULL, Since DATETIME DEFAULT '2020-01-01');\n"
        "CREATE TABLE Orders (Id LONG, Customer LONG REFERENCES Customers (Id) ON DELETE CASCADE, Total CURRENCY, "
        "PRIMARY KEY (Id));\n"
        "CREATE INDEX ByCustomer ON Orders (Customer DESC, Total);\n";
    writeAll(dir.file("make.sql"), script);
    ASSERT_EQ(std::system((std::string(JW_CLI) + " --new " + db + " " + dir.file("make.sql") + " > /dev/null 2>&1").c_str()), 0);
    const Printout p = schema(dir, db);
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out,
              "CREATE TABLE [Customers] ([Id] COUNTER, [Name] TEXT(40) NOT NULL, [Since] DATETIME DEFAULT '2020-01-01');\n"
              "CREATE TABLE [Orders] ([Id] LONG, [Customer] LONG, [Total] CURRENCY);\n"
              "CREATE UNIQUE INDEX [PrimaryKey] ON [Customers] ([Id]) WITH PRIMARY;\n"
              "CREATE UNIQUE INDEX [PrimaryKey] ON [Orders] ([Id]) WITH PRIMARY;\n"
              "CREATE INDEX [ByCustomer] ON [Orders] ([Customer] DESC, [Total]);\n"
              "ALTER TABLE [Orders] ADD CONSTRAINT [CustomersOrders] FOREIGN KEY ([Customer]) REFERENCES [Customers] ([Id]) "
              "ON DELETE CASCADE;\n");
}

} // namespace

namespace {

struct Outcome {
    int status;
    std::string err;
};

Outcome cli(const TempDir &dir, const std::string &args, const char *program = JW_CLI)
{
    const std::string command = "XDG_CACHE_HOME=" + dir.file("cache") + " " + program + " " + args + " < /dev/null > "
                                + dir.file("out.txt") + " 2> " + dir.file("err.txt");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir.file("err.txt"))};
}

// jetwarden-admin convert writes a new engine database with the Access file's definitions,
// never over an existing file, and only from an Access file.
TEST(Convert, NewEngineDatabaseWithEverything)
{
    TempDir dir;
    const std::string source = dir.file("index.mdb"), target = dir.file("engine.mdb");
    std::filesystem::copy_file(std::string(JW_SOURCE) + "/tests/data/jet/indexTestV2000.mdb", source);
    Outcome r = cli(dir, "convert " + source + " " + target, JW_ADMIN);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Table 1 of 3: Table1\nTable 2 of 3: Table2\nTable 3 of 3: Table3\n");
    // The converted file prints the same definitions as the Access file.
    EXPECT_EQ(schema(dir, target).out, schema(dir, source).out);

    const std::string before = readAll(target);
    r = cli(dir, "convert " + source + " " + target, JW_ADMIN);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "jetwarden-admin: Database '" + target + "' already exists.\n");
    EXPECT_EQ(readAll(target), before);

    r = cli(dir, "convert " + target + " " + dir.file("other.mdb"), JW_ADMIN);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "jetwarden-admin: \"engine.mdb\" is not an Access database file.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("other.mdb")));
}

TEST(Convert, UnknownJetCharsetIsNamed)
{
    TempDir dir;
    const std::string source = dir.file("t.mdb");
    std::filesystem::copy_file(std::string(JW_SOURCE) + "/tests/data/jet/testV1997.mdb", source);
    const Outcome r = cli(dir, "--jet-charset NO-SUCH-CODEPAGE --schema " + source);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "jetwarden-sql: The text encoding 'NO-SUCH-CODEPAGE' is unknown.\n");
}

} // namespace
