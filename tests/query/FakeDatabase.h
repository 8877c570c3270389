#pragma once

#include "fakes/FakeObject.h"

#include "query/core/ScriptSink.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fakes {

struct Column {
    std::string name;
    std::int32_t type;
    std::int32_t size;
};

// What a recordset returns: its fields and its cells, row by row.
struct TableData {
    std::vector<Column> columns;
    std::vector<std::vector<Variant>> rows;
};

// A database that answers OpenRecordset from `tables` and Execute from `affected`, both keyed by
// the exact SQL text, and fails with the engine message in `failures`. Calls land in `log`.
class FakeDatabase : public automation::Object {
public:
    explicit FakeDatabase(LogPtr log) : log_(std::move(log)) {}
    std::string_view className() const override { return "Database"; }

    std::map<std::string, TableData> tables;
    std::map<std::string, std::int32_t> affected;
    std::map<std::string, std::string> failures;
    // Statements that return rows: Execute refuses them as the engine does (3065).
    std::set<std::string> rowReturning;
    // Statements that run out of memory (std::bad_alloc).
    std::set<std::string> exhausting;
    // A recordset member that fails with "Recordset member failed." ("" for none).
    std::string failingRecordsetMember;
    // Statements that ask the parameter prompt for a value first (SQL to parameter name); the
    // answers, "(none)" for none, go to `answers`.
    std::map<std::string, std::string> asks;
    std::vector<std::string> answers;

protected:
    Variant invoke(Invoke kind, const std::string &member, const Args &args) override;

private:
    Variant openRecordset(const std::string &sql);

    LogPtr log_;
    std::int32_t recordsAffected_ = 0;
    Variant prompt_;
};

// Collects what a run writes; processMessages runs `onMessages` when set.
class RecordingSink : public query::ScriptSink {
public:
    std::vector<std::string> lines;
    std::map<int, std::vector<std::string>> statuses; // every text set, per panel
    std::function<void()> onMessages;
    struct HistoryEntry {
        std::string sql;
        std::uint32_t executionMs;
        std::int32_t records;
        friend bool operator==(const HistoryEntry &, const HistoryEntry &) = default;
    };
    std::vector<HistoryEntry> history;
    std::vector<std::string> failures; // "sql: message"
    int clears = 0;
    // Parameter values the user gives, by name; asking runs `onAsk` first.
    std::map<std::string, std::string> parameterAnswers;
    std::function<void()> onAsk;
    std::optional<std::string> askParameter(const std::string &name) override
    {
        if (onAsk)
            onAsk();
        const auto it = parameterAnswers.find(name);
        return it == parameterAnswers.end() ? std::nullopt : std::optional<std::string>(it->second);
    }

    void clearResult() override
    {
        lines.clear();
        ++clears;
    }
    void addLine(const std::string &text) override { lines.push_back(text); }
    std::int32_t lineCount() const override { return std::int32_t(lines.size()); }
    void setStatus(int panel, const std::string &text) override { statuses[panel].push_back(text); }
    void processMessages() override
    {
        if (onMessages)
            onMessages();
    }
    void repaint() override {}
    void historyUpdate(const std::string &sql, std::uint32_t executionMs,
                       std::int32_t records) override
    {
        history.push_back({sql, executionMs, records});
    }
    void statementFailed(const std::string &sql, const std::string &message) override
    {
        failures.push_back(sql + ": " + message);
    }
    std::string status(int panel) const
    {
        auto it = statuses.find(panel);
        return it == statuses.end() || it->second.empty() ? std::string() : it->second.back();
    }
};

} // namespace fakes
