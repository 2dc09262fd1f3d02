#include "TestPaths.h"

#include "CorpusFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A file every copy of the corpus holds.
const QString kCorpusMarker = QStringLiteral("northwind.mdb");

QString corpusCandidate()
{
    return corpusFolderCandidate(QStringLiteral(TABULO_SOURCE_DIR));
}

}  // namespace

QString testDataFolder()
{
    const QString folder = corpusCandidate();
    return QFileInfo(QDir(folder).filePath(kCorpusMarker)).isFile() ? folder : QString();
}

QString testDataPath(const QString &name)
{
    return QDir(corpusCandidate()).filePath(name);
}

QString samplePath()
{
    return QStringLiteral(TABULO_BINARY_DIR "/sample/fruit.mdb");
}

QString testDataMissing()
{
    if (!testDataFolder().isEmpty())
        return {};
    return QStringLiteral("needs the real-file corpus, not found at %1: set TABULO_TESTDATA to the folder "
                          "holding northwind.mdb and the other test files (README, \"Running the tests\")")
        .arg(corpusCandidate());
}

QString sampleMissing()
{
    if (QFileInfo(samplePath()).isFile())
        return {};
    return QStringLiteral("needs the sample database %1, which `make test` fetches: run "
                          "scripts/fetch-sample.sh %2")
        .arg(samplePath(), QStringLiteral(TABULO_BINARY_DIR));
}

bool testFilesRequired()
{
    return !qEnvironmentVariableIsEmpty("TABULO_TESTDATA_REQUIRED");
}
