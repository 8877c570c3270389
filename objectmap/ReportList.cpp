#include "ReportList.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace objectmap {

namespace {

class HotTrackDelegate : public QStyledItemDelegate {
public:
    HotTrackDelegate(bool images, QObject *parent) : QStyledItemDelegate(parent), images_(images) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver)
            option->font.setUnderline(true);
        if (images_ && index.column() == 0)
            option->features |= QStyleOptionViewItem::HasDecoration;
    }

private:
    bool images_;
};

} // namespace

QTreeWidget *reportList(const char *name, std::initializer_list<ReportColumn> columns, bool images)
{
    auto *list = new QTreeWidget;
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    list->setMouseTracking(true);
    list->viewport()->setAttribute(Qt::WA_Hover);
    list->setItemDelegate(new HotTrackDelegate(images, list));
    QObject::connect(list, &QTreeWidget::itemEntered, list,
                     [list](QTreeWidgetItem *, int) { list->viewport()->setCursor(Qt::PointingHandCursor); });
    QObject::connect(list, &QTreeWidget::viewportEntered, list, [list] { list->viewport()->unsetCursor(); });
    QStringList captions;
    for (const ReportColumn &c : columns)
        captions << QString::fromLatin1(c.caption);
    list->setHeaderLabels(captions);
    int i = 0;
    for (const ReportColumn &c : columns) {
        if (c.width > 0)
            list->setColumnWidth(i, c.width);
        if (c.right)
            list->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
        ++i;
    }
    return list;
}

QWidget *fullPage(const char *name, QWidget *content, QWidget *parent)
{
    auto *w = new QWidget(parent);
    w->setObjectName(QString::fromLatin1(name));
    auto *layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(w);
    layout->addWidget(content);
    return w;
}

} // namespace objectmap
