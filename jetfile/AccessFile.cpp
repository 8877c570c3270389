#include "AccessFile.h"

#include "platform/Folders.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace jetfile {

namespace {

// The reader reports progress at least once a table; a helper silent for this long is stuck.
int stallSeconds()
{
    const char *v = std::getenv("JETWARDEN_JET_TIMEOUT");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : 30;
}

std::string fileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

std::string helperPath()
{
    if (const char *v = std::getenv("JETWARDEN_JETREAD"); v && *v)
        return v;
    const std::string beside = platform::joinPath(platform::executableDir(), "jetwarden-jetread");
    if (::access(beside.c_str(), X_OK) == 0)
        return beside;
    return "jetwarden-jetread"; // from PATH
}

AccessError damaged(const std::string &source, const std::string &detail)
{
    return AccessError(AccessError::Damaged,
                       "'" + fileName(source) + "' is a damaged Access file (" + detail + ") and cannot be read.");
}

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe()
    {
        if (::pipe2(fd, O_CLOEXEC) != 0)
            throw AccessError(AccessError::Io, std::string("Cannot start the Access file reader: ") + std::strerror(errno));
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    void closeRead()
    {
        if (fd[0] >= 0)
            ::close(fd[0]);
        fd[0] = -1;
    }
    void closeWrite()
    {
        if (fd[1] >= 0)
            ::close(fd[1]);
        fd[1] = -1;
    }
};

// Runs the helper and waits for it, passing its progress lines on. A crash, a failure or a stall
// becomes an error naming the file as damaged.
void runHelper(const std::string &source, const std::string &target, const std::string &charset,
               const ConvertProgress &progress)
{
    const std::string helper = helperPath();
    std::vector<std::string> args{helper};
    if (!charset.empty()) {
        args.push_back("--charset");
        args.push_back(charset);
    }
    args.push_back(source);
    args.push_back(target);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    Pipe out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, helper.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw AccessError(AccessError::Io, "Cannot start the Access file reader '" + helper + "': " + std::strerror(rc) + ".");
    out.closeWrite();
    err.closeWrite();

    std::string outText, errText;
    bool stalled = false;
    auto last = std::chrono::steady_clock::now();
    int open = 2;
    while (open > 0) {
        pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, 200);
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                (i == 0 ? out : err).closeRead();
                --open;
                continue;
            }
            last = std::chrono::steady_clock::now();
            (i == 0 ? outText : errText).append(buf, std::size_t(n));
        }
        // Whole progress lines go to the caller as they come.
        for (std::size_t nl; (nl = outText.find('\n')) != std::string::npos;) {
            std::istringstream line(outText.substr(0, nl));
            outText.erase(0, nl + 1);
            std::string word, name;
            int n = 0, total = 0;
            if (line >> word >> n >> total && word == "table") {
                std::getline(line >> std::ws, name);
                if (progress)
                    progress(n, total, name);
            }
        }
        if (std::chrono::steady_clock::now() - last > std::chrono::seconds(stallSeconds())) {
            stalled = true;
            ::kill(pid, SIGKILL);
            break;
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (stalled) {
        ::unlink(target.c_str());
        throw damaged(source, "reading it stopped making progress");
    }
    if (WIFSIGNALED(status)) {
        ::unlink(target.c_str());
        throw damaged(source, std::string("the reader stopped on ") + strsignal(WTERMSIG(status)));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ::unlink(target.c_str());
        // libmdb writes its own notes first; the helper's sentence is the last line.
        while (!errText.empty() && (errText.back() == '\n' || errText.back() == '.'))
            errText.pop_back();
        if (const auto nl = errText.rfind('\n'); nl != std::string::npos)
            errText.erase(0, nl + 1);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 4)
            throw AccessError(AccessError::Io, errText + ".");
        if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
            throw AccessError(AccessError::Io, "The Access file reader '" + helper + "' cannot be started.");
        throw damaged(source, errText.empty() ? "the reader failed" : errText);
    }
}

std::string cacheDir()
{
    std::string base;
    if (const char *x = std::getenv("XDG_CACHE_HOME"); x && *x == '/')
        base = x;
    else if (const char *h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.cache";
    else
        base = "/tmp";
    const std::string dir = base + "/Jetwarden/access";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    ::chmod((base + "/Jetwarden").c_str(), 0700);
    ::chmod(dir.c_str(), 0700);
    return dir;
}

std::string hex(std::uint64_t v)
{
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

// FNV-1a: a stable name for the cache file of one source path and charset.
std::uint64_t fnv(const std::string &s)
{
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

bool isAccessFile(const std::string &path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char h[20] = {};
    const ssize_t got = ::read(fd, h, sizeof h);
    ::close(fd);
    return got == 20 && h[0] == 0 && h[1] == 1 && h[2] == 0 && h[3] == 0
           && (std::memcmp(h + 4, "Standard Jet DB", 15) == 0 || std::memcmp(h + 4, "Standard ACE DB", 15) == 0);
}

std::string chosenCharset()
{
    const char *v = std::getenv("JETWARDEN_JET_CHARSET");
    return v ? v : "";
}

void convert(const std::string &source, const std::string &target, const std::string &charset,
             const ConvertProgress &progress)
{
    struct stat st{};
    if (::lstat(target.c_str(), &st) == 0)
        throw AccessError(AccessError::TargetExists, "Database '" + target + "' already exists.");
    const std::string part = target + ".part-" + std::to_string(::getpid());
    ::unlink(part.c_str());
    runHelper(source, part, charset, progress);
    // link() fails on an existing name, so a file that appeared meanwhile is kept.
    if (::link(part.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(part.c_str());
        if (e == EEXIST)
            throw AccessError(AccessError::TargetExists, "Database '" + target + "' already exists.");
        throw AccessError(AccessError::Io, "Cannot write '" + target + "': " + std::strerror(e) + ".");
    }
    ::unlink(part.c_str());
}

std::string workingCopy(const std::string &source, const std::string &charset)
{
    struct stat st{};
    if (::stat(source.c_str(), &st) != 0)
        throw AccessError(AccessError::Io, "Could not find file '" + source + "'.");
    std::error_code ec;
    const std::string real = std::filesystem::canonical(source, ec).string();
    const std::string dir = cacheDir();
    const std::string base = dir + "/" + hex(fnv((real.empty() ? source : real) + "\n" + charset));
    const std::string copy = base + ".db", stampFile = base + ".stamp";
    const std::string stamp = std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + " "
                              + std::to_string(st.st_mtim.tv_nsec) + " " + charset;
    {
        std::ifstream in(stampFile);
        std::string seen;
        std::getline(in, seen);
        struct stat cs{};
        if (seen == stamp && ::stat(copy.c_str(), &cs) == 0 && cs.st_size > 0)
            return copy;
    }
    const std::string part = base + ".part-" + std::to_string(::getpid());
    ::unlink(part.c_str());
    runHelper(real.empty() ? source : real, part, charset, {});
    ::chmod(part.c_str(), 0600);
    if (::rename(part.c_str(), copy.c_str()) != 0) {
        const int e = errno;
        ::unlink(part.c_str());
        throw AccessError(AccessError::Io, "Cannot write the working copy of '" + fileName(source) + "': " + std::strerror(e) + ".");
    }
    {
        const std::string stampPart = stampFile + ".part-" + std::to_string(::getpid());
        std::ofstream outStamp(stampPart);
        outStamp << stamp << "\n";
        outStamp.close();
        ::chmod(stampPart.c_str(), 0600);
        std::rename(stampPart.c_str(), stampFile.c_str());
    }
    return copy;
}

} // namespace jetfile
