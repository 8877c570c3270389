#include "SqliteFile.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <memory>
#include <ostream>
#include <type_traits>
#include <utility>

using dbengine::Connection;
using dbengine::Statement;

namespace {

using StatementTest = SqliteFile;

TEST_F(StatementTest, ResetKeepsTheBoundValuesAndRebindingReplacesThem)
{
    Connection db = open();
    Statement st(db, "SELECT ?1 || '-' || ?2");
    st.bind(1, "a");
    st.bind(2, std::int64_t(7));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text(0), "a-7");
    EXPECT_FALSE(st.step());

    st.reset();
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text(0), "a-7");

    st.reset();
    st.bind(1, "b");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text(0), "b-7");

    st.reset();
    st.bindNull(2);
    ASSERT_TRUE(st.step());
    EXPECT_TRUE(st.isNull(0));
}

TEST_F(StatementTest, OneInsertServesManyRows)
{
    Connection db = open();
    Statement add(db, "INSERT INTO t(v) VALUES (?1)");
    for (const char *value : {"a", "b", "c"}) {
        add.reset();
        add.bind(1, value);
        EXPECT_EQ(add.tryStep(), SQLITE_DONE);
    }
    EXPECT_EQ(committed(), (Values{"a", "b", "c"}));
}

TEST_F(StatementTest, BindRowCopiesEveryColumnWithItsType)
{
    Connection db = open();
    db.exec("CREATE TABLE copy(i, s, n, r, b)");
    Statement row(db, "SELECT 42, 'text', NULL, 2.5, x'00ff'");
    ASSERT_TRUE(row.step());
    Statement insert(db, "INSERT INTO copy VALUES (?1, ?2, ?3, ?4, ?5)");
    insert.bindRow(row);
    insert.step();
    EXPECT_EQ(db.text("SELECT typeof(i) || typeof(s) || typeof(n) || typeof(r) || typeof(b) FROM copy"),
              "integertextnullrealblob");
    EXPECT_EQ(db.text("SELECT i || '|' || s || '|' || r || '|' || hex(b) FROM copy"), "42|text|2.5|00FF");
}

TEST_F(StatementTest, RefusedStepGivesTheCodeOrThrows)
{
    Connection db = open();
    insert(db, "a");
    Statement again(db, "INSERT INTO t(v) VALUES ('a')");
    EXPECT_EQ(again.tryStep() & 0xff, SQLITE_CONSTRAINT);
    again.reset();
    try {
        again.step();
        FAIL() << "a broken constraint was accepted";
    } catch (const automation::Error &error) {
        EXPECT_EQ(error.code(), dbengine::err::SqlError);
        EXPECT_STREQ(error.what(), "UNIQUE constraint failed: t.v.");
    }
}

struct TailCase {
    const char *name;
    const char *sql;
    bool hasTail;
};

// Cases print as their names.
void PrintTo(const TailCase &c, std::ostream *out)
{
    *out << c.name;
}

class StatementTail : public SqliteFile, public ::testing::WithParamInterface<TailCase> {};

TEST_P(StatementTail, IsSeenOnlyWhenASecondStatementFollows)
{
    Connection db = open();
    EXPECT_EQ(Statement(db, GetParam().sql).hasTail(), GetParam().hasTail);
}

INSTANTIATE_TEST_SUITE_P(Statement, StatementTail,
                         ::testing::Values(TailCase{"One", "SELECT 1", false},
                                           TailCase{"Semicolon", "SELECT 1;", false},
                                           TailCase{"SemicolonsAndSpace", "SELECT 1 ;\r\n\t; ", false},
                                           TailCase{"Two", "SELECT 1; SELECT 2", true},
                                           TailCase{"TwoWithoutSpace", "SELECT 1;DELETE FROM t", true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(StatementTest, MovedStatementGoesOnWhereItWasAndTheMovedFromOneIsEmpty)
{
    Connection db = open();
    for (const char *value : {"a", "b"})
        insert(db, value);
    auto first = std::make_unique<Statement>(db, "SELECT v FROM t ORDER BY id");
    ASSERT_TRUE(first->step());
    EXPECT_EQ(first->text(0), "a");

    Statement taken(std::move(*first));
    EXPECT_FALSE(first->step());
    EXPECT_EQ(first->columnCount(), 0);
    EXPECT_EQ(first->handle(), nullptr);
    first.reset();

    ASSERT_TRUE(taken.step());
    EXPECT_EQ(taken.text(0), "b");
    EXPECT_FALSE(taken.step());
}

static_assert(!std::is_copy_constructible_v<Statement> && !std::is_copy_assignable_v<Statement>);

} // namespace
