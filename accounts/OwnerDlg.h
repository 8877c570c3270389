#pragma once

#include <QDialog>

class QComboBox;

// "Owner": chooses the user or group that is to own a document. The accounts are offered users
// first, then groups, in the workgroup's order; the current owner is chosen at start.
class TdlgOwner : public QDialog {
    Q_OBJECT
public:
    TdlgOwner(const QString &document, const QStringList &users, const QStringList &groups, const QString &owner,
              QWidget *parent = nullptr);

    QString owner() const;

private:
    QComboBox *cbOwner;
};
