// jetwarden-sql: runs a SQL script against a database as the query window's Execute does and
// prints the result text. The status panel's final text goes to standard error.

#include "cli/CliOptions.h"
#include "cli/CliSession.h"
#include "platform/ProgramInfo.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (auto status = platform::answerInfoOption(argc, argv, "jetwarden-sql", cli::usage()))
        return *status;
    cli::Options options;
    std::string error;
    if (!cli::parseOptions(argc, argv, options, error)) {
        if (error.empty()) { // --help after other arguments
            std::fputs(cli::usage().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "jetwarden-sql: %s\n%s", error.c_str(), cli::usage().c_str());
        return 2;
    }
    return cli::runSession(options);
}
