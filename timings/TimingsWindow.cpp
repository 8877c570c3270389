#include "TimingsWindow.h"

#include "app/Icons.h"
#include "app/Prompts.h"
#include "engine/MSAccess.h"
#include "platform/TickCount.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>

namespace {

enum Column { ColQuery, ColLast, ColAverage, ColAttempts };

// Repaints of the list are held back while it lives, also when an error passes.
class ListUpdate {
public:
    explicit ListUpdate(QWidget *list) : list_(list) { list_->setUpdatesEnabled(false); }
    ~ListUpdate() { list_->setUpdatesEnabled(true); }
    ListUpdate(const ListUpdate &) = delete;
    ListUpdate &operator=(const ListUpdate &) = delete;

private:
    QWidget *list_;
};

// The picture on the row being measured: a small arrow pointing at the query's name.
QIcon markerIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x1d, 0x5f, 0x1d), 1));
    painter.setBrush(QColor(0x3c, 0xb0, 0x3c));
    const QPointF arrow[] = {{4.5, 3.5}, {12.5, 8.0}, {4.5, 12.5}};
    painter.drawPolygon(arrow, 3);
    return QIcon(pixmap);
}

// The room a column caption needs: its text and the header's margins on both sides.
int captionWidth(const QHeaderView *header, const QString &caption)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return header->fontMetrics().horizontalAdvance(caption) + 2 * margin + 2;
}

// The marker's room on every other row, so names stay in place as the marker moves.
QIcon blankIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return QIcon(pixmap);
}

QString seconds(std::uint32_t ms)
{
    return QString::fromStdString(timings::QueryTimes::secondsText(ms, QLocale().decimalPoint().toStdString()));
}

} // namespace

TfrmTimings::TfrmTimings(AccessSource access, TickCounter ticks, QWidget *parent)
    : QWidget(parent),
      Storage(QStringLiteral("1.x/Timings")),
      access_(std::move(access)),
      ticks_(ticks ? std::move(ticks) : TickCounter(platform::tickCount)),
      marker_(markerIcon()),
      blank_(blankIcon())
{
    setObjectName(QStringLiteral("frmTimings"));
    setWindowTitle(QStringLiteral("Timings"));
    setAttribute(Qt::WA_DeleteOnClose);

    buildMenus();
    QWidget *tools = buildToolPanel();
    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Bevel1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(1);
    line->setForegroundRole(QPalette::Mid);
    buildList();
    auto *sb = new QStatusBar(this);
    sb->setObjectName(QStringLiteral("sb"));
    sb->setSizeGripEnabled(false);
    sbPanel = new QLabel(sb);
    sbPanel->setObjectName(QStringLiteral("sbPanel0"));
    // At least the panel's 50 pixels, wider when the count needs it.
    sbPanel->setMinimumWidth(50);
    sb->addWidget(sbPanel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(line);
    layout->addWidget(lv, 1);
    layout->addWidget(sb);

    FStopRequested = false;
    FRunning = false;
    UpdateControls();
    LoadQueries();
    setFocusProxy(lv);
}

TfrmTimings::~TfrmTimings() = default;

void TfrmTimings::buildMenus()
{
    const auto command = [this](const char *name, const QString &caption, const char *icon, void (TfrmTimings::*slot)(),
                                const QKeySequence &shortcut) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setIcon(commandIcon(QString::fromLatin1(icon)));
        action->setShortcut(shortcut);
        // Only while the focus is in this window.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    mmExec = command("mmExec", QStringLiteral("Execute"), "execute", &TfrmTimings::cmExec,
                     QKeySequence(Qt::CTRL | Qt::Key_E));
    mmStop = command("mmStop", QStringLiteral("Stop"), "stop", &TfrmTimings::cmStop, QKeySequence(Qt::Key_Escape));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    pmSelectAll = PopupMenu1->addAction(QStringLiteral("Select All"), this, &TfrmTimings::cmSelectAll);
    pmSelectAll->setObjectName(QStringLiteral("pmSelectAll"));
    pmDeselectAll = PopupMenu1->addAction(QStringLiteral("Deselect All"), this, &TfrmTimings::cmDeselectAll);
    pmDeselectAll->setObjectName(QStringLiteral("pmDeselectAll"));
}

QWidget *TfrmTimings::buildToolPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("ToolPanel"));
    panel->setFixedHeight(28);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(0);
    const auto button = [panel, row](const char *name, QAction *action, const char *hint) {
        auto *b = new QToolButton(panel);
        b->setObjectName(QString::fromLatin1(name));
        // The button shares the action, so it always has the command's enabled state.
        b->setDefaultAction(action);
        b->setAutoRaise(true);
        b->setFixedSize(24, 22);
        b->setIconSize(QSize(16, 16));
        b->setToolTip(QString::fromLatin1(hint));
        row->addWidget(b);
        return b;
    };
    sbExec = button("sbExec", mmExec, "Execute");
    sbStop = button("sbStop", mmStop, "Stop");
    row->addStretch();
    return panel;
}

void TfrmTimings::buildList()
{
    lv = new QTreeWidget(this);
    lv->setObjectName(QStringLiteral("lv"));
    lv->setColumnCount(4);
    lv->setRootIsDecorated(false);
    lv->setItemsExpandable(false);
    lv->setUniformRowHeights(true);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv->setIconSize(QSize(16, 16));
    lv->setSortingEnabled(false);
    lv->header()->setSectionsClickable(false);
    lv->header()->setSectionsMovable(false);
    lv->header()->setStretchLastSection(false);
    auto *header = new QTreeWidgetItem;
    const struct {
        const char *caption;
        int width;
        Qt::Alignment alignment;
    } columns[] = {
        {"Query", 200, Qt::AlignLeft},
        {"Last Time [s]", 80, Qt::AlignRight},
        {"Avg Time [s]", 75, Qt::AlignRight},
        {"Attempts", 60, Qt::AlignRight},
    };
    for (int c = 0; c < 4; ++c) {
        header->setText(c, QString::fromLatin1(columns[c].caption));
        header->setTextAlignment(c, int(columns[c].alignment | Qt::AlignVCenter));
    }
    lv->setHeaderItem(header);
    // The columns' widths, or more where the desktop's font would cut the caption.
    for (int c = 0; c < 4; ++c)
        lv->setColumnWidth(c, std::max(columns[c].width, captionWidth(lv->header(), header->text(c))));
    // The selected row stays marked when the focus goes elsewhere.
    QPalette palette = lv->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    lv->setPalette(palette);
    lv->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lv, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(lv->viewport()->mapToGlobal(pos)); });
}

bool TfrmTimings::isMarked(const QTreeWidgetItem *item) const
{
    return item && item->icon(ColQuery).cacheKey() == marker_.cacheKey();
}

QString TfrmTimings::statusText() const
{
    return sbPanel->text();
}

engine::TMSAccess *TfrmTimings::openAccess() const
{
    engine::TMSAccess *access = access_ ? access_() : nullptr;
    return access && access->DatabaseOpen() ? access : nullptr;
}

void TfrmTimings::UpdateControls()
{
    // Stop is enabled exactly when Execute is not.
    mmExec->setEnabled(!FRunning);
    mmStop->setEnabled(FRunning);
}

// Once, when the window is created: the saved queries that return rows, unticked. Queries made
// later appear in a new window only. A definition that cannot be read is left out, and the
// first such error is told when the window shows.
void TfrmTimings::LoadQueries()
{
    engine::TMSAccess *access = openAccess();
    if (!access)
        return;
    QString failure;
    {
        ListUpdate bracket(lv);
        lv->clear();
        try {
            const std::int32_t count = access->QueryDefCount();
            for (std::int32_t i = 0; i < count; ++i) {
                try {
                    const automation::Variant definition = access->GetQueryDef(i);
                    if (!definition.isObject())
                        throw std::runtime_error(access->LastError.empty() ? "A saved query could not be read."
                                                                           : access->LastError);
                    if (!timings::QueryTimes::isTimedType(definition.get("type").toInt()))
                        continue;
                    auto *item = new QTreeWidgetItem(lv);
                    item->setText(ColQuery, QString::fromStdString(definition.get("Name").toText()));
                    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
                    item->setCheckState(ColQuery, Qt::Unchecked);
                    item->setIcon(ColQuery, blank_);
                    for (int c = ColLast; c <= ColAttempts; ++c)
                        item->setTextAlignment(c, int(Qt::AlignRight | Qt::AlignVCenter));
                } catch (const std::exception &e) {
                    if (failure.isEmpty())
                        failure = QString::fromUtf8(e.what());
                }
            }
        } catch (const std::exception &e) {
            failure = QString::fromUtf8(e.what());
        }
    }
    sbPanel->setText(QStringLiteral("%1 object(s)").arg(lv->topLevelItemCount()));
    loadFailure_ = failure;
}

void TfrmTimings::cmExec()
{
    if (!FRunning)
        RunTimings();
}

void TfrmTimings::cmStop()
{
    if (FRunning)
        FStopRequested = true;
}

void TfrmTimings::setAllChecked(bool checked)
{
    ListUpdate bracket(lv);
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        lv->topLevelItem(i)->setCheckState(ColQuery, checked ? Qt::Checked : Qt::Unchecked);
}

void TfrmTimings::cmSelectAll()
{
    setAllChecked(true);
}

void TfrmTimings::cmDeselectAll()
{
    setAllChecked(false);
}

void TfrmTimings::setMarker(int row, bool on)
{
    if (QTreeWidgetItem *item = lv->topLevelItem(row)) {
        ListUpdate bracket(lv);
        item->setIcon(ColQuery, on ? marker_ : blank_);
    }
}

// The ticked queries of the moment are opened one after the other, pass after pass, until Stop.
// Pending events are processed once before each opening: that is where Stop, ticks and other
// windows are served. Stop is looked at after each ticked row's measurement and before each pass.
void TfrmTimings::RunTimings()
{
    FStopRequested = false;
    mmExec->setEnabled(false);
    mmStop->setEnabled(true);
    for (timings::QueryTimes &times : FTimes)
        times.clear();
    FTimes.clear();

    QStringList snapshot;
    bool anyTicked = false;
    for (int i = 0; i < lv->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lv->topLevelItem(i);
        snapshot << (item->checkState(ColQuery) == Qt::Checked ? item->text(ColQuery) : QString());
        anyTicked = anyTicked || !snapshot.last().trimmed().isEmpty();
    }

    QPointer<TfrmTimings> self(this);
    // Whatever leaves the loop, a window that is still here becomes idle again.
    struct Finish {
        QPointer<TfrmTimings> &self;
        ~Finish()
        {
            if (!self)
                return;
            for (int i = 0; i < self->lv->topLevelItemCount(); ++i)
                self->setMarker(i, false);
            self->FRunning = false;
            self->UpdateControls();
            // The database was closed or replaced during the run, and with it every other
            // window; this one refused while it ran and goes now.
            if (self->closeAfterRun_)
                QMetaObject::invokeMethod(SettingsStore::placementTarget(self), &QWidget::close, Qt::QueuedConnection);
        }
    } finish{self};
    if (!anyTicked)
        return;

    // The run belongs to the database open now; should it be closed or replaced meanwhile
    // (Close, Open, Refresh), the names of the list may mean nothing there.
    engine::TMSAccess *start = openAccess();
    if (!start || !start->Database.isObject())
        return;
    const std::weak_ptr<automation::Object> database = start->Database.object();

    FTimes.assign(std::size_t(snapshot.size()), {});
    int pass = 0;
    FRunning = true;
    while (!FStopRequested) {
        ++pass;
        for (int i = 0; i < snapshot.size(); ++i) {
            setMarker(i == 0 ? lv->topLevelItemCount() - 1 : i - 1, false);
            if (snapshot[i].isEmpty())
                continue;
            setMarker(i, true);
            QCoreApplication::processEvents();
            if (!self)
                return;
            engine::TMSAccess *access = openAccess();
            if (!access || !access->Database.isObject() || access->Database.object() != database.lock()) {
                closeAfterRun_ = true;
                return;
            }
            measure(*access, lv->topLevelItem(i), i, snapshot[i], pass);
            if (FStopRequested)
                break;
        }
    }
}

// One opening of one query: its figures, or "Error" with the engine's message as the row's tip.
// A failed opening adds nothing to the average; the earlier times of the row stay in it.
void TfrmTimings::measure(engine::TMSAccess &access, QTreeWidgetItem *item, int row, const QString &name, int pass)
{
    automation::Variant recordset;
    bool failed = false;
    QString error;
    try {
        const std::string queryName = name.toStdString();
        const std::uint32_t t0 = ticks_();
        recordset = access.OpenRecordset(timings::QueryTimes::statementFor(queryName));
        const std::uint32_t t1 = ticks_();
        const std::uint32_t ms = t1 - t0;
        // It opened, but what it opened is not this query: its time would be another's.
        if (!timings::QueryTimes::nameStandsAlone(queryName))
            throw std::runtime_error(timings::QueryTimes::notTheQueryMessage(queryName));
        timings::QueryTimes &times = FTimes[std::size_t(row)];
        times.add(ms);
        ListUpdate bracket(lv);
        item->setText(ColLast, seconds(ms));
        item->setText(ColAverage, seconds(times.averageMs()));
        item->setText(ColAttempts, QString::number(pass));
        for (int c = ColQuery; c <= ColAttempts; ++c)
            item->setToolTip(c, QString());
    } catch (const std::exception &e) {
        failed = true;
        error = QString::fromUtf8(e.what());
    } catch (...) {
        failed = true;
        error = QStringLiteral("The query could not be opened.");
    }
    recordset.release();
    if (!failed)
        return;
    ListUpdate bracket(lv);
    item->setText(ColLast, QString());
    item->setText(ColAverage, QString());
    item->setText(ColAttempts, QStringLiteral("Error"));
    for (int c = ColQuery; c <= ColAttempts; ++c)
        item->setToolTip(c, error);
}

void TfrmTimings::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!Storage.placeOnFirstShow(this, {441, 467}))
        return;
    lv->setFocus();
    if (!loadFailure_.isEmpty()) {
        const QString message = loadFailure_;
        loadFailure_.clear();
        Prompts::error(this, message);
    }
}

void TfrmTimings::closeEvent(QCloseEvent *event)
{
    // A run must be stopped first.
    if (FRunning) {
        event->ignore();
        return;
    }
    Storage.savePlacement(SettingsStore::placementTarget(this));
    event->accept();
}
