// The SQL script writer on designs built in the test: the expressions it
// translates or refuses, the names it gives, and the shapes each dialect
// needs. Loading scripts into real engines is tested in tests/sqlengines.

#include "RaisedError.h"
#include "SchemaBuilders.h"
#include "wizard/generator/sql/SqlDialect.h"
#include "wizard/generator/sql/SqlExpression.h"
#include "wizard/generator/sql/SqlNames.h"
#include "wizard/generator/sql/SqlScript.h"

#include <gtest/gtest.h>

using namespace tabulo::sql;
using namespace schemabuild;

namespace {

constexpr Dialect kDialects[] = {Dialect::SQLite, Dialect::PostgreSQL, Dialect::MySQL};

// A field's rule translated in `dialect`, or "refused: why".
QString rule(Dialect dialect, const QString &text, const schema::Field &field = field("Qty", 4, 4))
{
    const DialectRules &rules = rulesOf(dialect);
    const ExpressionContext context{&rules,
                                    [&](const QString &name) -> std::optional<ColumnRef> {
                                        if (name.compare(field.name, Qt::CaseInsensitive) != 0)
                                            return std::nullopt;
                                        return ColumnRef{quotedName(rules, field.name), &field};
                                    },
                                    ColumnRef{quotedName(rules, field.name), &field}, true};
    const Translation t = translateCondition(text, context);
    return t.ok() ? t.sql : QStringLiteral("refused: ") + t.problem;
}

QString defaultOf(Dialect dialect, const QString &text, const schema::Field &f)
{
    const Translation t = translateDefault(text, f, rulesOf(dialect));
    return t.ok() ? t.sql : QStringLiteral("refused");
}

}  // namespace

TEST(SqlExpressions, ValidationRulesBecomeConditionsWithTheFieldFilledIn)
{
    EXPECT_EQ(rule(Dialect::PostgreSQL, ">=0"), "\"Qty\" >= 0");
    EXPECT_EQ(rule(Dialect::MySQL, "Between 0 And 1"), "`Qty` BETWEEN 0 AND 1");
    EXPECT_EQ(rule(Dialect::SQLite, "Is Null Or >0"), "\"Qty\" IS NULL OR \"Qty\" > 0");
    EXPECT_EQ(rule(Dialect::PostgreSQL, "Not Between 1 And 9 And <>20"), "\"Qty\" NOT BETWEEN 1 AND 9 AND \"Qty\" <> 20");
    EXPECT_EQ(rule(Dialect::PostgreSQL, "In (1,2, 3)"), "\"Qty\" IN (1, 2, 3)");
    EXPECT_EQ(rule(Dialect::PostgreSQL, "[Qty] * 2 < 10"), "\"Qty\" * 2 < 10");
    const schema::Field code = textField("Code", 10);
    EXPECT_EQ(rule(Dialect::PostgreSQL, "Not Like \"A*?\"", code), "\"Code\" NOT ILIKE 'A%_'");
    EXPECT_EQ(rule(Dialect::SQLite, "Like 'x''y*'", code), "\"Code\" LIKE 'x''y%'");
    EXPECT_EQ(rule(Dialect::MySQL, "\"A\" Or \"B\"", code), "`Code` = 'A' OR `Code` = 'B'");
    EXPECT_EQ(rule(Dialect::PostgreSQL, "Len([Code]) > 2", code), "char_length(\"Code\") > 2");
    const schema::Field born = field("Born", 8, 8);
    EXPECT_EQ(rule(Dialect::PostgreSQL, "<Date()", born), "\"Born\" < CURRENT_DATE");
    EXPECT_EQ(rule(Dialect::MySQL, ">#1/31/2000#", born), "`Born` > DATE '2000-01-31'");
}

TEST(SqlExpressions, WhatCannotBeTranslatedIsRefusedWithItsReason)
{
    EXPECT_EQ(rule(Dialect::SQLite, "<Date()", field("Born", 8, 8)), "\"Born\" < CURRENT_DATE");
    EXPECT_EQ(rule(Dialect::MySQL, "<Now()", field("Born", 8, 8)), "refused: MariaDB/MySQL refuses Now() here");
    EXPECT_TRUE(rule(Dialect::PostgreSQL, "Like \"[A-C]*\"", textField("Code")).startsWith("refused: the Like pattern"));
    EXPECT_TRUE(rule(Dialect::PostgreSQL, "Mid([Qty],1)=1").startsWith("refused: the function"));
    EXPECT_TRUE(rule(Dialect::PostgreSQL, "[Other]>0").startsWith("refused: the table has no field [Other]"));
    EXPECT_TRUE(rule(Dialect::PostgreSQL, ">=(1").startsWith("refused"));
    EXPECT_TRUE(rule(Dialect::PostgreSQL, "\"open").startsWith("refused: a text has no closing quote"));
}

TEST(SqlExpressions, DefaultsFollowTheFieldsType)
{
    schema::Field yesNo = field("Done", 1, 1);
    EXPECT_EQ(defaultOf(Dialect::PostgreSQL, "=No", yesNo), "FALSE");
    EXPECT_EQ(defaultOf(Dialect::SQLite, "Yes", yesNo), "1");
    EXPECT_EQ(defaultOf(Dialect::MySQL, "-1", yesNo), "TRUE");
    EXPECT_EQ(defaultOf(Dialect::PostgreSQL, "0", longField("N")), "0");
    EXPECT_EQ(defaultOf(Dialect::PostgreSQL, "=-1.5", field("D", 7, 8)), "-1.5");
    EXPECT_EQ(defaultOf(Dialect::MySQL, "\"it's\\here\"", textField("T")), "'it''s\\\\here'");
    const schema::Field when = field("When", 8, 8);
    EXPECT_EQ(defaultOf(Dialect::PostgreSQL, "Date()", when), "CURRENT_DATE");
    EXPECT_EQ(defaultOf(Dialect::MySQL, "=Now()", when), "(now())");
    EXPECT_EQ(defaultOf(Dialect::SQLite, "Date()", when), "(date('now', 'localtime'))");
    const schema::Field guid = field("G", 15, 16);
    EXPECT_EQ(defaultOf(Dialect::PostgreSQL, "GenGUID()", guid), "gen_random_uuid()");
    EXPECT_EQ(defaultOf(Dialect::SQLite, "GenGUID()", guid), "refused");
    EXPECT_EQ(defaultOf(Dialect::PostgreSQL, "\"abc\"", yesNo), "refused");
}

TEST(SqlNames, LongNamesAreShortenedTheSameWayAndKeptApart)
{
    const DialectRules &pg = rulesOf(Dialect::PostgreSQL);
    const QString common = QString(60, u'é');   // 120 bytes in UTF-8
    const QString a = shortenedName(pg, common + "A");
    const QString b = shortenedName(pg, common + "B");
    EXPECT_LE(a.toUtf8().size(), 63);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, shortenedName(pg, common + "A"));
    EXPECT_EQ(shortenedName(rulesOf(Dialect::SQLite), common), common);

    NameSpace names(pg, false);
    EXPECT_EQ(names.claimSourceName("Orders"), "Orders");
    EXPECT_EQ(names.claimMadeName("orders"), "orders_2");
    NameSpace lower(pg, true);
    EXPECT_EQ(lower.claimSourceName("Straße"), "straße");
    const pembry::BasicError clash = testsupport::expectedError([&] { lower.claimSourceName("STRAßE"); });
    EXPECT_EQ(clash.number(), 5);
    EXPECT_TRUE(clash.description().contains("the same in lower case"));
}

TEST(SqlDialects, LiteralsAndNamesAreQuotedAsEachEngineReadsThem)
{
    EXPECT_EQ(quotedName(rulesOf(Dialect::PostgreSQL), u"a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(quotedName(rulesOf(Dialect::MySQL), u"a`b"), "`a``b`");
    EXPECT_EQ(stringLiteral(rulesOf(Dialect::PostgreSQL), u"a\\b"), "'a\\b'");
    EXPECT_EQ(stringLiteral(rulesOf(Dialect::PostgreSQL), u"a\nb'"), "E'a\\nb'''");
    EXPECT_EQ(stringLiteral(rulesOf(Dialect::MySQL), u"a\\b\n"), "'a\\\\b\\n'");
    EXPECT_EQ(stringLiteral(rulesOf(Dialect::SQLite), u"a\nb"), "('a' || char(10) || 'b')");
}

TEST(SqlScript, EachDialectGetsTheShapeItNeeds)
{
    schema::Table orders = table("Orders", {longField("OrderID", true), longField("CustomerID"), textField("Note", 255)},
                                 {primaryKey("OrderID"), index("CustomerID", {"CustomerID"})});
    schema::Table customers = table("Customers", {longField("CustomerID"), field("Tags", 109, 20)},
                                    {primaryKey("CustomerID")});
    schema::Table loose = table("Loose", {longField("N", true), field("Shape", 0, 0), field("Files", 101, 0)});
    loose.fields[1].storageType = 0x46;
    const schema::Database db = database({orders, customers, loose},
                                         {relation("CustomersOrders", "Customers", "Orders", 0x1100,
                                                   {{"CustomerID", "CustomerID"}})});
    const QStringList all{"Customers", "Orders", "Loose"};

    const Script lite = writeScript(db, all, {Dialect::SQLite});
    EXPECT_TRUE(lite.text.contains("\"OrderID\" integer PRIMARY KEY NOT NULL,")) << lite.text.toStdString();
    EXPECT_TRUE(lite.text.contains("CONSTRAINT \"CustomersOrders\" FOREIGN KEY (\"CustomerID\") REFERENCES "
                                   "\"Customers\" (\"CustomerID\") ON UPDATE CASCADE ON DELETE CASCADE\n);"));
    EXPECT_TRUE(lite.text.contains("-- an AutoNumber in the source"));
    EXPECT_TRUE(lite.text.startsWith("-- SQLite script written by Tabulo from"));
    EXPECT_FALSE(lite.text.contains('\r'));

    const Script pg = writeScript(db, all, {Dialect::PostgreSQL});
    EXPECT_TRUE(pg.text.contains("\"OrderID\" integer GENERATED BY DEFAULT AS IDENTITY NOT NULL"));
    EXPECT_TRUE(pg.text.contains("CONSTRAINT \"Orders_PrimaryKey\" PRIMARY KEY (\"OrderID\")"));
    EXPECT_TRUE(pg.text.contains("CREATE INDEX \"Orders_CustomerID\" ON \"Orders\" (\"CustomerID\");"));
    EXPECT_TRUE(pg.text.contains("ALTER TABLE \"Orders\" ADD CONSTRAINT \"CustomersOrders\" FOREIGN KEY"));
    EXPECT_TRUE(pg.text.contains("CREATE TABLE \"Customers_Tags\" (\n    \"CustomerID\" integer NOT NULL,\n"
                                 "    \"Value\" varchar(20) NOT NULL,\n"
                                 "    PRIMARY KEY (\"CustomerID\", \"Value\"),\n"));
    EXPECT_TRUE(pg.text.startsWith("-- PostgreSQL script") && pg.text.contains("\nBEGIN;\n")
                && pg.text.endsWith("\nCOMMIT;\n"));
    // The field without an SQL type and the attachment of a table without a
    // key are left out, each with a comment and a warning.
    EXPECT_TRUE(pg.text.contains("-- Left out: table \"Loose\", field \"Shape\": its storage type 0x46"));
    EXPECT_TRUE(pg.text.contains("-- Left out: table \"Loose\", field \"Files\": an attachment field"));
    EXPECT_EQ(pg.warnings.size(), 2);

    const Script my = writeScript(db, {"Loose"}, {Dialect::MySQL});
    EXPECT_TRUE(my.text.contains("`N` int NOT NULL AUTO_INCREMENT,")) << my.text.toStdString();
    EXPECT_TRUE(my.text.contains("KEY (`N`)\n) ENGINE=InnoDB"));
    EXPECT_EQ(testsupport::raisedNumber([&] { writeScript(db, {"Nowhere"}, {Dialect::MySQL}); }), 3265);
}

TEST(SqlScript, MySqlLeavesOutACheckOnAColumnACascadeChanges)
{
    schema::Table parent = table("Parent", {longField("ID")}, {primaryKey("ID")});
    schema::Table child = table("Chi\"ld", {longField("ID"), longField("ParentID")}, {primaryKey("ID")});
    child.fields[1].validationRule = QStringLiteral(">0");
    const schema::Database db =
        database({parent, child}, {relation("ParentChild", "Parent", "Chi\"ld", 0x100, {{"ID", "ParentID"}})});

    const Script my = writeScript(db, {"Parent", "Chi\"ld"}, {Dialect::MySQL});
    EXPECT_FALSE(my.text.contains("CHECK (")) << my.text.toStdString();
    ASSERT_EQ(my.warnings.size(), 1);
    EXPECT_TRUE(my.warnings[0].contains("ON UPDATE CASCADE"));
    // The others keep it, and a name with a quote is no shortened name.
    const Script pg = writeScript(db, {"Parent", "Chi\"ld"}, {Dialect::PostgreSQL});
    EXPECT_TRUE(pg.text.contains("\"ParentID\" integer CHECK (\"ParentID\" > 0)"));
    EXPECT_FALSE(pg.text.contains("stands for"));
    EXPECT_TRUE(pg.warnings.isEmpty());
}
