// The access object and the script runner on the real engine and real files.

#include "automation/Error.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "query/core/ScriptRunner.h"
#include "query/core/ScriptSink.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>

using automation::Variant;

namespace {

class AccessOnEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        dbengine::registerEngine();
        access.setDAOType(2);
        access.setEngineActive(true);
        ASSERT_TRUE(access.EngineActive()) << access.LastError;
        path = dir.file("shop.mdb");
        Variant ws = access.Engine.call("CreateWorkspace", {"setup", "admin", "", 2});
        Variant db = ws.call("CreateDatabase", {path});
        for (const char *sql : {"CREATE TABLE Items (Id INTEGER PRIMARY KEY, Name TEXT(12), Price CURRENCY, "
                                "Added DATETIME, Photo LONGBINARY)",
                                "INSERT INTO Items VALUES (1, 'Pen', 1.5, '2024-02-03', NULL), "
                                "(2, 'Notebook with a long name', 12, '2024-02-04 10:30:00', x'0102')",
                                "CREATE TABLE Tags (ItemId LONG REFERENCES Items, Tag TEXT(8))"})
            db.call("Execute", {sql});
        db.call("CreateQueryDef", {"Cheap", "SELECT * FROM Items WHERE Price < 5"});
        ws.call("Close");
    }

    bool open(const std::string &user = "admin", const std::string &password = "")
    {
        access.UserName = user;
        access.Password = password;
        access.setWorkspaceOpen(true);
        if (!access.WorkspaceOpen())
            return false;
        access.DatabaseName = path;
        access.setDatabaseOpen(true);
        return access.DatabaseOpen();
    }

    TempDir dir;
    std::string path;
    engine::TMSAccess access;
};

TEST_F(AccessOnEngine, OpensAndAnswersTheWindowsQuestions)
{
    ASSERT_TRUE(open()) << access.LastError;
    EXPECT_EQ(access.LastError, "");
    EXPECT_EQ(access.GetEngineVersion(), "3.6");
    EXPECT_EQ(access.GetWorkspaceName(), "#Default Workspace#");
    EXPECT_EQ(access.GetCurrentUser(), "admin");
    EXPECT_EQ(access.GetDatabaseName(), path);
    EXPECT_FALSE(access.GetDatabaseVersion().empty());
    EXPECT_EQ(access.TableDefCount(), 3);
    EXPECT_EQ(access.GetTableDef(2).get("Name").toText(), "Tags");
    EXPECT_EQ(access.QueryDefCount(), 1);
    EXPECT_EQ(access.GetQueryDefByName("cheap").get("Type").toInt(), 0);
    EXPECT_EQ(access.RelationCount(), 1);
    EXPECT_EQ(access.GetRelation(0).get("Name").toText(), "ItemsTags");
    EXPECT_EQ(access.FindDocument("Items").get("Name").toText(), "Items");
    EXPECT_TRUE(access.FindDocument("ITEMS").isEmpty());
    access.setWorkspaceOpen(false);
    EXPECT_FALSE(access.DatabaseOpen());
    EXPECT_TRUE(access.Database.isNull());
}

TEST_F(AccessOnEngine, AFailedOpenLeavesTheWorkspaceOpenWithTheEngineMessage)
{
    path = dir.file("missing.mdb");
    EXPECT_FALSE(open());
    EXPECT_TRUE(access.WorkspaceOpen());
    EXPECT_NE(access.LastError.find("Could not find file"), std::string::npos) << access.LastError;
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(AccessOnEngine, AWrongLoginFailsTheWorkspaceStep)
{
    EXPECT_FALSE(open("admin", "secret"));
    EXPECT_FALSE(access.WorkspaceOpen());
    EXPECT_EQ(access.LastError, "Not a valid account name or password.");
    EXPECT_TRUE(open());
}

TEST_F(AccessOnEngine, MaintenanceGoesThroughTheEngine)
{
    access.EncryptDatabase(path, dir.file("sealed.mdb"), "pw;with;semicolons");
    EXPECT_THROW(access.DecryptDatabase(dir.file("sealed.mdb"), dir.file("back.mdb"), "pw"), automation::Error);
    access.DecryptDatabase(dir.file("sealed.mdb"), dir.file("back.mdb"), "pw;with;semicolons");
    access.CompactDatabase(dir.file("back.mdb"), dir.file("compact.mdb"));
    access.RepairDatabase(dir.file("compact.mdb"));
    path = dir.file("compact.mdb");
    ASSERT_TRUE(open()) << access.LastError;
    EXPECT_EQ(access.GetTableDefByName("Items").get("RecordCount").toInt(), 2);
}

class CollectingSink : public query::ScriptSink {
public:
    std::string text;
    std::int32_t lines = 0;
    std::string status;
    std::vector<std::string> history;
    void clearResult() override { text.clear(), lines = 0; }
    void addLine(const std::string &line) override { text += line + "\n", ++lines; }
    std::int32_t lineCount() const override { return lines; }
    void setStatus(int panel, const std::string &s) override
    {
        if (panel == 3)
            status = s;
    }
    void processMessages() override {}
    void repaint() override {}
    void historyUpdate(const std::string &sql, std::uint32_t, std::int32_t records) override
    {
        history.push_back(sql + " -> " + std::to_string(records));
    }
};

// Times depend on the machine; everything else is compared to the character.
std::string withoutTimes(const std::string &text)
{
    return std::regex_replace(text, std::regex("[0-9]+\\.[0-9]{2} s"), "#.## s");
}

TEST_F(AccessOnEngine, ScriptRunsWithTheExactResultText)
{
    ASSERT_TRUE(open()) << access.LastError;
    CollectingSink sink;
    query::ScriptRunner runner(sink);
    runner.CurrentDatabase = access.GetDatabase();
    runner.run(query::ScriptRunner::ScriptFromLines({
        "-- prices",
        "select Id, Name, Price, Added, Photo from Items;",
        "UPDATE Items SET Price = Price + 10 WHERE Id = 1;",
        "SELECT * FROM Cheap; SELECT nope FROM Items",
    }));
    auto row = [](std::vector<std::pair<std::string, std::size_t>> cells) {
        std::string line;
        for (auto &[text, width] : cells)
            line += text + std::string(width > text.size() ? width - text.size() : 0, ' ');
        return line;
    };
    const std::string all = withoutTimes(sink.text);
    // Widths: Long 6, Text(12) 12, Currency 8, Date 22, LongBinary of size 0 gets 50; two
    // spaces of separation each. A longer value pushes the columns after it.
    const std::string header = row({{"Id", 8}, {"Name", 14}, {"Price", 10}, {"Added", 24}, {"Photo", 52}});
    EXPECT_EQ(all.substr(0, header.size() + 1), header + "\n");
    EXPECT_NE(all.find("\n" + std::string(header.size(), '-') + "\n"), std::string::npos) << all;
    EXPECT_NE(all.find("\n" + row({{"1", 8}, {"Pen", 14}, {"1.5", 10}, {"2024-02-03", 24}, {"(null)", 52}}) + "\n"),
              std::string::npos) << all;
    EXPECT_NE(all.find("\n" + row({{"2", 8}, {"Notebook with a long name", 14}, {"12", 10},
                                    {"2024-02-04 10:30:00", 24}, {"<Error>", 52}}) + "\n"),
              std::string::npos) << all;
    EXPECT_NE(all.find("\n2 row(s) affected\nExec time: #.## s / Fetch time #.## s\n\n\n1 row(s) affected\n"),
              std::string::npos) << all;
    EXPECT_NE(all.find("\n0 row(s) affected\n"), std::string::npos) << all; // Cheap is empty after the update
    EXPECT_NE(all.find("\n\nNo such column: nope.\n\n"), std::string::npos) << all;
    EXPECT_EQ(withoutTimes(sink.status), "Total time: #.## s / 4 statement(s)");
    EXPECT_EQ(sink.history, (std::vector<std::string>{"select Id, Name, Price, Added, Photo from Items -> 2",
                                                      "UPDATE Items SET Price = Price + 10 WHERE Id = 1 -> 1",
                                                      "SELECT * FROM Cheap -> 0"}));
}

} // namespace
