#pragma once

#include <string>

// Whole-file operations of the engine. Every function throws automation::Error with a code of
// ErrorCodes.h; none leaves a partly written destination, and none changes the source when it
// fails. The caller makes sure the engine has none of the files open.
namespace dbengine::maintenance {

// Copies `source` into a new, defragmented database at `destination` (which must not exist).
void compact(const std::string &source, const std::string &destination);

// Checks `path` and rebuilds it in place; a damaged file is salvaged row by row into a new file
// that replaces the original only once it is complete.
void repair(const std::string &path);

// Seals a compacted copy of `source` into `destination` with a key derived from `password`. The
// plain copy is made in memory and never written to a file.
void encrypt(const std::string &source, const std::string &destination, const std::string &password);

// Unseals `source` into a plain database at `destination`; a wrong password is reported clearly.
void decrypt(const std::string &source, const std::string &destination, const std::string &password);

// True when the file starts with the sealed-file header.
bool isSealed(const std::string &path);

} // namespace dbengine::maintenance
