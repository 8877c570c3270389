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
           "                     [--jet-charset NAME] [--dialect access|sqlite] [--param NAME=VALUE]...\n"
           "                     DATABASE [SCRIPT]\n"
           "       jetwarden-sql [options] --schema DATABASE\n"
           "       jetwarden-sql --help | --version\n"
           "Runs SCRIPT (or standard input) against DATABASE and prints the result text.\n"
           "The password is read from --password-file FILE (its first line) or from the\n"
           "environment variable JETWARDEN_PASSWORD when --password is not given.\n"
           "--schema prints the definitions of DATABASE (tables, indexes, relations, queries).\n"
           "--jet-charset NAME reads the text of Jet 3 Access files in code page NAME.\n"
           "--dialect chooses the SQL of the statements: Access SQL (the default for a\n"
           "database of Access origin) or SQLite's (the default otherwise).\n"
           "--param gives a query parameter its value (NAME as the query writes it; the\n"
           "brackets around a simple name may be left out); repeat it for each parameter.\n"
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
        } else if (a == "--dialect") {
            if (!value(o.dialect))
                return false;
            if (o.dialect != "access" && o.dialect != "sqlite") {
                error = "--dialect takes access or sqlite";
                return false;
            }
        } else if (a == "--param") {
            std::string p;
            if (!value(p))
                return false;
            const auto eq = p.find('=');
            if (eq == std::string::npos || eq == 0) {
                error = "--param takes NAME=VALUE";
                return false;
            }
            o.parameters.emplace_back(p.substr(0, eq), p.substr(eq + 1));
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
        } else if (a == "--schema") {
            o.schema = true;
        } else if (a == "--jet-charset") {
            if (!value(o.jetCharset))
                return false;
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
