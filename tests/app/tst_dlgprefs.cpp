#include "app/DlgPrefs.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using Getter = bool (TdlgPrefs::*)() const;
using Setter = void (TdlgPrefs::*)(bool);
Q_DECLARE_METATYPE(Getter)
Q_DECLARE_METATYPE(Setter)

namespace {

QString textOf(QWidget *w)
{
    if (auto *box = qobject_cast<QGroupBox *>(w))
        return box->title();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    return {};
}

const char *const kFlagBoxes[] = {"cbxCont", "cbxSystem", "cbxEx", "cbxRO"};

} // namespace

class TestDlgPrefs : public QObject {
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("engine group") << "rgEng" << " Engine ";
        QTest::newRow("DAO 3.0") << "rbDao30" << "DAO 3.0";
        QTest::newRow("DAO 3.5") << "rbDao35" << "DAO 3.5";
        QTest::newRow("DAO 3.6") << "rbDao36" << "DAO 3.6";
        QTest::newRow("system database group") << "gbSystemDb" << " System Database Location ";
        QTest::newRow("workspace group") << "gbWorkspace" << " Workspace ";
        QTest::newRow("containers") << "cbxCont" << "View Containers";
        QTest::newRow("system objects") << "cbxSystem" << "View System objects";
        QTest::newRow("exclusive") << "cbxEx" << "Open database in Exclusive mode";
        QTest::newRow("read-only") << "cbxRO" << "Open database in ReadOnly mode";
        QTest::newRow("OK") << "bOK" << "OK";
        QTest::newRow("Cancel") << "bCancel" << "Cancel";
        QTest::newRow("product") << "lProduct" << "Jetwarden";
    }
    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TdlgPrefs dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Preferences"));
        auto *w = dlg.findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(textOf(w), text);
    }

    void enginesStandInThreeColumns()
    {
        TdlgPrefs dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const auto *a = dlg.findChild<QRadioButton *>("rbDao30");
        const auto *b = dlg.findChild<QRadioButton *>("rbDao35");
        const auto *c = dlg.findChild<QRadioButton *>("rbDao36");
        QCOMPARE(a->y(), b->y());
        QCOMPARE(b->y(), c->y());
        QVERIFY(a->x() < b->x() && b->x() < c->x());
    }

    void engineIndex_data()
    {
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("button");
        QTest::newRow("DAO 3.0") << 0 << 0 << "rbDao30";
        QTest::newRow("DAO 3.5") << 1 << 1 << "rbDao35";
        QTest::newRow("DAO 3.6") << 2 << 2 << "rbDao36";
        QTest::newRow("negative shows the default") << -1 << 2 << "rbDao36";
        QTest::newRow("past the end shows the default") << 3 << 2 << "rbDao36";
    }
    void engineIndex()
    {
        QFETCH(int, given);
        QFETCH(int, shown);
        QFETCH(QString, button);
        TdlgPrefs dlg;
        dlg.setEngineIndex(given == 0 ? 1 : 0); // start from another engine
        dlg.setEngineIndex(given);
        QCOMPARE(dlg.engineIndex(), shown);
        QVERIFY(dlg.findChild<QRadioButton *>(button)->isChecked());
    }

    void clickingAnEngineChoosesIt()
    {
        TdlgPrefs dlg;
        dlg.setEngineIndex(2);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto *dao35 = dlg.findChild<QRadioButton *>("rbDao35");
        QTest::mouseClick(dao35, Qt::LeftButton, {}, dao35->rect().center());
        QCOMPARE(dlg.engineIndex(), 1);
    }

    void flags_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<Getter>("get");
        QTest::addColumn<Setter>("set");
        QTest::newRow("containers") << "cbxCont" << &TdlgPrefs::containers << &TdlgPrefs::setContainers;
        QTest::newRow("system objects") << "cbxSystem" << &TdlgPrefs::systemObjects << &TdlgPrefs::setSystemObjects;
        QTest::newRow("exclusive") << "cbxEx" << &TdlgPrefs::exclusive << &TdlgPrefs::setExclusive;
        QTest::newRow("read-only") << "cbxRO" << &TdlgPrefs::readOnly << &TdlgPrefs::setReadOnly;
    }
    void flags()
    {
        QFETCH(QString, box);
        QFETCH(Getter, get);
        QFETCH(Setter, set);
        TdlgPrefs dlg;
        QVERIFY(!(dlg.*get)());
        (dlg.*set)(true);
        QVERIFY((dlg.*get)());
        // The setter ticks its own box and no other.
        for (const char *name : kFlagBoxes)
            QCOMPARE(dlg.findChild<QCheckBox *>(name)->isChecked(), box == QLatin1String(name));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto *check = dlg.findChild<QCheckBox *>(box);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
        QVERIFY(!(dlg.*get)());
    }

    void systemDbRoundTrip()
    {
        TdlgPrefs dlg;
        QCOMPARE(dlg.systemDb(), QString());
        dlg.setSystemDb("/srv/data/system.mdw");
        QCOMPARE(dlg.findChild<QLineEdit *>("de")->text(), QStringLiteral("/srv/data/system.mdw"));
        QTest::keyClicks(dlg.findChild<QLineEdit *>("de"), "x");
        QCOMPARE(dlg.systemDb(), QStringLiteral("/srv/data/system.mdwx"));
    }

    void browseForSystemDb_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        QTest::newRow("chosen") << "/home/ann/work group.mdw" << "/home/ann/work group.mdw";
        QTest::newRow("cancelled") << "" << "/old/system.mdw";
    }
    void browseForSystemDb()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        ScriptedPrompts prompts;
        prompts.files.push_back(answer);
        TdlgPrefs dlg;
        dlg.setSystemDb("/old/system.mdw");
        QTest::mouseClick(dlg.findChild<QToolButton *>("deButton"), Qt::LeftButton);
        QCOMPARE(dlg.systemDb(), expected);
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].kind, QStringLiteral("open"));
        QCOMPARE(prompts.asked[0].text, QStringLiteral("MS Access Databases (*.mdb *.mdw);;All files (*.*)"));
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("OK") << "bOK" << int(QDialog::Accepted);
        QTest::newRow("Cancel") << "bCancel" << int(QDialog::Rejected);
        QTest::newRow("Return") << "Return" << int(QDialog::Accepted);
        QTest::newRow("Escape") << "Escape" << int(QDialog::Rejected);
    }
    void closing()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        TdlgPrefs dlg;
        dlg.setResult(-1);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        if (how == "Return" || how == "Escape")
            QTest::keyClick(dlg.findChild<QLineEdit *>("de"), how == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        else
            QTest::mouseClick(dlg.findChild<QPushButton *>(how), Qt::LeftButton);
        QCOMPARE(dlg.result(), result);
        QVERIFY(!dlg.isVisible());
    }

    void restartNeeded_data()
    {
        QTest::addColumn<int>("storedEngine");
        QTest::addColumn<QString>("storedDb");
        QTest::addColumn<int>("chosenEngine");
        QTest::addColumn<QString>("chosenDb");
        QTest::addColumn<bool>("needed");
        QTest::newRow("nothing changed") << 2 << "/a/system.mdw" << 2 << "/a/system.mdw" << false;
        QTest::newRow("nothing changed, no system database") << 0 << "" << 0 << "" << false;
        QTest::newRow("engine changed") << 2 << "/a/system.mdw" << 1 << "/a/system.mdw" << true;
        QTest::newRow("system database changed") << 2 << "/a/system.mdw" << 2 << "/b/system.mdw" << true;
        QTest::newRow("system database cleared") << 2 << "/a/system.mdw" << 2 << "" << true;
        QTest::newRow("system database given") << 2 << "" << 2 << "/a/system.mdw" << true;
        QTest::newRow("letter case of the path changed") << 2 << "/a/system.mdw" << 2 << "/a/System.mdw" << true;
        QTest::newRow("both changed") << 0 << "/a/system.mdw" << 2 << "" << true;
    }
    void restartNeeded()
    {
        QFETCH(int, storedEngine);
        QFETCH(QString, storedDb);
        QFETCH(int, chosenEngine);
        QFETCH(QString, chosenDb);
        QFETCH(bool, needed);
        QCOMPARE(prefsRestartNeeded(storedEngine, storedDb, chosenEngine, chosenDb), needed);
    }
};

QTEST_MAIN(TestDlgPrefs)
#include "tst_dlgprefs.moc"
