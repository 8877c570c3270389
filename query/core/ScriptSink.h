#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace query {

// Where a script run writes to: the query window or the command-line tool implement it.
class ScriptSink {
public:
    virtual ~ScriptSink() = default;

    // Empties the result text; lineCount() is then 0.
    virtual void clearResult() = 0;
    virtual void addLine(const std::string &text) = 0;
    // Lines added since the result was last cleared.
    virtual std::int32_t lineCount() const = 0;
    // Panel 2 holds the record total of the run, panel 3 progress and times.
    virtual void setStatus(int panel, const std::string &text) = 0;
    // Lets the window handle pending events (Stop, repainting); called after each statement and
    // after each fetched row, so an implementation may throttle itself.
    virtual void processMessages() = 0;
    virtual void repaint() = 0;
    // A statement finished without error.
    virtual void historyUpdate(const std::string &sql, std::uint32_t executionMs,
                               std::int32_t records) = 0;
    // A statement failed; its message is already in the result. For callers that report an
    // exit status; the window has no use for it.
    virtual void statementFailed(const std::string &sql, const std::string &message) {}
    // A query asks for the value of a parameter (its text as the query writes it); nullopt
    // when the user gives none. The command-line tool has nobody to ask.
    virtual std::optional<std::string> askParameter(const std::string &name) { return std::nullopt; }
};

} // namespace query
