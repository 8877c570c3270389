#include "ProgramInfo.h"

#include "platform/Version.h"

#include <cstdio>
#include <cstring>

namespace platform {

std::string versionText(const std::string &program)
{
    return program + " " + kProgramVersion + "\n";
}

std::optional<int> answerInfoOption(int argc, char **argv, const std::string &program,
                                    const std::string &help)
{
    if (argc < 2)
        return std::nullopt;
    const char *first = argv[1];
    std::string text;
    if (std::strcmp(first, "--version") == 0)
        text = versionText(program);
    else if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)
        text = help;
    else
        return std::nullopt;
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace platform
