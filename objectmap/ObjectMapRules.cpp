#include "ObjectMapRules.h"

#include "automation/DateTime.h"

#include <QDateTime>
#include <QTreeWidget>

#include <algorithm>

namespace objectmap {

ObjectKind kindOfGroup(const QString &groupText)
{
    if (groupText == QLatin1String(kTablesGroup))
        return ObjectKind::Table;
    if (groupText == QLatin1String(kQueriesGroup))
        return ObjectKind::Query;
    if (groupText == QLatin1String(kRelationsGroup))
        return ObjectKind::Relation;
    if (groupText == QLatin1String(kContainersGroup))
        return ObjectKind::Container;
    return ObjectKind::None;
}

QString groupOfKind(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Table:
        return QLatin1String(kTablesGroup);
    case ObjectKind::Query:
        return QLatin1String(kQueriesGroup);
    case ObjectKind::Relation:
        return QLatin1String(kRelationsGroup);
    case ObjectKind::Container:
        return QLatin1String(kContainersGroup);
    case ObjectKind::None:
        break;
    }
    return {};
}

bool tableListed(std::uint32_t attributes, bool showSystem)
{
    return showSystem || (attributes & (0x80000000u | 0x2u)) == 0;
}

QString commaText(const QStringList &items)
{
    QString out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString &item = items[i];
        if (i > 0)
            out += QLatin1Char(',');
        const bool quote = std::any_of(item.begin(), item.end(), [](QChar c) {
            return c.unicode() <= 32 || c == QLatin1Char(',') || c == QLatin1Char('"');
        });
        if (!quote) {
            out += item;
            continue;
        }
        QString inner = item;
        inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
        out += QLatin1Char('"') + inner + QLatin1Char('"');
    }
    return out;
}

QString indexTypeText(bool primary, bool unique, bool foreign)
{
    QStringList words;
    if (primary)
        words << QStringLiteral("Primary");
    if (unique)
        words << QStringLiteral("Unique");
    if (foreign)
        words << QStringLiteral("Foreign");
    return words.join(QLatin1Char(','));
}

QString documentDateText(const automation::Date &date, const QLocale &locale)
{
    const automation::DateParts p = automation::splitDate(date);
    const QDateTime when(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second));
    QString text = locale.toString(when, locale.dateFormat(QLocale::ShortFormat));
    if (when.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when, locale.timeFormat(QLocale::LongFormat));
    return text;
}

QTreeWidgetItem *FindTreeNode(QTreeWidget *tree, const QString &text)
{
    const QString wanted = text.toUpper();
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem *group = tree->topLevelItem(g);
        if (group->text(0).toUpper() == wanted)
            return group;
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->text(0).toUpper() == wanted)
                return group->child(i);
    }
    return nullptr;
}

} // namespace objectmap
