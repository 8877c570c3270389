#include "TempFile.h"

#include "Failure.h"
#include "Files.h"
#include "dbengine/ErrorCodes.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine::maintenance {

namespace {

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

} // namespace

TempFile::TempFile(const std::string &target, mode_t mode) : target_(target)
{
    // Keep the name well under the file-name limit however long the target's name is.
    const std::string base = std::filesystem::path(target).filename().string().substr(0, 180);
    const std::string folder = absoluteFolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + "/." + base + "." + randomTag() + ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
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
    // Changing the owner needs privileges; without them the file stays the caller's own.
    [[maybe_unused]] const int ignored = ::chown(path_.c_str(), st.st_uid, st.st_gid);
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
    if (!moveWithoutReplacing(path_, target_))
        fail(err::DestinationExists,
             quotedName(target_) + " already exists; choose another name for the new file.");
    committed_ = true;
    syncFolder(folderOf(target_));
}

void TempFile::commitReplacing()
{
    removeSidecars(path_);
    moveReplacing(path_, target_);
    committed_ = true;
    syncFolder(folderOf(target_));
}

} // namespace dbengine::maintenance
