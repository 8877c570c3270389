#include "automation/Error.h"
#include "errors/core/ErrorLog.h"
#include "errors/core/IniFile.h"
#include "support/TempDir.h"
#include "sysinfo/SystemSummary.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

using namespace errors;

namespace {

sysinfo::SystemSummary summary()
{
    sysinfo::SystemSummary s;
    s.os = "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64";
    s.computerName = "PC1";
    s.userName = "jana";
    s.totalMemory = std::uint64_t(16) << 30;
    s.version = "0.1.0.0";
    s.cpu = "Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz - 3700 Mhz";
    return s;
}

std::string programName()
{
    return std::filesystem::path(std::filesystem::read_symlink("/proc/self/exe")).filename().string();
}

// Thrown from a function of this program, so the report names this program.
[[noreturn]] __attribute__((noinline)) void raiseEngineError(const std::string &message, const std::string &source)
{
    throw automation::Error(message, 3044, source);
}

ErrorRecord describe(const std::function<void()> &raise)
{
    try {
        raise();
    } catch (...) {
        return DescribeException(std::current_exception());
    }
    return {};
}

TEST(ErrorLog, AnAutomationErrorWhoseSourceIsItsMessageLogsTheMessageAlone)
{
    const ErrorRecord record = describe([] { raiseEngineError("Not a valid password.", "NOT A VALID PASSWORD.  "); });
    EXPECT_EQ(record.message, "Not a valid password.");
    EXPECT_EQ(record.className, "automation::Error");
    EXPECT_EQ(record.code, 3044);
    EXPECT_EQ(record.module, programName());
    // The address lies in the function that raised the error.
    const std::uintptr_t raiser = ModuleOf(reinterpret_cast<const void *>(&raiseEngineError)).address;
    EXPECT_GE(record.address, raiser);
    EXPECT_LT(record.address, raiser + 512);

    const ErrorRecord withSource = describe([] { raiseEngineError("Not a valid password.", " DAO.Workspace "); });
    EXPECT_EQ(withSource.message, "Not a valid password.\r\nDAO.Workspace");
}

TEST(ErrorLog, DetailsOfAnEngineError)
{
    ErrorRecord record = describe([] { raiseEngineError("Not a valid password.", "Not a valid password."); });
    record.address = 0x1A2B3C;
    EXPECT_EQ(DetailText(record), "Module: " + programName()
                                      + ".\r\nAddress: 001A2B3C\r\nType: automation::Error\r\nCode: 00000BE4 (3044)");
}

struct CodeCase {
    const char *name;
    std::function<void()> raise;
    std::string className;
    std::string codeLine;
};

void PrintTo(const CodeCase &c, std::ostream *os)
{
    *os << c.name;
}

class ErrorCodeTest : public testing::TestWithParam<CodeCase> {};

TEST_P(ErrorCodeTest, CodeByClass)
{
    const ErrorRecord record = describe(GetParam().raise);
    EXPECT_EQ(record.className, GetParam().className);
    const std::string details = DetailText(record);
    EXPECT_EQ(details.substr(details.rfind("Code: ")), GetParam().codeLine);
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ErrorCodeTest,
    testing::Values(
        CodeCase{"Automation", [] { throw automation::Error("Invalid class string", automation::codes::InvalidClassString); },
                 "automation::Error", "Code: 800401F3 (-2147221005)"},
        CodeCase{"System", [] { throw std::system_error(ENOENT, std::generic_category(), "open"); },
                 "std::system_error", "Code: 00000002 (2)"},
        CodeCase{"Other", [] { throw std::out_of_range("index 3"); }, "std::out_of_range", "Code: 00000000 (0)"},
        CodeCase{"NotAnException", [] { throw 42; }, "int", "Code: 00000000 (0)"}),
    [](const testing::TestParamInfo<CodeCase> &info) { return std::string(info.param.name); });

TEST(ErrorLog, ErrorsWithoutAnAddressNameTheProgramAndZero)
{
    const ErrorRecord record = describe([] { throw std::runtime_error("no address"); });
    EXPECT_EQ(record.module, programName());
    EXPECT_EQ(record.address, 0u);
    EXPECT_EQ(ModuleOf(nullptr).module, programName());
}

TEST(ErrorLog, CodeInsideALibraryNamesTheLibraryAndItsOffset)
{
    const void *code = reinterpret_cast<const void *>(&std::strlen);
    const ModuleAddress where = ModuleOf(code);
    EXPECT_EQ(where.module, "libc.so.6");
    EXPECT_GT(where.address, 0u);
    EXPECT_LT(where.address, reinterpret_cast<std::uintptr_t>(code));
}

TEST(ErrorLog, LogFileNameHasTwoUnderscoresBeforeTheTimeStamp)
{
    const char *oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    setenv("TZ", "UTC", 1);
    tzset();
    std::tm when{};
    when.tm_year = 106;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 20;
    when.tm_min = 45;
    when.tm_sec = 36;
    EXPECT_EQ(LogFileName("PC1", "/opt/bin/PROGRAM.EXE", timegm(&when)), "PC1_PROGRAM__061208204536.exc");
    EXPECT_EQ(LogFileName("HOST", "/usr/bin/jetwarden", timegm(&when)), "HOST_jetwarden__061208204536.exc");
    if (oldTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(ErrorLog, TheLogFileHoldsBothSectionsInOrder)
{
    TempDir dir;
    ErrorRecord record;
    record.module = "jetwarden";
    record.address = 0x4D2;
    record.className = "automation::Error";
    record.code = -2147221005;
    record.message = "Not a valid password.\r\nDAO.Workspace";
    ASSERT_TRUE(WriteErrorLog(dir.file("a.exc"), record, "10/12/26 6:01:02 AM", summary()));
    EXPECT_EQ(readAll(dir.file("a.exc")), "[Exception]\n"
                                          "Timestamp=10/12/26 6:01:02 AM\n"
                                          "Workstation=PC1\n"
                                          "User=jana\n"
                                          "Module=jetwarden\n"
                                          "Version=0.1.0.0\n"
                                          "Address=000004D2\n"
                                          "Type=automation::Error\n"
                                          "Error Code=-2147221005\n"
                                          "IB Code=0\n"
                                          "SQL Code=0\n"
                                          "Message=Not a valid password.\\nDAO.Workspace\n"
                                          "\n"
                                          "[System]\n"
                                          "OS=Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64\n"
                                          "CPU=Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz - 3700 Mhz\n"
                                          "Memory=16777216K\n");
}

TEST(ErrorLog, TwoErrorsInOneSecondUpdateOneFile)
{
    TempDir dir;
    const std::time_t now = std::time(nullptr);
    const std::string name = LogFileName("PC1", "/usr/bin/jetwarden", now);
    EXPECT_EQ(name, LogFileName("PC1", "/usr/bin/jetwarden", now));
    ErrorRecord first;
    first.module = "jetwarden";
    first.className = "automation::Error";
    first.code = 3044;
    first.message = "Not a valid password.";
    ASSERT_TRUE(WriteErrorLog(dir.file(name), first, "first", summary()));
    // Something else in the file survives the update.
    writeAll(dir.file(name), readAll(dir.file(name)) + "\n[Notes]\nSeen=yes\n");
    ErrorRecord second;
    second.module = "libc.so.6";
    second.className = "std::out_of_range";
    second.message = "index 3";
    ASSERT_TRUE(WriteErrorLog(dir.file(name), second, "second", summary()));

    std::size_t files = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1u);
    const std::string text = readAll(dir.file(name));
    EXPECT_EQ(text.find("[Exception]"), text.rfind("[Exception]"));
    const IniFile log(dir.file(name));
    EXPECT_EQ(log.value("Exception", "Timestamp"), "second");
    EXPECT_EQ(log.value("Exception", "Module"), "libc.so.6");
    EXPECT_EQ(log.value("Exception", "Type"), "std::out_of_range");
    EXPECT_EQ(log.value("Exception", "Error Code"), "0");
    EXPECT_EQ(log.value("Exception", "Message"), "index 3");
    EXPECT_EQ(log.value("notes", "seen"), "yes");
}

TEST(ErrorLog, AFolderThatCannotBeWrittenFailsQuietly)
{
    ErrorRecord record;
    EXPECT_FALSE(WriteErrorLog("/proc/no-such-folder/a.exc", record, "now", summary()));
}

} // namespace
