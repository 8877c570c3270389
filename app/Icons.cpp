#include "Icons.h"

#include "Glyphs.h"

#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace {

// The freedesktop standard icon names, where one fits; the others
// are names common themes carry.
const QHash<QString, QString> &themeNames()
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("open"), QStringLiteral("document-open")},
        {QStringLiteral("refresh"), QStringLiteral("view-refresh")},
        {QStringLiteral("properties"), QStringLiteral("document-properties")},
        {QStringLiteral("accounts"), QStringLiteral("system-users")},
        {QStringLiteral("objectmap"), QStringLiteral("view-list-tree")},
        {QStringLiteral("query"), QStringLiteral("text-x-sql")},
        {QStringLiteral("preferences"), QStringLiteral("preferences-system")},
        {QStringLiteral("about"), QStringLiteral("help-about")},
        {QStringLiteral("exit"), QStringLiteral("application-exit")},
        {QStringLiteral("new"), QStringLiteral("document-new")},
        {QStringLiteral("execute"), QStringLiteral("media-playback-start")},
        {QStringLiteral("stop"), QStringLiteral("process-stop")},
        {QStringLiteral("save"), QStringLiteral("document-save")},
        {QStringLiteral("clear"), QStringLiteral("edit-clear")},
        {QStringLiteral("edit"), QStringLiteral("document-edit")},
        {QStringLiteral("delete"), QStringLiteral("edit-delete")},
        {QStringLiteral("table"), QStringLiteral("x-office-spreadsheet")},
        {QStringLiteral("group"), QStringLiteral("user-group")},
        {QStringLiteral("relation"), QStringLiteral("insert-link")},
        {QStringLiteral("container"), QStringLiteral("folder")},
    };
    return names;
}

// Draws a glyph at whatever size is asked; disabled icons are grey and faint.
class GlyphEngine : public QIconEngine {
public:
    explicit GlyphEngine(const QString &name) : name_(name) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        if (size.isEmpty())
            return {};
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(size.width() / 16.0, size.height() / 16.0);
        glyphs::paint(painter, name_);
        painter.end();
        if (mode == QIcon::Disabled)
            fade(image);
        return QPixmap::fromImage(image);
    }

    QIconEngine *clone() const override { return new GlyphEngine(name_); }
    QString key() const override { return QStringLiteral("JetwardenGlyph"); }
    QString iconName() override { return name_; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }

private:
    static void fade(QImage &image)
    {
        for (int y = 0; y < image.height(); ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = qGray(row[x]);
                const int alpha = qAlpha(row[x]) / 2;
                // premultiplied: colour channels may not exceed alpha
                const int value = grey * alpha / 255;
                row[x] = qRgba(value, value, value, alpha);
            }
        }
    }

    QString name_;
};

QIcon glyphIcon(const QString &name)
{
    return glyphs::exists(name) ? QIcon(new GlyphEngine(name)) : QIcon();
}

// The theme's icon when it can be drawn: a theme may hold only SVG files, which need Qt's
// SVG module to be drawn at all.
QIcon themeIcon(const QString &name)
{
    if (name.isEmpty() || !QIcon::hasThemeIcon(name))
        return {};
    const QIcon icon = QIcon::fromTheme(name);
    return icon.pixmap(16, 16).isNull() ? QIcon() : icon;
}

QIcon themeOrGlyph(const QString &themeName, const QString &glyph)
{
    const QIcon icon = themeIcon(themeName);
    return icon.isNull() ? glyphIcon(glyph) : icon;
}

} // namespace

QString commandThemeName(const QString &command)
{
    return themeNames().value(command);
}

QIcon appIcon()
{
    return themeOrGlyph(QStringLiteral("jetwarden"), QStringLiteral("jetwarden"));
}

QIcon commandIcon(const QString &command)
{
    if (!themeNames().contains(command))
        return {};
    return themeOrGlyph(commandThemeName(command), command);
}
