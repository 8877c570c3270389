#pragma once

#include "ObjectKind.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>

class QTreeWidget;
class QTreeWidgetItem;

namespace automation {
struct Date;
}

// The rules of the object map that are more than wiring, as plain functions.
namespace objectmap {

// The texts of the tree's group entries, in tree order.
inline const char *const kTablesGroup = "Tables";
inline const char *const kQueriesGroup = "Queries";
inline const char *const kRelationsGroup = "Relations";
inline const char *const kContainersGroup = "Containers";

// The kind of a definition entry from the text of its group entry; None for any other text.
ObjectKind kindOfGroup(const QString &groupText);
// The group entry's text for a kind; empty for None.
QString groupOfKind(ObjectKind kind);

// Whether a table with these attributes is listed: always when system objects are shown,
// otherwise not when either system bit (0x80000000 or 0x2) is set. Hidden tables are listed.
bool tableListed(std::uint32_t attributes, bool showSystem);

// Items joined by ","; an item holding a character of code 32 or below, a "," or a double
// quote is quoted, its inner quotes doubled.
QString commaText(const QStringList &items);

// "Primary", "Unique" and "Foreign" for the flags that hold, joined by ","; empty for none.
QString indexTypeText(bool primary, bool unique, bool foreign);

// A document's date in the locale's short date format followed by its long time format; the
// time is left out at exactly midnight.
QString documentDateText(const automation::Date &date, const QLocale &locale = QLocale());

// The first entry of the whole tree in tree order (each group entry, then its definitions)
// whose text equals `text`, letter case ignored; null when there is none.
QTreeWidgetItem *FindTreeNode(QTreeWidget *tree, const QString &text);

} // namespace objectmap
