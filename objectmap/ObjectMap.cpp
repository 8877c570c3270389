#include "ObjectMap.h"

#include "DetailImages.h"
#include "DetailPages.h"
#include "DlgObjProps.h"
#include "Fonts.h"
#include "ObjectMapRules.h"
#include "ReportList.h"
#include "UpdateBlock.h"
#include "WaitCursor.h"
#include "app/Application.h"
#include "app/Icons.h"
#include "app/Prompts.h"
#include "engine/MSAccess.h"
#include "engine/TypeNames.h"
#include "query/TableWindow.h"
#include "session/Session.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using automation::Variant;
using objectmap::fullPage;
using objectmap::kindOfGroup;
using objectmap::UpdateBlock;

namespace {

QString text(const std::string &s)
{
    return QString::fromStdString(s);
}

// Runs a handler's work; an engine error goes to the program's error report and the window
// stays usable.
template <class Work>
void reporting(Work &&work)
{
    try {
        work();
    } catch (const std::exception &) {
        Application::handleException(std::current_exception());
    }
}

} // namespace

TfrmObjectMap::TfrmObjectMap(session::Session &session, OptionsSource options, QWidget *parent)
    : QWidget(parent), Storage(QStringLiteral("1.x/ObjectMap")), session_(session), options_(std::move(options))
{
    setObjectName(QStringLiteral("frmObjectMap"));
    setWindowTitle(QStringLiteral("Object Map"));
    setFont(objectmap::windowFont());
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
    tsObjects = fullPage("tsObjects", Tree, pc);
    pc->addTab(tsObjects, QStringLiteral(" Objects "));

    pcDetails = new TDetailPages(img);
    QTreeWidget *fields = pcDetails->fieldList();
    fields->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(fields, &QWidget::customContextMenuRequested, this,
            [this, fields](const QPoint &pos) { FieldMenu->popup(fields->viewport()->mapToGlobal(pos)); });
    tsProps = fullPage("tsProps", pcDetails, pc);
    pc->addTab(tsProps, QStringLiteral(" Properties "));
    connect(pc, &QTabWidget::currentChanged, this, &TfrmObjectMap::pcChange);
    layout()->addWidget(pc);
}

QTreeWidgetItem *TfrmObjectMap::selectedEntry() const
{
    const QList<QTreeWidgetItem *> selected = Tree->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

// Fills the tree from the catalogue. Only names are read, one definition object at a time.
void TfrmObjectMap::BuildTree()
{
    if (!session_.isOpen())
        return;
    pc->setCurrentWidget(tsObjects);
    const ShowOptions shown = options_ ? options_() : ShowOptions{};
    const bool showSystem = shown.systemObjects;
    const bool showContainers = shown.containers;
    engine::TMSAccess &a = session_.access();
    {
        objectmap::WaitCursor wait;
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
    if (kind != ObjectKind::None)
        setWindowTitle(name);
    pcDetails->ShowDefinition(session_.access(), name, kind);
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
    engine::TMSAccess &a = session_.access();
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
        if (!EditObjectDefinition(session_, this, FCurrentObject, FCurrentKind))
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
        if (EditObjectDefinition(session_, this, FCurrentObject, FCurrentKind))
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
        session_.database().get(collections[int(FCurrentKind)]).call("Delete", {name});
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
        if (queryOpener_)
            queryOpener_(name);
    });
}

void TfrmObjectMap::cmCopy()
{
    const QTreeWidget *lv = pcDetails->fieldList();
    QStringList names;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        names << lv->topLevelItem(i)->text(1);
    QApplication::clipboard()->setText(objectmap::commaText(names));
}

// A new table window each time, owned by this window: it goes when the object map goes.
void TfrmObjectMap::cmTableEditor()
{
    QTreeWidgetItem *entry = selectedEntry();
    if (!entry || !entry->parent())
        return;
    auto *table = new TfrmTable(this);
    table->FTableName = entry->text(0);
    // Beside this window in the frame's MDI area; a window without one shows the table alone.
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (sub && sub->mdiArea())
        sub->mdiArea()->addSubWindow(table);
    table->ShowTable();
}

void TfrmObjectMap::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (placementRestored_)
        return;
    placementRestored_ = true;
    // The frame opens at the window's size; a stored placement then applies.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        sub->resize(255, 422);
        reporting([&] { Storage.restorePlacement(sub); });
    }
}

void TfrmObjectMap::closeEvent(QCloseEvent *event)
{
    Storage.savePlacement(SettingsStore::placementTarget(this));
    event->accept();
}
