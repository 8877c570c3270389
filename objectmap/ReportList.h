#pragma once

#include <initializer_list>

class QTreeWidget;
class QWidget;

namespace objectmap {

struct ReportColumn {
    const char *caption;
    int width; // 0 keeps the header's default width
    bool right = false;
};

// A report list: whole-row selection, headers that cannot be clicked, an underlined hot item
// and a hand pointer over items. With `images` every row keeps room for an image in the first
// column, so the texts stand in one column whether a row has an image or not.
QTreeWidget *reportList(const char *name, std::initializer_list<ReportColumn> columns, bool images = false);

// A page named `name` that `content` fills.
QWidget *fullPage(const char *name, QWidget *content, QWidget *parent);

} // namespace objectmap
