#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <sys/stat.h>

// The names in a folder, to show that an operation left nothing behind.
inline std::set<std::string> namesIn(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The permission bits of `path`, or all bits set when it cannot be read.
inline mode_t modeOf(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : mode_t(-1);
}
