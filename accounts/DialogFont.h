#pragma once

#include <QFont>

namespace accounts {

// Tahoma 8 points where installed, else the desktop's sans-serif font at that size: the accounts
// dialogs are laid out for it.
inline QFont dialogFont()
{
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace accounts
