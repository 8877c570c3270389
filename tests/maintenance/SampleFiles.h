#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

// Real files in a scratch folder for the maintenance tests: a small sample database, ways to
// leave it in the states a crash or a bad disk leaves behind, and ways to read it back.
namespace sample {

// A fresh folder under the system's temporary folder, removed with everything in it.
class Folder {
public:
    Folder();
    ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    std::string file(const std::string &name) const;
    // The names of everything in the folder, hidden files included.
    std::set<std::string> entries() const;

private:
    std::string path_;
};

// Customers, orders (AUTOINCREMENT, an index, a view over it, a trigger writing to audit) with a
// few hundred rows, some deleted, and a dropped table so that the file has free pages.
void makeDatabase(const std::string &path);

// A copy of `source` at `copy` with a hot journal beside it, as a program that stopped in the
// middle of a transaction leaves it. The transaction changed every order's note.
void makeUnfinishedTransactionCopy(const std::string &source, const std::string &copy);

// Switches `path` to write-ahead logging and adds `rows` orders that stay in the -wal file.
void addRowsInWriteAheadLog(const std::string &path, int rows);

void exec(const std::string &path, const std::string &sql);
// Each row of `sql` as its columns joined by '|'.
std::vector<std::string> rows(const std::string &path, const std::string &sql);
// The schema and every row of every table, in a stable order.
std::vector<std::string> contents(const std::string &path);
// "ok" for a sound file, else SQLite's first complaint.
std::string integrity(const std::string &path);

// The leaf pages of `table`'s b-tree from left to right.
std::vector<std::int64_t> leafPages(const std::string &path, const std::string &table);
// The rowids stored on a table leaf page.
std::vector<std::int64_t> rowidsOnPage(const std::string &path, std::int64_t page);
// Points the schema entry of `table` at a page beyond the end of the file.
void misplaceTable(const std::string &path, const std::string &table);
// Overwrites the page header of `page`, so that SQLite finds the page malformed.
void damagePage(const std::string &path, std::int64_t page);

std::string readBytes(const std::string &path);
void writeBytes(const std::string &path, const std::string &bytes);
bool exists(const std::string &path);

// What `action` threw: the engine's code and message, or code 0 when it succeeded.
struct Failure {
    std::int32_t code = 0;
    std::string message;
};
Failure failureOf(const std::function<void()> &action);

} // namespace sample
