#pragma once
// Where the real-file corpus is looked for: the folder $TABULO_TESTDATA (a
// relative name is read from the project root, where `make test` runs), else
// ../shared/testdata beside the project. Shared by the tests and the
// benchmarks.

#include <QDir>
#include <QString>

inline QString corpusFolderCandidate(const QString &projectRoot)
{
    const QString named = qEnvironmentVariable("TABULO_TESTDATA");
    return QDir::cleanPath(
        QDir(projectRoot).absoluteFilePath(named.isEmpty() ? QStringLiteral("../shared/testdata") : named));
}
