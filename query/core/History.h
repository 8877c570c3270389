#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace query {

// One row of a list view as the list-view file stores it.
struct ListViewItem {
    std::string caption;
    std::int32_t imageIndex = -1;
    std::vector<std::string> subItems;

    bool operator==(const ListViewItem &) const = default;
};

// The query window's history of distinct statements, top (newest) first. Each entry's caption is
// its number; its sub-items are the statement, the last execution time in seconds and the last
// record count. The window shows these entries; no Qt here.
class History {
public:
    static constexpr std::size_t StatementColumn = 0;
    static constexpr std::size_t TimeColumn = 1;
    static constexpr std::size_t RecordsColumn = 2;

    // Where UpdateHistory put the statement.
    struct Update {
        std::size_t index; // 0 is the top
        bool inserted;     // false: an existing entry took the new time and count in place
    };

    // Records a statement that ran without error. An entry whose statement equals `sql` apart
    // from the letter case of a-z takes the new time and count and keeps its number and place;
    // otherwise a new entry goes on top, numbered with the entry count after the insertion.
    Update UpdateHistory(const std::string &sql, std::uint32_t executionMs, std::int32_t records);
    // Removes every entry; the next entry is numbered 1 again.
    void Clear();
    // Adds an item below the others, as loading a file does; captions are kept as stored.
    void append(ListViewItem item);

    std::size_t count() const { return entries_.size(); }
    const ListViewItem &entry(std::size_t index) const { return entries_.at(index); }
    // The statement of an entry ("" for an item loaded without sub-items).
    const std::string &statement(std::size_t index) const;

private:
    using Key = std::int64_t;

    Key keyAt(std::size_t index) const { return topKey_ + Key(index); }
    std::size_t indexOf(Key key) const { return std::size_t(key - topKey_); }
    // The topmost entry with this statement, compared without regard to the case of a-z.
    bool find(std::string_view sql, std::size_t &index) const;
    void remember(std::string_view sql, Key key);

    // Entries keep the key they were given: inserting on top takes the key above the top,
    // appending the key below the bottom, so an entry's place is its key minus the top's.
    std::deque<ListViewItem> entries_;
    Key topKey_ = 0;
    // Statement hash (letter case of a-z ignored) to the keys of the entries that may match, so
    // a long script does not scan the whole history for every statement.
    std::unordered_multimap<std::size_t, Key> byStatement_;
};

} // namespace query
