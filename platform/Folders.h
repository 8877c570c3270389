#pragma once

#include <string>

namespace platform {

// Full path of the running executable ("" when it cannot be read).
std::string executablePath();
std::string executableDir();

// Read-only data shipped with the program: share/jetwarden under the install prefix, or the
// executable's own folder in a build tree.
std::string programDataDir();

// The user's data folder: $XDG_DATA_HOME/Jetwarden, by default ~/.local/share/Jetwarden.
// Not created here.
std::string userDataDir();

// Where files that live "beside the executable" go: the executable's folder when it is
// writable and not an installed bin/ folder, else the user's data folder (created on demand).
std::string appFilesDir();
// The choice of appFilesDir for an executable in `exeDir` and the user's data folder `userDir`.
std::string appFilesDirFor(const std::string &exeDir, const std::string &userDir);
// `exeDir`/../share/jetwarden when that folder exists (an installed program), else "".
std::string installedDataDir(const std::string &exeDir);

bool fileExists(const std::string &path);
// Why `path` is not a regular file, as the end of a sentence ("is a folder", "is a named pipe",
// "is a device", "is not a regular file", "does not exist"); "" when it is one.
std::string notAFileReason(const std::string &path);
// `dir` + "/" + `name`, without doubling a trailing slash.
std::string joinPath(const std::string &dir, const std::string &name);

} // namespace platform
