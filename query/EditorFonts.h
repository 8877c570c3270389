#pragma once

#include <QFont>

// "Courier New" 8 points for SQL text, "Terminal" 8 points for line numbers; where a family is
// not installed, the desktop's fixed-width font at the same size.
QFont sqlTextFont();
QFont lineNumberFont();
