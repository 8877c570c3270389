// --help wherever the programs accept it: the usage text on standard output, status 0, nothing
// done; --version as the first argument.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

struct Case {
    const char *program;
    const char *name;
    const char *args; // DIR stands for the temporary folder
};

TEST(Help, GoesToStandardOutputAndDoesNothingElse)
{
    const Case cases[] = {
        {JW_CLI, "jetwarden-sql", "--help"},
        {JW_CLI, "jetwarden-sql", "-h"},
        {JW_CLI, "jetwarden-sql", "--new DIR/new.mdb --help"},
        {JW_ACCOUNTS, "jetwarden-accounts", "--help"},
        {JW_ACCOUNTS, "jetwarden-accounts", "--system-db DIR/new.mdw --help"},
        {JW_ADMIN, "jetwarden-admin", "--help"},
        {JW_ADMIN, "jetwarden-admin", "compact DIR/new.mdb --help"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.args);
        TempDir dir;
        std::string args = c.args;
        for (std::size_t at; (at = args.find("DIR")) != std::string::npos;)
            args.replace(at, 3, dir.path());
        const std::string command = std::string(c.program) + " " + args + " > " + dir.file("out.txt") + " 2> "
                                    + dir.file("err.txt") + " < /dev/null";
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), 0);
        EXPECT_EQ(readAll(dir.file("out.txt")).rfind(std::string("usage: ") + c.name + " ", 0), 0u)
            << readAll(dir.file("out.txt"));
        EXPECT_EQ(readAll(dir.file("err.txt")), "");
        EXPECT_FALSE(std::filesystem::exists(dir.file("new.mdb")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("new.mdw")));
    }
}

} // namespace
