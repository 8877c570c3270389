#pragma once

#include <string>

// File-system steps shared by the maintenance operations: telling what a file is, checking a
// destination, and moving finished files into place.
namespace dbengine::maintenance {

enum class FileKind { Missing, Folder, Empty, Database, Sealed, Other };

// What `path` holds, judged from its first bytes; throws only when it cannot be read.
FileKind kindOf(const std::string &path);

// Throws FileNotFound, NotADatabase or Encrypted unless `path` is a plain database file.
void requirePlainDatabase(const std::string &path);

// Throws unless `destination` is a free name in an existing folder and differs from `source`.
void requireNewDestination(const std::string &source, const std::string &destination);

// Why the database `path` cannot be opened, told before anyone is asked to log in: a missing
// file, a folder or other non-file, an empty file or one that is no database, an encrypted file,
// a workgroup information file. "" when it looks like a database that can be opened.
std::string openProblem(const std::string &path);

std::string folderOf(const std::string &path);

// Moves `from` to `to` only if nothing is at `to`; returns false (moving nothing) if something is.
bool moveWithoutReplacing(const std::string &from, const std::string &to);

// Moves `from` over `to` in one step.
void moveReplacing(const std::string &from, const std::string &to);

// Makes a finished move durable; best effort, as the moved file itself is already synced.
void syncFolder(const std::string &folder);

// Removes the rollback journal and write-ahead log files SQLite keeps beside `path`.
void removeSidecars(const std::string &path);

} // namespace dbengine::maintenance
