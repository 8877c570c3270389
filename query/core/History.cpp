#include "History.h"

#include "SecondsText.h"

#include "automation/Text.h"

namespace query {

namespace {

const std::string noStatement;

// FNV-1a over the text with a-z taken as A-Z, so texts that equalsNoCase calls equal hash alike.
std::size_t hashNoCase(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return std::size_t(hash);
}

void setTimeAndRecords(ListViewItem &item, std::uint32_t executionMs, std::int32_t records)
{
    if (item.subItems.size() <= History::RecordsColumn)
        item.subItems.resize(History::RecordsColumn + 1);
    item.subItems[History::TimeColumn] = SecondsText(executionMs);
    item.subItems[History::RecordsColumn] = std::to_string(records);
}

} // namespace

History::Update History::UpdateHistory(const std::string &sql, std::uint32_t executionMs,
                                       std::int32_t records)
{
    std::size_t index = 0;
    if (find(sql, index)) {
        setTimeAndRecords(entries_[index], executionMs, records);
        return {index, false};
    }
    ListViewItem item;
    item.caption = std::to_string(entries_.size() + 1);
    item.subItems = {sql};
    setTimeAndRecords(item, executionMs, records);
    entries_.push_front(std::move(item));
    --topKey_;
    remember(sql, topKey_);
    return {0, true};
}

void History::Clear()
{
    entries_.clear();
    byStatement_.clear();
    topKey_ = 0;
}

void History::append(ListViewItem item)
{
    entries_.push_back(std::move(item));
    remember(statement(entries_.size() - 1), keyAt(entries_.size() - 1));
}

const std::string &History::statement(std::size_t index) const
{
    const ListViewItem &item = entries_.at(index);
    return item.subItems.empty() ? noStatement : item.subItems[StatementColumn];
}

bool History::find(std::string_view sql, std::size_t &index) const
{
    bool found = false;
    const auto [begin, end] = byStatement_.equal_range(hashNoCase(sql));
    for (auto it = begin; it != end; ++it) {
        const std::size_t candidate = indexOf(it->second);
        if ((!found || candidate < index) && automation::equalsNoCase(statement(candidate), sql)) {
            index = candidate;
            found = true;
        }
    }
    return found;
}

void History::remember(std::string_view sql, Key key)
{
    byStatement_.emplace(hashNoCase(sql), key);
}

} // namespace query
