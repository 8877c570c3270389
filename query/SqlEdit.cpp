#include "SqlEdit.h"

#include "EditorFonts.h"
#include "LineGutter.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>
#include <tuple>

namespace {

constexpr int Shift = int(Qt::SHIFT);
constexpr int Ctrl = int(Qt::CTRL);
constexpr int Alt = int(Qt::ALT);
constexpr int Modifiers = int(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::META);
constexpr int BlockIndent = 2;

// The editor's own commands and their keys; every other key of the editor component is
// unbound. The commands of the program (undo and redo, which keep the undo depth, bookmarks,
// selection modes, page edges, line insertion, block indent) are bound in bindKeys().
struct Binding {
    QsciCommand::Command command;
    int key;
    int alternate;
};
const Binding kBindings[] = {
    {QsciCommand::CharLeft, Qt::Key_Left, 0},
    {QsciCommand::CharLeftExtend, Shift | Qt::Key_Left, 0},
    {QsciCommand::CharRight, Qt::Key_Right, 0},
    {QsciCommand::CharRightExtend, Shift | Qt::Key_Right, 0},
    {QsciCommand::LineUp, Qt::Key_Up, 0},
    {QsciCommand::LineUpExtend, Shift | Qt::Key_Up, 0},
    {QsciCommand::LineDown, Qt::Key_Down, 0},
    {QsciCommand::LineDownExtend, Shift | Qt::Key_Down, 0},
    {QsciCommand::Home, Qt::Key_Home, 0},
    {QsciCommand::HomeExtend, Shift | Qt::Key_Home, 0},
    {QsciCommand::LineEnd, Qt::Key_End, 0},
    {QsciCommand::LineEndExtend, Shift | Qt::Key_End, 0},
    {QsciCommand::PageUp, Qt::Key_PageUp, 0},
    {QsciCommand::PageUpExtend, Shift | Qt::Key_PageUp, 0},
    {QsciCommand::PageDown, Qt::Key_PageDown, 0},
    {QsciCommand::PageDownExtend, Shift | Qt::Key_PageDown, 0},
    {QsciCommand::WordLeft, Ctrl | Qt::Key_Left, 0},
    {QsciCommand::WordLeftExtend, Ctrl | Shift | Qt::Key_Left, 0},
    {QsciCommand::WordRight, Ctrl | Qt::Key_Right, 0},
    {QsciCommand::WordRightExtend, Ctrl | Shift | Qt::Key_Right, 0},
    {QsciCommand::LineScrollUp, Ctrl | Qt::Key_Up, 0},
    {QsciCommand::LineScrollDown, Ctrl | Qt::Key_Down, 0},
    {QsciCommand::DocumentStart, Ctrl | Qt::Key_Home, 0},
    {QsciCommand::DocumentStartExtend, Ctrl | Shift | Qt::Key_Home, 0},
    {QsciCommand::DocumentEnd, Ctrl | Qt::Key_End, 0},
    {QsciCommand::DocumentEndExtend, Ctrl | Shift | Qt::Key_End, 0},
    {QsciCommand::EditToggleOvertype, Qt::Key_Insert, 0},
    {QsciCommand::Delete, Qt::Key_Delete, 0},
    {QsciCommand::DeleteBack, Qt::Key_Backspace, 0},
    {QsciCommand::DeleteWordLeft, Ctrl | Qt::Key_Backspace, 0},
    {QsciCommand::DeleteWordRight, Ctrl | Qt::Key_T, 0},
    {QsciCommand::LineDelete, Ctrl | Qt::Key_Y, 0},
    {QsciCommand::DeleteLineRight, Ctrl | Shift | Qt::Key_Y, 0},
    {QsciCommand::Newline, Qt::Key_Return, Ctrl | Qt::Key_M},
    {QsciCommand::SelectionCopy, Ctrl | Qt::Key_C, Ctrl | Qt::Key_Insert},
    {QsciCommand::SelectionCut, Ctrl | Qt::Key_X, Shift | Qt::Key_Delete},
    {QsciCommand::Paste, Ctrl | Qt::Key_V, Shift | Qt::Key_Insert},
    {QsciCommand::SelectAll, Ctrl | Qt::Key_A, 0},
};

int digitCount(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// Ctrl+Shift with a digit key arrives as the shifted symbol on most layouts ("#" for 3); the
// key's position gives the digit back. X11 and Wayland number the digit row 10 ("1") to 19 ("0").
int digitOfKeyPosition(const QKeyEvent *e)
{
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland")))
        return -1;
    const quint32 code = e->nativeScanCode();
    if (code < 10 || code > 19)
        return -1;
    return int(code - 9) % 10;
}

} // namespace

SqlEdit::SqlEdit(int gutterDigits, bool styled, QWidget *parent)
    : QsciScintilla(parent), gutter_(new LineGutter(this)), minDigits_(gutterDigits)
{
    if (!styled) {
        // A document without a style byte per character; the view holds the only reference.
        // The component's own record of its document is left naming the one replaced here, so
        // its setDocument() and document() are not for this editor.
        const long document =
            SendScintilla(SCI_CREATEDOCUMENT, 0ul, long(SC_DOCUMENTOPTION_STYLES_NONE));
        SendScintilla(SCI_SETDOCPOINTER, 0ul, reinterpret_cast<void *>(document));
        SendScintilla(SCI_RELEASEDOCUMENT, 0ul, reinterpret_cast<void *>(document));
    }
    setUtf8(true);
    setEolMode(EolUnix);
    const QFont font = sqlTextFont();
    setFont(font);
    SendScintilla(SCI_STYLESETFONT, STYLE_DEFAULT, font.family().toUtf8().constData());
    SendScintilla(SCI_STYLESETSIZE, STYLE_DEFAULT, font.pointSize());
    SendScintilla(SCI_STYLECLEARALL);
    // The line numbers are drawn by the gutter; the component's own margins stay empty.
    for (int margin = 0; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    SendScintilla(SCI_SETMARGINLEFT, 0ul, 2l);
    for (int number = 0; number < BookmarkCount; ++number)
        markerDefine(Invisible, number);
    // No optional behaviour: no auto-indent, brace matching, completion, call tips or folding.
    setAutoIndent(false);
    setBraceMatching(NoBraceMatch);
    setAutoCompletionSource(AcsNone);
    setCallTipsStyle(CallTipsNone);
    setFolding(NoFoldStyle);
    setIndentationsUseTabs(false);
    setIndentationWidth(BlockIndent);
    bindKeys();
    setContextMenuPolicy(Qt::CustomContextMenu);

    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int, int type, const char *, int, int, int, int, int, int, int) { onModified(type); });
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, gutter_, qOverload<>(&QWidget::update));
    connect(this, &QsciScintilla::linesChanged, this, &SqlEdit::updateGutter);
    updateGutter();
}

SqlEdit::~SqlEdit() = default;

void SqlEdit::bindKeys()
{
    QsciCommandSet *set = standardCommands();
    set->clearKeys();
    set->clearAlternateKeys();
    // Also keys that the command set does not list.
    SendScintilla(SCI_CLEARALLCMDKEYS);
    for (const Binding &b : kBindings) {
        QsciCommand *command = set->find(b.command);
        command->setKey(b.key);
        if (b.alternate)
            command->setAlternateKey(b.alternate);
    }
    addCommand(Ctrl | Qt::Key_PageUp, [this] { moveToPageEdge(false, false); });
    addCommand(Ctrl | Shift | Qt::Key_PageUp, [this] { moveToPageEdge(false, true); });
    addCommand(Ctrl | Qt::Key_PageDown, [this] { moveToPageEdge(true, false); });
    addCommand(Ctrl | Shift | Qt::Key_PageDown, [this] { moveToPageEdge(true, true); });
    addCommand(Ctrl | Qt::Key_N, [this] { insertLine(); });
    addCommand(Ctrl | Shift | Qt::Key_I, [this] { indentBlock(true); });
    addCommand(Ctrl | Shift | Qt::Key_U, [this] { indentBlock(false); });
    addCommand(Ctrl | Qt::Key_Z, [this] { undo(); });
    addCommand(Alt | Qt::Key_Backspace, [this] { undo(); });
    addCommand(Ctrl | Shift | Qt::Key_Z, [this] { redo(); });
    addCommand(Alt | Shift | Qt::Key_Backspace, [this] { redo(); });
    for (int n = 0; n < BookmarkCount; ++n) {
        addCommand(Ctrl | (Qt::Key_0 + n), [this, n] { gotoBookmark(n); });
        addCommand(Ctrl | Shift | (Qt::Key_0 + n), [this, n] { toggleBookmark(n); });
    }
    // In column mode Shift with a move selects a block; in line mode whole lines.
    const std::tuple<int, int, int> shiftMoves[] = {
        {Shift | Qt::Key_Left, SCI_CHARLEFT, SCI_CHARLEFTRECTEXTEND},
        {Shift | Qt::Key_Right, SCI_CHARRIGHT, SCI_CHARRIGHTRECTEXTEND},
        {Shift | Qt::Key_Up, SCI_LINEUP, SCI_LINEUPRECTEXTEND},
        {Shift | Qt::Key_Down, SCI_LINEDOWN, SCI_LINEDOWNRECTEXTEND},
        {Shift | Qt::Key_Home, SCI_HOME, SCI_HOMERECTEXTEND},
        {Shift | Qt::Key_End, SCI_LINEEND, SCI_LINEENDRECTEXTEND},
        {Shift | Qt::Key_PageUp, SCI_PAGEUP, SCI_PAGEUPRECTEXTEND},
        {Shift | Qt::Key_PageDown, SCI_PAGEDOWN, SCI_PAGEDOWNRECTEXTEND},
        {Ctrl | Shift | Qt::Key_Home, SCI_DOCUMENTSTART, 0},
        {Ctrl | Shift | Qt::Key_End, SCI_DOCUMENTEND, 0},
    };
    for (const auto &[key, plain, block] : shiftMoves)
        shiftMoves_.insert(key, {plain, block});
    addCommand(Ctrl | Shift | Qt::Key_N, [this] { setSelectionMode(SelectionMode::Normal); });
    addCommand(Ctrl | Shift | Qt::Key_C, [this] { setSelectionMode(SelectionMode::Column); });
    addCommand(Ctrl | Shift | Qt::Key_L, [this] { setSelectionMode(SelectionMode::Line); });
}

void SqlEdit::addCommand(int key, std::function<void()> command)
{
    commands_.insert(key, std::move(command));
}

int SqlEdit::keyOf(const QKeyEvent *e) const
{
    const int modifiers = int(e->modifiers()) & Modifiers;
    int key = e->key();
    if ((modifiers & Ctrl) && (modifiers & Shift) && (key < Qt::Key_0 || key > Qt::Key_9)) {
        const int digit = digitOfKeyPosition(e);
        if (digit >= 0)
            key = Qt::Key_0 + digit;
    }
    return modifiers | key;
}

// The editor's keys win over the frame's shortcuts while it has the focus (the frame's Ctrl+N
// opens a database, here it inserts a line).
bool SqlEdit::event(QEvent *e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        auto *ke = static_cast<QKeyEvent *>(e);
        if (commands_.contains(keyOf(ke))) {
            ke->accept();
            return true;
        }
    }
    return QsciScintilla::event(e);
}

void SqlEdit::keyPressEvent(QKeyEvent *e)
{
    const int key = keyOf(e);
    if (auto it = commands_.constFind(key); it != commands_.constEnd()) {
        (*it)();
        e->accept();
        return;
    }
    if (auto it = shiftMoves_.constFind(key); it != shiftMoves_.constEnd()) {
        if (mode_ == SelectionMode::Column && it->second) {
            SendScintilla(unsigned(it->second));
            e->accept();
            return;
        }
        if (mode_ == SelectionMode::Line) {
            moveInMode(it->first);
            e->accept();
            return;
        }
    }
    // Tab and Shift+Tab are not editor keys: they move the focus as in any form.
    if (key == Qt::Key_Tab || key == (Shift | Qt::Key_Backtab) || key == Qt::Key_Backtab) {
        QWidget::focusNextPrevChild(key == Qt::Key_Tab);
        e->accept();
        return;
    }
    // Ctrl or Alt with a key that is not bound types nothing (Ctrl with Alt is AltGr on some
    // keyboards and types its character).
    const int modifiers = key & (Ctrl | Alt);
    if ((modifiers == Ctrl || modifiers == Alt) && !standardCommands()->boundTo(key)) {
        e->ignore();
        return;
    }
    const bool wasOverwrite = overwriteMode();
    QsciScintilla::keyPressEvent(e);
    if (overwriteMode() != wasOverwrite)
        emit insertModeChanged();
}

void SqlEdit::resizeEvent(QResizeEvent *e)
{
    QsciScintilla::resizeEvent(e);
    const QRect view = viewport()->geometry();
    gutter_->setGeometry(view.left() - gutterWidth(), view.top(), gutterWidth(), view.height());
}

int SqlEdit::gutterDigits() const
{
    return digits_;
}

int SqlEdit::gutterWidth() const
{
    return gutter_->widthFor(digits_);
}

QString SqlEdit::lineNumberText(int line) const
{
    return QString::number(line + 1).rightJustified(digits_, QLatin1Char('0'));
}

void SqlEdit::updateGutter()
{
    const int digits = std::max(minDigits_, digitCount(lines()));
    if (digits != digits_) {
        digits_ = digits;
        setViewportMargins(gutterWidth(), 0, 0, 0);
        const QRect view = viewport()->geometry();
        gutter_->setGeometry(view.left() - gutterWidth(), view.top(), gutterWidth(), view.height());
    }
    gutter_->update();
}

int SqlEdit::caretLine() const
{
    return int(SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETCURRENTPOS)));
}

int SqlEdit::caretColumn() const
{
    return int(SendScintilla(SCI_GETCOLUMN, SendScintilla(SCI_GETCURRENTPOS)));
}

// The component's own selectedText() gives the main selection alone, which of a column selection
// is its last line; this asks for the whole selection.
QString SqlEdit::selectionText() const
{
    const long size = SendScintilla(SCI_GETSELTEXT, 0ul, static_cast<void *>(nullptr));
    if (size <= 0)
        return {};
    QByteArray buffer(qsizetype(size) + 1, '\0');
    SendScintilla(SCI_GETSELTEXT, 0ul, static_cast<void *>(buffer.data()));
    return QString::fromUtf8(buffer.constData());
}

void SqlEdit::appendLine(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (SendScintilla(SCI_GETLENGTH) == 0)
        appendUtf8(bytes);
    else
        appendUtf8('\n' + bytes);
}

void SqlEdit::appendUtf8(const QByteArray &text)
{
    if (!text.isEmpty())
        SendScintilla(SCI_APPENDTEXT, uintptr_t(text.size()), text.constData());
}

// The component's change notification, delivered for every change, makes its accessibility
// support count the characters from the start of the text up to the change: appending a batch
// to a result of a million lines took a quarter of a second. Output is written with those
// notifications held back; the gutter and the caret panels hear of the new lines all the same.
void SqlEdit::appendOutput(const QByteArray &text)
{
    if (text.isEmpty())
        return;
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0ul);
    SendScintilla(SCI_APPENDTEXT, uintptr_t(text.size()), text.constData());
    SendScintilla(SCI_SETMODEVENTMASK, (unsigned long)mask);
    emit linesChanged();
}

void SqlEdit::clearOutput()
{
    const long mask = SendScintilla(SCI_GETMODEVENTMASK);
    SendScintilla(SCI_SETMODEVENTMASK, 0ul);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_SETMODEVENTMASK, (unsigned long)mask);
    emit linesChanged();
}

void SqlEdit::setBookmark(int number, int line, int column)
{
    if (number < 0 || number >= BookmarkCount)
        return;
    SendScintilla(SCI_MARKERDELETEALL, number);
    SendScintilla(SCI_MARKERADD, (unsigned long)line, long(number));
    bookmarkColumn_[number] = column;
    gutter_->update();
}

void SqlEdit::clearBookmarks()
{
    for (int number = 0; number < BookmarkCount; ++number)
        SendScintilla(SCI_MARKERDELETEALL, number);
    gutter_->update();
}

int SqlEdit::bookmarkLine(int number) const
{
    if (number < 0 || number >= BookmarkCount)
        return -1;
    return int(SendScintilla(SCI_MARKERNEXT, 0ul, long(1u << number)));
}

void SqlEdit::gotoBookmark(int number)
{
    const int line = bookmarkLine(number);
    if (line < 0)
        return;
    const long pos = SendScintilla(SCI_FINDCOLUMN, (unsigned long)line, long(bookmarkColumn_[number]));
    SendScintilla(SCI_GOTOPOS, (unsigned long)pos);
    SendScintilla(SCI_CHOOSECARETX);
    // A statement's output starts at the top of the view.
    const long first = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    if (line < first || line >= first + SendScintilla(SCI_LINESONSCREEN))
        SendScintilla(SCI_SETFIRSTVISIBLELINE, (unsigned long)line);
}

void SqlEdit::toggleBookmark(int number)
{
    const int line = caretLine();
    if (bookmarkLine(number) == line) {
        SendScintilla(SCI_MARKERDELETEALL, number);
        gutter_->update();
        return;
    }
    setBookmark(number, line, caretColumn());
}

namespace {

unsigned long modeMessage(SqlEdit::SelectionMode mode)
{
    return mode == SqlEdit::SelectionMode::Column ? QsciScintillaBase::SC_SEL_RECTANGLE
           : mode == SqlEdit::SelectionMode::Line ? QsciScintillaBase::SC_SEL_LINES
                                                  : QsciScintillaBase::SC_SEL_STREAM;
}

} // namespace

// The component's selection mode also decides whether plain moves select ("move extends");
// setting the same mode again flips that, so a second call reaches the wanted state.
void SqlEdit::applyMode(bool moveExtends)
{
    const unsigned long mode = modeMessage(mode_);
    SendScintilla(SCI_SETSELECTIONMODE, mode);
    if (bool(SendScintilla(SCI_GETMOVEEXTENDSSELECTION)) != moveExtends)
        SendScintilla(SCI_SETSELECTIONMODE, mode);
}

void SqlEdit::setSelectionMode(SelectionMode mode)
{
    mode_ = mode;
    applyMode(false);
}

SqlEdit::SelectionMode SqlEdit::selectionMode() const
{
    return mode_;
}

// A Shift move in line mode: the plain move, made while moves select whole lines.
void SqlEdit::moveInMode(int message)
{
    applyMode(true);
    SendScintilla(unsigned(message));
    applyMode(false);
}

void SqlEdit::indentBlock(bool indent)
{
    int lineFrom = 0, indexFrom = 0, lineTo = 0, indexTo = 0;
    const bool block = hasSelectedText();
    if (block) {
        getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
        // A selection that ends at the start of a line leaves that line alone.
        if (indexTo == 0 && lineTo > lineFrom)
            --lineTo;
    } else {
        lineFrom = lineTo = caretLine();
    }
    const int column = caretColumn();
    const int before = indentation(lineFrom);
    beginUndoAction();
    for (int line = lineFrom; line <= lineTo; ++line) {
        if (indent)
            QsciScintilla::indent(line);
        else
            unindent(line);
    }
    endUndoAction();
    // Without a selection the caret keeps its place in the text of its line.
    if (!block) {
        const int moved = std::max(0, column + indentation(lineFrom) - before);
        SendScintilla(SCI_GOTOPOS, (unsigned long)SendScintilla(SCI_FINDCOLUMN, (unsigned long)lineFrom, long(moved)));
        SendScintilla(SCI_CHOOSECARETX);
    }
}

void SqlEdit::insertLine()
{
    const long pos = SendScintilla(SCI_GETCURRENTPOS);
    SendScintilla(SCI_INSERTTEXT, (unsigned long)pos, "\n");
}

void SqlEdit::moveToPageEdge(bool bottom, bool extend)
{
    const long first = SendScintilla(SCI_DOCLINEFROMVISIBLE, SendScintilla(SCI_GETFIRSTVISIBLELINE));
    long line = first;
    if (bottom)
        line = std::min<long>(first + std::max<long>(SendScintilla(SCI_LINESONSCREEN), 1) - 1, lines() - 1);
    const long pos = SendScintilla(SCI_FINDCOLUMN, (unsigned long)line, long(caretColumn()));
    if (extend)
        SendScintilla(SCI_SETCURRENTPOS, (unsigned long)pos);
    else
        SendScintilla(SCI_SETEMPTYSELECTION, (unsigned long)pos);
    SendScintilla(SCI_CHOOSECARETX);
}

// Undo steps are counted as the component forms them (a run of typed characters is one step);
// only the newest UndoDepth of them can be undone. The component keeps older ones in memory.
void SqlEdit::onModified(int type)
{
    if ((type & SC_PERFORMED_USER) && (type & SC_STARTACTION))
        undoSteps_ = std::min(undoSteps_ + 1, UndoDepth);
    if (type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT))
        gutter_->update();
}

void SqlEdit::setText(const QString &text)
{
    QsciScintilla::setText(text);
    undoSteps_ = 0;
}

void SqlEdit::undo()
{
    if (!canUndo())
        return;
    QsciScintilla::undo();
    --undoSteps_;
}

void SqlEdit::redo()
{
    if (!canRedo())
        return;
    QsciScintilla::redo();
    undoSteps_ = std::min(undoSteps_ + 1, UndoDepth);
}

bool SqlEdit::canUndo() const
{
    return undoSteps_ > 0 && isUndoAvailable();
}

bool SqlEdit::canRedo() const
{
    return isRedoAvailable();
}

bool SqlEdit::canPaste() const
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    return SendScintilla(SCI_CANPASTE) && data && data->hasText();
}

void SqlEdit::resetUndo()
{
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    undoSteps_ = 0;
}

void SqlEdit::setUndoCollection(bool collect)
{
    SendScintilla(SCI_SETUNDOCOLLECTION, (unsigned long)collect);
}

int SqlEdit::searchFlags(bool matchCase, bool wholeWord) const
{
    return (matchCase ? SCFIND_MATCHCASE : 0) | (wholeWord ? SCFIND_WHOLEWORD : 0);
}

// The match of `text` between `from` and `to` (backwards when `to` < `from`); -1 when none.
long SqlEdit::searchRange(const QByteArray &text, long from, long to, long *end)
{
    SendScintilla(SCI_SETTARGETSTART, (unsigned long)from);
    SendScintilla(SCI_SETTARGETEND, (unsigned long)to);
    const long pos = SendScintilla(SCI_SEARCHINTARGET, uintptr_t(text.size()), text.constData());
    if (pos >= 0 && end)
        *end = SendScintilla(SCI_GETTARGETEND);
    return pos;
}

bool SqlEdit::findText(const QString &text, bool matchCase, bool wholeWord, bool forward)
{
    if (text.isEmpty())
        return false;
    SendScintilla(SCI_SETSEARCHFLAGS, (unsigned long)searchFlags(matchCase, wholeWord));
    const long start = SendScintilla(forward ? SCI_GETSELECTIONEND : SCI_GETSELECTIONSTART);
    long end = 0;
    const long pos = searchRange(text.toUtf8(), start, forward ? SendScintilla(SCI_GETLENGTH) : 0, &end);
    if (pos < 0)
        return false;
    SendScintilla(SCI_SETSEL, (unsigned long)pos, end);
    return true;
}

bool SqlEdit::findFromStart(const QString &text, bool matchCase, bool wholeWord)
{
    if (text.isEmpty())
        return false;
    SendScintilla(SCI_SETSEARCHFLAGS, (unsigned long)searchFlags(matchCase, wholeWord));
    long end = 0;
    const long pos = searchRange(text.toUtf8(), 0, SendScintilla(SCI_GETLENGTH), &end);
    if (pos < 0)
        return false;
    SendScintilla(SCI_SETSEL, (unsigned long)pos, end);
    return true;
}

int SqlEdit::replaceText(const QString &text, const QString &replacement, bool matchCase, bool wholeWord,
                         bool all)
{
    if (text.isEmpty())
        return 0;
    const QByteArray what = text.toUtf8();
    const QByteArray with = replacement.toUtf8();
    SendScintilla(SCI_SETSEARCHFLAGS, (unsigned long)searchFlags(matchCase, wholeWord));
    // A match that is the selection (as Find Next leaves it) is the first one replaced.
    const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
    const long selEnd = SendScintilla(SCI_GETSELECTIONEND);
    long end = 0;
    long from = selEnd;
    if (selEnd > selStart && searchRange(what, selStart, selEnd, &end) == selStart && end == selEnd)
        from = selStart;
    int count = 0;
    beginUndoAction();
    for (;;) {
        const long pos = searchRange(what, from, SendScintilla(SCI_GETLENGTH), &end);
        if (pos < 0)
            break;
        SendScintilla(SCI_REPLACETARGET, uintptr_t(with.size()), with.constData());
        from = SendScintilla(SCI_GETTARGETEND);
        ++count;
        if (!all)
            break;
    }
    endUndoAction();
    if (count)
        SendScintilla(SCI_SETEMPTYSELECTION, (unsigned long)from);
    return count;
}
