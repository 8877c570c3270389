#pragma once

#include <QFont>

namespace objectmap {

// Tahoma 8 points where installed, else the desktop's sans-serif font at that size.
QFont windowFont();
// "Courier New" 8 points where installed, else the desktop's monospace font at that size.
QFont sqlFont();

} // namespace objectmap
