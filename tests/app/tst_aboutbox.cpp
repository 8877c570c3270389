#include "about/TdlgAbout.h"
#include "app/MainWindow.h"
#include "dbengine/Engine.h"
#include "support/ScriptedPrompts.h"
#include "support/TestHome.h"
#include "sysinfo/RecordedCpu.h"
#include "sysinfo/SystemSummary.h"
#include "sysinfo/TCPU.h"
#include "platform/Version.h"

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Recorded registers: a processor with a brand text (Intel Core i7-8700K) and one without
// (a Celeron of the Pentium II family).
RecordedCpuid withBrand()
{
    RecordedCpuid r;
    r.vendor(0x16, "GenuineIntel");
    r.leaves[1] = {0x000906EA, 0x00100800, 0x7FFAFBFF, 0xBFEBFBFF};
    r.leaves[2] = {0x00FEFF01, 0x000000F0, 0, 0};
    r.leaves[0x80000000] = {0x80000008, 0, 0, 0};
    r.brand("Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz");
    return r;
}

RecordedCpuid withoutBrand()
{
    RecordedCpuid r;
    r.vendor(2, "GenuineIntel");
    r.leaves[1] = {0x00000652, 0, 0, 0x0183FBFF};
    r.leaves[2] = {0x03020101, 0, 0, 0x0C040840};
    return r;
}

QString label(QDialog &dialog, const char *name)
{
    return dialog.findChild<QLabel *>(QLatin1String(name))->text();
}

} // namespace

// Records the addresses the about box asks the desktop to open.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestAboutBox : public QObject {
    Q_OBJECT

    QTemporaryDir noLinuxFacts;

    void fill(TdlgAbout &dialog, const RecordedCpuid &cpuid, int mhz, unsigned char language, const QString &note = {})
    {
        SteppingClock clock({mhz});
        sysinfo::TCPU cpu(cpuid, clock, noLinuxFacts.path().toStdString());
        cpu.GetInfo();
        dialog.Fill(language, note, cpu);
    }

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void processorLine()
    {
        TdlgAbout branded;
        fill(branded, withBrand(), 3697, 0);
        QCOMPARE(label(branded, "lCPU"), QStringLiteral("CPU: Intel(R) Core(TM) i7-8700K CPU @ 3.70GHz - 3700 Mhz"));
        TdlgAbout plain;
        fill(plain, withoutBrand(), 266, 0);
        QCOMPARE(label(plain, "lCPU"), QStringLiteral("CPU: Intel Celeron - 266 Mhz"));
    }

    void texts_data()
    {
        const qulonglong kb = sysinfo::systemSummary().totalMemory / 1024;
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("memory");
        QTest::addColumn<QString>("noteStart");
        QTest::newRow("English") << 0
                                 << QStringLiteral("Version %1.%2 [Build: %3]")
                                        .arg(platform::kVersionMajor)
                                        .arg(platform::kVersionMinor)
                                        .arg(platform::kVersionBuild)
                                 << "Memory: " + QLocale(QLocale::English, QLocale::UnitedStates).toString(kb) + " KB"
                                 << QStringLiteral("Compatible with Linux desktops");
        QTest::newRow("Czech") << 1
                               << QStringLiteral("Verze %1.%2 [Sestaven\u00ed: %3]")
                                      .arg(platform::kVersionMajor)
                                      .arg(platform::kVersionMinor)
                                      .arg(platform::kVersionBuild)
                               << QStringLiteral("Pam\u011b\u0165: ") + QLocale(QLocale::Czech).toString(kb)
                                      + QStringLiteral(" KB")
                               << QStringLiteral("Kompatibiln\u00ed s linuxov\u00fdmi");
        QTest::newRow("other") << 7 << QString() << QString() << QString();
    }
    void texts()
    {
        QFETCH(int, language);
        QFETCH(QString, version);
        QFETCH(QString, memory);
        QFETCH(QString, noteStart);
        TdlgAbout dialog;
        fill(dialog, withBrand(), 3700, static_cast<unsigned char>(language));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About..."));
        QCOMPARE(label(dialog, "lproduct"), QStringLiteral("Jetwarden"));
        QVERIFY(!label(dialog, "lDesc").trimmed().isEmpty());
        QCOMPARE(label(dialog, "lVer"), version);
        QCOMPARE(label(dialog, "lMem"), memory);
        QVERIFY2(label(dialog, "lComment").startsWith(noteStart), qPrintable(label(dialog, "lComment")));
        QCOMPARE(label(dialog, "lOS"), "OS: " + QString::fromStdString(sysinfo::systemSummary().os));
        QVERIFY(label(dialog, "lMem").isEmpty() || label(dialog, "lMem").contains(QRegularExpression("\\d\\D\\d{3} KB$")));
    }

    void aNoteReplacesTheCompatibilityNote()
    {
        TdlgAbout dialog;
        fill(dialog, withBrand(), 3700, 0, QStringLiteral("A note of the caller."));
        QCOMPARE(label(dialog, "lComment"), QStringLiteral("A note of the caller."));
    }

    void legalNoticeUnderlinesOnHoverAndOpensMail()
    {
        TdlgAbout dialog;
        fill(dialog, withBrand(), 3700, 0);
        auto *copy = dialog.findChild<QLabel *>("lCopy");
        QCOMPARE(copy->cursor().shape(), Qt::PointingHandCursor);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(copy, &enter);
        QVERIFY(copy->font().underline());
        QCOMPARE(copy->palette().color(QPalette::WindowText), QColor(Qt::black));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(copy, &leave);
        QVERIFY(!copy->font().underline());
        QCOMPARE(copy->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));

        UrlSink sink;
        QDesktopServices::setUrlHandler("mailto", &sink, "open");
        QDesktopServices::setUrlHandler("https", &sink, "open");
        QTest::mouseClick(copy, Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QLabel *>("Image1"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("mailto");
        QDesktopServices::unsetUrlHandler("https");
        QCOMPARE(sink.opened.size(), 2);
        QCOMPARE(sink.opened[0], QUrl("mailto:" + TdlgAbout::mailAddress()));
        QCOMPARE(sink.opened[1], QUrl(TdlgAbout::webAddress()));
    }

    void theAboutCommandOpensTheBox()
    {
        TestHome home;
        dbengine::registerEngine();
        registerAboutBox();
        ScriptedPrompts prompts;
        QString cpuLine;
        prompts.dialogs.push_back([&cpuLine](QDialog *d) {
            cpuLine = d->findChild<QLabel *>("lCPU")->text();
            return int(QDialog::Accepted);
        });
        TfrmMain window;
        window.findChild<QAction *>("mmAbout")->trigger();
        QCOMPARE(prompts.textsOf("dialog"), QStringList{"dlgAbout"});
        QVERIFY2(cpuLine.startsWith("CPU: ") && cpuLine.endsWith(" Mhz"), qPrintable(cpuLine));
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
