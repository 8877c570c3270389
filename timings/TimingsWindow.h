#pragma once

#include "app/ChildWindow.h"
#include "app/SettingsStore.h"
#include "timings/core/QueryTimes.h"

#include <QIcon>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

namespace engine {
class TMSAccess;
}

class QAction;
class QLabel;
class QMenu;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The timings window: the database's saved row-returning queries in a list with check boxes;
// Execute opens the ticked ones one after the other, pass after pass, until Stop, and shows
// each query's last time, its average over the run and the number of the pass.
class TfrmTimings : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    // The access object of the open database (null or closed when there is none), asked each
    // time the window needs it.
    using AccessSource = std::function<engine::TMSAccess *()>;
    // Milliseconds of a monotonic clock.
    using TickCounter = std::function<std::uint32_t()>;

    explicit TfrmTimings(AccessSource access, TickCounter ticks = {}, QWidget *parent = nullptr);
    ~TfrmTimings() override;

    SettingsStore Storage;

    bool running() const { return FRunning; }
    bool stopRequested() const { return FStopRequested; }
    QTreeWidget *list() const { return lv; }
    // Whether the row carries the marker of the row being measured.
    bool isMarked(const QTreeWidgetItem *item) const;
    // The status bar's panel.
    QString statusText() const;
    // The measurements of the current (or last) run, one entry per row.
    const std::vector<timings::QueryTimes> &times() const { return FTimes; }

public slots:
    void cmExec();
    void cmStop();
    void cmSelectAll();
    void cmDeselectAll();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildToolPanel();
    void buildList();
    void buildMenus();
    void LoadQueries();
    void RunTimings();
    void measure(engine::TMSAccess &access, QTreeWidgetItem *item, int row, const QString &name, int pass);
    void setMarker(int row, bool on);
    void setAllChecked(bool checked);
    void UpdateControls();
    engine::TMSAccess *openAccess() const;

    AccessSource access_;
    TickCounter ticks_;
    QToolButton *sbExec;
    QToolButton *sbStop;
    QAction *mmExec;
    QAction *mmStop;
    QTreeWidget *lv;
    QLabel *sbPanel;
    QMenu *PopupMenu1;
    QAction *pmSelectAll;
    QAction *pmDeselectAll;
    QIcon marker_;
    QIcon blank_;

    std::vector<timings::QueryTimes> FTimes;
    bool FStopRequested = false;
    bool FRunning = false;
    QString loadFailure_;
    bool closeAfterRun_ = false;
};
