// The fields only ACE files have, in the module: attachments, multi-valued
// fields, calculated fields, append-only memos, Large Number, Date/Time
// Extended, and the columns no DAO type names.

#include "WriterFixture.h"

#include <gtest/gtest.h>

using namespace tabulo;
using namespace writertest;

namespace {

schema::Field calculated(const QString &name, int type, qint32 size, const QString &expression)
{
    schema::Field f = field(name, type, size, 2);
    f.expression = expression;
    return f;
}

schema::Field unnamedStorage(const QString &name, int storageType)
{
    schema::Field f = field(name, 0, 0);
    f.storageType = storageType;
    return f;
}

// One field of each new kind.
schema::Database everyAceKind()
{
    schema::Field photos = field(QStringLiteral("Photos"), 101, 0, 5);
    photos.required = true;
    schema::Field colors = field(QStringLiteral("Colors"), 109, 255, 5);
    schema::Field ratings = field(QStringLiteral("Ratings"), 104, 4, 5);
    schema::Field history = field(QStringLiteral("History"), 12, 0, 2);
    history.appendOnly = true;
    history.properties = {property(QStringLiteral("AppendOnly"), 1, true),
                          property(QStringLiteral("Caption"), 10, QStringLiteral("Notes"))};
    schema::Field fullName = calculated(QStringLiteral("FullName"), 10, 243,
                                        QStringLiteral("[FirstName] & \" \" & [LastName]"));
    fullName.properties = {property(QStringLiteral("Expression"), 10, fullName.expression),
                           property(QStringLiteral("ResultType"), 2, 10)};
    colors.properties = {property(QStringLiteral("AllowMultipleValues"), 1, true)};
    schema::Database db;
    db.version = QStringLiteral("12.0");
    db.tables = {table(QStringLiteral("People"),
                       {photos, colors, ratings, fullName, calculated(QStringLiteral("IsRich"), 1, 1, "[Salary]>100000"),
                        history, field(QStringLiteral("Big"), 16, 8, 1), field(QStringLiteral("Stamp"), 26, 42, 1)})};
    return db;
}

}  // namespace

TEST(ModuleWriterAceFields, EachKindIsCreatedWithTheMembersDaoTakesForIt)
{
    const QString module = generate(wizardStyle(), everyAceKind());
    EXPECT_EQ(section(module, QStringLiteral("   Set tdfNew = dbNew.CreateTableDef(\"People\")"),
                      QStringLiteral("   dbNew.TableDefs.Append tdfNew")),
              crlf(R"(   Set tdfNew = dbNew.CreateTableDef("People")
   Set fldNew = tdfNew.CreateField("Photos", dbAttachment)
   fldNew.Required = True
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("Colors", dbComplexText, 255)
   fldNew.Required = False
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("Ratings", dbComplexLong)
   fldNew.Required = False
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("FullName", dbText, 243)
   fldNew.Expression = "[FirstName] & " & mcstrQuote & " " & mcstrQuote & " & [LastName]"
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("IsRich", dbBoolean, 1)
   fldNew.Expression = "[Salary]>100000"
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("History", dbMemo, 0)
   fldNew.AllowZeroLength = False
   fldNew.Required = False
   fldNew.AppendOnly = True
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("Big", dbBigInt)
   fldNew.Required = False
   tdfNew.Fields.Append fldNew

   Set fldNew = tdfNew.CreateField("Stamp", dbDateTimeExtended)
   fldNew.Required = False
   tdfNew.Fields.Append fldNew

   dbNew.TableDefs.Append tdfNew
)"));
    // Declared as Field: Expression and AppendOnly resolve at run time.
    EXPECT_TRUE(module.contains(QStringLiteral("   Dim fldNew As Field\r\n")));
    EXPECT_FALSE(module.contains(QStringLiteral("Field2")));
}

TEST(ModuleWriterAceFields, DesignPropertiesDoNotRepeatTheFieldMembers)
{
    GeneratorSettings style = wizardStyle();
    style.includeDesignProperties = true;
    const QStringList lines =
        generate(style, everyAceKind()).split(QLatin1StringView("\r\n")).filter(QStringLiteral("SetDesignProperty tdfNew"));
    EXPECT_EQ(lines, QStringList({
                         QStringLiteral("   SetDesignProperty tdfNew.Fields(\"Colors\"), \"AllowMultipleValues\", dbBoolean, True"),
                         QStringLiteral("   SetDesignProperty tdfNew.Fields(\"FullName\"), \"ResultType\", dbByte, 10"),
                         QStringLiteral("   SetDesignProperty tdfNew.Fields(\"History\"), \"Caption\", dbText, \"Notes\""),
                     }));
}

TEST(ModuleWriterAceFields, AColumnNoDaoTypeNamesIsACommentLineOnly)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Map"), {unnamedStorage(QStringLiteral("Shape"), 0x46), textField("Label"),
                                               unnamedStorage(QStringLiteral("Evil\r\nEnd Sub \"x"), 0x47)})};
    ModuleWriter writer(wizardStyle());
    writer.begin();
    const QString module = writer.write({{&db.tables[0]}, {QStringLiteral("Map")}, {}, false, {}});
    EXPECT_TRUE(module.contains(crlf(R"(   Set tdfNew = dbNew.CreateTableDef("Map")
   'Left out: field "Shape": its storage type 0x46 has no DAO type

   Set fldNew = tdfNew.CreateField("Label", dbText, 50)
)")));
    // A line break in the name cannot end the comment.
    EXPECT_TRUE(module.contains(QStringLiteral(
        "\r\n   'Left out: field \"Evil\" & vbCrLf & \"End Sub \"\"x\": its storage type 0x47 has no DAO type\r\n")));
    EXPECT_EQ(module.count(QStringLiteral("CreateField(")), 1);
    ASSERT_EQ(writer.leftOutFields().size(), 2);
    EXPECT_EQ(writer.leftOutFields()[0].table, "Map");
    EXPECT_EQ(writer.leftOutFields()[0].field, "Shape");
    EXPECT_EQ(writer.leftOutFields()[1].storageType, 0x47);
}

// A field the module leaves out is not in the new table: a design property
// line or an index naming it would fail in Access ("Item not found in this
// collection") with one message box each.
TEST(ModuleWriterAceFields, ALeftOutFieldTakesItsPropertiesAndIndexesWithIt)
{
    schema::Field shape = unnamedStorage(QStringLiteral("Shape"), 0x46);
    shape.properties = {property(QStringLiteral("Caption"), 10, QStringLiteral("Outline")),
                        property(QStringLiteral("ColumnWidth"), 3, -1)};
    schema::Field label = textField("Label");
    label.properties = {property(QStringLiteral("Caption"), 10, QStringLiteral("Name"))};
    schema::Database db;
    db.tables = {table(QStringLiteral("Map"), {shape, label},
                       {index(QStringLiteral("ByShape"), {QStringLiteral("Shape")}),
                        index(QStringLiteral("ByLabelAndShape"), {QStringLiteral("Label"), QStringLiteral("Shape")}),
                        index(QStringLiteral("ByLabel"), {QStringLiteral("Label")})})};
    db.tables[0].properties = {property(QStringLiteral("Description"), 10, QStringLiteral("Shapes"))};
    GeneratorSettings style = wizardStyle();
    style.includeDesignProperties = true;
    const QString module = generate(style, db);
    EXPECT_EQ(module.split(QLatin1StringView("\r\n")).filter(QStringLiteral("SetDesignProperty tdfNew")),
              QStringList({QStringLiteral("   SetDesignProperty tdfNew, \"Description\", dbText, \"Shapes\""),
                           QStringLiteral("   SetDesignProperty tdfNew.Fields(\"Label\"), \"Caption\", dbText, \"Name\"")}));
    EXPECT_FALSE(module.contains(QStringLiteral("\"Shape\"), ")));
    // The indexes over it are named in a comment; the others stay.
    EXPECT_FALSE(module.contains(QStringLiteral("CreateIndex(\"ByShape\")")));
    EXPECT_FALSE(module.contains(QStringLiteral("CreateIndex(\"ByLabelAndShape\")")));
    EXPECT_TRUE(module.contains(QStringLiteral("CreateIndex(\"ByLabel\")")));
    EXPECT_TRUE(module.contains(QStringLiteral(
        "\r\n      'Left out: index \"ByShape\": its field \"Shape\" is left out\r\n")));
    EXPECT_TRUE(module.contains(QStringLiteral(
        "\r\n      'Left out: index \"ByLabelAndShape\": its field \"Shape\" is left out\r\n")));
    EXPECT_FALSE(module.contains(QStringLiteral("CreateField(\"Shape\")")));
}

// A relationship over a left-out field would fail as the index does.
TEST(ModuleWriterAceFields, ARelationshipOverALeftOutFieldIsACommentLineOnly)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Map"), {longField(QStringLiteral("ID")), unnamedStorage(QStringLiteral("Shape"), 0x46)}),
                 table(QStringLiteral("Pin"), {longField(QStringLiteral("MapID")), textField("Shape")})};
    db.relations = {relation(QStringLiteral("MapPin"), QStringLiteral("Map"), QStringLiteral("Pin"), 0,
                             {{QStringLiteral("ID"), QStringLiteral("MapID")}}),
                    relation(QStringLiteral("ShapePin"), QStringLiteral("Map"), QStringLiteral("Pin"), 0,
                             {{QStringLiteral("shape"), QStringLiteral("Shape")}})};
    GeneratorSettings style = wizardStyle();
    style.includeRelations = true;
    const QString module = generate(style, db);
    EXPECT_TRUE(module.contains(QStringLiteral("CreateRelation(\"MapPin\")")));
    EXPECT_FALSE(module.contains(QStringLiteral("CreateRelation(\"ShapePin\")")));
    EXPECT_TRUE(module.contains(
        QStringLiteral("\r\n   'Left out: relationship \"ShapePin\": its field \"shape\" is left out\r\n")));
}

// Which relationships are written is known before the module is printed:
// the foreign index of one left out stays, and a module whose every
// relationship is left out neither holds nor calls the Relations procedure.
TEST(ModuleWriterAceFields, AForeignIndexStaysWhenItsRelationshipIsLeftOut)
{
    schema::Database db;
    db.tables = {table(QStringLiteral("Map"), {longField(QStringLiteral("ID")), unnamedStorage(QStringLiteral("Shape"), 0x46)}),
                 table(QStringLiteral("Pin"), {longField(QStringLiteral("MapID")), textField("Shape")},
                       {index(QStringLiteral("MapPin"), {QStringLiteral("MapID")}, false, true),
                        index(QStringLiteral("ShapePin"), {QStringLiteral("Shape")}, false, true)})};
    db.relations = {relation(QStringLiteral("MapPin"), QStringLiteral("Map"), QStringLiteral("Pin"), 0,
                             {{QStringLiteral("ID"), QStringLiteral("MapID")}}),
                    relation(QStringLiteral("ShapePin"), QStringLiteral("Map"), QStringLiteral("Pin"), 0,
                             {{QStringLiteral("shape"), QStringLiteral("Shape")}})};
    const QString module = generate(wizardStyle(), db);
    EXPECT_FALSE(module.contains(QStringLiteral("CreateIndex(\"MapPin\")")));
    EXPECT_TRUE(module.contains(QStringLiteral("CreateIndex(\"ShapePin\")")));

    db.relations.removeFirst();
    const QString none = generate(wizardStyle(), db);
    EXPECT_TRUE(none.contains(QStringLiteral("CreateIndex(\"ShapePin\")")));
    EXPECT_FALSE(none.contains(QStringLiteral("subCreate_Relations")));
    EXPECT_FALSE(none.contains(QStringLiteral("CreateRelation(")));
}
