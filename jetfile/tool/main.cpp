// jetwarden-jetread: reads one Access (Jet) file and writes it as a new engine database. The
// program runs it as a separate process so that a damaged file that crashes or hangs the
// file-format library cannot take the program with it.
//
//   jetwarden-jetread [--charset NAME] SOURCE TARGET
//
// Progress lines on standard output ("table N M NAME"); on failure a sentence on standard error
// and exit status 3 (unreadable file), 4 (unknown text encoding) or 2 (usage).
#include "jetfile/reader/EngineWriter.h"
#include "jetfile/reader/JetReader.h"
#include "platform/ProgramInfo.h"

#include <cstdio>
#include <iconv.h>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (auto status = platform::answerInfoOption(argc, argv, "jetwarden-jetread",
                                                 "usage: jetwarden-jetread [--charset NAME] SOURCE TARGET\n"
                                                 "       jetwarden-jetread --help | --version\n"
                                                 "Writes the Access file SOURCE as a new engine database TARGET; the\n"
                                                 "Jetwarden programs run it, it is not meant to be run by hand.\n"))
        return *status;
    std::string charset;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--charset") == 0) {
        charset = argv[i + 1];
        i += 2;
    }
    if (argc - i != 2) {
        std::fprintf(stderr, "usage: jetwarden-jetread [--charset NAME] SOURCE TARGET\n");
        return 2;
    }
    const std::string source = argv[i], target = argv[i + 1];
    if (!charset.empty()) {
        const iconv_t probe = iconv_open("UTF-8", charset.c_str());
        if (probe == iconv_t(-1)) {
            std::fprintf(stderr, "The text encoding '%s' is unknown.\n", charset.c_str());
            return 4;
        }
        iconv_close(probe);
    }
    try {
        jetfile::JetReader reader(source, charset);
        jetfile::writeEngineDatabase(reader, target, source, charset, [](int n, int total, const std::string &name) {
            std::printf("table %d %d %s\n", n, total, name.c_str());
            std::fflush(stdout);
        });
    } catch (const std::exception &e) {
        ::unlink(target.c_str());
        std::fprintf(stderr, "%s\n", e.what());
        return 3;
    }
    return 0;
}
