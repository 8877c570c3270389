#pragma once

#include <optional>
#include <string>

namespace platform {

// "NAME VERSION" and a line break, as --version prints it.
std::string versionText(const std::string &program);

// Every program's --help and --version, given as the first argument: prints `help` or the
// version text on standard output and returns the exit status (0). Any other first argument:
// nothing printed, no value; the program reads its arguments as usual.
std::optional<int> answerInfoOption(int argc, char **argv, const std::string &program,
                                    const std::string &help);

} // namespace platform
