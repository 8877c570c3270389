#include "RecentFiles.h"

#include <QSettings>

void RecentFiles::add(const QString &path)
{
    for (int i = 0; i < items_.size(); ++i) {
        if (items_[i].compare(path, Qt::CaseInsensitive) == 0) {
            items_.removeAt(i);
            break;
        }
    }
    items_.append(path);
    while (items_.size() > Capacity)
        items_.removeFirst();
}

QString RecentFiles::caption(int index, const QString &path)
{
    const QChar key = index < 9 ? QChar('1' + index) : QChar('A' + (index - 9));
    return QStringLiteral("&%1 %2").arg(key).arg(path);
}

void RecentFiles::load(QSettings &settings, const QString &group)
{
    items_.clear();
    settings.beginGroup(group);
    QStringList read;
    for (int i = Capacity - 1; i >= 0; --i) {
        const QString value = settings.value(QStringLiteral("Item_%1").arg(i)).toString();
        if (!value.isEmpty())
            read.prepend(value);
    }
    settings.endGroup();
    for (const QString &path : read)
        add(path);
}

void RecentFiles::save(QSettings &settings, const QString &group) const
{
    settings.remove(group);
    settings.beginGroup(group);
    for (int i = 0; i < items_.size(); ++i)
        settings.setValue(QStringLiteral("Item_%1").arg(i), items_[i]);
    settings.endGroup();
}
