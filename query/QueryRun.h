#pragma once

#include "query/core/ScriptRunner.h"
#include "query/core/ScriptSink.h"

#include <QByteArray>
#include <QPointer>

#include <chrono>

class TfrmQuery;

// One run of the query window's Execute: the script runner and the window it writes to. The
// window owns it while it runs, and so does the run itself, so a window closed (and deleted)
// from inside processMessages leaves a run that finishes its statement and writes nowhere.
//
// Result lines are gathered and written in batches, and pending events are processed at most
// every `interval` milliseconds instead of after every row: a million rows then cost a few
// hundred appends and rounds of events, and Stop still takes effect within one interval.
class QueryRun : public query::ScriptSink {
public:
    QueryRun(TfrmQuery *window, int intervalMs);

    query::ScriptRunner runner;
    // Set by Stop; the statement in progress finishes its row and its lines.
    bool stopRequested = false;

    // The window is going away: nothing is written to it from now on.
    void detach() { window_ = nullptr; }
    bool attached() const { return !window_.isNull(); }
    // Writes the lines gathered so far into the result editor.
    void flush();

    void clearResult() override;
    void addLine(const std::string &text) override;
    std::int32_t lineCount() const override { return lines_; }
    void setStatus(int panel, const std::string &text) override;
    void processMessages() override;
    void repaint() override;
    void historyUpdate(const std::string &sql, std::uint32_t executionMs, std::int32_t records) override;
    // A small dialog per parameter, through Prompts; Cancel gives no value.
    std::optional<std::string> askParameter(const std::string &name) override;

private:
    using Clock = std::chrono::steady_clock;

    QPointer<TfrmQuery> window_;
    std::chrono::milliseconds interval_;
    Clock::time_point lastRound_;
    Clock::time_point lastPaint_;
    QByteArray pending_;
    std::int32_t lines_ = 0;
};
