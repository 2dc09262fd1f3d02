#pragma once
// The JSON form of the schema model (docs/schema-json.md): what
// tabulo-schema-reader prints and what a snapshot file holds. Texts go
// through unchanged: quotes, line breaks, non-ASCII characters.

#include "wizard/engine/SchemaModel.h"

#include <QByteArray>
#include <optional>

namespace schema {

// The model as an indented UTF-8 JSON document.
QByteArray toJson(const Database &database);

// Reads a model; on malformed JSON, a wrong type or a value out of range it
// answers nothing and, when `problem` is given, says what is wrong and where
// ("tables[2].fields[0].size: not a whole number").
std::optional<Database> fromJson(const QByteArray &json, QString *problem = nullptr);

// The reader's answer when it cannot describe a file:
// {"error": {"number": 3343, "description": "..."}}.
struct ReaderError {
    int number = 0;
    QString description;
};
QByteArray toJson(const ReaderError &error);
// The error object of a reader's answer, if the answer is one.
std::optional<ReaderError> readerErrorFromJson(const QByteArray &json);

}  // namespace schema
