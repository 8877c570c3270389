#include "HistoryFile.h"

#include "History.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace query {

namespace {

constexpr char Magic[3] = {'L', 'V', 'F'};
constexpr std::size_t BufferSize = 1 << 16;

std::string baseName(const std::string &fileName)
{
    return std::filesystem::path(fileName).filename().string();
}

std::string systemText(int error)
{
    return std::strerror(error);
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Buffered reads that know how many bytes the file still holds.
class Reader {
public:
    Reader(int fd, std::uint64_t size) : fd_(fd), left_(size), buffer_(BufferSize) {}

    // False at the end of the file or on a read error (then error() is set).
    bool read(char *out, std::size_t n)
    {
        while (n > 0) {
            if (pos_ == end_ && !fill())
                return false;
            const std::size_t take = std::min(n, end_ - pos_);
            std::memcpy(out, buffer_.data() + pos_, take);
            pos_ += take;
            out += take;
            n -= take;
            left_ -= std::min<std::uint64_t>(left_, take);
        }
        return true;
    }
    bool u16(std::uint16_t &value)
    {
        unsigned char b[2];
        if (!read(reinterpret_cast<char *>(b), 2))
            return false;
        value = std::uint16_t(b[0] | b[1] << 8);
        return true;
    }
    bool i32(std::int32_t &value)
    {
        unsigned char b[4];
        if (!read(reinterpret_cast<char *>(b), 4))
            return false;
        value = std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8
                             | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
        return true;
    }
    // A length that runs past the end of the file is refused before anything is allocated.
    bool string(std::string &text)
    {
        std::uint16_t length = 0;
        if (!u16(length) || length > left_)
            return false;
        text.resize(length);
        return read(text.data(), length);
    }
    std::uint64_t left() const { return left_; }
    int error() const { return error_; }

private:
    bool fill()
    {
        ssize_t n;
        do
            n = ::read(fd_, buffer_.data(), buffer_.size());
        while (n < 0 && errno == EINTR);
        if (n < 0)
            error_ = errno;
        pos_ = 0;
        end_ = n > 0 ? std::size_t(n) : 0;
        return n > 0;
    }

    int fd_;
    std::uint64_t left_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    int error_ = 0;
};

bool readItem(Reader &in, ListViewItem &item)
{
    std::uint16_t subItems = 0;
    if (!in.u16(subItems) || !in.i32(item.imageIndex) || !in.string(item.caption))
        return false;
    // Each sub-item takes at least its two length bytes.
    item.subItems.reserve(std::min<std::uint64_t>(subItems, in.left() / 2));
    for (std::uint16_t i = 0; i < subItems; ++i) {
        std::string text;
        if (!in.string(text))
            return false;
        item.subItems.push_back(std::move(text));
    }
    return true;
}

LoadResult readItems(Reader &in, History &history)
{
    LoadResult result;
    char magic[sizeof Magic];
    if (!in.read(magic, sizeof magic) || std::memcmp(magic, Magic, sizeof Magic) != 0) {
        result.status = in.error() ? LoadStatus::Unreadable : LoadStatus::NotListView;
        result.systemError = in.error() ? systemText(in.error()) : std::string();
        return result;
    }
    std::uint16_t count = 0;
    bool whole = in.u16(count);
    for (std::uint16_t i = 0; whole && i < count; ++i) {
        ListViewItem item;
        whole = readItem(in, item);
        if (whole) {
            history.append(std::move(item));
            ++result.itemsLoaded;
        }
    }
    if (!whole) {
        result.status = in.error() ? LoadStatus::Unreadable : LoadStatus::Damaged;
        result.systemError = in.error() ? systemText(in.error()) : std::string();
    }
    return result;
}

bool fits(const ListViewItem &item)
{
    if (item.caption.size() > MaxListViewCount || item.subItems.size() > MaxListViewCount)
        return false;
    return std::all_of(item.subItems.begin(), item.subItems.end(),
                       [](const std::string &text) { return text.size() <= MaxListViewCount; });
}

// Buffered writes to a descriptor; the first failure is kept and later writes do nothing.
class Writer {
public:
    explicit Writer(int fd) : fd_(fd) { buffer_.reserve(BufferSize); }

    void bytes(const char *data, std::size_t n)
    {
        buffer_.append(data, n);
        if (buffer_.size() >= BufferSize)
            flush();
    }
    void u16(std::size_t value)
    {
        const char b[2] = {char(value & 0xFF), char(value >> 8 & 0xFF)};
        bytes(b, 2);
    }
    void i32(std::int32_t value)
    {
        const std::uint32_t v = std::uint32_t(value);
        const char b[4] = {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF),
                           char(v >> 24 & 0xFF)};
        bytes(b, 4);
    }
    void string(const std::string &text)
    {
        u16(text.size());
        bytes(text.data(), text.size());
    }
    // Writes what is buffered; 0 or the first error.
    int flush()
    {
        std::size_t done = 0;
        while (error_ == 0 && done < buffer_.size()) {
            const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0 && errno != EINTR)
                error_ = errno;
            else if (n > 0)
                done += std::size_t(n);
        }
        buffer_.clear();
        return error_;
    }

private:
    int fd_;
    std::string buffer_;
    int error_ = 0;
};

int writeItems(int fd, const History &history)
{
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < history.count() && kept.size() < MaxListViewCount; ++i)
        if (fits(history.entry(i)))
            kept.push_back(i);
    Writer out(fd);
    out.bytes(Magic, sizeof Magic);
    out.u16(kept.size());
    for (std::size_t i : kept) {
        const ListViewItem &item = history.entry(i);
        out.u16(item.subItems.size());
        out.i32(item.imageIndex);
        out.string(item.caption);
        for (const std::string &text : item.subItems)
            out.string(text);
    }
    return out.flush();
}

std::string randomTag()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string tag;
    std::uint64_t value = generator();
    for (int i = 0; i < 12; ++i, value >>= 4)
        tag += digits[value & 0xF];
    return tag;
}

// A symbolic link is followed, so the file it names is replaced and the link stays.
std::filesystem::path resolvedTarget(const std::string &fileName)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(fileName, ec)) {
        const auto target = std::filesystem::canonical(fileName, ec);
        if (!ec)
            return target;
    }
    return fileName;
}

// A new file with a fresh hidden name in the folder of `target`.
int createTemporary(const std::filesystem::path &target, std::string &path)
{
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::string base = target.filename().string().substr(0, 180);
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = (folder / ("." + base + "." + randomTag() + ".tmp")).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const std::filesystem::path &target)
{
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    Descriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0)
        ::fsync(dir.fd);
}

// Writes the file under a temporary name, then renames it over the target; 0 or an errno.
int saveReplacing(const History &history, const std::filesystem::path &target)
{
    std::string temporary;
    Descriptor file{createTemporary(target, temporary)};
    if (file.fd < 0)
        return errno ? errno : EEXIST;
    int error = 0;
    struct stat old {};
    // The replacement keeps the permissions of the file it replaces.
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(file.fd, old.st_mode & 07777);
    error = writeItems(file.fd, history);
    if (error == 0 && ::fsync(file.fd) != 0)
        error = errno;
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncFolder(target);
    return 0;
}

} // namespace

LoadResult LoadListViewFile(History &history, const std::string &fileName)
{
    LoadResult result;
    // Not blocking, so a named pipe given as the file cannot hang the load; only regular files
    // are read.
    Descriptor file{::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
        const int error = errno;
        result.status = error == ENOENT || error == ENOTDIR ? LoadStatus::Missing
                                                            : LoadStatus::Unreadable;
        if (result.status == LoadStatus::Unreadable)
            result.systemError = systemText(error);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = LoadStatus::Unreadable;
        result.systemError = S_ISDIR(st.st_mode) ? systemText(EISDIR) : "Not a regular file";
        return result;
    }
    Reader in(file.fd, std::uint64_t(st.st_size));
    return readItems(in, history);
}

bool SaveListViewFile(const History &history, const std::string &fileName, std::string *error)
{
    const int failure = saveReplacing(history, resolvedTarget(fileName));
    if (failure != 0 && error)
        *error = "Could not save \"" + baseName(fileName) + "\": " + systemText(failure) + ".";
    return failure == 0;
}

std::string LoadMessage(const LoadResult &result, const std::string &fileName)
{
    const std::string name = baseName(fileName);
    switch (result.status) {
    case LoadStatus::Loaded:
        return {};
    case LoadStatus::Missing:
        return "File \"" + name + "\" does not exist!";
    case LoadStatus::NotListView:
        return "\"" + name + "\" is not a ListView file!";
    case LoadStatus::Damaged:
        return "\"" + name + "\" is a damaged ListView file! Only its first "
               + std::to_string(result.itemsLoaded) + " items could be read.";
    case LoadStatus::Unreadable:
        return "\"" + name + "\" could not be read: " + result.systemError + ".";
    }
    return {};
}

std::string KeepDamagedCopy(const std::string &fileName, std::string *error)
{
    const std::string copy = fileName + ".damaged";
    std::error_code failure;
    std::filesystem::copy_file(fileName, copy, std::filesystem::copy_options::overwrite_existing, failure);
    if (!failure)
        return copy;
    if (error)
        *error = failure.message();
    return {};
}

} // namespace query
