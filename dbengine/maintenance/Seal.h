#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace dbengine::maintenance {

class FileHandle;

// Encrypts everything `plain` holds into `sealed` (header, then authenticated chunks).
void seal(FileHandle &plain, FileHandle &sealed, const std::string &password);
// As above, from `size` bytes in memory.
void seal(const unsigned char *plain, std::size_t size, FileHandle &sealed, const std::string &password);
// As above, from whatever `read` gives (a count below the one asked for ends the contents).
void sealFrom(const std::function<std::size_t(unsigned char *, std::size_t)> &read, FileHandle &sealed,
              const std::string &password);

// Verifies and decrypts `sealed` into `plain`. Throws InvalidPassword for a wrong password and
// Damaged when the file is truncated, altered or has data after its end; `plain` then holds
// only part of the contents and must be thrown away.
void unseal(FileHandle &sealed, FileHandle &plain, const std::string &password);

} // namespace dbengine::maintenance
