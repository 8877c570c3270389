#pragma once

#include "PermissionBoxes.h"
#include "automation/Variant.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace engine {
class TMSAccess;
}

// The Permissions page of the accounts dialog: the explicit permissions of one user or group on
// one document of the open database as nine check boxes, kept consistent by their rules
// (accounts::PermissionBoxes), with a guard against leaving unapplied changes behind, and the
// document's owner.
class PermissionsPage : public QWidget {
    Q_OBJECT
public:
    // `users` and `groups` are the dialog's account lists; the page copies them when it opens and
    // when the choice between users and groups changes.
    PermissionsPage(engine::TMSAccess &access, QListWidget *users, QListWidget *groups, QWidget *parent = nullptr);

    // Fills the container list and shows the first document and account.
    void Open();
    // Asks whether to apply changes not yet written; run before anything replaces the boxes.
    void ConfirmPendingPermissions();
    bool PermissionsChanged();
    void ApplyPermissions();
    void LoadPermissions();

    const accounts::PermissionBoxes &boxes() const { return boxes_; }

    // What the boxes show: the document, the account and the index of the document's container.
    QString FPermObject;
    QString FPermAccount;
    int FPermContainer = -1;

public slots:
    void cbObjChange();
    void lbObjClick();
    void rbClick();
    void bApplyClick();
    void cbxReadDefClick();
    void cbxChngDefClick();
    void cbxAdminClick();
    void cbxReadDataClick();
    void cbxChngDataClick();
    void bOwnerClick();

private:
    QCheckBox *box(accounts::Box b) const { return boxWidgets_[static_cast<int>(b)]; }
    QCheckBox *makeBox(accounts::Box b, const char *name, const QString &caption);
    QWidget *createObjectsGroup();
    QWidget *createPermissionsGroup();
    accounts::ContainerKind kindOf(int containerIndex) const;
    automation::Variant FindPermDocument();
    void forgetDocument();
    void loadSelection();
    void boxClicked(accounts::Box b);
    void showBoxes();
    void showOwner(const automation::Variant &document);
    bool mayChangeOwner(const QString &owner);

    engine::TMSAccess &access_;
    QListWidget *users_;
    QListWidget *groups_;
    accounts::PermissionBoxes boxes_;
    std::array<QCheckBox *, accounts::kBoxCount> boxWidgets_{};

    QRadioButton *rbUsers;
    QRadioButton *rbGrps;
    QListWidget *lbAcc;
    QComboBox *cbObj;
    QListWidget *lbObj;
    QCheckBox *cbxCreate;
    QCheckBox *cbxReadDef;
    QCheckBox *cbxExclusive;
    QCheckBox *cbxChngDef;
    QCheckBox *cbxAdmin;
    QCheckBox *cbxReadData;
    QCheckBox *cbxChngData;
    QCheckBox *cbxInsData;
    QCheckBox *cbxDeldata;
    QPushButton *bApply;
    QLabel *lOwner;
    QPushButton *bOwner;
};
