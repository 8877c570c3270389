// The query window, offscreen, on real database files made through the engine, with scripted
// answers for every dialog.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "query/FindReplaceDialog.h"
#include "query/QueryRun.h"
#include "query/QueryWindow.h"
#include "query/SqlEdit.h"
#include "query/core/History.h"
#include "query/core/HistoryFile.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

constexpr int kBigRows = 20000;

// A database with a small table, a large one and an empty one, made through the engine.
void makeDatabase(const QString &path)
{
    automation::Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    automation::Variant ws = engine.call("CreateWorkspace", {"make", "admin", "", 2});
    automation::Variant db = ws.call("CreateDatabase", {path.toStdString()});
    db.call("Execute", {"CREATE TABLE Customers (id INTEGER, name TEXT(10))"});
    db.call("Execute", {"INSERT INTO Customers VALUES (1, 'Ann'), (2, NULL)"});
    db.call("Execute", {"CREATE VIEW [Named Customers] AS SELECT name FROM Customers WHERE name IS NOT NULL"});
    db.call("Execute", {"CREATE TABLE [Order] (n INTEGER)"});
    db.call("Execute", {"INSERT INTO [Order] VALUES (7)"});
    db.call("Execute", {"CREATE TABLE big (n INTEGER, label TEXT(20))"});
    db.call("Execute", {"INSERT INTO big WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < "
                        + std::to_string(kBigRows) + ") SELECT i, 'row ' || i FROM c"});
    ws.call("Close");
}

// Times vary from run to run; everything else of a result line is fixed.
QString withoutTimes(QString line)
{
    static const QRegularExpression seconds(QStringLiteral("\\d+\\.\\d\\d s"));
    return line.replace(seconds, QStringLiteral("#.## s"));
}

QStringList resultLines(const TfrmQuery *q)
{
    QStringList lines;
    for (const QString &line : q->Result->text().split(QLatin1Char('\n')))
        lines << withoutTimes(line);
    return lines;
}

SqlEdit *edit(QsciScintilla *editor)
{
    return static_cast<SqlEdit *>(editor);
}

// The lines of one statement that ran to its end without error.
QStringList reportLines(int records)
{
    return {QString(), QStringLiteral("%1 row(s) affected").arg(records),
            QStringLiteral("Exec time: #.## s / Fetch time #.## s"), QString()};
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A list-view file of history items as the program writes it.
QByteArray historyBytes(const QList<QStringList> &items, int declaredCount = -1)
{
    QByteArray out("LVF");
    const auto u16 = [&out](int v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    const auto str = [&](const QString &s) {
        const QByteArray b = s.toUtf8();
        u16(int(b.size()));
        out.append(b);
    };
    u16(declaredCount < 0 ? int(items.size()) : declaredCount);
    for (const QStringList &item : items) {
        u16(int(item.size()) - 1);
        out.append("\xFF\xFF\xFF\xFF", 4);
        for (const QString &s : item)
            str(s);
    }
    return out;
}

QStringList itemTexts(const QTreeWidgetItem *item)
{
    QStringList texts;
    for (int c = 0; c < 4; ++c)
        texts << item->text(c);
    return texts;
}

} // namespace

class TestQueryWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshWindowShowsCaretOfOneEmptyLine();
    void runWritesStatementOutputsAndTotals();
    void ctrlERunsSelectionOrWholeText_data();
    void ctrlERunsSelectionOrWholeText();
    void failingStatementWritesMessageAndGoesOn();
    void bookmarksMarkTheFirstNineStatements();
    void stopDuringLongFetchKeepsRowsWritten();
    void stopDuringTheReadEndsIt_data();
    void stopDuringTheReadEndsIt();
    void rowsGatheredBetweenRoundsAreAllWritten();
    void commandStates_data();
    void commandStates();
    void contextMenuRules_data();
    void contextMenuRules();
    void contextMenuCommandsActOnTheVisibleEditor();
    void findThroughTheDialog_data();
    void findThroughTheDialog();
    void findNextWithF3GoesDown();
    void replaceOneAndAll_data();
    void replaceOneAndAll();
    void openAndSaveOnEachPage_data();
    void openAndSaveOnEachPage();
    void openFileErrorsReachTheErrorReport();
    void historyNumbersAndUpdatesInPlace();
    void historySelectionAndDoubleClick();
    void executeUsesTheSelectionOfTheMoment();
    void aNewResultStartsAtItsFirstColumn();
    void openDropsAByteOrderMark();
    void clearHistoryStartsNumberingAgain();
    void historySurvivesCloseAndReopen();
    void damagedHistoryFiles_data();
    void damagedHistoryFiles();
    void selectAsQuery_data();
    void selectAsQuery();
    void selectAsQueryBracketsNamesWithSpaces_data();
    void selectAsQueryBracketsNamesWithSpaces();
    void closingDuringARunStopsItFirst_data();
    void closingDuringARunStopsItFirst();
    void sqlHeightIsStored();
    void keyBindings_data();
    void keyBindings();
    void clipboardKeys();
    void bookmarkKeysSetToggleAndJump();
    void selectionModeKeys();
    void undoKeepsTenSteps();
    void gutterNumbersWithLeadingZeros();
    void caretPanelsFollowTheCaret();
    void totalTimePanelIsNotCutAtTheFirstSize();
    void accessSqlAsksForEachParameterAndTheDialectSwitches();

private:
    TfrmQuery *query() const { return qobject_cast<TfrmQuery *>(main->FindChildWindow("TfrmQuery")); }
    template <class T> T *child(const char *name) const { return query()->findChild<T *>(QLatin1String(name)); }
    void setPage(const char *name) const;
    void run(const QString &script) const;
    QString file(const QString &name) const { return home->path(name); }
    QList<bool> enabledCommands() const;

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TfrmMain> main;
    QString historyPath;
};

void TestQueryWindow::initTestCase()
{
    dbengine::registerEngine();
    TfrmMain::registerChildWindow("TfrmQuery", [this](TfrmMain *frame) { return new TfrmQuery(frame->session(), nullptr, historyPath); });
}

void TestQueryWindow::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    historyPath = file("History.sql");
    makeDatabase(file("shop.mdb"));
    QApplication::clipboard()->clear();
    main = std::make_unique<TfrmMain>();
    main->resize(900, 700);
    main->show();
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    prompts->files.push_back(file("shop.mdb"));
    main->cmOpenDB();
    QVERIFY(query());
    prompts->asked.clear();
}

void TestQueryWindow::cleanup()
{
    main.reset();
    prompts.reset();
    home.reset();
}

void TestQueryWindow::setPage(const char *name) const
{
    child<QTabWidget>("pc")->setCurrentWidget(child<QWidget>(name));
}

void TestQueryWindow::run(const QString &script) const
{
    query()->Editor->setText(script);
    query()->cmExec();
}

// Open, Save, Find, Find next, Execute, Stop, Clear history; each button as its menu item.
QList<bool> TestQueryWindow::enabledCommands() const
{
    QList<bool> states;
    const std::pair<const char *, const char *> commands[] = {
        {"mmOpen", "sbOpen"}, {"mmSave", "sbSave"}, {"mmFind", nullptr}, {"mmFindNext", nullptr},
        {"mmExec", "sbExec"}, {"mmStop", "sbStop"}, {"mmClear", "sbClear"}};
    for (const auto &[item, button] : commands) {
        const bool enabled = child<QAction>(item)->isEnabled();
        if (button && child<QToolButton>(button)->isEnabled() != enabled)
            qWarning("%s differs from %s", button, item);
        states << enabled;
    }
    return states;
}

void TestQueryWindow::freshWindowShowsCaretOfOneEmptyLine()
{
    TfrmQuery *q = query();
    QCOMPARE(q->windowTitle(), QStringLiteral("Query"));
    QCOMPARE(q->parentWidget()->size(), QSize(595, 402));
    QCOMPARE(q->panelText(0), QStringLiteral("0: 0 / 1"));
    QCOMPARE(q->panelText(1), QStringLiteral("Insert"));
    QVERIFY(child<QStatusBar>("sb")->isVisible());
    QCOMPARE(q->FActiveEditor, q->Editor);
    QCOMPARE(q->Editor->text(), QString());
    QCOMPARE(child<QTabWidget>("pc")->tabText(0), QStringLiteral(" Query "));
    QCOMPARE(child<QTabWidget>("pc")->tabText(1), QStringLiteral(" Result "));
    QCOMPARE(child<QTabWidget>("pc")->tabText(2), QStringLiteral(" History "));
    // The menu joins the frame's menu bar while the window is active.
    QCOMPARE(q->groupMenu()->title(), QStringLiteral("&Query"));
    QVERIFY(main->menuBar()->actions().contains(q->groupMenu()->menuAction()));
    QVERIFY(prompts->asked.isEmpty());
}

void TestQueryWindow::runWritesStatementOutputsAndTotals()
{
    run("CREATE TABLE p (id INTEGER, name TEXT(10));\n"
        "INSERT INTO p VALUES (1, 'one'), (2, NULL);\n"
        "select * from p -- the rows\n");
    TfrmQuery *q = query();
    const QStringList expected = reportLines(0) + reportLines(2)
                                 + QStringList{"id      name        ", "--------------------", "1       one         ",
                                               "2       (null)      "}
                                 + reportLines(2);
    QCOMPARE(resultLines(q), expected);
    QCOMPARE(q->panelText(2), QStringLiteral("4 records"));
    QCOMPARE(withoutTimes(q->panelText(3)), QStringLiteral("Total time: #.## s / 3 statement(s)"));
    // The Result page is on view with its own caret state; the run is over.
    QCOMPARE(child<QTabWidget>("pc")->currentWidget(), child<QWidget>("tsResult"));
    QCOMPARE(q->FActiveEditor, q->Result);
    QCOMPARE(q->panelText(0), QStringLiteral("0: 0 / 16"));
    QVERIFY(!q->running());
    QVERIFY(child<QAction>("mmExec")->isEnabled());
    // Program output is no undo step.
    QVERIFY(!edit(q->Result)->canUndo());
}

void TestQueryWindow::ctrlERunsSelectionOrWholeText_data()
{
    QTest::addColumn<bool>("select");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("total");
    QTest::newRow("no selection: the whole text")
        << false << QStringList{"a       ", "b       "} << "Total time: #.## s / 2 statement(s)";
    QTest::newRow("selection: just that") << true << QStringList{"b       "} << "Total time: #.## s / 1 statement(s)";
}

void TestQueryWindow::ctrlERunsSelectionOrWholeText()
{
    QFETCH(bool, select);
    QFETCH(QStringList, headers);
    QFETCH(QString, total);
    TfrmQuery *q = query();
    q->Editor->setText("SELECT 1 AS a;\nSELECT 2 AS b;\n");
    if (select)
        q->Editor->setSelection(1, 0, 1, 14);
    q->Editor->setFocus();
    QTest::keyClick(q->Editor, Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(withoutTimes(q->panelText(3)), total);
    QStringList shown;
    const QStringList lines = resultLines(q);
    for (int i = 1; i < lines.size(); ++i)
        if (lines[i] == QStringLiteral("--------"))
            shown << lines[i - 1];
    QCOMPARE(shown, headers);
}

void TestQueryWindow::failingStatementWritesMessageAndGoesOn()
{
    run("SELECT * FROM nosuch;\nSELECT 7 AS x;");
    TfrmQuery *q = query();
    const QStringList lines = resultLines(q);
    QCOMPARE(lines.first(), QString());
    QVERIFY2(lines.at(1).contains(QStringLiteral("nosuch")), qPrintable(lines.at(1)));
    QCOMPARE(lines.at(2), QString());
    QCOMPARE(lines.mid(3), (QStringList{"x       ", "--------", "7       "} + reportLines(1)));
    QCOMPARE(q->panelText(2), QStringLiteral("1 records"));
    // Only the statement that ran went into the history.
    QCOMPARE(q->history().count(), std::size_t(1));
    QCOMPARE(q->history().statement(0), std::string("SELECT 7 AS x"));
}

void TestQueryWindow::bookmarksMarkTheFirstNineStatements()
{
    QString script;
    for (int i = 1; i <= 12; ++i)
        script += QStringLiteral("SELECT %1 AS c%1;\n").arg(i);
    run(script);
    auto *result = edit(query()->Result);
    // Each statement writes 7 lines: header, dashes, one row and its report.
    for (int n = 1; n <= 9; ++n)
        QCOMPARE(result->bookmarkLine(n), (n - 1) * 7);
    QCOMPARE(result->bookmarkLine(0), -1);
    // Statements 10 to 12 have none.
    QCOMPARE(result->SendScintilla(QsciScintillaBase::SCI_MARKERNEXT, 9ul * 7, long(0x3FF)), -1l);
    result->setFocus();
    QTest::keyClick(result, Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(result->caretLine(), 14);
    QVERIFY(result->text(14).startsWith(QStringLiteral("c3")));
    QTest::keyClick(result, Qt::Key_9, Qt::ControlModifier);
    QCOMPARE(result->caretLine(), 56);
    QVERIFY(result->text(56).startsWith(QStringLiteral("c9")));
}

void TestQueryWindow::stopDuringLongFetchKeepsRowsWritten()
{
    TfrmQuery *q = query();
    q->MessageInterval = 0;
    QList<bool> whileRunning, afterStop;
    QTimer::singleShot(0, q, [&] {
        whileRunning = enabledCommands();
        child<QToolButton>("sbStop")->click();
        afterStop = enabledCommands();
    });
    run("SELECT * FROM big;\nSELECT 1 AS later;\n");
    QCOMPARE(whileRunning, (QList<bool>{false, false, false, false, false, true, true}));
    QCOMPARE(afterStop, (QList<bool>{false, false, false, false, false, false, true}));
    const QStringList lines = resultLines(q);
    const int rows = int(lines.filter(QRegularExpression(QStringLiteral("^\\d+\\s+row \\d+"))).size());
    QVERIFY2(rows >= 1 && rows < kBigRows, qPrintable(QString::number(rows)));
    QCOMPARE(lines.mid(2 + rows), (QStringList{QString(), QStringLiteral("Execution cancelled: %1 row(s) affected").arg(kBigRows),
                                               QStringLiteral("Exec time: #.## s / Fetch time #.## s"), QString()}));
    QVERIFY(!lines.join('\n').contains(QStringLiteral("later")));
    QCOMPARE(withoutTimes(q->panelText(3)), QStringLiteral("Total time: #.## s / 1 statement(s)"));
    QCOMPARE(q->panelText(2), QStringLiteral("%1 records").arg(kBigRows));
    QVERIFY(!q->running());
    QCOMPARE(enabledCommands(), (QList<bool>{false, true, true, true, true, false, true}));
}

void TestQueryWindow::stopDuringTheReadEndsIt_data()
{
    QTest::addColumn<int>("readStep");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("rowsShown");
    // big has two fields; its first row is read when it opens, then ReadStep / 2 rows a step.
    QTest::newRow("steps of 500 rows") << 1000 << 501 << 1;
    QTest::newRow("steps of one row") << 1 << 2 << 1;
    // One step reads the whole table: the Stop lands in the writing, which ends a row later.
    QTest::newRow("one step holds the table") << 2 * kBigRows << kBigRows << 2;
}

// Stop pressed at the first round of events: with small steps that round comes during the
// engine's read, which ends there. The rows read so far are the statement's count, in its
// cancelled line, the records panel and the history; its first row is shown and nothing after
// it runs.
void TestQueryWindow::stopDuringTheReadEndsIt()
{
    QFETCH(int, readStep);
    QFETCH(int, records);
    QFETCH(int, rowsShown);
    TfrmQuery *q = query();
    q->MessageInterval = 0;
    q->ReadStep = readStep;
    QTimer::singleShot(0, q, [&] { child<QToolButton>("sbStop")->click(); });
    run("SELECT * FROM big;\nSELECT 1 AS later;\n");
    QStringList rows;
    for (int r = 1; r <= rowsShown; ++r)
        rows << QStringLiteral("%1").arg(r).leftJustified(8) + QStringLiteral("row %1").arg(r).leftJustified(22);
    const QStringList expected = QStringList{QStringLiteral("n       label                 "), QString(30, QLatin1Char('-'))} + rows
                                 + QStringList{QString(), QStringLiteral("Execution cancelled: %1 row(s) affected").arg(records),
                                               QStringLiteral("Exec time: #.## s / Fetch time #.## s"), QString()};
    QCOMPARE(resultLines(q), expected);
    QCOMPARE(q->panelText(2), QStringLiteral("%1 records").arg(records));
    QCOMPARE(withoutTimes(q->panelText(3)), QStringLiteral("Total time: #.## s / 1 statement(s)"));
    QCOMPARE(q->history().count(), std::size_t(1));
    QCOMPARE(q->history().entry(0).subItems.at(query::History::RecordsColumn), std::to_string(records));
    QVERIFY(!q->running());
    QCOMPARE(enabledCommands(), (QList<bool>{false, true, true, true, true, false, true}));
}

// Rows written between two rounds of events are gathered and still all reach the result.
void TestQueryWindow::rowsGatheredBetweenRoundsAreAllWritten()
{
    TfrmQuery *q = query();
    q->MessageInterval = 600000;
    run("SELECT n FROM big;");
    const QStringList lines = resultLines(q);
    QCOMPARE(lines.size(), 2 + kBigRows + 4);
    QCOMPARE(lines.at(2), QStringLiteral("1       "));
    QCOMPARE(lines.at(1 + kBigRows), QStringLiteral("%1   ").arg(kBigRows));
    QCOMPARE(lines.mid(2 + kBigRows), reportLines(kBigRows));
}

void TestQueryWindow::commandStates_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QList<bool>>("enabled"); // Open, Save, Find, Find next, Execute, Stop, Clear
    QTest::newRow("Query page") << "tsQuery" << QList<bool>{true, true, true, true, true, false, true};
    QTest::newRow("Result page") << "tsResult" << QList<bool>{false, true, true, true, true, false, true};
    QTest::newRow("History page") << "tsHistory" << QList<bool>{false, false, false, false, true, false, true};
    QTest::newRow("running") << "running" << QList<bool>{false, false, false, false, false, true, true};
    QTest::newRow("no database") << "closed" << QList<bool>{false, false, false, false, false, false, true};
}

void TestQueryWindow::commandStates()
{
    QFETCH(QString, state);
    QFETCH(QList<bool>, enabled);
    if (state == QLatin1String("running")) {
        query()->MessageInterval = 0;
        QList<bool> seen;
        QTimer::singleShot(0, query(), [&] {
            seen = enabledCommands();
            query()->cmStop();
        });
        run("SELECT * FROM big;");
        QCOMPARE(seen, enabled);
    } else if (state == QLatin1String("closed")) {
        main->CloseCurrent();
        QVERIFY(!query());
        main->registerChildWindow("TfrmQuery", [this](TfrmMain *frame) { return new TfrmQuery(frame->session(), nullptr, historyPath); });
        QVERIFY(main->ShowChildWindow("TfrmQuery"));
        QCOMPARE(enabledCommands(), enabled);
    } else {
        setPage(state.toLatin1().constData());
        QCOMPARE(enabledCommands(), enabled);
    }
}

void TestQueryWindow::contextMenuRules_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QList<bool>>("enabled"); // Undo, Redo, Copy, Cut, Paste, Clear All, Select All
    QTest::newRow("fresh editor") << "fresh" << QList<bool>{false, false, false, false, false, true, true};
    QTest::newRow("after typing") << "typed" << QList<bool>{true, false, false, false, false, true, true};
    QTest::newRow("selection") << "selected" << QList<bool>{true, false, true, true, false, true, true};
    QTest::newRow("after undo") << "undone" << QList<bool>{false, true, false, false, false, true, true};
    QTest::newRow("text on the clipboard") << "clipboard" << QList<bool>{false, false, false, false, true, true, true};
    QTest::newRow("result after a run") << "result" << QList<bool>{false, false, false, false, false, true, true};
    QTest::newRow("History page") << "history" << QList<bool>{false, false, false, false, false, false, false};
}

void TestQueryWindow::contextMenuRules()
{
    QFETCH(QString, state);
    QFETCH(QList<bool>, enabled);
    TfrmQuery *q = query();
    if (state == "typed" || state == "selected" || state == "undone")
        q->Editor->insert(QStringLiteral("select 1"));
    if (state == "selected")
        q->Editor->setSelection(0, 0, 0, 6);
    if (state == "undone")
        q->cmUndo();
    if (state == "clipboard")
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
    if (state == "result")
        run("SELECT 1 AS a");
    if (state == "history")
        setPage("tsHistory");
    auto *menu = child<QMenu>("PopupMenu");
    emit menu->aboutToShow();
    QList<bool> seen;
    for (const char *name : {"pmUndo", "pmRedo", "pmCopy", "pmCut", "pmPaste", "pmClearAll", "pmSelectAll"})
        seen << child<QAction>(name)->isEnabled();
    QCOMPARE(seen, enabled);
}

void TestQueryWindow::contextMenuCommandsActOnTheVisibleEditor()
{
    TfrmQuery *q = query();
    run("SELECT 1 AS a");
    q->Editor->setText(QStringLiteral("keep me"));
    child<QAction>("pmSelectAll")->trigger();
    child<QAction>("pmCopy")->trigger();
    QVERIFY(QApplication::clipboard()->text().startsWith(QStringLiteral("a ")));
    child<QAction>("pmClearAll")->trigger();
    QCOMPARE(q->Result->text(), QString());
    QCOMPARE(q->Editor->text(), QStringLiteral("keep me"));
    // Clear All can be taken back.
    child<QAction>("pmUndo")->trigger();
    QVERIFY(q->Result->text().startsWith(QStringLiteral("a ")));
    setPage("tsQuery");
    q->Editor->setSelection(0, 0, 0, 5);
    child<QAction>("pmCut")->trigger();
    QCOMPARE(q->Editor->text(), QStringLiteral("me"));
    child<QAction>("pmPaste")->trigger();
    QCOMPARE(q->Editor->text(), QStringLiteral("keep me"));
}

void TestQueryWindow::findThroughTheDialog_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("found"); // start of the selected match; -1: "Text not found."
    // "alpha beta Alpha alphabet\nbeta alpha"
    QTest::newRow("down, any case") << 1 << "alpha" << false << false << true << 11;
    QTest::newRow("down, match case") << 1 << "alpha" << true << false << true << 17;
    QTest::newRow("down, whole word and case") << 1 << "alpha" << true << true << true << 31;
    QTest::newRow("up from the end") << 36 << "alpha" << false << false << false << 31;
    QTest::newRow("up, whole word") << 31 << "alpha" << false << true << false << 11;
    QTest::newRow("not found") << 0 << "gamma" << false << false << true << -1;
    QTest::newRow("nothing after the last") << 33 << "alpha" << false << false << true << -1;
}

void TestQueryWindow::findThroughTheDialog()
{
    QFETCH(int, from);
    QFETCH(QString, text);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(bool, down);
    QFETCH(int, found);
    TfrmQuery *q = query();
    q->Editor->setText(QStringLiteral("alpha beta Alpha alphabet\nbeta alpha"));
    q->Editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, (unsigned long)from);
    q->cmFind();
    auto *rd = child<FindReplaceDialog>("rd");
    QVERIFY(rd->isVisible());
    rd->findChild<QLineEdit *>("eFind")->setText(text);
    rd->findChild<QCheckBox *>("cbxMatchCase")->setChecked(matchCase);
    rd->findChild<QCheckBox *>("cbxWholeWord")->setChecked(wholeWord);
    rd->findChild<QRadioButton *>(down ? "rbDown" : "rbUp")->setChecked(true);
    rd->findChild<QPushButton *>("bFindNext")->click();
    if (found < 0) {
        QCOMPARE(prompts->textsOf("information"), QStringList{"Text not found."});
        QVERIFY(!q->Editor->hasSelectedText());
        return;
    }
    QVERIFY(prompts->asked.isEmpty());
    QCOMPARE(int(q->Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART)), found);
    QCOMPARE(edit(q->Editor)->selectionText().compare(text, Qt::CaseInsensitive), 0);
}

void TestQueryWindow::findNextWithF3GoesDown()
{
    TfrmQuery *q = query();
    q->Editor->setText(QStringLiteral("x; x; x"));
    q->Editor->setFocus();
    // Nothing searched yet: F3 asks what to find.
    QTest::keyClick(q->Editor, Qt::Key_F3);
    auto *rd = child<FindReplaceDialog>("rd");
    QVERIFY(rd->isVisible());
    rd->findChild<QLineEdit *>("eFind")->setText(QStringLiteral("x"));
    rd->findChild<QRadioButton *>("rbUp")->setChecked(true);
    // The user goes back to the editor.
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    q->Editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0ul);
    q->Editor->setFocus();
    QTest::keyClick(q->Editor, Qt::Key_F3);
    QVERIFY(rd->down());
    QCOMPARE(int(q->Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART)), 0);
    q->cmFindNext();
    QCOMPARE(int(q->Editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART)), 3);
    q->cmFindNext();
    q->cmFindNext();
    QCOMPARE(prompts->textsOf("information"), QStringList{"Text not found."});
    QVERIFY(q->Editor->hasFocus());
}

void TestQueryWindow::replaceOneAndAll_data()
{
    QTest::addColumn<int>("selectFrom"); // selection of 3 characters from there; -1: caret at 0
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("notFound");
    // "foo bar foo baz foo"
    QTest::newRow("replace the next from the caret") << -1 << false << "qux bar foo baz foo" << false;
    QTest::newRow("replace the selected match") << 8 << false << "foo bar qux baz foo" << false;
    QTest::newRow("a selection that is no match is skipped") << 4 << false << "foo bar qux baz foo" << false;
    QTest::newRow("replace all from the caret") << -1 << true << "qux bar qux baz qux" << false;
    QTest::newRow("replace all from the selected match") << 8 << true << "foo bar qux baz qux" << false;
    QTest::newRow("nothing after the caret") << 17 << false << "foo bar foo baz foo" << true;
}

void TestQueryWindow::replaceOneAndAll()
{
    QFETCH(int, selectFrom);
    QFETCH(bool, all);
    QFETCH(QString, expected);
    QFETCH(bool, notFound);
    TfrmQuery *q = query();
    q->Editor->setText(QStringLiteral("foo bar foo baz foo"));
    if (selectFrom >= 0)
        q->Editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, (unsigned long)selectFrom, long(selectFrom + 3));
    q->cmFind();
    auto *rd = child<FindReplaceDialog>("rd");
    rd->findChild<QLineEdit *>("eFind")->setText(QStringLiteral("foo"));
    rd->findChild<QLineEdit *>("eReplace")->setText(QStringLiteral("qux"));
    rd->findChild<QPushButton *>(all ? "bReplaceAll" : "bReplace")->click();
    QCOMPARE(q->Editor->text(), expected);
    QCOMPARE(prompts->textsOf("information"), notFound ? QStringList{"Text not found."} : QStringList{});
    if (!notFound) {
        // One undo step takes the whole replacement back.
        q->cmUndo();
        QCOMPARE(q->Editor->text(), QStringLiteral("foo bar foo baz foo"));
    }
}

void TestQueryWindow::openAndSaveOnEachPage_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("canOpen");
    QTest::addColumn<bool>("canSave");
    QTest::newRow("Query page: opens into and saves the editor") << "tsQuery" << true << true;
    QTest::newRow("Result page: saves the result") << "tsResult" << false << true;
    QTest::newRow("History page: neither") << "tsHistory" << false << false;
}

void TestQueryWindow::openAndSaveOnEachPage()
{
    QFETCH(QString, page);
    QFETCH(bool, canOpen);
    QFETCH(bool, canSave);
    TfrmQuery *q = query();
    run("SELECT 5 AS five");
    setPage(page.toLatin1().constData());
    writeFile(file("in.sql"), "SELECT 1;\r\nSELECT 'caf\xC3\xA9';\r\n");
    prompts->files = {file("in.sql")};
    child<QAction>("mmOpen")->trigger();
    prompts->files = {file("out.sql")};
    child<QAction>("mmSave")->trigger();
    if (canOpen) {
        QCOMPARE(prompts->asked.at(0).kind, QStringLiteral("open"));
        QCOMPARE(prompts->asked.at(0).text, QStringLiteral("SQL scripts (*.sql);;All files (*)"));
        QCOMPARE(q->Editor->text(), QStringLiteral("SELECT 1;\nSELECT 'café';\n"));
    } else {
        QCOMPARE(q->Editor->text(), QStringLiteral("SELECT 5 AS five"));
    }
    if (canSave) {
        QCOMPARE(prompts->asked.last().kind, QStringLiteral("save"));
        const QString saved = page == "tsQuery" ? q->Editor->text() : q->Result->text();
        QCOMPARE(bytesOf(file("out.sql")), (saved + "\n").toUtf8());
    } else {
        QVERIFY(!QFile::exists(file("out.sql")));
    }
    QCOMPARE(prompts->asked.size(), int(canOpen) + int(canSave));
    // An opened script is one undo step.
    if (canOpen) {
        setPage("tsQuery");
        q->cmUndo();
        QCOMPARE(q->Editor->text(), QStringLiteral("SELECT 5 AS five"));
    }
}

void TestQueryWindow::openFileErrorsReachTheErrorReport()
{
    TfrmQuery *q = query();
    q->Editor->setText(QStringLiteral("unchanged"));
    prompts->files = {file("")};
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, q->cmOpen());
    QCOMPARE(q->Editor->text(), QStringLiteral("unchanged"));
    // A cancelled dialog does nothing.
    prompts->files = {QString()};
    q->cmOpen();
    QCOMPARE(q->Editor->text(), QStringLiteral("unchanged"));
    // Saving into a folder that does not exist fails whole.
    prompts->files = {file("missing/out.sql")};
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, q->cmSave());
    QVERIFY(!QFile::exists(file("missing/out.sql")));
}

void TestQueryWindow::historyNumbersAndUpdatesInPlace()
{
    TfrmQuery *q = query();
    // A, B, C: C on top numbered 3.
    for (const char *script : {"SELECT * FROM Customers", "DELETE FROM big WHERE n > 19998", "SELECT 1 AS c"})
        run(script);
    auto *lv = child<QTreeWidget>("lv");
    const auto row = [lv](int i) {
        QStringList texts = itemTexts(lv->topLevelItem(i));
        if (!QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d$")).match(texts[2]).hasMatch())
            qWarning("time column: %s", qPrintable(texts[2]));
        texts[2] = QStringLiteral("#.##");
        return texts;
    };
    QCOMPARE(lv->topLevelItemCount(), 3);
    QCOMPARE(row(0), (QStringList{"3", "SELECT 1 AS c", "#.##", "1"}));
    QCOMPARE(row(1), (QStringList{"2", "DELETE FROM big WHERE n > 19998", "#.##", "2"}));
    QCOMPARE(row(2), (QStringList{"1", "SELECT * FROM Customers", "#.##", "2"}));
    // A again in other letter case, after a row was added: A keeps its number and place and
    // takes the new count.
    run("INSERT INTO Customers VALUES (3, 'Cy')");
    run("select * from customers");
    QCOMPARE(lv->topLevelItemCount(), 4);
    QCOMPARE(row(3), (QStringList{"1", "SELECT * FROM Customers", "#.##", "3"}));
    QCOMPARE(row(0), (QStringList{"4", "INSERT INTO Customers VALUES (3, 'Cy')", "#.##", "1"}));
    // The list shows what the history holds, entry by entry.
    QCOMPARE(lv->topLevelItemCount(), int(q->history().count()));
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        QCOMPARE(lv->topLevelItem(i)->text(1), QString::fromStdString(q->history().statement(std::size_t(i))));
    QCOMPARE(lv->headerItem()->text(3), QStringLiteral("Record count"));
    QCOMPARE(lv->columnWidth(0), 25);
    QCOMPARE(lv->columnWidth(1), 420);
    QCOMPARE(lv->columnWidth(3), 80);
}

void TestQueryWindow::historySelectionAndDoubleClick()
{
    TfrmQuery *q = query();
    run("SELECT 1 AS a");
    run("SELECT 2 AS b");
    q->Editor->setText(QStringLiteral("SELECT 0;"));
    setPage("tsHistory");
    QVERIFY(!child<QStatusBar>("sb")->isVisible());
    QCOMPARE(q->FActiveEditor, nullptr);
    auto *lv = child<QTreeWidget>("lv");
    const QRect second = lv->visualItemRect(lv->topLevelItem(1));
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(child<QPlainTextEdit>("mSQL")->toPlainText(), QStringLiteral("SELECT 1 AS a"));
    QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(q->Editor->text(), QStringLiteral("SELECT 0;\nSELECT 1 AS a"));
    QCOMPARE(child<QTabWidget>("pc")->currentWidget(), child<QWidget>("tsQuery"));
    QCOMPARE(q->FActiveEditor, q->Editor);
    QVERIFY(child<QStatusBar>("sb")->isVisible());
    QVERIFY(q->Editor->hasFocus());
    int line = -1, index = -1;
    q->Editor->getCursorPosition(&line, &index);
    QCOMPARE(line, 1);
    QCOMPARE(index, 0);
}

void TestQueryWindow::executeUsesTheSelectionOfTheMoment()
{
    TfrmQuery *q = query();
    q->activateWindow();
    q->Editor->setText(QStringLiteral("SELECT 1 AS a;\nSELECT 2 AS b;"));
    q->Editor->setFocus();
    q->Editor->selectAll();
    QTest::keyClicks(q->Editor, QStringLiteral("SELECT 3 AS c"));
    QCOMPARE(q->Editor->text(), QStringLiteral("SELECT 3 AS c"));
    q->cmExec();
    QCOMPARE(withoutTimes(q->panelText(3)), QStringLiteral("Total time: #.## s / 1 statement(s)"));
    QVERIFY(resultLines(q).value(0).startsWith("c "));
    QVERIFY(resultLines(q).value(2).startsWith("3 "));
}

void TestQueryWindow::openDropsAByteOrderMark()
{
    TfrmQuery *q = query();
    QFile script(file("bom.sql"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("\xEF\xBB\xBFSELECT 1 AS a;\r\n");
    script.close();
    prompts->files.push_back(file("bom.sql"));
    q->cmOpen();
    QCOMPARE(q->Editor->text(), QStringLiteral("SELECT 1 AS a;\n"));
    q->cmExec();
    QVERIFY(resultLines(q).value(0).startsWith("a "));
}

void TestQueryWindow::aNewResultStartsAtItsFirstColumn()
{
    TfrmQuery *q = query();
    run("SELECT '" + QString(400, 'w') + "' AS wide, 1 AS n");
    q->Result->SendScintilla(QsciScintillaBase::SCI_SETXOFFSET, 2000UL);
    q->Result->setCursorPosition(2, 300);
    run("SELECT 1 AS a");
    QCOMPARE(q->Result->SendScintilla(QsciScintillaBase::SCI_GETXOFFSET), 0L);
    QCOMPARE(q->Result->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE), 0L);
    int line = -1, index = -1;
    q->Result->getCursorPosition(&line, &index);
    QCOMPARE(line, 0);
    QCOMPARE(index, 0);
}

void TestQueryWindow::clearHistoryStartsNumberingAgain()
{
    TfrmQuery *q = query();
    run("SELECT 1 AS a");
    run("SELECT 2 AS b");
    setPage("tsHistory");
    auto *lv = child<QTreeWidget>("lv");
    lv->setCurrentItem(lv->topLevelItem(0));
    QVERIFY(!child<QPlainTextEdit>("mSQL")->toPlainText().isEmpty());
    child<QToolButton>("sbClear")->click();
    QCOMPARE(lv->topLevelItemCount(), 0);
    QCOMPARE(q->history().count(), std::size_t(0));
    QCOMPARE(child<QPlainTextEdit>("mSQL")->toPlainText(), QString());
    run("SELECT 3 AS c");
    QCOMPARE(itemTexts(lv->topLevelItem(0)).mid(0, 2), (QStringList{"1", "SELECT 3 AS c"}));
}

void TestQueryWindow::historySurvivesCloseAndReopen()
{
    run("SELECT 1 AS a");
    run("SELECT * FROM Customers");
    QList<QStringList> before;
    auto *lv = child<QTreeWidget>("lv");
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        before << itemTexts(lv->topLevelItem(i));
    query()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!query());
    QVERIFY(bytesOf(historyPath).startsWith(QByteArray("LVF\x02\x00", 5)));
    main->cmQuery();
    QVERIFY(query());
    lv = child<QTreeWidget>("lv");
    QList<QStringList> after;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        after << itemTexts(lv->topLevelItem(i));
    QCOMPARE(after, before);
    QVERIFY(prompts->asked.isEmpty());
    // New statements are numbered on from the loaded ones.
    run("SELECT 2 AS b");
    QCOMPARE(lv->topLevelItem(0)->text(0), QStringLiteral("3"));
}

void TestQueryWindow::damagedHistoryFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("message");
    const QList<QStringList> two{{"2", "SELECT 2", "0.00", "1"}, {"1", "SELECT 1", "0.01", "1"}};
    const QByteArray whole = historyBytes(two);
    QTest::newRow("whole file") << whole << QStringList{"SELECT 2", "SELECT 1"} << QString();
    QTest::newRow("wrong magic") << QByteArray("XYZ") + whole.mid(3) << QStringList{}
                                 << "\"History.sql\" is not a ListView file! The file as it was is kept as \"History.sql.damaged\".";
    QTest::newRow("empty file") << QByteArray() << QStringList{} << "\"History.sql\" is not a ListView file!";
    QTest::newRow("cut in the second item")
        << whole.left(whole.size() - 3) << QStringList{"SELECT 2"}
        << "\"History.sql\" is a damaged ListView file! Only its first 1 items could be read. The file as it was is kept as \"History.sql.damaged\".";
    QTest::newRow("count larger than the file")
        << historyBytes(two, 60000) << QStringList{"SELECT 2", "SELECT 1"}
        << "\"History.sql\" is a damaged ListView file! Only its first 2 items could be read. The file as it was is kept as \"History.sql.damaged\".";
    QByteArray longLength = historyBytes({{"1", "SELECT 1", "0.00", "1"}});
    longLength[3 + 2 + 2 + 4 + 2 + 1 + 1] = '\xFF'; // the high byte of the statement's length
    QTest::newRow("length larger than the file")
        << longLength << QStringList{}
        << "\"History.sql\" is a damaged ListView file! Only its first 0 items could be read. The file as it was is kept as \"History.sql.damaged\".";
}

// A history file that is not whole shows one "I/O Error" box and the items that are whole; the
// window opens normally.
void TestQueryWindow::damagedHistoryFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, statements);
    QFETCH(QString, message);
    query()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    writeFile(historyPath, bytes);
    prompts->asked.clear();
    main->cmQuery();
    QVERIFY(query());
    if (message.isEmpty()) {
        QVERIFY(prompts->asked.isEmpty());
    } else {
        QCOMPARE(prompts->asked.size(), 1);
        QCOMPARE(prompts->asked.at(0).kind, QStringLiteral("error"));
        QCOMPARE(prompts->asked.at(0).caption, QStringLiteral("I/O Error"));
        QCOMPARE(prompts->asked.at(0).text, message);
    }
    auto *lv = child<QTreeWidget>("lv");
    QStringList shown;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        shown << lv->topLevelItem(i)->text(1);
    QCOMPARE(shown, statements);
    QVERIFY(child<QAction>("mmExec")->isEnabled());
    // The damaged file survives the window's save on close, whole, beside the history.
    query()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QFile copy(historyPath + ".damaged");
    if (message.contains(".damaged")) {
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
    } else {
        QVERIFY(!copy.exists());
    }
    QFile::remove(historyPath + ".damaged");
}

void TestQueryWindow::selectAsQuery_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("selected");
    QTest::newRow("absent: appended and run")
        << "SELECT 1 AS x;" << "SELECT 1 AS x;\nselect * from [Customers];" << "select * from [Customers];";
    QTest::newRow("empty editor: the only line") << "" << "select * from [Customers];" << "select * from [Customers];";
    QTest::newRow("present in other letter case: selected and run")
        << "SELECT 2 AS y;\nSELECT * FROM [CUSTOMERS];\nSELECT 3 AS z;"
        << "SELECT 2 AS y;\nSELECT * FROM [CUSTOMERS];\nSELECT 3 AS z;" << "SELECT * FROM [CUSTOMERS];";
}

void TestQueryWindow::selectAsQuery()
{
    QFETCH(QString, text);
    QFETCH(QString, expectedText);
    QFETCH(QString, selected);
    TfrmQuery *q = query();
    q->Editor->setText(text);
    // As the object map calls it: by name.
    QVERIFY(QMetaObject::invokeMethod(q, "SelectAsQuery", Q_ARG(QString, QStringLiteral("Customers"))));
    QCOMPARE(q->Editor->text(), expectedText);
    QCOMPARE(edit(q->Editor)->selectionText(), selected);
    QCOMPARE(withoutTimes(q->panelText(3)), QStringLiteral("Total time: #.## s / 1 statement(s)"));
    QCOMPARE(resultLines(q).mid(0, 2), (QStringList{"id      name        ", "--------------------"}));
    QCOMPARE(q->panelText(2), QStringLiteral("2 records"));
}

void TestQueryWindow::selectAsQueryBracketsNamesWithSpaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a space") << "Named Customers";
    QTest::newRow("a keyword") << "Order";
}

void TestQueryWindow::selectAsQueryBracketsNamesWithSpaces()
{
    QFETCH(QString, name);
    TfrmQuery *q = query();
    q->Editor->setText(QString());
    QVERIFY(QMetaObject::invokeMethod(q, "SelectAsQuery", Q_ARG(QString, name)));
    QCOMPARE(edit(q->Editor)->selectionText(), "select * from [" + name + "];");
    QCOMPARE(q->panelText(2), QStringLiteral("1 records"));
}

void TestQueryWindow::closingDuringARunStopsItFirst_data()
{
    QTest::addColumn<bool>("byFrame");
    QTest::newRow("the user closes the window") << false;
    QTest::newRow("the frame closes every window") << true;
}

// The window goes away from inside the run's own round of events; the run ends without
// touching it, and the history is saved on the way out.
void TestQueryWindow::closingDuringARunStopsItFirst()
{
    QFETCH(bool, byFrame);
    QPointer<TfrmQuery> q = query();
    q->MessageInterval = 0;
    q->Editor->setText(QStringLiteral("SELECT 1 AS a;\nSELECT * FROM big;\nSELECT 2 AS later;"));
    bool runningWhenClosed = false, execReturned = false, deletedDuringRun = false;
    connect(q.data(), &QObject::destroyed, this, [&] { deletedDuringRun = !execReturned; });
    // Fires in the run's rounds of events; closes once the second statement is fetching.
    QTimer closer;
    closer.setInterval(0);
    connect(&closer, &QTimer::timeout, this, [&] {
        if (!q || !q->panelText(3).startsWith(QStringLiteral("Statement 2 fetching")))
            return;
        closer.stop();
        runningWhenClosed = q->running();
        if (byFrame)
            main->cmCloseAll();
        else
            q->parentWidget()->close();
    });
    closer.start();
    QEventLoop loop;
    QTimer::singleShot(0, this, [&] {
        TfrmQuery *window = q.data();
        window->cmExec();
        execReturned = true;
        loop.quit();
    });
    loop.exec();
    QVERIFY(runningWhenClosed);
    QVERIFY(execReturned);
    QVERIFY(q.isNull());
    QVERIFY(deletedDuringRun);
    QVERIFY(main->mdiArea()->subWindowList().isEmpty());
    // The first statement finished before the close and is in the saved history.
    query::History saved;
    QCOMPARE(query::LoadListViewFile(saved, historyPath.toStdString()).status, query::LoadStatus::Loaded);
    QCOMPARE(saved.count(), std::size_t(1));
    QCOMPARE(saved.statement(0), std::string("SELECT 1 AS a"));
}

void TestQueryWindow::sqlHeightIsStored()
{
    setPage("tsHistory");
    auto *mSQL = child<QPlainTextEdit>("mSQL");
    QCOMPARE(mSQL->height(), 89);
    auto *splitter = child<QSplitter>("Splitter");
    const int total = splitter->sizes().at(0) + splitter->sizes().at(1);
    splitter->setSizes({total - 150, 150});
    QCOMPARE(mSQL->height(), 150);
    query()->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QSettings settings(home->settingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value("1.x/Query/mSQL_Height").toString(), QStringLiteral("150"));
    QCOMPARE(settings.value("1.x/Query/FormVersion").toString(), QStringLiteral("0"));
    QVERIFY(settings.contains("1.x/Query/NormPos"));
    main->cmQuery();
    setPage("tsHistory");
    QCOMPARE(child<QPlainTextEdit>("mSQL")->height(), 150);
}

void TestQueryWindow::keyBindings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caretLine");
    QTest::addColumn<int>("caretColumn");
    const QString t = QStringLiteral("alpha beta\ngamma delta");
    const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    QTest::newRow("Ctrl+T deletes the next word") << t << 0 << 0 << int(Qt::Key_T) << ctrl << "beta\ngamma delta" << 0 << 0;
    QTest::newRow("Ctrl+Backspace deletes the previous word")
        << t << 0 << 10 << int(Qt::Key_Backspace) << ctrl << "alpha \ngamma delta" << 0 << 6;
    QTest::newRow("Ctrl+Y deletes the line") << t << 0 << 3 << int(Qt::Key_Y) << ctrl << "gamma delta" << 0 << 0;
    QTest::newRow("Ctrl+Shift+Y deletes to the line end")
        << t << 0 << 5 << int(Qt::Key_Y) << (ctrl | shift) << "alpha\ngamma delta" << 0 << 5;
    QTest::newRow("Delete deletes the next character") << t << 0 << 0 << int(Qt::Key_Delete) << 0 << "lpha beta\ngamma delta" << 0 << 0;
    QTest::newRow("Backspace deletes the previous character")
        << t << 1 << 0 << int(Qt::Key_Backspace) << 0 << "alpha betagamma delta" << 0 << 10;
    QTest::newRow("Enter breaks the line") << t << 0 << 5 << int(Qt::Key_Return) << 0 << "alpha\n beta\ngamma delta" << 1 << 0;
    QTest::newRow("Ctrl+M breaks the line") << t << 0 << 5 << int(Qt::Key_M) << ctrl << "alpha\n beta\ngamma delta" << 1 << 0;
    QTest::newRow("Ctrl+N inserts a line, the caret stays")
        << t << 0 << 5 << int(Qt::Key_N) << ctrl << "alpha\n beta\ngamma delta" << 0 << 5;
    QTest::newRow("Ctrl+Shift+I indents the caret line")
        << t << 1 << 2 << int(Qt::Key_I) << (ctrl | shift) << "alpha beta\n  gamma delta" << 1 << 4;
    QTest::newRow("Ctrl+Shift+U unindents the caret line")
        << "alpha\n    beta" << 1 << 4 << int(Qt::Key_U) << (ctrl | shift) << "alpha\n  beta" << 1 << 2;
    QTest::newRow("Ctrl+Right goes a word right") << t << 0 << 0 << int(Qt::Key_Right) << ctrl << t << 0 << 6;
    QTest::newRow("Ctrl+Left goes a word left") << t << 0 << 8 << int(Qt::Key_Left) << ctrl << t << 0 << 6;
    QTest::newRow("Ctrl+End goes to the end") << t << 0 << 0 << int(Qt::Key_End) << ctrl << t << 1 << 11;
    QTest::newRow("Ctrl+Home goes to the start") << t << 1 << 4 << int(Qt::Key_Home) << ctrl << t << 0 << 0;
    QTest::newRow("Home goes to the line start") << t << 1 << 4 << int(Qt::Key_Home) << 0 << t << 1 << 0;
    QTest::newRow("End goes to the line end") << t << 0 << 2 << int(Qt::Key_End) << 0 << t << 0 << 10;
    QTest::newRow("Down") << t << 0 << 2 << int(Qt::Key_Down) << 0 << t << 1 << 2;
    QTest::newRow("Ctrl+Page Down goes to the page's last line") << t << 0 << 3 << int(Qt::Key_PageDown) << ctrl << t << 1 << 3;
    QTest::newRow("Ctrl+Page Up goes to the page's first line") << t << 1 << 3 << int(Qt::Key_PageUp) << ctrl << t << 0 << 3;
    QTest::newRow("Ctrl+Z undoes") << t << 0 << 0 << int(Qt::Key_Z) << ctrl << "alpha" << 0 << 5;
    QTest::newRow("Alt+Backspace undoes") << t << 0 << 0 << int(Qt::Key_Backspace) << alt << "alpha" << 0 << 5;
    // Keys the window does not bind leave the text and the caret as they were.
    for (const auto &[name, key, mods] :
         {std::tuple{"Tab", int(Qt::Key_Tab), 0}, {"Shift+Tab", int(Qt::Key_Backtab), shift},
          {"Shift+Enter", int(Qt::Key_Return), shift}, {"Shift+Backspace", int(Qt::Key_Backspace), shift},
          {"Ctrl+D", int(Qt::Key_D), ctrl}, {"Ctrl+L", int(Qt::Key_L), ctrl}, {"Ctrl+U", int(Qt::Key_U), ctrl},
          {"Ctrl+Shift+T", int(Qt::Key_T), ctrl | shift}, {"Ctrl+Shift+Up", int(Qt::Key_Up), ctrl | shift},
          {"Alt+Shift+Down", int(Qt::Key_Down), alt | shift}, {"Escape", int(Qt::Key_Escape), 0}})
        QTest::addRow("%s is not bound", name) << t << 0 << 2 << key << mods << t << 0 << 2;
}

void TestQueryWindow::keyBindings()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, expected);
    QFETCH(int, caretLine);
    QFETCH(int, caretColumn);
    auto *editor = edit(query()->Editor);
    editor->setText(text);
    if (key == Qt::Key_Z || (key == Qt::Key_Backspace && modifiers == Qt::AltModifier)) {
        // Two undo steps: the second one is undone.
        editor->setText(QString());
        editor->beginUndoAction();
        editor->insert(QStringLiteral("alpha"));
        editor->endUndoAction();
        editor->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 5ul);
        editor->beginUndoAction();
        editor->insert(QStringLiteral(" beta\ngamma delta"));
        editor->endUndoAction();
    }
    editor->setCursorPosition(line, column);
    editor->setFocus();
    QVERIFY(editor->hasFocus());
    QTest::keyClick(editor, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(editor->text(), expected);
    QCOMPARE(editor->caretLine(), caretLine);
    QCOMPARE(editor->caretColumn(), caretColumn);
    // The frame's commands stay as they were (Ctrl+N there opens a database).
    QVERIFY(prompts->asked.isEmpty());
}

void TestQueryWindow::clipboardKeys()
{
    auto *editor = edit(query()->Editor);
    editor->setText(QStringLiteral("one two"));
    editor->setFocus();
    editor->setSelection(0, 0, 0, 3);
    QTest::keyClick(editor, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("one"));
    editor->setSelection(0, 4, 0, 7);
    QTest::keyClick(editor, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(editor->text(), QStringLiteral("one "));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("two"));
    QTest::keyClick(editor, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(editor->text(), QStringLiteral("one two"));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(editor->text(), QString());
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor->text(), QStringLiteral("one twoone two"));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->text(), QStringLiteral("one two"));
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->text(), QStringLiteral("one twoone two"));
    QTest::keyClick(editor, Qt::Key_Backspace, Qt::AltModifier);
    QTest::keyClick(editor, Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier);
    QCOMPARE(editor->text(), QStringLiteral("one twoone two"));
    // Insert switches to overwriting, and the panel says so.
    editor->setCursorPosition(0, 0);
    QTest::keyClick(editor, Qt::Key_Insert);
    QCOMPARE(query()->panelText(1), QStringLiteral("Overwrite"));
    QTest::keyClicks(editor, QStringLiteral("ON"));
    QCOMPARE(editor->text(), QStringLiteral("ONe twoone two"));
    QTest::keyClick(editor, Qt::Key_Insert);
    QCOMPARE(query()->panelText(1), QStringLiteral("Insert"));
}

void TestQueryWindow::bookmarkKeysSetToggleAndJump()
{
    auto *editor = edit(query()->Editor);
    editor->setText(QStringLiteral("l0\nl1\nl2 here\nl3"));
    editor->setFocus();
    editor->setCursorPosition(2, 3);
    QTest::keyClick(editor, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->bookmarkLine(5), 2);
    editor->setCursorPosition(0, 0);
    QTest::keyClick(editor, Qt::Key_5, Qt::ControlModifier);
    QCOMPARE(editor->caretLine(), 2);
    QCOMPARE(editor->caretColumn(), 3);
    // The bookmark moves with its line.
    editor->setCursorPosition(0, 0);
    editor->insert(QStringLiteral("new\n"));
    QCOMPARE(editor->bookmarkLine(5), 3);
    // Set again on another line it moves; on its own line it goes.
    editor->setCursorPosition(1, 0);
    QTest::keyClick(editor, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->bookmarkLine(5), 1);
    QTest::keyClick(editor, Qt::Key_5, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->bookmarkLine(5), -1);
    editor->setCursorPosition(4, 1);
    QTest::keyClick(editor, Qt::Key_5, Qt::ControlModifier);
    QCOMPARE(editor->caretLine(), 4);
    QTest::keyClick(editor, Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->bookmarkLine(0), 4);
}

void TestQueryWindow::selectionModeKeys()
{
    auto *editor = edit(query()->Editor);
    editor->setText(QStringLiteral("abcd\nefgh\nijkl"));
    editor->setFocus();
    editor->setCursorPosition(0, 1);
    QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->selectionMode(), SqlEdit::SelectionMode::Column);
    QTest::keyClick(editor, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
    QVERIFY(editor->SendScintilla(QsciScintillaBase::SCI_SELECTIONISRECTANGLE));
    QCOMPARE(editor->selectionText().remove(QLatin1Char('\n')), QStringLiteral("bf"));
    // A plain move does not select.
    QTest::keyClick(editor, Qt::Key_Down);
    QVERIFY(!editor->hasSelectedText());
    QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->selectionMode(), SqlEdit::SelectionMode::Line);
    editor->setCursorPosition(0, 2);
    QTest::keyClick(editor, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(editor->selectionText(), QStringLiteral("abcd\nefgh"));
    QTest::keyClick(editor, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(editor->selectionText(), QStringLiteral("abcd\nefgh\nijkl"));
    QTest::keyClick(editor, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->selectionMode(), SqlEdit::SelectionMode::Normal);
    editor->setCursorPosition(0, 1);
    editor->SendScintilla(QsciScintillaBase::SCI_CHOOSECARETX);
    QTest::keyClick(editor, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(editor->selectionText(), QStringLiteral("bcd\ne"));
    // The frame's Ctrl+Shift+N would create a database; here it only changed the mode.
    QVERIFY(prompts->asked.isEmpty());
}

void TestQueryWindow::undoKeepsTenSteps()
{
    auto *editor = edit(query()->Editor);
    editor->setFocus();
    for (int i = 1; i <= 12; ++i) {
        editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        editor->beginUndoAction();
        editor->insert(QStringLiteral("%1;").arg(i));
        editor->endUndoAction();
    }
    QCOMPARE(editor->text(), QStringLiteral("1;2;3;4;5;6;7;8;9;10;11;12;"));
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(editor->text(), QStringLiteral("1;2;"));
    QVERIFY(!editor->canUndo());
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(editor->text(), QStringLiteral("1;2;3;4;5;6;7;8;9;10;11;12;"));
    QVERIFY(editor->canUndo());
}

void TestQueryWindow::gutterNumbersWithLeadingZeros()
{
    auto *editor = edit(query()->Editor);
    QCOMPARE(editor->lineNumberText(0), QStringLiteral("0001"));
    const int narrow = editor->gutterWidth();
    editor->setText(QString(QStringLiteral("x\n")).repeated(123455));
    QCOMPARE(editor->lines(), 123456);
    QCOMPARE(editor->lineNumberText(0), QStringLiteral("000001"));
    QCOMPARE(editor->lineNumberText(123455), QStringLiteral("123456"));
    QVERIFY(editor->gutterWidth() > narrow);
    editor->setText(QString());
    QCOMPARE(editor->gutterWidth(), narrow);
    QCOMPARE(edit(query()->Result)->lineNumberText(8), QStringLiteral("000009"));
}

// The caret panels follow the caret and the line count of the editor on view.
void TestQueryWindow::caretPanelsFollowTheCaret()
{
    TfrmQuery *q = query();
    q->Editor->setText(QStringLiteral("select\n  1"));
    q->Editor->setCursorPosition(1, 2);
    QTRY_COMPARE(q->panelText(0), QStringLiteral("1: 2 / 2"));
    run("SELECT 1 AS a");
    QCOMPARE(q->panelText(0), QStringLiteral("0: 0 / 7"));
    q->Editor->setCursorPosition(0, 3);
    QTest::qWait(20);
    QCOMPARE(q->panelText(0), QStringLiteral("0: 0 / 7"));
    setPage("tsQuery");
    QCOMPARE(q->panelText(0), QStringLiteral("0: 3 / 1"));
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestQueryWindow test;
    return QTest::qExec(&test, argc, argv);
}

// The status bar switches the database to Access SQL, whose unresolved names are parameters
// asked for one by one; Cancel makes the statement fail with the parameter named.
void TestQueryWindow::accessSqlAsksForEachParameterAndTheDialectSwitches()
{
    TfrmQuery *q = query();
    auto *dialect = child<QToolButton>("sbDialect");
    QCOMPARE(dialect->text(), QStringLiteral("SQLite SQL"));
    dialect->click();
    QCOMPARE(dialect->text(), QStringLiteral("Access SQL"));
    QString label;
    prompts->dialogs.push_back([&label](QDialog *d) {
        auto *input = qobject_cast<QInputDialog *>(d);
        label = input ? input->labelText() : QString();
        if (input)
            input->setTextValue(QStringLiteral("ann"));
        return int(QDialog::Accepted);
    });
    run("SELECT id FROM Customers WHERE name = [Whose Name] AND name Like \"A*\"");
    QCOMPARE(label, QStringLiteral("Whose Name"));
    QCOMPARE(prompts->textsOf("dialog"), QStringList{QStringLiteral("dlgParameter")});
    QCOMPARE(resultLines(q).mid(0, 3), (QStringList{"id      ", "--------", "1       "}));
    run("SELECT id FROM Customers WHERE name = [Whose Name]");
    QVERIFY2(q->Result->text().contains("'[Whose Name]'"), qPrintable(q->Result->text()));
    dialect->click();
    QCOMPARE(dialect->text(), QStringLiteral("SQLite SQL"));
}

// The last panel holds the whole "Total time" line of a script at the window's first size.
void TestQueryWindow::totalTimePanelIsNotCutAtTheFirstSize()
{
    TfrmQuery *q = query();
    run("SELECT 1;\nSELECT 2;\nSELECT 3;\n");
    QCOMPARE(q->parentWidget()->size(), QSize(595, 402));
    auto *panel = child<QLabel>("sbPanel3");
    QVERIFY(panel->text().startsWith(QStringLiteral("Total time: ")));
    const int needed = panel->fontMetrics().horizontalAdvance(QStringLiteral("Total time: 9999.99 s / 9999 statement(s)"));
    QVERIFY2(panel->width() >= needed, qPrintable(QStringLiteral("%1 < %2").arg(panel->width()).arg(needed)));
}

#include "tst_querywindow.moc"
