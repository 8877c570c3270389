// jetwarden-accounts: administers a workgroup's users, groups and passwords and the permissions
// of a database's documents from scripts.

#include "cli/AccountsTool.h"
#include "platform/ProgramInfo.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (auto status = platform::answerInfoOption(argc, argv, "jetwarden-accounts", cli::accountsUsage()))
        return *status;
    cli::AccountsOptions options;
    std::string error;
    if (!cli::parseAccountsOptions(argc, argv, options, error)) {
        if (error.empty()) { // --help after other options
            std::fputs(cli::accountsUsage().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "jetwarden-accounts: %s\n%s", error.c_str(), cli::accountsUsage().c_str());
        return 2;
    }
    return cli::runAccounts(options);
}
