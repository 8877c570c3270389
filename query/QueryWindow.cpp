#include "QueryWindow.h"

#include "EditorFonts.h"
#include "FindReplaceDialog.h"
#include "HistoryPage.h"
#include "QueryRun.h"
#include "SqlEdit.h"

#include "app/Icons.h"
#include "app/Prompts.h"
#include "session/Session.h"
#include "platform/Folders.h"

#include <algorithm>
#include <QRegularExpression>
#include <Qsci/qscilexersql.h>

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStringDecoder>
#include <QApplication>
#include <QTabWidget>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const QString kScriptFilter = QStringLiteral("SQL scripts (*.sql);;All files (*)");
const QString kScriptSuffix = QStringLiteral("sql");
constexpr int kBookmarkedStatements = 9;

// A script file as text: UTF-8 when it is valid UTF-8, else Latin-1, so no byte is lost; line
// breaks as the editor keeps them (LF).
QString scriptFileText(const QByteArray &bytes)
{
    // A byte-order mark from another editor is no part of the script.
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(body);
    if (utf8.hasError())
        text = QString::fromLatin1(body);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

} // namespace

TfrmQuery::TfrmQuery(session::Session &session, QWidget *parent, const QString &historyFile)
    : QWidget(parent), Storage(QStringLiteral("1.x/Query")), HistoryFile(historyFile), session_(session)
{
    setObjectName(QStringLiteral("frmQuery"));
    setWindowTitle(QStringLiteral("Query"));
    setAttribute(Qt::WA_DeleteOnClose);

    editor_ = new SqlEdit(4);
    editor_->setObjectName(QStringLiteral("Editor"));
    auto *lexer = new QsciLexerSQL(editor_);
    lexer->setDefaultFont(sqlTextFont());
    lexer->setFont(sqlTextFont());
    editor_->setLexer(lexer);
    editor_->setEdgeMode(QsciScintilla::EdgeLine);
    editor_->setEdgeColumn(255);
    result_ = new SqlEdit(6, false);
    result_->setObjectName(QStringLiteral("Result"));
    result_->setEdgeMode(QsciScintilla::EdgeLine);
    result_->setEdgeColumn(1024);
    result_->setEdgeColor(palette().color(QPalette::Button));
    Editor = editor_;
    Result = result_;

    pc = new QTabWidget(this);
    pc->setObjectName(QStringLiteral("pc"));
    pc->tabBar()->setCursor(Qt::PointingHandCursor);
    tsQuery = new QWidget;
    tsQuery->setObjectName(QStringLiteral("tsQuery"));
    auto *queryLayout = new QVBoxLayout(tsQuery);
    queryLayout->setContentsMargins(0, 0, 0, 0);
    queryLayout->addWidget(editor_);
    tsResult = new QWidget;
    tsResult->setObjectName(QStringLiteral("tsResult"));
    auto *resultLayout = new QVBoxLayout(tsResult);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultLayout->addWidget(result_);
    historyPage_ = new HistoryPage;
    tsHistory = historyPage_;
    connect(historyPage_, &HistoryPage::statementChosen, this, &TfrmQuery::appendStatement);
    pc->addTab(tsQuery, QStringLiteral(" Query "));
    pc->addTab(tsResult, QStringLiteral(" Result "));
    pc->addTab(tsHistory, QStringLiteral(" History "));

    buildMenus();
    buildStatusBar();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolPanel());
    layout->addWidget(pc, 1);
    layout->addWidget(sb);

    rd = new FindReplaceDialog(this);
    connect(rd, &FindReplaceDialog::findNext, this, &TfrmQuery::rdFind);
    connect(rd, &FindReplaceDialog::replace, this, &TfrmQuery::rdReplace);

    for (SqlEdit *edit : {editor_, result_}) {
        connect(edit, &QWidget::customContextMenuRequested, this,
                [this, edit](const QPoint &pos) { PopupMenu->popup(edit->mapToGlobal(pos)); });
        // The caret panels follow the caret and the insert mode of the editor on view.
        const auto follow = [this, edit] {
            if (FActiveEditor == edit)
                changeStatus(edit);
        };
        connect(edit, &QsciScintilla::cursorPositionChanged, this, follow);
        connect(edit, &QsciScintilla::linesChanged, this, follow);
        connect(edit, &SqlEdit::insertModeChanged, this, follow);
    }
    connect(pc, &QTabWidget::currentChanged, this, &TfrmQuery::pcChange);

    Storage.addProperty(
        QStringLiteral("mSQL_Height"),
        [this] { return QString::number(historyPage_->sqlHeight()); },
        [this](const QString &value) {
            bool ok = false;
            const int height = value.toInt(&ok);
            if (ok && height >= 0)
                historyPage_->setSqlHeight(height);
        });

    pc->setCurrentWidget(tsQuery);
    pcChange();
    loadHistory();
    // Execute follows the open database.
    listener_ = session_.addListener([this] { UpdateCommands(); });
    UpdateCommands();
}

TfrmQuery::~TfrmQuery()
{
    session_.removeListener(listener_);
    if (run_)
        run_->detach();
    if (!historySaved_)
        saveHistory();
}

QString TfrmQuery::defaultHistoryFile()
{
    return QString::fromStdString(platform::joinPath(platform::appFilesDir(), "History.sql"));
}

QAction *TfrmQuery::addCommand(const char *name, const QString &caption, void (TfrmQuery::*slot)(),
                               const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        // Only while the focus is in this window, not in the object map beside it.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
    return action;
}

void TfrmQuery::buildMenus()
{
    mmQuery = new QMenu(QStringLiteral("&Query"), this);
    mmQuery->setObjectName(QStringLiteral("mmQuery"));
    mmOpen = addCommand("mmOpen", QStringLiteral("&Open..."), &TfrmQuery::cmOpen, QKeySequence(Qt::CTRL | Qt::Key_O));
    mmSave = addCommand("mmSave", QStringLiteral("&Save..."), &TfrmQuery::cmSave, QKeySequence(Qt::CTRL | Qt::Key_S));
    mmClear = addCommand("mmClear", QStringLiteral("Clear history"), &TfrmQuery::cmClearHist);
    mmFind = addCommand("mmFind", QStringLiteral("&Find..."), &TfrmQuery::cmFind, QKeySequence(Qt::CTRL | Qt::Key_F));
    mmFindNext = addCommand("mmFindNext", QStringLiteral("Find &next"), &TfrmQuery::cmFindNext, QKeySequence(Qt::Key_F3));
    mmExec = addCommand("mmExec", QStringLiteral("&Execute"), &TfrmQuery::cmExec, QKeySequence(Qt::CTRL | Qt::Key_E));
    mmStop = addCommand("mmStop", QStringLiteral("&Stop"), &TfrmQuery::cmStop);
    mmQuery->addAction(mmOpen);
    mmQuery->addAction(mmSave);
    mmQuery->addSeparator();
    mmQuery->addAction(mmClear);
    mmQuery->addSeparator();
    mmQuery->addAction(mmFind);
    mmQuery->addAction(mmFindNext);
    mmQuery->addSeparator();
    mmQuery->addAction(mmExec);
    mmQuery->addAction(mmStop);
    mmOpen->setIcon(commandIcon(QStringLiteral("open")));
    mmSave->setIcon(commandIcon(QStringLiteral("save")));
    mmExec->setIcon(commandIcon(QStringLiteral("execute")));
    mmStop->setIcon(commandIcon(QStringLiteral("stop")));
    mmClear->setIcon(commandIcon(QStringLiteral("clear")));

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    const auto item = [this](const char *name, const QString &caption, void (TfrmQuery::*slot)()) {
        QAction *action = PopupMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    pmUndo = item("pmUndo", QStringLiteral("Undo"), &TfrmQuery::cmUndo);
    pmRedo = item("pmRedo", QStringLiteral("Redo"), &TfrmQuery::cmRedo);
    PopupMenu->addSeparator();
    pmCopy = item("pmCopy", QStringLiteral("Copy"), &TfrmQuery::cmCopy);
    pmCut = item("pmCut", QStringLiteral("Cut"), &TfrmQuery::cmCut);
    pmPaste = item("pmPaste", QStringLiteral("Paste"), &TfrmQuery::cmPaste);
    PopupMenu->addSeparator();
    pmClearAll = item("pmClearAll", QStringLiteral("Clear All"), &TfrmQuery::cmClearAll);
    PopupMenu->addSeparator();
    pmSelectAll = item("pmSelectAll", QStringLiteral("Select All"), &TfrmQuery::cmSelectAll);
    connect(PopupMenu, &QMenu::aboutToShow, this, &TfrmQuery::PopupMenuPopup);
}

QWidget *TfrmQuery::buildToolPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("ToolPanel"));
    panel->setFixedHeight(28);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 3, 2, 3);
    row->setSpacing(0);
    const struct {
        const char *name;
        QAction *action;
        const char *hint;
    } buttons[] = {
        {"sbOpen", mmOpen, "Open"},    {"sbSave", mmSave, "Save"},    {"sbExec", mmExec, "Execute"},
        {"sbStop", mmStop, "Stop"},    {"sbClear", mmClear, "Clear history"},
    };
    for (const auto &b : buttons) {
        if (b.action == mmClear)
            row->addSpacing(8);
        auto *button = new QToolButton(panel);
        button->setObjectName(QString::fromLatin1(b.name));
        // The button shares the menu item's action, so it always has the item's enabled state.
        button->setDefaultAction(b.action);
        button->setAutoRaise(true);
        button->setFixedSize(24, 22);
        button->setIconSize(QSize(16, 16));
        button->setToolTip(QString::fromLatin1(b.hint));
        row->addWidget(button);
    }
    row->addStretch();
    return panel;
}

void TfrmQuery::buildStatusBar()
{
    sb = new QStatusBar(this);
    sb->setObjectName(QStringLiteral("sb"));
    sb->setSizeGripEnabled(false);
    const int widths[] = {125, 60, 100, 100};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(sb);
        panels_[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i));
        panels_[i]->setAlignment(i < 3 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        if (i < 3)
            panels_[i]->setFixedWidth(widths[i]);
        else // wide enough for the total time of a long script, so it is never cut
            panels_[i]->setMinimumWidth(std::max(widths[i], panels_[i]->fontMetrics().horizontalAdvance(
                                                                QStringLiteral("Total time: 9999.99 s / 9999 statement(s)")) + 8));
        sb->addWidget(panels_[i], i < 3 ? 0 : 1);
    }
    sbDialect = new QToolButton(sb);
    sbDialect->setObjectName(QStringLiteral("sbDialect"));
    sbDialect->setAutoRaise(true);
    sbDialect->setToolTip(QStringLiteral("The SQL of the statements; click to switch"));
    connect(sbDialect, &QToolButton::clicked, this, &TfrmQuery::cmDialect);
    sb->addPermanentWidget(sbDialect);
}

QString TfrmQuery::dialect() const
{
    if (!session_.isOpen() || !session_.database().isObject())
        return {};
    try {
        return QString::fromStdString(session_.database().get("SqlDialect").toText());
    } catch (const std::exception &) {
        return {};
    }
}

void TfrmQuery::cmDialect()
{
    const QString now = dialect();
    if (now.isEmpty() || run_)
        return;
    try {
        session_.database().put("SqlDialect", now == QLatin1String("Access") ? "SQLite" : "Access");
    } catch (const std::exception &e) {
        Prompts::error(this, QString::fromUtf8(e.what()));
    }
    UpdateCommands();
}

SqlEdit *TfrmQuery::activeEdit() const
{
    return FActiveEditor == editor_ ? editor_ : FActiveEditor == result_ ? result_ : nullptr;
}

QString TfrmQuery::panelText(int panel) const
{
    return panel >= 0 && panel < 4 ? panels_[panel]->text() : QString();
}

void TfrmQuery::setPanel(int panel, const QString &text)
{
    if (panel >= 0 && panel < 4)
        panels_[panel]->setText(text);
}

void TfrmQuery::repaintStatus()
{
    if (sb->isVisible())
        panels_[3]->repaint();
}

void TfrmQuery::UpdateCommands()
{
    const bool database = session_.isOpen();
    const bool idle = !run_;
    mmOpen->setEnabled(database && idle && pc->currentWidget() == tsQuery);
    for (QAction *action : {mmSave, mmFind, mmFindNext})
        action->setEnabled(database && idle && FActiveEditor);
    mmExec->setEnabled(database && idle);
    // Stop is pressed once: the run then only finishes its current row.
    mmStop->setEnabled(database && run_ && !run_->stopRequested);
    mmClear->setEnabled(true);
    const QString sql = dialect();
    sbDialect->setText(sql.isEmpty() ? QString() : sql + QStringLiteral(" SQL"));
    sbDialect->setEnabled(!sql.isEmpty() && idle);
    update();
}

void TfrmQuery::changeStatus(QsciScintilla *editor)
{
    auto *edit = static_cast<SqlEdit *>(editor);
    setPanel(0, QStringLiteral("%1: %2 / %3").arg(edit->caretLine()).arg(edit->caretColumn()).arg(edit->lines()));
    setPanel(1, edit->overwriteMode() ? QStringLiteral("Overwrite") : QStringLiteral("Insert"));
}

void TfrmQuery::pcChange()
{
    try {
        const QWidget *page = pc->currentWidget();
        FActiveEditor = page == tsQuery ? Editor : page == tsResult ? Result : nullptr;
        sb->setVisible(FActiveEditor != nullptr);
        if (FActiveEditor) {
            changeStatus(FActiveEditor);
            FActiveEditor->setFocus();
        }
        UpdateCommands();
    } catch (...) {
    }
}

std::string TfrmQuery::scriptText() const
{
    // Asked of the component itself: the cached selection state is stale after typing over one.
    if (!editor_->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEMPTY))
        return editor_->selectionText().toStdString();
    std::vector<std::string> lines;
    for (const QString &line : editor_->text().split(QLatin1Char('\n'))) {
        std::string text = line.toStdString();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        lines.push_back(std::move(text));
    }
    return query::ScriptRunner::ScriptFromLines(lines);
}

void TfrmQuery::cmExec()
{
    if (run_)
        return;
    const std::string script = scriptText();
    auto run = std::make_shared<QueryRun>(this, MessageInterval);
    run_ = run;
    run->runner.CurrentDatabase = session_.database();
    run->runner.ReadStep = ReadStep;
    setPanel(2, QStringLiteral("?"));
    UpdateCommands();
    result_->clearBookmarks();
    // The program's output is not something to undo.
    result_->setUndoCollection(false);
    {
        const QSignalBlocker quiet(pc);
        pc->setCurrentWidget(tsResult);
    }
    QPointer<TfrmQuery> self(this);
    // Whatever leaves the run, a window that is still here becomes idle again; one that was
    // closed during the run is not touched.
    struct Finish {
        QPointer<TfrmQuery> &self;
        QueryRun &run;
        ~Finish()
        {
            run.flush();
            if (self && run.attached())
                self->finishRun(run);
        }
    } finish{self, *run};
    run->runner.run(script);
}

void TfrmQuery::finishRun(QueryRun &run)
{
    const std::vector<std::int32_t> &starts = run.runner.FResultLineStarts;
    for (int n = 1; n <= kBookmarkedStatements && n <= int(starts.size()); ++n)
        result_->setBookmark(n, starts[std::size_t(n - 1)] - 1);
    result_->resetUndo();
    result_->setUndoCollection(true);
    // A new result starts at its first line and column, whatever an earlier one scrolled to.
    result_->setCursorPosition(0, 0);
    result_->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0UL);
    result_->SendScintilla(QsciScintillaBase::SCI_SETXOFFSET, 0UL);
    run_.reset();
    pcChange();
    UpdateCommands();
}

void TfrmQuery::cmStop()
{
    if (!run_)
        return;
    run_->stopRequested = true;
    run_->runner.stop();
    UpdateCommands();
}

void TfrmQuery::SelectAsQuery(const QString &name)
{
    // Always bracketed: a name may hold a space or be a keyword (Order, Group). A name with
    // "]" cannot be bracketed and goes as it is.
    const QString quoted = name.contains(QLatin1Char(']')) ? name : QLatin1Char('[') + name + QLatin1Char(']');
    const QString statement = QStringLiteral("select * from ") + quoted + QStringLiteral(";");
    if (!editor_->findFromStart(statement, false, false)) {
        editor_->appendLine(statement);
        editor_->findFromStart(statement, false, false);
    }
    editor_->repaint();
    cmExec();
}

void TfrmQuery::cmOpen()
{
    const QString path = Prompts::current().openFileName(this, QStringLiteral("Open"), kScriptFilter, kScriptSuffix);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
    const QByteArray text = scriptFileText(file.readAll()).toUtf8();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()).toStdString());
    // One undo step, so a script opened by mistake can be taken back.
    editor_->SendScintilla(QsciScintillaBase::SCI_SETTEXT, text.constData());
}

void TfrmQuery::cmSave()
{
    SqlEdit *edit = activeEdit();
    if (!edit)
        return;
    const QString path = Prompts::current().saveFileName(this, QStringLiteral("Save As"), kScriptFilter, kScriptSuffix);
    if (path.isEmpty())
        return;
    // Every line ends with a line break; the file is replaced only when written in full.
    QByteArray text = edit->text().toUtf8();
    text += '\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("Cannot save file \"%1\". %2").arg(path, file.errorString()).toStdString());
}

void TfrmQuery::cmFind()
{
    if (!FActiveEditor)
        return;
    // A one-line selection is what the user most likely wants to find.
    const QString selected = activeEdit()->selectionText();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n')))
        rd->setFindText(selected);
    rd->show();
    rd->raise();
    rd->activateWindow();
}

void TfrmQuery::cmFindNext()
{
    if (!FActiveEditor)
        return;
    // Nothing to find again yet: ask for it.
    if (rd->findText().isEmpty()) {
        cmFind();
        return;
    }
    rd->setDown(true);
    rdFind();
    FActiveEditor->setFocus();
}

void TfrmQuery::rdFind()
{
    SqlEdit *edit = activeEdit();
    if (!edit)
        return;
    if (!edit->findText(rd->findText(), rd->matchCase(), rd->wholeWord(), rd->down()))
        Prompts::information(this, QStringLiteral("Text not found."));
}

void TfrmQuery::rdReplace(bool all)
{
    SqlEdit *edit = activeEdit();
    if (!edit)
        return;
    if (edit->replaceText(rd->findText(), rd->replaceText(), rd->matchCase(), rd->wholeWord(), all) == 0)
        Prompts::information(this, QStringLiteral("Text not found."));
}

const query::History &TfrmQuery::history() const
{
    return historyPage_->history();
}

void TfrmQuery::UpdateHistory(const std::string &sql, std::uint32_t executionMs, std::int32_t records)
{
    historyPage_->UpdateHistory(sql, executionMs, records);
}

void TfrmQuery::appendStatement(const QString &statement)
{
    const int line = editor_->SendScintilla(QsciScintillaBase::SCI_GETLENGTH) == 0 ? 0 : editor_->lines();
    editor_->appendLine(statement);
    if (pc->currentWidget() == tsQuery)
        pcChange();
    else
        pc->setCurrentWidget(tsQuery);
    // The caret goes to the statement just added, in view.
    editor_->setCursorPosition(line, 0);
    editor_->ensureCursorVisible();
    editor_->setFocus();
}

void TfrmQuery::cmClearHist()
{
    historyPage_->clear();
}

void TfrmQuery::loadHistory()
{
    if (!QFileInfo::exists(HistoryFile))
        return;
    const std::string path = HistoryFile.toStdString();
    const query::LoadResult loaded = historyPage_->load(path);
    if (loaded.status != query::LoadStatus::Loaded) {
        QString message = QString::fromStdString(query::LoadMessage(loaded, path));
        // Closing the window saves the history, which would drop whatever follows the damage:
        // the file as it is goes aside first.
        if (QFileInfo(HistoryFile).size() > 0) {
            std::string error;
            const std::string copy = query::KeepDamagedCopy(path, &error);
            message += copy.empty() ? QStringLiteral(" No copy of it could be kept (%1); closing this window "
                                                     "will save only the items shown.")
                                          .arg(QString::fromStdString(error))
                                    : QStringLiteral(" The file as it was is kept as \"%1\".")
                                          .arg(QFileInfo(QString::fromStdString(copy)).fileName());
        }
        // Told over the active window (the frame): this one is not shown yet.
        QWidget *active = QApplication::activeWindow();
        Prompts::error(active ? active : this, message,
                       QString::fromLatin1(query::ListViewIoErrorCaption));
    }
}

// Errors are ignored: the window closes whatever happens to the file.
void TfrmQuery::saveHistory()
{
    historySaved_ = true;
    historyPage_->save(HistoryFile.toStdString());
}

void TfrmQuery::PopupMenuPopup()
{
    SqlEdit *edit = activeEdit();
    pmUndo->setEnabled(edit && edit->canUndo());
    pmRedo->setEnabled(edit && edit->canRedo());
    pmCopy->setEnabled(edit && edit->hasSelectedText());
    pmCut->setEnabled(edit && edit->hasSelectedText());
    pmPaste->setEnabled(edit && edit->canPaste());
    pmSelectAll->setEnabled(edit);
    pmClearAll->setEnabled(edit);
}

void TfrmQuery::cmUndo()
{
    if (SqlEdit *edit = activeEdit())
        edit->undo();
}

void TfrmQuery::cmRedo()
{
    if (SqlEdit *edit = activeEdit())
        edit->redo();
}

void TfrmQuery::cmCopy()
{
    if (SqlEdit *edit = activeEdit())
        edit->copy();
}

void TfrmQuery::cmCut()
{
    if (SqlEdit *edit = activeEdit())
        edit->cut();
}

void TfrmQuery::cmPaste()
{
    if (SqlEdit *edit = activeEdit())
        edit->paste();
}

void TfrmQuery::cmSelectAll()
{
    if (SqlEdit *edit = activeEdit())
        edit->selectAll();
}

// Undoable, like every other edit.
void TfrmQuery::cmClearAll()
{
    if (SqlEdit *edit = activeEdit())
        edit->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
}

void TfrmQuery::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!Storage.placeOnFirstShow(this, {595, 402}))
        return;
    if (FActiveEditor)
        FActiveEditor->setFocus();
}

void TfrmQuery::closeEvent(QCloseEvent *event)
{
    // A run in progress stops and, from here on, writes nowhere: the window may be gone by the
    // time it has finished its statement.
    if (run_) {
        run_->stopRequested = true;
        run_->runner.stop();
        run_->detach();
    }
    rd->hide();
    saveHistory();
    Storage.savePlacement(SettingsStore::placementTarget(this));
    event->accept();
}
