#include "HistoryPage.h"

#include "EditorFonts.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

HistoryPage::HistoryPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsHistory"));
    lv = new QTreeWidget;
    lv->setObjectName(QStringLiteral("lv"));
    lv->setColumnCount(4);
    lv->setHeaderLabels({QStringLiteral("#"), QStringLiteral("Query"), QStringLiteral("Time [s]"),
                         QStringLiteral("Record count")});
    lv->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    lv->header()->setMinimumSectionSize(16);
    lv->setColumnWidth(0, 25);
    lv->setColumnWidth(1, 420);
    lv->setColumnWidth(3, 80);
    lv->header()->setSectionsClickable(false);
    lv->header()->setStretchLastSection(false);
    lv->setRootIsDecorated(false);
    lv->setItemsExpandable(false);
    lv->setUniformRowHeights(true);
    lv->setAllColumnsShowFocus(true);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The selection stays as visible when the list loses the focus.
    QPalette palette = lv->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    lv->setPalette(palette);
    connect(lv, &QTreeWidget::itemSelectionChanged, this, &HistoryPage::lvSelectItem);
    connect(lv, &QTreeWidget::itemDoubleClicked, this, &HistoryPage::lvDblClick);

    mSQL = new QPlainTextEdit;
    mSQL->setObjectName(QStringLiteral("mSQL"));
    mSQL->setReadOnly(true);
    mSQL->setFont(sqlTextFont());
    mSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    splitter_ = new QSplitter(Qt::Vertical);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(lv);
    splitter_->addWidget(mSQL);
    // The memo keeps its height when the window is resized; the list takes the rest.
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] { sqlHeight_ = mSQL->height(); });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);
}

void HistoryPage::showItem(QTreeWidgetItem *item, const query::ListViewItem &entry) const
{
    item->setText(0, QString::fromStdString(entry.caption));
    for (int column = 1; column < 4; ++column) {
        const std::size_t sub = std::size_t(column - 1);
        item->setText(column, sub < entry.subItems.size() ? QString::fromStdString(entry.subItems[sub]) : QString());
    }
    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
}

void HistoryPage::fillList()
{
    lv->setUpdatesEnabled(false);
    lv->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(qsizetype(history_.count()));
    for (std::size_t i = 0; i < history_.count(); ++i) {
        auto *item = new QTreeWidgetItem;
        showItem(item, history_.entry(i));
        items.append(item);
    }
    lv->addTopLevelItems(items);
    lv->setUpdatesEnabled(true);
}

void HistoryPage::UpdateHistory(const std::string &sql, std::uint32_t executionMs, std::int32_t records)
{
    lv->setUpdatesEnabled(false);
    const query::History::Update update = history_.UpdateHistory(sql, executionMs, records);
    if (update.inserted) {
        auto *item = new QTreeWidgetItem;
        showItem(item, history_.entry(0));
        lv->insertTopLevelItem(0, item);
    } else if (QTreeWidgetItem *item = lv->topLevelItem(int(update.index))) {
        showItem(item, history_.entry(update.index));
    }
    lv->setUpdatesEnabled(true);
}

void HistoryPage::clear()
{
    lv->setUpdatesEnabled(false);
    history_.Clear();
    lv->clear();
    lv->setUpdatesEnabled(true);
    mSQL->clear();
}

query::LoadResult HistoryPage::load(const std::string &fileName)
{
    const query::LoadResult loaded = query::LoadListViewFile(history_, fileName);
    fillList();
    return loaded;
}

bool HistoryPage::save(const std::string &fileName) const
{
    return query::SaveListViewFile(history_, fileName);
}

int HistoryPage::selectedIndex() const
{
    const QList<QTreeWidgetItem *> selected = lv->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int index = lv->indexOfTopLevelItem(selected.first());
    return index >= 0 && std::size_t(index) < history_.count() ? index : -1;
}

void HistoryPage::lvSelectItem()
{
    const int index = selectedIndex();
    if (index >= 0)
        mSQL->setPlainText(QString::fromStdString(history_.statement(std::size_t(index))));
}

void HistoryPage::lvDblClick()
{
    const int index = selectedIndex();
    if (index >= 0)
        emit statementChosen(QString::fromStdString(history_.statement(std::size_t(index))));
}

int HistoryPage::sqlHeight() const
{
    return sqlHeightApplied_ ? mSQL->height() : sqlHeight_;
}

void HistoryPage::setSqlHeight(int height)
{
    sqlHeight_ = height;
    if (sqlHeightApplied_)
        applySqlHeight();
}

void HistoryPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!sqlHeightApplied_)
        applySqlHeight();
}

// The memo's stored height, once the page has a size to share.
void HistoryPage::applySqlHeight()
{
    const int total = splitter_->height() - splitter_->handleWidth();
    if (total <= 0)
        return;
    const int height = qBound(0, sqlHeight_, total);
    splitter_->setSizes({total - height, height});
    sqlHeightApplied_ = true;
}
