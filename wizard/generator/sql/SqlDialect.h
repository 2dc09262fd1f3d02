#pragma once
// What sets the three SQL dialects apart, as one table of differences: how
// names are quoted and how long they may be, the type names, how an
// AutoNumber is generated, where comments and foreign keys go. The script
// writer reads every difference from here.

#include "wizard/engine/SchemaModel.h"
#include "wizard/generator/sql/SqlScript.h"

#include <QLatin1StringView>
#include <QString>

namespace tabulo::sql {

struct DialectRules {
    Dialect dialect;
    QLatin1StringView title;
    QChar openQuote;
    QChar closeQuote;
    // The longest name, in UTF-8 bytes (PostgreSQL) or in characters; 0
    // for no limit.
    int maxNameLength;
    bool nameLengthInBytes;
    // Index names share one namespace for the whole schema (with the
    // tables), rather than one per table.
    bool schemaWideIndexNames;
    // Foreign keys can only be declared inside CREATE TABLE.
    bool foreignKeysInCreateTable;
    // The script runs as one transaction, DDL included.
    bool transactionalDdl;
    // Descriptions: COMMENT ON statements, a COMMENT clause, or "--" lines.
    enum class Comments { Statements, Clauses, Lines } comments;
    // A CHECK may compare with the current date or time.
    bool checkAllowsCurrentDate;
    // LIKE ignores letter case, as Access's Like does, or ILIKE does.
    QLatin1StringView caseBlindLike;
    // The text a CREATE TABLE ends with after its closing parenthesis.
    QLatin1StringView tableOptions;
};

const DialectRules &rulesOf(Dialect dialect);

// The name as a quoted identifier.
QString quotedName(const DialectRules &rules, QStringView name);

// The text as a string literal of the dialect (control characters and
// backslashes escaped as it needs).
QString stringLiteral(const DialectRules &rules, QStringView text);

// The column type of a field of a scalar DAO type (not a complex type); an
// empty text for a type the dialect has no column type for.
QString columnType(const DialectRules &rules, const schema::Field &field);

// The bytes a MySQL column of the field may take in a row, as MariaDB
// counts them when it creates a table: in InnoDB's record, whose limit is
// 8,126 bytes (a long value counts as its 20-byte pointer and a length
// byte), and in the server's row, whose limit is 65,535 bytes (a long
// value counts as its pointer, up to 12 bytes).
struct RowBytes {
    int innodb = 0;
    int server = 0;
};
RowBytes mysqlRowBytes(const schema::Field &field);
// A column made `text` to fit the row.
constexpr RowBytes kTextRowBytes{21, 10};

}  // namespace tabulo::sql
