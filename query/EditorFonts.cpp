#include "EditorFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QFont fixedFont(const QString &family)
{
    QFont font = QFontDatabase::families().contains(family, Qt::CaseInsensitive)
                     ? QFont(family)
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

QFont sqlTextFont()
{
    return fixedFont(QStringLiteral("Courier New"));
}

QFont lineNumberFont()
{
    return fixedFont(QStringLiteral("Terminal"));
}
