#pragma once

#include <QString>
#include <QStringList>

class QSettings;

// The recent-files list: at most ten full paths, compared without regard to case, oldest first.
class RecentFiles {
public:
    static constexpr int Capacity = 10;

    // A path not in the list is appended (dropping the oldest beyond ten); a listed one moves to the end.
    void add(const QString &path);
    const QStringList &items() const { return items_; }
    bool isEmpty() const { return items_.isEmpty(); }

    // "&1 path" to "&9 path", then "&A path" for the tenth.
    static QString caption(int index, const QString &path);

    // Reads "Item_9" down to "Item_0" of `group`, skipping missing or empty values.
    void load(QSettings &settings, const QString &group);
    // Erases `group`, then writes "Item_0" to "Item_n-1".
    void save(QSettings &settings, const QString &group) const;

private:
    QStringList items_;
};
