#pragma once

#include <string>

namespace cli {

struct Options {
    std::string user = "admin";
    std::string password;
    std::string passwordFile;
    bool passwordGiven = false;
    bool loginGiven = false;
    std::string systemDb;
    bool exclusive = false;
    bool readOnly = false;
    bool create = false;
    int engine = 2; // DAO 3.6, the program's default
    std::string database;
    std::string script; // empty: standard input
    std::string history; // the history file to load, update and save; empty: none
};

// The password of a login when --password was not given: the first line of `passwordFile`
// (its line break removed) when one is named, else the environment variable
// JETWARDEN_PASSWORD, else nothing. Neither shows in a process list. False with a message when
// the file cannot be read.
bool resolvePassword(std::string &password, bool passwordGiven, const std::string &passwordFile,
                     std::string &error);
// The environment variable that holds a password.
constexpr const char *kPasswordVariable = "JETWARDEN_PASSWORD";

// False with an empty `error` for --help, with a message for bad arguments.
bool parseOptions(int argc, char **argv, Options &options, std::string &error);
std::string usage();

} // namespace cli
