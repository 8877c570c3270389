#include "app/Icons.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kCommands = {"open",  "refresh", "properties", "accounts", "objectmap", "query",   "preferences",
                               "about", "exit",    "new",        "execute",  "stop",      "save",    "clear",
                               "edit",  "delete",  "table",      "group",    "relation",  "container"};

int opaquePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

// A desktop icon theme in a temporary folder: "document-open" as a magenta PNG,
// "document-save" only as SVG.
void writeTheme(const QString &root)
{
    QDir(root).mkpath("jwtest/16x16/actions");
    QFile index(root + "/jwtest/index.theme");
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=jwtest\nDirectories=16x16/actions\n\n"
                "[16x16/actions]\nSize=16\nType=Fixed\n");
    index.close();
    QImage magenta(16, 16, QImage::Format_ARGB32);
    magenta.fill(QColor(255, 0, 255));
    QVERIFY(magenta.save(root + "/jwtest/16x16/actions/document-open.png"));
    QFile svg(root + "/jwtest/16x16/actions/document-save.svg");
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write("<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
              "<rect width='16' height='16' fill='#ff00ff'/></svg>");
}

} // namespace

class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(themes_.isValid());
        writeTheme(themes_.path());
        QIcon::setThemeSearchPaths({themes_.path()});
    }
    // No theme unless a test chooses one, so the program's own glyphs are what is seen.
    void init() { QIcon::setThemeName(QStringLiteral("none")); }

    void everyCommandHasAPicture_data()
    {
        QTest::addColumn<QString>("command");
        for (const QString &command : kCommands)
            QTest::newRow(qPrintable(command)) << command;
    }
    void everyCommandHasAPicture()
    {
        QFETCH(QString, command);
        const QIcon icon = commandIcon(command);
        QVERIFY(!icon.isNull());
        for (int size : {16, 24, 32}) {
            const QImage image = icon.pixmap(size, size).toImage();
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY2(opaquePixels(image) >= size * size / 8, qPrintable(command));
        }
        QVERIFY(!commandThemeName(command).isEmpty());
    }

    void commandsDoNotShareAPicture()
    {
        QSet<QByteArray> seen;
        for (const QString &command : kCommands) {
            const QImage image = commandIcon(command).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
            const QByteArray bytes(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
            QVERIFY2(!seen.contains(bytes), qPrintable(command));
            seen.insert(bytes);
        }
    }

    void disabledIconsAreGrey()
    {
        const QImage image = commandIcon("execute").pixmap(QSize(16, 16), QIcon::Disabled).toImage();
        QVERIFY(opaquePixels(image) == 0); // faded to half opacity
        int painted = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb px = image.pixel(x, y);
                painted += qAlpha(px) > 0;
                QCOMPARE(qRed(px), qGreen(px));
                QCOMPARE(qGreen(px), qBlue(px));
            }
        QVERIFY(painted > 0);
    }

    void unknownCommandHasNoIcon()
    {
        QVERIFY(commandIcon("bogus").isNull());
        QVERIFY(commandIcon("").isNull());
        QVERIFY(commandIcon("jetwarden").isNull()); // the program's picture is no command
    }

    void appIconIsDrawn()
    {
        const QIcon icon = appIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(opaquePixels(icon.pixmap(48, 48).toImage()) > 48 * 48 / 4);
    }

    void themeIconIsPreferredWhenItCanBeDrawn_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("fromTheme");
        QTest::newRow("PNG in the theme") << "open" << true;
        QTest::newRow("only SVG in the theme") << "save" << false;
        QTest::newRow("not in the theme") << "stop" << false;
    }
    void themeIconIsPreferredWhenItCanBeDrawn()
    {
        QFETCH(QString, command);
        QFETCH(bool, fromTheme);
        QIcon::setThemeName(QStringLiteral("jwtest"));
        const QImage image = commandIcon(command).pixmap(16, 16).toImage();
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixelColor(8, 8) == QColor(255, 0, 255), fromTheme);
        QVERIFY(opaquePixels(image) > 0);
    }

private:
    QTemporaryDir themes_;
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
