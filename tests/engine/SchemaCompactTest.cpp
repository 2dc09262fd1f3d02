// The compact form the reader answers the engine in: every design of the
// corpus crosses it unchanged, and a cut or damaged answer is refused with
// a reason, never read past its end.
#include "DocumentDefaults.h"
#include "TestPaths.h"

#include "reader/JetSchemaReader.h"
#include "wizard/engine/SchemaCompact.h"
#include "wizard/engine/SchemaJson.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <cstring>

namespace {

using namespace documentdefaults;

// `defaults` with every member changed: a text "x", a flag turned, a
// number one more; lists as given in `lists`.
QJsonObject changed(const QJsonObject &defaults, const QJsonObject &lists = {})
{
    QJsonObject o;
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        const QJsonValue v = it.value();
        o.insert(it.key(), v.isString() ? QJsonValue("x") : v.isBool() ? QJsonValue(!v.toBool())
                           : v.isDouble() ? QJsonValue(v.toInt() + 1) : lists.value(it.key()));
    }
    return o;
}

}  // namespace

TEST(SchemaCompact, EveryDesignOfTheCorpusCrossesUnchanged)
{
    TABULO_NEED_TESTDATA();
    const QDir folder(testDataFolder());
    int files = 0;
    for (const QString &name : folder.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files)) {
        if (name.contains(QLatin1String("encrypted")))
            continue;  // read through the engine with their password elsewhere
        schema::ReaderError error;
        const auto db = reader::readDatabase(folder.filePath(name).toStdString(), {}, error);
        ASSERT_TRUE(db) << name.toStdString() << ": " << error.description.toStdString();
        QString problem;
        const auto back = schema::fromCompact(schema::toCompact(*db), &problem);
        ASSERT_TRUE(back) << name.toStdString() << ": " << problem.toStdString();
        EXPECT_EQ(schema::toJson(*back), schema::toJson(*db)) << name.toStdString();
        ++files;
    }
    EXPECT_GE(files, 20);
}

// A member the compact form forgets would be lost on the way from the
// reader: a design with every member away from its default crosses whole.
TEST(SchemaCompact, EveryMemberCrosses)
{
    const QJsonArray properties{QJsonObject{{"name", "Caption"}, {"type", 10}, {"value", "v"}}};
    const QJsonObject field = changed(fieldDefaults(), {{"properties", properties}});
    const QJsonObject index =
        changed(indexDefaults(), {{"fields", QJsonArray{QJsonObject{{"name", "x"}, {"descending", true}}}}});
    const QJsonObject table = changed(tableDefaults(), {{"properties", properties},
                                                        {"fields", QJsonArray{field}},
                                                        {"indexes", QJsonArray{index}}});
    const QJsonObject relation =
        changed(relationDefaults(), {{"fields", QJsonArray{QJsonObject{{"name", "a"}, {"foreignName", "b"}}}}});
    const QJsonObject query = changed(queryDefaults(), {{"parameters", QJsonArray{QJsonObject{{"name", "p"}, {"type", 4}}}},
                                                        {"sources", QJsonArray{"x"}},
                                                        {"properties", properties}});
    QJsonObject document = changed(databaseDefaults(), {{"tables", QJsonArray{table}},
                                                        {"relations", QJsonArray{relation}},
                                                        {"queries", QJsonArray{query}},
                                                        {"warnings", QJsonArray{"w"}}});
    document.insert("format", "tabulo-schema");
    QString problem;
    const auto db = schema::fromJson(QJsonDocument(document).toJson(QJsonDocument::Compact), &problem);
    ASSERT_TRUE(db) << problem.toStdString();
    const QByteArray json = schema::toJson(*db);
    for (const QJsonObject &written :
         {QJsonDocument::fromJson(json).object(), QJsonDocument::fromJson(json)["tables"][0].toObject(),
          QJsonDocument::fromJson(json)["tables"][0]["fields"][0].toObject(),
          QJsonDocument::fromJson(json)["queries"][0].toObject()})
        EXPECT_TRUE(membersAtDefault(written).isEmpty()) << membersAtDefault(written).join(' ').toStdString();

    const auto back = schema::fromCompact(schema::toCompact(*db), &problem);
    ASSERT_TRUE(back) << problem.toStdString();
    EXPECT_EQ(schema::toJson(*back), json);
}

TEST(SchemaCompact, ACutOrDamagedAnswerIsRefused)
{
    schema::Field field;
    field.name = QStringLiteral("Amount");
    field.type = 5;
    field.defaultValue = QStringLiteral("0");
    field.properties = {{QStringLiteral("Caption"), 10, QStringLiteral("Betrag")},
                        {QStringLiteral("Limit"), 5, qlonglong(-1234567)},
                        {QStringLiteral("Picture"), 11, QByteArray("\x00\xFF", 2)}};
    schema::Table table;
    table.name = QStringLiteral("Orders");
    table.fields = {field};
    table.indexes = {schema::Index{QStringLiteral("ByAmount"), false, true, false, false, false,
                                   {QStringLiteral("Amount")}, {true}}};
    schema::Query query;
    query.name = QStringLiteral("Large");
    query.sql = QStringLiteral("SELECT * FROM Orders;");
    query.sources = {QStringLiteral("Orders")};
    schema::Database db;
    db.tables = {table};
    db.queries = {query};
    db.warnings = {QStringLiteral("one")};
    const QByteArray whole = schema::toCompact(db);
    ASSERT_TRUE(schema::fromCompact(whole));
    EXPECT_EQ(schema::toJson(*schema::fromCompact(whole)), schema::toJson(db));

    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        QString problem;
        EXPECT_FALSE(schema::fromCompact(whole.left(cut), &problem)) << cut;
        EXPECT_FALSE(problem.isEmpty()) << cut;
    }
    QString problem;
    EXPECT_FALSE(schema::fromCompact(whole + 'x', &problem));
    EXPECT_EQ(problem, QStringLiteral("bytes follow the design"));

    // The database's name is the first text: a length far beyond the answer
    // is refused before anything is reserved for it.
    QByteArray huge = whole;
    const qint64 length = qint64(1) << 40;
    std::memcpy(huge.data() + 8, &length, sizeof length);
    EXPECT_FALSE(schema::fromCompact(huge, &problem));
    EXPECT_TRUE(problem.contains(QLatin1String("cannot hold"))) << problem.toStdString();
    EXPECT_FALSE(schema::fromCompact(schema::toJson(db)));
}
