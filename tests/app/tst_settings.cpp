// The settings file: stored values, placement and the recent-files list.

#include "app/RecentFiles.h"
#include "app/SettingsStore.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"

#include <QSettings>
#include <QWidget>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void recentFilesRules_data();
    void recentFilesRules();
    void recentCaptions();
    void recentListSurvivesSaveAndLoad();
    void flagsReadAsBooleans_data();
    void flagsReadAsBooleans();
    void firstStartUsesDefaultsAndWritesTheLayout();
    void valuesAreFoundInAnyLetterCase();
    void placementRoundTrip();
    void newerFormVersionIsNotRestored();
    void unsavableSettingsAreReportedOnce();
};

void TestSettings::recentFilesRules_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("appended in order") << QStringList{"/a", "/b"} << QStringList{"/a", "/b"};
    QTest::newRow("present moves to end") << QStringList{"/a", "/b", "/a"} << QStringList{"/b", "/a"};
    QTest::newRow("compared without case") << QStringList{"/data/X.mdb", "/b", "/DATA/x.MDB"}
                                           << QStringList{"/b", "/DATA/x.MDB"};
    QStringList eleven, lastTen;
    for (int i = 0; i < 11; ++i)
        eleven << QStringLiteral("/f%1").arg(i);
    lastTen = eleven.mid(1);
    QTest::newRow("eleventh drops the oldest") << eleven << lastTen;
}

void TestSettings::recentFilesRules()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    RecentFiles list;
    for (const QString &p : added)
        list.add(p);
    QCOMPARE(list.items(), expected);
}

void TestSettings::recentCaptions()
{
    QCOMPARE(RecentFiles::caption(0, "/x.mdb"), QStringLiteral("&1 /x.mdb"));
    QCOMPARE(RecentFiles::caption(8, "/x.mdb"), QStringLiteral("&9 /x.mdb"));
    QCOMPARE(RecentFiles::caption(9, "/x.mdb"), QStringLiteral("&A /x.mdb"));
}

void TestSettings::recentListSurvivesSaveAndLoad()
{
    TestHome home;
    QSettings settings(home.settingsFile(), QSettings::IniFormat);
    settings.setValue("1.x/TfrmMain.MRUMan/Item_7", "/stale");
    RecentFiles list;
    list.add("/one");
    list.add("/two");
    list.save(settings, "1.x/TfrmMain.MRUMan");
    QCOMPARE(settings.value("1.x/TfrmMain.MRUMan/Item_0").toString(), QStringLiteral("/one"));
    QVERIFY(!settings.contains("1.x/TfrmMain.MRUMan/Item_7"));
    QVERIFY(!settings.contains("1.x/TfrmMain.MRUMan/User_0"));
    // Gaps and empty values are skipped on reading.
    settings.setValue("1.x/TfrmMain.MRUMan/Item_5", "/five");
    settings.setValue("1.x/TfrmMain.MRUMan/Item_3", "");
    RecentFiles again;
    again.load(settings, "1.x/TfrmMain.MRUMan");
    QCOMPARE(again.items(), (QStringList{"/one", "/two", "/five"}));
}

void TestSettings::flagsReadAsBooleans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("value");
    QTest::addColumn<bool>("ok");
    QTest::newRow("True") << "True" << true << true;
    QTest::newRow("false any case") << "fALSE" << false << true;
    QTest::newRow("1") << "1" << true << true;
    QTest::newRow("0") << "0" << false << true;
    QTest::newRow("-1") << "-1" << true << true;
    QTest::newRow("junk") << "maybe" << false << false;
}

void TestSettings::flagsReadAsBooleans()
{
    QFETCH(QString, text);
    QFETCH(bool, value);
    QFETCH(bool, ok);
    bool converted = true;
    QCOMPARE(settingToBool(text, &converted), value);
    QCOMPARE(converted, ok);
}

void TestSettings::firstStartUsesDefaultsAndWritesTheLayout()
{
    TestHome home;
    SettingsStore store("1.x");
    store.defineValue("Engine", 2);
    store.defineValue("SystemDB", QString());
    store.defineValue("Cont", false);
    store.restoreValues();
    QCOMPARE(store.value("Engine").toString(), QStringLiteral("2"));
    QCOMPARE(store.value("Cont").toString(), QStringLiteral("False"));
    QVERIFY(!QFile::exists(home.settingsFile()));
    store.setValue("Cont", true);
    store.saveValues();
    QSettings written(home.settingsFile(), QSettings::IniFormat);
    QCOMPARE(written.value("1.x/Engine").toString(), QStringLiteral("2"));
    QCOMPARE(written.value("1.x/SystemDB").toString(), QString());
    QCOMPARE(written.value("1.x/Cont").toString(), QStringLiteral("True"));
}

void TestSettings::valuesAreFoundInAnyLetterCase()
{
    TestHome home;
    SettingsStore store("1.x");
    store.defineValue("ReadOnly", false);
    store.setValue("READONLY", true);
    QCOMPARE(store.value("readonly").toBool(), true);
}

void TestSettings::placementRoundTrip()
{
    TestHome home;
    QString memo = "89";
    {
        QWidget window;
        window.setGeometry(40, 50, 300, 200);
        SettingsStore store("1.x/Query");
        store.addProperty("mSQL_Height", [&] { return QStringLiteral("120"); }, nullptr);
        store.savePlacement(&window);
    }
    QSettings written(home.settingsFile(), QSettings::IniFormat);
    QCOMPARE(written.value("1.x/Query/FormVersion").toString(), QStringLiteral("0"));
    QCOMPARE(written.value("1.x/Query/NormPos").toString(), QStringLiteral("40,50,340,250"));
    QCOMPARE(written.value("1.x/Query/ShowCmd").toString(), QStringLiteral("1"));
    QCOMPARE(written.value("1.x/Query/Visible").toString(), QStringLiteral("0"));
    QCOMPARE(written.value("1.x/Query/mSQL_Height").toString(), QStringLiteral("120"));
    QWidget restored;
    SettingsStore store("1.x/Query");
    store.addProperty("mSQL_Height", nullptr, [&](const QString &v) { memo = v; });
    store.restorePlacement(&restored);
    QCOMPARE(restored.size(), QSize(300, 200));
    QCOMPARE(memo, QStringLiteral("120"));
}

void TestSettings::newerFormVersionIsNotRestored()
{
    TestHome home;
    {
        QSettings s(home.settingsFile(), QSettings::IniFormat);
        s.setValue("1.x/ObjectMap/NormPos", "1,2,301,202");
        s.setValue("1.x/ObjectMap/FormVersion", "0");
    }
    QWidget window;
    window.resize(50, 60);
    SettingsStore store("1.x/ObjectMap", 1);
    store.restorePlacement(&window);
    QCOMPARE(window.size(), QSize(50, 60));
    SettingsStore current("1.x/ObjectMap", 0);
    current.restorePlacement(&window);
    QCOMPARE(window.size(), QSize(300, 200));
}

void TestSettings::unsavableSettingsAreReportedOnce()
{
    TestHome home;
    ScriptedPrompts prompts;
    SettingsStore::resetSaveFailureReport();
    // A file where the settings folder should be: nothing can be written.
    QDir().mkpath(home.path("config"));
    QFile blocker(home.path("config/Velmora"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store("1.x");
    store.defineValue("Engine", 2);
    store.setValue("Engine", 1);
    store.saveValues();
    QWidget window;
    store.savePlacement(&window);
    QCOMPARE(prompts.textsOf("warning"),
             QStringList{"The settings could not be saved to \"" + home.settingsFile()
                         + "\"; changes made in this session will be lost when the program ends."});
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
