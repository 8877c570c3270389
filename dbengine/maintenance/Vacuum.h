#pragma once

#include <cstddef>
#include <string>

namespace dbengine {
class Connection;
}

namespace dbengine::maintenance {

class TempFile;

// Runs SQLite's check on `db`: true when it reports no fault, false when the file is damaged.
// `thorough` also compares every index with its table. Other failures (locks, disk) throw.
bool isSound(Connection &db, bool thorough);

// Writes a defragmented copy of the open database into the empty file `temp`, keeping its
// write-ahead-log mode.
void copyInto(Connection &source, const TempFile &temp);

// VACUUM INTO always writes a rollback-journal file; write-ahead logging is a lasting setting
// of a database, so it is switched on again in `copy` when `source` uses it.
void keepJournalMode(Connection &source, const TempFile &copy);

// Checks the plain database `source` and copies it into `temp`; throws Damaged for a damaged
// source without writing anything else.
void compactInto(const std::string &source, const TempFile &temp);

// A compacted copy of a database held in memory only, so that a plain copy of a database that
// is about to be encrypted never exists as a file, not even after the process is killed.
class MemoryCopy {
public:
    // Checks `source` (throws Damaged for a damaged one) and copies it.
    explicit MemoryCopy(const std::string &source);
    MemoryCopy(const MemoryCopy &) = delete;
    MemoryCopy &operator=(const MemoryCopy &) = delete;
    ~MemoryCopy();

    const unsigned char *data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    unsigned char *data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace dbengine::maintenance
