// The reader against real Access files: definitions and exact values.

#include "JetFixture.h"

#include "jetfile/reader/JetReader.h"

#include <gtest/gtest.h>

namespace {

using namespace jetfile;

std::vector<std::vector<Value>> rows(JetReader &r, const std::string &table)
{
    std::vector<std::vector<Value>> out;
    r.readRows(table, [&](const std::vector<Value> &v) { out.push_back(v); });
    return out;
}

const JetTable &table(const std::vector<JetTable> &tables, const std::string &name)
{
    for (const JetTable &t : tables)
        if (t.name == name)
            return t;
    throw std::runtime_error("no table " + name);
}

class JetReaderTest : public ::testing::TestWithParam<const char *> {
protected:
    JetFiles files;
};

// The same two rows in the Jet 3 and the Jet 4 file: every type exact.
TEST_P(JetReaderTest, Table1ValuesExact)
{
    JetReader r(files.copy(GetParam()));
    auto all = rows(r, "Table1");
    ASSERT_EQ(all.size(), 2u);
    std::sort(all.begin(), all.end(), [](auto &a, auto &b) { return std::get<std::string>(a[0]) < std::get<std::string>(b[0]); });
    const auto &v = all[1];
    EXPECT_EQ(std::get<std::string>(v[0]), "abcdefg");
    EXPECT_EQ(std::get<std::string>(v[1]), "hijklmnop");
    EXPECT_EQ(std::get<std::int64_t>(v[2]), 2);
    EXPECT_EQ(std::get<std::int64_t>(v[3]), 222);
    EXPECT_EQ(std::get<std::int64_t>(v[4]), 333333333);
    EXPECT_DOUBLE_EQ(std::get<double>(v[5]), 444.555);
    EXPECT_EQ(std::get<Date>(v[6]).serial, 27293.0); // 1974-09-21
    EXPECT_EQ(std::get<Currency>(v[7]).units, 35000);
    EXPECT_EQ(std::get<bool>(v[8]), true);
    EXPECT_EQ(std::get<bool>(all[0][8]), false);
}

TEST_P(JetReaderTest, ColumnsWithJetTypesAndSizes)
{
    JetReader r(files.copy(GetParam()));
    const auto tables = r.tables();
    const JetTable &t = table(tables, "Table1");
    std::vector<std::pair<int, int>> types;
    for (const JetColumn &c : t.columns)
        types.emplace_back(c.daoType, c.size);
    const std::vector<std::pair<int, int>> expected{{10, 50}, {10, 100}, {2, 1}, {3, 2}, {4, 4}, {7, 8}, {8, 8}, {5, 8}, {1, 1}};
    EXPECT_EQ(types, expected);
    EXPECT_TRUE(table(tables, "Table3").columns[0].autoNumber);
    EXPECT_EQ(t.columns[2].defaultValue, "0");
    for (const JetTable &x : tables)
        EXPECT_FALSE(x.system) << x.name;
}

INSTANTIATE_TEST_SUITE_P(Formats, JetReaderTest, ::testing::Values("testV1997.mdb", "testV2003.mdb"),
                         [](const auto &info) { return std::string(info.param).substr(0, 9); });

TEST(JetReader, IndexesAndRelations)
{
    JetFiles files;
    JetReader r(files.copy("indexTestV2000.mdb"));
    const auto tables = r.tables();
    const JetTable &t = table(tables, "Table1");
    ASSERT_EQ(t.indexes.size(), 2u);
    const auto primary = std::find_if(t.indexes.begin(), t.indexes.end(), [](auto &i) { return i.primary; });
    ASSERT_NE(primary, t.indexes.end());
    EXPECT_EQ(primary->name, "PrimaryKey");
    EXPECT_TRUE(primary->unique);
    ASSERT_EQ(primary->fields.size(), 1u);
    EXPECT_EQ(primary->fields[0].name, "id");

    std::vector<std::string> seen;
    for (const JetRelation &rel : r.relations()) {
        std::string text = rel.name + ": " + rel.table + " -> " + rel.foreignTable + " " + std::to_string(rel.attributes);
        for (const auto &[p, f] : rel.fields)
            text += " " + p + "=" + f;
        seen.push_back(text);
    }
    const std::vector<std::string> expected{
        "MSysNavPaneGroupCategoriesMSysNavPaneGroups: MSysNavPaneGroupCategories -> MSysNavPaneGroups 4352 Id=GroupCategoryID",
        "MSysNavPaneGroupsMSysNavPaneGroupToObjects: MSysNavPaneGroups -> MSysNavPaneGroupToObjects 4352 Id=GroupID",
        "Table2Table1: Table2 -> Table1 4096 id=otherfk1",
        "Table3Table1: Table3 -> Table1 256 id=otherfk2"};
    EXPECT_EQ(seen, expected);
}

TEST(JetReader, EncodedPagesRead)
{
    JetFiles files;
    JetReader r(files.copy("db97-enc.mdb"));
    const auto all = rows(r, "Table1");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::get<std::string>(all[1][1]), "world");
    EXPECT_EQ(std::get<std::int64_t>(all[1][2]), 42);
}

TEST(JetReader, SavedQueriesOfEveryKindWithTypes)
{
    JetFiles files;
    JetReader r(files.copy("queryTestV1997.mdb"));
    std::vector<std::pair<std::string, int>> kinds;
    for (const JetQuery &q : r.queries())
        kinds.emplace_back(q.name, q.daoType);
    const std::vector<std::pair<std::string, int>> expected{
        {"AppendQuery", 64}, {"CrosstabQuery", 16}, {"DataDefinitionQuery", 96}, {"DeleteQuery", 32},
        {"MakeTableQuery", 80}, {"PassthroughQuery", 112}, {"SelectQuery", 0}, {"UnionQuery", 128},
        {"UpdateQuery", 48}};
    EXPECT_EQ(kinds, expected);
}

TEST(JetReader, DocumentsOfTheContainersWithDates)
{
    JetFiles files;
    JetReader r(files.copy("queryTestV1997.mdb"));
    bool found = false;
    for (const JetDocument &d : r.documents())
        if (d.container == "Tables" && d.name == "SelectQuery") {
            found = true;
            EXPECT_GT(d.created, 40000.0); // 2010
            EXPECT_GE(d.updated, d.created);
        }
    EXPECT_TRUE(found);
}

// A chosen code page that keeps ASCII reads the file; an unknown one is refused before it
// could turn the catalogue's names into question marks.
TEST(JetReader, ChosenCharset)
{
    JetFiles files;
    const std::string path = files.copy("testV1997.mdb");
    JetReader r(path, "CP1251");
    EXPECT_EQ(rows(r, "Table1").size(), 2u);
    try {
        JetReader bad(path, "NO-SUCH-CHARSET");
        FAIL() << "an unknown charset was taken";
    } catch (const JetError &e) {
        EXPECT_STREQ(e.what(), "the text encoding 'NO-SUCH-CHARSET' is unknown");
    }
}

TEST(JetReader, NotAnAccessFileIsAnError)
{
    JetFiles files;
    writeAll(files.dir.file("x.mdb"), std::string(8192, 'x'));
    EXPECT_THROW(JetReader(files.dir.file("x.mdb")), JetError);
}

} // namespace
