#include "DatabaseFile.h"

#include "ErrorCodes.h"
#include "automation/Error.h"
#include "maintenance/Maintenance.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine {

using automation::Error;

namespace {

std::string fileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

Error fileError(const std::string &message, std::int32_t code)
{
    return Error(message, code, "DAO.Workspace");
}

} // namespace

// Reads the first 100 bytes of the file; SQLite is not asked.
void checkDatabaseFile(const std::string &path, bool forWriting)
{
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        throw fileError("Could not find file '" + path + "'.", err::FileNotFound);
    if (!S_ISREG(st.st_mode))
        throw fileError("'" + path + "' is not a database file.", err::NotADatabase);
    if (maintenance::isSealed(path))
        throw fileError("The database '" + fileName(path)
                            + "' is encrypted; decrypt it with its password (Tools, Decrypt) before opening it.",
                        err::Encrypted);
    unsigned char header[100] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fileError("The file '" + fileName(path) + "' cannot be read: " + std::strerror(errno) + ".",
                        err::IoError);
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got < 100 || std::memcmp(header, "SQLite format 3", 16) != 0)
        throw fileError("'" + fileName(path) + "' is not a database file.", err::NotADatabase);
    unsigned pageSize = (unsigned(header[16]) << 8) | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    const std::uint32_t pages = (std::uint32_t(header[28]) << 24) | (std::uint32_t(header[29]) << 16)
                                | (std::uint32_t(header[30]) << 8) | header[31];
    const bool countValid = std::memcmp(header + 24, header + 92, 4) == 0 && pages != 0;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 || st.st_size % pageSize != 0
        || (countValid && std::uint64_t(st.st_size) < std::uint64_t(pages) * pageSize))
        throw fileError("The database '" + fileName(path)
                            + "' is damaged or truncated; repair it with Tools, Repair.",
                        err::Damaged);
    if (forWriting && ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0))
        throw fileError("The file '" + fileName(path) + "' is read-only; open it read-only.",
                        err::ReadOnlyFile);
}

void refuseWorkgroupFile(const std::string &path)
{
    unsigned char id[4] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    const bool read = ::pread(fd, id, 4, 68) == 4;
    ::close(fd);
    // "JWMW" in the application id: the accounts of a workgroup, which only the engine reads.
    if (read && std::memcmp(id, "JWMW", 4) == 0)
        throw fileError("'" + fileName(path)
                            + "' is a workgroup information file; choose it as the system database.",
                        err::NotADatabase);
}

} // namespace dbengine
