#pragma once
// Opening a JSON snapshot (docs/schema-json.md) as a database: the file is
// read and checked, and served as the model's DAO objects. A database name
// ending in ".json" (any letter case) is a snapshot for both engines.

#include "wizard/engine/ModelDatabase.h"

namespace dao {

bool isSnapshotName(const QString &name);

// Fails through `errorList` with 3024 for a missing file, 3051 for one that
// cannot be read, 3343 for one that is no snapshot (the description names
// the file and the problem).
schema::Database loadSnapshot(const QString &path, ErrorList &errorList);

}  // namespace dao
