// The small pieces the module writer is made of: Basic string expressions,
// identifiers and procedure names, the code page, the DAO constant names,
// names shown with their control characters escaped.

#include "BasicEvaluator.h"
#include "FaultyEngine.h"
#include "SchemaBuilders.h"
#include "QtPrinting.h"
#include "RaisedError.h"
#include "utility/BasicError.h"
#include "wizard/generator/AttributeNames.h"
#include "wizard/generator/BasicLiteral.h"
#include "wizard/generator/BasicNames.h"
#include "wizard/generator/CodePrinter.h"
#include "wizard/generator/DisplayText.h"
#include "wizard/generator/Windows1252.h"
#include "wizard/generator/basDAOFunctions.h"

#include <QBuffer>
#include <stdexcept>
#include <gtest/gtest.h>

using namespace tabulo;
using testsupport::expectedError;

TEST(BasicLiteral, NamesKeepEveryCharacter)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", R"~("")~"},
        {"Customers", R"~("Customers")~"},
        {"a\"b", R"~("a""b")~"},
        {"\"\"", R"~("""""")~"},
        {" padded ", R"~(" padded ")~"},
        {"a\r\nb", R"~("a" & vbCrLf & "b")~"},
        {"\r\nb", R"~(vbCrLf & "b")~"},
        {"a\r", R"~("a" & Chr(13))~"},
        {"\n\t", R"~(Chr(10) & Chr(9))~"},
        {"\x7f", R"~(Chr(127))~"},
        {"\u20ac \u00e9 \u0178", "\"\u20ac \u00e9 \u0178\""},
        {"\u0081", R"~(ChrW(129))~"},
        {"x\u00a0\uffff", "\"x\u00a0\" & ChrW(65535)"},
        {"\U0001F600", R"~(ChrW(55357) & ChrW(56832))~"},
    };
    for (const auto &[text, literal] : cases) {
        EXPECT_EQ(basicStringLiteral(QString::fromUtf8(text)), QString::fromUtf8(literal)) << literal;
        EXPECT_EQ(evaluateBasicString(QString::fromUtf8(literal)), QString::fromUtf8(text));
    }
}

TEST(BasicLiteral, StoredExpressionsUseTheQuoteConstant)
{
    const QString q = QStringLiteral("mcstrQuote");
    EXPECT_EQ(basicStringExpression(u"0", q), QStringLiteral("\"0\""));
    EXPECT_EQ(basicStringExpression(u"\"", q), q);
    EXPECT_EQ(basicStringExpression(u"\"\"\"", q), QStringLiteral("mcstrQuote & mcstrQuote & mcstrQuote"));
    EXPECT_EQ(basicStringExpression(u"=\"a\r\n\"", q),
              QStringLiteral("\"=\" & mcstrQuote & \"a\" & vbCrLf & mcstrQuote"));
    EXPECT_EQ(basicStringExpression(u"", q), QStringLiteral("\"\""));
}

TEST(BasicLiteral, PartsStayWithinTheirLengthAndNeverCutAPiece)
{
    const QString q = QStringLiteral("q");
    EXPECT_EQ(basicStringExpressionParts(u"abcdefghijklmnop", q, 10),
              QStringList({QStringLiteral("\"abcdefgh\""), QStringLiteral("\"ijklmnop\"")}));
    EXPECT_EQ(basicStringExpressionParts(u"ab\"cd", {}, 6),
              QStringList({QStringLiteral("\"ab\"\"\""), QStringLiteral("\"cd\"")}));
    EXPECT_EQ(basicStringExpressionParts(u"ab\"cd", {}, 5),
              QStringList({QStringLiteral("\"ab\""), QStringLiteral("\"\"\"c\""), QStringLiteral("\"d\"")}));
    EXPECT_EQ(basicStringExpressionParts(u"a\u03a9b", q, 9),
              QStringList({QStringLiteral("\"a\""), QStringLiteral("ChrW(937)"), QStringLiteral("\"b\"")}));
    EXPECT_EQ(basicStringExpressionParts(u"", q, 5), QStringList({QStringLiteral("\"\"")}));

    // Text without special characters: one part exactly while it and its
    // quotes fit.
    EXPECT_EQ(basicStringExpressionParts(u"abcdefgh", q, 10), QStringList({QStringLiteral("\"abcdefgh\"")}));
    EXPECT_EQ(basicStringExpressionParts(u"abcdefghi", q, 10),
              QStringList({QStringLiteral("\"abcdefgh\""), QStringLiteral("\"i\"")}));
}

TEST(BasicNames, IdentifiersHoldOnlyWhatBasicAccepts)
{
    EXPECT_EQ(basicIdentifier(u"subCreate_Customers"), QStringLiteral("subCreate_Customers"));
    EXPECT_EQ(basicIdentifier(u"a-b.c$d e"), QStringLiteral("a_b_c_d_e"));
    EXPECT_EQ(basicIdentifier(u"\u00c9t\u00e9"), QStringLiteral("\u00c9t\u00e9"));
    EXPECT_EQ(basicIdentifier(u"\u00e9\u00d7\u0394"), QStringLiteral("\u00e9__"));
    EXPECT_EQ(basicIdentifier(u"9Lives"), QStringLiteral("Proc_9Lives"));
    EXPECT_EQ(basicIdentifier(u"_x"), QStringLiteral("Proc__x"));
    EXPECT_EQ(basicIdentifier(u"-x"), QStringLiteral("Proc__x"));
    EXPECT_EQ(basicIdentifier(u""), QStringLiteral("Proc_"));
    EXPECT_EQ(basicIdentifier(u"END"), QStringLiteral("Proc_END"));
    EXPECT_EQ(basicIdentifier(u"Ending"), QStringLiteral("Ending"));
    EXPECT_EQ(basicIdentifier(QString(300, u'x')).size(), 255);
    EXPECT_TRUE(isBasicKeyword(u"Select"));
    EXPECT_TRUE(isBasicKeyword(u"sub"));
    EXPECT_FALSE(isBasicKeyword(u"Customers"));
}

TEST(BasicNames, LaterClaimsOfANameGetNumbers)
{
    ProcedureNames names;
    names.reserve(QStringLiteral("subCreate_Indexes"));
    EXPECT_EQ(names.claim(QStringLiteral("subCreate_INDEXES")), QStringLiteral("subCreate_INDEXES_2"));
    EXPECT_EQ(names.claim(QStringLiteral("A")), QStringLiteral("A"));
    EXPECT_EQ(names.claim(QStringLiteral("A_3")), QStringLiteral("A_3"));
    EXPECT_EQ(names.claim(QStringLiteral("a")), QStringLiteral("a_2"));
    EXPECT_EQ(names.claim(QStringLiteral("A")), QStringLiteral("A_4"));   // A_3 is taken
    EXPECT_EQ(names.claim(QStringLiteral("A_2")), QStringLiteral("A_2_2"));
    EXPECT_TRUE(names.isTaken(QStringLiteral("a_4")));

    const QString longName(255, u'n');
    EXPECT_EQ(names.claim(longName), longName);
    const QString second = names.claim(longName);
    EXPECT_EQ(second.size(), 255);
    EXPECT_TRUE(second.endsWith(QLatin1StringView("n_2")));
}

TEST(Windows1252, EncodesTheCodePageAndMarksTheRest)
{
    EXPECT_EQ(toWindows1252(QStringLiteral("A\u20ac\u201a\u0178\u00e9\u00ff\r\n")),
              QByteArray("A\x80\x82\x9f\xe9\xff\r\n"));
    EXPECT_EQ(toWindows1252(QStringLiteral("\u0081\u03a9\u0100")), QByteArray("???"));
    // Long ASCII runs are copied in blocks; a block with other units is encoded one by one.
    QString text(300, QLatin1Char('a'));
    text[70] = QChar(0x20AC);
    text[130] = QChar(0x0100);
    text[299] = QChar(0x00E9);
    QByteArray bytes(300, 'a');
    bytes[70] = '\x80';
    bytes[130] = '?';
    bytes[299] = '\xe9';
    EXPECT_EQ(toWindows1252(text), bytes);
    int fitting = 0;
    for (char32_t c = 0; c < 0x10000; ++c)
        fitting += fitsWindows1252(char16_t(c));
    EXPECT_EQ(fitting, 256 - 5);
}

TEST(Windows1252, WritingALongTextGivesTheSameBytesAsEncodingItWhole)
{
    // Longer than the pieces it is written in, with characters outside
    // ASCII and outside the code page on and around every piece boundary.
    QString text;
    for (int i = 0; i < 40000; ++i)
        text += QStringLiteral("ab\u20ac\u03a9\r\n");
    QByteArray written;
    QBuffer buffer(&written);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    EXPECT_TRUE(writeWindows1252(buffer, text));
    EXPECT_EQ(written, toWindows1252(text));
    EXPECT_EQ(written.size(), text.size());

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(writeWindows1252(readOnly, text));
    EXPECT_TRUE(writeWindows1252(readOnly, QString()));
}

TEST(CodePrinter, IndentsStatementsAndEndsLinesWithCrLf)
{
    CodePrinter out(QStringLiteral("  "));
    out.print("Sub A()\n\n");
    {
        const auto body = out.indented();
        out.print("\tx = $value$\n", {{"value", QStringLiteral("1")}});
        out.print("End\n");
    }
    EXPECT_EQ(out.text(), QStringLiteral("Sub A()\r\n\r\n    x = 1\r\n  End\r\n"));
}

TEST(CodePrinter, SlotsTakeTheNearestValueAndDollarsCanBeWritten)
{
    CodePrinter out(QStringLiteral("   "), QString(), {{"db", u"dbNew"}});
    {
        const auto scope = out.withVars({{"x", u"scoped"}, {"tdf", u"tdfNew"}});
        out.print("$db$ $x$ $tdf$\n");
        out.print("$x$ $$ Chr$$(34)\n", {{"x", u"call"}});
    }
    out.print("$x$", {{"x", u"after"}});
    // A line may be printed in pieces; only its first piece is indented.
    {
        const auto deeper = out.indented();
        out.print("\n");
        out.print("a = ");
        out.print("$db$\n\t\n");
    }
    EXPECT_EQ(out.text(), QStringLiteral("dbNew scoped tdfNew\r\ncall $ Chr$(34)\r\nafter\r\n   a = dbNew\r\n\r\n"));
    EXPECT_THROW(out.print("$x$"), std::logic_error);   // the scope has ended
    EXPECT_THROW(out.print("$open"), std::logic_error);
}

TEST(CodePrinter, AFunctionSlotPrintsItsLinesInPlaceOfItsOwnLine)
{
    CodePrinter out(QStringLiteral("  "), QString(), {{"db", u"dbNew"}});
    const auto inner = [&out] { out.print("y\n\n\tz\n"); };
    const auto body = [&] {
        out.print("x = $db$\n");
        out.print("If a Then\n"
                  "\t$inner$\n"
                  "End If\n",
                  {{"inner", inner}});
    };
    out.print("Sub $name$()\n"
              "\t$body$\n"
              "End Sub\n",
              {{"name", u"A"}, {"body", body}});
    EXPECT_EQ(out.text(), QStringLiteral("Sub A()\r\n  x = dbNew\r\n  If a Then\r\n    y\r\n\r\n      z\r\n"
                                         "  End If\r\nEnd Sub\r\n"));
    // The indent is back where it was, also after a function that throws.
    const auto fails = [&out] {
        out.print("partial\n");
        throw std::runtime_error("engine");
    };
    EXPECT_THROW(out.print("\t\t$f$\n", {{"f", fails}}), std::runtime_error);
    out.print("after\n");
    EXPECT_TRUE(out.text().endsWith(QLatin1StringView("    partial\r\nafter\r\n")));
    // A function's lines cannot share a line with other text.
    EXPECT_THROW(out.print("x $body$\n", {{"body", body}}), std::logic_error);
    EXPECT_THROW(out.print("$body$ x\n", {{"body", body}}), std::logic_error);
    EXPECT_THROW(out.print("$body$", {{"body", body}}), std::logic_error);
}

TEST(CodePrinter, ATemplateAtAReusedAddressIsParsedAgain)
{
    CodePrinter out(QStringLiteral(" "), QString(), {{"v", u"fixed"}});
    char buffer[] = "a $v$\n";
    out.print(QLatin1StringView(buffer));
    buffer[0] = 'b';
    out.print(QLatin1StringView(buffer));
    EXPECT_EQ(out.text(), QStringLiteral("a fixed\r\nb fixed\r\n"));
}

TEST(CodePrinter, QuotedNamesAreContinuedOnlyWhenTheLineWouldBeTooLong)
{
    CodePrinter out(QStringLiteral("  "), QStringLiteral("the run"));
    out.indent();
    out.print("Set t = db.CreateTableDef($name$)\n", {CodePrinter::quoted("name", u"Order \"Details\"")});
    EXPECT_EQ(out.text(), QStringLiteral("  Set t = db.CreateTableDef(\"Order \"\"Details\"\"\")\r\n"));

    // 1023 characters fit a line, one more does not.
    out.clear();
    out.indent();
    const QString fits(1023 - 2 - 4 - 2 - 1, u'n');
    out.print("x = $name$)\n", {CodePrinter::quoted("name", fits)});
    EXPECT_EQ(out.text().size(), 1023 + 2);
    out.clear();
    out.indent();
    out.print("x = $name$)\n", {CodePrinter::quoted("name", fits + u'n')});
    const QStringList lines = out.text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("  x = \""))) << lines[0].left(20).toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\" & _")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("    \"")));   // one level deeper
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\")")));      // the rest of the line follows
    for (const QString &line : lines)
        EXPECT_LE(line.size(), 1023);

    // More parts than Basic continues: refused with the printer's source.
    out.clear();
    QString huge;
    for (int i = 0; i < 4000; ++i)
        huge += QChar(char16_t(0x4e00 + i % 64));
    try {
        out.print("x = $name$\n", {CodePrinter::quoted("name", huge)});
        FAIL() << "accepted";
    } catch (const pembry::BasicError &e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_EQ(e.source(), "the run");
        EXPECT_TRUE(e.description().contains("4000 characters")) << e.description().toStdString();
    }
}

TEST(FieldTypeAsText, NamesEveryDaoType)
{
    const std::pair<int, const char *> types[] = {
        {1, "dbBoolean"}, {2, "dbByte"}, {3, "dbInteger"}, {4, "dbLong"}, {5, "dbCurrency"},
        {6, "dbSingle"}, {7, "dbDouble"}, {8, "dbDate"}, {9, "dbBinary"}, {10, "dbText"},
        {11, "dbLongBinary"}, {12, "dbMemo"}, {15, "dbGUID"}, {16, "dbBigInt"},
        {17, "dbVarBinary"}, {18, "dbChar"}, {19, "dbNumeric"}, {20, "dbDecimal"},
        {21, "dbFloat"}, {22, "dbTime"}, {23, "dbTimeStamp"}};
    for (const auto &[code, name] : types)
        EXPECT_EQ(FieldTypeAsText(code), QLatin1StringView(name));
    for (int code : {0, 13, 14, 24, -1})
        EXPECT_EQ(FieldTypeAsText(code), QString());
}

TEST(AttributeNames, FieldBitsInTheirOrder)
{
    EXPECT_EQ(AttributesField(17), QStringLiteral("dbAutoIncrField Or dbDescending Or dbFixedField"));
    EXPECT_EQ(AttributesField(34), QStringLiteral("dbUpdatableField Or dbVariableField"));
    EXPECT_EQ(AttributesField(0xFFFF),
              QStringLiteral("dbAutoIncrField Or dbDescending Or dbFixedField Or dbHyperlinkField Or "
                             "dbSystemField Or dbUpdatableField Or dbVariableField"));
    EXPECT_EQ(AttributesField(4), QStringLiteral("0"));
    EXPECT_EQ(AttributesField(2), QStringLiteral("dbVariableField"));
}

TEST(AttributeNames, RelationBitsInTheirOrder)
{
    EXPECT_EQ(AttributesRelation(0), QStringLiteral("0"));
    EXPECT_EQ(AttributesRelation(2 + 256 + 4096),
              QStringLiteral("dbRelationDontEnforce Or dbRelationUpdateCascade Or dbRelationDeleteCascade"));
    EXPECT_EQ(AttributesRelation(1 + 4), QStringLiteral("dbRelationUnique Or dbRelationInherited"));
    EXPECT_EQ(AttributesRelation(0x1000000 | 0x2000000), QStringLiteral("0"));
}

TEST(DisplayText, ControlCharactersAreEscapedAndNothingElse)
{
    EXPECT_EQ(tabulo::escapedForDisplay("Plain name, Caf\u00e9 \u00e0 la carte \\ 100%"),
              "Plain name, Caf\u00e9 \u00e0 la carte \\ 100%");
    EXPECT_EQ(tabulo::escapedForDisplay(QString("\x1b[31mred\x07") + QChar(0) + QChar(0x7f) + QChar(0x85) + QChar(0x9b)),
              "\\x1b[31mred\\x07\\x00\\x7f\\x85\\x9b");
    EXPECT_EQ(tabulo::escapedForDisplay("a\r\nb\tc"), "a\\x0d\\x0ab\\x09c");
    EXPECT_EQ(tabulo::escapedForDisplay(QString("x") + QChar(0x202e) + "y" + QChar(0x2028) + QChar(0x2067) + QChar(0x200f)),
              "x\\u202ey\\u2028\\u2067\\u200f");
    // Emoji joined by a zero-width joiner stay whole.
    EXPECT_EQ(tabulo::escapedForDisplay("\U0001F469\u200D\U0001F4BB"), "\U0001F469\u200D\U0001F4BB");
}

// The one wording of a left-out field, for the window and tabulo-cli: the
// names escaped, the storage type as two hexadecimal digits at least.
TEST(DisplayText, ALeftOutFieldIsNamedWithItsStorageType)
{
    EXPECT_EQ(tabulo::leftOutFieldWarning("Test", "UnknownVar", 0x46),
              "table \"Test\", field \"UnknownVar\": its storage type 0x46 has no DAO type; the module leaves it out.");
    EXPECT_EQ(tabulo::leftOutFieldWarning("T\nab", QString("f") + QChar(0x202e), 0xa),
              "table \"T\\x0aab\", field \"f\\u202e\": its storage type 0x0A has no DAO type; the module leaves it out.");
    EXPECT_TRUE(tabulo::leftOutFieldWarning("t", "f", 0x1ff).contains("storage type 0x1FF has"));
}
