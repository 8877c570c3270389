#pragma once

#include <cstddef>
#include <string>

namespace dbengine::maintenance {

// An open file descriptor that closes itself; reads and writes report failures as engine
// errors naming the file.
class FileHandle {
public:
    static FileHandle openForReading(const std::string &path);
    // Opens an existing file (normally a fresh temporary one) for writing from its start;
    // messages name it `shownAs` (the file it will become).
    static FileHandle openForWriting(const std::string &path, const std::string &shownAs);

    FileHandle(FileHandle &&other) noexcept;
    FileHandle &operator=(FileHandle &&other) noexcept;
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;
    ~FileHandle();

    // Reads until `size` bytes are in or the file ends; returns the number read.
    std::size_t read(void *buffer, std::size_t size);
    void write(const void *buffer, std::size_t size);
    void sync();

    const std::string &path() const { return path_; }

private:
    FileHandle(int fd, std::string path);

    int fd_ = -1;
    std::string path_;
};

} // namespace dbengine::maintenance
