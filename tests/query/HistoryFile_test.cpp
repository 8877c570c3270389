#include "query/core/HistoryFile.h"

#include "query/core/History.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;
using query::History;
using query::ListViewItem;
using query::LoadStatus;

namespace {

// Two history entries as the window writes them, newest on top.
const std::string twoEntries =
    "LVF" "\x02\x00"s
    // item "2": 3 sub-items, image -1
    "\x03\x00" "\xFF\xFF\xFF\xFF" "\x01\x00" "2"
    "\x10\x00" "SELECT 'Größe'" "\x04\x00" "0.25" "\x01\x00" "3"s
    // item "1"
    "\x03\x00" "\xFF\xFF\xFF\xFF" "\x01\x00" "1"
    "\x08\x00" "select 1" "\x04\x00" "1.50" "\x01\x00" "1"s;
const std::vector<std::string> twoEntryRows = {"2|-1|SELECT 'Größe'|0.25|3",
                                               "1|-1|select 1|1.50|1"};

std::string row(const ListViewItem &item)
{
    std::string text = item.caption + "|" + std::to_string(item.imageIndex);
    for (const std::string &sub : item.subItems)
        text += "|" + sub;
    return text;
}

std::vector<std::string> rows(const History &history)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < history.count(); ++i)
        out.push_back(row(history.entry(i)));
    return out;
}

std::vector<std::string> folderNames(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class HistoryFileTest : public testing::Test {
protected:
    std::string file() const { return dir.file("History.sql"); }
    TempDir dir;
};

TEST_F(HistoryFileTest, SaveWritesTheFormatByteForByte)
{
    History history;
    history.UpdateHistory("select 1", 1500, 1);
    history.UpdateHistory("SELECT 'Größe'", 250, 3);
    ASSERT_TRUE(query::SaveListViewFile(history, file()));
    EXPECT_EQ(readAll(file()), twoEntries);
}

TEST_F(HistoryFileTest, LoadAppendsItemsInFileOrder)
{
    writeAll(file(), twoEntries);
    History history;
    history.UpdateHistory("SELECT 0", 0, 0);
    const query::LoadResult result = query::LoadListViewFile(history, file());
    EXPECT_EQ(result.status, LoadStatus::Loaded);
    EXPECT_EQ(rows(history), (std::vector<std::string>{"1|-1|SELECT 0|0.00|0", twoEntryRows[0],
                                                       twoEntryRows[1]}));
}

// Items of any list view come back as stored: image indexes, any number of sub-items.
TEST_F(HistoryFileTest, OtherListViewItemsSurviveLoadAndSave)
{
    const std::string bytes = "LVF" "\x03\x00"s
                              "\x00\x00" "\x05\x00\x00\x00" "\x02\x00" "ab"s
                              "\x01\x00" "\xFE\xFF\xFF\x7F" "\x00\x00" "\x00\x00"s
                              "\x04\x00" "\x00\x00\x00\x80" "\x01\x00" "c"
                              "\x01\x00" "w" "\x01\x00" "x" "\x01\x00" "y" "\x01\x00" "z"s;
    writeAll(file(), bytes);
    History history;
    ASSERT_EQ(query::LoadListViewFile(history, file()).status, LoadStatus::Loaded);
    EXPECT_EQ(rows(history),
              (std::vector<std::string>{"ab|5", "|2147483646|", "c|-2147483648|w|x|y|z"}));
    ASSERT_TRUE(query::SaveListViewFile(history, dir.file("copy.sql")));
    EXPECT_EQ(readAll(dir.file("copy.sql")), bytes);
}

TEST_F(HistoryFileTest, RoundTripKeepsOrderNumbersTextsTimesAndCounts)
{
    History history;
    history.UpdateHistory("SELECT A", 10, 1);
    history.UpdateHistory("SELECT B", 20, 2);
    history.UpdateHistory("SELECT C", 30, 3);
    history.UpdateHistory("select a", 1500, 7);
    history.UpdateHistory("SELECT '" + std::string(65535 - 9, 'x') + "'", 4294967295u, -1);
    history.UpdateHistory("INSERT INTO Straße VALUES ('Ärger')", 0, 2147483647);
    ASSERT_TRUE(query::SaveListViewFile(history, file()));
    History loaded;
    ASSERT_EQ(query::LoadListViewFile(loaded, file()).status, LoadStatus::Loaded);
    EXPECT_EQ(rows(loaded), rows(history));
    // Loaded entries are found again without regard to letter case; numbering goes on by count.
    loaded.UpdateHistory("SELECT b", 40, 4);
    loaded.UpdateHistory("SELECT D", 50, 5);
    EXPECT_EQ(row(loaded.entry(0)), "6|-1|SELECT D|0.05|5");
    EXPECT_EQ(row(loaded.entry(4)), "2|-1|SELECT B|0.04|4");
}

struct DamagedCase {
    const char *name;
    std::string bytes;
    LoadStatus status;
    std::vector<std::string> rows;
};

class DamagedFileTest : public HistoryFileTest, public testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFileTest, LoadsTheWholeItemsBeforeTheDamage)
{
    writeAll(file(), GetParam().bytes);
    History history;
    const query::LoadResult result = query::LoadListViewFile(history, file());
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(rows(history), GetParam().rows);
    EXPECT_EQ(result.itemsLoaded, GetParam().rows.size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    testing::Values(
        DamagedCase{"WrongMagic", "LVX\x00\x00"s, LoadStatus::NotListView, {}},
        DamagedCase{"MagicInOtherCase", "lvf\x00\x00"s, LoadStatus::NotListView, {}},
        DamagedCase{"TextFile", "SELECT * FROM t;\n", LoadStatus::NotListView, {}},
        DamagedCase{"Empty", "", LoadStatus::NotListView, {}},
        DamagedCase{"ShorterThanMagic", "LV", LoadStatus::NotListView, {}},
        DamagedCase{"NoCount", "LVF", LoadStatus::Damaged, {}},
        DamagedCase{"TruncatedInCount", twoEntries.substr(0, 4), LoadStatus::Damaged, {}},
        DamagedCase{"TruncatedInSubItemCount", twoEntries.substr(0, 6), LoadStatus::Damaged, {}},
        DamagedCase{"TruncatedInImageIndex", twoEntries.substr(0, 9), LoadStatus::Damaged, {}},
        DamagedCase{"TruncatedInCaptionLength", twoEntries.substr(0, 12), LoadStatus::Damaged, {}},
        DamagedCase{"TruncatedInStatement", twoEntries.substr(0, 20), LoadStatus::Damaged, {}},
        DamagedCase{"TruncatedInSecondHeader", twoEntries.substr(0, 44), LoadStatus::Damaged,
                    {twoEntryRows[0]}},
        DamagedCase{"TruncatedInLastString", twoEntries.substr(0, 68), LoadStatus::Damaged,
                    {twoEntryRows[0]}},
        DamagedCase{"CountLargerThanItems", "LVF\x03\x00"s + twoEntries.substr(5),
                    LoadStatus::Damaged, twoEntryRows},
        DamagedCase{"LargestCountOnAnEmptyList", "LVF\xFF\xFF"s, LoadStatus::Damaged, {}},
        DamagedCase{"LengthLargerThanFile",
                    "LVF\x01\x00" "\x00\x00" "\xFF\xFF\xFF\xFF" "\xFF\xFF" "abc"s,
                    LoadStatus::Damaged, {}},
        DamagedCase{"SubItemCountLargerThanFile",
                    "LVF\x01\x00" "\xFF\xFF" "\xFF\xFF\xFF\xFF" "\x01\x00" "a"s,
                    LoadStatus::Damaged, {}},
        DamagedCase{"NoItems", "LVF\x00\x00"s, LoadStatus::Loaded, {}},
        DamagedCase{"BytesAfterTheLastItemAreIgnored", twoEntries + "junk", LoadStatus::Loaded,
                    twoEntryRows}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HistoryFileTest, WhatCannotBeReadIsReportedAndLoadsNothing)
{
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    const struct {
        std::string path;
        LoadStatus status;
    } cases[] = {
        {dir.file("missing.sql"), LoadStatus::Missing},
        {dir.file("missing/History.sql"), LoadStatus::Missing},
        {dir.file("folder"), LoadStatus::Unreadable},
        {dir.file("pipe"), LoadStatus::Unreadable},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        History history;
        history.UpdateHistory("SELECT 1", 0, 1);
        EXPECT_EQ(query::LoadListViewFile(history, c.path).status, c.status);
        EXPECT_EQ(rows(history), std::vector<std::string>{"1|-1|SELECT 1|0.00|1"});
    }
}

TEST(LoadMessage, NamesTheFileWithoutItsFolder)
{
    const std::string path = "/home/ann/.local/share/Jetwarden/History.sql";
    const struct {
        query::LoadResult result;
        const char *text;
    } cases[] = {
        {{LoadStatus::Loaded, 3, ""}, ""},
        {{LoadStatus::Missing, 0, ""}, "File \"History.sql\" does not exist!"},
        {{LoadStatus::NotListView, 0, ""}, "\"History.sql\" is not a ListView file!"},
        {{LoadStatus::Damaged, 12, ""},
         "\"History.sql\" is a damaged ListView file! Only its first 12 items could be read."},
        {{LoadStatus::Unreadable, 0, "Is a directory"},
         "\"History.sql\" could not be read: Is a directory."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(query::LoadMessage(c.result, path), c.text);
    EXPECT_EQ(std::string(query::ListViewIoErrorCaption), "I/O Error");
}

// An item the 16-bit fields cannot hold is left out whole and does not take one of the 65,535
// places, which go to the newest entries.
TEST_F(HistoryFileTest, KeepsTheNewestEntriesTheFormatCanHold)
{
    History history;
    for (int i = 1; i <= 65535; ++i)
        history.UpdateHistory("SELECT " + std::to_string(i), 0, i);
    const std::string longest = "SELECT '" + std::string(65535 - 9, 'y') + "'";
    ASSERT_EQ(longest.size(), 65535u);
    history.UpdateHistory(longest, 0, 0);
    history.UpdateHistory("SELECT '" + std::string(65535 - 8, 'z') + "'", 0, 0);
    ASSERT_TRUE(query::SaveListViewFile(history, file()));

    const std::string bytes = readAll(file());
    EXPECT_EQ(bytes.substr(0, 5), "LVF\xFF\xFF"s);
    History loaded;
    ASSERT_EQ(query::LoadListViewFile(loaded, file()).status, LoadStatus::Loaded);
    ASSERT_EQ(loaded.count(), 65535u);
    EXPECT_EQ(row(loaded.entry(0)), "65536|-1|" + longest + "|0.00|0");
    EXPECT_EQ(row(loaded.entry(1)), "65535|-1|SELECT 65535|0.00|65535");
    EXPECT_EQ(row(loaded.entry(65534)), "2|-1|SELECT 2|0.00|2");
}

TEST_F(HistoryFileTest, TextsAtTheLimitAreKeptAndBeyondItAreLeftOut)
{
    const std::string atLimit(65535, 'c');
    const std::string beyond(65536, 'b');
    History history;
    history.append({"1", -1, {"SELECT 1", "0.00", "1"}});
    history.append({beyond, -1, {"SELECT 2", "0.00", "1"}});
    history.append({"3", -1, {"SELECT 3", "0.00", beyond}});
    history.append({"4", -1, std::vector<std::string>(65536)});
    history.append({atLimit, -1, std::vector<std::string>(65535, atLimit.substr(0, 1))});
    ASSERT_TRUE(query::SaveListViewFile(history, file()));
    History loaded;
    ASSERT_EQ(query::LoadListViewFile(loaded, file()).status, LoadStatus::Loaded);
    ASSERT_EQ(loaded.count(), 2u);
    EXPECT_EQ(loaded.entry(0), history.entry(0));
    EXPECT_EQ(loaded.entry(1), history.entry(4));
}

TEST_F(HistoryFileTest, SaveReplacesTheFileAndLeavesNothingElse)
{
    writeAll(file(), "previous");
    ASSERT_EQ(::chmod(file().c_str(), 0640), 0);
    History history;
    history.UpdateHistory("select 1", 1500, 1);
    history.UpdateHistory("SELECT 'Größe'", 250, 3);
    ASSERT_TRUE(query::SaveListViewFile(history, file()));
    EXPECT_EQ(readAll(file()), twoEntries);
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"History.sql"});
    struct stat st {};
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(HistoryFileTest, SaveThroughALinkReplacesTheFileItNames)
{
    std::filesystem::create_directory(dir.file("real"));
    writeAll(dir.file("real/History.sql"), "previous");
    std::filesystem::create_symlink(dir.file("real/History.sql"), file());
    History history;
    history.UpdateHistory("select 1", 1500, 1);
    history.UpdateHistory("SELECT 'Größe'", 250, 3);
    ASSERT_TRUE(query::SaveListViewFile(history, file()));
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(readAll(dir.file("real/History.sql")), twoEntries);
    EXPECT_EQ(folderNames(dir.file("real")), std::vector<std::string>{"History.sql"});
}

TEST_F(HistoryFileTest, FailedSaveKeepsThePreviousFile)
{
    writeAll(file(), twoEntries);
    History history;
    for (int i = 0; i < 1000; ++i)
        history.UpdateHistory("SELECT " + std::to_string(i), 0, 1);
    // The child may write no file beyond 1,000 bytes, so the save fails part way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
        std::string error;
        const bool saved = query::SaveListViewFile(history, file(), &error);
        _exit(saved ? 0 : error.rfind("Could not save \"History.sql\": ", 0) == 0 ? 3 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(readAll(file()), twoEntries);
    EXPECT_EQ(folderNames(dir.path()), std::vector<std::string>{"History.sql"});
}

TEST_F(HistoryFileTest, SaveIntoAMissingFolderFailsWithAMessage)
{
    History history;
    history.UpdateHistory("SELECT 1", 0, 1);
    std::string error;
    EXPECT_FALSE(query::SaveListViewFile(history, dir.file("missing/History.sql"), &error));
    EXPECT_EQ(error, "Could not save \"History.sql\": No such file or directory.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

} // namespace
