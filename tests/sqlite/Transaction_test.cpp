#include "SqliteFile.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <memory>
#include <type_traits>
#include <utility>

using dbengine::Connection;
using dbengine::Transaction;

namespace {

using TransactionTest = SqliteFile;

TEST_F(TransactionTest, RollsBackWhenLeftUncommitted)
{
    Connection db = open();
    {
        Transaction t(db);
        insert(db, "a");
        EXPECT_EQ(values(db), Values{"a"});
    }
    EXPECT_FALSE(inTransaction(db));
    EXPECT_EQ(values(db), Values{});
    EXPECT_EQ(committed(), Values{});
}

TEST_F(TransactionTest, RollsBackWhenAnExceptionLeavesTheScope)
{
    Connection db = open();
    EXPECT_THROW(
        {
            Transaction t(db);
            insert(db, "a");
            insert(db, "a"); // breaks the UNIQUE constraint
            t.commit();
        },
        automation::Error);
    EXPECT_FALSE(inTransaction(db));
    EXPECT_EQ(committed(), Values{});
}

TEST_F(TransactionTest, CommitKeepsTheChangesForOtherConnections)
{
    Connection db = open();
    Transaction t(db);
    insert(db, "a");
    EXPECT_EQ(committed(), Values{});
    t.commit();
    EXPECT_FALSE(inTransaction(db));
    EXPECT_EQ(committed(), Values{"a"});
}

// A second COMMIT would end whatever transaction was begun after the first.
TEST_F(TransactionTest, SecondCommitIsRefusedAndLeavesALaterTransactionAlone)
{
    Connection db = open();
    Transaction t(db);
    insert(db, "a");
    t.commit();

    db.exec("BEGIN");
    insert(db, "b");
    try {
        t.commit();
        FAIL() << "a second commit was accepted";
    } catch (const automation::Error &error) {
        EXPECT_EQ(error.code(), dbengine::err::General);
    }
    EXPECT_TRUE(inTransaction(db));
    EXPECT_EQ(committed(), Values{"a"});
    db.exec("ROLLBACK");
    EXPECT_EQ(values(db), Values{"a"});
}

// A refused COMMIT (here a deferred foreign key) leaves the transaction open; the destructor
// must still roll it back.
TEST_F(TransactionTest, FailedCommitIsRolledBackByTheDestructor)
{
    Connection db = open();
    db.exec("PRAGMA foreign_keys = ON; CREATE TABLE child(p INTEGER REFERENCES t(id) DEFERRABLE INITIALLY DEFERRED)");
    {
        Transaction t(db);
        insert(db, "a");
        db.exec("INSERT INTO child VALUES (99)");
        try {
            t.commit();
            FAIL() << "a commit breaking a foreign key was accepted";
        } catch (const automation::Error &error) {
            EXPECT_EQ(error.code(), dbengine::err::SqlError);
        }
        EXPECT_TRUE(inTransaction(db));
    }
    EXPECT_FALSE(inTransaction(db));
    EXPECT_EQ(values(db), Values{});
    EXPECT_EQ(db.scalar("SELECT count(*) FROM child"), 0);
}

// A transaction begun in a helper and handed to the caller.
Transaction beginWith(Connection &db, const std::string &value)
{
    Transaction t(db);
    SqliteFile::insert(db, value);
    return t;
}

TEST_F(TransactionTest, MovedFromTransactionLeavesTheWorkToItsNewOwner)
{
    Connection db = open();
    auto first = std::make_unique<Transaction>(beginWith(db, "a"));
    Transaction taken(std::move(*first));
    first.reset(); // destroying the moved-from one rolls nothing back
    EXPECT_TRUE(inTransaction(db));
    EXPECT_EQ(values(db), Values{"a"});
    taken.commit();
    EXPECT_EQ(committed(), Values{"a"});
}

TEST_F(TransactionTest, MovedFromTransactionCannotCommit)
{
    Connection db = open();
    Transaction t = beginWith(db, "a");
    Transaction taken(std::move(t));
    EXPECT_THROW(t.commit(), automation::Error);
    EXPECT_TRUE(inTransaction(db));
    EXPECT_EQ(committed(), Values{});
}

static_assert(!std::is_copy_constructible_v<Transaction> && !std::is_copy_assignable_v<Transaction>);
static_assert(std::is_nothrow_move_constructible_v<Transaction>);

} // namespace
