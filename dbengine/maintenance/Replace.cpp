#include "Replace.h"

#include "Failure.h"
#include "Files.h"
#include "TempFile.h"
#include "dbengine/ErrorCodes.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace dbengine::maintenance {

namespace fs = std::filesystem;

namespace {

// A private folder (0700) for the new file, so that nobody else can read it before it has its
// final permissions; removed with what it holds unless the file was moved out.
class PrivateFolder {
public:
    explicit PrivateFolder(const std::string &beside) : path_(temporaryNameBeside(beside))
    {
        if (::mkdir(path_.c_str(), 0700) != 0)
            failWriting(errno, beside);
    }
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;
    ~PrivateFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

} // namespace

std::string resolvedFileName(const std::string &path)
{
    fs::path name = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(name, error)))
            return name.string();
        const fs::path target = fs::read_symlink(name, error);
        if (error)
            failReading(error.value(), path);
        name = target.is_absolute() ? target : name.parent_path() / target;
    }
    failReading(ELOOP, path);
}

void requireOtherFile(const std::string &source, const std::string &destination)
{
    struct stat a {}, b {};
    if (::stat(source.c_str(), &a) == 0 && ::stat(destination.c_str(), &b) == 0 && a.st_dev == b.st_dev
        && a.st_ino == b.st_ino)
        fail(err::InvalidArgument, quotedName(destination) + " is the file being read; choose another file.");
}

void replaceFile(const std::string &destination, const std::function<void(const std::string &path)> &write)
{
    if (destination.empty())
        fail(err::InvalidArgument, "No destination file name was given.");
    const std::string target = resolvedFileName(destination);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        fail(err::InvalidArgument, quotedName(destination) + " is a folder; choose a file.");
    removeLeftovers(folderOf(target));
    PrivateFolder folder(target);
    const std::string made = folder.path() + "/" + fs::path(target).filename().string();
    write(made);
    if (replacing) {
        keepOwner(made, old);
        if (::chmod(made.c_str(), old.st_mode & 07777) != 0)
            failWriting(errno, destination);
    } else if (::chmod(made.c_str(), newFileMode()) != 0) {
        failWriting(errno, destination);
    }
    removeSidecars(made);
    moveReplacing(made, target);
    syncFolder(folderOf(target));
}

} // namespace dbengine::maintenance
