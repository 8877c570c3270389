#pragma once

#include <QIcon>
#include <QString>

// The program's icon, from the desktop's icon theme ("jetwarden") when installed there, else
// drawn by the program.
QIcon appIcon();

// The icon of a command ("open", "refresh", "properties", "accounts", "objectmap", "query",
// "preferences", "about", "exit", "new", "execute", "stop", "save", "clear", "edit", "delete",
// "table", "group", "relation", "container"): the desktop theme's icon of a fitting name when
// the theme has one that can be drawn, else the program's own glyph. A null icon for any other
// name.
QIcon commandIcon(const QString &command);

// The desktop theme's name tried for a command; empty for an unknown command.
QString commandThemeName(const QString &command);
