#include "wizard/engine/SnapshotFile.h"

#include "wizard/engine/RegularFile.h"
#include "wizard/engine/SchemaJson.h"

#include <QFile>

namespace dao {

namespace {
// Larger files are refused rather than read into memory.
constexpr qint64 MaxSnapshotBytes = 256 * 1024 * 1024;
const QString Source = QStringLiteral("DAO.Workspace");
}  // namespace

bool isSnapshotName(const QString &name)
{
    return name.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

schema::Database loadSnapshot(const QString &path, ErrorList &errorList)
{
    if (const PathKind found = pathKind(path); found == PathKind::Missing || found == PathKind::Folder)
        errorList.fail(errors::FileNotFound, engineErrorText(errors::FileNotFound, path), Source);
    QFile file;
    QString kind;
    const RegularFileOpen opened = openRegularFile(path, file, &kind);
    failUnlessOpened(opened, path, kind, errorList, Source);
    if (file.size() > MaxSnapshotBytes)
        errorList.fail(errors::FormatNotRecognised,
                   QStringLiteral("Unrecognized database format '%1': the snapshot is larger than %2 bytes.")
                       .arg(path).arg(MaxSnapshotBytes),
                   Source);
    const QByteArray json = file.readAll();
    QString problem;
    std::optional<schema::Database> model = schema::fromJson(json, &problem);
    if (!model)
        errorList.fail(errors::FormatNotRecognised,
                   QStringLiteral("Unrecognized database format '%1': %2").arg(path, problem), Source);
    model->name = path;
    return std::move(*model);
}

}  // namespace dao
