// The query window on a million rows: `SELECT * FROM t` over the rows benchmark's table of six
// mixed columns, timed from the window's Execute until the last result line is painted, beside
// jetwarden-sql running the same script into /dev/null in the same run (alternating, median of
// REPEAT runs each, every run in its own process so that each peak memory is its own). Then how
// late Stop is handled and how long the run takes to end after it, pressed at a tenth (during
// the engine's read of the rows), a third, a half and two thirds of a run, and how long a
// history of 10,000 entries takes to load into the window and to save when it closes, beside
// the history file's own read and write without the window.
//
// Usage: query_window_bench [ROWS]  (default 1000000; environment REPEAT, default 3). Runs
// offscreen unless QT_QPA_PLATFORM says otherwise; jetwarden-sql is taken from beside this
// program.

#include "BenchSupport.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/NewDatabase.h"
#include "platform/Folders.h"
#include "query/QueryWindow.h"
#include "query/core/History.h"
#include "query/core/HistoryFile.h"

#include <Qsci/qsciscintilla.h>

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using bench::Clock;
using bench::median;
using bench::secondsSince;

constexpr int kHistoryEntries = 10000;

// The rows benchmark's table, made through the engine: short text, prices with up to two
// decimals, dates alternating between midnight and a time of day, yes/no.
void buildDatabase(const std::string &path, int rows)
{
    automation::Variant dao = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    automation::Variant ws = engine::OpenEngineWorkspace(dao, "bench", "admin", "");
    automation::Variant db = engine::CreateDatabase(ws, path);
    db.call("Execute", {"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT(20), qty LONG, price DOUBLE, "
                        "placed DATETIME, ok YESNO)"});
    db.call("Execute",
            {"INSERT INTO t WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
             + std::to_string(rows)
             + ") SELECT i, 'item ' || (i % 997), (i * 37) % 1000, round((i % 10000) * 0.37, 2), "
               "date('2020-01-01', '+' || (i % 1500) || ' days') || CASE WHEN i % 3 = 0 THEN '' ELSE "
               "printf(' %02d:%02d:%02d', i % 24, i % 60, (i * 7) % 60) END, i % 2 FROM n"});
    ws.call("Close");
}

struct Child {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Runs a program to its end with its output into `output` ("" for /dev/null) and its messages
// into `messages`.
Child spawn(const std::vector<std::string> &args, const std::string &output, const std::string &messages)
{
    std::fflush(stdout);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.empty() ? "/dev/null" : output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    Child child;
    pid_t pid = 0;
    const Clock::time_point start = Clock::now();
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            child.seconds = secondsSince(start);
            child.peakKiB = usage.ru_maxrss;
            child.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Counts the paintings of the result during a run.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The main window on the database, its query window holding `script`.
struct WindowOnDatabase {
    QTemporaryDir folder;
    TfrmMain main;
    TfrmQuery *query = nullptr;

    WindowOnDatabase(const std::string &database, const QString &script)
    {
        const QString history = folder.filePath(QStringLiteral("History.sql"));
        TfrmMain::registerChildWindow("TfrmQuery", [history](TfrmMain *frame) { return new TfrmQuery(frame->session(), nullptr, history); });
        main.resize(1000, 700);
        main.show();
        main.OpenDatabaseFile(QString::fromStdString(database));
        query = qobject_cast<TfrmQuery *>(main.FindChildWindow("TfrmQuery"));
        if (query) {
            query->parentWidget()->showMaximized();
            query->Editor->setText(script);
            QCoreApplication::processEvents();
        }
    }
};

// One Execute, until the last line is painted; prints seconds, paintings during the run and
// the result's line count.
int windowRun(const std::string &database, const QString &script)
{
    WindowOnDatabase w(database, script);
    if (!w.query)
        return 1;
    PaintCounter counter;
    w.query->Result->viewport()->installEventFilter(&counter);
    const Clock::time_point start = Clock::now();
    w.query->cmExec();
    w.query->Result->viewport()->repaint();
    const double seconds = secondsSince(start);
    std::printf("%.4f %d %d\n", seconds, counter.paints, w.query->Result->lines());
    return 0;
}

// Stop pressed `afterMs` into a run: prints how late the press was handled (the timer fires at
// the first round of events after it is due), how long the run took to end after that, the
// longest time the window went without handling events, and the rows the result kept.
int stopRun(const std::string &database, const QString &script, int afterMs)
{
    WindowOnDatabase w(database, script);
    if (!w.query)
        return 1;
    Clock::time_point pressed, lastRound = Clock::now();
    double longestGap = 0;
    // A zero timer fires in every round of events, so its gaps are the times without one.
    QTimer rounds;
    rounds.setInterval(0);
    QObject::connect(&rounds, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, secondsSince(lastRound));
        lastRound = Clock::now();
    });
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(afterMs);
    QTimer::singleShot(afterMs, Qt::PreciseTimer, w.query, [&] {
        pressed = Clock::now();
        w.query->cmStop();
    });
    rounds.start();
    lastRound = Clock::now();
    w.query->cmExec();
    const double stop = secondsSince(pressed);
    rounds.stop();
    const double late = std::chrono::duration<double>(pressed - due).count();
    const bool cancelled = w.query->Result->text().contains(QStringLiteral("Execution cancelled"));
    std::printf("%.4f %.4f %d %d %.4f\n", stop, longestGap, w.query->Result->lines(), cancelled ? 1 : 0, late);
    return 0;
}

// A history of 10,000 entries: the file's own save and load, then the window loading it on
// creation (list filled) and saving it on close. Prints the four times in seconds.
int historyRun(const std::string &folder)
{
    query::History history;
    for (int i = 0; i < kHistoryEntries; ++i)
        history.UpdateHistory("SELECT o.OrderId, o.Placed, c.Name, c.City FROM Orders o INNER JOIN Customers c ON "
                              "c.CustomerId = o.CustomerId WHERE o.OrderId = " + std::to_string(i),
                              std::uint32_t(i % 2000), i);
    const std::string file = platform::joinPath(folder, "History.sql");
    Clock::time_point start = Clock::now();
    if (!query::SaveListViewFile(history, file))
        return 1;
    const double fileSave = secondsSince(start);
    query::History loaded;
    start = Clock::now();
    query::LoadListViewFile(loaded, file);
    const double fileLoad = secondsSince(start);

    TfrmMain main;
    start = Clock::now();
    auto *window = new TfrmQuery(main.session(), nullptr, QString::fromStdString(file));
    QMdiSubWindow *sub = main.mdiArea()->addSubWindow(window);
    sub->show();
    QCoreApplication::processEvents();
    const double windowLoad = secondsSince(start);
    if (window->history().count() != std::size_t(kHistoryEntries))
        return 1;
    start = Clock::now();
    sub->close();
    const double windowSave = secondsSince(start);
    std::printf("%.4f %.4f %.4f %.4f\n", fileSave, fileLoad, windowLoad, windowSave);
    return 0;
}

// Tells what a failed run said.
int failed(const char *what, const std::string &messages)
{
    std::fprintf(stderr, "query_window_bench: %s failed:\n", what);
    std::FILE *f = std::fopen(messages.c_str(), "r");
    char line[512];
    while (f && std::fgets(line, sizeof line, f))
        std::fputs(line, stderr);
    if (f)
        std::fclose(f);
    return 1;
}

std::string readFirstLine(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "r");
    if (!f)
        return {};
    char line[256] = {};
    if (!std::fgets(line, sizeof line, f))
        line[0] = 0;
    std::fclose(f);
    return line;
}

int parent(int argc, char **argv, const std::string &self)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int repeat = std::max(1, std::getenv("REPEAT") ? std::atoi(std::getenv("REPEAT")) : 3);
    const std::string cli = platform::joinPath(platform::executableDir(), "jetwarden-sql");
    QTemporaryDir work;
    const std::string dir = work.path().toStdString();
    const std::string db = platform::joinPath(dir, "rows.mdb");
    const std::string script = platform::joinPath(dir, "select.sql");
    const std::string out = platform::joinPath(dir, "child.txt");
    const std::string err = platform::joinPath(dir, "messages.txt");
    {
        std::FILE *f = std::fopen(script.c_str(), "w");
        std::fputs("SELECT * FROM t\n", f);
        std::fclose(f);
    }
    std::printf("Query window: SELECT * FROM t, %d rows of 6 columns (%d runs each, median)\n", rows, repeat);
    const Clock::time_point build = Clock::now();
    buildDatabase(db, rows);
    std::printf("  (table built through the engine in %.1f s)\n", secondsSince(build));
    std::fflush(stdout);

    // One untimed run of each warms the page cache; then the two alternate.
    spawn({cli, db, script}, {}, err);
    spawn({self, "--window", db, script}, out, err);
    std::vector<double> cliTimes, windowTimes;
    long cliPeak = 0, windowPeak = 0;
    int paints = 0, lines = 0;
    for (int i = 0; i < repeat; ++i) {
        const Child c = spawn({cli, db, script}, {}, err);
        if (!c.ok)
            return failed("jetwarden-sql", err);
        const Child w = spawn({self, "--window", db, script}, out, err);
        if (!w.ok)
            return failed("the window run", err);
        double seconds = 0;
        std::sscanf(readFirstLine(out).c_str(), "%lf %d %d", &seconds, &paints, &lines);
        cliTimes.push_back(c.seconds);
        windowTimes.push_back(seconds);
        cliPeak = std::max(cliPeak, c.peakKiB);
        windowPeak = std::max(windowPeak, w.peakKiB);
    }
    const double cliTime = median(cliTimes), windowTime = median(windowTimes);
    std::printf("  %-36s %8.2f s  %6ld MiB peak  (%d result lines, painted %d times during the run)\n",
                "window: Execute to last line shown", windowTime, windowPeak / 1024, lines, paints);
    std::printf("  %-36s %8.2f s  %6ld MiB peak\n", "jetwarden-sql > /dev/null (reference)", cliTime, cliPeak / 1024);
    std::printf("  time ratio %.2f (goal: at most 1.5), memory ratio %.2f\n", windowTime / cliTime,
                double(windowPeak) / double(cliPeak));

    // Stop pressed at a tenth (while the engine reads the rows), a third, a half and two thirds
    // of a whole run's time.
    double worstStop = 0, worstGap = 0;
    for (const double share : {0.1, 1.0 / 3, 0.5, 2.0 / 3}) {
        const int afterMs = int(windowTime * share * 1000);
        const Child s = spawn({self, "--stop", db, script, std::to_string(afterMs)}, out, err);
        double stop = 0, gap = 0, late = 0;
        int kept = 0, cancelled = 0;
        std::sscanf(readFirstLine(out).c_str(), "%lf %lf %d %d %lf", &stop, &gap, &kept, &cancelled, &late);
        if (!s.ok)
            return failed("the stop run", err);
        if (!cancelled) {
            std::printf("  Stop at %5d ms: the run had ended already\n", afterMs);
            continue;
        }
        std::printf("  Stop at %5d ms: handled %.3f s after it, run ended %.3f s after that (%.3f s in all), "
                    "%d result lines kept\n", afterMs, late, stop, late + stop, kept);
        worstStop = std::max(worstStop, late + stop);
        worstGap = std::max(worstGap, gap);
    }
    std::printf("  slowest Stop %.3f s from the press to the end of the run (goal: within 0.2 s); longest time "
                "without events %.3f s\n", worstStop, worstGap);

    const Child h = spawn({self, "--history", dir}, out, err);
    if (!h.ok)
        return failed("the history run", err);
    double fileSave = 0, fileLoad = 0, windowLoad = 0, windowSave = 0;
    std::sscanf(readFirstLine(out).c_str(), "%lf %lf %lf %lf", &fileSave, &fileLoad, &windowLoad, &windowSave);
    std::printf("History of %d entries:\n", kHistoryEntries);
    std::printf("  window created with it loaded %6.0f ms   (reference: the file alone %4.0f ms, ratio %.1f)\n",
                windowLoad * 1000, fileLoad * 1000, windowLoad / fileLoad);
    std::printf("  window closed, saving it     %6.0f ms   (reference: the file alone %4.0f ms, ratio %.1f)\n",
                windowSave * 1000, fileSave * 1000, windowSave / fileSave);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings of the benchmark's windows stay out of the user's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    dbengine::registerEngine();
    const std::string self = platform::executablePath();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--window" || mode == "--stop" || mode == "--history") {
        Application app(argc, argv);
        if (mode == "--history")
            return argc > 2 ? historyRun(argv[2]) : 2;
        if (argc < 4)
            return 2;
        QFile file(QString::fromLocal8Bit(argv[3]));
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        const QString script = QString::fromUtf8(file.readAll());
        return mode == "--window" ? windowRun(argv[2], script) : stopRun(argv[2], script, argc > 4 ? std::atoi(argv[4]) : 500);
    }
    return parent(argc, argv, self);
}
