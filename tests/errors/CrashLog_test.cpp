#include "errors/core/CrashLog.h"
#include "errors/core/IniFile.h"
#include "support/TempDir.h"
#include "sysinfo/SystemSummary.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

sysinfo::SystemSummary summary()
{
    sysinfo::SystemSummary s;
    s.os = "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64";
    s.computerName = "PC1";
    s.userName = "jana";
    s.totalMemory = std::uint64_t(8) << 30;
    s.version = "0.1.0.0";
    s.cpu = "AMD Athlon(tm) XP 1800+ - 1533 Mhz";
    return s;
}

std::string programPath()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

// A write through a null pointer the compiler cannot see.
__attribute__((noinline)) void writeThroughNull()
{
    volatile int *volatile pointer = nullptr;
    *pointer = 1;
}

// Runs `crash` in a child process with the crash log installed; returns the child's status.
int crashChild(const std::string &folder, void (*crash)())
{
    const pid_t child = fork();
    if (child == 0) {
        errors::InstallCrashLog(folder, summary(), programPath());
        crash();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

std::vector<std::string> logFiles(const std::string &folder)
{
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path().filename().string());
    return files;
}

TEST(CrashLog, ASegmentationFaultLeavesALogAndEndsWithTheSignal)
{
    TempDir dir;
    const int status = crashChild(dir.path(), writeThroughNull);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const auto files = logFiles(dir.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string program = std::filesystem::path(programPath()).filename().string();
    EXPECT_TRUE(std::regex_match(files[0], std::regex("PC1_" + program + "__[0-9]{12}\\.exc"))) << files[0];

    const errors::IniFile log(dir.file(files[0]));
    EXPECT_EQ(log.value("Exception", "Type"), "SIGSEGV");
    EXPECT_EQ(log.value("Exception", "Module"), program);
    EXPECT_TRUE(std::regex_match(log.value("Exception", "Address"), std::regex("[0-9A-F]{8}([0-9A-F]{8})?")));
    EXPECT_NE(log.value("Exception", "Address"), "00000000");
    EXPECT_EQ(log.value("Exception", "Workstation"), "PC1");
    EXPECT_EQ(log.value("Exception", "User"), "jana");
    EXPECT_EQ(log.value("Exception", "Version"), "0.1.0.0");
    EXPECT_EQ(log.value("Exception", "Error Code"), std::to_string(SIGSEGV));
    EXPECT_EQ(log.value("Exception", "Message"), "Segmentation fault: invalid memory access at 00000000");
    EXPECT_TRUE(std::regex_match(log.value("Exception", "Timestamp"),
                                 std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}")));
    EXPECT_EQ(log.value("System", "CPU"), "AMD Athlon(tm) XP 1800+ - 1533 Mhz");
    EXPECT_EQ(log.value("System", "Memory"), "8388608K");
    // The backtrace starts in the handler's frame and passes the function that faulted.
    EXPECT_FALSE(log.value("Backtrace", "Frame00").empty());
    const std::string text = readAll(dir.file(files[0]));
    EXPECT_NE(text.find(program + "+"), std::string::npos);
}

TEST(CrashLog, AnAbortIsLoggedInTheLibraryThatRaisedIt)
{
    TempDir dir;
    const int status = crashChild(dir.path(), [] { std::abort(); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    const auto files = logFiles(dir.path());
    ASSERT_EQ(files.size(), 1u);
    const errors::IniFile log(dir.file(files[0]));
    EXPECT_EQ(log.value("Exception", "Type"), "SIGABRT");
    EXPECT_EQ(log.value("Exception", "Module"), "libc.so.6");
    EXPECT_EQ(log.value("Exception", "Message"), "The program aborted");
}

TEST(CrashLog, ASignalFromAnotherProcessNamesItsSender)
{
    TempDir dir;
    const int status = crashChild(dir.path(), [] {
        // A process of its own sends the signal, as `kill -SEGV` would.
        const pid_t me = getpid();
        if (fork() == 0) {
            kill(me, SIGSEGV);
            _exit(0);
        }
        pause();
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const auto files = logFiles(dir.path());
    ASSERT_EQ(files.size(), 1u);
    const errors::IniFile log(dir.file(files[0]));
    EXPECT_TRUE(std::regex_match(log.value("Exception", "Message"),
                                 std::regex("Segmentation fault: invalid memory access \\(sent by process [0-9]+\\)")))
        << log.value("Exception", "Message");
}

} // namespace
