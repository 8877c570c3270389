#include "ObjectMap.h"

#include "DetailImages.h"
#include "DlgObjProps.h"
#include "Fonts.h"
#include "ObjectMapRules.h"
#include "app/Application.h"
#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "engine/MSAccess.h"
#include "engine/TypeNames.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using automation::Variant;
using objectmap::kindOfGroup;

namespace {

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

// A member's value as text; a missing value (Null) shows as nothing.
QString valueText(const Variant &v)
{
    return v.isNull() ? QString() : text(v.toText());
}

QString boolText(const Variant &v)
{
    return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
}

// Runs a handler's work; an engine error goes to the program's error report and the window
// stays usable.
template <class Work>
void reporting(Work &&work)
{
    try {
        work();
    } catch (const std::exception &e) {
        Application::reportException(QString::fromUtf8(e.what()));
    }
}

// Repaints of the widgets are held back while it lives.
class UpdateBlock {
public:
    explicit UpdateBlock(std::initializer_list<QWidget *> widgets) : widgets_(widgets)
    {
        for (QWidget *w : widgets_)
            w->setUpdatesEnabled(false);
    }
    ~UpdateBlock()
    {
        for (QWidget *w : widgets_)
            w->setUpdatesEnabled(true);
    }

private:
    QList<QWidget *> widgets_;
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The hot item of a detail list is underlined, as the lists' hot-track style asks. In a list
// with images every row keeps the image's room, so the row numbers stand in one column.
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

struct Column {
    const char *caption;
    int width; // 0 keeps the header's default width
    bool right = false;
};

// A report list: whole-row selection, headers that cannot be clicked, a hand pointer over items.
QTreeWidget *reportList(const char *name, std::initializer_list<Column> columns, bool images = false)
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
    for (const Column &c : columns)
        captions << QString::fromLatin1(c.caption);
    list->setHeaderLabels(captions);
    int i = 0;
    for (const Column &c : columns) {
        if (c.width > 0)
            list->setColumnWidth(i, c.width);
        if (c.right)
            list->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
        ++i;
    }
    return list;
}

QWidget *page(const char *name, QWidget *content, QWidget *parent)
{
    auto *w = new QWidget(parent);
    w->setObjectName(QString::fromLatin1(name));
    auto *layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(w);
    layout->addWidget(content);
    return w;
}

engine::TMSAccess &access()
{
    return *TfrmMain::instance()->Access;
}

} // namespace

TfrmObjectMap::TfrmObjectMap(QWidget *parent) : QWidget(parent), Storage(QStringLiteral("1.x/ObjectMap"))
{
    setObjectName(QStringLiteral("frmObjectMap"));
    setWindowTitle(QStringLiteral("Object Map"));
    setFont(objectmap::windowFont());
    resize(255, 422);
    for (const char *name : {"group", "table", "query", "relation", "container"})
        imgTree << commandIcon(QString::fromLatin1(name));
    img << objectmap::requiredFieldImage() << objectmap::primaryIndexImage();

    buildMenus();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildTools();
    buildPages();
    sb = new QStatusBar(this);
    sb->setObjectName(QStringLiteral("sb"));
    sb->setSizeGripEnabled(false);
    sbPanel = new QLabel(sb);
    sbPanel->setObjectName(QStringLiteral("sbPanel"));
    sb->addWidget(sbPanel, 1);
    layout->addWidget(sb);

    UpdateCommands();
    reporting([this] { BuildTree(); });
}

TfrmObjectMap::~TfrmObjectMap() = default;

QAction *TfrmObjectMap::addCommand(QMenu *menu, const char *name, const QString &caption,
                                   void (TfrmObjectMap::*slot)())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    return action;
}

void TfrmObjectMap::buildMenus()
{
    mmObject = new QMenu(QStringLiteral("Object"), this);
    mmObject->setObjectName(QStringLiteral("mmObject"));
    mmNew = addCommand(mmObject, "mmNew", QStringLiteral("New..."), &TfrmObjectMap::cmNew);
    mmEdit = addCommand(mmObject, "mmEdit", QStringLiteral("Edit..."), &TfrmObjectMap::cmEdit);
    mmDel = addCommand(mmObject, "mmDel", QStringLiteral("Delete"), &TfrmObjectMap::cmDel);
    N1 = mmObject->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    mmTableEdit = addCommand(mmObject, "mmTableEdit", QStringLiteral("Table Editor"), &TfrmObjectMap::cmTableEditor);
    N1->setVisible(false);
    mmTableEdit->setVisible(false);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    pmQuery = addCommand(PopupMenu, "pmQuery", QStringLiteral("Select as Query"), &TfrmObjectMap::cmSelect);
    PopupMenu->addSeparator();
    pmNew = addCommand(PopupMenu, "pmNew", QStringLiteral("New..."), &TfrmObjectMap::cmNew);
    pmEdit = addCommand(PopupMenu, "pmEdit", QStringLiteral("Edit..."), &TfrmObjectMap::cmEdit);
    pmDel = addCommand(PopupMenu, "pmDel", QStringLiteral("Delete"), &TfrmObjectMap::cmDel);
    N2 = PopupMenu->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    pmTableEdit = addCommand(PopupMenu, "pmTableEdit", QStringLiteral("Table Editor"), &TfrmObjectMap::cmTableEditor);
    N2->setVisible(false);
    pmTableEdit->setVisible(false);
    connect(PopupMenu, &QMenu::aboutToShow, this, &TfrmObjectMap::PopupMenuPopup);

    FieldMenu = new QMenu(this);
    FieldMenu->setObjectName(QStringLiteral("FieldMenu"));
    pmCopy = addCommand(FieldMenu, "pmCopy", QStringLiteral("Copy fields to clipboard"), &TfrmObjectMap::cmCopy);
}

void TfrmObjectMap::buildTools()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("ToolPanel"));
    panel->setFixedHeight(28);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(0);
    auto button = [&](const char *name, const char *hint, const char *icon, void (TfrmObjectMap::*slot)()) {
        auto *b = new QToolButton(panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(QString::fromLatin1(hint));
        b->setIcon(commandIcon(QString::fromLatin1(icon)));
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(24, 22);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, slot);
        row->addWidget(b);
        return b;
    };
    sbNew = button("sbNew", "New object", "new", &TfrmObjectMap::cmNew);
    sbEdit = button("sbEdit", "Edit object", "edit", &TfrmObjectMap::cmEdit);
    sbDel = button("sbDel", "Delete object", "delete", &TfrmObjectMap::cmDel);
    row->addSpacing(8);
    sbTableEdit = button("sbTableEdit", "Table editor", "table", &TfrmObjectMap::cmTableEditor);
    sbTableEdit->setVisible(false);
    row->addStretch(1);
    layout()->addWidget(panel);
}

void TfrmObjectMap::buildPages()
{
    pc = new QTabWidget(this);
    pc->setObjectName(QStringLiteral("pc"));
    pc->tabBar()->setCursor(Qt::PointingHandCursor);

    Tree = new QTreeWidget;
    Tree->setObjectName(QStringLiteral("Tree"));
    Tree->setHeaderHidden(true);
    Tree->setIndentation(19);
    Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    Tree->viewport()->installEventFilter(this);
    connect(Tree, &QTreeWidget::itemSelectionChanged, this, &TfrmObjectMap::TreeChange);
    connect(Tree, &QTreeWidget::itemDoubleClicked, this, &TfrmObjectMap::TreeDblClick);
    connect(Tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu->popup(Tree->viewport()->mapToGlobal(pos)); });
    tsObjects = page("tsObjects", Tree, pc);
    pc->addTab(tsObjects, QStringLiteral(" Objects "));

    tsProps = page("tsProps", buildDetails(), pc);
    pc->addTab(tsProps, QStringLiteral(" Properties "));
    connect(pc, &QTabWidget::currentChanged, this, &TfrmObjectMap::pcChange);
    layout()->addWidget(pc);
}

QWidget *TfrmObjectMap::buildDetails()
{
    pcDetails = new QTabWidget;
    pcDetails->setObjectName(QStringLiteral("pcDetails"));
    pcDetails->tabBar()->setCursor(Qt::PointingHandCursor);
    // Every tab is seen whole; Qt's tab bar has one row, so it shows none elided.
    pcDetails->setElideMode(Qt::ElideNone);

    lv = reportList("lv",
                    {{"  #", 40},
                     {"Field name", 140},
                     {"Data type", 100},
                     {"Size", 40, true},
                     {"Rule", 100},
                     {"Default", 0},
                     {"Zero Length", 70},
                     {"Required", 60}},
                    true);
    lv->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lv, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { FieldMenu->popup(lv->viewport()->mapToGlobal(pos)); });
    tsFields = page("tsFields", lv, pcDetails);

    mSQL = new QPlainTextEdit;
    mSQL->setObjectName(QStringLiteral("mSQL"));
    mSQL->setReadOnly(true);
    mSQL->setFont(objectmap::sqlFont());
    mSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tsSQL = page("tsSQL", mSQL, pcDetails);

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto side = [this](QGroupBox *&box, QLineEdit *&edit, QListWidget *&list, const char *boxName,
                       const char *caption, const char *editName, const char *listName) {
        box = new QGroupBox(QString::fromLatin1(caption), Panel2);
        box->setObjectName(QString::fromLatin1(boxName));
        edit = new QLineEdit(box);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        list = new QListWidget(box);
        list->setObjectName(QString::fromLatin1(listName));
        auto *l = new QVBoxLayout(box);
        l->setContentsMargins(4, 4, 4, 4);
        l->addWidget(edit);
        l->addWidget(list);
    };
    side(gbRef, eRef, lbRef, "gbRef", " Referential Table ", "eRef", "lbRef");
    side(gbFor, eFor, lbFor, "gbFor", " Foreign Table ", "eFor", "lbFor");
    Panel2->installEventFilter(this);
    tsRel = page("tsRel", Panel2, pcDetails);

    lvDoc = reportList("lvDoc", {{"#", 20}, {"Name", 100}, {"Created", 120}, {"Modified", 120}});
    tsDocs = page("tsDocs", lvDoc, pcDetails);
    lvIdx = reportList("lvIdx", {{"#", 20}, {"Index name", 100}, {"Fields", 150}, {"Type", 150}}, true);
    tsIdx = page("tsIdx", lvIdx, pcDetails);
    lvParams = reportList("lvParams", {{"#", 20}, {"Name", 100}, {"Direction", 100}, {"Type", 100}});
    tsParams = page("tsParams", lvParams, pcDetails);

    pcDetails->addTab(tsFields, QStringLiteral(" Fields "));
    pcDetails->addTab(tsSQL, QStringLiteral(" SQL "));
    pcDetails->addTab(tsRel, QStringLiteral(" Relations "));
    pcDetails->addTab(tsDocs, QStringLiteral(" Documents "));
    pcDetails->addTab(tsIdx, QStringLiteral(" Indexes"));
    pcDetails->addTab(tsParams, QStringLiteral(" Parameters "));
    for (int i = 0; i < pcDetails->count(); ++i)
        pcDetails->setTabVisible(i, false);
    pcDetails->hide();
    return pcDetails;
}

QTreeWidgetItem *TfrmObjectMap::selectedEntry() const
{
    const QList<QTreeWidgetItem *> selected = Tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

// Fills the tree from the catalogue. Only names are read, one definition object at a time.
void TfrmObjectMap::BuildTree()
{
    TfrmMain *main = TfrmMain::instance();
    if (!main || !main->Access->DatabaseOpen())
        return;
    pc->setCurrentWidget(tsObjects);
    const bool showSystem = settingToBool(main->Storage.value(QStringLiteral("System")));
    const bool showContainers = settingToBool(main->Storage.value(QStringLiteral("Cont")));
    engine::TMSAccess &a = *main->Access;
    {
        UpdateBlock block({Tree});
        Tree->collapseAll();
        Tree->clear();
        // A group entry and its definitions; the entries read before an error still join it.
        auto fill = [this](const char *caption, int image, auto &&count, auto &&nameAt) {
            auto *into = new QTreeWidgetItem(Tree, {QString::fromLatin1(caption)});
            into->setIcon(0, imgTree[0]);
            QList<QTreeWidgetItem *> entries;
            const auto join = qScopeGuard([&] { into->addChildren(entries); });
            const std::int32_t n = count();
            for (std::int32_t i = 0; i < n; ++i) {
                std::string name;
                if (!nameAt(i, name))
                    continue;
                auto *entry = new QTreeWidgetItem({text(name)});
                entry->setIcon(0, imgTree[image]);
                entries << entry;
            }
        };
        fill(
            objectmap::kTablesGroup, 1, [&] { return a.TableDefCount(); },
            [&](std::int32_t i, std::string &name) {
                const Variant def = a.GetTableDef(i);
                if (!objectmap::tableListed(std::uint32_t(def.get("Attributes").toInt64()), showSystem))
                    return false;
                name = def.get("Name").toText();
                return true;
            });
        fill(
            objectmap::kQueriesGroup, 2, [&] { return a.QueryDefCount(); },
            [&](std::int32_t i, std::string &name) {
                // The access object gives Null for a query it cannot fetch: no name to list.
                const Variant def = a.GetQueryDef(i);
                if (!def.isObject())
                    return false;
                name = def.get("Name").toText();
                return true;
            });
        fill(
            objectmap::kRelationsGroup, 3, [&] { return a.RelationCount(); },
            [&](std::int32_t i, std::string &name) {
                name = a.GetRelation(i).get("Name").toText();
                return true;
            });
        if (showContainers)
            fill(
                objectmap::kContainersGroup, 4, [&] { return a.ContainerCount(); },
                [&](std::int32_t i, std::string &name) {
                    name = a.GetContainer(i).get("Name").toText();
                    return true;
                });
    }
}

void TfrmObjectMap::ShowDetails(const QString &name, ObjectKind kind)
{
    for (int i = 0; i < pcDetails->count(); ++i)
        pcDetails->setTabVisible(i, false);
    pcDetails->hide();
    // The first shown page becomes the active one, also when an error ends the filling.
    const auto finish = qScopeGuard([this] {
        for (int i = 0; i < pcDetails->count(); ++i) {
            if (pcDetails->isTabVisible(i)) {
                pcDetails->setCurrentIndex(i);
                pcDetails->show();
                break;
            }
        }
    });
    UpdateBlock block({lv, lbRef, lbFor, lvDoc, lvIdx, lvParams});
    WaitCursor wait;
    for (QTreeWidget *list : {lv, lvDoc, lvIdx, lvParams})
        list->clear();
    lbRef->clear();
    lbFor->clear();
    eRef->clear();
    eFor->clear();
    mSQL->clear();
    if (kind != ObjectKind::None)
        setWindowTitle(name);
    engine::TMSAccess &a = access();
    const std::string key = name.toStdString();
    switch (kind) {
    case ObjectKind::Table: {
        const Variant def = a.GetTableDefByName(key);
        if (!def.isObject())
            break;
        fillFields(def);
        pcDetails->setTabVisible(pcDetails->indexOf(tsFields), true);
        fillIndexes(def);
        pcDetails->setTabVisible(pcDetails->indexOf(tsIdx), true);
        break;
    }
    case ObjectKind::Query: {
        const Variant def = a.GetQueryDefByName(key);
        if (!def.isObject())
            break;
        // A query the engine cannot prepare has no fields or parameters to list; its SQL
        // still shows.
        try {
            fillFields(def);
            pcDetails->setTabVisible(pcDetails->indexOf(tsFields), true);
        } catch (const std::exception &) {
        }
        mSQL->setPlainText(text(def.get("SQL").toText()));
        pcDetails->setTabVisible(pcDetails->indexOf(tsSQL), true);
        try {
            fillParameters(def);
            pcDetails->setTabVisible(pcDetails->indexOf(tsParams), true);
        } catch (const std::exception &) {
        }
        break;
    }
    case ObjectKind::Relation: {
        const Variant def = a.GetRelationByName(key);
        if (!def.isObject())
            break;
        fillRelation(def);
        pcDetails->setTabVisible(pcDetails->indexOf(tsRel), true);
        break;
    }
    case ObjectKind::Container: {
        const Variant def = a.GetContainerByName(key);
        if (!def.isObject())
            break;
        fillDocuments(def);
        pcDetails->setTabVisible(pcDetails->indexOf(tsDocs), true);
        break;
    }
    case ObjectKind::None:
        break;
    }
}

void TfrmObjectMap::fillFields(const Variant &def)
{
    const Variant fields = def.get("Fields");
    const std::int32_t count = fields.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant f = fields.item(i);
        const bool required = f.get("Required").toBool();
        auto *row = new QTreeWidgetItem(QStringList{
            QString::number(i), text(f.get("Name").toText()),
            text(engine::FieldTypeName(std::int16_t(f.get("Type").toInt()))), QString::number(f.get("Size").toInt()),
            valueText(f.get("ValidationRule")), valueText(f.get("DefaultValue")), boolText(f.get("AllowZeroLength")),
            required ? QStringLiteral("True") : QStringLiteral("False")});
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        if (required)
            row->setIcon(0, img[0]);
        // Row by row: the rows read before an error stay.
        lv->addTopLevelItem(row);
    }
}

void TfrmObjectMap::fillIndexes(const Variant &def)
{
    const Variant indexes = def.get("Indexes");
    const std::int32_t count = indexes.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant index = indexes.item(i);
        const Variant fields = index.get("Fields");
        QStringList names;
        const std::int32_t fieldCount = fields.get("Count").toInt();
        for (std::int32_t j = 0; j < fieldCount; ++j)
            names << text(fields.item(j).get("Name").toText());
        const bool primary = index.get("Primary").toBool();
        auto *row = new QTreeWidgetItem(QStringList{
            QString::number(i), text(index.get("Name").toText()), names.join(QLatin1Char(',')),
            objectmap::indexTypeText(primary, index.get("Unique").toBool(), index.get("Foreign").toBool())});
        if (primary)
            row->setIcon(0, img[1]);
        lvIdx->addTopLevelItem(row);
    }
}

void TfrmObjectMap::fillParameters(const Variant &def)
{
    const Variant parameters = def.get("Parameters");
    const std::int32_t count = parameters.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant p = parameters.item(i);
        lvParams->addTopLevelItem(new QTreeWidgetItem(QStringList{
            QString::number(i), text(p.get("Name").toText()),
            text(engine::ParameterDirectionName(p.get("Direction").toInt())),
            text(engine::FieldTypeName(std::int16_t(p.get("Type").toInt())))}));
    }
}

// Line i of both lists is one field pair of the relation.
void TfrmObjectMap::fillRelation(const Variant &def)
{
    eRef->setText(text(def.get("Table").toText()));
    eFor->setText(text(def.get("foreigntable").toText()));
    const Variant fields = def.get("Fields");
    const std::int32_t count = fields.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant f = fields.item(i);
        lbRef->addItem(text(f.get("Name").toText()));
        lbFor->addItem(text(f.get("ForeignName").toText()));
    }
}

void TfrmObjectMap::fillDocuments(const Variant &def)
{
    const Variant documents = def.get("Documents");
    const std::int32_t count = documents.get("Count").toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const Variant d = documents.item(i);
        lvDoc->addTopLevelItem(new QTreeWidgetItem(QStringList{
            QString::number(i), text(d.get("Name").toText()), objectmap::documentDateText(d.get("DateCreated").toDate()),
            objectmap::documentDateText(d.get("LastUpdated").toDate())}));
    }
}

void TfrmObjectMap::pcChange()
{
    if (pc->currentWidget() == tsObjects) {
        setWindowTitle(QStringLiteral("Object Map"));
        return;
    }
    QString name;
    ObjectKind kind = ObjectKind::None;
    if (QTreeWidgetItem *entry = selectedEntry(); entry && entry->parent()) {
        name = entry->text(0);
        kind = kindOfGroup(entry->parent()->text(0));
    }
    reporting([&] { ShowDetails(name, kind); });
}

void TfrmObjectMap::TreeDblClick()
{
    QTreeWidgetItem *entry = selectedEntry();
    if (!entry || !entry->parent())
        return;
    if (pc->currentWidget() == tsProps)
        pcChange();
    else
        pc->setCurrentWidget(tsProps); // runs pcChange
}

void TfrmObjectMap::UpdateCommands()
{
    QTreeWidgetItem *entry = selectedEntry();
    const bool definition = entry && entry->parent();
    for (QAction *a : {mmEdit, mmDel, mmTableEdit, pmEdit, pmDel, pmTableEdit})
        a->setEnabled(definition);
    for (QAction *a : {mmNew, pmNew})
        a->setEnabled(true);
    // Only tables and queries (the first two groups) have rows to select.
    pmQuery->setEnabled(definition
                        && (entry->parent() == Tree->topLevelItem(0) || entry->parent() == Tree->topLevelItem(1)));
    // The buttons follow the menu items; Qt reports hidden actions (the table editor's) as
    // disabled, so that button takes the rule itself.
    sbNew->setEnabled(mmNew->isEnabled());
    sbEdit->setEnabled(mmEdit->isEnabled());
    sbDel->setEnabled(mmDel->isEnabled());
    sbTableEdit->setEnabled(definition);
}

void TfrmObjectMap::TreeChange()
{
    UpdateCommands();
    QTreeWidgetItem *entry = selectedEntry();
    if (!entry)
        return;
    if (!entry->parent()) {
        sbPanel->setText(QStringLiteral("%1 object(s)").arg(entry->childCount()));
        return;
    }
    reporting([&] { showStatus(entry); });
}

void TfrmObjectMap::showStatus(QTreeWidgetItem *entry)
{
    SelectObject(entry);
    switch (FCurrentKind) {
    case ObjectKind::Table:
        sbPanel->setText(QStringLiteral("Attributes: %1, RecordCount: %2")
                             .arg(text(engine::TableAttributesText(std::uint32_t(FCurrentObject.get("Attributes").toInt64()))))
                             .arg(FCurrentObject.get("RecordCount").toInt()));
        break;
    case ObjectKind::Query:
        sbPanel->setText(QStringLiteral("Type: %1").arg(
            text(engine::QueryTypeName(std::int16_t(FCurrentObject.get("Type").toInt())))));
        break;
    case ObjectKind::Relation:
        sbPanel->setText(QStringLiteral("Type: %1").arg(
            text(engine::RelationAttributeName(std::uint32_t(FCurrentObject.get("Attributes").toInt64())))));
        break;
    case ObjectKind::None:
    case ObjectKind::Container:
        break; // a container keeps the previous text
    }
}

void TfrmObjectMap::SelectObject(QTreeWidgetItem *entry)
{
    FCurrentKind = ObjectKind::None;
    FCurrentObject = Variant();
    if (!entry || !entry->parent())
        return;
    const std::string name = entry->text(0).toStdString();
    engine::TMSAccess &a = access();
    switch (kindOfGroup(entry->parent()->text(0))) {
    case ObjectKind::Table:
        FCurrentKind = ObjectKind::Table;
        FCurrentObject = a.GetTableDefByName(name);
        break;
    case ObjectKind::Query:
        FCurrentKind = ObjectKind::Query;
        FCurrentObject = a.GetQueryDefByName(name);
        break;
    case ObjectKind::Relation:
        FCurrentKind = ObjectKind::Relation;
        FCurrentObject = a.GetRelationByName(name);
        break;
    case ObjectKind::Container:
    case ObjectKind::None:
        break; // containers resolve to nothing
    }
}

bool TfrmObjectMap::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Tree->viewport() && event->type() == QEvent::MouseButtonPress)
        TreeMouseDown(static_cast<QMouseEvent *>(event));
    else if (watched == Panel2 && event->type() == QEvent::Resize)
        Panel2Resize();
    return QWidget::eventFilter(watched, event);
}

// A right click selects the entry under the pointer, so the context menu acts on it.
void TfrmObjectMap::TreeMouseDown(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton)
        return;
    if (QTreeWidgetItem *entry = Tree->itemAt(event->position().toPoint()))
        Tree->setCurrentItem(entry);
}

// The referential side takes half of the panel's width, the foreign side the rest, inside a
// border of 3 pixels.
void TfrmObjectMap::Panel2Resize()
{
    const QRect inner = Panel2->rect().adjusted(3, 3, -3, -3);
    const int left = Panel2->width() / 2;
    gbRef->setGeometry(inner.left(), inner.top(), left, inner.height());
    gbFor->setGeometry(inner.left() + left, inner.top(), std::max(0, inner.width() - left), inner.height());
}

void TfrmObjectMap::PopupMenuPopup()
{
    UpdateCommands();
}

// Selects the entry of a definition by name: among the entries of its own kind first, so a
// definition named like a group entry or like a definition of another kind is still found.
void TfrmObjectMap::selectDefinition(const QString &name)
{
    QTreeWidgetItem *entry = nullptr;
    const QString group = objectmap::groupOfKind(FCurrentKind);
    for (int g = 0; g < Tree->topLevelItemCount() && !entry; ++g) {
        QTreeWidgetItem *top = Tree->topLevelItem(g);
        if (top->text(0) != group)
            continue;
        for (int i = 0; i < top->childCount() && !entry; ++i)
            if (top->child(i)->text(0).toUpper() == name.toUpper())
                entry = top->child(i);
    }
    if (!entry)
        entry = objectmap::FindTreeNode(Tree, name);
    if (!entry)
        return;
    Tree->scrollToItem(entry);
    Tree->setCurrentItem(entry);
}

void TfrmObjectMap::cmNew()
{
    reporting([this] {
        FCurrentObject = Variant();
        FCurrentKind = ObjectKind::None;
        if (!EditObjectDefinition(FCurrentObject, FCurrentKind))
            return;
        BuildTree();
        selectDefinition(text(FCurrentObject.get("Name").toText()));
    });
}

void TfrmObjectMap::cmEdit()
{
    QTreeWidgetItem *entry = selectedEntry();
    if (!entry || !entry->parent())
        return;
    reporting([&] {
        SelectObject(entry);
        // A container resolves to nothing, so the dialog opens to create, as for New.
        if (EditObjectDefinition(FCurrentObject, FCurrentKind))
            BuildTree();
        if (FCurrentObject.isObject())
            selectDefinition(text(FCurrentObject.get("Name").toText()));
    });
}

void TfrmObjectMap::cmDel()
{
    QTreeWidgetItem *entry = selectedEntry();
    if (!entry || !entry->parent())
        return;
    reporting([&] {
        SelectObject(entry);
        static const char *const collections[] = {nullptr, "TableDefs", "QueryDefs", "Relations"};
        if (FCurrentKind != ObjectKind::Table && FCurrentKind != ObjectKind::Query
            && FCurrentKind != ObjectKind::Relation) {
            // Containers are part of every database; the engine has no deletion for them.
            Prompts::warning(this, QStringLiteral("\"%1\" is a container of the database. Containers cannot be deleted.")
                                       .arg(entry->text(0)));
            return;
        }
        const Variant name = FCurrentObject.get("Name");
        if (!Prompts::confirm(this, QStringLiteral("Delete \"%1\" from database?").arg(text(name.toText()))))
            return;
        TfrmMain::instance()->CurrentDatabase.get(collections[int(FCurrentKind)]).call("Delete", {name});
        {
            UpdateBlock block({Tree});
            delete entry;
        }
        pc->setCurrentWidget(tsObjects);
    });
}

void TfrmObjectMap::cmSelect()
{
    QTreeWidgetItem *entry = selectedEntry();
    if (!entry || !entry->parent())
        return;
    const ObjectKind kind = kindOfGroup(entry->parent()->text(0));
    if (kind != ObjectKind::Table && kind != ObjectKind::Query)
        return;
    const QString name = entry->text(0);
    reporting([&] {
        TfrmMain *main = TfrmMain::instance();
        QWidget *window = main->FindChildWindow("TfrmQuery");
        if (!window)
            window = main->ShowChildWindow("TfrmQuery", false);
        if (window)
            QMetaObject::invokeMethod(window, "SelectAsQuery", Q_ARG(QString, name));
    });
}

void TfrmObjectMap::cmCopy()
{
    QStringList names;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        names << lv->topLevelItem(i)->text(1);
    QApplication::clipboard()->setText(objectmap::commaText(names));
}

void TfrmObjectMap::cmTableEditor()
{
    // The table window arrives with the query window.
}

void TfrmObjectMap::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (placementRestored_)
        return;
    placementRestored_ = true;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        reporting([&] { Storage.restorePlacement(sub); });
}

void TfrmObjectMap::closeEvent(QCloseEvent *event)
{
    QWidget *frame = qobject_cast<QMdiSubWindow *>(parentWidget()) ? parentWidget() : this;
    Storage.savePlacement(frame);
    event->accept();
}
