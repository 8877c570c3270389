#pragma once

#include <cstddef>
#include <string>

namespace query {

class History;

// The list-view file ("LVF") that keeps the history between runs: the magic, a 16-bit item
// count, then per item a 16-bit sub-item count, a 32-bit image index, the caption and the
// sub-items, each string a 16-bit byte length and its bytes; all little-endian.

// The largest item count, sub-item count and string length the 16-bit fields hold.
inline constexpr std::size_t MaxListViewCount = 0xFFFF;

// Caption of the message box that shows a load failure.
inline constexpr const char *ListViewIoErrorCaption = "I/O Error";

enum class LoadStatus {
    Loaded,
    Missing,     // the file does not exist; nothing loaded
    NotListView, // it does not start with "LVF" (an empty file included); nothing loaded
    Damaged,     // truncated or inconsistent; the whole items before the damage were loaded
    Unreadable,  // the system could not read it; the whole items read before were loaded
};

struct LoadResult {
    LoadStatus status = LoadStatus::Loaded;
    std::size_t itemsLoaded = 0;
    std::string systemError; // for Unreadable: the system's description
};

// Appends the items of `fileName` to `history` in file order. Never trusts a count or length
// beyond the bytes the file still holds, so a damaged file cannot make it allocate without bound.
LoadResult LoadListViewFile(History &history, const std::string &fileName);

// Writes the items of `history`, top first, as far as the format can hold them: an item with a
// text longer than 65,535 bytes or more than 65,535 sub-items is left out whole (a cut statement
// could run as a different one), and only the first 65,535 of the others, the newest, are kept.
// The file is written beside `fileName` and renamed over it when complete, so a failed save
// leaves the previous file as it was. False with `error` set on failure.
bool SaveListViewFile(const History &history, const std::string &fileName,
                      std::string *error = nullptr);

// The text of the "I/O Error" box for a load result ("" for Loaded), naming the file without
// its folder.
std::string LoadMessage(const LoadResult &result, const std::string &fileName);

// Keeps a copy of a history file that did not load whole as "<fileName>.damaged" (replacing an
// older copy) before a save writes over the items after the damage. Returns the copy's path, or
// "" with `error` set when it could not be written.
std::string KeepDamagedCopy(const std::string &fileName, std::string *error = nullptr);

} // namespace query
