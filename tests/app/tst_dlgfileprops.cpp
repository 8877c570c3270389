#include "app/DlgFileProps.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using platform::UtcTime;
Q_DECLARE_METATYPE(std::optional<UtcTime>)

namespace {

// 2024-03-05 20:30:15 UTC: in the test's time zone (UTC+14) it is already the 6th.
constexpr std::time_t kEvening = 1709670615;
// 2024-03-05 00:00:00 UTC
constexpr std::time_t kMidnight = 1709596800;

QString makeFile(const QString &path, qint64 size = 0)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
        return {};
    return path;
}

bool setTimes(const QString &path, std::time_t accessed, std::time_t modified)
{
    const timespec times[2] = {{accessed, 0}, {modified, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

QString text(const TdlgFileProps &dlg, const char *name)
{
    if (auto *label = dlg.findChild<QLabel *>(name))
        return label->text();
    if (auto *edit = dlg.findChild<QLineEdit *>(name))
        return edit->text();
    return QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QStringList checkedAttributes(const TdlgFileProps &dlg)
{
    QStringList out;
    const auto *list = dlg.findChild<QListWidget *>("clbAttr");
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            out << list->item(i)->text();
    return out;
}

QListWidgetItem *attribute(const TdlgFileProps &dlg, const QString &name)
{
    const auto items = dlg.findChild<QListWidget *>("clbAttr")->findItems(name, Qt::MatchExactly);
    return items.isEmpty() ? nullptr : items.first();
}

bool hasLabel(const QWidget &page, const QString &caption)
{
    for (const QLabel *label : page.findChildren<QLabel *>())
        if (label->text() == caption)
            return true;
    return false;
}

} // namespace

class TestDlgFileProps : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Far from universal time, so that any conversion to local time would show.
        qputenv("TZ", "JWT-14");
        ::tzset();
    }
    void init()
    {
        QTest::failOnWarning(QRegularExpression(".*"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void layout()
    {
        TdlgFileProps dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Database properties"));
        QCOMPARE(dlg.minimumSize(), QSize(333, 376));
        QCOMPARE(dlg.maximumSize(), QSize(333, 376));
        auto *pc = dlg.findChild<QTabWidget *>("pc");
        QVERIFY(pc);
        QCOMPARE(pc->count(), 2);
        QCOMPARE(pc->currentIndex(), 0);
        QCOMPARE(pc->widget(0)->objectName(), QStringLiteral("tsGeneral"));
        QCOMPARE(pc->tabText(0), QStringLiteral("General"));
        QCOMPARE(pc->widget(1)->objectName(), QStringLiteral("tsEngine"));
        QCOMPARE(pc->tabText(1), QStringLiteral(" Engine "));
        auto *ok = dlg.findChild<QPushButton *>("bOK");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(dlg.findChild<QLabel *>("lProduct")->text(), QStringLiteral("Jetwarden"));
        QVERIFY(dlg.findChild<QLabel *>("lName")->font().bold());
        QVERIFY(dlg.findChild<QLabel *>("lEngine")->font().bold());
        for (const char *caption : {"Location: ", "Size: ", "Created: ", "Modified:", "Accessed: ", "Attributes:"})
            QVERIFY2(hasLabel(*pc->widget(0), caption), caption);
        for (const char *caption : {"User:", "Workspace:", "System database:"})
            QVERIFY2(hasLabel(*pc->widget(1), caption), caption);
    }

    void attributesStandInTwoColumns()
    {
        TdlgFileProps dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const auto *list = dlg.findChild<QListWidget *>("clbAttr");
        QStringList order;
        for (int i = 0; i < list->count(); ++i)
            order << list->item(i)->text();
        QCOMPARE(order, QStringList({"Read Only", "Archive", "Compressed", "Hidden", "System"}));
        const auto rect = [&](const char *name) { return list->visualItemRect(attribute(dlg, name)); };
        QTRY_VERIFY(rect("Hidden").left() > rect("Read Only").right());
        QCOMPARE(rect("Hidden").top(), rect("Read Only").top());
        QCOMPARE(rect("System").left(), rect("Hidden").left());
        QCOMPARE(rect("Compressed").left(), rect("Read Only").left());
        QVERIFY(rect("Compressed").top() > rect("Archive").top());
        // every item inside the view, none cut off or scrolled out of sight
        for (const char *name : {"Read Only", "Archive", "Compressed", "Hidden", "System"})
            QVERIFY2(list->viewport()->rect().contains(rect(name)), name);
    }

    void nameAndLocation_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::newRow("plain") << "orders.mdb" << "orders.mdb" << "";
        QTest::newRow("folder with a space") << "sub dir/orders.mdb" << "orders.mdb" << "sub dir/";
        QTest::newRow("no extension") << "a/b/orders" << "orders" << "a/b/";
    }
    void nameAndLocation()
    {
        QFETCH(QString, relative);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        TestHome home;
        const QString path = makeFile(home.path(relative), 10);
        QVERIFY(!path.isEmpty());
        TdlgFileProps dlg;
        dlg.setFile(path);
        QCOMPARE(dlg.fileName(), path);
        QCOMPARE(text(dlg, "lName"), name);
        QCOMPARE(text(dlg, "efilename"), home.path() + "/" + folder);
        auto *location = dlg.findChild<QLineEdit *>("efilename");
        QVERIFY(location->isReadOnly());
        QVERIFY(!location->hasFrame());
        QVERIFY(!dlg.findChild<QLabel *>("Icon")->pixmap().isNull());
    }

    void relativePathShowsItsAbsoluteFolder()
    {
        TestHome home;
        makeFile(home.path("orders.mdb"), 1);
        const QString before = QDir::currentPath();
        QDir::setCurrent(home.path());
        TdlgFileProps dlg;
        dlg.setFile("orders.mdb");
        QDir::setCurrent(before);
        QCOMPARE(text(dlg, "efilename"), QDir(home.path()).canonicalPath() + "/");
        QCOMPARE(text(dlg, "lSize"), QStringLiteral("1 B"));
    }

    void typeDescription()
    {
        TestHome home;
        const QString path = makeFile(home.path("notes.txt"), 5);
        TdlgFileProps dlg;
        dlg.setFile(path);
        QVERIFY(!text(dlg, "lFT").isEmpty());
        QCOMPARE(text(dlg, "lFT"), QMimeDatabase().mimeTypeForFile(path).comment());
    }

    void size_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("shown");
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("empty file shows no digit") << qint64(0) << us << " B";
        QTest::newRow("one byte") << qint64(1) << us << "1 B";
        QTest::newRow("below a thousand") << qint64(999) << de << "999 B";
        QTest::newRow("a thousand, German") << qint64(1000) << de << "1.000 B";
        QTest::newRow("millions, US") << qint64(1234567) << us << "1,234,567 B";
        QTest::newRow("millions, German") << qint64(1234567) << de << "1.234.567 B";
        QTest::newRow("C locale still groups") << qint64(1234567) << QLocale::c() << "1,234,567 B";
        QTest::newRow("beyond 4 GiB") << (qint64(5) << 30) << us << "5,368,709,120 B";
    }
    void size()
    {
        QFETCH(qint64, bytes);
        QFETCH(QLocale, locale);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        TestHome home;
        const QString path = makeFile(home.path("data.mdb"), bytes); // sparse: no disk space taken
        QVERIFY(!path.isEmpty());
        TdlgFileProps dlg;
        dlg.setFile(path);
        QCOMPARE(text(dlg, "lSize"), shown);
    }

    void times_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("modified");
        QTest::addColumn<QString>("accessed");
        QTest::newRow("US") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/5/24 8:30:15 PM UTC" << "3/5/24";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "05.03.24 20:30:15 UTC" << "05.03.24";
        QTest::newRow("British") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "05/03/2024 20:30:15 UTC"
                                 << "05/03/2024";
    }
    void times()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, modified);
        QFETCH(QString, accessed);
        QLocale::setDefault(locale);
        TestHome home;
        const QString path = makeFile(home.path("data.mdb"), 3);
        QVERIFY(setTimes(path, kMidnight, kEvening));
        TdlgFileProps dlg;
        dlg.setFile(path);
        QCOMPARE(text(dlg, "lMod"), modified);
        QCOMPARE(text(dlg, "lAcc"), accessed);
        // Birth time is kept by this file system and is today, in universal time.
        const QString created = text(dlg, "lCreated");
        const QString today = locale.toString(QDateTime::currentDateTimeUtc().date(), QLocale::ShortFormat);
        QVERIFY2(created.startsWith(today), qPrintable(created));
    }

    void timeText_data()
    {
        QTest::addColumn<std::optional<UtcTime>>("time");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no time") << std::optional<UtcTime>() << "?";
        QTest::newRow("not a date") << std::optional<UtcTime>(UtcTime{2024, 13, 1, 8, 0, 0, 0}) << "?";
        QTest::newRow("not a day of February") << std::optional<UtcTime>(UtcTime{2023, 2, 29, 8, 0, 0, 0}) << "?";
        QTest::newRow("exactly midnight") << std::optional<UtcTime>(UtcTime{2024, 2, 29, 0, 0, 0, 0}) << "2/29/24";
        QTest::newRow("half a second past midnight")
            << std::optional<UtcTime>(UtcTime{2024, 2, 29, 0, 0, 0, 500000000}) << "2/29/24 12:00:00 AM UTC";
        QTest::newRow("not a clock time counts as midnight")
            << std::optional<UtcTime>(UtcTime{2024, 2, 29, 25, 0, 0, 0}) << "2/29/24";
        QTest::newRow("last second of the day") << std::optional<UtcTime>(UtcTime{1999, 12, 31, 23, 59, 59, 0})
                                                << "12/31/99 11:59:59 PM UTC";
    }
    void timeText()
    {
        QFETCH(std::optional<UtcTime>, time);
        QFETCH(QString, shown);
        QCOMPARE(fileTimeText(time, QLocale(QLocale::English, QLocale::UnitedStates)), shown);
    }

    void attributes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("writable") << "data.mdb" << 0644 << QStringList();
        QTest::newRow("read-only") << "data.mdb" << 0444 << QStringList({"Read Only"});
        QTest::newRow("others may write, the owner not") << "data.mdb" << 0466 << QStringList({"Read Only"});
        QTest::newRow("hidden") << ".data.mdb" << 0644 << QStringList({"Hidden"});
        QTest::newRow("hidden and read-only") << ".data.mdb" << 0444 << QStringList({"Read Only", "Hidden"});
    }
    void attributes()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(QStringList, checked);
        TestHome home;
        const QString path = makeFile(home.path(name), 3);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        TdlgFileProps dlg;
        dlg.setFile(path);
        QCOMPARE(checkedAttributes(dlg), checked);
    }

    void attributesCannotBeToggled_data()
    {
        QTest::addColumn<QString>("item");
        for (const char *name : {"Read Only", "Archive", "Compressed", "Hidden", "System"})
            QTest::newRow(name) << name;
    }
    void attributesCannotBeToggled()
    {
        QFETCH(QString, item);
        TestHome home;
        const QString path = makeFile(home.path(".data.mdb"), 3);
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        TdlgFileProps dlg;
        dlg.setFile(path);
        const QStringList before = checkedAttributes(dlg);
        QCOMPARE(before, QStringList({"Read Only", "Hidden"}));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto *list = dlg.findChild<QListWidget *>("clbAttr");
        QListWidgetItem *target = attribute(dlg, item);
        list->setFocus();
        list->setCurrentItem(target);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(checkedAttributes(dlg), before);
        // a click on the item's check box
        const QRect r = list->visualItemRect(target);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.left() + r.height() / 2, r.center().y()));
        QCOMPARE(checkedAttributes(dlg), before);
        target->setCheckState(target->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        QCOMPARE(checkedAttributes(dlg), before);
    }

    void unreadableFileShowsNameAndLocationOnly_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("readableFirst");
        QTest::newRow("missing file") << "gone/orders.mdb" << false;
        QTest::newRow("a folder") << "folder.mdb" << false;
        QTest::newRow("missing after a readable file") << "gone/orders.mdb" << true;
    }
    void unreadableFileShowsNameAndLocationOnly()
    {
        QFETCH(QString, relative);
        QFETCH(bool, readableFirst);
        TestHome home;
        QDir().mkpath(home.path("folder.mdb"));
        TdlgFileProps dlg;
        if (readableFirst) {
            const QString readable = makeFile(home.path(".ro.mdb"), 2000);
            QCOMPARE(::chmod(QFile::encodeName(readable).constData(), 0444), 0);
            dlg.setFile(readable);
            QCOMPARE(text(dlg, "lSize"), QStringLiteral("2,000 B"));
        }
        const QString path = home.path(relative);
        dlg.setFile(path);
        QCOMPARE(text(dlg, "lName"), QFileInfo(path).fileName());
        QCOMPARE(text(dlg, "efilename"), QFileInfo(path).absolutePath() + "/");
        for (const char *name : {"lFT", "lSize", "lCreated", "lMod", "lAcc"})
            QVERIFY2(text(dlg, name).isEmpty(), name);
        QVERIFY(checkedAttributes(dlg).isEmpty());
        QVERIFY(dlg.findChild<QLabel *>("Icon")->pixmap().isNull());
    }

    void enginePage()
    {
        TdlgFileProps dlg;
        dlg.setEngineText("Data Access Objects 3.6");
        dlg.setDriverText("Microsoft Jet 4.0");
        dlg.setWorkspace("#Default Workspace#");
        dlg.setUser("admin");
        dlg.setSystemDatabase("/srv/system.mdw");
        QCOMPARE(text(dlg, "lEngine"), QStringLiteral("Data Access Objects 3.6"));
        QCOMPARE(text(dlg, "lDriver"), QStringLiteral("Microsoft Jet 4.0"));
        QCOMPARE(text(dlg, "eWS"), QStringLiteral("#Default Workspace#"));
        QCOMPARE(text(dlg, "eUser"), QStringLiteral("admin"));
        QCOMPARE(text(dlg, "eSysDB"), QStringLiteral("/srv/system.mdw"));
        for (const char *name : {"eUser", "eWS", "eSysDB"})
            QVERIFY2(dlg.findChild<QLineEdit *>(name)->isReadOnly(), name);
    }

    void closing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("OK clicked") << 0 << int(QDialog::Accepted);
        QTest::newRow("Return") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void closing()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        TdlgFileProps dlg;
        dlg.setResult(-1);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        if (key)
            QTest::keyClick(dlg.findChild<QLineEdit *>("eUser"), Qt::Key(key));
        else
            QTest::mouseClick(dlg.findChild<QPushButton *>("bOK"), Qt::LeftButton);
        QCOMPARE(dlg.result(), result);
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(TestDlgFileProps)
#include "tst_dlgfileprops.moc"
