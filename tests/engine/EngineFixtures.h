#pragma once
// A small schema model for engine tests, and a way to expect an engine error.

#include "utility/BasicError.h"
#include "wizard/engine/SchemaModel.h"

#include <gtest/gtest.h>

#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline schema::Database sampleModel()
{
    schema::Database db;
    db.name = QStringLiteral("shop.mdb");
    db.version = QStringLiteral("4.0");
    schema::Table customers;
    customers.name = QStringLiteral("Customers");
    schema::Field id;
    id.name = QStringLiteral("CustomerID");
    id.type = 4;
    id.size = 4;
    id.attributes = 17;
    schema::Field name;
    name.name = QStringLiteral("Name");
    name.type = 10;
    name.size = 50;
    name.attributes = 2;
    name.required = true;
    name.validationRule = QStringLiteral("Like \"A*\"");
    name.validationText = QStringLiteral("Line one\r\nline \"two\" — Zürich 東京 😀");
    customers.fields = {id, name};
    schema::Index pk;
    pk.name = QStringLiteral("PrimaryKey");
    pk.primary = pk.unique = pk.required = true;
    pk.fields = {QStringLiteral("CustomerID")};
    customers.indexes = {pk};
    schema::Table orders;
    orders.name = QStringLiteral("Order Details");
    orders.attributes = 1;
    schema::Field customer = id;
    customer.attributes = 2;
    orders.fields = {customer};
    schema::Table system;
    system.name = QStringLiteral("MSysObjects");
    system.attributes = qint32(0x80000002);
    db.tables = {customers, orders, system};
    schema::Relation rel;
    rel.name = QStringLiteral("CustomersOrder Details");
    rel.table = QStringLiteral("Customers");
    rel.foreignTable = QStringLiteral("Order Details");
    rel.attributes = 0x1100;
    rel.fields = {{QStringLiteral("CustomerID"), QStringLiteral("CustomerID")}};
    db.relations = {rel};
    return db;
}

// Runs `call` and answers the engine error it threw (number 0 when none).
template <class F>
pembry::BasicError engineFailure(F &&call)
{
    try {
        call();
    } catch (const pembry::BasicError &e) {
        return e;
    }
    return {};
}
