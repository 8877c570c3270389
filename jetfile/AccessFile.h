#pragma once

#include <functional>
#include <stdexcept>
#include <string>

// Access (Jet, ACE) files as the engine meets them: recognised by their header, read by the
// helper program jetwarden-jetread in a child process, and turned into engine databases.
namespace jetfile {

// Why an Access file could not be read: not one at all, damaged (the reader failed, crashed or
// stalled), or an input/output problem around it (helper missing, target exists, disk full).
class AccessError : public std::runtime_error {
public:
    enum Kind { Damaged, Io, TargetExists };
    AccessError(Kind kind, const std::string &message) : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Table n of total is being copied.
using ConvertProgress = std::function<void(int n, int total, const std::string &table)>;

// True when the file starts with the header of a Jet 3, Jet 4 or ACE database.
bool isAccessFile(const std::string &path);

// The code page for Jet 3 text chosen by the user (environment variable JETWARDEN_JET_CHARSET),
// or empty for the file's own.
std::string chosenCharset();

// Writes a new engine database at `target` holding everything of the Access file `source`.
// Never replaces an existing file; on failure nothing is left at `target`.
void convert(const std::string &source, const std::string &target, const std::string &charset,
             const ConvertProgress &progress = {});

// The private engine copy of `source` in the user's cache folder (mode 0600), made again when
// the source's size or modification time or the charset changed. Returns its path.
std::string workingCopy(const std::string &source, const std::string &charset);

} // namespace jetfile
