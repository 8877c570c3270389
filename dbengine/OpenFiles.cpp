#include "OpenFiles.h"

#include "ErrorCodes.h"
#include "automation/Error.h"

#include <filesystem>
#include <map>

namespace dbengine::openfiles {

namespace {

struct Use {
    int count = 0;
    bool exclusive = false;
};

std::map<std::string, Use> &uses()
{
    static std::map<std::string, Use> map;
    return map;
}

} // namespace

std::string key(const std::string &path)
{
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return ec ? path : canonical.string();
}

void acquire(const std::string &key, bool exclusive)
{
    Use &use = uses()[key];
    if (use.exclusive || (exclusive && use.count > 0)) {
        if (use.count == 0)
            uses().erase(key);
        throw automation::Error("The database '" + std::filesystem::path(key).filename().string()
                                    + "' is already open"
                                    + (use.exclusive ? " exclusively." : "; it cannot be opened exclusively."),
                                err::FileInUse, "DAO.Workspace");
    }
    ++use.count;
    use.exclusive = exclusive;
}

void release(const std::string &key, bool exclusive)
{
    auto it = uses().find(key);
    if (it == uses().end())
        return;
    if (--it->second.count <= 0)
        uses().erase(it);
    else if (exclusive)
        it->second.exclusive = false;
}

bool isOpen(const std::string &key)
{
    return uses().count(key) != 0;
}

} // namespace dbengine::openfiles
