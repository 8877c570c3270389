#pragma once

#include "ObjectKind.h"
#include "app/ChildWindow.h"
#include "app/SettingsStore.h"
#include "automation/Variant.h"

#include <QIcon>
#include <QList>
#include <QWidget>

#include <functional>

namespace session {
class Session;
}

class QAction;
class TDetailPages;
class QLabel;
class QMenu;
class QMouseEvent;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The open database's definitions as a two-level tree (tables, queries, relations and, when
// the stored value "Cont" is set, containers) and, on the second page, the details of the
// chosen definition. Creates and edits saved queries through the object definition dialog,
// deletes definitions, and has the query window select all rows of a table or query.
class TfrmObjectMap : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    // What the frame's preferences ask the tree to show besides the definitions.
    struct ShowOptions {
        bool systemObjects = false;
        bool containers = false;
    };
    using OptionsSource = std::function<ShowOptions()>;
    // Has a query window select all rows of the named table or query.
    using QueryOpener = std::function<void(const QString &name)>;

    // Shows the open database of `session`, which outlives the window; `options` is asked each
    // time the tree is built (none: definitions only).
    explicit TfrmObjectMap(session::Session &session, OptionsSource options = {}, QWidget *parent = nullptr);
    ~TfrmObjectMap() override;

    QMenu *groupMenu() const override { return mmObject; }

    // The definition of the entry last resolved by SelectObject, or the one the definition
    // dialog created or edited; empty for containers and before any choice.
    automation::Variant FCurrentObject;
    ObjectKind FCurrentKind = ObjectKind::None;
    SettingsStore Storage;
    // Tree images: group, table, query, relation, container.
    QList<QIcon> imgTree;
    // Detail images: required field, primary index.
    QList<QIcon> img;

    void setQueryOpener(QueryOpener opener) { queryOpener_ = std::move(opener); }

    void BuildTree();
    // Fills the detail pages for the definition `name` of `kind`; None shows nothing.
    void ShowDetails(const QString &name, ObjectKind kind);
    void SelectObject(QTreeWidgetItem *entry);
    // The selected entry, or null.
    QTreeWidgetItem *selectedEntry() const;

public slots:
    void pcChange();
    void TreeChange();
    void TreeDblClick();
    void PopupMenuPopup();
    void cmNew();
    void cmEdit();
    void cmDel();
    void cmSelect();
    void cmCopy();
    void cmTableEditor();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildTools();
    void buildPages();
    void buildMenus();
    void UpdateCommands();
    void TreeMouseDown(QMouseEvent *event);
    void showStatus(QTreeWidgetItem *entry);
    void selectDefinition(const QString &name);
    QAction *addCommand(QMenu *menu, const char *name, const QString &caption, void (TfrmObjectMap::*slot)());

    QToolButton *sbNew, *sbEdit, *sbDel, *sbTableEdit;
    QTabWidget *pc;
    QWidget *tsObjects, *tsProps;
    QTreeWidget *Tree;
    TDetailPages *pcDetails;
    QStatusBar *sb;
    QLabel *sbPanel;
    QMenu *mmObject, *PopupMenu, *FieldMenu;
    QAction *mmNew, *mmEdit, *mmDel, *N1, *mmTableEdit;
    QAction *pmQuery, *pmNew, *pmEdit, *pmDel, *N2, *pmTableEdit, *pmCopy;
    session::Session &session_;
    OptionsSource options_;
    QueryOpener queryOpener_;
    bool placementRestored_ = false;
};
