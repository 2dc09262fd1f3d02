// The schema document read in one pass: JSON as QJsonDocument reads it
// (texts, escapes, numbers, nesting, blanks), every malformed text refused
// with its byte offset, never a crash, and unknown members skipped whatever
// they hold.
#include "EngineFixtures.h"
#include "SnapshotJson.h"

#include "wizard/engine/JsonScanner.h"
#include "wizard/engine/SchemaJson.h"

using schema::fromJson;

namespace {

QByteArray withTableName(const QByteArray &nameJson)
{
    return R"({"format":"tabulo-schema","tables":[{"name":)" + nameJson + "}]}";
}

QString problemOf(const QByteArray &json)
{
    QString problem;
    EXPECT_FALSE(fromJson(json, &problem)) << json.constData();
    return problem;
}

}  // namespace

TEST(JsonScanner, TextsWithEscapesAndUtf8)
{
    const struct {
        QByteArray json;
        QString text;
    } cases[] = {
        {R"("plain")", QStringLiteral("plain")},
        {R"("q\"b\\s\/n\nr\rt\tb\bf\f")", QStringLiteral("q\"b\\s/n\nr\rt\tb\bf\f")},
        {R"("\u00e9\u4E2D")", QStringLiteral("\u00e9\u4e2d")},
        {R"("\ud83d\ude00 smile")", QString::fromUtf8("\xF0\x9F\x98\x80 smile")},
        {"\"Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80\"", QString::fromUtf8("Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80")},
        {R"("")", QString()},
    };
    for (const auto &c : cases) {
        const auto db = fromJson(withTableName(c.json));
        ASSERT_TRUE(db) << c.json.constData();
        EXPECT_EQ(db->tables[0].name, c.text) << c.json.constData();
    }
    // A lone surrogate escape is kept as the code unit it names.
    const auto lone = fromJson(withTableName(R"("a\ud800b")"));
    ASSERT_TRUE(lone);
    EXPECT_EQ(lone->tables[0].name.size(), 3);
    EXPECT_EQ(lone->tables[0].name.at(1).unicode(), 0xD800);
}

TEST(JsonScanner, MalformedTextIsRefusedAtItsOffset)
{
    const struct {
        QByteArray json;
        qsizetype offset;
    } cases[] = {
        {"", 0},
        {"   ", 3},
        {R"({"format":"tabulo-schema",})", 26},
        {R"({"format" "tabulo-schema"})", 10},
        {R"({"format":"tabulo-schema")", 25},
        {R"({"format":"tabulo-schema"} x)", 27},
        {R"({"format":"tabulo-schema","tables":[1,]})", 38},
        {R"({"format":"tabulo-schema","tables":[1 2]})", 38},
        {R"({"format":"tabulo-schema","tables":[)", 36},
        {R"({"format":"tabulo-sch)", 21},
        {"{\"format\":\"\xC3\x28\"}", 11},          // a broken two-byte sequence
        {"{\"format\":\"\xC0\xAF\"}", 11},          // an overlong form
        {"{\"format\":\"\xED\xA0\x80\"}", 11},      // a surrogate in UTF-8
        {"{\"format\":\"\xF4\x90\x80\x80\"}", 11},  // beyond U+10FFFF
        {R"({"format":"\u12"})", 12},
        {R"({"n":01})", 6},
        {R"({"n":-})", 5},
        {R"({"n":1e})", 5},
        {R"({"n":+1})", 5},
        {R"({"n":tru})", 8},
        {R"({"n":nul})", 8},
        {R"({'n':1})", 1},
    };
    for (const auto &c : cases) {
        const QString problem = problemOf(c.json);
        EXPECT_TRUE(problem.startsWith(QStringLiteral("not valid JSON at byte %1: ").arg(c.offset)))
            << c.json.constData() << " -> " << problem.toStdString();
    }
}

TEST(JsonScanner, WhatQtsParserAcceptsIsAccepted)
{
    // Snapshots written by hand or by other tools load as they always did.
    const auto db = fromJson("{\"format\":\"tabulo-schema\",\"tables\":[{\"name\":\"tab\there\x01\",\"attributes\":5.,"
                             "\"fields\":[{\"name\":\"\\e\\q\",\"size\":.5e1}]}]}");
    ASSERT_TRUE(db);
    EXPECT_EQ(db->tables[0].name, QStringLiteral("tab\there\x01"));
    EXPECT_EQ(db->tables[0].attributes, 5);
    EXPECT_EQ(db->tables[0].fields[0].name, QStringLiteral("eq"));
    EXPECT_EQ(db->tables[0].fields[0].size, 5);
}

TEST(JsonScanner, EveryCutOfAGoodDocumentIsRefusedCleanly)
{
    const QByteArray good = testsupport::snapshotJson(sampleModel());
    ASSERT_TRUE(fromJson(good));
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        // Only the blanks after the closing brace may go.
        if (good.left(cut).trimmed() == good.trimmed())
            continue;
        EXPECT_TRUE(problemOf(good.left(cut)).startsWith(QLatin1String("not valid JSON"))) << cut;
    }
}

TEST(JsonScanner, DeepNestingIsRefusedNotFollowed)
{
    const QByteArray deep = R"({"format":"tabulo-schema","extra":)" + QByteArray(100000, '[') +
                            QByteArray(100000, ']') + "}";
    EXPECT_TRUE(problemOf(deep).contains(QLatin1String("too deeply nested")));
    const QByteArray fine = R"({"format":"tabulo-schema","extra":)" + QByteArray(100, '[') + QByteArray(100, ']') + "}";
    EXPECT_TRUE(fromJson(fine));
}

TEST(JsonScanner, UnknownMembersAreSkippedWhateverTheyHold)
{
    const auto db = fromJson(" \t\r\n{ \"extra\" : { \"a\" : [ 1, -2.5e-3, { \"b\" : null } ], \"c\" : true, \"d\":\"\\u0041\" },"
                             " \"format\" : \"tabulo-schema\" , \"tables\" : [ { \"name\" : \"T\" , \"zzz\" : [ [ ] , { } ] ,"
                             " \"fields\" : [ { \"size\" : 1.0e1 , \"later\" : false } ] } ] } \n");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->tables.size(), 1);
    EXPECT_EQ(db->tables[0].name, QStringLiteral("T"));
    ASSERT_EQ(db->tables[0].fields.size(), 1);
    EXPECT_EQ(db->tables[0].fields[0].size, 10);
}

TEST(JsonScanner, NumbersAndRepeatedMembers)
{
    // A member given twice counts with its last value (each must be valid).
    const auto db = fromJson(R"({"format":"tabulo-schema","tables":[{"name":"A","name":"B","attributes":-0}],
                                 "tables":[{"name":"C","attributes":4294967295}]})");
    ASSERT_TRUE(db);
    ASSERT_EQ(db->tables.size(), 1);
    EXPECT_EQ(db->tables[0].name, QStringLiteral("C"));
    EXPECT_EQ(db->tables[0].attributes, -1);
    EXPECT_TRUE(problemOf(R"({"format":"tabulo-schema","tables":[{"fields":[{"size":1e400}]}]})")
                    .contains(QLatin1String("tables[0].fields[0].size: not a whole number")));
    EXPECT_TRUE(problemOf(R"({"format":"tabulo-schema","tables":[{"fields":[{"size":"7"}]}]})")
                    .contains(QLatin1String("tables[0].fields[0].size: not a whole number")));
    // A wrong value early does not hide a syntax error later.
    EXPECT_TRUE(problemOf(R"({"format":"tabulo-schema","tables":[{"name":7}],)").startsWith(QLatin1String("not valid JSON")));
}

TEST(JsonScanner, PropertyValuesAreReadByTheTypeWhereverItStands)
{
    const auto document = [](const char *property) {
        return QByteArray(R"({"format":"tabulo-schema","tables":[{"properties":[)") + property + "]}]}";
    };
    const auto value = [&](const char *property) {
        const auto db = fromJson(document(property));
        EXPECT_TRUE(db) << property;
        return db ? db->tables[0].properties[0].value : QVariant();
    };
    // The type may come after the value; the last of a member given twice counts.
    EXPECT_EQ(value(R"({"value":true,"name":"A","type":1})"), QVariant(true));
    EXPECT_EQ(value(R"({"type":1,"value":"x","value":"AP9/gA==","type":9})"), QVariant(QByteArray("\x00\xFF\x7F\x80", 4)));
    EXPECT_EQ(value(R"({"name":"A","value":"x"})"), QVariant(QStringLiteral("x"))) << "a Text without a type";
    // Reals keep every double, a denormal too; a number has no negative zero, the text "-0" has.
    EXPECT_EQ(value(R"({"type":7,"value":4e-320})").toDouble(), 4e-320);
    EXPECT_FALSE(std::signbit(value(R"({"type":7,"value":-0})").toDouble()));
    EXPECT_TRUE(std::signbit(value(R"({"type":7,"value":"-0"})").toDouble()));

    const struct {
        const char *property;
        const char *problem;
    } refused[] = {
        {R"({"value":"x","name":"A","type":1})", "tables[0].properties[0].value: not true or false"},
        {R"({"type":7,"value":1e400})", "tables[0].properties[0].value: out of range"},
        {R"({"type":8,"value":-1e-400})", "tables[0].properties[0].value: out of range"},
        {R"({"type":6,"value":1e-400})", "tables[0].properties[0].value: out of range"},
        {R"({"type":4,"value":1e400})", "tables[0].properties[0].value: not a whole number"},
        {R"({"type":4,"value":null})", "tables[0].properties[0].value: not a whole number"},
        {R"({"value":7,"type":"x"})", "tables[0].properties[0].type: not a whole number"},
    };
    for (const auto &c : refused)
        EXPECT_EQ(problemOf(document(c.property)), QLatin1String(c.problem)) << c.property;
}
