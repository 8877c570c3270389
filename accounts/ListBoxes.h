#pragma once

#include <QListWidget>
#include <QSignalBlocker>
#include <QStringList>

#include <string>
#include <vector>

namespace accounts {

inline bool hasSelection(const QListWidget *list)
{
    return !list->selectedItems().isEmpty();
}

// The selected entry's text; empty when nothing is selected.
inline QString selectedText(const QListWidget *list)
{
    const QList<QListWidgetItem *> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

inline QStringList itemTexts(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Replaces the entries, leaving none selected. The list's handlers do not run: only what the user
// does to a list counts as a click on it.
inline void replaceItems(QListWidget *list, const QStringList &texts)
{
    const QSignalBlocker blocker(list);
    list->setUpdatesEnabled(false);
    list->clear();
    list->addItems(texts);
    list->setUpdatesEnabled(true);
}

inline void replaceItems(QListWidget *list, const std::vector<std::string> &texts)
{
    QStringList out;
    for (const std::string &t : texts)
        out << QString::fromStdString(t);
    replaceItems(list, out);
}

// Selects the first entry, if any, without running the list's handlers.
inline void selectFirst(QListWidget *list)
{
    const QSignalBlocker blocker(list);
    if (list->count() > 0)
        list->setCurrentRow(0);
}

} // namespace accounts
