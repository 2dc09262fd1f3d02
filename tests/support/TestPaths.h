#pragma once
// Where tests find the shared sample files and the build tree.

#include <QString>

inline QString testDataPath(const QString &name)
{
    return QStringLiteral(TABULO_TESTDATA "/") + name;
}
