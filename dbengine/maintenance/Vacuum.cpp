#include "Vacuum.h"

#include "Connection.h"
#include "Failure.h"
#include "Statement.h"
#include "TempFile.h"
#include "dbengine/ErrorCodes.h"

#include <sqlite3.h>

namespace dbengine::maintenance {

namespace {

bool damageCode(int rc)
{
    return (rc & 0xff) == SQLITE_CORRUPT;
}

} // namespace

void keepJournalMode(Connection &source, const TempFile &copy)
{
    std::string mode;
    if (source.tryText("PRAGMA journal_mode", mode) != SQLITE_ROW || mode != "wal")
        return;
    Connection target(copy.path(), Connection::Mode::ReadWrite);
    target.exec("PRAGMA journal_mode=WAL");
}

bool isSound(Connection &db, bool thorough)
{
    std::string result;
    const int rc = db.tryText(thorough ? "PRAGMA integrity_check(1)" : "PRAGMA quick_check(1)", result);
    if (rc == SQLITE_ROW)
        return result == "ok";
    if (damageCode(rc))
        return false;
    db.failWith(rc);
}

void copyInto(Connection &source, const TempFile &temp)
{
    Statement vacuum(source, "VACUUM INTO ?1");
    vacuum.bind(1, temp.path());
    const int rc = vacuum.tryStep();
    if (rc != SQLITE_DONE) {
        const int primary = rc & 0xff;
        // Reading faults belong to the source, writing faults to the new file.
        if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_BUSY
            || primary == SQLITE_LOCKED)
            source.failWith(rc);
        failSqlite(rc, temp.target(), source.errorMessage());
    }
    keepJournalMode(source, temp);
}

void compactInto(const std::string &source, const TempFile &temp)
{
    Connection db(source, Connection::Mode::ReadOnly);
    if (!isSound(db, false))
        fail(err::Damaged, quotedName(source) + " is damaged; repair it first.");
    copyInto(db, temp);
}

} // namespace dbengine::maintenance
