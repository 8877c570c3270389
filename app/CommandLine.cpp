#include "CommandLine.h"

std::string jetwardenUsage()
{
    return "usage: jetwarden [DATABASE]\n"
           "       jetwarden --help | --version | --system-info\n"
           "Starts the desktop program; DATABASE, when given, is opened at start as if chosen\n"
           "in the open dialog. --system-info prints a summary of the system (processor,\n"
           "memory, operating system, program version) and exits.\n"
           "Qt's own options (such as -platform NAME) are accepted too.\n"
           "Exit status: 0 when the program is closed normally.\n";
}
