// jetwarden-admin: compacts, repairs, encrypts and decrypts database files from a shell.

#include "cli/AdminTool.h"
#include "platform/ProgramInfo.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (auto status = platform::answerInfoOption(argc, argv, "jetwarden-admin", cli::adminUsage()))
        return *status;
    cli::AdminOptions options;
    std::string error;
    if (!cli::parseAdminOptions(argc, argv, options, error)) {
        if (error.empty()) {
            std::fputs(cli::adminUsage().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "jetwarden-admin: %s\n%s", error.c_str(), cli::adminUsage().c_str());
        return 2;
    }
    return cli::runAdmin(options);
}
