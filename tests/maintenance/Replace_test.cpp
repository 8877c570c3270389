// Replacing a user's file, temporary names and leftovers, on real files.

#include "support/FileChecks.h"
#include "SampleFiles.h"
#include "support/TempDir.h"

#include "automation/Error.h"
#include "dbengine/ErrorCodes.h"
#include "dbengine/maintenance/Maintenance.h"
#include "dbengine/maintenance/Replace.h"
#include "dbengine/maintenance/TempFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace maintenance = dbengine::maintenance;
namespace err = dbengine::err;
namespace fs = std::filesystem;

namespace {

// Sets the umask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : old_(::umask(mask)) {}
    ~Umask() { ::umask(old_); }

private:
    mode_t old_;
};

// A process id that belonged to a process which has ended.
pid_t finishedProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

int errorCode(const std::function<void()> &action)
{
    try {
        action();
    } catch (const automation::Error &e) {
        return e.code();
    }
    return 0;
}

// The names of the files created in a folder while it lives (inotify).
class CreatedFiles {
public:
    explicit CreatedFiles(const std::string &folder) : fd_(::inotify_init1(IN_NONBLOCK))
    {
        ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE);
    }
    ~CreatedFiles() { ::close(fd_); }
    std::set<std::string> names()
    {
        std::set<std::string> result;
        alignas(inotify_event) char buffer[64 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (char *p = buffer; p < buffer + n;) {
                const auto *event = reinterpret_cast<inotify_event *>(p);
                if (event->len)
                    result.insert(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        return result;
    }

private:
    int fd_;
};

class Replace : public ::testing::Test {
protected:
    TempDir dir;
    const std::string file = dir.file("shop.mdb");
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir.path()))
            names.insert(entry.path().filename().string());
        return names;
    }
    void writeNew(const std::string &destination, const std::string &bytes)
    {
        maintenance::replaceFile(destination, [&](const std::string &path) {
            EXPECT_FALSE(fs::exists(path));
            writeAll(path, bytes);
        });
    }
};

TEST_F(Replace, KeepsThePermissionsOfTheReplacedFile)
{
    const Umask umask(022);
    for (const mode_t mode : {0600, 0640, 0604, 0660}) {
        writeAll(file, "old");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        writeNew(file, "new");
        EXPECT_EQ(readAll(file), "new");
        EXPECT_EQ(modeOf(file), mode) << std::oct << mode;
    }
    EXPECT_EQ(entries(), std::set<std::string>{"shop.mdb"});
}

TEST_F(Replace, ANewFileGetsTheUsualPermissions)
{
    const Umask umask(027);
    writeNew(file, "new");
    EXPECT_EQ(modeOf(file), mode_t(0640));
}

TEST_F(Replace, ASymbolicLinkStaysAndItsFileIsReplaced)
{
    fs::create_directory(dir.file("data"));
    const std::string real = dir.file("data/real.mdb");
    writeAll(real, "old");
    ::chmod(real.c_str(), 0600);
    fs::create_symlink("data/real.mdb", file);
    writeNew(file, "new");
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(readAll(real), "new");
    EXPECT_EQ(modeOf(real), mode_t(0600));
    EXPECT_EQ(entries(), (std::set<std::string>{"data", "shop.mdb"}));
}

TEST_F(Replace, AFailureLeavesTheFileAndNothingElse)
{
    writeAll(file, "old");
    EXPECT_THROW(maintenance::replaceFile(file,
                                          [](const std::string &path) {
                                              writeAll(path, "half");
                                              throw std::runtime_error("disk full");
                                          }),
                 std::runtime_error);
    EXPECT_EQ(readAll(file), "old");
    EXPECT_EQ(entries(), std::set<std::string>{"shop.mdb"});
}

TEST_F(Replace, TheSourceItselfIsRefusedAsDestination)
{
    writeAll(file, "x");
    writeAll(dir.file("other.mdb"), "y");
    fs::create_symlink("shop.mdb", dir.file("link.mdb"));
    EXPECT_EQ(errorCode([&] { maintenance::requireOtherFile(file, file); }), err::InvalidArgument);
    EXPECT_EQ(errorCode([&] { maintenance::requireOtherFile(file, dir.file("link.mdb")); }), err::InvalidArgument);
    EXPECT_EQ(errorCode([&] { maintenance::requireOtherFile(file, dir.file("other.mdb")); }), 0);
    EXPECT_EQ(errorCode([&] { maintenance::requireOtherFile(file, dir.file("new.mdb")); }), 0);
}

TEST_F(Replace, LeftoversOfEndedProcessesAreRemovedByTheNextOperation)
{
    const std::string dead = std::to_string(finishedProcess());
    const std::string alive = std::to_string(::getppid());
    const std::set<std::string> gone = {".shop.mdb.jw" + dead + "-0123456789ab.tmp",
                                        ".shop.mdb.jw" + dead + "-0123456789ab.tmp-journal"};
    const std::set<std::string> kept = {".shop.mdb.jw" + alive + "-0123456789ab.tmp", ".notes.tmp", "plain.tmp"};
    for (const auto &name : gone)
        writeAll(dir.file(name), "left over");
    for (const auto &name : kept)
        writeAll(dir.file(name), "someone's");
    fs::create_directory(dir.file(".other.mdb.jw" + dead + "-aaaaaaaaaaaa.tmp"));
    writeAll(dir.file(".other.mdb.jw" + dead + "-aaaaaaaaaaaa.tmp/other.mdb"), "left over");
    writeNew(file, "new");
    std::set<std::string> expected = kept;
    expected.insert("shop.mdb");
    EXPECT_EQ(entries(), expected);
}

TEST_F(Replace, TemporaryNamesCarryTheProcessId)
{
    const std::string name = fs::path(maintenance::temporaryNameBeside(file)).filename().string();
    EXPECT_EQ(name.rfind(".shop.mdb.jw" + std::to_string(::getpid()) + "-", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
}

// The plain copy of a database being encrypted is never a file: only the sealed temporary
// file is created beside the destination.
TEST_F(Replace, EncryptWritesNoPlainCopy)
{
    sample::makeDatabase(dir.file("source.db"));
    fs::create_directory(dir.file("out"));
    CreatedFiles created(dir.path());
    CreatedFiles createdOut(dir.file("out"));
    maintenance::encrypt(dir.file("source.db"), dir.file("out/sealed.db"), "pw");
    EXPECT_TRUE(created.names().empty());
    const std::set<std::string> names = createdOut.names();
    // Only the sealed temporary file, which is then renamed to its final name.
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names.begin()->rfind(".sealed.db.jw", 0), 0u) << *names.begin();
    const std::string decrypted = dir.file("out/plain.db");
    {
        const Umask umask(077);
        maintenance::decrypt(dir.file("out/sealed.db"), decrypted, "pw");
    }
    EXPECT_EQ(sample::contents(decrypted), sample::contents(dir.file("source.db")));
    EXPECT_EQ(modeOf(decrypted), mode_t(0600));
}

TEST_F(Replace, EncryptKeepsWriteAheadLogging)
{
    sample::makeDatabase(dir.file("source.db"));
    sample::exec(dir.file("source.db"), "PRAGMA journal_mode=WAL");
    maintenance::encrypt(dir.file("source.db"), dir.file("sealed.db"), "pw");
    maintenance::decrypt(dir.file("sealed.db"), dir.file("plain.db"), "pw");
    EXPECT_EQ(sample::rows(dir.file("plain.db"), "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
    EXPECT_EQ(sample::integrity(dir.file("plain.db")), "ok");
}

} // namespace
