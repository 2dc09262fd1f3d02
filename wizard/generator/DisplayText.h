#pragma once
// Names from a database are text from anywhere: printed as they are, an
// escape sequence in a table name could retitle or recolour the terminal, and
// a line break would split one listed name into two.

#include <QString>

namespace tabulo::cli {

// `text` with its control characters shown as escapes: the C0 and C1
// controls and DEL as \xHH ("\x1b", "\x0a"), line and paragraph separators
// and the bidirectional formatting characters as \uHHHH ("\u202e"). Every
// other character, the backslash included, stays as it is.
QString escapedForTerminal(const QString &text);

}  // namespace tabulo::cli
