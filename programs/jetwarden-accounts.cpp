// jetwarden-accounts: administers a workgroup's users, groups and passwords and the permissions
// of a database's documents from scripts.

#include "cli/AccountsTool.h"

#include <cstdio>

int main(int argc, char **argv)
{
    cli::AccountsOptions options;
    std::string error;
    if (!cli::parseAccountsOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s%s%s", error.c_str(), error.empty() ? "" : "\n", cli::accountsUsage().c_str());
        return error.empty() ? 0 : 2;
    }
    return cli::runAccounts(options);
}
