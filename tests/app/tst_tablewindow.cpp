// The table window as the object map opens it: an MDI child named after its table, kept with
// its owner and keeping its placement.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "dbengine/Engine.h"
#include "query/TableWindow.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSettings>
#include <QtTest>

#include <memory>

class TestTableWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { dbengine::registerEngine(); }
    void init();
    void cleanup();

    void captionIsTheTableAndTheAreaIsEmpty();
    void everyOpeningIsANewWindow();
    void goesWithItsOwner();
    void closingDestroysTheWindow();
    void placementIsKeptInTableEdit();

private:
    // As the object map does it: created with an owner, named, put into the MDI area, shown.
    TfrmTable *open(QObject *owner, const QString &table);

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<QObject> owner;
};

void TestTableWindow::init()
{
    home = std::make_unique<TestHome>();
    prompts = std::make_unique<ScriptedPrompts>();
    main = std::make_unique<TfrmMain>();
    main->resize(900, 700);
    main->show();
    owner = std::make_unique<QObject>();
}

void TestTableWindow::cleanup()
{
    owner.reset();
    main.reset();
    prompts.reset();
    home.reset();
}

TfrmTable *TestTableWindow::open(QObject *by, const QString &table)
{
    auto *window = new TfrmTable(by);
    window->FTableName = table;
    main->mdiArea()->addSubWindow(window);
    window->ShowTable();
    return window;
}

void TestTableWindow::captionIsTheTableAndTheAreaIsEmpty()
{
    TfrmTable *window = open(owner.get(), QStringLiteral("Order Lines"));
    QCOMPARE(window->windowTitle(), QStringLiteral("Order Lines"));
    QVERIFY(window->isVisible());
    QVERIFY(window->findChildren<QWidget *>().isEmpty());
    QCOMPARE(window->parentWidget()->size(), QSize(476, 406));
    QVERIFY(prompts->asked.isEmpty());
}

void TestTableWindow::everyOpeningIsANewWindow()
{
    TfrmTable *first = open(owner.get(), QStringLiteral("Orders"));
    TfrmTable *second = open(owner.get(), QStringLiteral("Orders"));
    QVERIFY(first != second);
    QCOMPARE(main->mdiArea()->subWindowList().size(), 2);
}

void TestTableWindow::goesWithItsOwner()
{
    QPointer<TfrmTable> window = open(owner.get(), QStringLiteral("Orders"));
    QPointer<QMdiSubWindow> frame = qobject_cast<QMdiSubWindow *>(window->parentWidget());
    QObject other;
    QPointer<TfrmTable> another = open(&other, QStringLiteral("Customers"));
    owner.reset();
    QVERIFY(window.isNull());
    QVERIFY(frame.isNull());
    QVERIFY(!another.isNull());
    QCOMPARE(main->mdiArea()->subWindowList().size(), 1);
}

void TestTableWindow::closingDestroysTheWindow()
{
    QPointer<TfrmTable> window = open(owner.get(), QStringLiteral("Orders"));
    window->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QVERIFY(main->mdiArea()->subWindowList().isEmpty());
    // The owner's end no longer concerns a window that is gone.
    owner.reset();
}

void TestTableWindow::placementIsKeptInTableEdit()
{
    TfrmTable *window = open(owner.get(), QStringLiteral("Orders"));
    window->parentWidget()->setGeometry(30, 40, 300, 200);
    window->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QSettings settings(home->settingsFile(), QSettings::IniFormat);
    QCOMPARE(settings.value("1.x/TableEdit/NormPos").toString(), QStringLiteral("30,40,330,240"));
    QCOMPARE(settings.value("1.x/TableEdit/FormVersion").toString(), QStringLiteral("0"));
    TfrmTable *again = open(owner.get(), QStringLiteral("Customers"));
    QCOMPARE(again->parentWidget()->geometry(), QRect(30, 40, 300, 200));
}

int main(int argc, char **argv)
{
    Application app(argc, argv);
    TestTableWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tablewindow.moc"
