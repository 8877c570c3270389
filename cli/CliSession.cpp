#include "CliSession.h"

#include "Schema.h"

#include "automation/Error.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "engine/NewDatabase.h"
#include "platform/Folders.h"
#include "query/core/History.h"
#include "query/core/HistoryFile.h"
#include "query/core/ScriptRunner.h"
#include "query/core/ScriptSink.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace cli {

namespace {

// Result lines go to standard output through one large buffer; the final status text to
// standard error. Statements that succeed go to the history when there is one.
class StdoutSink : public query::ScriptSink {
public:
    explicit StdoutSink(query::History *history) : history_(history) {}
    ~StdoutSink() override { flush(); }
    void clearResult() override { lines_ = 0; }
    void addLine(const std::string &text) override
    {
        buffer_ += text;
        buffer_ += '\n';
        ++lines_;
        if (buffer_.size() >= (1u << 20))
            flush();
    }
    std::int32_t lineCount() const override { return lines_; }
    void setStatus(int panel, const std::string &text) override
    {
        if (panel == 3)
            status_ = text;
    }
    void processMessages() override {}
    void repaint() override {}
    void historyUpdate(const std::string &sql, std::uint32_t executionMs,
                       std::int32_t records) override
    {
        if (history_)
            history_->UpdateHistory(sql, executionMs, records);
    }
    void statementFailed(const std::string &, const std::string &) override { ++failed_; }

    void flush()
    {
        std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        std::fflush(stdout);
        buffer_.clear();
    }
    const std::string &status() const { return status_; }
    int failed() const { return failed_; }

private:
    query::History *history_;
    std::string buffer_;
    std::int32_t lines_ = 0;
    std::string status_;
    int failed_ = 0;
};

// The script's text, or false with `error` set. A byte-order mark that other editors put at
// the start is dropped, or the first statement would fail.
bool readScript(const std::string &path, std::string &text, std::string &error)
{
    std::ostringstream out;
    if (path.empty()) {
        out << std::cin.rdbuf();
    } else {
        const std::string what = platform::notAFileReason(path);
        if (!what.empty()) {
            error = "cannot read the script '" + path + "': it " + what;
            return false;
        }
        std::ifstream in(path, std::ios::binary);
        if (in)
            out << in.rdbuf();
        if (!in.is_open() || in.bad()) {
            error = "cannot read the script '" + path + "'";
            return false;
        }
    }
    text = query::ScriptRunner::WithoutByteOrderMark(out.str());
    return true;
}

// The lines of a text as an editor holds them: split at LF (a CR before it is dropped); a text
// that ends with a line break has no extra empty line, an empty text is one empty line.
std::vector<std::string> editorLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "jetwarden-sql: %s\n", message.c_str());
    return 2;
}

// Creates the database file through the open workspace when it does not exist yet.
bool createIfMissing(engine::TMSAccess &access, const std::string &path, std::string &error)
{
    if (platform::fileExists(path))
        return true;
    try {
        engine::CreateDatabase(access.Workspace, path).call("Close");
        return true;
    } catch (const automation::Error &e) {
        error = e.what();
        return false;
    }
}

} // namespace

int runSession(const Options &options)
{
    // The engine reads the chosen code page of Access files from its environment.
    if (!options.jetCharset.empty())
        ::setenv("JETWARDEN_JET_CHARSET", options.jetCharset.c_str(), 1);
    std::string script;
    std::string readError;
    if (!options.schema && !readScript(options.script, script, readError))
        return fail(readError);

    // A file that is not a whole history is left alone: saving would replace it.
    query::History history;
    const bool keepHistory = !options.history.empty();
    if (keepHistory) {
        const query::LoadResult loaded = query::LoadListViewFile(history, options.history);
        if (loaded.status != query::LoadStatus::Loaded
            && loaded.status != query::LoadStatus::Missing)
            return fail(query::LoadMessage(loaded, options.history));
    }

    // A workgroup file that was named must exist: the access object would otherwise fall back
    // to the one its search finds, or to none, without a word.
    if (!options.systemDb.empty() && !platform::fileExists(options.systemDb))
        return fail("the workgroup information file '" + options.systemDb + "' "
                    + platform::notAFileReason(options.systemDb));

    dbengine::registerEngine();
    engine::TMSAccess access;
    access.setDAOType(std::uint8_t(options.engine));
    access.SystemDB = options.systemDb;
    access.setEngineActive(true);
    if (!access.EngineActive())
        return fail(access.LastError.empty() ? "the database engine is not available" : access.LastError);

    access.UserName = options.user;
    access.Password = options.password;
    access.Exclusive = options.exclusive;
    access.ReadOnly = options.readOnly;
    access.setWorkspaceOpen(true);
    if (!access.WorkspaceOpen())
        return fail(access.LastError);
    std::string error;
    if (options.create && !createIfMissing(access, options.database, error))
        return fail(error);
    access.DatabaseName = options.database;
    access.setDatabaseOpen(true);
    if (!access.DatabaseOpen())
        return fail(access.LastError);

    if (options.schema) {
        int status = 0;
        try {
            const std::string text = schemaText(access.GetDatabase());
            std::fwrite(text.data(), 1, text.size(), stdout);
        } catch (const automation::Error &e) {
            std::fprintf(stderr, "jetwarden-sql: %s\n", e.what());
            status = 1;
        }
        access.setEngineActive(false);
        return status;
    }
    automation::Variant database = access.GetDatabase();
    try {
        if (!options.dialect.empty())
            database.put("SqlDialect", options.dialect);
        // A parameter without a value is an error naming it: nobody is there to ask.
        for (const auto &[name, value] : options.parameters)
            database.call("SetParameter", {name, value});
    } catch (const automation::Error &e) {
        return fail(e.what());
    }

    StdoutSink sink(keepHistory ? &history : nullptr);
    query::ScriptRunner runner(sink);
    runner.CurrentDatabase = database;
    runner.run(query::ScriptRunner::ScriptFromLines(editorLines(script)));
    sink.flush();
    std::fprintf(stderr, "%s\n", sink.status().c_str());

    runner.CurrentDatabase.release();
    database.release();
    access.setEngineActive(false);
    if (keepHistory && !query::SaveListViewFile(history, options.history, &error))
        return fail(error);
    return sink.failed() ? 1 : 0;
}

} // namespace cli
