// jetwarden-admin: compacts, repairs, encrypts and decrypts database files from a shell.

#include "cli/AdminTool.h"

#include <cstdio>

int main(int argc, char **argv)
{
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
