#include "FileFacts.h"

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes the descriptor however the reading ends.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

std::optional<UtcTime> fromStatx(const struct statx_timestamp &t)
{
    return utcFromEpoch(t.tv_sec, t.tv_nsec);
}

std::optional<UtcTime> fromTimespec(const timespec &t)
{
    return utcFromEpoch(t.tv_sec, static_cast<std::uint32_t>(t.tv_nsec));
}

bool startsWithDot(const std::string &path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    return !name.empty() && name.front() == '.';
}

// The fields statx and fstat share, for systems whose kernel lacks statx.
bool readWithFstat(int fd, FileFacts &facts, mode_t &mode)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    mode = st.st_mode;
    facts.size = static_cast<std::uint64_t>(st.st_size);
    facts.modified = fromTimespec(st.st_mtim);
    facts.accessed = fromTimespec(st.st_atim);
    return true;
}

} // namespace

std::optional<UtcTime> utcFromEpoch(std::int64_t seconds, std::uint32_t nanoseconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (::gmtime_r(&t, &tm) == nullptr)
        return std::nullopt;
    return UtcTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                   // gmtime never reports leap seconds, but keep the range the type promises
                   tm.tm_sec > 59 ? 59 : tm.tm_sec, nanoseconds};
}

std::optional<FileFacts> readFileFacts(const std::string &path)
{
    if (path.empty())
        return std::nullopt;
    // Non-blocking, so that a named pipe is refused instead of waiting for a writer.
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.fd() < 0)
        return std::nullopt;

    FileFacts facts;
    mode_t mode = 0;
    struct statx sx {};
    if (::statx(file.fd(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        mode = sx.stx_mode;
        facts.size = sx.stx_size;
        facts.modified = fromStatx(sx.stx_mtime);
        facts.accessed = fromStatx(sx.stx_atime);
        if (sx.stx_mask & STATX_BTIME)
            facts.created = fromStatx(sx.stx_btime);
    } else if (!readWithFstat(file.fd(), facts, mode)) {
        return std::nullopt;
    }
    if (!S_ISREG(mode))
        return std::nullopt;
    facts.readOnly = (mode & S_IWUSR) == 0;
    facts.hidden = startsWithDot(path);
    return facts;
}

} // namespace platform
