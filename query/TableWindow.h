#pragma once

#include "app/SettingsStore.h"

#include <QPointer>
#include <QWidget>

// The window reserved for editing one table: its caption is the table's name and it has no
// other content yet. It belongs to its owner (the object map) and goes when the owner goes.
class TfrmTable : public QWidget {
    Q_OBJECT
public:
    explicit TfrmTable(QObject *owner = nullptr);

    // The table the window stands for; set before ShowTable().
    QString FTableName;
    SettingsStore Storage;

    // Caption := FTableName; shows the window when it already sits in the MDI area.
    void ShowTable();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:

};
