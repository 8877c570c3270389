#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// jetwarden-accounts: administers a workgroup and the permissions of a database's documents
// from scripts, through the access object as the accounts dialog does.
struct AccountsOptions {
    std::string systemDb;
    std::string user = "Admin";
    std::string password;
    std::string passwordFile;
    bool passwordGiven = false;
    std::string command;
    std::vector<std::string> arguments;
};

// False with an empty `error` for --help, with a message for bad arguments.
bool parseAccountsOptions(int argc, char **argv, AccountsOptions &options, std::string &error);
std::string accountsUsage();

// A permission mask from a number (decimal or 0x hexadecimal) or from names separated by
// commas ("retrieve-data,insert-data"; on the database document "open,exclusive").
std::optional<std::int32_t> parseMask(const std::string &text, bool database);
// The names of the rights a mask holds completely, separated by commas.
std::string maskNames(std::int32_t mask, bool database);

// Runs the command; the exit status: 0 done, 1 the engine refused, 2 bad arguments or no login.
int runAccounts(const AccountsOptions &options);

} // namespace cli
