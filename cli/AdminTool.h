#pragma once

#include "CliOptions.h"

#include <string>
#include <vector>

namespace cli {

// jetwarden-admin: compact, repair, encrypt and decrypt database files from a shell, through the
// session the desktop program uses.
struct AdminOptions {
    std::string command;            // compact, repair, encrypt, decrypt
    std::vector<std::string> files; // SOURCE [TARGET], or FILE
    Options login;                  // account, workgroup and engine, as jetwarden-sql takes them
    std::string keyFile;            // the file password's first line (encrypt, decrypt)
};

// False with an empty `error` for --help, with a message for bad arguments.
bool parseAdminOptions(int argc, char **argv, AdminOptions &options, std::string &error);
std::string adminUsage();

// The exit status: 0 done, 1 the engine refused or the operation failed, 2 bad arguments.
int runAdmin(const AdminOptions &options);

} // namespace cli
