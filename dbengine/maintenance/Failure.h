#pragma once

#include <cstdint>
#include <string>

// Every maintenance error is an automation::Error with a code of ErrorCodes.h and a sentence
// that names the file by its file name.
namespace dbengine::maintenance {

// The name the user sees in messages: the file name in single quotes.
std::string quotedName(const std::string &path);

[[noreturn]] void fail(std::int32_t code, const std::string &message);

// A failed system call while reading or while writing `path` (errno value `error`).
[[noreturn]] void failReading(int error, const std::string &path);
[[noreturn]] void failWriting(int error, const std::string &path);

// A SQLite result code `rc` (extended codes welcome) met while working on `path`; the way every
// connection opened by openFile reports its failures.
[[noreturn]] void failSqlite(int rc, const std::string &path, const std::string &detail);

// True for SQLite results that say nothing about the data read (disk, memory, locks), so that
// salvaging must stop instead of skipping the row.
bool isEnvironmentFailure(int rc);

} // namespace dbengine::maintenance
