#pragma once

#include <functional>
#include <string>

// Replacing a user's file with a new one made by an operation (compact, encrypt, decrypt).
namespace dbengine::maintenance {

// Has `write` make a new file at the path it is given (a name in a private folder beside
// `destination` that nothing occupies yet) and then puts it in the place of `destination` in one
// rename. The replaced file's permissions are kept and, where the process may set them, its
// owner and group; a new file gets 0666 less the umask. When `destination` is a symbolic link,
// the link stays and the file it points to is replaced. On any failure `destination` stays as
// it was and nothing is left behind.
void replaceFile(const std::string &destination, const std::function<void(const std::string &path)> &write);

// The file a name stands for: symbolic links followed to the end (also when the last one
// points to a file that does not exist yet); any other name as it is.
std::string resolvedFileName(const std::string &path);

// Throws InvalidArgument, asking for another file, when `destination` is `source` itself (by
// any name or link): an operation that reads one file and writes another would destroy it.
void requireOtherFile(const std::string &source, const std::string &destination);

} // namespace dbengine::maintenance
