#pragma once

class QPainter;
class QString;

// The program's own small pictures for commands and for the program itself, drawn as vectors
// on a 16 x 16 grid; the painter's transform scales them to any size.
namespace glyphs {

// Draws the glyph `name` (a command name such as "open", or "jetwarden"); false when there is
// no such glyph.
bool paint(QPainter &painter, const QString &name);
bool exists(const QString &name);

} // namespace glyphs
