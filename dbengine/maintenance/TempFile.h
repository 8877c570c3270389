#pragma once

#include <string>
#include <sys/types.h>

namespace dbengine::maintenance {

// An empty file with a fresh hidden name in the folder of `target`, so that the finished file
// can take the target's name in one rename. Removed (with any SQLite sidecar files) unless
// committed; the target is only ever touched by a commit.
class TempFile {
public:
    TempFile(const std::string &target, mode_t mode);
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
    // Replaces the target with the finished file in one step.
    void commitReplacing();

private:
    std::string target_;
    std::string path_;
    bool committed_ = false;
};

} // namespace dbengine::maintenance
