// jetwarden --system-info: the summary for bug reports, printed without starting the desktop.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <sys/wait.h>

namespace {

TEST(SystemInfo, PrintsTheSummaryAndExits)
{
#ifndef JW_DESKTOP
    GTEST_SKIP() << "the desktop program is not built";
#else
    // No display: the option must not need one.
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= " + std::string(JW_DESKTOP)
                                + " --system-info";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::regex expected("OS: .*Linux .+\n"
                              "Computer: [^a-z\n]+\n"
                              "User: .+\n"
                              "CPU: .+ - [0-9]+ Mhz\n"
                              "Memory: [1-9][0-9]* KB\n"
                              "Version: [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\n");
    EXPECT_TRUE(std::regex_match(output, expected)) << output;
#endif
}

} // namespace
