// What tabulo-schema-reader makes of stored design properties and names,
// written with the model's JSON writer and read back: every value of every
// type arrives exactly, members at their default are left out, and bytes
// that are no UTF-8 still make a valid document.
#include "DocumentDefaults.h"
#include "EngineFixtures.h"

#include "wizard/engine/SchemaJson.h"
#include "reader/ReaderText.h"
#include "reader/StoredValue.h"

#include <QJsonDocument>
#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;

template <class T>
Bytes stored(T value)
{
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

schema::Property property(const char *name, int type, Bytes bytes)
{
    return schema::Property{QString::fromLatin1(name), type, reader::storedValue(type, bytes)};
}

}  // namespace

TEST(ReaderJson, StoredValuesOfEveryTypeReadBackExactly)
{
    schema::Table table;
    table.name = QStringLiteral("Customers");
    table.validationRule = QStringLiteral("[Name] <> \"\"");
    table.validationText = QStringLiteral("Give a name.");
    table.properties = {
        property("FilterOn", 1, {0x00}),
        property("TotalsRow", 1, {0x01, 0, 0, 0}),
        property("DecimalPlaces", 2, {0xFF}),
        property("ColumnWidth", 3, {0xFF, 0xFF, 0xFF, 0xFF}),
        property("ThemeFontIndex", 4, stored(std::int32_t(-2147483647 - 1))),
        property("Limit", 5, stored(std::int64_t(-1234567))),
        property("Largest", 5, stored(std::numeric_limits<std::int64_t>::max())),
        property("BackTint", 6, stored(0.1f)),
        property("Odd", 6, stored(std::numeric_limits<float>::denorm_min())),
        property("Ratio", 7, stored(1.0 / 3.0)),
        property("Nothing", 7, stored(std::numeric_limits<double>::quiet_NaN())),
        property("MinusZero", 7, stored(-0.0)),
        property("Opened", 8, stored(35250.572916666664)),
        property("Picture", 9, {0x00, 0xFF, 0x7F, 0x80}),
        property("ObjectID", 15, {0x6E, 0x80, 0xEB, 0x13, 0xEE, 0x3C, 0x81, 0x40, 0x87, 0xDE, 0x61, 0xFA, 0x88, 0xB7,
                                  0xFB, 0x28}),
        property("Amount", 20, {0x12, 0x02}),
    };
    table.properties.push_back(
        {QStringLiteral("Description"), 10, reader::readerText("Z\xC3\xBCrich \"quoted\"\r\nline two")});
    schema::Field field;
    field.name = QStringLiteral("Name");
    field.type = 10;
    field.properties.push_back({QStringLiteral("RowSource"), 12,
                                QStringLiteral("SELECT [Name] FROM [Customers]\r\nWHERE [Name] Like \"A*\";")});
    table.fields = {field};
    schema::Index index;
    index.name = QStringLiteral("ByName");
    index.fields = {QStringLiteral("Name"), QStringLiteral("Name2")};
    index.descending = {false, true};
    table.indexes = {index};
    schema::Database db;
    db.version = QStringLiteral("4.0");
    db.tables = {table};

    const QByteArray json = schema::toJson(db);
    QString problem;
    const auto model = schema::fromJson(json, &problem);
    ASSERT_TRUE(model) << problem.toStdString();
    const schema::Table &t = model->tables[0];
    EXPECT_EQ(t.validationRule, QStringLiteral("[Name] <> \"\""));
    EXPECT_EQ(t.validationText, QStringLiteral("Give a name."));
    EXPECT_EQ(t.indexes[0].descending, (QList<bool>{false, true}));
    ASSERT_EQ(t.properties.size(), qsizetype(table.properties.size()));
    const auto value = [&](qsizetype k) { return t.properties[k].value; };
    EXPECT_EQ(value(0), QVariant(false));
    EXPECT_EQ(value(1), QVariant(true));
    EXPECT_EQ(value(2), QVariant(255));
    EXPECT_EQ(value(3), QVariant(-1));
    EXPECT_EQ(value(4), QVariant(int(-2147483647 - 1)));
    EXPECT_EQ(value(5), QVariant(qlonglong(-1234567)));
    EXPECT_EQ(value(6), QVariant(std::numeric_limits<qlonglong>::max()));
    EXPECT_EQ(value(7), QVariant(0.1f));
    EXPECT_EQ(value(8), QVariant(std::numeric_limits<float>::denorm_min()));
    EXPECT_EQ(value(9), QVariant(1.0 / 3.0));
    EXPECT_TRUE(std::isnan(value(10).toDouble()));
    EXPECT_TRUE(std::signbit(value(11).toDouble()));
    EXPECT_EQ(value(12), QVariant(35250.572916666664));
    EXPECT_EQ(value(13), QVariant(QByteArray("\x00\xFF\x7F\x80", 4)));
    EXPECT_EQ(value(14), QVariant(QStringLiteral("{13EB806E-3CEE-4081-87DE-61FA88B7FB28}")));
    EXPECT_EQ(t.properties[15].type, 20);
    EXPECT_EQ(value(15), QVariant(QByteArray("\x12\x02", 2)));
    EXPECT_EQ(value(16), QVariant(QStringLiteral("Zürich \"quoted\"\r\nline two")));
    EXPECT_EQ(t.fields[0].properties[0].value.toString(),
              QStringLiteral("SELECT [Name] FROM [Customers]\r\nWHERE [Name] Like \"A*\";"));

    // Written again, the model gives the same document, which leaves the
    // members at their default out: the ascending key field is its name alone.
    EXPECT_EQ(schema::toJson(*model), json);
    const QJsonObject answer = QJsonDocument::fromJson(json).object();
    EXPECT_EQ(answer["tables"][0]["indexes"][0]["fields"][0], QJsonValue("Name"));
    EXPECT_FALSE(answer["tables"][0]["fields"][0].toObject().contains("size"));
    EXPECT_TRUE(documentdefaults::membersAtDefault(answer["tables"][0]["fields"][0].toObject()).isEmpty());
}

TEST(ReaderJson, BytesThatAreNoUtf8BecomeReplacementCharacters)
{
    EXPECT_EQ(reader::readerText("Stra\xC3\x9F" "e \xE6\x9D\xB1"), QStringLiteral("Stra\u00DFe \u6771"));
    // A byte that starts no valid sequence is one U+FFFD, the rest is kept;
    // overlong forms and encoded surrogates are no valid sequences either.
    EXPECT_EQ(reader::readerText("a\xFF" "b\xE6\x9D" "c"), QStringLiteral("a\uFFFDb\uFFFD\uFFFDc"));
    EXPECT_EQ(reader::readerText("\xC0\xAF\xED\xA0\x80"), QString(5, QChar::ReplacementCharacter));
    // Control characters, quotes and lone surrogates are written so that
    // the document reads back as the same text.
    schema::Database db;
    db.name = reader::readerText("x\x01\"\\\t\xFF");
    db.tables.append(schema::Table{});
    db.tables[0].name = QString(QChar(0xD800)) + QStringLiteral("\U0001F600");
    const QByteArray json = schema::toJson(db);
    EXPECT_TRUE(json.contains(R"("name":"x\u0001\"\\\t)" "\xEF\xBF\xBD\"")) << json.constData();
    EXPECT_TRUE(json.contains(R"("name":"\ud800)" "\xF0\x9F\x98\x80\"")) << json.constData();
    const auto back = schema::fromJson(json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->name, db.name);
    EXPECT_EQ(back->tables[0].name, db.tables[0].name);
}
