#include "EngineFixtures.h"

#include "wizard/engine/SchemaJson.h"

using schema::fromJson;
using schema::toJson;

namespace {

void expectSameModel(const schema::Database &a, const schema::Database &b)
{
    // toJson writes every member, so equal texts mean equal models.
    EXPECT_EQ(toJson(a), toJson(b));
}

}  // namespace

TEST(SchemaJson, RoundTripKeepsEveryTextExactly)
{
    schema::Database db = sampleModel();
    db.replicaId = QStringLiteral("{12345678-ABCD-1234-ABCD-1234567890AB}");
    db.tables[0].fields[1].defaultValue = QStringLiteral("\"x\"\t\\ \u0001 end\n");
    db.tables[0].name = QString(QChar(0x4E2D)) + QStringLiteral("\u00e9 \"quoted\"");
    const std::optional<schema::Database> back = fromJson(toJson(db));
    ASSERT_TRUE(back);
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
        {R"({"format":"tabulo-schema","formatVersion":2})", "formatVersion: out of range"},
        {R"({"format":"tabulo-schema","tables":{}})", "tables: not a list"},
        {R"({"format":"tabulo-schema","tables":[7]})", "tables[0]: not an object"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"size":1.5}]}]})", "tables[0].fields[0].size: not a whole number"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"size":-1}]}]})", "tables[0].fields[0].size: out of range"},
        {R"({"format":"tabulo-schema","tables":[{"fields":[{"type":256}]}]})", "tables[0].fields[0].type: out of range"},
        {R"({"format":"tabulo-schema","tables":[{"indexes":[{"fields":["a",1]}]}]})", "tables[0].indexes[0].fields[1]: not a text"},
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

TEST(SchemaJson, ReaderErrorObject)
{
    const auto error = schema::readerErrorFromJson(toJson(schema::ReaderError{3343, QStringLiteral("bad 'x.mdb'")}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, 3343);
    EXPECT_EQ(error->description, QStringLiteral("bad 'x.mdb'"));
    EXPECT_FALSE(schema::readerErrorFromJson(toJson(sampleModel())));
    EXPECT_FALSE(schema::readerErrorFromJson(R"({"error":{"number":"3343","description":""}})"));
}
