#include "TempFile.h"

#include "Failure.h"
#include "Files.h"
#include "dbengine/ErrorCodes.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine::maintenance {

namespace {

constexpr mode_t privateMode = 0600;

std::string randomTag()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string tag;
    std::uint64_t value = generator();
    for (int i = 0; i < 12; ++i, value >>= 4)
        tag += digits[value & 0xf];
    return tag;
}

// Absolute, so that SQLite never reads the name as a "file:" URI.
std::string absoluteFolderOf(const std::string &target)
{
    std::error_code error;
    const auto folder = std::filesystem::absolute(folderOf(target), error);
    if (error)
        failWriting(error.value(), target);
    return folder.lexically_normal().string();
}

bool processGone(pid_t pid)
{
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

void keepOwner(const std::string &path, const struct stat &original)
{
    if (::chown(path.c_str(), original.st_uid, original.st_gid) != 0
        && ::chown(path.c_str(), uid_t(-1), original.st_gid) != 0) {
        // Neither owner nor group could be given: the file stays the caller's own.
    }
}

std::string temporaryNameBeside(const std::string &target)
{
    // Keep the name well under the file-name limit however long the target's name is.
    const std::string base = std::filesystem::path(target).filename().string().substr(0, 180);
    return absoluteFolderOf(target) + "/." + base + ".jw" + std::to_string(::getpid()) + "-"
           + randomTag() + ".tmp";
}

void removeLeftovers(const std::string &folder)
{
    static const std::regex leftover(R"(^\..*\.jw([0-9]+)-[0-9a-f]{12}\.tmp(-journal|-wal|-shm)?$)");
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        std::smatch match;
        if (!std::regex_match(name, match, leftover))
            continue;
        const long pid = std::strtol(match[1].str().c_str(), nullptr, 10);
        if (pid > 0 && processGone(pid_t(pid))) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

mode_t newFileMode()
{
    // The umask is read from /proc, since setting it to read it would race with other threads.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~mode_t(std::strtol(line.c_str() + 6, nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

TempFile::TempFile(const std::string &target) : target_(target)
{
    removeLeftovers(absoluteFolderOf(target));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = temporaryNameBeside(target);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, privateMode);
        if (fd >= 0) {
            ::close(fd);
            path_ = candidate;
            return;
        }
        if (errno != EEXIST)
            failWriting(errno, target);
    }
    fail(err::IoError, "Could not create a temporary file beside " + quotedName(target) + ".");
}

TempFile::~TempFile()
{
    if (committed_)
        return;
    ::unlink(path_.c_str());
    removeSidecars(path_);
}

void TempFile::copyOwnerAndMode(const std::string &original)
{
    struct stat st {};
    if (::stat(original.c_str(), &st) != 0)
        failReading(errno, original);
    // Changing the owner needs privileges; without them the file stays the caller's own. The
    // group can often be set (a group the user belongs to).
    keepOwner(path_, st);
    if (::chmod(path_.c_str(), st.st_mode & 07777) != 0)
        failWriting(errno, target_);
}

void TempFile::sync()
{
    // fsync through any descriptor flushes the file, whichever descriptor wrote it.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        failWriting(error, target_);
}

void TempFile::commitAsNew()
{
    removeSidecars(path_);
    if (::chmod(path_.c_str(), newFileMode()) != 0)
        failWriting(errno, target_);
    if (!moveWithoutReplacing(path_, target_))
        fail(err::DestinationExists,
             quotedName(target_) + " already exists; choose another name for the new file.");
    committed_ = true;
    syncFolder(folderOf(target_));
}

void TempFile::commitReplacing()
{
    removeSidecars(path_);
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0)
        copyOwnerAndMode(target_);
    else if (::chmod(path_.c_str(), newFileMode()) != 0)
        failWriting(errno, target_);
    moveReplacing(path_, target_);
    committed_ = true;
    syncFolder(folderOf(target_));
}

} // namespace dbengine::maintenance
