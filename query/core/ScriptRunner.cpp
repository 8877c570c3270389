#include "ScriptRunner.h"

#include "ScriptSink.h"
#include "SecondsText.h"

#include "automation/Error.h"
#include "automation/Object.h"
#include "engine/TypeNames.h"
#include "platform/TickCount.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <new>

namespace query {

using automation::Args;
using automation::Variant;
using automation::VarType;

namespace {

constexpr std::int32_t RecordsetTypeSnapshot = 4;
constexpr std::int32_t RecordsetOptions = 2;
constexpr std::size_t MaxColumnWidth = 255;
constexpr std::size_t DateColumnWidth = 22;
constexpr std::size_t ColumnGap = 2;
// The engine's answer to Execute on a statement that returns rows.
constexpr std::int32_t RowReturningCode = 3065;

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Blanks and control characters off both ends.
std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Scripts from Linux files and editors break lines with LF alone; turn those into CR LF so that
// comments and statements end at every line break.
std::string withCrLf(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// Where the quoted text starting at `open` ends (one past its closing character), or the end of
// the text when it is never closed. A doubled quote inside '...', "..." or `...` is part of it.
std::size_t quotedEnd(std::string_view text, std::size_t open)
{
    const char close = text[open] == '[' ? ']' : text[open];
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] != close)
            continue;
        if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return text.size();
}

bool opensQuote(char c) { return c == '\'' || c == '"' || c == '[' || c == '`'; }

// One pass from left to right. Quoted text ('...', "...", [...], `...`) is kept as it is;
// outside it, "{" through the next "}" is a comment (an unclosed "{" is text), and "--" starts
// a comment that ends before the line break, which stays.
std::string removeComments(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (opensQuote(c)) {
            const std::size_t end = quotedEnd(text, i);
            out.append(text, i, end - i);
            i = end;
        } else if (c == '{' && text.find('}', i + 1) != std::string::npos) {
            i = text.find('}', i + 1) + 1;
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            const std::size_t eol = text.find("\r\n", i + 2);
            i = eol == std::string::npos ? text.size() : eol;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// The first semicolon outside quoted text, or npos.
std::size_t findSemicolon(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ';')
            return i;
        i = opensQuote(text[i]) ? quotedEnd(text, i) : i + 1;
    }
    return std::string_view::npos;
}

// One statement as it goes to the engine: line breaks become spaces, ends trimmed.
std::string statementText(std::string_view raw)
{
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            text += ' ';
            ++i;
        } else {
            text += raw[i];
        }
    }
    return std::string(trimmed(text));
}

std::size_t codePoints(std::string_view text)
{
    std::size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void appendPadded(std::string &line, std::string_view text, std::size_t width)
{
    line += text;
    const std::size_t length = codePoints(text);
    if (length < width)
        line.append(width - length, ' ');
}

// Each record is one line of the result: a line break inside a value (CR LF, LF or CR) shows as
// "↵" and a tab as "→", so no row is split and the bookmarks stay on their statements.
std::string visibleBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\u21b5";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\t') {
            out += "\u2192";
        } else {
            out += c;
        }
    }
    return out;
}

// Integers and strings are written without a temporary string; the row loop runs for every cell.
void appendCell(std::string &line, const automation::Array &cells, std::size_t column, std::size_t row,
                std::size_t width)
{
    switch (cells.type(column, row)) {
    case VarType::Null:
        appendPadded(line, "(null)", width);
        return;
    case VarType::String: {
        const std::string_view text = cells.text(column, row);
        if (text.find_first_of("\r\n\t") == std::string_view::npos)
            appendPadded(line, text, width);
        else
            appendPadded(line, visibleBreaks(text), width);
        return;
    }
    case VarType::Long:
    case VarType::BigInt: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, cells.at(column, row).toInt64()).ptr;
        appendPadded(line, std::string_view(digits, std::size_t(end - digits)), width);
        return;
    }
    case VarType::Bytes:
    case VarType::Array:
    case VarType::Object:
        appendPadded(line, "<Error>", width);
        return;
    default:
        break;
    }
    try {
        appendPadded(line, cells.at(column, row).toText(), width);
    } catch (const std::exception &) {
        appendPadded(line, "<Error>", width);
    }
}

// round(100 * row / count), ties to even.
std::int32_t nearestPercent(std::int32_t row, std::int32_t count)
{
    const std::int64_t scaled = std::int64_t(row) * 100;
    std::int64_t q = scaled / count;
    const std::int64_t twiceRest = (scaled % count) * 2;
    if (twiceRest > count || (twiceRest == count && (q & 1)))
        ++q;
    return std::int32_t(q);
}

// The database's parameter prompt during a run: the sink asks the user. The time spent asking
// is not the statement's: it is counted apart and taken off the execution time.
class ParameterPrompt : public automation::Object {
public:
    ParameterPrompt(ScriptSink &sink, const ScriptRunner::Clock &clock, std::uint32_t &askingMs)
        : sink_(sink), clock_(clock), askingMs_(askingMs) {}
    std::string_view className() const override { return "ParameterPrompt"; }

protected:
    Variant invoke(automation::Invoke, const std::string &member, const Args &args) override
    {
        if (member != "ask")
            noMember(member);
        const std::uint32_t start = clock_();
        const auto value = sink_.askParameter(arg(args, 0).toText());
        askingMs_ += clock_() - start;
        return value ? Variant(*value) : Variant();
    }

private:
    ScriptSink &sink_;
    const ScriptRunner::Clock &clock_;
    std::uint32_t &askingMs_;
};

// Sets the prompt for the run and takes it away after; an engine without parameter prompts
// simply has none.
void setPrompt(const Variant &database, const Variant &prompt)
{
    if (!database.isObject())
        return;
    try {
        database.put("ParameterPrompt", prompt);
    } catch (const std::exception &) {
    }
}

} // namespace

ScriptRunner::ScriptRunner(ScriptSink &sink, Clock clock)
    : sink_(sink), clock_(clock ? std::move(clock) : Clock(platform::tickCount))
{
}

void ScriptRunner::run(const std::string &scriptText)
{
    if (FRunning)
        return;
    FRunning = true;
    // The run ends idle whatever leaves it, so Execute never stays disabled after a failure.
    struct EndRun {
        bool &running;
        ~EndRun() { running = false; }
    } endRun{FRunning};
    FTotalRecords = 0;
    FResultLineStarts.clear();
    sink_.setStatus(2, "?");
    sink_.clearResult();
    const Variant database = CurrentDatabase;
    setPrompt(database, Variant(std::make_shared<ParameterPrompt>(sink_, clock_, askingMs_)));
    struct ClearPrompt {
        const Variant &database;
        ~ClearPrompt() { setPrompt(database, Variant()); }
    } clearPrompt{database};
    ExecuteScript(scriptText);
}

std::string ScriptRunner::WithoutByteOrderMark(std::string text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    return text;
}

std::string ScriptRunner::StripComments(std::string text)
{
    return removeComments(withCrLf(text));
}

void ScriptRunner::ExecuteScript(std::string text)
{
    const std::uint32_t start = clock_();
    text = StripComments(std::move(text));
    FStatementCount = 0;
    std::size_t pos = 0;
    bool more = false;
    // Semicolons outside quoted text split. An empty statement between two semicolons is
    // counted and ends the run.
    do {
        const std::string_view remaining = std::string_view(text).substr(pos);
        const std::size_t semicolon = findSemicolon(remaining);
        more = semicolon != std::string_view::npos;
        std::string_view statement;
        const std::string_view rest = trimmed(remaining);
        if (!rest.empty() && rest != ";") {
            statement = more ? remaining.substr(0, semicolon) : remaining;
            if (more)
                pos += semicolon + 1;
            ++FStatementCount;
        }
        if (!statement.empty())
            ExecuteStatement(statementText(statement));
        else
            more = false;
        sink_.processMessages();
    } while (more && FRunning);
    sink_.setStatus(3, "Total time: " + SecondsText(clock_() - start) + " s / "
                           + std::to_string(FStatementCount) + " statement(s)");
}

void ScriptRunner::ExecuteStatement(const std::string &sql)
{
    FStatementRecords = 0;
    std::uint32_t execMs = 0;
    std::uint32_t fetchMs = 0;
    sink_.setStatus(3, "Executing...");
    if (FStatementCount > 0) {
        FResultLineStarts.resize(std::size_t(FStatementCount));
        FResultLineStarts.back() = sink_.lineCount() + 1;
    }
    sink_.repaint();
    if (!CurrentDatabase.isObject())
        return;
    try {
        switch (engine::StatementKind(sql)) {
        case 0: case 16: case 128:
            RunRecordset(sql, execMs, fetchMs);
            break;
        default:
            // The engine prepares the statement before it runs anything and refuses one that
            // returns rows (WITH, VALUES, PRAGMA, a parenthesis, a leading comment): that one
            // is opened as a recordset instead.
            try {
                RunAction(sql, execMs);
            } catch (const automation::Error &e) {
                if (e.code() != RowReturningCode)
                    throw;
                RunRecordset(sql, execMs, fetchMs);
            }
            break;
        }
    } catch (const std::bad_alloc &) {
        // Whatever the statement had taken is free again once it has unwound.
        const std::string message = "The statement ran out of memory.";
        sink_.addLine({});
        sink_.addLine(message);
        sink_.addLine({});
        sink_.statementFailed(sql, message);
        return;
    } catch (const std::exception &e) {
        sink_.addLine({});
        sink_.addLine(e.what());
        sink_.addLine({});
        sink_.statementFailed(sql, e.what());
        return;
    }
    ReportStatement(sql, execMs, fetchMs);
}

void ScriptRunner::RunRecordset(const std::string &sql, std::uint32_t &execMs,
                                std::uint32_t &fetchMs)
{
    askingMs_ = 0;
    const std::uint32_t t0 = clock_();
    const Variant recordset =
        CurrentDatabase.call("OpenRecordset", Args{sql, RecordsetTypeSnapshot, RecordsetOptions});
    execMs = clock_() - t0 - askingMs_;
    ReadRows(recordset);
    FStatementRecords = recordset.get("RecordCount").toInt();
    const std::uint32_t t1 = clock_();
    ShowRecordset(recordset);
    fetchMs = clock_() - t1;
    recordset.call("Close");
}

// The engine reads the rows in steps with the pending events handled between them. Stop ends
// the read there: the rows read until then are the statement's record count, and the writing
// after it ends with its first row, as it does after any Stop.
void ScriptRunner::ReadRows(const Variant &recordset)
{
    const std::int32_t fields = std::max(1, recordset.get("Fields").get("Count").toInt());
    const std::int32_t rows = std::max(1, ReadStep / fields);
    for (;;) {
        recordset.call("Move", Args{rows});
        if (recordset.get("EOF").toBool())
            return;
        sink_.processMessages();
        if (!FRunning)
            return;
    }
}

void ScriptRunner::RunAction(const std::string &sql, std::uint32_t &execMs)
{
    askingMs_ = 0;
    const std::uint32_t t0 = clock_();
    CurrentDatabase.call("Execute", Args{sql});
    execMs = clock_() - t0 - askingMs_;
    FStatementRecords = CurrentDatabase.get("RecordsAffected").toInt();
}

void ScriptRunner::ReportStatement(const std::string &sql, std::uint32_t execMs,
                                   std::uint32_t fetchMs)
{
    const std::string records = std::to_string(FStatementRecords);
    sink_.addLine({});
    FTotalRecords = std::int32_t(std::int64_t(FTotalRecords) + FStatementRecords);
    sink_.setStatus(2, std::to_string(FTotalRecords) + " records");
    if (FRunning)
        sink_.addLine(records + " row(s) affected");
    else
        sink_.addLine("Execution cancelled: " + records + " row(s) affected");
    sink_.addLine("Exec time: " + SecondsText(execMs) + " s / Fetch time " + SecondsText(fetchMs)
                  + " s");
    sink_.addLine({});
    sink_.historyUpdate(sql, execMs, FStatementRecords);
}

std::size_t ScriptRunner::ColumnWidth(std::int32_t size, std::string_view name, std::int32_t type)
{
    std::int64_t width = size;
    if (width == 0)
        width = 50;
    if (width < 6)
        width = 6;
    if (type == 9 || type == 12) // binary, memo
        width = MaxColumnWidth;
    const std::int64_t nameLength = std::int64_t(codePoints(name));
    if (width < nameLength)
        width = nameLength;
    if (width > std::int64_t(MaxColumnWidth) || width < 1)
        width = MaxColumnWidth;
    if (type == 8 || type == 22 || type == 23) // date, time, time stamp
        width = DateColumnWidth;
    return std::size_t(width);
}

void ScriptRunner::ShowRecordset(const Variant &recordset)
{
    const Variant fields = recordset.get("Fields");
    const std::int32_t fieldCount = fields.get("Count").toInt();
    std::vector<std::size_t> widths;
    std::string header;
    std::size_t lineLength = 0;
    for (std::int32_t i = 0; i < fieldCount; ++i) {
        const Variant field = fields.item(i);
        const std::int32_t size = field.get("Size").toInt();
        const std::string name = field.get("Name").toText();
        widths.push_back(ColumnWidth(size, name, field.get("Type").toInt()) + ColumnGap);
        appendPadded(header, name, widths.back());
        lineLength += widths.back();
    }
    sink_.addLine(header);
    sink_.addLine(std::string(codePoints(header), '-'));

    recordset.call("MoveFirst");
    const Variant rows = recordset.call("GetRows", Args{FStatementRecords});
    if (FStatementRecords <= 0)
        return;
    const automation::Array &cells = rows.array();
    std::string line;
    line.reserve(lineLength);
    std::int32_t lastPercent = -1;
    for (std::int32_t row = 0; row < FStatementRecords; ++row) {
        line.clear();
        for (std::int32_t i = 0; i < fieldCount; ++i)
            appendCell(line, cells, std::size_t(i), std::size_t(row), widths[std::size_t(i)]);
        sink_.addLine(line);
        if (!FRunning)
            break;
        sink_.processMessages();
        ShowFetchProgress(row, lastPercent);
    }
}

// The status text changes only when the percentage moves; a million rows make a hundred updates.
void ScriptRunner::ShowFetchProgress(std::int32_t row, std::int32_t &lastPercent)
{
    const std::int32_t percent = nearestPercent(row, FStatementRecords);
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    sink_.setStatus(3, "Statement " + std::to_string(FStatementCount) + " fetching: "
                           + std::to_string(percent) + "%");
}

std::string ScriptRunner::PadRight(std::string text, char c, std::size_t width)
{
    const std::size_t length = codePoints(text);
    if (length < width)
        text.append(width - length, c);
    return text;
}

std::string ScriptRunner::ScriptFromLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace query
