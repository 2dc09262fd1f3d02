#pragma once
// The JSON form of the schema model (docs/schema-json.md): what
// tabulo-schema-reader prints and what a snapshot file holds. Texts go
// through unchanged: quotes, line breaks, non-ASCII characters. One writer
// (SchemaJsonWriter.cpp) and one reader (SchemaJson.cpp, on JsonScanner)
// serve every document: the reader's answers, snapshots, test files.

#include "wizard/engine/SchemaModel.h"

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace schema {

// The model as one line of UTF-8 JSON, members at their default left out.
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

// The reader's answer for a workgroup file:
// {"format": "tabulo-workgroup", "users": ["admin", ...]}.
QByteArray workgroupToJson(const QStringList &users);
// The user names of such an answer; nothing when it has no list of users.
std::optional<QStringList> workgroupFromJson(const QByteArray &json);

}  // namespace schema
