#pragma once
// Building schema model values in a line each, for the tests and the
// benchmarks:
//
//   database({table("Customers", {longField("CustomerID", true), textField("Name", 40)},
//                   {primaryKey("CustomerID")}),
//             table("Orders", {longField("OrderID", true), longField("CustomerID")})},
//            {relation("CustomersOrders", "Customers", "Orders", 256, {{"CustomerID", "CustomerID"}})});

#include "wizard/engine/SchemaModel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace schemabuild {

inline schema::Field field(const QString &name, int type, qint32 size, qint32 attributes = 0)
{
    schema::Field f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.attributes = attributes;
    return f;
}

// A Text field of variable length (dbVariableField).
inline schema::Field textField(const QString &name, qint32 size = 50)
{
    return field(name, 10, size, 2);
}

// A Long field, fixed (dbFixedField), or an AutoNumber (dbAutoIncrField too).
inline schema::Field longField(const QString &name, bool autoNumber = false)
{
    return field(name, 4, 4, autoNumber ? 17 : 1);
}

// A primary key is also unique and required.
inline schema::Index index(const QString &name, QStringList fields, bool primary = false, bool foreign = false)
{
    schema::Index i;
    i.name = name;
    i.fields = std::move(fields);
    i.primary = primary;
    i.unique = primary;
    i.required = primary;
    i.foreign = foreign;
    return i;
}

inline schema::Index primaryKey(const QString &field)
{
    return index(QStringLiteral("PrimaryKey"), {field}, true);
}

inline schema::Table table(const QString &name, QList<schema::Field> fields, QList<schema::Index> indexes = {},
                           qint32 attributes = 0)
{
    schema::Table t;
    t.name = name;
    t.attributes = attributes;
    t.fields = std::move(fields);
    t.indexes = std::move(indexes);
    return t;
}

// `primary` is the referenced table, `foreign` the referencing one.
inline schema::Relation relation(const QString &name, const QString &primary, const QString &foreign,
                                 qint32 attributes, QList<schema::RelationField> fields)
{
    schema::Relation r;
    r.name = name;
    r.table = primary;
    r.foreignTable = foreign;
    r.attributes = attributes;
    r.fields = std::move(fields);
    return r;
}

inline schema::Property property(const QString &name, int type, const QVariant &value)
{
    return schema::Property{name, type, value};
}

// A Jet 4 database unless `version` says otherwise.
inline schema::Database database(QList<schema::Table> tables, QList<schema::Relation> relations = {},
                                 const QString &version = QStringLiteral("4.0"))
{
    schema::Database db;
    db.version = version;
    db.tables = std::move(tables);
    db.relations = std::move(relations);
    return db;
}

}  // namespace schemabuild
