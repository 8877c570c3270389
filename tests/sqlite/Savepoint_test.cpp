#include "SqliteFile.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <optional>
#include <ostream>
#include <type_traits>
#include <utility>

using dbengine::Connection;
using dbengine::Savepoint;
using dbengine::Transaction;

namespace {

struct NestingCase {
    const char *name;
    bool releaseInner;
    bool releaseOuter;
    Values expected;
};

// Cases print as their names.
void PrintTo(const NestingCase &c, std::ostream *out)
{
    *out << c.name;
}

class SavepointNesting : public SqliteFile, public ::testing::WithParamInterface<NestingCase> {};

// Outer savepoint writes "a", inner one "b"; each is released or left to its destructor.
TEST_P(SavepointNesting, KeepsExactlyWhatWasReleasedAllTheWayOut)
{
    const NestingCase &c = GetParam();
    Connection db = open();
    {
        Savepoint outer(db, "outer");
        insert(db, "a");
        {
            Savepoint inner(db, "inner");
            insert(db, "b");
            if (c.releaseInner)
                inner.release();
        }
        EXPECT_TRUE(inTransaction(db));
        if (c.releaseOuter)
            outer.release();
    }
    EXPECT_FALSE(inTransaction(db));
    EXPECT_EQ(committed(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Savepoint, SavepointNesting,
                         ::testing::Values(NestingCase{"BothReleased", true, true, {"a", "b"}},
                                           NestingCase{"InnerLeft", false, true, {"a"}},
                                           NestingCase{"OuterLeft", true, false, {}},
                                           NestingCase{"BothLeft", false, false, {}}),
                         [](const auto &info) { return std::string(info.param.name); });

using SavepointTest = SqliteFile;

TEST_F(SavepointTest, RollingBackInsideATransactionKeepsTheTransactionAndItsEarlierWork)
{
    Connection db = open();
    Transaction t(db);
    insert(db, "a");
    {
        Savepoint s(db, "step");
        insert(db, "b");
    }
    EXPECT_TRUE(inTransaction(db));
    EXPECT_EQ(values(db), Values{"a"});
    t.commit();
    EXPECT_EQ(committed(), Values{"a"});
}

TEST_F(SavepointTest, SecondReleaseIsRefusedAndLeavesALaterSavepointOfTheSameNameAlone)
{
    Connection db = open();
    Transaction t(db);
    Savepoint first(db, "step");
    first.release();
    db.exec("SAVEPOINT step");
    insert(db, "b");
    try {
        first.release();
        FAIL() << "a second release was accepted";
    } catch (const automation::Error &error) {
        EXPECT_EQ(error.code(), dbengine::err::General);
    }
    db.exec("ROLLBACK TO step");
    EXPECT_EQ(values(db), Values{});
}

// Names are quoted, so any text is a name and none is run as SQL.
TEST_F(SavepointTest, NameIsQuoted)
{
    Connection db = open();
    {
        Savepoint s(db, "two words \"and\" quotes; DELETE FROM t");
        insert(db, "a");
        s.release();
    }
    EXPECT_EQ(committed(), Values{"a"});
}

TEST_F(SavepointTest, MovedFromSavepointLeavesTheWorkToItsNewOwner)
{
    Connection db = open();
    std::optional<Savepoint> first(std::in_place, db, "step");
    insert(db, "a");
    Savepoint taken(std::move(*first));
    first.reset(); // destroying the moved-from one rolls nothing back
    EXPECT_TRUE(inTransaction(db));
    EXPECT_EQ(values(db), Values{"a"});
    taken.release();
    EXPECT_EQ(committed(), Values{"a"});
}

TEST_F(SavepointTest, MovedFromSavepointCannotRelease)
{
    Connection db = open();
    Savepoint s(db, "step");
    Savepoint taken(std::move(s));
    EXPECT_THROW(s.release(), automation::Error);
    EXPECT_TRUE(inTransaction(db));
}

static_assert(!std::is_copy_constructible_v<Savepoint> && !std::is_copy_assignable_v<Savepoint>);

} // namespace
