#pragma once
// The compact form of the schema model: how the reader hands a design to
// the engine over the pipe. Numbers as they lie in memory and texts as
// their UTF-16 code units, each list and text after its length, so that
// writing is a copy and reading is a copy with bounds checks. Only
// programs of one build read each other's answers, so the form has no
// versions beyond a mark that tells it from JSON; snapshots and documents
// keep the JSON form (SchemaJson.h).

#include "wizard/engine/SchemaModel.h"

#include <QByteArray>
#include <optional>

namespace schema {

QByteArray toCompact(const Database &database);

// Whether `bytes` begin with the compact form's mark.
bool isCompact(const QByteArray &bytes);

// Reads a model; on a truncated or damaged answer it answers nothing and,
// when `problem` is given, says what is wrong ("tables[2].fields: the
// answer ends early").
std::optional<Database> fromCompact(const QByteArray &bytes, QString *problem = nullptr);

}  // namespace schema
