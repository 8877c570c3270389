#include "SampleFiles.h"

#include "dbengine/ErrorCodes.h"
#include "dbengine/maintenance/Maintenance.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace maintenance = dbengine::maintenance;
namespace err = dbengine::err;

namespace {

class Compact : public ::testing::Test {
protected:
    void SetUp() override { sample::makeDatabase(source); }

    sample::Folder folder;
    const std::string source = folder.file("orders.db");
    const std::string destination = folder.file("compacted.db");
};

TEST_F(Compact, KeepsSchemaAndRowsInASmallerSoundFile)
{
    const auto before = sample::contents(source);
    const std::string sourceBytes = sample::readBytes(source);

    maintenance::compact(source, destination);

    EXPECT_EQ(sample::contents(destination), before);
    EXPECT_EQ(sample::integrity(destination), "ok");
    EXPECT_LT(std::filesystem::file_size(destination), std::filesystem::file_size(source));
    EXPECT_EQ(sample::readBytes(source), sourceBytes);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"orders.db", "compacted.db"}));
}

TEST_F(Compact, GivesTheNewFileTheUsualPermissions)
{
    const mode_t mask = ::umask(022);
    maintenance::compact(source, destination);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(destination.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Compact, TakesInRowsStillInTheWriteAheadLog)
{
    sample::addRowsInWriteAheadLog(source, 5);
    ASSERT_TRUE(sample::exists(source + "-wal"));
    const auto before = sample::contents(source);

    maintenance::compact(source, destination);

    EXPECT_EQ(sample::contents(destination), before);
    EXPECT_EQ(sample::rows(destination, "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
}

// A journal left under the destination's name by some earlier file would be rolled back into
// the new database the first time it is opened.
TEST_F(Compact, ALeftoverJournalAtTheDestinationIsNotAppliedToTheNewFile)
{
    sample::makeUnfinishedTransactionCopy(source, folder.file("crashed.db"));
    std::filesystem::rename(folder.file("crashed.db-journal"), destination + "-journal");
    const auto before = sample::contents(source);

    maintenance::compact(source, destination);

    EXPECT_FALSE(sample::exists(destination + "-journal"));
    EXPECT_EQ(sample::contents(destination), before);
    EXPECT_EQ(sample::integrity(destination), "ok");
}

struct BadSource {
    const char *name;
    std::function<void(const std::string &path, const std::string &database)> make;
    std::int32_t code;
};

void copyPart(const std::string &from, const std::string &to, std::size_t size)
{
    sample::writeBytes(to, sample::readBytes(from).substr(0, size));
}

const BadSource badSources[] = {
    {"Missing", [](const std::string &, const std::string &) {}, err::FileNotFound},
    {"TextFile",
     [](const std::string &path, const std::string &) {
         sample::writeBytes(path, "name,city\nCustomer 1,Lyon\n");
     },
     err::NotADatabase},
    {"EmptyFile", [](const std::string &path, const std::string &) { sample::writeBytes(path, ""); },
     err::NotADatabase},
    {"Folder", [](const std::string &path, const std::string &) { std::filesystem::create_directory(path); },
     err::NotADatabase},
    {"TruncatedHeader",
     [](const std::string &path, const std::string &database) { copyPart(database, path, 50); },
     err::NotADatabase},
    {"TruncatedDatabase",
     [](const std::string &path, const std::string &database) {
         copyPart(database, path, std::filesystem::file_size(database) / 2);
     },
     err::Damaged},
    {"DamagedPage",
     [](const std::string &path, const std::string &database) {
         std::filesystem::copy_file(database, path);
         const auto leaves = sample::leafPages(path, "orders");
         sample::damagePage(path, leaves[leaves.size() / 2]);
     },
     err::Damaged},
    {"TableBeyondTheEnd",
     [](const std::string &path, const std::string &database) {
         std::filesystem::copy_file(database, path);
         sample::misplaceTable(path, "audit");
     },
     err::Damaged},
    {"Pipe", [](const std::string &path, const std::string &) { ::mkfifo(path.c_str(), 0600); },
     err::NotADatabase},
    {"UnfinishedTransaction",
     [](const std::string &path, const std::string &database) {
         sample::makeUnfinishedTransactionCopy(database, path);
     },
     err::Damaged},
    {"SealedFile",
     [](const std::string &path, const std::string &database) {
         maintenance::encrypt(database, path, "secret");
     },
     err::Encrypted},
};

void PrintTo(const BadSource &kind, std::ostream *out)
{
    *out << kind.name;
}

class CompactBadSource : public ::testing::TestWithParam<BadSource> {};

TEST_P(CompactBadSource, IsRefusedAndLeavesNothingBehind)
{
    sample::Folder folder;
    sample::Folder elsewhere;
    const std::string database = elsewhere.file("good.db");
    sample::makeDatabase(database);
    const std::string source = folder.file("source.db");
    GetParam().make(source, database);
    const auto entries = folder.entries();
    const std::string bytes = std::filesystem::is_regular_file(source) ? sample::readBytes(source) : "";
    ASSERT_TRUE(GetParam().code == err::FileNotFound || sample::exists(source));

    const sample::Failure failure = sample::failureOf(
        [&] { maintenance::compact(source, folder.file("compacted.db")); });

    EXPECT_EQ(failure.code, GetParam().code) << failure.message;
    EXPECT_NE(failure.message.find("'source.db'"), std::string::npos) << failure.message;
    EXPECT_EQ(folder.entries(), entries);
    if (std::filesystem::is_regular_file(source)) {
        EXPECT_EQ(sample::readBytes(source), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CompactBadSource, ::testing::ValuesIn(badSources),
                         [](const auto &info) { return std::string(info.param.name); });

struct BadDestination {
    const char *name;
    // Prepares the folder and returns the destination to use, given the source's path.
    std::function<std::string(const std::string &source)> make;
    std::int32_t code;
};

const BadDestination badDestinations[] = {
    {"ExistingFile",
     [](const std::string &source) {
         const std::string existing = std::filesystem::path(source).parent_path() / "taken.db";
         sample::writeBytes(existing, "someone else's file");
         return existing;
     },
     err::DestinationExists},
    {"DanglingLink",
     [](const std::string &source) {
         const std::string link = std::filesystem::path(source).parent_path() / "link.db";
         std::filesystem::create_symlink("nowhere.db", link);
         return link;
     },
     err::DestinationExists},
    {"SameFile", [](const std::string &source) { return source; }, err::InvalidArgument},
    {"HardLinkToSource",
     [](const std::string &source) {
         const std::string link = std::filesystem::path(source).parent_path() / "same.db";
         std::filesystem::create_hard_link(source, link);
         return link;
     },
     err::InvalidArgument},
    {"MissingFolder",
     [](const std::string &source) {
         return (std::filesystem::path(source).parent_path() / "no-such-folder" / "new.db").string();
     },
     err::FileNotFound},
    {"EmptyName", [](const std::string &) { return std::string(); }, err::InvalidArgument},
};

void PrintTo(const BadDestination &kind, std::ostream *out)
{
    *out << kind.name;
}

class CompactBadDestination : public ::testing::TestWithParam<BadDestination> {};

TEST_P(CompactBadDestination, IsRefusedAndNothingIsTouched)
{
    sample::Folder folder;
    const std::string source = folder.file("orders.db");
    sample::makeDatabase(source);
    const std::string destination = GetParam().make(source);
    const auto entries = folder.entries();
    const std::string sourceBytes = sample::readBytes(source);
    const bool destinationWasFile = std::filesystem::is_regular_file(destination);
    const std::string destinationBytes = destinationWasFile ? sample::readBytes(destination) : "";

    const sample::Failure failure =
        sample::failureOf([&] { maintenance::compact(source, destination); });

    EXPECT_EQ(failure.code, GetParam().code) << failure.message;
    EXPECT_EQ(folder.entries(), entries);
    EXPECT_EQ(sample::readBytes(source), sourceBytes);
    if (destinationWasFile) {
        EXPECT_EQ(sample::readBytes(destination), destinationBytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, CompactBadDestination, ::testing::ValuesIn(badDestinations),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
