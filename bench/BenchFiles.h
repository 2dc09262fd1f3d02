#pragma once
// The real-file corpus for the benchmarks that read real Jet files; without
// it those benchmarks are skipped with a message saying what to set.

#include "tests/support/CorpusFolder.h"

#include <QFileInfo>
#include <benchmark/benchmark.h>

// The path of the corpus file `name`; "" (and the benchmark skipped) when
// it is missing.
inline QString corpusFile(benchmark::State &state, const QString &name)
{
    const QString path = QDir(corpusFolderCandidate(QStringLiteral(TABULO_SOURCE_DIR))).filePath(name);
    if (QFileInfo(path).isFile())
        return path;
    state.SkipWithError("needs the real-file corpus: set TABULO_TESTDATA to its folder");
    return {};
}
