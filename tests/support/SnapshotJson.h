#pragma once
// The one way tests and benchmarks turn a schema model into the JSON
// snapshot form (docs/schema-json.md), as text or as a source file.

#include "wizard/engine/SchemaJson.h"
#include "wizard/engine/SchemaModel.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace testsupport {

inline QByteArray snapshotJson(const schema::Database &model)
{
    return schema::toJson(model);
}

// Writes `model` as the snapshot file `path`; false when it cannot.
inline bool writeSnapshot(const QString &path, const schema::Database &model)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(snapshotJson(model));
    return file.commit();
}

}  // namespace testsupport
