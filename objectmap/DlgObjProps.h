#pragma once

#include "ObjectKind.h"
#include "automation/Variant.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace session {
class Session;
}

// Creates a saved query, or changes the name and SQL text of one. Table definitions and
// relations are shown by name only; OK stays disabled for them. Before it closes with OK the
// engine checks the query by reading its parameter count; a rejected definition is put back as
// it was (or removed again, when this dialog created it) and the dialog stays open with the
// engine's message.
class TdlgObjProps : public QDialog {
    Q_OBJECT
public:
    // Saves into the open database of `session`.
    explicit TdlgObjProps(session::Session &session, QWidget *parent = nullptr);

    // The definition being edited; empty in create mode, the new query after a create.
    automation::Variant FDefinition;
    // Follows the type selector.
    ObjectKind FKind = ObjectKind::None;
    // Prepared without a kind, that is for a new definition.
    bool FIsNew = false;

    // Prepares the controls from FDefinition and FKind.
    void LoadDefinition();

public slots:
    void cbTypeChange();
    void Change();
    void bOKClick();

private:
    bool SaveDefinition();
    bool SaveEdited();
    bool SaveCreated();
    // Has the session save (and, when rejected, take back) the query; false after telling why.
    bool save(const automation::Variant &definition);

    session::Session &session_;
    QComboBox *cbType;
    QLineEdit *eName;
    QStackedWidget *Notebook;
    QPlainTextEdit *mSQL;
    QPushButton *bOK;
    QPushButton *Button2;
};

// Shows the dialog for `Definition` of kind `Kind` (empty and None for a new definition). On
// OK both receive what the dialog holds and the result is true; otherwise both stay as they were.
// The dialog is modal over `parent` and saves through `session`.
bool EditObjectDefinition(session::Session &session, QWidget *parent, automation::Variant &Definition, ObjectKind &Kind);
