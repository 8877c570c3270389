// The timings window, offscreen, on a real database made through the engine, with a fake tick
// counter that also plays the user's clicks at chosen moments of a run.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/Error.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"
#include "timings/TimingsWindow.h"
#include "timings/TimingsWindows.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <deque>
#include <functional>
#include <memory>

namespace {

// Saved queries of every kind the engine makes, with their type codes.
const struct {
    const char *name;
    const char *sql;
} kQueries[] = {
    {"Plain", "SELECT id, name FROM Customers"},                                        // 0
    {"Cities", "SELECT DISTINCT city FROM Customers"},                                  // 0
    {"Recent", "SELECT id FROM Fresh"},                                                 // 0, table comes and goes
    {"Spaced Name", "SELECT name FROM Customers"},                                      // 0, needs brackets
    {"Customers Alias", "SELECT city FROM Customers"},                                  // 0, opens Customers
    {"~sq_Hidden", "SELECT id FROM Customers"},                                         // 8
    {"Xtab", "TRANSFORM Count(id) SELECT city FROM Customers GROUP BY city PIVOT name"}, // 16
    {"~Xtab", "TRANSFORM Count(id) SELECT city FROM Customers GROUP BY city PIVOT id"}, // 24
    {"Both", "SELECT name FROM Customers UNION SELECT city FROM Customers"},            // 128
    {"~Both", "SELECT city FROM Customers UNION SELECT name FROM Customers"},           // 136
    {"Purge", "DELETE FROM Customers"},                                                 // 32
    {"~Purge", "DELETE FROM Customers WHERE id > 1"},                                   // 40
    {"Rename", "UPDATE Customers SET name = 'x'"},                                      // 48
    {"AddOne", "INSERT INTO Customers (id, name) VALUES (9, 'nine')"},                  // 64
    {"CopyAll", "SELECT * INTO Copied FROM Customers"},                                 // 80
    {"MakeTable", "CREATE TABLE Made (a INTEGER)"},                                     // 96
    {"~MakeTable", "DROP TABLE Customers"},                                             // 104
    {"Tidy", "VACUUM"},                                                                 // 240
};

const QStringList kListed = {"Both", "Cities", "Customers Alias", "Plain", "Recent", "Spaced Name", "Xtab", "~Both", "~Xtab", "~sq_Hidden"};

void makeDatabase(const QString &path)
{
    automation::Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    automation::Variant ws = engine.call("CreateWorkspace", {"make", "admin", "", 2});
    automation::Variant db = ws.call("CreateDatabase", {path.toStdString()});
    db.call("Execute", {"CREATE TABLE Customers (id INTEGER, name TEXT(10), city TEXT(10))"});
    db.call("Execute", {"INSERT INTO Customers VALUES (1, 'Ann', 'Brno'), (2, 'Bob', 'Praha')"});
    db.call("Execute", {"CREATE TABLE Fresh (id INTEGER)"});
    for (const auto &q : kQueries)
        db.call("CreateQueryDef", {q.name, q.sql});
    ws.call("Close");
}

QStringList rowTexts(const QTreeWidgetItem *item)
{
    return {item->text(1), item->text(2), item->text(3)};
}

} // namespace

class TestTimings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowAsOpened();
    void listsOnlyRowReturningQueries();
    void withoutDatabaseNothingIsListedOrRun();
    void executeWithNothingTicked();
    void figuresOfSeveralPasses_data();
    void figuresOfSeveralPasses();
    void failuresShowErrorAndKeepEarlierTimes_data();
    void failuresShowErrorAndKeepEarlierTimes();
    void nameNeedingBracketsShowsEngineMessage();
    void stopDuringOpeningMeasuresTheNextTickedRow();
    void tickingDuringARunDoesNotChangeIt();
    void newRunStartsFromEmptyMeasurements();
    void closeRefusedWhileRunningAcceptedAfterStop();
    void closingTheDatabaseDuringARunEndsIt_data();
    void closingTheDatabaseDuringARunEndsIt();
    void selectAllAndDeselectAll();
    void timingsCommandShowsOneWindow();

private:
    TfrmTimings *timings() const { return qobject_cast<TfrmTimings *>(main->FindChildWindow("TfrmTimings")); }
    QTreeWidgetItem *row(const QString &name) const;
    void tick(const QStringList &names) const;
    QStringList markedRows() const;
    // Stop as the user clicks it: handled when the run next processes events.
    void clickStopLater() const;
    QString engineMessage(const std::string &sql) const;
    void setFreshTable(bool exists) const;
    std::uint32_t readClock();

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TfrmMain> main;

    // The fake tick counter: each reading first runs onTick (with the 1-based number of the
    // reading), then advances by the next step.
    int readings = 0;
    std::uint32_t now = 1000;
    std::deque<std::uint32_t> steps;
    std::function<void(int reading)> onTick;
};

void TestTimings::initTestCase()
{
    dbengine::registerEngine();
    registerTimingsWindows([this] { return readClock(); });
    QLocale::setDefault(QLocale::c());
}

void TestTimings::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    makeDatabase(home->path("shop.mdb"));
    readings = 0;
    now = 1000;
    steps.clear();
    onTick = nullptr;
    main = std::make_unique<TfrmMain>();
    main->resize(900, 700);
    main->show();
    prompts->files.push_back(home->path("shop.mdb"));
    main->cmOpenDB();
    QVERIFY(main->session().access().DatabaseOpen());
    main->cmTimings();
    QVERIFY(timings());
    prompts->asked.clear();
}

void TestTimings::cleanup()
{
    onTick = nullptr;
    // A test that failed inside a run must not leave it going.
    if (TfrmTimings *t = timings())
        t->cmStop();
    main.reset();
    prompts.reset();
    home.reset();
    QLocale::setDefault(QLocale::c());
}

std::uint32_t TestTimings::readClock()
{
    ++readings;
    if (onTick)
        onTick(readings);
    if (readings > 1000) {
        // A run that never ends is a failure of the test, not a hang.
        qWarning("the run did not stop");
        if (TfrmTimings *t = timings())
            t->cmStop();
    }
    if (!steps.empty()) {
        now += steps.front();
        steps.pop_front();
    }
    return now;
}

QTreeWidgetItem *TestTimings::row(const QString &name) const
{
    const QList<QTreeWidgetItem *> found = timings()->list()->findItems(name, Qt::MatchExactly, 0);
    return found.size() == 1 ? found.first() : nullptr;
}

void TestTimings::tick(const QStringList &names) const
{
    for (const QString &name : names)
        row(name)->setCheckState(0, Qt::Checked);
}

QStringList TestTimings::markedRows() const
{
    QStringList marked;
    QTreeWidget *lv = timings()->list();
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        if (timings()->isMarked(lv->topLevelItem(i)))
            marked << lv->topLevelItem(i)->text(0);
    return marked;
}

void TestTimings::clickStopLater() const
{
    auto *stop = timings()->findChild<QToolButton *>(QStringLiteral("sbStop"));
    QMetaObject::invokeMethod(stop, &QToolButton::click, Qt::QueuedConnection);
}

QString TestTimings::engineMessage(const std::string &sql) const
{
    try {
        automation::Variant rs = main->session().access().OpenRecordset(sql);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

void TestTimings::setFreshTable(bool exists) const
{
    main->session().access().Database.call("Execute", {exists ? "CREATE TABLE IF NOT EXISTS Fresh (id INTEGER)"
                                                   : "DROP TABLE IF EXISTS Fresh"});
}

void TestTimings::windowAsOpened()
{
    TfrmTimings *t = timings();
    QCOMPARE(t->windowTitle(), QStringLiteral("Timings"));
    QCOMPARE(t->parentWidget()->size(), QSize(441, 467));
    const struct {
        const char *button, *hint;
        bool enabled;
    } buttons[] = {{"sbExec", "Execute", true}, {"sbStop", "Stop", false}};
    for (const auto &b : buttons) {
        auto *button = t->findChild<QToolButton *>(QLatin1String(b.button));
        QVERIFY(button);
        QCOMPARE(button->toolTip(), QLatin1String(b.hint));
        QCOMPARE(button->size(), QSize(24, 22));
        QVERIFY(button->autoRaise());
        QCOMPARE(button->isEnabled(), b.enabled);
    }
    QTreeWidget *lv = t->list();
    const QStringList captions = {"Query", "Last Time [s]", "Avg Time [s]", "Attempts"};
    const int widths[] = {200, 80, 75, 60};
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(lv->headerItem()->text(c), captions[c]);
        // Wider only where the caption would be cut.
        const int caption = lv->header()->fontMetrics().horizontalAdvance(captions[c]);
        QVERIFY2(lv->columnWidth(c) == widths[c] || lv->columnWidth(c) < caption + 20, qPrintable(captions[c]));
        QVERIFY(lv->columnWidth(c) >= std::max(widths[c], caption));
        QCOMPARE(Qt::Alignment(lv->headerItem()->textAlignment(c)) & Qt::AlignHorizontal_Mask,
                 Qt::Alignment(c == 0 ? Qt::AlignLeft : Qt::AlignRight));
    }
    QVERIFY(!lv->header()->sectionsClickable());
    QCOMPARE(lv->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(lv->editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < lv->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lv->topLevelItem(i);
        QCOMPARE(item->checkState(0), Qt::Unchecked);
        QVERIFY(item->flags() & Qt::ItemIsUserCheckable);
        QVERIFY(!(item->flags() & Qt::ItemIsEditable));
        QCOMPARE(rowTexts(item), QStringList({"", "", ""}));
        QVERIFY(!t->isMarked(item));
        for (int c = 1; c < 4; ++c)
            QCOMPARE(Qt::Alignment(item->textAlignment(c)) & Qt::AlignHorizontal_Mask, Qt::Alignment(Qt::AlignRight));
    }
    QCOMPARE(t->statusText(), QStringLiteral("10 object(s)"));
}

void TestTimings::listsOnlyRowReturningQueries()
{
    QStringList listed;
    for (int i = 0; i < timings()->list()->topLevelItemCount(); ++i)
        listed << timings()->list()->topLevelItem(i)->text(0);
    listed.sort();
    QStringList expected = kListed;
    expected.sort();
    QCOMPARE(listed, expected);

    // Everything listed is opened for one whole pass; the action and data-definition queries
    // never are.
    timings()->cmSelectAll();
    QTreeWidget *lv = timings()->list();
    const QString last = lv->topLevelItem(lv->topLevelItemCount() - 1)->text(0);
    QStringList opened;
    onTick = [&](int) {
        const QStringList marked = markedRows();
        if (opened.isEmpty() || opened.last() != marked.join(QLatin1Char('+')))
            opened << marked.join(QLatin1Char('+'));
        if (marked == QStringList{last})
            timings()->cmStop();
    };
    timings()->cmExec();
    QVERIFY(!timings()->running());
    opened.sort();
    QCOMPARE(opened, expected);
    automation::Variant rs = main->session().access().OpenRecordset("SELECT count(*) FROM Customers WHERE name <> 'x'");
    QCOMPARE(rs.call("GetRows", {1}).array().at(0, 0).toInt(), 2);
    for (const char *table : {"Copied", "Made"})
        QVERIFY(!engineMessage(std::string("SELECT * FROM ") + table).isEmpty());
}

void TestTimings::withoutDatabaseNothingIsListedOrRun()
{
    main->cmCloseAll();
    main->CloseCurrent();
    QVERIFY(!main->session().access().DatabaseOpen());
    main->cmTimings();
    TfrmTimings *t = timings();
    QVERIFY(t);
    QCOMPARE(t->list()->topLevelItemCount(), 0);
    QCOMPARE(t->statusText(), QString());
    t->cmExec();
    QCOMPARE(readings, 0);
    QVERIFY(!t->running());

    // A window made without any database source behaves the same.
    TfrmTimings alone({}, [this] { return readClock(); });
    QCOMPARE(alone.list()->topLevelItemCount(), 0);
    alone.cmExec();
    QCOMPARE(readings, 0);
}

void TestTimings::executeWithNothingTicked()
{
    TfrmTimings *t = timings();
    auto *exec = t->findChild<QAction *>(QStringLiteral("mmExec"));
    QSignalSpy changes(exec, &QAction::changed);
    t->cmExec();
    QCOMPARE(readings, 0);
    QVERIFY(t->times().empty());
    QVERIFY(!t->running());
    QVERIFY(exec->isEnabled());
    QVERIFY(!t->findChild<QAction *>(QStringLiteral("mmStop"))->isEnabled());
    // The buttons went to their running state and back.
    QVERIFY(changes.count() >= 2);
    for (int i = 0; i < t->list()->topLevelItemCount(); ++i)
        QCOMPARE(rowTexts(t->list()->topLevelItem(i)), QStringList({"", "", ""}));
}

void TestTimings::figuresOfSeveralPasses_data()
{
    QTest::addColumn<QList<int>>("durations");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("shown"); // last, average, attempts
    QTest::newRow("20 30 50") << QList<int>{20, 30, 50} << "C" << QStringList{"0.05", "0.03", "3"};
    QTest::newRow("10 15: average 12.5 to 12") << QList<int>{10, 15} << "C" << QStringList{"0.01", "0.01", "2"};
    QTest::newRow("11 14: average 12.5 to 12") << QList<int>{11, 14} << "C" << QStringList{"0.01", "0.01", "2"};
    QTest::newRow("13 14: average 13.5 to 14") << QList<int>{13, 14} << "C" << QStringList{"0.01", "0.01", "2"};
    QTest::newRow("seconds") << QList<int>{1000, 2345} << "C" << QStringList{"2.35", "1.67", "2"};
    QTest::newRow("decimal comma") << QList<int>{20, 30, 50} << "de_DE" << QStringList{"0,05", "0,03", "3"};
}

void TestTimings::figuresOfSeveralPasses()
{
    QFETCH(QList<int>, durations);
    QFETCH(QString, locale);
    QFETCH(QStringList, shown);
    QLocale::setDefault(QLocale(locale));
    for (int d : durations) {
        steps.push_back(7); // from the end of one opening to the start of the next
        steps.push_back(std::uint32_t(d));
    }
    // The click comes while the last but one pass opens the query: the last pass still runs.
    const int stopAt = 2 * (int(durations.size()) - 1) - 1;
    onTick = [&](int reading) {
        if (reading == std::max(stopAt, 1))
            clickStopLater();
    };
    tick({"Plain"});
    timings()->cmExec();
    QCOMPARE(readings, 2 * int(durations.size()));
    QCOMPARE(rowTexts(row("Plain")), shown);
    QList<int> measured;
    const int index = timings()->list()->indexOfTopLevelItem(row("Plain"));
    for (std::uint32_t ms : timings()->times()[std::size_t(index)].times())
        measured << int(ms);
    QCOMPARE(measured, durations);
}

void TestTimings::failuresShowErrorAndKeepEarlierTimes_data()
{
    // Per pass: whether the query's table exists ('+') or not ('-'), and the time it takes.
    QTest::addColumn<QString>("passes");
    QTest::addColumn<QList<int>>("durations");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<int>>("times");
    QTest::newRow("fails, then succeeds") << "-+" << QList<int>{0, 40} << QStringList{"0.04", "0.04", "2"}
                                          << QList<int>{40};
    QTest::newRow("succeeds, fails, succeeds") << "+-+" << QList<int>{10, 0, 30} << QStringList{"0.03", "0.02", "3"}
                                               << QList<int>{10, 30};
    QTest::newRow("succeeds, then fails") << "+-" << QList<int>{60, 0} << QStringList{"", "", "Error"}
                                          << QList<int>{60};
}

void TestTimings::failuresShowErrorAndKeepEarlierTimes()
{
    QFETCH(QString, passes);
    QFETCH(QList<int>, durations);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, times);
    setFreshTable(false);
    const QString missing = engineMessage("select * from Recent");
    QVERIFY(!missing.isEmpty());
    setFreshTable(true);

    // One query is ticked, so each pass reads the clock once before the opening and, when it
    // succeeds, once after it.
    int pass = -1;
    bool opening = false;
    QStringList before; // what the row showed when each pass began
    onTick = [&](int) {
        if (opening) {
            opening = false;
            steps.push_back(std::uint32_t(durations[pass]));
            return;
        }
        ++pass;
        before << rowTexts(row("Recent")).join(QLatin1Char('|'));
        const bool exists = passes[pass] == QLatin1Char('+');
        setFreshTable(exists);
        opening = exists;
        if (pass == passes.size() - 2)
            clickStopLater();
    };
    tick({"Recent"});
    timings()->cmExec();
    QCOMPARE(pass, passes.size() - 1);
    QCOMPARE(rowTexts(row("Recent")), shown);
    QList<int> measured;
    const int index = timings()->list()->indexOfTopLevelItem(row("Recent"));
    for (std::uint32_t ms : timings()->times()[std::size_t(index)].times())
        measured << int(ms);
    QCOMPARE(measured, times);
    // A failed pass shows "Error" with empty times and the engine's message as the row's tip;
    // a successful one clears the tip.
    for (int p = 1; p < passes.size(); ++p) {
        if (passes[p - 1] == QLatin1Char('-'))
            QCOMPARE(before[p], QStringLiteral("||Error"));
        else
            QVERIFY(before[p].endsWith(QStringLiteral("|%1").arg(p)));
    }
    QCOMPARE(row("Recent")->toolTip(3), passes.endsWith(QLatin1Char('-')) ? missing : QString());
    QCOMPARE(row("Recent")->toolTip(0), row("Recent")->toolTip(3));
}

void TestTimings::nameNeedingBracketsShowsEngineMessage()
{
    const QString message = engineMessage("select * from Spaced Name");
    QVERIFY(!message.isEmpty());
    // "select * from Customers Alias" is the table Customers under an alias: it opens, but
    // its time is not the query's.
    QVERIFY(engineMessage("select * from Customers Alias").isEmpty());
    tick({"Spaced Name", "Plain", "Customers Alias"});
    // One pass: Stop is handled while the last ticked row opens.
    QString last;
    for (int i = 0; i < timings()->list()->topLevelItemCount(); ++i)
        if (timings()->list()->topLevelItem(i)->checkState(0) == Qt::Checked)
            last = timings()->list()->topLevelItem(i)->text(0);
    onTick = [&](int) {
        if (markedRows() == QStringList{last})
            timings()->cmStop();
    };
    timings()->cmExec();
    QCOMPARE(rowTexts(row("Spaced Name")), QStringList({"", "", "Error"}));
    QCOMPARE(row("Spaced Name")->toolTip(0), message);
    QCOMPARE(rowTexts(row("Customers Alias")), QStringList({"", "", "Error"}));
    QCOMPARE(row("Customers Alias")->toolTip(3),
             QString::fromStdString(timings::QueryTimes::notTheQueryMessage("Customers Alias")));
    const int alias = timings()->list()->indexOfTopLevelItem(row("Customers Alias"));
    QVERIFY(timings()->times()[std::size_t(alias)].empty());
    QCOMPARE(rowTexts(row("Plain")).last(), QStringLiteral("1"));
    QCOMPARE(row("Plain")->toolTip(0), QString());
}

void TestTimings::stopDuringOpeningMeasuresTheNextTickedRow()
{
    QTreeWidget *lv = timings()->list();
    // Three ticked rows in list order, with an unticked one between the first two.
    QStringList ticked;
    for (int i = 0; i < lv->topLevelItemCount() && ticked.size() < 3; ++i) {
        const QString name = lv->topLevelItem(i)->text(0);
        if (name == QLatin1String("Plain") || name == QLatin1String("Cities") || name == QLatin1String("Both"))
            ticked << name;
    }
    QCOMPARE(ticked.size(), 3);
    tick(ticked);
    for (int i = 0; i < 40; ++i)
        steps.push_back(i % 2 ? 10 : 1);
    QStringList opened; // the marked rows at each opening
    onTick = [&](int reading) {
        if (reading % 2 == 1)
            opened << markedRows().join(QLatin1Char('+'));
        // The click arrives while the first row opens in pass 2.
        if (reading == 7)
            clickStopLater();
    };
    timings()->cmExec();
    // Pass 1 opens all three; pass 2 the first, then the click is handled before the second,
    // which is still measured; then the run ends.
    QCOMPARE(opened, QStringList({ticked[0], ticked[1], ticked[2], ticked[0], ticked[1]}));
    QCOMPARE(rowTexts(row(ticked[0])).last(), QStringLiteral("2"));
    QCOMPARE(rowTexts(row(ticked[1])).last(), QStringLiteral("2"));
    QCOMPARE(rowTexts(row(ticked[2])).last(), QStringLiteral("1"));
    QVERIFY(!timings()->running());
    QVERIFY(markedRows().isEmpty());
    QVERIFY(timings()->findChild<QAction *>(QStringLiteral("mmExec"))->isEnabled());
    QVERIFY(!timings()->findChild<QAction *>(QStringLiteral("mmStop"))->isEnabled());
}

void TestTimings::tickingDuringARunDoesNotChangeIt()
{
    tick({"Plain"});
    bool runningState = false;
    onTick = [&](int reading) {
        if (reading == 1) {
            runningState = timings()->running() && !timings()->findChild<QToolButton *>("sbExec")->isEnabled()
                           && timings()->findChild<QToolButton *>("sbStop")->isEnabled();
            row("Plain")->setCheckState(0, Qt::Unchecked);
            row("Cities")->setCheckState(0, Qt::Checked);
        }
        if (reading == 3)
            clickStopLater();
    };
    timings()->cmExec();
    QVERIFY(runningState);
    QCOMPARE(rowTexts(row("Plain")).last(), QStringLiteral("3"));
    QCOMPARE(rowTexts(row("Cities")), QStringList({"", "", ""}));
}

void TestTimings::newRunStartsFromEmptyMeasurements()
{
    tick({"Plain", "Cities"});
    steps = {0, 100, 0, 100, 0, 100, 0, 100};
    onTick = [&](int reading) {
        // While Plain opens in pass 2: Cities is measured once more.
        if (reading == 5)
            clickStopLater();
    };
    timings()->cmExec();
    QCOMPARE(rowTexts(row("Plain")), QStringList({"0.10", "0.10", "2"}));
    QCOMPARE(rowTexts(row("Cities")), QStringList({"0.10", "0.10", "2"}));

    // The second run: only Plain, stopped after its first measurement.
    row("Cities")->setCheckState(0, Qt::Unchecked);
    steps = {0, 20};
    onTick = [&](int) { timings()->cmStop(); };
    timings()->cmExec();
    QCOMPARE(rowTexts(row("Plain")), QStringList({"0.02", "0.02", "1"}));
    // Figures of the last run stay until the row is measured again.
    QCOMPARE(rowTexts(row("Cities")), QStringList({"0.10", "0.10", "2"}));
    const int cities = timings()->list()->indexOfTopLevelItem(row("Cities"));
    QVERIFY(timings()->times()[std::size_t(cities)].empty());
}

void TestTimings::closeRefusedWhileRunningAcceptedAfterStop()
{
    QPointer<TfrmTimings> t = timings();
    QPointer<QMdiSubWindow> sub = qobject_cast<QMdiSubWindow *>(t->parentWidget());
    QVERIFY(sub);
    sub->setGeometry(30, 40, 500, 380);
    tick({"Plain"});
    bool closedWhileRunning = true;
    onTick = [&](int reading) {
        if (reading == 1) {
            closedWhileRunning = sub->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            timings()->cmStop();
        }
    };
    t->cmExec();
    QVERIFY(!closedWhileRunning);
    QVERIFY(t);
    QVERIFY(!t->running());
    QCOMPARE(rowTexts(row("Plain")).last(), QStringLiteral("1"));

    QVERIFY(sub->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!t);
    QVERIFY(!main->FindChildWindow("TfrmTimings"));
    QSettings settings(home->settingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("1.x/Timings/NormPos")).toString(), QStringLiteral("30,40,530,420"));

    // A new window opens where the last one was.
    main->cmTimings();
    QVERIFY(timings());
    QCOMPARE(timings()->parentWidget()->geometry(), QRect(30, 40, 500, 380));
}

void TestTimings::closingTheDatabaseDuringARunEndsIt_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("Close") << "close";
    // The same file opened again is another database object: the run ends all the same.
    QTest::newRow("Refresh") << "refresh";
    QTest::newRow("Open another") << "open";
}

void TestTimings::closingTheDatabaseDuringARunEndsIt()
{
    QFETCH(QString, command);
    makeDatabase(home->path("other.mdb"));
    QPointer<TfrmTimings> t = timings();
    tick({"Plain", "Cities"});
    onTick = [&](int reading) {
        if (reading != 1)
            return;
        QTimer::singleShot(0, main.get(), [this, command] {
            if (command == QLatin1String("close")) {
                main->CloseCurrent();
            } else if (command == QLatin1String("refresh")) {
                main->cmRefresh();
            } else {
                prompts->files.push_back(home->path("other.mdb"));
                main->cmOpenDB();
            }
        });
    };
    t->cmExec();
    // The first query was opened; the database was gone before the second.
    QCOMPARE(readings, 2);
    QCOMPARE(main->session().access().DatabaseOpen(), command != QLatin1String("close"));
    // The window that refused to close during the run closes once it has ended.
    QTRY_VERIFY(!t);
}

void TestTimings::selectAllAndDeselectAll()
{
    TfrmTimings *t = timings();
    auto *menu = t->findChild<QMenu *>(QStringLiteral("PopupMenu1"));
    QVERIFY(menu);
    QCOMPARE(t->list()->contextMenuPolicy(), Qt::CustomContextMenu);
    const auto states = [t] {
        QList<Qt::CheckState> s;
        for (int i = 0; i < t->list()->topLevelItemCount(); ++i)
            s << t->list()->topLevelItem(i)->checkState(0);
        return s;
    };
    tick({"Plain"});
    auto *selectAll = menu->findChild<QAction *>(QStringLiteral("pmSelectAll"));
    auto *deselectAll = menu->findChild<QAction *>(QStringLiteral("pmDeselectAll"));
    QVERIFY(selectAll && deselectAll);
    QCOMPARE(menu->actions(), QList<QAction *>({selectAll, deselectAll}));
    QCOMPARE(selectAll->text(), QStringLiteral("Select All"));
    QCOMPARE(deselectAll->text(), QStringLiteral("Deselect All"));
    selectAll->trigger();
    QCOMPARE(states(), QList<Qt::CheckState>(kListed.size(), Qt::Checked));
    deselectAll->trigger();
    QCOMPARE(states(), QList<Qt::CheckState>(kListed.size(), Qt::Unchecked));
}

void TestTimings::timingsCommandShowsOneWindow()
{
    TfrmTimings *first = timings();
    main->cmTimings();
    QCOMPARE(timings(), first);
    QCOMPARE(main->mdiArea()->subWindowList().size(), 1);
    QVERIFY(prompts->asked.isEmpty());
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestTimings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_timings.moc"
