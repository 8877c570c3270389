#include "Files.h"

#include "Failure.h"
#include "SealedHeader.h"
#include "dbengine/ErrorCodes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine::maintenance {

namespace {

constexpr char sqliteMagic[] = "SQLite format 3"; // followed by a zero byte
constexpr std::size_t sqliteHeaderSize = 100;

FileKind kindOfOpenFile(const std::string &path, int fd)
{
    unsigned char header[sqliteHeaderSize] = {};
    std::size_t size = 0;
    while (size < sizeof header) {
        const ssize_t n = ::read(fd, header + size, sizeof header - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failReading(errno, path);
        if (n == 0)
            break;
        size += std::size_t(n);
    }
    if (size == 0)
        return FileKind::Empty;
    if (hasSealMagic(header, size))
        return FileKind::Sealed;
    // A database is at least its 100-byte header; a shorter file is no database.
    if (size == sqliteHeaderSize && std::memcmp(header, sqliteMagic, sizeof sqliteMagic) == 0)
        return FileKind::Database;
    return FileKind::Other;
}

bool sameFile(const std::string &a, const std::string &b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
           && sa.st_ino == sb.st_ino;
}

// The application id workgroup information files carry in their header (bytes 68 to 71).
constexpr unsigned char workgroupId[4] = {0x4A, 0x57, 0x4D, 0x57};

bool isWorkgroupFile(const std::string &path)
{
    unsigned char header[sqliteHeaderSize] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t n = ::read(fd, header, sizeof header);
    ::close(fd);
    return n == ssize_t(sizeof header) && std::memcmp(header + 68, workgroupId, 4) == 0;
}

} // namespace

std::string openProblem(const std::string &path)
{
    if (path.empty())
        return "No database file name was given.";
    const std::string name = quotedName(path);
    FileKind kind;
    try {
        kind = kindOf(path);
    } catch (const std::exception &e) {
        return e.what();
    }
    switch (kind) {
    case FileKind::Missing:
        return "Could not find the file " + name + ".";
    case FileKind::Folder:
        return name + " is a folder, not a database file.";
    case FileKind::Empty:
        return name + " is empty; it is not a database file.";
    case FileKind::Other:
        return name + " is not a database file.";
    case FileKind::Sealed:
        return "The database " + name
               + " is encrypted; decrypt it with its password (Tools, Decrypt) before opening it.";
    case FileKind::Database:
        break;
    }
    if (isWorkgroupFile(path))
        return name + " is a workgroup information file, not a database; choose it as the system database in "
                      "Preferences.";
    return {};
}

FileKind kindOf(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return FileKind::Missing;
        failReading(errno, path);
    }
    if (S_ISDIR(st.st_mode))
        return FileKind::Folder;
    // Pipes and devices are no databases, and reading one could wait for ever.
    if (!S_ISREG(st.st_mode))
        return FileKind::Other;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        failReading(errno, path);
    try {
        const FileKind kind = kindOfOpenFile(path, fd);
        ::close(fd);
        return kind;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

void requirePlainDatabase(const std::string &path)
{
    if (path.empty())
        fail(err::InvalidArgument, "No database file name was given.");
    const std::string name = quotedName(path);
    switch (kindOf(path)) {
    case FileKind::Database:
        return;
    case FileKind::Missing:
        fail(err::FileNotFound, "Could not find the file " + name + ".");
    case FileKind::Folder:
        fail(err::NotADatabase, name + " is a folder, not a database file.");
    case FileKind::Empty:
        fail(err::NotADatabase, name + " is empty; it is not a database file.");
    case FileKind::Sealed:
        fail(err::Encrypted, name + " is encrypted; decrypt it first.");
    case FileKind::Other:
        break;
    }
    fail(err::NotADatabase, name + " is not a database file.");
}

void requireNewDestination(const std::string &source, const std::string &destination)
{
    if (destination.empty())
        fail(err::InvalidArgument, "No destination file name was given.");
    const std::string name = quotedName(destination);
    struct stat st {};
    if (::lstat(destination.c_str(), &st) == 0) {
        if (sameFile(source, destination))
            fail(err::InvalidArgument, "The source and the destination are the same file ("
                                           + name + "); choose another destination.");
        fail(err::DestinationExists,
             name + " already exists; choose another name for the new file.");
    }
    const std::string folder = folderOf(destination);
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        fail(err::FileNotFound, "The folder for " + name + " does not exist.");
}

std::string folderOf(const std::string &path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

bool moveWithoutReplacing(const std::string &from, const std::string &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    if (errno != EINVAL && errno != ENOSYS)
        failWriting(errno, to);
    // File systems without the no-replace rename: a hard link fails as well if `to` exists.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST)
        return false;
    if (errno != EPERM && errno != EOPNOTSUPP)
        failWriting(errno, to);
    // Neither is available (some network and foreign file systems): check, then rename. Only
    // a file created in the moment between the two would be replaced.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return false;
    moveReplacing(from, to);
    return true;
}

void moveReplacing(const std::string &from, const std::string &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        failWriting(errno, to);
}

void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void removeSidecars(const std::string &path)
{
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        ::unlink((path + suffix).c_str());
}

} // namespace dbengine::maintenance
