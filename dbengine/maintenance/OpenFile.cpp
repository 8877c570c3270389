#include "OpenFile.h"

#include "Failure.h"

#include <sqlite3.h>

namespace dbengine::maintenance {

namespace {
constexpr int busyTimeoutMs = 2000;
}

Connection openFile(const std::string &path, Access access, bool uriTargets)
{
    const int flags = (access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)
                      | (uriTargets ? SQLITE_OPEN_URI : 0);
    Connection db(path, flags, failSqlite);
    db.setBusyTimeout(busyTimeoutMs);
    return db;
}

} // namespace dbengine::maintenance
