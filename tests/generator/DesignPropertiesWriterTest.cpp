// The rest of a design, written when IncludeDesignProperties is set: index
// key directions, the table's own validation, and one SetDesignProperty
// line per further property of a table or field, with the helper procedure
// those lines call; values that have no Basic literal are named in a
// comment instead.

#include "BasicEvaluator.h"
#include "WriterFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tabulo;
using namespace writertest;

namespace {

schema::Property property(const char *name, int type, const QVariant &value)
{
    return schema::Property{QString::fromUtf8(name), type, value};
}

GeneratorSettings designStyle()
{
    GeneratorSettings style = wizardStyle();
    style.includeDesignProperties = true;
    return style;
}

const QString kRowSource = QStringLiteral("SELECT [Name] FROM [Customers]\r\nWHERE [Name] Like \"A*\";");

// Customers with every part of a design the setting adds.
schema::Database designedCustomers()
{
    schema::Database db = customers();
    schema::Table &t = db.tables[0];
    t.validationRule = QStringLiteral("[CompanyName] <> \"\" Or [CustomerID] > 100");
    t.validationText = QStringLiteral("Give a name or a number above 100.");
    t.properties = {property("Description", 10, QStringLiteral("Customers' names, addresses, and phone numbers.")),
                    property("OrderByOn", 1, false)};
    t.fields[0].properties = {property("Caption", 10, QStringLiteral("Customer ID")),
                              property("ColumnWidth", 3, 1305)};
    t.fields[1].properties = {property("RowSource", 12, kRowSource), property("LimitToList", 1, true)};
    schema::Index newest = index(QStringLiteral("NewestFirst"), {QStringLiteral("CompanyName"), QStringLiteral("CustomerID")});
    newest.descending = {false, true};
    t.indexes.append(newest);
    return db;
}

// The SetDesignProperty lines of a module, without their indent.
QStringList designLines(const QString &module)
{
    QStringList lines;
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        if (line.trimmed().startsWith(QLatin1StringView("SetDesignProperty ")))
            lines.append(line.trimmed());
    }
    return lines;
}

QStringList commentLines(const QString &module)
{
    QStringList lines;
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        if (line.trimmed().startsWith(u'\''))
            lines.append(line.trimmed());
    }
    return lines;
}

const char *const kHelper = R"(
Private Sub SetDesignProperty(objTarget As Object, strName As String, intType As Integer, varValue As Variant)

   On Error Goto ErrorHandler

   Dim blnCreate As Boolean

   objTarget.Properties(strName).Value = varValue
   If blnCreate Then objTarget.Properties.Append objTarget.CreateProperty(strName, intType, varValue)

ExitProcedure:
   Exit Sub

ErrorHandler:
   Select Case Err.Number
      Case 3270
         'Property not found: the new object does not have it yet, so it is created
         blnCreate = True
         Resume Next
      Case Else
         MsgBox Err.Number & ": " & Err.Description
   End Select
   Resume ExitProcedure

End Sub
)";

}  // namespace

TEST(DesignPropertiesWriter, WithTheSettingOffNothingOfTheDesignIsWritten)
{
    schema::Database bare = designedCustomers();
    schema::Table &t = bare.tables[0];
    t.validationRule.clear();
    t.validationText.clear();
    t.properties.clear();
    for (schema::Field &f : t.fields)
        f.properties.clear();
    t.indexes[1].descending.clear();
    EXPECT_EQ(generate(wizardStyle(), designedCustomers()), generate(wizardStyle(), bare));
}

// The table's rule and text before it is appended, its properties and its
// fields' after, in stored order; the rest of the procedure as without them.
TEST(DesignPropertiesWriter, WritesTheTableProcedureWithValidationAndPropertiesInStoredOrder)
{
    const auto procedure = [](const GeneratorSettings &style) {
        return section(generate(style, designedCustomers()),
                       QStringLiteral("Private Sub subCreate_Customers(dbNew As Database)"),
                       QStringLiteral("ExitProcedure:"));
    };
    const QString append = QStringLiteral("   dbNew.TableDefs.Append tdfNew\r\n");
    ASSERT_EQ(procedure(wizardStyle()).count(append), 1);
    EXPECT_EQ(procedure(designStyle()), procedure(wizardStyle()).replace(append, crlf(R"(   tdfNew.ValidationRule = "[CompanyName] <> " & mcstrQuote & mcstrQuote & " Or [CustomerID] > 100"
   tdfNew.ValidationText = "Give a name or a number above 100."
   dbNew.TableDefs.Append tdfNew

   SetDesignProperty tdfNew, "Description", dbText, "Customers' names, addresses, and phone numbers."
   SetDesignProperty tdfNew, "OrderByOn", dbBoolean, False
   SetDesignProperty tdfNew.Fields("CustomerID"), "Caption", dbText, "Customer ID"
   SetDesignProperty tdfNew.Fields("CustomerID"), "ColumnWidth", dbInteger, 1305
   SetDesignProperty tdfNew.Fields("CompanyName"), "RowSource", dbMemo, "SELECT [Name] FROM [Customers]" & vbCrLf & "WHERE [Name] Like " & mcstrQuote & "A*" & mcstrQuote & ";"
   SetDesignProperty tdfNew.Fields("CompanyName"), "LimitToList", dbBoolean, True
)")));
}

TEST(DesignPropertiesWriter, ADescendingKeyFieldGetsItsAttributesLine)
{
    const QString module = generate(designStyle(), designedCustomers());
    EXPECT_TRUE(module.contains(crlf(R"(      Set indxNew = tdf.CreateIndex("NewestFirst")
         Set fldNew = indxNew.CreateField("CompanyName")
         indxNew.Fields.Append fldNew
         Set fldNew = indxNew.CreateField("CustomerID")
         fldNew.Attributes = dbDescending
         indxNew.Fields.Append fldNew
         With indxNew
)")));
    EXPECT_EQ(module.count(QStringLiteral("= dbDescending\r\n")), 1);

    GeneratorSettings style = designStyle();
    style.tabStop = 2;
    EXPECT_TRUE(generate(style, designedCustomers()).contains(QStringLiteral("\r\n      fldNew.Attributes = dbDescending\r\n")));
}

TEST(DesignPropertiesWriter, TheHelperProcedureEndsTheModuleOnlyWhenALineCallsIt)
{
    const QString module = generate(designStyle(), designedCustomers());
    EXPECT_TRUE(module.endsWith(QStringLiteral("End Sub\r\n") + crlf(kHelper)));
    EXPECT_EQ(module.count(QStringLiteral("Sub SetDesignProperty(")), 1);

    // Only a rule and a direction: no property line, no helper.
    schema::Database db = designedCustomers();
    db.tables[0].properties.clear();
    for (schema::Field &f : db.tables[0].fields)
        f.properties.clear();
    const QString without = generate(designStyle(), db);
    EXPECT_FALSE(without.contains(QStringLiteral("SetDesignProperty")));
    EXPECT_TRUE(without.contains(QStringLiteral("tdfNew.ValidationRule = ")));
    EXPECT_TRUE(without.endsWith(crlf(R"(   Resume ExitProcedure

End Sub
)")));
    EXPECT_TRUE(without.contains(crlf(R"(   dbNew.TableDefs.Append tdfNew

ExitProcedure:
)")));

    // The helper is written once for all tables, after the Indexes procedure.
    schema::Database two = designedCustomers();
    two.tables.append(designedCustomers().tables[0]);
    two.tables[1].name = QStringLiteral("Suppliers");
    const QString both = generate(designStyle(), two);
    EXPECT_EQ(both.count(QStringLiteral("Sub SetDesignProperty(")), 1);
    EXPECT_GT(both.indexOf(QStringLiteral("Sub SetDesignProperty(")), both.indexOf(QStringLiteral("Sub subCreate_Indexes(")));
}

// Each type as the DAO constant of the stored type and a Basic expression
// of that type that gives the stored value back exactly.
TEST(DesignPropertiesWriter, EveryTypeIsWrittenAsAnExpressionOfThatType)
{
    const QString guid = QStringLiteral("{6B29FC40-CA47-1067-B31D-00DD010662DA}");
    const struct {
        schema::Property stored;
        const char *written;
    } cases[] = {
        {property("Yes", 1, true), "dbBoolean, True"},
        {property("No", 1, false), "dbBoolean, False"},
        {property("DecimalPlaces", 2, 255), "dbByte, 255"},
        {property("ByteZero", 2, 0), "dbByte, 0"},
        {property("ColumnWidth", 3, -32768), "dbInteger, -32768"},
        {property("IntegerTop", 3, 32767), "dbInteger, 32767"},
        {property("LongLow", 4, std::numeric_limits<int>::min()), "dbLong, -2147483648"},
        {property("LongTop", 4, std::numeric_limits<int>::max()), "dbLong, 2147483647"},
        {property("Price", 5, qlonglong(123400)), "dbCurrency, 12.34@"},
        {property("Whole", 5, qlonglong(50000)), "dbCurrency, 5@"},
        {property("Cent", 5, qlonglong(-1)), "dbCurrency, -0.0001@"},
        {property("NoMoney", 5, qlonglong(0)), "dbCurrency, 0@"},
        {property("CurrencyTop", 5, std::numeric_limits<qlonglong>::max()),
         "dbCurrency, (922337203685477@ + 0.5807@)"},
        {property("CurrencyLow", 5, std::numeric_limits<qlonglong>::min()),
         "dbCurrency, (-922337203685477@ - 0.5808@)"},
        {property("Tenth", 6, 0.1f), "dbSingle, 0.1"},
        {property("SingleTop", 6, std::numeric_limits<float>::max()), "dbSingle, 3.4028235E+38"},
        {property("SingleTiny", 6, std::numeric_limits<float>::denorm_min()), "dbSingle, 1E-45"},
        {property("SingleNegative", 6, -2.5f), "dbSingle, -2.5"},
        {property("Third", 7, 1.0 / 3), "dbDouble, 0.3333333333333333"},
        {property("Huge", 7, 1e300), "dbDouble, 1E+300"},
        {property("Small", 7, -1.5e-7), "dbDouble, -1.5E-07"},
        {property("Count", 7, 123456789.0), "dbDouble, 123456789"},
        {property("Noon", 8, 35250.5), "dbDate, CDate(35250.5)"},
        {property("Early", 8, -657434.0), "dbDate, CDate(-657434)"},
        {property("Caption", 10, QStringLiteral("Unit \"Price\" \u20ac")),
         "dbText, \"Unit \" & mcstrQuote & \"Price\" & mcstrQuote & \" \u20ac\""},
        {property("Empty", 10, QString()), "dbText, \"\""},
        {property("RowSource", 12, kRowSource),
         "dbMemo, \"SELECT [Name] FROM [Customers]\" & vbCrLf & \"WHERE [Name] Like \" & mcstrQuote & \"A*\" & "
         "mcstrQuote & \";\""},
        {property("Id", 15, guid), "dbGUID, \"{6B29FC40-CA47-1067-B31D-00DD010662DA}\""},
    };
    schema::Field f = field(QStringLiteral("V"), 10, 50);
    for (const auto &c : cases)
        f.properties.append(c.stored);
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {f})};
    const QStringList lines = designLines(generate(designStyle(), db));
    ASSERT_EQ(lines.size(), qsizetype(std::size(cases)));
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const auto &c = cases[k];
        const QString head = QStringLiteral("SetDesignProperty tdfNew.Fields(\"V\"), \"%1\", ").arg(c.stored.name);
        EXPECT_EQ(lines[k], head + QString::fromUtf8(c.written));
        const QString expression = lines[k].section(QStringLiteral(", "), 3);
        EXPECT_EQ(evaluateBasicValue(expression, c.stored.type), c.stored.value) << lines[k].toStdString();
    }
}

// A long lookup query is assembled in a variable of the table procedure,
// declared once, in parts that fit a Basic line.
TEST(DesignPropertiesWriter, ALongValueIsAssembledInAVariableThatFitsBasicLines)
{
    QString query = QStringLiteral("SELECT ");
    for (int i = 0; i < 400; ++i)
        query += QStringLiteral("[Column %1] & \"-\", ").arg(i);
    query += QStringLiteral("\u03a9\r\nFROM [T];");
    schema::Field f = field(QStringLiteral("Code"), 10, 50);
    f.properties = {property("RowSource", 12, query), property("Caption", 10, QStringLiteral("Code")),
                    property("Filter", 12, query + QStringLiteral(" "))};
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {f}), table(QStringLiteral("U"), {f})};
    GeneratorSettings style = designStyle();
    style.tabStop = kMaxTabStop;
    const QString module = generate(style, db);
    const QStringList lines = module.split(QLatin1StringView("\r\n"));
    for (const QString &line : lines)
        EXPECT_LE(line.size(), 1023) << line.left(80).toStdString();
    // Declared once in each table procedure, before its first use.
    EXPECT_EQ(module.count(QStringLiteral("Dim strPropertyValue As String\r\n")), 2);

    const qsizetype call = lines.indexOf(style.indentUnit()
                                         + QStringLiteral("SetDesignProperty tdfNew.Fields(\"Code\"), \"RowSource\", dbMemo, strPropertyValue"));
    ASSERT_GT(call, 0);
    EXPECT_EQ(assembledValue(lines.mid(0, call), QStringLiteral("strPropertyValue")), query);
    const qsizetype filter = lines.indexOf(style.indentUnit()
                                           + QStringLiteral("SetDesignProperty tdfNew.Fields(\"Code\"), \"Filter\", dbMemo, strPropertyValue"));
    ASSERT_GT(filter, call);
    EXPECT_EQ(assembledValue(lines.mid(call, filter - call), QStringLiteral("strPropertyValue")), query + QStringLiteral(" "));
    EXPECT_TRUE(lines.contains(style.indentUnit() + QStringLiteral("SetDesignProperty tdfNew.Fields(\"Code\"), \"Caption\", dbText, \"Code\"")));
}

// Values Basic cannot write as a literal of their type are named in a
// comment where their line would stand; the rest are written.
TEST(DesignPropertiesWriter, ValuesWithoutABasicLiteralAreNamedInACommentInstead)
{
    schema::Field f = field(QStringLiteral("Photo"), 11, 0);
    f.properties = {property("Picture", 11, QByteArray("\x00\x01\x02\x03", 4)),
                    property("Tiny", 2, 300),
                    property("Width", 3, 40000),
                    property("Big", 4, qlonglong(3000000000)),
                    property("Ratio", 7, std::numeric_limits<double>::quiet_NaN()),
                    property("Scale", 6, std::numeric_limits<float>::infinity()),
                    property("Lowest", 7, -std::numeric_limits<double>::infinity()),
                    property("Due", 8, 3e6),
                    property("Amount", 20, QByteArray(16, '\0')),
                    property("Strange", 99, QByteArray("x")),
                    property("Flag", 1, QByteArray("\x01", 1)),
                    property("Caption", 10, QStringLiteral("Photo"))};
    schema::Table t = table(QStringLiteral("Pictures"), {f});
    t.properties = {property("Binary", 9, QByteArray("ab"))};
    schema::Database db;
    db.tables = {t};
    const QString module = generate(designStyle(), db);
    EXPECT_EQ(designLines(module),
              QStringList({QStringLiteral("SetDesignProperty tdfNew.Fields(\"Photo\"), \"Caption\", dbText, \"Photo\"")}));
    EXPECT_EQ(commentLines(module).filter(QStringLiteral("Left out")),
              QStringList({
                  QStringLiteral("'Left out: property \"Binary\" of tdfNew: binary data (2 bytes) has no Basic literal"),
                  QStringLiteral("'Left out: property \"Picture\" of tdfNew.Fields(\"Photo\"): binary data (4 bytes) has no Basic literal"),
                  QStringLiteral("'Left out: property \"Tiny\" of tdfNew.Fields(\"Photo\"): 300 is out of range for dbByte"),
                  QStringLiteral("'Left out: property \"Width\" of tdfNew.Fields(\"Photo\"): 40000 is out of range for dbInteger"),
                  QStringLiteral("'Left out: property \"Big\" of tdfNew.Fields(\"Photo\"): 3000000000 is out of range for dbLong"),
                  QStringLiteral("'Left out: property \"Ratio\" of tdfNew.Fields(\"Photo\"): NaN has no Basic literal"),
                  QStringLiteral("'Left out: property \"Scale\" of tdfNew.Fields(\"Photo\"): Infinity has no Basic literal"),
                  QStringLiteral("'Left out: property \"Lowest\" of tdfNew.Fields(\"Photo\"): -Infinity has no Basic literal"),
                  QStringLiteral("'Left out: property \"Due\" of tdfNew.Fields(\"Photo\"): the serial date 3000000 is outside the dates Basic holds (years 100 to 9999)"),
                  QStringLiteral("'Left out: property \"Amount\" of tdfNew.Fields(\"Photo\"): binary data (16 bytes) has no Basic literal"),
                  QStringLiteral("'Left out: property \"Strange\" of tdfNew.Fields(\"Photo\"): the type code 99 has no DAO constant"),
                  QStringLiteral("'Left out: property \"Flag\" of tdfNew.Fields(\"Photo\"): binary data (1 byte) has no Basic literal"),
              }));

    // Nothing written at all: no helper procedure either.
    db.tables[0].fields[0].properties.removeLast();
    const QString none = generate(designStyle(), db);
    EXPECT_FALSE(none.contains(QStringLiteral("SetDesignProperty")));
    EXPECT_EQ(commentLines(none).filter(QStringLiteral("Left out")).size(), 12);
}

// Names with quotes, line breaks and characters outside the code page are
// written as Basic strings, in the lines and in the comments alike, and no
// line is longer than Basic reads.
TEST(DesignPropertiesWriter, NamesAreBasicStringsAndEveryLineFits)
{
    QString odd;
    for (int i = 0; i < 64; ++i)
        odd += QChar(char16_t(0x4e00 + i));
    schema::Field quoted = field(QStringLiteral("Say \"Hi\"\r\nnow"), 10, 50);
    quoted.properties = {property("Cap\"tion", 10, QStringLiteral("x")), property(odd.toUtf8().constData(), 9, QByteArray("b"))};
    schema::Field wide = field(odd, 10, 50);
    wide.properties = {property(odd.toUtf8().constData(), 10, QString(900, u'\u4e2d')),
                       property(odd.toUtf8().constData(), 11, QByteArray("b"))};
    schema::Database db;
    db.tables = {table(QStringLiteral("T"), {quoted, wide})};
    GeneratorSettings style = designStyle();
    style.tabStop = kMaxTabStop;
    const QString module = generate(style, db);
    for (const QString &line : module.split(QLatin1StringView("\r\n"))) {
        EXPECT_LE(line.size(), 1023) << line.left(80).toStdString();
        if (!line.trimmed().startsWith(u'\'')) {
            EXPECT_EQ(line.count(u'"') % 2, 0) << line.toStdString();
        }
    }
    EXPECT_TRUE(designLines(module).contains(QStringLiteral(
        "SetDesignProperty tdfNew.Fields(\"Say \"\"Hi\"\"\" & vbCrLf & \"now\"), \"Cap\"\"tion\", dbText, \"x\"")));
    EXPECT_EQ(commentLines(module).filter(QStringLiteral("Left out")).size(), 2);
}

TEST(DesignPropertiesWriter, TheHelperAndItsVariableAreReservedNamesOnlyWhenWritten)
{
    schema::Database db = designedCustomers();
    db.tables[0].name = QStringLiteral("DesignProperty");
    GeneratorSettings style = designStyle();
    style.procPrefix = QStringLiteral("Set");
    const QString module = generate(style, db);
    EXPECT_TRUE(module.contains(QStringLiteral("Private Sub SetDesignProperty_2(dbNew As Database)")));
    EXPECT_TRUE(module.contains(QStringLiteral("   SetDesignProperty_2 dbNew\r\n")));
    EXPECT_EQ(module.count(QStringLiteral("Private Sub SetDesignProperty(")), 1);

    for (const char *name : {"SetDesignProperty", "setdesignproperty", "strPropertyValue"}) {
        GeneratorSettings clash = designStyle();
        clash.varNameNewField = QString::fromLatin1(name);
        EXPECT_THROW(checkCodeStyle(clash), pembry::BasicError) << name;
        clash.includeDesignProperties = false;
        EXPECT_NO_THROW(checkCodeStyle(clash)) << name;
    }
    // The helper's own variable lives in its own procedure only.
    GeneratorSettings relation = designStyle();
    relation.varNameNewRelation = QStringLiteral("strPropertyValue");
    EXPECT_NO_THROW(checkCodeStyle(relation));

    style.includeDesignProperties = false;
    EXPECT_TRUE(generate(style, db).contains(QStringLiteral("Private Sub SetDesignProperty(dbNew As Database)")));
}

// A table read without its design (a failing engine call) is not written
// half: the failure ends the run, as for every other engine call.
TEST(DesignPropertiesWriter, EngineFailuresReadingPropertiesPassUnchanged)
{
    for (const char *member : {"TableDef.Properties", "Field.Properties", "TableDef.ValidationRule"}) {
        auto faults = std::make_shared<testsupport::FaultPlan>();
        faults->inject(QString::fromLatin1(member), 3110);
        EXPECT_THROW(generate(designStyle(), designedCustomers(), {}, false, faults), pembry::BasicError) << member;
        EXPECT_NO_THROW(generate(wizardStyle(), designedCustomers(), {}, false, faults)) << member;
    }
}
