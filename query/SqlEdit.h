#pragma once

#include <Qsci/qsciscintilla.h>

#include <QHash>

#include <functional>

class LineGutter;

// The editor of the query window's Query and Result pages: fixed-width text on a grey gutter of
// zero-padded line numbers, bookmarks 0 to 9, at most ten undo steps, no optional editing
// behaviour and exactly the window's key bindings (listed in SqlEdit.cpp).
class SqlEdit : public QsciScintilla {
    Q_OBJECT
public:
    static constexpr int UndoDepth = 10;
    static constexpr int BookmarkCount = 10;

    enum class SelectionMode { Normal, Column, Line };

    // `gutterDigits`: the fewest digits the line numbers show; `styled`: false for plain text
    // that no highlighter colours, which then takes half the memory.
    explicit SqlEdit(int gutterDigits, bool styled = true, QWidget *parent = nullptr);
    ~SqlEdit() override;

    // 0-based caret line and column (tabs expanded); an empty text has one empty line.
    int caretLine() const;
    int caretColumn() const;
    // The selected text, of a column selection too (its lines joined by line breaks).
    QString selectionText() const;
    // Puts `text` on a new last line; an empty editor takes it as its only line.
    void appendLine(const QString &text);

    // Bookmark `number` (0 to 9) at a 0-based line and column; it moves with its line.
    void setBookmark(int number, int line, int column = 0);
    void clearBookmarks();
    int bookmarkLine(int number) const; // -1 when not set
    void gotoBookmark(int number);
    // The key command: sets the bookmark at the caret, or clears it when it is on the caret line.
    void toggleBookmark(int number);

    void setSelectionMode(SelectionMode mode);
    SelectionMode selectionMode() const;

    bool canUndo() const;
    bool canRedo() const;
    bool canPaste() const;
    // Forgets every undo step, for text that the program wrote.
    void resetUndo();
    // Text written by the program (the result) is not kept for undo while this is off.
    void setUndoCollection(bool collect);
    // Appends UTF-8 text as it is, without a line break of its own.
    void appendUtf8(const QByteArray &text);
    // Program output (the result text): appended or cleared without the component's change
    // notifications, which would cost a count of the characters from the start for every batch.
    void appendOutput(const QByteArray &text);
    void clearOutput();

    // Searching: `forward` from the end of the selection, else backwards from its start; a match
    // becomes the selection.
    bool findText(const QString &text, bool matchCase, bool wholeWord, bool forward);
    // Searches the whole text from its start, selecting the first match.
    bool findFromStart(const QString &text, bool matchCase, bool wholeWord);
    // Replaces the next match forwards (the selection itself when it is one), or every match
    // from there to the end; returns how many were replaced.
    int replaceText(const QString &text, const QString &replacement, bool matchCase, bool wholeWord,
                    bool all);

    // The gutter: the digits shown and the text of a 0-based line.
    int gutterDigits() const;
    QString lineNumberText(int line) const;
    int gutterWidth() const;

public slots:
    // Replaces the text and forgets every undo step, as the component does.
    void setText(const QString &text) override;
    void undo() override;
    void redo() override;
    // Ctrl+Shift+I and Ctrl+Shift+U: the lines of the selection (or the caret line) move by two
    // columns.
    void indentBlock(bool indent);
    // Ctrl+N: a line break at the caret, which stays where it is.
    void insertLine();
    // Ctrl+Page Up and Ctrl+Page Down: the caret goes to the top or bottom line of the page.
    void moveToPageEdge(bool bottom, bool extend);

signals:
    void insertModeChanged();

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void bindKeys();
    void addCommand(int key, std::function<void()> command);
    // The key with its Shift, Ctrl, Alt and Meta modifiers, digits as typed without Shift.
    int keyOf(const QKeyEvent *e) const;
    void onModified(int type);
    void updateGutter();
    void applyMode(bool moveExtends);
    void moveInMode(int message);
    int searchFlags(bool matchCase, bool wholeWord) const;
    long searchRange(const QByteArray &text, long from, long to, long *end);

    LineGutter *gutter_;
    int minDigits_;
    int digits_ = 0;
    int undoSteps_ = 0;
    int bookmarkColumn_[BookmarkCount] = {};
    QHash<int, std::function<void()>> commands_;
    // Shift moves: the plain move (made selecting in line mode) and the block move of column
    // mode (0: none, the move selects as in normal mode).
    QHash<int, std::pair<int, int>> shiftMoves_;
    SelectionMode mode_ = SelectionMode::Normal;
};
