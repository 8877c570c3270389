#include "Vacuum.h"

#include "Failure.h"
#include "OpenFile.h"
#include "TempFile.h"
#include "dbengine/ErrorCodes.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <string>
#include <unistd.h>

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
    Connection target = openFile(copy.path(), Access::ReadWrite);
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
    db.fail(rc);
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
            source.fail(rc);
        failSqlite(rc, temp.target(), source.errorMessage());
    }
    keepJournalMode(source, temp);
}

void compactInto(const std::string &source, const TempFile &temp)
{
    Connection db = openFile(source, Access::ReadOnly);
    if (!isSound(db, false))
        fail(err::Damaged, quotedName(source) + " is damaged; repair it first.");
    copyInto(db, temp);
}

MemoryCopy::MemoryCopy(const std::string &source)
{
    Connection db = openFile(source, Access::ReadOnly, true);
    if (!isSound(db, false))
        fail(err::Damaged, quotedName(source) + " is damaged; repair it first.");
    {
        // A named in-memory database lives while a connection has it open; the copy is written
        // into it through the source's connection and taken out through this one.
        static std::atomic<unsigned> serial{0};
        const std::string name = "jw-copy-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
        const Connection memory = Connection::memory(name, failSqlite, source);
        Statement vacuum(db, "VACUUM INTO ?1");
        vacuum.bind(1, Connection::memoryUri(name));
        const int vacuumed = vacuum.tryStep();
        if (vacuumed != SQLITE_DONE)
            db.fail(vacuumed);
        sqlite3_int64 size = 0;
        data_ = sqlite3_serialize(memory.handle(), "main", &size, 0);
        if (!data_)
            fail(err::General, "Not enough memory to copy " + quotedName(source) + ".");
        size_ = std::size_t(size);
        // The copy is in hand; the in-memory database goes at once.
    }
    // Write-ahead logging is a lasting setting of the database (header bytes 18 and 19 are 2);
    // VACUUM INTO always writes a rollback-journal file.
    std::string mode;
    if (size_ >= 20 && db.tryText("PRAGMA journal_mode", mode) == SQLITE_ROW && mode == "wal")
        data_[18] = data_[19] = 2;
}

MemoryCopy::~MemoryCopy()
{
    sqlite3_free(data_);
}

} // namespace dbengine::maintenance
