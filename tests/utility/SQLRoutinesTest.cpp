#include "utility/BasicError.h"
#include "RaisedError.h"
#include "utility/SQLRoutines.h"

#include <gtest/gtest.h>

using pembry::BasicError;
using pembry::SQLRoutines;
using pembry::Variant;

namespace {

using testsupport::raisedError;

qint16 parse(SQLRoutines &sql, const QString &text)
{
    Variant v(text);
    return sql.SQLParse(v);
}

// Every clause of statement n, in the order SQLAppend joins them: select,
// from, where, group by, having, order by, pivot.
QStringList clauses(const SQLRoutines &sql, int n = 1)
{
    return {sql.SelectSQL(n), sql.From(n), sql.Where(n), sql.GroupBy(n), sql.Having(n), sql.OrderBy(n), sql.Pivot(n)};
}

// The clauses of each statement that parsing `text` gives.
QList<QStringList> statements(SQLRoutines &sql, const QString &text)
{
    parse(sql, text);
    QList<QStringList> all;
    for (int n = 1; n <= sql.StatementCount(); ++n)
        all.append(clauses(sql, n));
    return all;
}

// The text SQLAppend joins.
QString joined(SQLRoutines &sql)
{
    sql.SQLAppend();
    return sql.SQL();
}

}  // namespace

TEST(SQLRoutines, CutsOneStatementIntoItsClausesAndJoinsThemBack)
{
    SQLRoutines sql;
    QString text = QStringLiteral("SELECT a, b FROM t WHERE a = 1 ORDER BY b;");
    EXPECT_EQ(sql.SQLParse(text), 0);
    EXPECT_EQ(sql.StatementCount(), 1);
    EXPECT_EQ(clauses(sql), QStringList({"SELECT a, b", "FROM t", "WHERE a = 1", "", "", "ORDER BY b", ""}));
    EXPECT_EQ(sql.SQL(), "");   // parsing does not join
    EXPECT_TRUE(sql.SQLAppend().isEmpty());
    EXPECT_EQ(sql.SQL(), "SELECT a, b FROM t WHERE a = 1 ORDER BY b ");
}

// Where statements start, the clauses of each, and the text joined back.
TEST(SQLRoutines, UnionAndAFurtherSelectStartAStatement)
{
    struct Case {
        const char *text;
        QList<QStringList> statements;
        const char *joined;
    };
    const Case cases[] = {
        {"SELECT a FROM t1 UNION SELECT a FROM t2 ORDER BY a",
         {{"SELECT a", "FROM t1", "", "", "", "", ""}, {"UNION SELECT a", "FROM t2", "", "", "", "ORDER BY a", ""}},
         "SELECT a FROM t1 UNION SELECT a FROM t2 ORDER BY a "},
        // A SELECT after the first seven characters.
        {"SELECT a FROM t WHERE a IN ( SELECT b FROM u)",
         {{"SELECT a", "FROM t", "WHERE a IN (", "", "", "", ""}, {"SELECT b", "FROM u)", "", "", "", "", ""}},
         "SELECT a FROM t WHERE a IN ( SELECT b FROM u) "},
        // A crosstab: the TRANSFORM part is a statement of its own.
        {"TRANSFORM Sum(x) SELECT a FROM t GROUP BY a PIVOT b",
         {{"TRANSFORM Sum(x)", "", "", "", "", "", ""}, {"SELECT a", "FROM t", "", "GROUP BY a", "", "", "PIVOT b"}},
         "TRANSFORM Sum(x) SELECT a FROM t GROUP BY a PIVOT b"},
    };
    SQLRoutines sql;   // one object for all: each parse starts afresh
    for (const Case &c : cases) {
        EXPECT_EQ(statements(sql, QString::fromLatin1(c.text)), c.statements) << c.text;
        EXPECT_EQ(joined(sql), c.joined) << c.text;
    }
}

TEST(SQLRoutines, KeywordsAreFoundWithoutLetterCaseAndKeepTheSourceSpelling)
{
    SQLRoutines sql;
    parse(sql, QStringLiteral("select Name, Count(*) from Emp group by Name having Count(*) > 1"));
    EXPECT_EQ(clauses(sql),
              QStringList({"select Name, Count(*)", "from Emp", "", "group by Name", "having Count(*) > 1", "", ""}));
}

TEST(SQLRoutines, SettersAddTheirKeywordAndRaiseTheStatementCount)
{
    SQLRoutines sql;
    parse(sql, QStringLiteral("SELECT a, b FROM t WHERE a = 1 ORDER BY b;"));
    sql.setWhere(QStringLiteral("  b > 2  "));
    EXPECT_EQ(sql.Where(), "WHERE b > 2");
    sql.WhereAppend(QStringLiteral("AND c = 3"));
    EXPECT_EQ(sql.Where(), "WHERE b > 2 AND c = 3");
    sql.setOrderBy(QStringLiteral("x"), 2);
    EXPECT_EQ(sql.OrderBy(2), "Order By x");
    EXPECT_EQ(sql.StatementCount(), 2);
    EXPECT_EQ(joined(sql), "SELECT a, b FROM t WHERE b > 2 AND c = 3 ORDER BY b Order By x ");

    sql.setHaving(QStringLiteral("HAVING x > 1"));
    EXPECT_EQ(sql.Having(), "HAVING x > 1");
    sql.setHaving(QStringLiteral("x"));
    EXPECT_EQ(sql.Having(), "Having x");
    sql.setFrom(QStringLiteral("t2"));
    EXPECT_EQ(sql.From(), "From t2");
    sql.setGroupBy(QStringLiteral("group by z"));
    EXPECT_EQ(sql.GroupBy(), "group by z");
    sql.setSelectSQL(QStringLiteral("*"));
    EXPECT_EQ(sql.SelectSQL(), "Select *");
    sql.setPivot(QString());
    EXPECT_EQ(sql.Pivot(), "");
    sql.setFrom(QStringLiteral(" t3"));   // only Where is trimmed
    EXPECT_EQ(sql.From(), "From  t3");
}

TEST(SQLRoutines, WhereAppendStartsAClauseOrJoinsWithAnd)
{
    SQLRoutines sql;
    sql.WhereAppend(QStringLiteral("  and x = 1 "));
    EXPECT_EQ(sql.Where(), " WHERE x = 1");
    EXPECT_EQ(sql.StatementCount(), 0);   // the count is not changed
    sql.WhereAppend(QString());
    EXPECT_EQ(sql.Where(), " WHERE x = 1");
    sql.WhereAppend(QStringLiteral("Anderson = 2"));   // a name that starts with "and"
    EXPECT_EQ(sql.Where(), "WHERE x = 1 AND Anderson = 2");

    SQLRoutines empty;
    empty.WhereAppend(QString());
    EXPECT_EQ(empty.Where(), " WHERE ");
}

TEST(SQLRoutines, EmptyTextRaises32000AndKeepsTheClauses)
{
    SQLRoutines sql;
    parse(sql, QStringLiteral("SELECT a FROM t"));
    Variant empty{QString()};
    const BasicError e = raisedError([&] { sql.SQLParse(empty); });
    EXPECT_EQ(e.number(), 32000);
    EXPECT_EQ(e.source(), "");
    EXPECT_EQ(e.description(), "Empty string passed to SQLParse routine");
    EXPECT_EQ(sql.StatementCount(), 1);
    EXPECT_EQ(sql.From(), "FROM t");
}

TEST(SQLRoutines, OneCharacterGivesNoStatement)
{
    SQLRoutines sql;
    EXPECT_EQ(parse(sql, QStringLiteral("x")), 0);
    EXPECT_EQ(sql.StatementCount(), 0);
    sql.setSQL(QStringLiteral("old"));
    EXPECT_EQ(joined(sql), "");
}

TEST(SQLRoutines, KeywordsNeedBlanksOnBothSides)
{
    SQLRoutines sql;
    parse(sql, QStringLiteral("SELECT a FROM(t)"));
    EXPECT_EQ(sql.SelectSQL(), "SELECT a FROM(t)");
    EXPECT_EQ(sql.From(), "");
}

TEST(SQLRoutines, LineBreaksBecomeBlanksAndTheCallerSeesTheCleanedText)
{
    SQLRoutines sql;
    Variant text(QStringLiteral("SELECT a,\r\n    b\r\nFROM t\r\n"));
    sql.SQLParse(text);
    EXPECT_EQ(text.toString(), "SELECT a, b FROM t ");
    EXPECT_EQ(sql.SelectSQL(), "SELECT a, b");
    EXPECT_EQ(sql.From(), "FROM t");

    // A lone line feed before a keyword hides it.
    parse(sql, QStringLiteral("SELECT a\nFROM t"));
    EXPECT_EQ(sql.From(), "");
    EXPECT_EQ(sql.SelectSQL(), "SELECT a\nFROM t");
}

TEST(SQLRoutines, SemicolonsAreRemovedEvenInsideLiterals)
{
    SQLRoutines sql;
    parse(sql, QStringLiteral("SELECT a FROM t WHERE s = 'x; y';"));
    EXPECT_EQ(sql.Where(), "WHERE s = 'xy'");
}

TEST(SQLRoutines, KeywordsOutOfOrderRaiseError5)
{
    SQLRoutines sql;
    EXPECT_EQ(raisedError([&] { parse(sql, QStringLiteral("SELECT a WHERE x = 1 FROM t")); }).number(), 5);
}

TEST(SQLRoutines, AnEleventhStatementRaisesError9)
{
    QStringList parts;
    for (int i = 1; i <= 11; ++i)
        parts << QStringLiteral("SELECT c%1 FROM t%1").arg(i);
    SQLRoutines sql;
    EXPECT_EQ(raisedError([&] { parse(sql, parts.join(QStringLiteral(" UNION "))); }).number(), 9);
    EXPECT_EQ(sql.StatementCount(), 11);
    EXPECT_EQ(sql.SelectSQL(10), "UNION SELECT c10");
    EXPECT_EQ(sql.From(10), "FROM t10");
    EXPECT_EQ(raisedError([&] { sql.SQLAppend(); }).number(), 9);

    parts.removeLast();
    parse(sql, parts.join(QStringLiteral(" UNION ")));
    EXPECT_EQ(sql.StatementCount(), 10);
}

TEST(SQLRoutines, StatementNumbersOutside1To10RaiseError9)
{
    SQLRoutines sql;
    EXPECT_EQ(raisedError([&] { sql.Where(0); }).number(), 9);
    EXPECT_EQ(raisedError([&] { sql.From(11); }).number(), 9);
    EXPECT_EQ(raisedError([&] { sql.setHaving(QStringLiteral("x"), 11); }).number(), 9);
    EXPECT_EQ(raisedError([&] { sql.WhereAppend(QStringLiteral("x"), -1); }).number(), 9);
    EXPECT_EQ(sql.StatementCount(), 0);
    EXPECT_NO_THROW(sql.Pivot(QStringLiteral("10")));
}

TEST(SQLRoutines, ClearEmptiesClausesButKeepsSQL)
{
    SQLRoutines sql;
    parse(sql, QStringLiteral("SELECT a FROM t"));
    sql.SQLAppend();
    sql.Clear();
    EXPECT_EQ(sql.StatementCount(), 0);
    EXPECT_EQ(sql.SelectSQL(), "");
    EXPECT_EQ(sql.SQL(), "SELECT a FROM t ");
}

TEST(SQLRoutines, SQLAssignmentTakesTheTextOfAnyValue)
{
    SQLRoutines sql;
    sql.setSQL(Variant::null());
    EXPECT_EQ(sql.SQL(), "");
    sql.setSQL(42);
    EXPECT_EQ(sql.SQL(), "42");
}

TEST(SQLRoutines, UnionFollowedByTwoBlanksStillSplitsCleanly)
{
    SQLRoutines sql;
    ASSERT_NO_THROW(parse(sql, QStringLiteral("SELECT a FROM t UNION  SELECT b FROM u")));
    EXPECT_EQ(sql.StatementCount(), 3);
    EXPECT_EQ(joined(sql), "SELECT a FROM t UNION SELECT b FROM u ");
    ASSERT_NO_THROW(parse(sql, QStringLiteral(" UNION  SELECT b FROM u")));
}
