// jetwarden-sql: runs a SQL script against a database as the query window's Execute does and
// prints the result text. The status panel's final text goes to standard error.

#include "cli/CliOptions.h"
#include "cli/CliSession.h"

#include <cstdio>

int main(int argc, char **argv)
{
    cli::Options options;
    std::string error;
    if (!cli::parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s\n%s", error.c_str(), cli::usage().c_str());
        return error.empty() ? 0 : 2;
    }
    return cli::runSession(options);
}
