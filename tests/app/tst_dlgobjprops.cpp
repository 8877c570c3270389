// The object definition dialog, offscreen, on a real database file opened in the main window.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "automation/Registry.h"
#include "dbengine/Engine.h"
#include "engine/MSAccess.h"
#include "objectmap/DlgObjProps.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

#include <memory>

using automation::Variant;

namespace {

const char *const kBigOrdersSql = "SELECT * FROM Orders WHERE OrderID > 10";

void makeDatabase(const QString &path)
{
    Variant engine = automation::Registry::instance().createInstance("DAO.DBEngine.36");
    Variant ws = engine.call("CreateWorkspace", {"make", "admin", "", 2});
    Variant db = ws.call("CreateDatabase", {path.toStdString()});
    db.call("Execute", {"CREATE TABLE Customers (CustomerID INTEGER PRIMARY KEY, Company TEXT(40))"});
    db.call("Execute", {"CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID LONG REFERENCES Customers "
                        "(CustomerID))"});
    db.call("CreateQueryDef", {"BigOrders", kBigOrdersSql});
    db.call("CreateQueryDef", {"Recent", "SELECT * FROM Orders ORDER BY OrderID DESC"});
    ws.call("Close");
}

QString pageOf(QDialog *d)
{
    return d->findChild<QStackedWidget *>("Notebook")->currentWidget()->objectName();
}

// One press of OK with these texts; true when the dialog then closed with OK.
bool pressOk(QDialog *d, const QString &name, const QString &sql)
{
    d->findChild<QLineEdit *>("eName")->setText(name);
    d->findChild<QPlainTextEdit *>("mSQL")->setPlainText(sql);
    d->findChild<QPushButton *>("bOK")->click();
    return d->result() == QDialog::Accepted;
}

} // namespace

class TestDlgObjProps : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layoutAndCaptions();
    void createModeStartsEmpty();
    void typeSelectsThePage_data();
    void typeSelectsThePage();
    void okRule_data();
    void okRule();
    void editTableShowsItsNameOnly_data();
    void editTableShowsItsNameOnly();
    void editQueryShowsItsText();
    void createQuery();
    void createWithATakenName_data();
    void createWithATakenName();
    void createWithInvalidSql();
    void editRename();
    void editWithInvalidSqlPutsTheQueryBack();
    void editRetriedAfterAFailureEditsTheSameQuery();
    void editToATakenName();

private:
    Variant queryDefs() const { return window->session().database().get("QueryDefs"); }
    QString sqlOf(const QString &name) const
    {
        return QString::fromStdString(queryDefs().item(name.toStdString()).get("SQL").toText());
    }
    QStringList queryNames() const;

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TfrmMain> window;
};

void TestDlgObjProps::initTestCase()
{
    dbengine::registerEngine();
}

void TestDlgObjProps::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    makeDatabase(home->path("shop.mdb"));
    window = std::make_unique<TfrmMain>();
    window->OpenDatabaseFile(home->path("shop.mdb"));
    QVERIFY(window->session().access().DatabaseOpen());
}

void TestDlgObjProps::cleanup()
{
    window.reset();
    prompts.reset();
    home.reset();
}

QStringList TestDlgObjProps::queryNames() const
{
    QStringList out;
    const Variant q = queryDefs();
    for (int i = 0; i < q.get("Count").toInt(); ++i)
        out << QString::fromStdString(q.item(i).get("Name").toText());
    return out;
}

void TestDlgObjProps::layoutAndCaptions()
{
    TdlgObjProps d(window->session());
    QCOMPARE(d.windowTitle(), QStringLiteral("Object Definition"));
    QCOMPARE(d.size(), QSize(504, 422));
    auto *type = d.findChild<QComboBox *>("cbType");
    QCOMPARE(type->count(), 3);
    QCOMPARE(type->itemText(0), QStringLiteral("Table definition"));
    QCOMPARE(type->itemText(1), QStringLiteral("Query definition"));
    QCOMPARE(type->itemText(2), QStringLiteral("Relation"));
    QStringList pages;
    auto *notebook = d.findChild<QStackedWidget *>("Notebook");
    for (int i = 0; i < notebook->count(); ++i)
        pages << notebook->widget(i)->objectName();
    QCOMPARE(pages, (QStringList{"Table", "Query", "Relation", "None"}));
    QCOMPARE(d.findChild<QPushButton *>("bOK")->text(), QStringLiteral("Ok"));
    QVERIFY(d.findChild<QPushButton *>("bOK")->isDefault());
    QCOMPARE(d.findChild<QPushButton *>("Button2")->text(), QStringLiteral("Cancel"));
    QCOMPARE(d.findChild<QLabel *>("lProduct")->text(), QStringLiteral("Jetwarden"));
    QStringList labels;
    for (QLabel *l : d.findChildren<QLabel *>())
        if (l->buddy())
            labels << l->text() + "=" + l->buddy()->objectName();
    labels.sort();
    QCOMPARE(labels, (QStringList{"&Name:=eName", "&Type:=cbType", "S&QL:=mSQL"}));
}

void TestDlgObjProps::createModeStartsEmpty()
{
    TdlgObjProps d(window->session());
    d.LoadDefinition();
    QVERIFY(d.FIsNew);
    QCOMPARE(d.findChild<QComboBox *>("cbType")->currentIndex(), -1);
    QVERIFY(d.findChild<QComboBox *>("cbType")->isEnabled());
    QCOMPARE(pageOf(&d), QStringLiteral("None"));
    QVERIFY(d.findChild<QLineEdit *>("eName")->text().isEmpty());
    QVERIFY(d.findChild<QPlainTextEdit *>("mSQL")->toPlainText().isEmpty());
    QVERIFY(!d.findChild<QPushButton *>("bOK")->isEnabled());
}

void TestDlgObjProps::typeSelectsThePage_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");
    QTest::newRow("table") << 0 << "Table";
    QTest::newRow("query") << 1 << "Query";
    QTest::newRow("relation") << 2 << "Relation";
}

void TestDlgObjProps::typeSelectsThePage()
{
    QFETCH(int, index);
    QFETCH(QString, page);
    TdlgObjProps d(window->session());
    d.LoadDefinition();
    d.findChild<QComboBox *>("cbType")->setCurrentIndex(index);
    QCOMPARE(pageOf(&d), page);
    QCOMPARE(int(d.FKind), index + 1);
}

void TestDlgObjProps::okRule_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("query with name and text") << 1 << "Q" << "SELECT 1" << true;
    QTest::newRow("table") << 0 << "Q" << "SELECT 1" << false;
    QTest::newRow("relation") << 2 << "Q" << "SELECT 1" << false;
    QTest::newRow("no type") << -1 << "Q" << "SELECT 1" << false;
    QTest::newRow("blank name") << 1 << "  \t " << "SELECT 1" << false;
    QTest::newRow("blank text") << 1 << "Q" << " \n\n " << false;
    QTest::newRow("empty name") << 1 << "" << "SELECT 1" << false;
}

void TestDlgObjProps::okRule()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, sql);
    QFETCH(bool, enabled);
    TdlgObjProps d(window->session());
    d.LoadDefinition();
    // Typed first and the type chosen last, and the other way round: the rule is the same.
    for (bool typeFirst : {false, true}) {
        d.findChild<QComboBox *>("cbType")->setCurrentIndex(-1);
        d.findChild<QLineEdit *>("eName")->clear();
        d.findChild<QPlainTextEdit *>("mSQL")->clear();
        if (typeFirst)
            d.findChild<QComboBox *>("cbType")->setCurrentIndex(type);
        d.findChild<QLineEdit *>("eName")->setText(name);
        d.findChild<QPlainTextEdit *>("mSQL")->setPlainText(sql);
        if (!typeFirst)
            d.findChild<QComboBox *>("cbType")->setCurrentIndex(type);
        QCOMPARE(d.findChild<QPushButton *>("bOK")->isEnabled(), enabled);
    }
}

void TestDlgObjProps::editTableShowsItsNameOnly_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("page");
    QTest::newRow("table") << 1 << "Orders" << "Table definition" << "Table";
    QTest::newRow("relation") << 3 << "CustomersOrders" << "Relation" << "Relation";
}

void TestDlgObjProps::editTableShowsItsNameOnly()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, page);
    Variant definition = kind == 1 ? window->session().access().GetTableDefByName(name.toStdString())
                                   : window->session().access().GetRelationByName(name.toStdString());
    const Variant original = definition;
    ObjectKind k = ObjectKind(kind);
    QString shownType, shownName, shownPage;
    bool typeEnabled = true, okEnabled = true;
    prompts->dialogs.push_back([&](QDialog *d) {
        auto *cb = d->findChild<QComboBox *>("cbType");
        shownType = cb->currentText();
        typeEnabled = cb->isEnabled();
        shownName = d->findChild<QLineEdit *>("eName")->text();
        shownPage = pageOf(d);
        d->findChild<QLineEdit *>("eName")->setText("Changed");
        okEnabled = d->findChild<QPushButton *>("bOK")->isEnabled();
        return int(QDialog::Rejected);
    });
    QVERIFY(!EditObjectDefinition(window->session(), window.get(), definition, k));
    QCOMPARE(shownType, type);
    QVERIFY(!typeEnabled);
    QCOMPARE(shownName, name);
    QCOMPARE(shownPage, page);
    QVERIFY(!okEnabled);
    QVERIFY(definition == original);
    QCOMPARE(int(k), kind);
    QVERIFY(prompts->textsOf("warning").isEmpty());
}

void TestDlgObjProps::editQueryShowsItsText()
{
    TdlgObjProps d(window->session());
    d.FDefinition = queryDefs().item("BigOrders");
    d.FKind = ObjectKind::Query;
    d.LoadDefinition();
    QVERIFY(!d.FIsNew);
    QCOMPARE(d.findChild<QComboBox *>("cbType")->currentIndex(), 1);
    QCOMPARE(pageOf(&d), QStringLiteral("Query"));
    QCOMPARE(d.findChild<QLineEdit *>("eName")->text(), QStringLiteral("BigOrders"));
    QCOMPARE(d.findChild<QPlainTextEdit *>("mSQL")->toPlainText(), QString::fromLatin1(kBigOrdersSql));
    QVERIFY(d.findChild<QPushButton *>("bOK")->isEnabled());
}

void TestDlgObjProps::createQuery()
{
    Variant definition;
    ObjectKind kind = ObjectKind::None;
    prompts->dialogs.push_back([](QDialog *d) {
        d->findChild<QComboBox *>("cbType")->setCurrentIndex(1);
        pressOk(d, "Customers by name", "PARAMETERS [Start] TEXT(1); SELECT * FROM Customers WHERE Company >= [Start]");
        return d->result();
    });
    QVERIFY(EditObjectDefinition(window->session(), window.get(), definition, kind));
    QCOMPARE(prompts->textsOf("dialog"), QStringList{"dlgObjProps"});
    QCOMPARE(int(kind), 2);
    QVERIFY(definition.isObject());
    QCOMPARE(QString::fromStdString(definition.get("Name").toText()), QStringLiteral("Customers by name"));
    QCOMPARE(sqlOf("Customers by name"),
             QStringLiteral("PARAMETERS [Start] TEXT(1); SELECT * FROM Customers WHERE Company >= [Start]"));
    QVERIFY(prompts->textsOf("warning").isEmpty());
}

void TestDlgObjProps::createWithATakenName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("query") << "BigOrders";
    QTest::newRow("query in other letter case") << "bigorders";
    QTest::newRow("table") << "Orders";
}

// The engine refuses the name; what has that name stays as it was and the dialog stays open.
void TestDlgObjProps::createWithATakenName()
{
    QFETCH(QString, name);
    Variant definition;
    ObjectKind kind = ObjectKind::None;
    bool closed = true;
    QString keptName, keptSql;
    prompts->dialogs.push_back([&](QDialog *d) {
        d->findChild<QComboBox *>("cbType")->setCurrentIndex(1);
        closed = pressOk(d, name, "SELECT 42");
        keptName = d->findChild<QLineEdit *>("eName")->text();
        keptSql = d->findChild<QPlainTextEdit *>("mSQL")->toPlainText();
        return int(QDialog::Rejected);
    });
    QVERIFY(!EditObjectDefinition(window->session(), window.get(), definition, kind));
    QVERIFY(!closed);
    QCOMPARE(keptName, name);
    QCOMPARE(keptSql, QStringLiteral("SELECT 42"));
    const QStringList warnings = prompts->textsOf("warning");
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains("already exists"), qPrintable(warnings.first()));
    QCOMPARE(queryNames(), (QStringList{"BigOrders", "Recent"}));
    QCOMPARE(sqlOf("BigOrders"), QString::fromLatin1(kBigOrdersSql));
    QVERIFY(window->session().access().GetTableDefByName("Orders").isObject());
    QVERIFY(definition.isEmpty());
}

void TestDlgObjProps::createWithInvalidSql()
{
    Variant definition;
    ObjectKind kind = ObjectKind::None;
    bool closed = true;
    QStringList namesWhileOpen;
    prompts->dialogs.push_back([&](QDialog *d) {
        d->findChild<QComboBox *>("cbType")->setCurrentIndex(1);
        closed = pressOk(d, "Lost", "SELECT * FROM Nowhere");
        namesWhileOpen = queryNames();
        // The user corrects the text; the next OK creates the query.
        closed = pressOk(d, "Lost", "SELECT * FROM Orders");
        return d->result();
    });
    QVERIFY(EditObjectDefinition(window->session(), window.get(), definition, kind));
    const QStringList warnings = prompts->textsOf("warning");
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains("Nowhere"), qPrintable(warnings.first()));
    QCOMPARE(namesWhileOpen, (QStringList{"BigOrders", "Recent"}));
    QVERIFY(closed);
    QCOMPARE(sqlOf("Lost"), QStringLiteral("SELECT * FROM Orders"));
    QCOMPARE(QString::fromStdString(definition.get("Name").toText()), QStringLiteral("Lost"));
}

void TestDlgObjProps::editRename()
{
    Variant definition = queryDefs().item("BigOrders");
    ObjectKind kind = ObjectKind::Query;
    prompts->dialogs.push_back([](QDialog *d) {
        pressOk(d, "LargeOrders", kBigOrdersSql);
        return d->result();
    });
    QVERIFY(EditObjectDefinition(window->session(), window.get(), definition, kind));
    QCOMPARE(queryNames(), (QStringList{"LargeOrders", "Recent"}));
    QCOMPARE(sqlOf("LargeOrders"), QString::fromLatin1(kBigOrdersSql));
    QCOMPARE(QString::fromStdString(definition.get("Name").toText()), QStringLiteral("LargeOrders"));
    QCOMPARE(int(kind), 2);
}

// A rejected change is taken back whole: the query keeps its text and its name.
void TestDlgObjProps::editWithInvalidSqlPutsTheQueryBack()
{
    Variant definition = queryDefs().item("BigOrders");
    const Variant original = definition;
    ObjectKind kind = ObjectKind::Query;
    bool closed = true;
    QString keptSql;
    prompts->dialogs.push_back([&](QDialog *d) {
        closed = pressOk(d, "LargeOrders", "SELECT * FROM Nowhere");
        keptSql = d->findChild<QPlainTextEdit *>("mSQL")->toPlainText();
        return int(QDialog::Rejected);
    });
    QVERIFY(!EditObjectDefinition(window->session(), window.get(), definition, kind));
    QVERIFY(!closed);
    QCOMPARE(keptSql, QStringLiteral("SELECT * FROM Nowhere"));
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    QCOMPARE(queryNames(), (QStringList{"BigOrders", "Recent"}));
    QCOMPARE(sqlOf("BigOrders"), QString::fromLatin1(kBigOrdersSql));
    QVERIFY(definition == original);
}

// After a rejected change the dialog still edits the same query: a corrected OK changes it
// and creates nothing.
void TestDlgObjProps::editRetriedAfterAFailureEditsTheSameQuery()
{
    Variant definition = queryDefs().item("BigOrders");
    ObjectKind kind = ObjectKind::Query;
    bool firstClosed = true;
    prompts->dialogs.push_back([&](QDialog *d) {
        firstClosed = pressOk(d, "LargeOrders", "SELEC broken");
        pressOk(d, "LargeOrders", "SELECT * FROM Orders WHERE OrderID > 100");
        return d->result();
    });
    QVERIFY(EditObjectDefinition(window->session(), window.get(), definition, kind));
    QVERIFY(!firstClosed);
    QCOMPARE(prompts->textsOf("warning").size(), 1);
    QCOMPARE(queryNames(), (QStringList{"LargeOrders", "Recent"}));
    QCOMPARE(sqlOf("LargeOrders"), QStringLiteral("SELECT * FROM Orders WHERE OrderID > 100"));
    QCOMPARE(QString::fromStdString(definition.get("Name").toText()), QStringLiteral("LargeOrders"));
}

void TestDlgObjProps::editToATakenName()
{
    Variant definition = queryDefs().item("BigOrders");
    ObjectKind kind = ObjectKind::Query;
    prompts->dialogs.push_back([](QDialog *d) {
        pressOk(d, "Recent", "SELECT 1");
        return d->result();
    });
    QVERIFY(!EditObjectDefinition(window->session(), window.get(), definition, kind));
    const QStringList warnings = prompts->textsOf("warning");
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings.first().contains("already exists"), qPrintable(warnings.first()));
    QCOMPARE(queryNames(), (QStringList{"BigOrders", "Recent"}));
    QCOMPARE(sqlOf("BigOrders"), QString::fromLatin1(kBigOrdersSql));
    QCOMPARE(sqlOf("Recent"), QStringLiteral("SELECT * FROM Orders ORDER BY OrderID DESC"));
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestDlgObjProps test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dlgobjprops.moc"
