#include "ConvertCommand.h"

#include "jetfile/AccessFile.h"

#include <cstdio>

namespace cli {

int convertCommand(const std::string &source, const std::string &target, const std::string &charset)
{
    if (!jetfile::isAccessFile(source)) {
        std::fprintf(stderr, "'%s' is not an Access file; only Access files are converted.\n", source.c_str());
        return 2;
    }
    try {
        jetfile::convert(source, target, charset, [](int n, int total, const std::string &table) {
            std::fprintf(stderr, "Table %d of %d: %s\n", n, total, table.c_str());
        });
    } catch (const jetfile::AccessError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}

} // namespace cli
