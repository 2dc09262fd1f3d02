#pragma once
// Names from a database are text from anywhere: shown as they are, an escape
// sequence in a table name could retitle or recolour the terminal, a line
// break would split one listed name into two, and a right-to-left override
// would show "abc\u202Eexe.txt" as "abctxt.exe".

#include <QString>

namespace tabulo {

// `text` with its control characters shown as escapes: the C0 and C1
// controls and DEL as \xHH ("\x1b", "\x0a"), line and paragraph separators
// and the bidirectional formatting characters as \uHHHH ("\u202e"). Every
// other character, the backslash included, stays as it is.
QString escapedForDisplay(const QString &text);

// The warning for a field the module leaves out because no DAO type names its
// storage type: `table "T", field "F": its storage type 0x46 has no DAO type;
// the module leaves it out.`, the names escaped as above.
QString leftOutFieldWarning(const QString &table, const QString &field, int storageType);

}  // namespace tabulo
