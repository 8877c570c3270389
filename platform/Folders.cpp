#include "Folders.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace fs = std::filesystem;

std::string executablePath()
{
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string executableDir()
{
    const std::string exe = executablePath();
    return exe.empty() ? std::string(".") : fs::path(exe).parent_path().string();
}

std::string installedDataDir(const std::string &exeDir)
{
    const fs::path installed = fs::path(exeDir).parent_path() / "share" / "jetwarden";
    std::error_code ec;
    return fs::is_directory(installed, ec) ? installed.string() : std::string();
}

std::string programDataDir()
{
    const std::string dir = executableDir();
    const std::string installed = installedDataDir(dir);
    return installed.empty() ? dir : installed;
}

std::string userDataDir()
{
    const char *xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return joinPath(xdg, "Jetwarden");
    const char *home = std::getenv("HOME");
    std::string base;
    if (home && *home)
        base = home;
    else if (const passwd *pw = getpwuid(getuid()))
        base = pw->pw_dir;
    else
        base = "/tmp";
    return joinPath(joinPath(base, ".local/share"), "Jetwarden");
}

std::string appFilesDirFor(const std::string &exeDir, const std::string &userDir)
{
    // An installed program (bin/ beside share/jetwarden) never writes into bin/, even when it
    // may (root, or a prefix the user owns): its files belong to the user who runs it.
    if (installedDataDir(exeDir).empty() && access(exeDir.c_str(), W_OK) == 0)
        return exeDir;
    return userDir;
}

std::string appFilesDir()
{
    const std::string user = userDataDir();
    const std::string dir = appFilesDirFor(executableDir(), user);
    if (dir == user) {
        std::error_code ec;
        fs::create_directories(user, ec);
    }
    return dir;
}

bool fileExists(const std::string &path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string notAFileReason(const std::string &path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return "does not exist";
    if (S_ISREG(st.st_mode))
        return {};
    if (S_ISDIR(st.st_mode))
        return "is a folder, not a file";
    if (S_ISFIFO(st.st_mode))
        return "is a named pipe, not a file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "is a device, not a file";
    return "is not a regular file";
}

std::string joinPath(const std::string &dir, const std::string &name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

} // namespace platform
