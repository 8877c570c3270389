#pragma once

#include "query/core/History.h"
#include "query/core/HistoryFile.h"

#include <QWidget>

#include <cstdint>
#include <string>

class QPlainTextEdit;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

// The query window's History page: the list `lv` of the statements run, above a splitter and
// the memo `mSQL` with the selected statement's full text. The list shows the history entry by
// entry; every change goes through the history first.
class HistoryPage : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPage(QWidget *parent = nullptr);

    const query::History &history() const { return history_; }
    // Records a statement that ran without error.
    void UpdateHistory(const std::string &sql, std::uint32_t executionMs, std::int32_t records);
    // Removes every entry; numbering starts at 1 again.
    void clear();
    // Appends the items of a history file, as far as they are whole.
    query::LoadResult load(const std::string &fileName);
    bool save(const std::string &fileName) const;

    // The memo's height: the stored one until the page has been laid out, then the real one.
    int sqlHeight() const;
    void setSqlHeight(int height);

signals:
    // An entry was double-clicked.
    void statementChosen(const QString &statement);

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void lvSelectItem();
    void lvDblClick();

private:
    int selectedIndex() const;
    void showItem(QTreeWidgetItem *item, const query::ListViewItem &entry) const;
    void fillList();
    void applySqlHeight();

    QTreeWidget *lv;
    QSplitter *splitter_;
    QPlainTextEdit *mSQL;
    query::History history_;
    int sqlHeight_ = 89;
    bool sqlHeightApplied_ = false;
};
