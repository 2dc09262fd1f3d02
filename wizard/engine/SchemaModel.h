#pragma once
// The design of one database as plain values: what the Jet file reader
// produces, what a JSON snapshot holds, and what the in-memory engine serves.
// docs/schema-json.md describes the JSON form.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace schema {

// The longest name of a table, field, index, relationship or property that
// a statement of the generated module can hold: a name is written as one
// string literal, continued over at most 25 lines of 1,023 characters.
// Reading a document refuses a longer name.
constexpr qsizetype MaxNameLength = 25 * 1023;

// A design property stored with a table or field beyond the members the
// model has for it (such as Description, Caption, Format, DecimalPlaces,
// the lookup and datasheet settings), kept with the type it is stored as.
// The value's C++ type follows `type`:
//   1 Boolean                    bool
//   2 Byte, 3 Integer, 4 Long    int (as stored; a damaged file may give
//                                 one outside its type's range)
//   5 Currency                   qlonglong: the amount in ten-thousandths
//   6 Single                     float
//   7 Double                     double
//   8 Date                       double: Basic's serial date (days since
//                                 30 December 1899, the time as fraction)
//   10 Text, 12 Memo             QString
//   15 GUID                      QString "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   9 Binary, 11 Long binary     QByteArray
//   and any other code           QByteArray, the value's bytes as stored
struct Property {
    QString name;
    int type = 10;              // DAO type code (dao::DataType)
    QVariant value;
};

struct Field {
    QString name;
    int type = 10;              // DAO type code (dao::DataType)
    qint32 size = 0;            // in DAO's units: characters for Text, bytes for Binary
    qint32 attributes = 0;      // DAO field attribute bits
    bool required = false;
    bool allowZeroLength = false;
    QString defaultValue;
    QString validationRule;
    QString validationText;
    QString expression;         // a calculated field's Expression; empty otherwise
    bool appendOnly = false;    // a memo's AppendOnly
    // The file's storage type code for a column no DAO type names (then
    // `type` is 0); 0 for every other column.
    int storageType = 0;
    // A Decimal's precision (total digits, 1 to 28) and scale (digits after
    // the point); 0 when the field is no Decimal or they are unknown.
    int precision = 0;
    int scale = 0;
    QList<Property> properties; // in stored order
};

struct Index {
    QString name;
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
    bool foreign = false;
    QList<QString> fields;      // field names in key order
    QList<bool> descending;     // for each of `fields`: sorted descending; may be shorter

    bool isDescending(qsizetype k) const { return k < descending.size() && descending[k]; }
};

struct Table {
    QString name;
    qint32 attributes = 0;      // DAO TableDef attribute bits
    QString validationRule;     // the table's own rule, across its fields
    QString validationText;
    QList<Property> properties; // in stored order
    QList<Field> fields;
    QList<Index> indexes;
};

struct RelationField {
    QString name;               // column of the referenced (primary) table
    QString foreignName;        // column of the referencing table
};

struct Relation {
    QString name;
    QString table;              // referenced (primary) table
    QString foreignTable;       // referencing table
    qint32 attributes = 0;      // DAO relation attribute bits
    bool partialReplica = false;
    QList<RelationField> fields;
};

// A parameter a saved query declares: its name as written (without
// brackets) and its DAO type code.
struct QueryParameter {
    QString name;
    int type = 10;
};

// A saved query: its DAO QueryDef type (0 select, 16 crosstab, 32 delete,
// 48 update, 64 append, 80 make table, 96 data definition, 112
// pass-through, 128 union), its text in Access SQL as rebuilt from the
// stored rows, and what only some types have.
struct Query {
    QString name;
    int type = 0;
    QString sql;
    QList<QueryParameter> parameters;   // in declared order
    bool hidden = false;
    QString connect;                    // a pass-through query's ODBC connect string
    bool returnsRecords = true;         // a pass-through query's ReturnsRecords
    // The tables and queries of this database the query reads or writes,
    // each once, in the order they appear; not those named with an
    // IN-clause of another database.
    QStringList sources;
    QList<Property> properties;         // in stored order, such as Description

    // The engine's own queries behind forms and reports: read, never written.
    bool isSystem() const { return name.startsWith(u"~sq_"); }
};

struct Database {
    QString name;               // the file it was read from
    QString version;            // "3.0", "4.0", "12.0" (every ACE file)
    QString replicaId;          // empty when not replicated
    QString designMasterId;
    QList<Table> tables;
    QList<Relation> relations;
    QList<Query> queries;       // in the file's catalogue order
    // What of the design the reader could not read from a damaged file, one
    // line each, naming the file and what is lost; empty for a whole design.
    QStringList warnings;
};

}  // namespace schema

// The model's entries move by their bytes, so that its lists grow in place
// instead of copying every entry into a new block beside the old one.
Q_DECLARE_TYPEINFO(schema::Property, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::Field, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::Index, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::Table, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::RelationField, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::Relation, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::QueryParameter, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(schema::Query, Q_RELOCATABLE_TYPE);
