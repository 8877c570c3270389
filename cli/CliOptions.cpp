#include "CliOptions.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace cli {

std::string usage()
{
    return "usage: jetwarden-sql [--user NAME] [--password PW | --password-file FILE] [--system-db PATH]\n"
           "                     [--exclusive]\n"
           "                     [--read-only] [--new] [--engine 0|1|2] [--history FILE]\n"
           "                     DATABASE [SCRIPT]\n"
           "Runs SCRIPT (or standard input) against DATABASE and prints the result text.\n"
           "The password is read from --password-file FILE (its first line) or from the\n"
           "environment variable JETWARDEN_PASSWORD when --password is not given.\n"
           "--history FILE keeps the query window's history of the statements run in FILE.\n"
           "Exit status: 0 all statements succeeded, 1 a statement failed, 2 the database\n"
           "could not be opened, the arguments are wrong, or the history file could not be\n"
           "read or saved.\n";
}

bool parseOptions(int argc, char **argv, Options &o, std::string &error)
{
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string &target) {
            if (i + 1 >= argc) {
                error = "missing value after " + a;
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h")
            return false;
        if (a == "--user") {
            if (!value(o.user))
                return false;
            o.loginGiven = true;
        } else if (a == "--password") {
            if (!value(o.password))
                return false;
            o.passwordGiven = true;
            o.loginGiven = true;
        } else if (a == "--password-file") {
            if (!value(o.passwordFile))
                return false;
            o.loginGiven = true;
        } else if (a == "--system-db") {
            if (!value(o.systemDb))
                return false;
        } else if (a == "--history") {
            if (!value(o.history))
                return false;
        } else if (a == "--engine") {
            std::string e;
            if (!value(e))
                return false;
            if (e != "0" && e != "1" && e != "2") {
                error = "--engine takes 0, 1 or 2";
                return false;
            }
            o.engine = e[0] - '0';
        } else if (a == "--exclusive") {
            o.exclusive = true;
        } else if (a == "--read-only") {
            o.readOnly = true;
        } else if (a == "--new") {
            o.create = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return false;
        } else if (positional == 0) {
            o.database = a;
            ++positional;
        } else if (positional == 1) {
            o.script = a == "-" ? std::string() : a;
            ++positional;
        } else {
            error = "too many arguments";
            return false;
        }
    }
    if (o.database.empty()) {
        error = "no database given";
        return false;
    }
    if (!resolvePassword(o.password, o.passwordGiven, o.passwordFile, error))
        return false;
    if (!o.passwordGiven && std::getenv(kPasswordVariable))
        o.loginGiven = true;
    return true;
}

bool resolvePassword(std::string &password, bool passwordGiven, const std::string &passwordFile,
                     std::string &error)
{
    if (passwordGiven)
        return true;
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in) {
            error = "cannot read the password file '" + passwordFile + "'";
            return false;
        }
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        password = line;
        return true;
    }
    if (const char *fromEnvironment = std::getenv(kPasswordVariable))
        password = fromEnvironment;
    return true;
}

} // namespace cli
