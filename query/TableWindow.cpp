#include "TableWindow.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

TfrmTable::TfrmTable(QObject *owner) : Storage(QStringLiteral("1.x/TableEdit"))
{
    setObjectName(QStringLiteral("frmTable"));
    setWindowTitle(QStringLiteral("Table"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The MDI area is the window's parent, so the owner's end is followed by hand: the window
    // and its frame go with it.
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] {
            if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
                delete sub;
            else
                delete this;
        });
}

void TfrmTable::ShowTable()
{
    setWindowTitle(FTableName);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->show();
}

void TfrmTable::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!Storage.placeOnFirstShow(this, {476, 406}))
        return;
}

void TfrmTable::closeEvent(QCloseEvent *event)
{
    Storage.savePlacement(SettingsStore::placementTarget(this));
    event->accept();
}
