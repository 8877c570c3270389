#pragma once

#include "app/ChildWindow.h"
#include "app/SettingsStore.h"
#include "query/core/ScriptRunner.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

namespace query {
class History;
}
namespace session {
class Session;
}

class FindReplaceDialog;
class HistoryPage;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QsciScintilla;
class QueryRun;
class SqlEdit;

// The query window: SQL is written on the Query page, run against the open database statement
// by statement, its results read on the Result page, and the statements run are kept on the
// History page and in History.sql between sessions.
class TfrmQuery : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    // Runs on the open database of `session`, which outlives the window. `historyFile`: where
    // the history is loaded from on creation and saved to on close.
    explicit TfrmQuery(session::Session &session, QWidget *parent = nullptr,
                       const QString &historyFile = defaultHistoryFile());
    ~TfrmQuery() override;

    // History.sql in the folder for files beside the executable.
    static QString defaultHistoryFile();

    QsciScintilla *Editor;
    QsciScintilla *Result;
    // The editor of the visible page: Editor, Result, or none on the History page.
    QsciScintilla *FActiveEditor = nullptr;
    SettingsStore Storage;
    const QString HistoryFile;
    // Milliseconds between two rounds of pending events (and result writes) during a run.
    int MessageInterval = 50;
    // Values (rows x fields) the engine reads between two chances for a round of events.
    int ReadStep = query::ScriptRunner::DefaultReadStep;

    QMenu *groupMenu() const override { return mmQuery; }
    bool busy() const override { return running(); }

    // "Select as Query" of the object map: selects (appending when absent) and runs
    // "select * from <name>;". Invokable by name, so the object map needs no header of ours.
    Q_INVOKABLE void SelectAsQuery(const QString &name);

    // True from the start of Execute until the run has ended (also after Stop, until then).
    bool running() const { return run_ != nullptr; }
    const query::History &history() const;
    // Records a statement that ran without error, on the History page.
    void UpdateHistory(const std::string &sql, std::uint32_t executionMs, std::int32_t records);

    QString panelText(int panel) const;
    void setPanel(int panel, const QString &text);
    void repaintStatus();

    void UpdateCommands();
    void changeStatus(QsciScintilla *editor);
    // The SQL the statements are written in, shown and switched in the status bar: "Access" or
    // "SQLite"; empty without a database.
    QString dialect() const;

public slots:
    void pcChange();
    void cmOpen();
    void cmSave();
    void cmExec();
    void cmStop();
    void cmFind();
    void cmFindNext();
    void rdFind();
    void rdReplace(bool all);
    void cmClearHist();
    void PopupMenuPopup();
    void cmUndo();
    void cmRedo();
    void cmCopy();
    void cmCut();
    void cmPaste();
    void cmSelectAll();
    void cmClearAll();
    // Switches the open database between Access SQL and SQLite's.
    void cmDialect();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addCommand(const char *name, const QString &caption, void (TfrmQuery::*slot)(),
                        const QKeySequence &shortcut = {});
    QWidget *buildToolPanel();
    void buildStatusBar();
    void buildMenus();
    SqlEdit *activeEdit() const;
    std::string scriptText() const;
    void finishRun(QueryRun &run);
    void loadHistory();
    void saveHistory();
    // A history entry chosen on the History page goes below the script.
    void appendStatement(const QString &statement);

    SqlEdit *editor_;
    SqlEdit *result_;
    QTabWidget *pc;
    QWidget *tsQuery;
    QWidget *tsResult;
    QWidget *tsHistory;
    HistoryPage *historyPage_;
    QStatusBar *sb;
    QLabel *panels_[4];
    QToolButton *sbDialect;
    QMenu *mmQuery;
    QMenu *PopupMenu;
    QAction *mmOpen, *mmSave, *mmClear, *mmFind, *mmFindNext, *mmExec, *mmStop;
    QAction *pmUndo, *pmRedo, *pmCopy, *pmCut, *pmPaste, *pmClearAll, *pmSelectAll;
    FindReplaceDialog *rd;

    session::Session &session_;
    int listener_ = -1;
    std::shared_ptr<QueryRun> run_;
    bool historySaved_ = false;
};
