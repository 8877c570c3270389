// The object map, offscreen, on real database files made through the engine, with scripted
// answers to its questions and dialogs.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/DateTime.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "objectmap/ObjectMap.h"
#include "objectmap/ObjectMapRules.h"
#include "objectmap/ObjectMapWindows.h"
#include "query/QueryWindow.h"
#include "query/TableWindow.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <Qsci/qsciscintilla.h>

#include <memory>

using automation::Variant;

namespace {

// Two related tables, a table with awkward field names, three saved queries (a select, one
// with parameters and one whose table does not exist) and a delete query.
void makeDatabase(const QString &path)
{
    Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    Variant ws = engine.call("CreateWorkspace", {"make", "admin", "", 2});
    Variant db = ws.call("CreateDatabase", {path.toStdString()});
    for (const char *sql : {
             "CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Company TEXT(40) NOT NULL CHECK (Company <> ''), "
             "City TEXT(20) DEFAULT 'Brno', Notes MEMO, Extra)",
             "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID LONG NOT NULL REFERENCES Customers "
             "(CustomerID) ON DELETE CASCADE, OrderDate DATETIME, Shipped DATETIME)",
             "CREATE INDEX OrdersByDate ON Orders (OrderDate, CustomerID, Shipped)",
             "CREATE TABLE \"Odd names\" (\"first name\" TEXT(10), \"a,b\" LONG, \"say \"\"hi\"\"\" TEXT(5), plain LONG)",
             "INSERT INTO Customers (CustomerID, Company) VALUES (1, 'Alpha'), (2, 'Beta')",
         })
        db.call("Execute", {sql});
    db.call("CreateQueryDef", {"BigOrders", "SELECT * FROM Orders WHERE OrderID > 10"});
    db.call("CreateQueryDef",
            {"ByCity", "PARAMETERS [Which city] TEXT(20), [Since] DATETIME; SELECT * FROM Customers WHERE City = [Which city]"});
    db.call("CreateQueryDef", {"Broken", "SELECT * FROM Nowhere"});
    db.call("CreateQueryDef", {"PurgeOrders", "DELETE FROM Orders WHERE Shipped IS NULL"});
    ws.call("Close");
}

QStringList textsOf(QTreeWidgetItem *parent)
{
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i)
        out << parent->child(i)->text(0);
    return out;
}

QStringList topTexts(QTreeWidget *tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0);
    return out;
}

QStringList rowTexts(QTreeWidget *list, int row)
{
    QStringList out;
    QTreeWidgetItem *item = list->topLevelItem(row);
    for (int c = 0; c < list->columnCount(); ++c)
        out << item->text(c);
    return out;
}

QStringList columnTexts(QTreeWidget *list, int column)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(column);
    return out;
}

QStringList listTexts(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

QStringList headerTexts(QTreeWidget *list)
{
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c)
        out << list->headerItem()->text(c);
    return out;
}

// The captions of the detail tabs that are shown, in page order.
QStringList shownTabs(QTabWidget *tabs)
{
    QStringList out;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i))
            out << tabs->tabText(i);
    return out;
}

bool sameIcon(const QIcon &a, const QIcon &b)
{
    return !a.isNull() && a.cacheKey() == b.cacheKey();
}

// Fills the definition dialog as a user would and presses OK; the dialog's own result is the answer.
std::function<int(QDialog *)> defineQuery(const QString &name, const QString &sql)
{
    return [name, sql](QDialog *d) {
        d->findChild<QComboBox *>("cbType")->setCurrentIndex(1);
        d->findChild<QLineEdit *>("eName")->setText(name);
        d->findChild<QPlainTextEdit *>("mSQL")->setPlainText(sql);
        d->findChild<QPushButton *>("bOK")->click();
        return d->result();
    };
}

} // namespace

class TestObjectMap : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commaText_data();
    void commaText();
    void indexTypeText_data();
    void indexTypeText();
    void kindOfGroup_data();
    void kindOfGroup();
    void tableFilter_data();
    void tableFilter();
    void findTreeNodeTakesTheFirstInTreeOrder();
    void documentDateLeavesOutMidnight();

    void treeFollowsSystemAndContainers_data();
    void treeFollowsSystemAndContainers();
    void treeImagesAndLayout();
    void statusTexts_data();
    void statusTexts();
    void containerKeepsThePreviousStatus();
    void commandsFollowTheSelection_data();
    void commandsFollowTheSelection();
    void rightClickSelectsTheEntry();
    void tableDetails();
    void queryWithParameters();
    void queryWhoseFieldsCannotBeRead();
    void relationDetails();
    void containerDocuments();
    void groupEntryShowsNoDetails();
    void definitionGoneBehindTheWindowIsReported();
    void doubleClickShowsTheDetails();
    void copyFieldsAsCommaText();
    void newCancelledChangesNothing();
    void newConfirmedSelectsTheQuery();
    void newQueryNamedLikeAGroupIsSelected();
    void editRenamesAndSelects();
    void editOfATableChangesNothing();
    void deleteConfirmedRemovesOnlyThatEntry_data();
    void deleteConfirmedRemovesOnlyThatEntry();
    void deleteDeclinedKeepsEverything();
    void deleteRefusedByTheEngineKeepsTheEntry();
    void deleteOfAContainerIsRefused();
    void selectAsQueryRunsTheStatement_data();
    void selectAsQueryRunsTheStatement();
    void selectAsQueryLeavesTheQueryWindowWhereItStands();
    void tableEditorWindowsGoWithTheMap();
    void placementIsStoredAndRestored();
    void refreshReplacesTheWindow();

private:
    TfrmObjectMap *map() const { return qobject_cast<TfrmObjectMap *>(window->FindChildWindow("TfrmObjectMap")); }
    template <class T>
    T *child(const char *name) const
    {
        T *w = map()->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QTreeWidget *tree() const { return child<QTreeWidget>("Tree"); }
    QTreeWidgetItem *group(const QString &text) const;
    QTreeWidgetItem *entry(const QString &groupText, const QString &name) const;
    void select(const QString &groupText, const QString &name = {});
    void showProperties();
    QString status() const { return child<QLabel>("sbPanel")->text(); }
    void openWith(bool system, bool containers);
    Variant database() const { return window->session().database(); }
    bool hasQuery(const QString &name) const;

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TfrmMain> window;
    // The query window exists only for the tests that ask for it, so opening a database shows
    // the object map alone elsewhere.
    bool queryWindows = false;
};

void TestObjectMap::initTestCase()
{
    dbengine::registerEngine();
    registerObjectMapWindows();
    TfrmMain::registerChildWindow("TfrmQuery", [this](TfrmMain *frame) -> QWidget * {
        return queryWindows ? new TfrmQuery(frame->session(), nullptr, home->path("History.sql")) : nullptr;
    });
}

void TestObjectMap::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    makeDatabase(home->path("shop.mdb"));
    window = std::make_unique<TfrmMain>();
    window->show();
    window->OpenDatabaseFile(home->path("shop.mdb"));
    QVERIFY(window->session().access().DatabaseOpen());
    QVERIFY(map());
}

void TestObjectMap::cleanup()
{
    queryWindows = false;
    if (window && window->session().access().DatabaseOpen())
        prompts->buttons.push_back(QMessageBox::Yes);
    window.reset();
    prompts.reset();
    home.reset();
}

QTreeWidgetItem *TestObjectMap::group(const QString &text) const
{
    for (int i = 0; i < tree()->topLevelItemCount(); ++i)
        if (tree()->topLevelItem(i)->text(0) == text)
            return tree()->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem *TestObjectMap::entry(const QString &groupText, const QString &name) const
{
    QTreeWidgetItem *g = group(groupText);
    for (int i = 0; g && i < g->childCount(); ++i)
        if (g->child(i)->text(0) == name)
            return g->child(i);
    return nullptr;
}

void TestObjectMap::select(const QString &groupText, const QString &name)
{
    QTreeWidgetItem *item = name.isEmpty() ? group(groupText) : entry(groupText, name);
    QVERIFY2(item, qPrintable(groupText + "/" + name));
    // The tree is on the Objects page, as for a user.
    child<QTabWidget>("pc")->setCurrentWidget(child<QWidget>("tsObjects"));
    tree()->setCurrentItem(item);
}

void TestObjectMap::showProperties()
{
    child<QTabWidget>("pc")->setCurrentWidget(child<QWidget>("tsProps"));
}

void TestObjectMap::openWith(bool system, bool containers)
{
    window->storage().setValue("System", system);
    window->storage().setValue("Cont", containers);
    map()->BuildTree();
}

bool TestObjectMap::hasQuery(const QString &name) const
{
    const Variant queries = database().get("QueryDefs");
    for (int i = 0; i < queries.get("Count").toInt(); ++i)
        if (QString::fromStdString(queries.item(i).get("Name").toText()) == name)
            return true;
    return false;
}

// ---- rules ----

void TestObjectMap::commaText_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("plain items") << QStringList{"Id", "Name", "Price"} << "Id,Name,Price";
    QTest::newRow("space") << QStringList{"first name", "x"} << "\"first name\",x";
    QTest::newRow("comma") << QStringList{"a,b"} << "\"a,b\"";
    QTest::newRow("quote doubled") << QStringList{"say \"hi\""} << "\"say \"\"hi\"\"\"";
    QTest::newRow("tab") << QStringList{"a\tb"} << "\"a\tb\"";
    QTest::newRow("empty item") << QStringList{"", "a"} << ",a";
    QTest::newRow("other punctuation") << QStringList{"a;b", "c'd"} << "a;b,c'd";
}

void TestObjectMap::commaText()
{
    QFETCH(QStringList, items);
    QFETCH(QString, text);
    QCOMPARE(objectmap::commaText(items), text);
}

void TestObjectMap::indexTypeText_data()
{
    QTest::addColumn<bool>("primary");
    QTest::addColumn<bool>("unique");
    QTest::addColumn<bool>("foreign");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << false << false << false << "";
    QTest::newRow("primary unique") << true << true << false << "Primary,Unique";
    QTest::newRow("unique") << false << true << false << "Unique";
    QTest::newRow("foreign") << false << false << true << "Foreign";
    QTest::newRow("all three") << true << true << true << "Primary,Unique,Foreign";
}

void TestObjectMap::indexTypeText()
{
    QFETCH(bool, primary);
    QFETCH(bool, unique);
    QFETCH(bool, foreign);
    QFETCH(QString, text);
    QCOMPARE(objectmap::indexTypeText(primary, unique, foreign), text);
}

void TestObjectMap::kindOfGroup_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("kind");
    QTest::newRow("tables") << "Tables" << 1;
    QTest::newRow("queries") << "Queries" << 2;
    QTest::newRow("relations") << "Relations" << 3;
    QTest::newRow("containers") << "Containers" << 4;
    QTest::newRow("other letter case") << "tables" << 0;
    QTest::newRow("anything else") << "Forms" << 0;
}

void TestObjectMap::kindOfGroup()
{
    QFETCH(QString, group);
    QFETCH(int, kind);
    QCOMPARE(int(objectmap::kindOfGroup(group)), kind);
}

void TestObjectMap::tableFilter_data()
{
    QTest::addColumn<uint>("attributes");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("normal") << 0u << false;
    QTest::newRow("engine system bit") << 0x80000000u << true;
    QTest::newRow("system object bit") << 0x2u << true;
    QTest::newRow("both system bits") << 0x80000002u << true;
    QTest::newRow("hidden only") << 0x1u << false;
    QTest::newRow("attached") << 0x40000000u << false;
}

void TestObjectMap::tableFilter()
{
    QFETCH(uint, attributes);
    QFETCH(bool, hidden);
    QCOMPARE(objectmap::tableListed(attributes, false), !hidden);
    QVERIFY(objectmap::tableListed(attributes, true));
}

void TestObjectMap::findTreeNodeTakesTheFirstInTreeOrder()
{
    QTreeWidget tree;
    auto *tables = new QTreeWidgetItem(&tree, {"Tables"});
    new QTreeWidgetItem(tables, {"Orders"});
    auto *queries = new QTreeWidgetItem(&tree, {"Queries"});
    new QTreeWidgetItem(queries, {"orders"});
    auto *tablesQuery = new QTreeWidgetItem(queries, {"tables"});
    QCOMPARE(objectmap::FindTreeNode(&tree, "ORDERS"), tables->child(0));
    QCOMPARE(objectmap::FindTreeNode(&tree, "queries"), queries);
    QCOMPARE(objectmap::FindTreeNode(&tree, "tables"), tables); // the group entry comes first
    QVERIFY(objectmap::FindTreeNode(&tree, "Order") == nullptr);
    delete tables;
    QCOMPARE(objectmap::FindTreeNode(&tree, "tables"), tablesQuery);
}

void TestObjectMap::documentDateLeavesOutMidnight()
{
    const QLocale c = QLocale::c();
    const QString date = c.toString(QDate(2024, 3, 7), c.dateFormat(QLocale::ShortFormat));
    QCOMPARE(objectmap::documentDateText(automation::makeDate({2024, 3, 7, 0, 0, 0}), c), date);
    const QString withTime = objectmap::documentDateText(automation::makeDate({2024, 3, 7, 13, 5, 9}), c);
    QVERIFY2(withTime.startsWith(date + " 13:05:09"), qPrintable(withTime));
}

// ---- the tree ----

void TestObjectMap::treeFollowsSystemAndContainers_data()
{
    QTest::addColumn<bool>("system");
    QTest::addColumn<bool>("containers");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QStringList>("tables");
    const QStringList three{"Tables", "Queries", "Relations"};
    const QStringList four{"Tables", "Queries", "Relations", "Containers"};
    const QStringList user{"Customers", "Odd names", "Orders"};
    const QStringList all{"Customers", "MSysQueries", "Odd names", "Orders"};
    QTest::newRow("neither") << false << false << three << user;
    QTest::newRow("system tables") << true << false << three << all;
    QTest::newRow("containers") << false << true << four << user;
    QTest::newRow("both") << true << true << four << all;
}

// The stored values are read at every build: the window was built with both off.
void TestObjectMap::treeFollowsSystemAndContainers()
{
    QFETCH(bool, system);
    QFETCH(bool, containers);
    QFETCH(QStringList, groups);
    QFETCH(QStringList, tables);
    QCOMPARE(topTexts(tree()), (QStringList{"Tables", "Queries", "Relations"}));
    openWith(system, containers);
    QCOMPARE(topTexts(tree()), groups);
    QCOMPARE(textsOf(group("Tables")), tables);
    QCOMPARE(textsOf(group("Queries")), (QStringList{"BigOrders", "Broken", "ByCity", "PurgeOrders"}));
    QCOMPARE(textsOf(group("Relations")), QStringList{"CustomersOrders"});
    if (containers)
        QCOMPARE(textsOf(group("Containers")),
                 (QStringList{"Databases", "Forms", "Modules", "Relationships", "Reports", "Scripts", "Tables"}));
    for (int i = 0; i < tree()->topLevelItemCount(); ++i)
        QVERIFY(!tree()->topLevelItem(i)->isExpanded());
    QVERIFY(tree()->selectedItems().isEmpty());
}

void TestObjectMap::treeImagesAndLayout()
{
    openWith(false, true);
    const QList<QIcon> &images = map()->imgTree;
    QCOMPARE(images.size(), 5);
    const char *groups[] = {"Tables", "Queries", "Relations", "Containers"};
    for (int g = 0; g < 4; ++g) {
        QTreeWidgetItem *top = group(groups[g]);
        QVERIFY(sameIcon(top->icon(0), images[0]));
        QVERIFY(top->childCount() > 0);
        for (int i = 0; i < top->childCount(); ++i)
            QVERIFY2(sameIcon(top->child(i)->icon(0), images[g + 1]), groups[g]);
    }
    QCOMPARE(tree()->indentation(), 19);
    QCOMPARE(map()->parentWidget()->size(), QSize(255, 422));
    QCOMPARE(map()->windowTitle(), QStringLiteral("Object Map"));
    auto *pc = child<QTabWidget>("pc");
    QCOMPARE(pc->currentWidget(), child<QWidget>("tsObjects"));
    QCOMPARE(pc->tabText(0), QStringLiteral(" Objects "));
    QCOMPARE(pc->tabText(1), QStringLiteral(" Properties "));
    QCOMPARE(child<QToolButton>("sbNew")->toolTip(), QStringLiteral("New object"));
    QCOMPARE(child<QToolButton>("sbEdit")->toolTip(), QStringLiteral("Edit object"));
    QCOMPARE(child<QToolButton>("sbDel")->toolTip(), QStringLiteral("Delete object"));
    QCOMPARE(child<QToolButton>("sbTableEdit")->toolTip(), QStringLiteral("Table editor"));
    QVERIFY(child<QToolButton>("sbNew")->isVisible());
    QVERIFY(!child<QToolButton>("sbTableEdit")->isVisible());
    QVERIFY(!child<QAction>("mmTableEdit")->isVisible());
    QVERIFY(!child<QAction>("pmTableEdit")->isVisible());
    QCOMPARE(map()->groupMenu()->title(), QStringLiteral("Object"));
    QStringList items;
    for (QAction *a : map()->groupMenu()->actions())
        if (a->isVisible())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, (QStringList{"New...", "Edit...", "Delete"}));
}

void TestObjectMap::statusTexts_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("status");
    QTest::newRow("group with three entries") << "Tables" << "" << "3 object(s)";
    QTest::newRow("group with one entry") << "Relations" << "" << "1 object(s)";
    QTest::newRow("table") << "Tables" << "Customers" << "Attributes: Normal (0x0), RecordCount: 2";
    QTest::newRow("select query") << "Queries" << "BigOrders" << "Type: Select";
    QTest::newRow("delete query") << "Queries" << "PurgeOrders" << "Type: Delete";
    QTest::newRow("relation") << "Relations" << "CustomersOrders" << "Type: Cascade delete";
}

void TestObjectMap::statusTexts()
{
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(QString, status);
    select(group, name);
    QCOMPARE(this->status(), status);
    QCOMPARE(child<QStatusBar>("sb")->findChildren<QLabel *>().size(), 1);
}

void TestObjectMap::containerKeepsThePreviousStatus()
{
    openWith(false, true);
    select("Queries", "BigOrders");
    select("Containers", "Forms");
    QCOMPARE(status(), QStringLiteral("Type: Select"));
    QCOMPARE(int(map()->FCurrentKind), 0);
    QVERIFY(map()->FCurrentObject.isEmpty());
    select("Containers");
    QCOMPARE(status(), QStringLiteral("7 object(s)"));
}

void TestObjectMap::commandsFollowTheSelection_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("definition");
    QTest::addColumn<bool>("selectable");
    QTest::newRow("nothing") << "" << "" << false << false;
    QTest::newRow("group entry") << "Tables" << "" << false << false;
    QTest::newRow("table") << "Tables" << "Orders" << true << true;
    QTest::newRow("query") << "Queries" << "ByCity" << true << true;
    QTest::newRow("relation") << "Relations" << "CustomersOrders" << true << false;
    QTest::newRow("container") << "Containers" << "Tables" << true << false;
}

void TestObjectMap::commandsFollowTheSelection()
{
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(bool, definition);
    QFETCH(bool, selectable);
    openWith(false, true);
    if (!group.isEmpty())
        select(group, name);
    map()->PopupMenuPopup();
    QCOMPARE(child<QAction>("pmQuery")->isEnabled(), selectable);
    // The table editor's menu items are hidden, and Qt keeps hidden actions disabled.
    for (const char *name : {"mmEdit", "mmDel", "pmEdit", "pmDel"})
        QVERIFY2(child<QAction>(name)->isEnabled() == definition, name);
    for (const char *name : {"sbEdit", "sbDel", "sbTableEdit"})
        QVERIFY2(child<QToolButton>(name)->isEnabled() == definition, name);
    QVERIFY(child<QAction>("mmNew")->isEnabled());
    QVERIFY(child<QAction>("pmNew")->isEnabled());
    QVERIFY(child<QToolButton>("sbNew")->isEnabled());
}

void TestObjectMap::rightClickSelectsTheEntry()
{
    map()->parentWidget()->resize(300, 500);
    group("Queries")->setExpanded(true);
    QTreeWidgetItem *target = entry("Queries", "ByCity");
    const QRect where = tree()->visualItemRect(target);
    QVERIFY(where.isValid());
    QTest::mousePress(tree()->viewport(), Qt::RightButton, {}, where.center());
    QCOMPARE(map()->selectedEntry(), target);
    QCOMPARE(status(), QStringLiteral("Type: Select"));
}

// ---- details ----

void TestObjectMap::tableDetails()
{
    select("Tables", "Customers");
    showProperties();
    auto *details = child<QTabWidget>("pcDetails");
    QCOMPARE(shownTabs(details), (QStringList{" Fields ", " Indexes"}));
    QVERIFY(details->isVisible());
    QCOMPARE(details->currentWidget(), child<QWidget>("tsFields"));
    QCOMPARE(map()->windowTitle(), QStringLiteral("Customers"));

    auto *lv = child<QTreeWidget>("lv");
    QCOMPARE(headerTexts(lv), (QStringList{"  #", "Field name", "Data type", "Size", "Rule", "Default", "Zero Length",
                                           "Required"}));
    const int widths[] = {40, 140, 100, 40, 100, -1, 70, 60};
    for (int c = 0; c < 8; ++c)
        if (widths[c] > 0)
            QCOMPARE(lv->columnWidth(c), widths[c]);
    QCOMPARE(lv->topLevelItemCount(), 5);
    QCOMPARE(rowTexts(lv, 0), (QStringList{"0", "CustomerID", "Long", "4", "", "", "False", "False"}));
    QCOMPARE(rowTexts(lv, 1), (QStringList{"1", "Company", "Text", "40", "Company <> ''", "", "False", "True"}));
    QCOMPARE(rowTexts(lv, 2), (QStringList{"2", "City", "Text", "20", "", "'Brno'", "True", "False"}));
    QCOMPARE(rowTexts(lv, 3).mid(0, 4), (QStringList{"3", "Notes", "Memo", "0"}));
    QCOMPARE(rowTexts(lv, 4).mid(0, 3), (QStringList{"4", "Extra", "Unkown DAO Type"}));
    QVERIFY(sameIcon(lv->topLevelItem(1)->icon(0), map()->img[0]));
    for (int row : {0, 2, 3, 4})
        QVERIFY(lv->topLevelItem(row)->icon(0).isNull());
    QCOMPARE(Qt::Alignment(lv->topLevelItem(0)->textAlignment(3)) & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    select("Tables", "Orders");
    showProperties();
    auto *lvIdx = child<QTreeWidget>("lvIdx");
    QCOMPARE(headerTexts(lvIdx), (QStringList{"#", "Index name", "Fields", "Type"}));
    QCOMPARE(lvIdx->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(lvIdx, 0), (QStringList{"0", "PrimaryKey", "OrderID", "Primary,Unique"}));
    QCOMPARE(rowTexts(lvIdx, 1), (QStringList{"1", "OrdersByDate", "OrderDate,CustomerID,Shipped", ""}));
    QVERIFY(sameIcon(lvIdx->topLevelItem(0)->icon(0), map()->img[1]));
    QVERIFY(lvIdx->topLevelItem(1)->icon(0).isNull());
    QCOMPARE(map()->windowTitle(), QStringLiteral("Orders"));

    child<QTabWidget>("pc")->setCurrentWidget(child<QWidget>("tsObjects"));
    QCOMPARE(map()->windowTitle(), QStringLiteral("Object Map"));
}

void TestObjectMap::queryWithParameters()
{
    select("Queries", "ByCity");
    showProperties();
    auto *details = child<QTabWidget>("pcDetails");
    QCOMPARE(shownTabs(details), (QStringList{" Fields ", " SQL ", " Parameters "}));
    QCOMPARE(details->currentWidget(), child<QWidget>("tsFields"));
    QCOMPARE(child<QPlainTextEdit>("mSQL")->toPlainText(),
             QStringLiteral("PARAMETERS [Which city] TEXT(20), [Since] DATETIME; SELECT * FROM Customers WHERE City = "
                            "[Which city]"));
    QVERIFY(child<QPlainTextEdit>("mSQL")->isReadOnly());
    auto *params = child<QTreeWidget>("lvParams");
    QCOMPARE(headerTexts(params), (QStringList{"#", "Name", "Direction", "Type"}));
    QCOMPARE(params->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(params, 0), (QStringList{"0", "Which city", "Input", "Text"}));
    QCOMPARE(rowTexts(params, 1), (QStringList{"1", "Since", "Input", "Date"}));
    QCOMPARE(columnTexts(child<QTreeWidget>("lv"), 1),
             (QStringList{"CustomerID", "Company", "City", "Notes", "Extra"}));
}

void TestObjectMap::queryWhoseFieldsCannotBeRead()
{
    select("Queries", "Broken");
    showProperties();
    auto *details = child<QTabWidget>("pcDetails");
    QCOMPARE(shownTabs(details), QStringList{" SQL "});
    QCOMPARE(details->currentWidget(), child<QWidget>("tsSQL"));
    QCOMPARE(child<QPlainTextEdit>("mSQL")->toPlainText(), QStringLiteral("SELECT * FROM Nowhere"));
    QVERIFY(prompts->asked.isEmpty());
    // The next definition shows its own pages again.
    select("Queries", "BigOrders");
    showProperties();
    QCOMPARE(shownTabs(details), (QStringList{" Fields ", " SQL ", " Parameters "}));
    QCOMPARE(child<QTreeWidget>("lvParams")->topLevelItemCount(), 0);
}

void TestObjectMap::relationDetails()
{
    select("Relations", "CustomersOrders");
    showProperties();
    auto *details = child<QTabWidget>("pcDetails");
    QCOMPARE(shownTabs(details), QStringList{" Relations "});
    QCOMPARE(child<QLineEdit>("eRef")->text(), QStringLiteral("Customers"));
    QCOMPARE(child<QLineEdit>("eFor")->text(), QStringLiteral("Orders"));
    QCOMPARE(listTexts(child<QListWidget>("lbRef")), QStringList{"CustomerID"});
    QCOMPARE(listTexts(child<QListWidget>("lbFor")), QStringList{"CustomerID"});
    QCOMPARE(child<QGroupBox>("gbRef")->title(), QStringLiteral(" Referential Table "));
    QCOMPARE(child<QGroupBox>("gbFor")->title(), QStringLiteral(" Foreign Table "));
    auto *panel = child<QWidget>("Panel2");
    auto *left = child<QGroupBox>("gbRef");
    auto *right = child<QGroupBox>("gbFor");
    for (int width : {301, 300, 120}) {
        panel->resize(width, 200);
        QCOMPARE(left->geometry(), QRect(3, 3, width / 2, 194));
        QCOMPARE(right->geometry(), QRect(3 + width / 2, 3, width - 6 - width / 2, 194));
    }
}

void TestObjectMap::containerDocuments()
{
    openWith(false, true);
    select("Containers", "Tables");
    showProperties();
    auto *details = child<QTabWidget>("pcDetails");
    QCOMPARE(shownTabs(details), QStringList{" Documents "});
    auto *docs = child<QTreeWidget>("lvDoc");
    QCOMPARE(headerTexts(docs), (QStringList{"#", "Name", "Created", "Modified"}));
    QCOMPARE(columnTexts(docs, 0), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7"}));
    const QStringList names = columnTexts(docs, 1);
    for (const char *name : {"Customers", "Orders", "Odd names", "BigOrders", "ByCity", "Broken", "PurgeOrders"})
        QVERIFY2(names.contains(name), name);
    const Variant doc = window->session().access().GetContainerByName("Tables").get("Documents").item("BigOrders");
    const int row = int(names.indexOf("BigOrders"));
    QCOMPARE(docs->topLevelItem(row)->text(2), objectmap::documentDateText(doc.get("DateCreated").toDate()));
    QCOMPARE(docs->topLevelItem(row)->text(3), objectmap::documentDateText(doc.get("LastUpdated").toDate()));
    QVERIFY(!docs->topLevelItem(row)->text(2).isEmpty());
    QCOMPARE(map()->windowTitle(), QStringLiteral("Tables"));
}

void TestObjectMap::groupEntryShowsNoDetails()
{
    select("Tables", "Orders");
    showProperties();
    child<QTabWidget>("pc")->setCurrentWidget(child<QWidget>("tsObjects"));
    map()->setWindowTitle("Kept");
    select("Queries");
    showProperties();
    auto *details = child<QTabWidget>("pcDetails");
    QVERIFY(shownTabs(details).isEmpty());
    QVERIFY(!details->isVisible());
    QCOMPARE(child<QTreeWidget>("lv")->topLevelItemCount(), 0);
    QCOMPARE(map()->windowTitle(), QStringLiteral("Kept"));
}

// An engine error while reading a definition goes to the error report; the window stays usable.
void TestObjectMap::definitionGoneBehindTheWindowIsReported()
{
    database().get("TableDefs").call("Delete", {"Odd names"});
    database().get("QueryDefs").call("Delete", {"BigOrders"});
    select("Tables", "Odd names");
    QCOMPARE(prompts->textsOf("error").size(), 1);
    showProperties();
    QCOMPARE(prompts->textsOf("error").size(), 2);
    QVERIFY(prompts->textsOf("error").at(1).contains("Odd names"));
    QVERIFY(shownTabs(child<QTabWidget>("pcDetails")).isEmpty());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    select("Queries", "BigOrders");
    QCOMPARE(prompts->textsOf("error").size(), 3);
    select("Queries", "ByCity");
    QCOMPARE(status(), QStringLiteral("Type: Select"));
    showProperties();
    QCOMPARE(shownTabs(child<QTabWidget>("pcDetails")), (QStringList{" Fields ", " SQL ", " Parameters "}));
    QCOMPARE(prompts->textsOf("error").size(), 3);
}

void TestObjectMap::doubleClickShowsTheDetails()
{
    select("Queries");
    map()->TreeDblClick();
    QCOMPARE(child<QTabWidget>("pc")->currentWidget(), child<QWidget>("tsObjects"));
    select("Relations", "CustomersOrders");
    map()->TreeDblClick();
    QCOMPARE(child<QTabWidget>("pc")->currentWidget(), child<QWidget>("tsProps"));
    QCOMPARE(shownTabs(child<QTabWidget>("pcDetails")), QStringList{" Relations "});
}

void TestObjectMap::copyFieldsAsCommaText()
{
    select("Tables", "Odd names");
    showProperties();
    QCOMPARE(child<QAction>("pmCopy")->text(), QStringLiteral("Copy fields to clipboard"));
    child<QAction>("pmCopy")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("\"first name\",\"a,b\",\"say \"\"hi\"\"\",plain"));
}

// ---- new, edit, delete ----

void TestObjectMap::newCancelledChangesNothing()
{
    select("Queries", "ByCity");
    group("Tables")->setExpanded(true);
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QLineEdit *>("eName")->setText("Never");
        return int(QDialog::Rejected);
    });
    child<QAction>("mmNew")->trigger();
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgObjProps"});
    QCOMPARE(map()->selectedEntry(), entry("Queries", "ByCity"));
    QVERIFY(group("Tables")->isExpanded());
    QVERIFY(!hasQuery("Never"));
    QVERIFY(map()->FCurrentObject.isEmpty());
}

void TestObjectMap::newConfirmedSelectsTheQuery()
{
    select("Tables", "Orders");
    prompts->dialogs.push_back(defineQuery("Recent", "SELECT * FROM Orders WHERE OrderDate > '2024-01-01'"));
    child<QToolButton>("sbNew")->click();
    QVERIFY(prompts->textsOf("warning").isEmpty());
    QVERIFY(hasQuery("Recent"));
    QCOMPARE(textsOf(group("Queries")), (QStringList{"BigOrders", "Broken", "ByCity", "PurgeOrders", "Recent"}));
    QCOMPARE(map()->selectedEntry(), entry("Queries", "Recent"));
    QVERIFY(group("Queries")->isExpanded());
    QCOMPARE(int(map()->FCurrentKind), 2);
    QCOMPARE(status(), QStringLiteral("Type: Select"));
}

// A query named like a group entry is still the entry selected after New.
void TestObjectMap::newQueryNamedLikeAGroupIsSelected()
{
    prompts->dialogs.push_back(defineQuery("tables", "SELECT 1"));
    map()->cmNew();
    QCOMPARE(map()->selectedEntry(), entry("Queries", "tables"));
}

void TestObjectMap::editRenamesAndSelects()
{
    select("Queries", "BigOrders");
    QString shownName;
    bool typeFixed = false;
    prompts->dialogs.push_back([&](QDialog *d) {
        shownName = d->findChild<QLineEdit *>("eName")->text();
        typeFixed = !d->findChild<QComboBox *>("cbType")->isEnabled();
        d->findChild<QLineEdit *>("eName")->setText("LargeOrders");
        d->findChild<QPushButton *>("bOK")->click();
        return d->result();
    });
    child<QAction>("pmEdit")->trigger();
    QCOMPARE(shownName, QStringLiteral("BigOrders"));
    QVERIFY(typeFixed);
    QVERIFY(!hasQuery("BigOrders"));
    QCOMPARE(QString::fromStdString(database().get("QueryDefs").item("LargeOrders").get("SQL").toText()),
             QStringLiteral("SELECT * FROM Orders WHERE OrderID > 10"));
    QCOMPARE(textsOf(group("Queries")), (QStringList{"Broken", "ByCity", "LargeOrders", "PurgeOrders"}));
    QCOMPARE(map()->selectedEntry(), entry("Queries", "LargeOrders"));
}

void TestObjectMap::editOfATableChangesNothing()
{
    select("Tables", "Orders");
    group("Queries")->setExpanded(true);
    bool okEnabled = true;
    prompts->dialogs.push_back([&](QDialog *d) {
        okEnabled = d->findChild<QPushButton *>("bOK")->isEnabled();
        return int(QDialog::Rejected);
    });
    child<QToolButton>("sbEdit")->click();
    QVERIFY(!okEnabled);
    QVERIFY(group("Queries")->isExpanded()); // no rebuild
    QCOMPARE(map()->selectedEntry(), entry("Tables", "Orders"));
}

void TestObjectMap::deleteConfirmedRemovesOnlyThatEntry_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("collection");
    QTest::newRow("query") << "Queries" << "ByCity" << "QueryDefs";
    QTest::newRow("relation") << "Relations" << "CustomersOrders" << "Relations";
    QTest::newRow("table") << "Tables" << "Odd names" << "TableDefs";
}

void TestObjectMap::deleteConfirmedRemovesOnlyThatEntry()
{
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(QString, collection);
    const QString other = group == "Tables" ? "Queries" : "Tables";
    this->group(other)->setExpanded(true);
    select(group, name);
    showProperties();
    const int before = this->group(group)->childCount();
    prompts->buttons.push_back(QMessageBox::Yes);
    child<QAction>("mmDel")->trigger();
    QCOMPARE(prompts->textsOf("confirmation"), QStringList{QStringLiteral("Delete \"%1\" from database?").arg(name)});
    QCOMPARE(prompts->asked.last().buttons, QMessageBox::Yes | QMessageBox::No);
    QVERIFY(prompts->textsOf("error").isEmpty());
    QVERIFY(!entry(group, name));
    QCOMPARE(this->group(group)->childCount(), before - 1);
    QVERIFY(this->group(other)->isExpanded());
    QCOMPARE(child<QTabWidget>("pc")->currentWidget(), child<QWidget>("tsObjects"));
    const Variant items = database().get(collection.toStdString());
    for (int i = 0; i < items.get("Count").toInt(); ++i)
        QVERIFY(QString::fromStdString(items.item(i).get("Name").toText()) != name);
}

void TestObjectMap::deleteDeclinedKeepsEverything()
{
    select("Queries", "BigOrders");
    prompts->buttons.push_back(QMessageBox::No);
    child<QToolButton>("sbDel")->click();
    QCOMPARE(prompts->textsOf("confirmation"), QStringList{"Delete \"BigOrders\" from database?"});
    QVERIFY(entry("Queries", "BigOrders"));
    QVERIFY(hasQuery("BigOrders"));
}

void TestObjectMap::deleteRefusedByTheEngineKeepsTheEntry()
{
    select("Tables", "Customers");
    prompts->buttons.push_back(QMessageBox::Yes);
    map()->cmDel();
    const QStringList errors = prompts->textsOf("error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().contains("Customers"), qPrintable(errors.first()));
    QVERIFY(entry("Tables", "Customers"));
    QCOMPARE(map()->selectedEntry(), entry("Tables", "Customers"));
    QVERIFY(window->session().access().GetTableDefByName("Customers").isObject());
}

void TestObjectMap::deleteOfAContainerIsRefused()
{
    openWith(false, true);
    select("Containers", "Forms");
    prompts->buttons.push_back(QMessageBox::Yes);
    child<QAction>("pmDel")->trigger();
    QCOMPARE(prompts->textsOf("warning"),
             QStringList{"\"Forms\" is a container of the database. Containers cannot be deleted."});
    QVERIFY(prompts->textsOf("confirmation").isEmpty());
    QVERIFY(entry("Containers", "Forms"));
    QCOMPARE(window->session().access().ContainerCount(), 7);
}

// ---- the query and table windows ----

void TestObjectMap::selectAsQueryRunsTheStatement_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("table") << "Tables" << "Customers" << QStringList{"CustomerID", "Alpha", "Beta"};
    QTest::newRow("query") << "Queries" << "BigOrders" << QStringList{"OrderID", "Shipped"};
}

// The query window is created when there is none; the statement is appended once and run.
void TestObjectMap::selectAsQueryRunsTheStatement()
{
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(QStringList, shown);
    queryWindows = true;
    QVERIFY(!window->FindChildWindow("TfrmQuery"));
    select(group, name);
    map()->PopupMenuPopup();
    QVERIFY(child<QAction>("pmQuery")->isEnabled());
    child<QAction>("pmQuery")->trigger();
    auto *query = qobject_cast<TfrmQuery *>(window->FindChildWindow("TfrmQuery"));
    QVERIFY(query);
    const QString statement = "select * from [" + name + "];";
    QCOMPARE(query->Editor->selectedText(), statement);
    const QString result = query->Result->text();
    for (const QString &text : shown)
        QVERIFY2(result.contains(text), qPrintable(result));
    child<QAction>("pmQuery")->trigger();
    QCOMPARE(query->Editor->text().count(statement), 1);
    QCOMPARE(query->Editor->selectedText(), statement);
    QVERIFY(prompts->textsOf("error").isEmpty());
}

void TestObjectMap::selectAsQueryLeavesTheQueryWindowWhereItStands()
{
    queryWindows = true;
    window->cmQuery();
    auto *query = qobject_cast<TfrmQuery *>(window->FindChildWindow("TfrmQuery"));
    QVERIFY(query);
    query->Editor->setText("select 1;");
    auto *frame = qobject_cast<QMdiSubWindow *>(map()->parentWidget());
    window->mdiArea()->setActiveSubWindow(frame);
    select("Tables", "Customers");
    map()->cmSelect();
    QCOMPARE(window->mdiArea()->activeSubWindow(), frame);
    QCOMPARE(window->mdiArea()->subWindowList().size(), 2);
    QCOMPARE(query->Editor->text().count("select * from [Customers];"), 1);
    QVERIFY(query->Editor->text().startsWith("select 1;"));
    QVERIFY(query->Result->text().contains("Alpha"));
    // Relations and group entries have nothing to select.
    select("Relations", "CustomersOrders");
    map()->cmSelect();
    select("Tables");
    map()->cmSelect();
    QVERIFY(!query->Editor->text().contains("CustomersOrders"));
    QVERIFY(!query->Editor->text().contains("from Tables"));
}

void TestObjectMap::tableEditorWindowsGoWithTheMap()
{
    select("Tables", "Orders");
    map()->cmTableEditor();
    map()->cmTableEditor();
    QList<QPointer<TfrmTable>> tables;
    for (QMdiSubWindow *sub : window->mdiArea()->subWindowList())
        if (auto *table = qobject_cast<TfrmTable *>(sub->widget()))
            tables << table;
    QCOMPARE(tables.size(), 2);
    for (const auto &table : tables) {
        QCOMPARE(table->windowTitle(), QStringLiteral("Orders"));
        QVERIFY(table->isVisible());
    }
    QVERIFY(map()->parentWidget()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!map());
    for (const auto &table : tables)
        QVERIFY(table.isNull());
    QVERIFY(window->mdiArea()->subWindowList().isEmpty());
}

// ---- lifecycle ----

void TestObjectMap::placementIsStoredAndRestored()
{
    auto *frame = qobject_cast<QMdiSubWindow *>(map()->parentWidget());
    QVERIFY(frame);
    frame->setGeometry(20, 30, 310, 390);
    QVERIFY(frame->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!map());
    QSettings s(home->settingsFile(), QSettings::IniFormat);
    QCOMPARE(s.value("1.x/ObjectMap/NormPos").toString(), QStringLiteral("20,30,330,420"));
    window->cmObjectMap();
    QVERIFY(map());
    QCOMPARE(map()->parentWidget()->geometry(), QRect(20, 30, 310, 390));
}

void TestObjectMap::refreshReplacesTheWindow()
{
    QPointer<TfrmObjectMap> old = map();
    select("Queries", "BigOrders");
    window->cmRefresh();
    QVERIFY(old.isNull());
    QVERIFY(map());
    QCOMPARE(window->mdiArea()->subWindowList().size(), 1);
    QVERIFY(map()->selectedEntry() == nullptr);
    QCOMPARE(textsOf(group("Queries")), (QStringList{"BigOrders", "Broken", "ByCity", "PurgeOrders"}));
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestObjectMap test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_objectmap.moc"
