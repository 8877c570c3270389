#include "Repair.h"

#include "Failure.h"
#include "Files.h"
#include "OpenFile.h"
#include "Salvage.h"
#include "TempFile.h"
#include "Vacuum.h"
#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <filesystem>

namespace dbengine::maintenance {

namespace {

[[noreturn]] void failBeyondRepair(const std::string &path)
{
    fail(err::Damaged, quotedName(path) + " is too badly damaged to repair: too little of it "
                                          "can be read to rebuild it. The file was left unchanged.");
}

bool salvageInto(Connection &source, const TempFile &temp)
{
    Connection target = openFile(temp.path(), Access::ReadWrite);
    try {
        if (!Salvage(source, target).run())
            return false;
    } catch (const automation::Error &error) {
        // Damage the salvage could not step around; anything else (disk, locks) is reported.
        if (error.code() != err::Damaged && error.code() != err::NotADatabase)
            throw;
        return false;
    }
    return isSound(target, true);
}

void rebuild(Connection &source, const TempFile &temp, const std::string &path)
{
    if (isSound(source, true)) {
        copyInto(source, temp);
        return;
    }
    if (!salvageInto(source, temp))
        failBeyondRepair(path);
    keepJournalMode(source, temp);
}

} // namespace

void repairDatabase(const std::string &path)
{
    requirePlainDatabase(path);
    // Rebuild the file a symbolic link points to, not the link.
    std::error_code error;
    const std::string file = std::filesystem::canonical(path, error).string();
    if (error)
        failReading(error.value(), path);
    {
        // Opening for writing lets SQLite roll back a change left unfinished by a program that
        // stopped, and take in a write-ahead log, before anything is read.
        Connection db = openFile(path, Access::ReadWrite);
        if (db.readOnly())
            fail(err::ReadOnlyFile, quotedName(path) + " is read-only; it cannot be repaired.");
        // Keeps other programs from writing between the rebuild and the switch.
        db.exec("PRAGMA locking_mode=EXCLUSIVE");
        TempFile temp(file);
        rebuild(db, temp, path);
        temp.sync();
        temp.commitReplacing();
    }
    // Whatever journal or log is left belonged to the old file; beside the new one SQLite would
    // apply it to pages it never described.
    removeSidecars(file);
}

} // namespace dbengine::maintenance
