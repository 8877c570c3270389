#include "FileHandle.h"

#include "Failure.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace dbengine::maintenance {

FileHandle FileHandle::openForReading(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        failReading(errno, path);
    return FileHandle(fd, path);
}

FileHandle FileHandle::openForWriting(const std::string &path, const std::string &shownAs)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        failWriting(errno, shownAs);
    return FileHandle(fd, shownAs);
}

FileHandle::FileHandle(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

FileHandle::FileHandle(FileHandle &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_))
{
}

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

FileHandle::~FileHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t FileHandle::read(void *buffer, std::size_t size)
{
    auto *bytes = static_cast<char *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failReading(errno, path_);
        if (n == 0)
            break;
        done += std::size_t(n);
    }
    return done;
}

void FileHandle::write(const void *buffer, std::size_t size)
{
    const auto *bytes = static_cast<const char *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failWriting(errno, path_);
        done += std::size_t(n);
    }
}

void FileHandle::sync()
{
    if (::fsync(fd_) != 0)
        failWriting(errno, path_);
}

} // namespace dbengine::maintenance
