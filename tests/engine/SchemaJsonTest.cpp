#include "EngineFixtures.h"

#include "wizard/engine/SchemaJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

using schema::fromJson;
using schema::toJson;

namespace {

void expectSameModel(const schema::Database &a, const schema::Database &b)
{
    // toJson leaves out only members at their default, so equal texts mean
    // equal models.
    EXPECT_EQ(toJson(a), toJson(b));
}

}  // namespace

TEST(SchemaJson, RoundTripKeepsEveryTextExactly)
{
    schema::Database db = sampleModel();
    db.replicaId = QStringLiteral("{12345678-ABCD-1234-ABCD-1234567890AB}");
    db.tables[0].fields[1].defaultValue = QStringLiteral("\"x\"\t\\ \u0001 end\n");
    db.tables[0].name = QString(QChar(0x4E2D)) + QStringLiteral("\u00e9 \"quoted\"");
    db.warnings = {QStringLiteral("'shop.mdb': the relationships could not be read."), QStringLiteral("\u00e9")};
    const std::optional<schema::Database> back = fromJson(toJson(db));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->warnings, db.warnings);
    expectSameModel(db, *back);
    EXPECT_EQ(back->tables[0].name, db.tables[0].name);
    EXPECT_EQ(back->tables[0].fields[1].validationText, db.tables[0].fields[1].validationText);
    EXPECT_EQ(back->tables[0].fields[1].defaultValue, db.tables[0].fields[1].defaultValue);
    EXPECT_EQ(back->tables[2].attributes, qint32(0x80000002));
    EXPECT_EQ(back->relations[0].fields[0].foreignName, QStringLiteral("CustomerID"));
}

TEST(SchemaJson, AbsentMembersTakeDefaultsAndUnsignedAttributesWrap)
{
    const auto db = fromJson(R"({"format":"tabulo-schema","tables":[{"name":"T","attributes":2147483650,
                                 "fields":[{"name":"F"}]}]})");
    ASSERT_TRUE(db);
    EXPECT_EQ(db->tables[0].attributes, qint32(0x80000002));
    EXPECT_EQ(db->tables[0].fields[0].type, 10);
    EXPECT_FALSE(db->tables[0].fields[0].required);
}

TEST(SchemaJson, BadDocumentsSayWhatIsWrongAndWhere)
{
    const struct {
        const char *json;
        const char *problem;
    } cases[] = {
        {"{", "not valid JSON at byte"},
        {"[]", "not a JSON object"},
        {R"({"tables":[]})", "format: not \"tabulo-schema\""},
        {R"({"format":"tabulo-schema","formatVersion":6})", "formatVersion: out of range"},
        {R"({"format":"tabulo-schema","queries":[{"parameters":[{"type":"Text"}]}]})", "queries[0].parameters[0].type: not a whole number"},
        {R"({"format":"tabulo-schema","queries":[{"returnsRecords":0}]})", "queries[0].returnsRecords: not true or false"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"storageType":256}]}]})", "tables[0].fields[0].storageType: out of range"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"appendOnly":"yes"}]}]})", "tables[0].fields[0].appendOnly: not true or false"},
        {R"({"format":"tabulo-schema","tables":{}})", "tables: not a list"},
        {R"({"format":"tabulo-schema","tables":[7]})", "tables[0]: not an object"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"size":1.5}]}]})", "tables[0].fields[0].size: not a whole number"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"size":-1}]}]})", "tables[0].fields[0].size: out of range"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"type":256}]}]})", "tables[0].fields[0].type: out of range"},
        {R"({"format":"tabulo-schema","tables":[{"indexes":[{"fields":["a",1]}]}]})", "tables[0].indexes[0].fields[1]: not a text or an object"},
        {R"({"format":"tabulo-schema","tables":[{"name":null}]})", "tables[0].name: not a text"},
        {R"({"format":"tabulo-schema","relations":[{"partialReplica":1}]})", "relations[0].partialReplica: not true or false"},
        {R"({"format":"tabulo-schema","relations":[{"attributes":1e300}]})", "relations[0].attributes: out of range"},
    };
    for (const auto &c : cases) {
        QString problem;
        EXPECT_FALSE(fromJson(c.json, &problem)) << c.json;
        EXPECT_TRUE(problem.contains(QLatin1String(c.problem))) << c.json << " -> " << problem.toStdString();
    }
}

// A name is measured in characters as the module counts them, not in the
// bytes that spell it: escapes and characters beyond U+FFFF count as the
// text they stand for.
TEST(SchemaJson, ANameLongerThanAStatementHoldsIsRefused)
{
    const auto document = [](const QByteArray &tableName, const QByteArray &fieldName) {
        return R"({"format":"tabulo-schema","tables":[{"name":")" + tableName + R"(","fields":[{"name":")"
               + fieldName + R"("}]}]})";
    };
    const qsizetype max = schema::MaxNameLength;
    const QByteArray longest(max, 'A');
    // Six bytes a character, the limit in characters: read.
    const QByteArray escaped = QByteArray("\\u0041").repeated(max);
    const std::optional<schema::Database> read = fromJson(document(longest, escaped));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->tables[0].name.size(), max);
    EXPECT_EQ(read->tables[0].fields[0].name, QString(max, QLatin1Char('A')));

    QString problem;
    EXPECT_FALSE(fromJson(document(longest + 'A', "ID"), &problem));
    EXPECT_EQ(problem, QStringLiteral("tables[0].name: longer than the 25575 characters a Basic statement can hold"));
    // Two characters each (a surrogate pair): half the limit and one more is over it.
    const QByteArray beyondBmp = QByteArray("\xF0\x9F\x98\x80").repeated(max / 2 + 1);
    EXPECT_FALSE(fromJson(document("T", beyondBmp), &problem));
    EXPECT_EQ(problem, QStringLiteral("tables[0].fields[0].name: longer than the 25575 characters a Basic statement can hold"));
    // A syntax error after the refused name still wins.
    EXPECT_FALSE(fromJson(document(longest + 'A', "ID") + ",", &problem));
    EXPECT_TRUE(problem.startsWith(QStringLiteral("not valid JSON at byte"))) << problem.toStdString();
}

TEST(SchemaJson, ReaderErrorObject)
{
    const auto error = schema::readerErrorFromJson(toJson(schema::ReaderError{3343, QStringLiteral("bad 'x.mdb'")}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, 3343);
    EXPECT_EQ(error->description, QStringLiteral("bad 'x.mdb'"));
    EXPECT_FALSE(schema::readerErrorFromJson(toJson(sampleModel())));
    EXPECT_FALSE(schema::readerErrorFromJson(R"({"error":{"number":"3343","description":""}})"));
    EXPECT_FALSE(schema::readerErrorFromJson(R"({"error":{"number":3343.5,"description":""}})"));
    EXPECT_FALSE(schema::readerErrorFromJson(R"({"error":{"number":70000,"description":""}})"));
    EXPECT_FALSE(schema::readerErrorFromJson(R"({"error":{"number":3343,"description":"x"})"));
    EXPECT_FALSE(schema::readerErrorFromJson("[]"));
}

TEST(SchemaJson, WorkgroupUsers)
{
    const QStringList users{QStringLiteral("admin"), QStringLiteral("Z\u00fcrich \"q\"")};
    EXPECT_EQ(schema::workgroupFromJson(schema::workgroupToJson(users)), users);
    EXPECT_EQ(schema::workgroupFromJson(R"({"users":["a",7,"b"]})"), (QStringList{"a", "", "b"}));
    EXPECT_FALSE(schema::workgroupFromJson(R"({"users":{}})"));
    EXPECT_FALSE(schema::workgroupFromJson(R"({"users":["a"])"));
    EXPECT_FALSE(schema::workgroupFromJson(R"({"format":"tabulo-workgroup"})"));
    EXPECT_FALSE(schema::workgroupFromJson(schema::toJson(schema::ReaderError{3028, QStringLiteral("x")})));
}

namespace {

// Equal values of the same C++ type; reals compared by their bits, so that
// NaN and the sign of zero count.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.metaType() != b.metaType())
        return false;
    if (a.metaType().id() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    if (a.metaType().id() == QMetaType::Float) {
        const float x = a.toFloat(), y = b.toFloat();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    return a == b;
}

void expectSameProperties(const QList<schema::Property> &a, const QList<schema::Property> &b)
{
    ASSERT_EQ(a.size(), b.size());
    for (qsizetype k = 0; k < a.size(); ++k) {
        EXPECT_EQ(a[k].name, b[k].name);
        EXPECT_EQ(a[k].type, b[k].type) << a[k].name.toStdString();
        EXPECT_TRUE(sameValue(a[k].value, b[k].value))
            << a[k].name.toStdString() << ": " << a[k].value.toString().toStdString() << " ("
            << a[k].value.typeName() << ") came back as " << b[k].value.toString().toStdString() << " ("
            << b[k].value.typeName() << ")";
    }
}

const schema::Property &named(const QList<schema::Property> &properties, const char *name)
{
    for (const schema::Property &p : properties) {
        if (p.name == QLatin1String(name))
            return p;
    }
    throw std::runtime_error(std::string("no property ") + name);
}

}  // namespace

TEST(SchemaJson, DesignPropertiesOfEveryTypeRoundTripExactly)
{
    const schema::Database db = designModel();
    const QByteArray json = toJson(db);
    const std::optional<schema::Database> back = fromJson(json);
    ASSERT_TRUE(back);
    const schema::Table &customers = back->tables[0];
    EXPECT_EQ(customers.validationRule, db.tables[0].validationRule);
    EXPECT_EQ(customers.validationText, db.tables[0].validationText);
    expectSameProperties(db.tables[0].properties, customers.properties);
    expectSameProperties(db.tables[0].fields[1].properties, customers.fields[1].properties);
    EXPECT_EQ(named(customers.fields[1].properties, "RowSource").value.toString(),
              QStringLiteral("SELECT [Name] FROM [Customers]\r\nWHERE [Name] Like \"A*\" ORDER BY [Name];"));
    EXPECT_EQ(customers.indexes[0].descending, QList<bool>{true});
    EXPECT_EQ(toJson(*back), json);

    // The forms that keep the values exact.
    const QJsonObject table = QJsonDocument::fromJson(json).object()[QStringLiteral("tables")][0].toObject();
    QHash<QString, QJsonValue> values;
    for (const QJsonValue &p : table[QStringLiteral("properties")].toArray())
        values.insert(p[QStringLiteral("name")].toString(), p[QStringLiteral("value")]);
    EXPECT_EQ(values[QStringLiteral("CreditLimit")], QJsonValue(QStringLiteral("922337203685477.5807")));
    EXPECT_EQ(values[QStringLiteral("Discount")], QJsonValue(QStringLiteral("-922337203685477.5808")));
    EXPECT_EQ(values[QStringLiteral("Rate")], QJsonValue(QStringLiteral("-123.4567")));
    EXPECT_EQ(values[QStringLiteral("BackTint")], QJsonValue(0.1)) << "a Single in its short form";
    EXPECT_EQ(values[QStringLiteral("NotANumber")], QJsonValue(QStringLiteral("NaN")));
    EXPECT_EQ(values[QStringLiteral("MinusZero")], QJsonValue(QStringLiteral("-0")));
    EXPECT_EQ(values[QStringLiteral("Unbounded")], QJsonValue(QStringLiteral("-Infinity")));
    EXPECT_EQ(values[QStringLiteral("Amount")], QJsonValue(QStringLiteral("EgIAAQ==")));
    EXPECT_EQ(values[QStringLiteral("LongLow")], QJsonValue(-2147483648.0));
}

TEST(SchemaJson, VersionOneDocumentsStillRead)
{
    const auto db = fromJson(R"({"format": "tabulo-schema", "formatVersion": 1,
        "tables": [{"name": "Customers", "attributes": 0,
            "fields": [{"name": "CustomerID", "type": 4, "size": 4, "attributes": 17, "required": false,
                        "allowZeroLength": false, "defaultValue": "", "validationRule": "",
                        "validationText": ""}],
            "indexes": [{"name": "PrimaryKey", "primary": true, "unique": true, "required": true,
                         "ignoreNulls": false, "foreign": false, "fields": ["CustomerID", "Name"]}]}]})");
    ASSERT_TRUE(db);
    const schema::Table &t = db->tables[0];
    EXPECT_EQ(t.indexes[0].fields, (QList<QString>{"CustomerID", "Name"}));
    EXPECT_FALSE(t.indexes[0].isDescending(0));
    EXPECT_FALSE(t.indexes[0].isDescending(1));
    EXPECT_TRUE(t.properties.isEmpty());
    EXPECT_TRUE(t.fields[0].properties.isEmpty());
    EXPECT_EQ(t.validationRule, QString());
    // Written again, it is a version 2 document with the same design.
    const QByteArray again = toJson(*db);
    EXPECT_TRUE(again.contains("\"formatVersion\":2"));
    EXPECT_EQ(fromJson(again)->tables[0].indexes[0].fields, t.indexes[0].fields);
}

// Version 3 carries ACE designs; a design without their members is still
// written as version 2, byte for byte as before, so older programs read it.
TEST(SchemaJson, AceMembersRoundTripAsVersionThree)
{
    schema::Database jet = sampleModel();
    jet.version = QStringLiteral("4.0");
    EXPECT_TRUE(toJson(jet).startsWith(R"({"format":"tabulo-schema","formatVersion":2,)"));

    schema::Database ace = jet;
    ace.version = QStringLiteral("12.0");
    EXPECT_TRUE(toJson(ace).startsWith(R"({"format":"tabulo-schema","formatVersion":3,)"));

    const QString expression = QStringLiteral("[First] & \" \" & [Last] — «é»");
    jet.tables[0].fields[1].expression = expression;
    schema::Field memo = schemabuild::field(QStringLiteral("Notes"), 12, 0, 2);
    memo.appendOnly = true;
    schema::Field unnamed = schemabuild::field(QStringLiteral("Odd"), 0, 0, 1);
    unnamed.storageType = 0x47;
    jet.tables[0].fields << memo << unnamed;
    const QByteArray json = toJson(jet);
    EXPECT_TRUE(json.contains(R"("formatVersion":3,)"));
    EXPECT_TRUE(json.contains(R"("name":"Notes","type":12,"attributes":2,"appendOnly":true})")) << json.constData();
    EXPECT_TRUE(json.contains(R"("name":"Odd","type":0,"attributes":1,"storageType":71})")) << json.constData();
    const std::optional<schema::Database> back = fromJson(json);
    ASSERT_TRUE(back);
    expectSameModel(jet, *back);
    EXPECT_EQ(back->tables[0].fields[1].expression, expression);

    // A Decimal's digits need version 4, and come back.
    schema::Field decimal = schemabuild::field(QStringLiteral("Amount"), 20, 17, 1);
    decimal.precision = 12;
    decimal.scale = 3;
    jet.tables[0].fields << decimal;
    const QByteArray withDigits = toJson(jet);
    EXPECT_TRUE(withDigits.contains(R"("formatVersion":4,)"));
    EXPECT_TRUE(withDigits.contains(R"("precision":12,"scale":3)")) << withDigits.constData();
    const std::optional<schema::Database> digits = fromJson(withDigits);
    ASSERT_TRUE(digits);
    EXPECT_EQ(digits->tables[0].fields.constLast().precision, 12);
    EXPECT_EQ(digits->tables[0].fields.constLast().scale, 3);
    EXPECT_TRUE(back->tables[0].fields[2].appendOnly);
    EXPECT_EQ(back->tables[0].fields[3].storageType, 0x47);
    EXPECT_FALSE(back->tables[0].fields[0].appendOnly);
    EXPECT_EQ(back->tables[0].fields[0].storageType, 0);
}

// Each member a later version added raises the version on its own, and the
// newest one wins whatever its place among the fields.
TEST(SchemaJson, AMemberAloneRaisesTheVersionToTheOneThatAddedIt)
{
    const struct {
        void (*set)(schema::Field &);
        int version;
    } cases[] = {
        {[](schema::Field &f) { f.expression = QStringLiteral("1"); }, 3},
        {[](schema::Field &f) { f.appendOnly = true; }, 3},
        {[](schema::Field &f) { f.storageType = 0x47; }, 3},
        {[](schema::Field &f) { f.precision = 12; }, 4},
        {[](schema::Field &f) { f.scale = 3; }, 4},
    };
    for (const auto &c : cases) {
        schema::Database db = sampleModel();
        c.set(db.tables[0].fields[0]);
        const QByteArray expected = "\"formatVersion\":" + QByteArray::number(c.version) + ',';
        EXPECT_TRUE(toJson(db).contains(expected)) << expected.constData();
    }
    schema::Database db = sampleModel();
    db.tables[0].fields[0].precision = 12;
    db.tables[1].fields[0].appendOnly = true;
    EXPECT_TRUE(toJson(db).contains(R"("formatVersion":4,)"));
}

// Version 5 carries the saved queries; a design without them is written as
// before.
TEST(SchemaJson, QueriesRoundTripAsVersionFive)
{
    schema::Database db = sampleModel();
    db.version = QStringLiteral("4.0");
    schema::Query select;
    select.name = QStringLiteral("Sales by Year");
    select.sql = QStringLiteral("PARAMETERS [Beginning Date] DateTime;\r\nSELECT Orders.OrderID, \"«x»\" AS [Year]\r\n"
                                "FROM Orders\r\nWHERE Orders.ShippedDate > [Beginning Date];");
    select.parameters = {{QStringLiteral("Beginning Date"), 8}, {QStringLiteral("Forms!Orders!Name"), 10}};
    select.hidden = true;
    select.sources = {QStringLiteral("Orders")};
    select.properties = {schemabuild::property(QStringLiteral("Description"), 10, QStringLiteral("Yearly sales."))};
    schema::Query passThrough;
    passThrough.name = QStringLiteral("~sq_refresh");
    passThrough.type = 112;
    passThrough.sql = QStringLiteral("EXEC refresh");
    passThrough.connect = QStringLiteral("ODBC;DSN=Sales");
    passThrough.returnsRecords = false;
    db.queries = {select, passThrough};

    const QByteArray json = toJson(db);
    EXPECT_TRUE(json.startsWith(R"({"format":"tabulo-schema","formatVersion":5,)"));
    EXPECT_TRUE(json.contains(R"({"name":"~sq_refresh","type":112,"sql":"EXEC refresh","connect":"ODBC;DSN=Sales","returnsRecords":false})"))
        << json.constData();
    const std::optional<schema::Database> back = fromJson(json);
    ASSERT_TRUE(back);
    expectSameModel(db, *back);
    ASSERT_EQ(back->queries.size(), 2);
    const schema::Query &q = back->queries[0];
    EXPECT_EQ(q.name, select.name);
    EXPECT_EQ(q.type, 0);
    EXPECT_EQ(q.sql, select.sql);
    ASSERT_EQ(q.parameters.size(), 2);
    EXPECT_EQ(q.parameters[1].name, QStringLiteral("Forms!Orders!Name"));
    EXPECT_EQ(q.parameters[1].type, 10);
    EXPECT_TRUE(q.hidden);
    EXPECT_TRUE(q.returnsRecords);
    EXPECT_EQ(q.sources, select.sources);
    ASSERT_EQ(q.properties.size(), 1);
    EXPECT_EQ(q.properties[0].value, QVariant(QStringLiteral("Yearly sales.")));
    const schema::Query &p = back->queries[1];
    EXPECT_EQ(p.type, 112);
    EXPECT_EQ(p.connect, passThrough.connect);
    EXPECT_FALSE(p.returnsRecords);
    EXPECT_FALSE(p.hidden);
    EXPECT_EQ(toJson(*back), json);

    // Without queries the document is the version it was, and older ones read without them.
    db.queries.clear();
    EXPECT_TRUE(toJson(db).startsWith(R"({"format":"tabulo-schema","formatVersion":2,)"));
    EXPECT_FALSE(toJson(db).contains("queries"));
    EXPECT_TRUE(fromJson(R"({"format":"tabulo-schema","formatVersion":4,"tables":[]})")->queries.isEmpty());
}

TEST(SchemaJson, PropertyValuesMustHaveTheFormOfTheirType)
{
    const auto document = [](const char *property) {
        return QByteArray(R"({"format":"tabulo-schema","tables":[{"fields":[{"properties":[)") + property +
               "]}]}]}";
    };
    const struct {
        const char *property;
        const char *problem;
    } cases[] = {
        {R"({"name":"A","type":1,"value":1})", "properties[0].value: not true or false"},
        {R"({"name":"A","type":2,"value":1.5})", "properties[0].value: not a whole number"},
        {R"({"name":"A","type":4,"value":2147483648})", "properties[0].value: out of range"},
        {R"({"name":"A","type":3,"value":"7"})", "properties[0].value: not a whole number"},
        {R"({"name":"A","type":5,"value":12.5})", "properties[0].value: not a Currency amount"},
        {R"({"name":"A","type":5,"value":"1.23456"})", "properties[0].value: not a Currency amount"},
        {R"({"name":"A","type":5,"value":"922337203685477.5808"})", "properties[0].value: not a Currency amount"},
        {R"({"name":"A","type":6,"value":1e39})", "properties[0].value: out of range"},
        {R"({"name":"A","type":7,"value":"1.5"})", "properties[0].value: not a number"},
        {R"({"name":"A","type":8,"value":true})", "properties[0].value: not a number"},
        {R"({"name":"A","type":10,"value":3})", "properties[0].value: not a text"},
        {R"({"name":"A","type":15,"value":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9"})", "properties[0].value: not a GUID"},
        {R"({"name":"A","type":9,"value":"not base64!"})", "properties[0].value: not base64 text"},
        {R"({"name":"A","type":11,"value":[]})", "properties[0].value: not base64 text"},
        {R"({"name":"A","type":10})", "properties[0].value: missing"},
        {R"({"name":"A","type":256,"value":""})", "properties[0].type: out of range"},
        {R"({"name":7,"type":10,"value":""})", "properties[0].name: not a text"},
        {R"("Caption")", "properties[0]: not an object"},
    };
    for (const auto &c : cases) {
        QString problem;
        EXPECT_FALSE(fromJson(document(c.property), &problem)) << c.property;
        EXPECT_TRUE(problem.startsWith(QStringLiteral("tables[0].fields[0].") + QLatin1String(c.problem)))
            << c.property << " -> " << problem.toStdString();
    }
    // The largest double that still rounds to a finite Single is taken.
    const auto edge = fromJson(document(R"({"name":"A","type":6,"value":3.4028235677973362e38})"));
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->tables[0].fields[0].properties[0].value.toFloat(), std::numeric_limits<float>::max());
}
