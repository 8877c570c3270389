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

QWidget *TfrmTable::placementWidget()
{
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    return sub ? static_cast<QWidget *>(sub) : this;
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
    if (placementRestored_)
        return;
    placementRestored_ = true;
    // The default size of the whole window, frame included; a stored placement replaces it.
    placementWidget()->resize(476, 406);
    Storage.restorePlacement(placementWidget());
}

void TfrmTable::closeEvent(QCloseEvent *event)
{
    Storage.savePlacement(placementWidget());
    event->accept();
}
