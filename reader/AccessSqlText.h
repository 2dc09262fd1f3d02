#pragma once
// Names and literals in Access SQL text: when a name needs brackets, the
// parts of a qualified name, a quoted literal, and the names a query's text
// reads after FROM and JOIN.

#include <QString>
#include <QStringList>

namespace reader {

// `name` as Access SQL writes a name: in brackets when it is not a plain
// word or is a reserved word, as it is otherwise.
QString sqlName(const QString &name);
// A qualified name ("Orders.OrderID", "[Order Details].Quantity") with
// each part bracketed where it needs it; a bracketed part stays as it is.
QString sqlQualifiedName(const QString &name);

bool isReservedWord(const QString &word);
// Whether `name` is one name in brackets, "[Order Details]".
bool isBracketed(const QString &name);
QString withoutBrackets(const QString &part);
// The parts of a name qualified with `separator` ("[Order Details].Quantity",
// "Forms![Sales by Year Dialog]!BeginningDate"), each as stored; a separator
// inside brackets is part of the name.
QStringList nameParts(const QString &name, QChar separator);

// A string literal of Access SQL in single quotes.
QString quotedLiteral(const QString &text);

// The tables and queries an SQL text names after FROM and JOIN (and after
// the commas of a FROM list), without brackets, each once.
QStringList namesInFromClauses(const QString &sql);

}  // namespace reader
