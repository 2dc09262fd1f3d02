#pragma once
// A large in-memory schema for the benchmarks of the module writer and the
// generator: `tableCount` tables ("Table 0", ...) of 50 fields and 3
// indexes each, and one relationship from each table to the next.

#include "wizard/engine/SchemaModel.h"

inline constexpr int kFieldsPerTable = 50;
inline constexpr int kIndexesPerTable = 3;

inline schema::Database largeSchema(int tableCount)
{
    schema::Database db;
    db.version = QStringLiteral("4.0");
    db.tables.reserve(tableCount);
    for (int t = 0; t < tableCount; ++t) {
        schema::Table table;
        table.name = QStringLiteral("Table %1").arg(t);
        for (int f = 0; f < kFieldsPerTable; ++f) {
            schema::Field field;
            field.name = QStringLiteral("Field%1").arg(f);
            field.type = f == 0 ? 4 : (f % 3 == 0 ? 8 : 10);
            field.size = field.type == 10 ? 50 : 4;
            field.attributes = f == 0 ? 17 : 2;
            field.required = f % 5 == 0;
            if (f % 7 == 0)
                field.defaultValue = QStringLiteral("\"n/a\"");
            if (f % 11 == 0) {
                field.validationRule = QStringLiteral("Is Not Null");
                field.validationText = QStringLiteral("Field %1 needs a value").arg(f);
            }
            table.fields.append(field);
        }
        for (int i = 0; i < kIndexesPerTable; ++i) {
            schema::Index index;
            index.name = i == 0 ? QStringLiteral("PrimaryKey") : QStringLiteral("Index%1").arg(i);
            index.primary = i == 0;
            index.unique = i < 2;
            index.fields = {QStringLiteral("Field%1").arg(i), QStringLiteral("Field%1").arg(i + 3)};
            table.indexes.append(index);
        }
        db.tables.append(table);
    }
    for (int r = 0; r < tableCount; ++r) {
        schema::Relation relation;
        relation.name = QStringLiteral("Relation%1").arg(r);
        relation.table = QStringLiteral("Table %1").arg(r);
        relation.foreignTable = QStringLiteral("Table %1").arg((r + 1) % tableCount);
        relation.attributes = 256;
        relation.fields = {{QStringLiteral("Field0"), QStringLiteral("Field1")}};
        db.relations.append(relation);
    }
    return db;
}

