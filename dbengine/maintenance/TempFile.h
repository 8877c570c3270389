#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace dbengine::maintenance {

// An empty file with a fresh hidden name in the folder of `target`, so that the finished file
// can take the target's name in one rename. It is created for the owner alone (0600) and gets
// its final permissions only when committed: those of the file it replaces or, for a new file,
// 0666 less the umask. Removed (with any SQLite sidecar files) unless committed; the target is
// only ever touched by a commit.
//
// The name is ".<target name>.jw<pid>-<random>.tmp", so that a file left by a process that was
// killed can be told from the work of a running one and removed by the next operation there.
class TempFile {
public:
    explicit TempFile(const std::string &target);
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    ~TempFile();

    const std::string &path() const { return path_; }
    const std::string &target() const { return target_; }

    // Gives the file the permissions and, where allowed, the owner of `original`.
    void copyOwnerAndMode(const std::string &original);
    void sync();

    // Moves the finished file to the target; throws DestinationExists if a file appeared there.
    void commitAsNew();
    // Replaces the target with the finished file in one step, keeping the target's permissions
    // and (where allowed) owner.
    void commitReplacing();

private:
    std::string target_;
    std::string path_;
    bool committed_ = false;
};

// A temporary name beside `target` (".<name>.jw<pid>-<random>.tmp" in its folder) that no file
// has yet.
std::string temporaryNameBeside(const std::string &target);

// Removes the temporary files and folders in `folder` that a process of this program left
// when it was killed: those whose process is gone. Best effort; errors are ignored.
void removeLeftovers(const std::string &folder);

// Gives `path` the owner and group of `original` where the process may, else the group alone,
// else neither.
void keepOwner(const std::string &path, const struct stat &original);

// The permissions of a new file: 0666 less the process's umask.
mode_t newFileMode();

} // namespace dbengine::maintenance
