#include "LineGutter.h"

#include "EditorFonts.h"
#include "SqlEdit.h"

#include <QPainter>

namespace {
constexpr int Padding = 3;
}

LineGutter::LineGutter(SqlEdit *editor) : QWidget(editor), editor_(editor)
{
    setObjectName(QStringLiteral("gutter"));
    setFont(lineNumberFont());
    setAutoFillBackground(false);
}

int LineGutter::widthFor(int digits) const
{
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    // The bookmark column holds one digit in a box.
    return Padding + (digit + 4) + Padding + digits * digit + Padding;
}

void LineGutter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    const long first = editor_->SendScintilla(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE,
                                              editor_->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE));
    const int lineHeight = int(editor_->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0ul));
    const int count = editor_->lines();
    if (lineHeight <= 0)
        return;
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int markWidth = digit + 4;
    p.setPen(palette().color(QPalette::ButtonText));
    for (int line = int(first), y = 0; line < count && y < height(); ++line, y += lineHeight) {
        const QRect numbers(0, y, width() - Padding, lineHeight);
        p.drawText(numbers, Qt::AlignRight | Qt::AlignVCenter, editor_->lineNumberText(line));
        const unsigned marks = unsigned(editor_->SendScintilla(QsciScintillaBase::SCI_MARKERGET, line))
                               & ((1u << SqlEdit::BookmarkCount) - 1);
        if (!marks)
            continue;
        int number = 0;
        while (!(marks & (1u << number)))
            ++number;
        const QRect box(Padding, y + 1, markWidth, lineHeight - 2);
        p.fillRect(box, palette().color(QPalette::Base));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.drawText(box, Qt::AlignCenter, QString::number(number));
    }
}
