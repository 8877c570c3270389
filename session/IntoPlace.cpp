#include "IntoPlace.h"

#include "automation/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace session {

namespace {

// The temporary name the desktop program has always used, beside the file it will replace; an
// old file of that name is a leftover of an earlier run.
constexpr const char *kTemporaryName = "~temp.md~";

// The file a name stands for: a symbolic link's target, so that the link survives.
std::string fileBehind(const std::string &destination)
{
    struct stat st {};
    if (::lstat(destination.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return destination;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::weakly_canonical(destination, error);
    if (error)
        throw automation::Error("\"" + destination + "\" could not be replaced: " + error.message() + ".");
    return target.string();
}

std::string folderOf(const std::string &path)
{
    const std::filesystem::path parent = std::filesystem::absolute(path).parent_path();
    return parent.string();
}

// The new file takes over the old one's permissions before anybody can see it under the name.
void keepModeAndOwner(const std::string &original, const std::string &temporary)
{
    struct stat st {};
    if (::stat(original.c_str(), &st) != 0)
        return; // a new file keeps the permissions it was made with
    // Changing the owner needs privileges; without them the file stays the caller's own.
    [[maybe_unused]] const int ignored = ::chown(temporary.c_str(), st.st_uid, st.st_gid);
    if (::chmod(temporary.c_str(), st.st_mode & 07777) != 0)
        throw automation::Error("\"" + original + "\" could not be replaced: " + std::strerror(errno) + ".");
}

void removeQuietly(const std::string &path)
{
    ::unlink(path.c_str());
}

} // namespace

void replaceThroughTemporary(const std::string &destination,
                             const std::function<void(const std::string &temporary)> &work)
{
    const std::string target = fileBehind(destination);
    const std::string temporary = (std::filesystem::path(folderOf(target)) / kTemporaryName).string();
    removeQuietly(temporary);
    try {
        work(temporary);
        keepModeAndOwner(target, temporary);
    } catch (...) {
        removeQuietly(temporary);
        throw;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        removeQuietly(temporary);
        throw automation::Error("\"" + destination + "\" could not be replaced: " + reason + ".");
    }
}

} // namespace session
