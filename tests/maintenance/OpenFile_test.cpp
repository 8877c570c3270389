#include "SampleFiles.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"
#include "dbengine/Sqlite.h"
#include "dbengine/maintenance/OpenFile.h"

#include <gtest/gtest.h>
#include <ostream>
#include <sqlite3.h>

namespace maintenance = dbengine::maintenance;
namespace err = dbengine::err;
using dbengine::Connection;
using dbengine::Statement;
using maintenance::Access;

namespace {

// Each case makes SQLite refuse something on a connection opened by openFile on `file` (in a
// folder holding orders.db and notes.txt, a text file); the error must name that file.
struct OpenFileCase {
    const char *name;
    const char *file;
    void (*provoke)(const std::string &file);
    std::int32_t code;
    const char *message;
};

void PrintTo(const OpenFileCase &c, std::ostream *out)
{
    *out << c.name;
}

const OpenFileCase openFileCases[] = {
    {"Constraint", "orders.db",
     [](const std::string &file) {
         maintenance::openFile(file, Access::ReadWrite)
             .exec("INSERT INTO customers (id, name) SELECT id, name FROM customers LIMIT 1");
     },
     err::General, "SQLite refused to process 'orders.db': UNIQUE constraint failed: customers.id."},
    {"ReadOnly", "orders.db",
     [](const std::string &file) { maintenance::openFile(file, Access::ReadOnly).exec("DELETE FROM customers"); },
     err::ReadOnlyFile, "'orders.db' is read-only."},
    {"NotADatabase", "notes.txt",
     [](const std::string &file) {
         const Connection db = maintenance::openFile(file, Access::ReadOnly);
         Statement(db, "SELECT count(*) FROM sqlite_schema").step();
     },
     err::NotADatabase, "'notes.txt' is not a database file."},
    {"Damaged", "orders.db",
     [](const std::string &file) {
         sample::damagePage(file, sample::leafPages(file, "orders").front());
         const Connection db = maintenance::openFile(file, Access::ReadOnly);
         Statement st(db, "SELECT max(length(note)) FROM orders");
         st.step();
     },
     err::Damaged, "'orders.db' is damaged; repair it first."},
    {"Missing", "gone.db",
     [](const std::string &file) { maintenance::openFile(file, Access::ReadWrite); },
     err::IoError, "'gone.db' could not be opened."},
};

class OpenFileFailure : public ::testing::TestWithParam<OpenFileCase> {
protected:
    void SetUp() override
    {
        sample::makeDatabase(folder.file("orders.db"));
        sample::writeBytes(folder.file("notes.txt"), std::string(4096, 'n'));
    }

    sample::Folder folder;
};

TEST_P(OpenFileFailure, NamesTheFile)
{
    const OpenFileCase &c = GetParam();
    const sample::Failure failure = sample::failureOf([&] { c.provoke(folder.file(c.file)); });
    EXPECT_EQ(failure.code, c.code);
    EXPECT_EQ(failure.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(OpenFile, OpenFileFailure, ::testing::ValuesIn(openFileCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
