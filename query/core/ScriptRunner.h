#pragma once

#include "automation/Variant.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace query {

class ScriptSink;

// Runs a SQL script against a database statement by statement and writes the results as
// aligned text: comments are stripped, the text is split at semicolons outside quoted text, SELECT statements are
// fetched as recordsets and shown as columns, everything else is executed and its affected
// records counted. Shared by the query window and jetwarden-sql; no Qt.
class ScriptRunner {
public:
    // Milliseconds of a monotonic clock; the platform's tick counter unless a test supplies one.
    using Clock = std::function<std::uint32_t()>;

    explicit ScriptRunner(ScriptSink &sink, Clock clock = {});

    // The open database; without an object a statement writes and counts nothing.
    automation::Variant CurrentDatabase;

    // True while a run is in progress; stop() clears it and the run ends at the next check.
    bool FRunning = false;
    // Sum of the record counts of the statements run so far.
    std::int32_t FTotalRecords = 0;
    // Record count of the statement in progress; 0 until known.
    std::int32_t FStatementRecords = 0;
    // Statements counted so far; while one runs, its 1-based number.
    std::int32_t FStatementCount = 0;
    // Entry N-1: the 1-based result line where the output of statement N begins.
    std::vector<std::int32_t> FResultLineStarts;
    // Values (rows x fields) the engine reads between two rounds of pending events, so that
    // Stop is handled during a long read too; at least one row a step. The default reads a
    // million rows of six columns in steps of a few milliseconds each.
    std::int32_t ReadStep = DefaultReadStep;
    static constexpr std::int32_t DefaultReadStep = 120000;

    // A whole run: resets the totals, clears the result and executes the script. Ignored while
    // a run is already in progress (the sink's processMessages may re-enter).
    void run(const std::string &scriptText);
    void stop() { FRunning = false; }

    void ExecuteScript(std::string text);
    void ExecuteStatement(const std::string &sql);
    void ShowRecordset(const automation::Variant &recordset);

    // Appends `c` until `text` is `width` characters long; a longer text stays as it is.
    // Characters are counted as UTF-8 code points, so non-ASCII text stays aligned.
    static std::string PadRight(std::string text, char c, std::size_t width);
    // The display width of a result column (without the two separating spaces).
    static std::size_t ColumnWidth(std::int32_t size, std::string_view name, std::int32_t type);
    // The script text of an editor: every line followed by CR LF.
    static std::string ScriptFromLines(const std::vector<std::string> &lines);
    // The text without the UTF-8 byte-order mark other editors put at the start of a file.
    static std::string WithoutByteOrderMark(std::string text);
    // The script with brace and line comments outside quoted text removed; line breaks stay.
    static std::string StripComments(std::string text);

private:
    void RunRecordset(const std::string &sql, std::uint32_t &execMs, std::uint32_t &fetchMs);
    void ReadRows(const automation::Variant &recordset);
    void RunAction(const std::string &sql, std::uint32_t &execMs);
    void ReportStatement(const std::string &sql, std::uint32_t execMs, std::uint32_t fetchMs);
    void ShowFetchProgress(std::int32_t row, std::int32_t &lastPercent);

    ScriptSink &sink_;
    Clock clock_;
    // Milliseconds the statement in progress spent asking for parameter values.
    std::uint32_t askingMs_ = 0;
};

} // namespace query
