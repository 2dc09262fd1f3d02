#pragma once
// A small schema model for engine tests, and a way to expect an engine error.

#include "utility/BasicError.h"
#include "RaisedError.h"
#include "SchemaBuilders.h"
#include "wizard/engine/SchemaModel.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

#include "QtPrinting.h"

inline schema::Database sampleModel()
{
    using namespace schemabuild;
    schema::Field name = textField(QStringLiteral("Name"));
    name.required = true;
    name.validationRule = QStringLiteral("Like \"A*\"");
    name.validationText = QStringLiteral("Line one\r\nline \"two\" — Zürich 東京 😀");
    schema::Database db = database(
        {table(QStringLiteral("Customers"), {longField(QStringLiteral("CustomerID"), true), name},
               {primaryKey(QStringLiteral("CustomerID"))}),
         table(QStringLiteral("Order Details"), {field(QStringLiteral("CustomerID"), 4, 4, 2)}, {}, 1),
         table(QStringLiteral("MSysObjects"), {}, {}, qint32(0x80000002))},
        {relation(QStringLiteral("CustomersOrder Details"), QStringLiteral("Customers"),
                  QStringLiteral("Order Details"), 0x1100,
                  {{QStringLiteral("CustomerID"), QStringLiteral("CustomerID")}})});
    db.name = QStringLiteral("shop.mdb");
    return db;
}

inline schema::Property designProperty(const char *name, int type, const QVariant &value)
{
    return schemabuild::property(QString::fromUtf8(name), type, value);
}

// The sample with the rest of a design: a table validation rule, design
// properties of every type, a lookup field and a descending key.
inline schema::Database designModel()
{
    schema::Database db = sampleModel();
    schema::Table &customers = db.tables[0];
    customers.validationRule = QStringLiteral("[Name] <> \"\" Or [CustomerID] > 100");
    customers.validationText = QStringLiteral("Give a name or a number above 100.");
    customers.properties = {
        designProperty("Description", 10, QStringLiteral("Customers' names — «Zürich» 東京")),
        designProperty("OrderByOn", 1, true),
        designProperty("FilterOn", 1, false),
        designProperty("DefaultView", 2, 255),
        designProperty("DatasheetFontHeight", 3, -32768),
        designProperty("LongLow", 4, int(0x80000000)),
        designProperty("LongHigh", 4, 2147483647),
        designProperty("CreditLimit", 5, qlonglong(std::numeric_limits<qint64>::max())),
        designProperty("Discount", 5, qlonglong(std::numeric_limits<qint64>::min())),
        designProperty("Rate", 5, qlonglong(-1234567)),
        designProperty("BackTint", 6, 0.1f),
        designProperty("BackShade", 6, std::numeric_limits<float>::max()),
        designProperty("Tiny", 6, std::numeric_limits<float>::denorm_min()),
        designProperty("Ratio", 7, 1.0 / 3.0),
        designProperty("Smallest", 7, 5e-324),
        designProperty("NotANumber", 7, std::numeric_limits<double>::quiet_NaN()),
        designProperty("MinusZero", 7, -0.0),
        designProperty("Unbounded", 7, -std::numeric_limits<double>::infinity()),
        designProperty("Opened", 8, 35250.572916666664),
        designProperty("Memo", 12, QStringLiteral("line one\r\nline two")),
        designProperty("ObjectID", 15, QStringLiteral("{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}")),
    };
    QByteArray everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte.append(char(b));
    customers.properties.append(designProperty("Picture", 9, everyByte));
    customers.properties.append(designProperty("Empty", 11, QByteArray()));
    customers.properties.append(designProperty("Amount", 20, QByteArray("\x12\x02\x00\x01", 4)));
    customers.fields[1].properties = {
        designProperty("Caption", 12, QStringLiteral("Customer")),
        designProperty("DisplayControl", 3, 111),
        designProperty("RowSourceType", 10, QStringLiteral("Table/Query")),
        designProperty("RowSource", 12, QStringLiteral("SELECT [Name] FROM [Customers]\r\n"
                                                       "WHERE [Name] Like \"A*\" ORDER BY [Name];")),
        designProperty("BoundColumn", 3, 1),
        designProperty("ColumnCount", 3, 2),
        designProperty("ColumnWidths", 10, QStringLiteral("0;1440")),
        designProperty("LimitToList", 1, true),
    };
    customers.indexes[0].descending = {true};
    return db;
}

using testsupport::raisedError;
