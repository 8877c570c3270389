#include "RowWalker.h"

#include "Failure.h"
#include "dbengine/Sqlite.h"

#include <limits>
#include <sqlite3.h>
#include <utility>

namespace dbengine::maintenance {

namespace {
constexpr std::int64_t lowestRowid = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t highestRowid = std::numeric_limits<std::int64_t>::max();
} // namespace

RowWalker::RowWalker(Connection &db, Table table) : db_(db), table_(std::move(table)) {}

void RowWalker::visit(const Visitor &visitor)
{
    if (!table_.rowidName.empty()) {
        walkByRowid(visitor);
        return;
    }
    Statement forward(db_, "SELECT " + table_.columns + " FROM " + table_.name);
    if (stepAll(forward, visitor, nullptr) || table_.keyOrder.empty())
        return;
    Statement backward(db_, "SELECT " + table_.columns + " FROM " + table_.name + " ORDER BY "
                                + table_.keyOrder);
    stepAll(backward, visitor, nullptr);
}

void RowWalker::walkByRowid(const Visitor &visitor)
{
    const std::string &rowid = table_.rowidName;
    Statement scan(db_, "SELECT " + table_.columns + ", " + rowid + " FROM " + table_.name
                            + " WHERE " + rowid + " >= ?1 ORDER BY " + rowid);
    std::int64_t from = lowestRowid;
    for (;;) {
        scan.reset();
        scan.bind(1, from);
        std::optional<std::int64_t> last;
        if (stepAll(scan, visitor, &last))
            return;
        // The scan from `from` failed right away, or after the row `last`.
        const std::int64_t failedAt = last ? *last : from;
        if (failedAt == highestRowid)
            return;
        const std::optional<std::int64_t> next = firstReadableFrom(scan, failedAt + 1);
        if (!next)
            return;
        from = *next;
    }
}

bool RowWalker::stepAll(Statement &statement, const Visitor &visitor,
                        std::optional<std::int64_t> *lastRowid)
{
    for (;;) {
        const int rc = statement.tryStep();
        if (rc == SQLITE_DONE)
            return true;
        if (rc != SQLITE_ROW) {
            if (isEnvironmentFailure(rc))
                db_.fail(rc);
            return false;
        }
        visitor(statement);
        if (lastRowid)
            *lastRowid = statement.integer(statement.columnCount() - 1);
    }
}

bool RowWalker::readsFrom(Statement &scan, std::int64_t rowid)
{
    scan.reset();
    scan.bind(1, rowid);
    const int rc = scan.tryStep();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && isEnvironmentFailure(rc))
        db_.fail(rc);
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

std::optional<std::int64_t> RowWalker::firstReadableFrom(Statement &scan, std::int64_t lowest)
{
    if (readsFrom(scan, lowest))
        return lowest;
    // Gallop forward until a start reads again, then halve the gap back to its first rowid.
    std::int64_t bad = lowest;
    std::int64_t good = 0;
    for (std::uint64_t step = 1;; step *= 2) {
        if (bad == highestRowid)
            return std::nullopt;
        // Unsigned arithmetic: the distances span the whole signed range.
        const bool overshoots = step > std::uint64_t(highestRowid) - std::uint64_t(bad);
        const std::int64_t probe =
            overshoots ? highestRowid : std::int64_t(std::uint64_t(bad) + step);
        if (readsFrom(scan, probe)) {
            good = probe;
            break;
        }
        bad = probe;
    }
    while (std::uint64_t(good) - std::uint64_t(bad) > 1) {
        const std::uint64_t half = (std::uint64_t(good) - std::uint64_t(bad)) / 2;
        const std::int64_t middle = std::int64_t(std::uint64_t(bad) + half);
        (readsFrom(scan, middle) ? good : bad) = middle;
    }
    return good;
}

} // namespace dbengine::maintenance
