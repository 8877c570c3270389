#include "Failure.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"

#include <cerrno>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace dbengine::maintenance {

namespace {

const char *const errorSource = "DAO.DBEngine";

std::string systemText(int error)
{
    std::string text = std::error_code(error, std::generic_category()).message();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = char(text[0] - 'A' + 'a');
    return text;
}

} // namespace

std::string quotedName(const std::string &path)
{
    std::string name = std::filesystem::path(path).filename().string();
    return "'" + (name.empty() ? path : name) + "'";
}

void fail(std::int32_t code, const std::string &message)
{
    throw automation::Error(message, code, errorSource);
}

void failReading(int error, const std::string &path)
{
    const std::string name = quotedName(path);
    if (error == ENOENT || error == ENOTDIR)
        fail(err::FileNotFound, "Could not find the file " + name + ".");
    if (error == EISDIR)
        fail(err::NotADatabase, name + " is a folder, not a database file.");
    fail(err::IoError, "Could not read " + name + ": " + systemText(error) + ".");
}

void failWriting(int error, const std::string &path)
{
    const std::string name = quotedName(path);
    if (error == EACCES || error == EPERM || error == EROFS)
        fail(err::ReadOnlyFile, "Could not write " + name + ": " + systemText(error) + ".");
    if (error == ENOENT || error == ENOTDIR)
        fail(err::FileNotFound, "Could not write " + name + ": its folder does not exist.");
    if (error == ENOSPC || error == EDQUOT)
        fail(err::IoError, "Could not write " + name + ": the disk is full.");
    fail(err::IoError, "Could not write " + name + ": " + systemText(error) + ".");
}

void failSqlite(int rc, const std::string &path, const std::string &detail)
{
    const std::string name = quotedName(path);
    if (rc == SQLITE_READONLY_ROLLBACK)
        fail(err::Damaged, name + " was left with an unfinished change by a program that "
                                  "stopped; repair it first.");
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
        fail(err::NotADatabase, name + " is not a database file.");
    case SQLITE_CORRUPT:
        fail(err::Damaged, name + " is damaged; repair it first.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        fail(err::FileInUse, name + " is in use by another program; try again once it is closed.");
    case SQLITE_READONLY:
        fail(err::ReadOnlyFile, name + " is read-only.");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        fail(err::ReadOnlyFile, "Access to " + name + " was refused.");
    case SQLITE_FULL:
        fail(err::IoError, "There is not enough disk space to write " + name + ".");
    case SQLITE_IOERR:
        fail(err::IoError, "Reading or writing " + name + " failed: " + detail + ".");
    case SQLITE_CANTOPEN:
        fail(err::IoError, name + " could not be opened.");
    case SQLITE_NOMEM:
        fail(err::General, "There is not enough memory to process " + name + ".");
    default:
        fail(err::General, "SQLite refused to process " + name + ": " + detail + ".");
    }
}

bool isEnvironmentFailure(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_NOMEM:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_INTERRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_MISUSE:
        return true;
    default:
        return false;
    }
}

} // namespace dbengine::maintenance
