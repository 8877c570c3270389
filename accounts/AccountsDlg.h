#pragma once

#include <QDialog>

#include <exception>

class QListWidget;
class QPushButton;
class QTabWidget;
class PermissionsPage;

namespace engine {
class TMSAccess;
}

// "Accounts": the users and groups of the open workgroup, their membership and passwords, and
// (on the Permissions page) what each of them may do with the objects of the open database.
// Every change is made at once through the access object; OK only closes. Engine errors are not
// caught here: they reach the program's error handling, the dialog stays open, and what would
// have followed the failed call (a refresh of the lists) does not happen.
class TdlgAccounts : public QDialog {
    Q_OBJECT
public:
    // `access` must have the workspace and a database open while the dialog lives.
    explicit TdlgAccounts(engine::TMSAccess &access, QWidget *parent = nullptr);

    PermissionsPage *permissionsPage() const { return tsPerms; }

public slots:
    void lbUsersClick();
    void lbGroupsClick();
    void lbMGrpsClick();
    void lbMemberClick();
    void cmAddUser();
    void cmAddGrp();
    void cmDelUser();
    void cmDelGrp();
    void cmChngPwd();
    void cmAddMember();
    void bDelMemberClick();
    void pcChanging(int leftPage);
    void bOKClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void RefreshUsers();
    void RefreshGroups();
    void RenewMembership();
    QWidget *createUsersPage();
    QWidget *createGroupsPage();

    engine::TMSAccess &access_;
    // An error of the opening steps, handed to the program's error handling once the dialog shows.
    std::exception_ptr openingError_;
    int currentPage_ = 0;

    QTabWidget *pc;
    QWidget *tsUsers;
    QWidget *tsGroups;
    PermissionsPage *tsPerms;
    QListWidget *lbUsers;
    QListWidget *lbGroups;
    QListWidget *lbMGrps;
    QListWidget *lbMember;
    QPushButton *bAddUser;
    QPushButton *bDelUser;
    QPushButton *bChngPwd;
    QPushButton *bAddMember;
    QPushButton *bDelMember;
    QPushButton *bAddGrp;
    QPushButton *bDelGrp;
    QPushButton *bOK;
};
