#pragma once
// The design of one database as plain values: what the Jet file reader
// produces, what a JSON snapshot holds, and what the in-memory engine serves.
// docs/schema-json.md describes the JSON form.

#include <QList>
#include <QString>

namespace schema {

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
};

struct Index {
    QString name;
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
    bool foreign = false;
    QList<QString> fields;      // field names in key order
};

struct Table {
    QString name;
    qint32 attributes = 0;      // DAO TableDef attribute bits
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

struct Database {
    QString name;               // the file it was read from
    QString version;            // "3.0", "4.0"
    QString replicaId;          // empty when not replicated
    QString designMasterId;
    QList<Table> tables;
    QList<Relation> relations;
};

}  // namespace schema
