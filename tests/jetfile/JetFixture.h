#pragma once

#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <string>

// A copy of one of the Access test files in a temporary folder, and a cache folder of its own,
// so that no test writes beside the originals or into the user's cache.
class JetFiles {
public:
    JetFiles()
    {
        ::setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);
        ::setenv("JETWARDEN_JETREAD", JW_JETREAD, 1);
        ::unsetenv("JETWARDEN_JET_CHARSET");
        ::unsetenv("JETWARDEN_JET_TIMEOUT");
    }
    static std::string original(const std::string &name) { return std::string(JW_JET_FIXTURES) + "/" + name; }
    // The copy of fixture `name` (made on first use).
    std::string copy(const std::string &name) const
    {
        const std::string path = dir.file(name);
        if (!std::filesystem::exists(path))
            std::filesystem::copy_file(original(name), path);
        return path;
    }
    TempDir dir;
};
