#include "support/FileChecks.h"
#include "SampleFiles.h"

#include "dbengine/ErrorCodes.h"
#include "dbengine/maintenance/Maintenance.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace maintenance = dbengine::maintenance;
namespace err = dbengine::err;

namespace {

class Repair : public ::testing::Test {
protected:
    void SetUp() override { sample::makeDatabase(path); }

    sample::Folder folder;
    const std::string path = folder.file("orders.db");
};

TEST_F(Repair, SoundFileKeepsSchemaRowsAndPermissions)
{
    ::chmod(path.c_str(), 0640);
    const auto before = sample::contents(path);

    maintenance::repair(path);

    EXPECT_EQ(sample::contents(path), before);
    EXPECT_EQ(sample::integrity(path), "ok");
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(folder.entries(), std::set<std::string>{"orders.db"});
}

TEST_F(Repair, TakesInTheWriteAheadLogAndLeavesNoLogBehind)
{
    sample::addRowsInWriteAheadLog(path, 5);
    const auto before = sample::contents(path);

    maintenance::repair(path);

    EXPECT_EQ(folder.entries(), std::set<std::string>{"orders.db"});
    EXPECT_EQ(sample::contents(path), before);
    EXPECT_EQ(sample::rows(path, "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
}

TEST_F(Repair, RollsBackAChangeLeftUnfinished)
{
    const std::string crashed = folder.file("crashed.db");
    sample::makeUnfinishedTransactionCopy(path, crashed);
    // Half the change is in the file itself; only the journal can undo it.
    ASSERT_NE(sample::readBytes(crashed), sample::readBytes(path));

    maintenance::repair(crashed);

    EXPECT_EQ(sample::contents(crashed), sample::contents(path));
    EXPECT_FALSE(sample::exists(crashed + "-journal"));
}

TEST_F(Repair, RebuildsTheFileALinkPointsTo)
{
    const std::string link = folder.file("link.db");
    std::filesystem::create_symlink("orders.db", link);
    const auto leaves = sample::leafPages(path, "orders");
    sample::damagePage(path, leaves[leaves.size() / 2]);

    maintenance::repair(link);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(sample::integrity(path), "ok");
}

TEST_F(Repair, ATableSQLiteCannotFindComesBackEmptyBesideTheOthers)
{
    const auto customers = sample::rows(path, "SELECT * FROM customers");
    const auto orders = sample::rows(path, "SELECT * FROM orders");
    sample::misplaceTable(path, "audit");

    maintenance::repair(path);

    EXPECT_EQ(sample::integrity(path), "ok");
    EXPECT_EQ(sample::rows(path, "SELECT * FROM customers"), customers);
    EXPECT_EQ(sample::rows(path, "SELECT * FROM orders"), orders);
    EXPECT_TRUE(sample::rows(path, "SELECT * FROM audit").empty());
}

TEST_F(Repair, AReadOnlyFileIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    ::chmod(path.c_str(), 0444);
    const std::string bytes = sample::readBytes(path);

    EXPECT_EQ(sample::failureOf([&] { maintenance::repair(path); }).code, err::ReadOnlyFile);
    EXPECT_EQ(sample::readBytes(path), bytes);
}

// Which leaf page of the orders table to damage: the first, one in the middle, the last.
struct DamagedLeaf {
    const char *name;
    std::size_t (*pick)(std::size_t leafCount);
};

const DamagedLeaf damagedLeaves[] = {
    {"FirstLeaf", [](std::size_t) { return std::size_t(0); }},
    {"MiddleLeaf", [](std::size_t count) { return count / 2; }},
    {"LastLeaf", [](std::size_t count) { return count - 1; }},
};

void PrintTo(const DamagedLeaf &kind, std::ostream *out)
{
    *out << kind.name;
}

class RepairDamagedTable : public Repair, public ::testing::WithParamInterface<DamagedLeaf> {
protected:
    void SetUp() override
    {
        Repair::SetUp();
        before = sample::contents(path);
        beforeOrders = sample::rows(path, "SELECT * FROM orders ORDER BY id");
        const auto leaves = sample::leafPages(path, "orders");
        ASSERT_GT(leaves.size(), 3u);
        const std::int64_t page = leaves[GetParam().pick(leaves.size())];
        lost = sample::rowidsOnPage(path, page);
        sample::damagePage(path, page);
        ASSERT_NE(sample::integrity(path), "ok");
    }

    // The rows of `all` ("id|...") whose id is not among the lost ones.
    std::vector<std::string> withoutLost(const std::vector<std::string> &all) const
    {
        std::vector<std::string> kept;
        for (const std::string &row : all)
            if (std::find(lost.begin(), lost.end(), std::stoll(row)) == lost.end())
                kept.push_back(row);
        return kept;
    }

    std::vector<std::string> before;
    std::vector<std::string> beforeOrders;
    std::vector<std::int64_t> lost;
};

TEST_P(RepairDamagedTable, SalvagesEveryRowOutsideTheDamagedPage)
{
    maintenance::repair(path);

    EXPECT_EQ(sample::integrity(path), "ok");
    EXPECT_EQ(sample::rows(path, "SELECT * FROM orders ORDER BY id"), withoutLost(beforeOrders));
    EXPECT_EQ(folder.entries(), std::set<std::string>{"orders.db"});
}

TEST_P(RepairDamagedTable, KeepsSchemaOtherTablesAndCountersWithoutFiringTriggers)
{
    maintenance::repair(path);

    // Everything but the lost orders is as it was: schema, customers, the audit rows (a trigger
    // replayed during the copy would add to them) and the AUTOINCREMENT counter.
    std::vector<std::string> expected;
    for (const std::string &line : before)
        if (line.rfind("orders: ", 0) != 0)
            expected.push_back(line);
    std::vector<std::string> actual;
    for (const std::string &line : sample::contents(path))
        if (line.rfind("orders: ", 0) != 0)
            actual.push_back(line);
    EXPECT_EQ(actual, expected);
    EXPECT_FALSE(sample::rows(path, "SELECT * FROM big_orders").empty());
}

INSTANTIATE_TEST_SUITE_P(Pages, RepairDamagedTable, ::testing::ValuesIn(damagedLeaves),
                         [](const auto &info) { return std::string(info.param.name); });

struct Unrepairable {
    const char *name;
    std::function<void(const std::string &path, const std::string &database)> make;
    std::int32_t code;
};

const Unrepairable unrepairables[] = {
    {"Missing", [](const std::string &, const std::string &) {}, err::FileNotFound},
    {"TextFile",
     [](const std::string &path, const std::string &) { sample::writeBytes(path, "name,city\n"); },
     err::NotADatabase},
    {"EmptyFile", [](const std::string &path, const std::string &) { sample::writeBytes(path, ""); },
     err::NotADatabase},
    {"TruncatedHeader",
     [](const std::string &path, const std::string &database) {
         sample::writeBytes(path, sample::readBytes(database).substr(0, 50));
     },
     err::NotADatabase},
    {"BadPageSize",
     [](const std::string &path, const std::string &database) {
         std::string bytes = sample::readBytes(database);
         bytes[16] = 0x12; // 0x1200 is no power of two
         sample::writeBytes(path, bytes);
     },
     err::NotADatabase},
    {"SchemaPageDestroyed",
     [](const std::string &path, const std::string &database) {
         std::string bytes = sample::readBytes(database);
         bytes.replace(100, 4096 - 100, 4096 - 100, '\xff');
         sample::writeBytes(path, bytes);
     },
     err::Damaged},
    {"SealedFile",
     [](const std::string &path, const std::string &database) { maintenance::encrypt(database, path, "pw"); },
     err::Encrypted},
};

void PrintTo(const Unrepairable &kind, std::ostream *out)
{
    *out << kind.name;
}

class RepairRefused : public ::testing::TestWithParam<Unrepairable> {};

TEST_P(RepairRefused, LeavesTheFileAsItWas)
{
    sample::Folder folder;
    sample::Folder elsewhere;
    const std::string database = elsewhere.file("good.db");
    sample::makeDatabase(database);
    const std::string path = folder.file("broken.db");
    GetParam().make(path, database);
    const auto entries = folder.entries();
    const std::string bytes = sample::exists(path) ? sample::readBytes(path) : "";

    const sample::Failure failure = sample::failureOf([&] { maintenance::repair(path); });

    EXPECT_EQ(failure.code, GetParam().code) << failure.message;
    EXPECT_NE(failure.message.find("'broken.db'"), std::string::npos) << failure.message;
    EXPECT_EQ(folder.entries(), entries);
    if (sample::exists(path)) {
        EXPECT_EQ(sample::readBytes(path), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, RepairRefused, ::testing::ValuesIn(unrepairables),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
