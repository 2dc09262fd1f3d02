#pragma once
// Writes an SQL script that creates the chosen tables of a design in
// another database engine: SQLite, PostgreSQL or MariaDB/MySQL. The script
// is UTF-8 text with LF line ends; it reads the design model directly, as
// the Basic module's writer reads the same design.

#include "wizard/engine/SchemaModel.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace tabulo::sql {

enum class Dialect { SQLite, PostgreSQL, MySQL };

// The dialect a front end names: "sqlite", "postgresql" or "mysql" (letter
// case aside); none for any other name.
std::optional<Dialect> dialectNamed(QStringView name);
// The name dialectNamed() reads.
QString dialectName(Dialect dialect);
// What the dialect is called in messages and in the script's first line.
QString dialectTitle(Dialect dialect);

struct ScriptOptions {
    Dialect dialect = Dialect::PostgreSQL;
    bool includeRelations = true;
    // Every identifier folded to lower case, for unquoted SQL against
    // PostgreSQL; two names that then collide are refused.
    bool lowercaseNames = false;
};

struct Script {
    QString text;
    // What the script leaves out, one line each naming the table, the field
    // and the text: the script holds a "-- Left out:" comment for each.
    QStringList warnings;
};

// The script for `tables` (names of db.tables, in the order given; letter
// case aside). Fails with a BasicError (error 5) for two names that collide
// under lowercaseNames, and with 3265 for a table the design lacks.
Script writeScript(const schema::Database &db, const QStringList &tables, const ScriptOptions &options);

}  // namespace tabulo::sql
