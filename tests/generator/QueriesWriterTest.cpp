// The saved queries, written when includeQueries is set: the Queries
// procedure with one CreateQueryDef a query, each after the queries it
// reads, pass-through queries appended once their connection is set, and a
// comment and a warning for each query that reads a table left out.

#include "BasicEvaluator.h"
#include "RaisedError.h"
#include "WriterFixture.h"
#include "wizard/generator/CodePrinter.h"
#include "wizard/generator/SettingsCheck.h"

#include <gtest/gtest.h>

using namespace tabulo;
using namespace writertest;

namespace {

schema::Query query(const char *name, const char *sql, QStringList sources, int type = 0)
{
    schema::Query q;
    q.name = QString::fromUtf8(name);
    q.sql = QString::fromUtf8(sql);
    q.sources = std::move(sources);
    q.type = type;
    return q;
}

// Customers and Orders, and queries in an order their sources do not
// follow: "Big Orders" reads "Order Count", which the file has after it.
schema::Database shop()
{
    schema::Database db = customers();
    db.tables.append(table(QStringLiteral("Orders"), {longField(QStringLiteral("OrderID"), true),
                                                      longField(QStringLiteral("CustomerID"))}));
    schema::Query count = query("Order Count",
                                "SELECT Orders.CustomerID, Count(*) AS N\r\nFROM Orders\r\nGROUP BY Orders.CustomerID;",
                                {"Orders"});
    count.hidden = true;
    schema::Query remote = query("Remote Sales", "EXEC refresh_sales", {}, 112);
    remote.connect = QStringLiteral("ODBC;DSN=Sales;");
    remote.returnsRecords = false;
    db.queries = {query("Customer List", "SELECT Customers.CompanyName\r\nFROM Customers;", {"Customers"}),
                  query("Big Orders", "SELECT [Order Count].* FROM [Order Count] WHERE N > 10;", {"Order Count"}),
                  count, remote, query("~sq_fCustomers", "SELECT * FROM Customers;", {"Customers"})};
    return db;
}

GeneratorSettings queryStyle()
{
    GeneratorSettings style = wizardStyle();
    style.includeQueries = true;
    return style;
}

QString queriesProcedure(const QString &module)
{
    return section(module, QStringLiteral("Private Sub subCreate_Queries(dbNew As Database)"),
                   QStringLiteral("End Sub"));
}

// The logical lines of the Queries procedure, without their indent.
QStringList queryStatements(const QString &module)
{
    QStringList lines;
    for (const QString &line : statements(queriesProcedure(module)))
        lines.append(line.trimmed());
    return lines;
}

QStringList warningsOf(const GeneratorSettings &style, const schema::Database &db, const QStringList &chosen = {})
{
    ModuleWriter writer(style);
    writer.begin();
    writer.write({{}, chosen, {}, false, db.queries});
    return writer.queryWarnings();
}

}  // namespace

TEST(QueriesWriter, WithTheSettingOffTheModuleIsWhatItWasWithoutQueries)
{
    schema::Database bare = shop();
    bare.queries.clear();
    EXPECT_EQ(generate(wizardStyle(), shop()), generate(wizardStyle(), bare));
    // With the setting on, a database without queries gives the same module.
    EXPECT_EQ(generate(queryStyle(), bare), generate(wizardStyle(), bare));
}

// The procedure, called last by the wrapper; the engine's own query is not
// written, the pass-through query is appended with its connection.
TEST(QueriesWriter, WritesEachQueryAfterTheQueriesItReadsAndIsCalledAfterTheRelations)
{
    const QString module = generate(queryStyle(), shop());
    EXPECT_EQ(queriesProcedure(module), crlf(R"(Private Sub subCreate_Queries(dbNew As Database)

   On Error Goto ErrorHandler

   Dim qdfNew As QueryDef

   'Create Queries
   Set qdfNew = dbNew.CreateQueryDef("Customer List", "SELECT Customers.CompanyName" & vbCrLf & "FROM Customers;")

   Set qdfNew = dbNew.CreateQueryDef("Order Count", "SELECT Orders.CustomerID, Count(*) AS N" & vbCrLf & "FROM Orders" & vbCrLf & "GROUP BY Orders.CustomerID;")
   'Hidden in the source: Access hides it in the database it has open with Application.SetHiddenAttribute acQuery, "Order Count", True

   Set qdfNew = dbNew.CreateQueryDef("Big Orders", "SELECT [Order Count].* FROM [Order Count] WHERE N > 10;")

   Set qdfNew = dbNew.CreateQueryDef()
   qdfNew.Name = "Remote Sales"
   qdfNew.Connect = "ODBC;DSN=Sales;"
   qdfNew.SQL = "EXEC refresh_sales"
   qdfNew.ReturnsRecords = False
   dbNew.QueryDefs.Append qdfNew


ExitProcedure:
   Exit Sub

ErrorHandler:
   MsgBox Err.Number & ": " & Err.Description
   Resume ExitProcedure

End Sub
)"));
    EXPECT_TRUE(wrapperOf(module).endsWith(crlf("   subCreate_Indexes dbNew\n"
                                                "\n"
                                                "   subCreate_Queries dbNew\n"
                                                "\n"
                                                "ExitProcedure:\n"
                                                "   Exit Sub\n"
                                                "\n"
                                                "ErrorHandler:\n"
                                                "   MsgBox Err.Number & \": \" & Err.Description\n"
                                                "   Resume ExitProcedure\n"
                                                "\n"
                                                "End Sub\n")))
        << wrapperOf(module).toStdString();
    EXPECT_FALSE(module.contains(QStringLiteral("~sq_")));
    EXPECT_FALSE(module.contains(QStringLiteral("SetDesignProperty")));
    // Only Access hides a query, in the database it has open: a new
    // database keeps it visible, and the run says so.
    EXPECT_EQ(warningsOf(queryStyle(), shop(), {"Customers", "Orders"}),
              QStringList{QStringLiteral("the query \"Order Count\" is hidden in the source; Access hides a query "
                                         "only in the database it has open (Application.SetHiddenAttribute), so in a "
                                         "new database the module leaves it visible, with a comment.")});
    GeneratorSettings current = queryStyle();
    current.pathNameDBNew = QStringLiteral("Current");
    EXPECT_TRUE(generate(current, shop()).contains(
        QStringLiteral("\")\r\n   Application.SetHiddenAttribute acQuery, \"Order Count\", True\r\n\r\n")));
    EXPECT_TRUE(warningsOf(current, shop(), {"Customers", "Orders"}).isEmpty());

    // With a relationship the wrapper calls Relations first, then Queries.
    schema::Database related = shop();
    related.relations = {relation(QStringLiteral("CustomersOrders"), QStringLiteral("Customers"),
                                  QStringLiteral("Orders"), 0, {{QStringLiteral("CustomerID"), QStringLiteral("CustomerID")}})};
    const QString wrapper = wrapperOf(generate(queryStyle(), related));
    EXPECT_LT(wrapper.indexOf(QStringLiteral("subCreate_Relations dbNew")),
              wrapper.indexOf(QStringLiteral("subCreate_Queries dbNew")));
}

// A text too long for its statement is assembled in a variable over lines
// that fit, and gives the query's text back exactly.
TEST(QueriesWriter, ALongTextIsAssembledOverLinesThatFitABasicLine)
{
    QString sql = QStringLiteral("SELECT Customers.CompanyName");
    for (int i = 0; i < 120; ++i)
        sql += QStringLiteral(",\r\n  Customers.CompanyName & \"#%1\" AS [Name %1]").arg(i);
    sql += QStringLiteral("\r\nFROM Customers;");
    schema::Database db = shop();
    db.queries = {query("Wide", sql.toUtf8().constData(), {"Customers"})};
    schema::Query remote = query("Remote Wide", sql.toUtf8().constData(), {}, 112);
    remote.connect = QStringLiteral("ODBC;DSN=") + QString(1500, u'x') + u';';
    db.queries.append(remote);
    GeneratorSettings style = queryStyle();
    style.tabStop = 16;
    const QString module = generate(style, db);

    for (const QString &line : module.split(QLatin1StringView("\r\n")))
        EXPECT_LE(line.size(), CodePrinter::kMaxLineLength) << line.left(80).toStdString();
    const QStringList lines = queryStatements(module);
    const qsizetype create = lines.indexOf(QStringLiteral("Set qdfNew = dbNew.CreateQueryDef(\"Wide\", strSQL)"));
    ASSERT_GE(create, 0) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.count(QStringLiteral("Dim strSQL As String")), 1);
    EXPECT_EQ(assembledValue(lines.mid(0, create), QStringLiteral("strSQL")), sql);
    const qsizetype assigned = lines.indexOf(QStringLiteral("qdfNew.SQL = strSQL"));
    ASSERT_GT(assigned, create);
    EXPECT_EQ(assembledValue(lines.mid(create, assigned - create), QStringLiteral("strSQL")), sql);
    EXPECT_EQ(assembledValue(lines.mid(create, assigned - create), QStringLiteral("qdfNew.Connect")), remote.connect);
}

TEST(QueriesWriter, ADescriptionIsWrittenWithTheDesignProperties)
{
    schema::Database db = shop();
    db.queries[0].properties = {schema::Property{QStringLiteral("Description"), 10, QStringLiteral("Names \"A\" to Z")},
                                schema::Property{QStringLiteral("DOL"), 11, QByteArray("\x01\x02", 2)}};
    const auto descriptions = [&](const GeneratorSettings &style) {
        return queryStatements(generate(style, db)).filter(QStringLiteral("\"Description\""));
    };
    EXPECT_TRUE(descriptions(queryStyle()).isEmpty());
    GeneratorSettings design = queryStyle();
    design.includeDesignProperties = true;
    EXPECT_EQ(descriptions(design),
              QStringList{QStringLiteral("SetDesignProperty qdfNew, \"Description\", dbText, \"Names \"\"A\"\" to Z\"")});
}

// Queries that read each other in a circle cannot be ordered: the module
// says so and keeps the file's order.
TEST(QueriesWriter, ACircleOfQueriesIsAWarningAndKeepsTheFilesOrder)
{
    schema::Database db = shop();
    db.queries = {query("A", "SELECT * FROM B;", {"B"}), query("Plain", "SELECT * FROM Customers;", {"Customers"}),
                  query("B", "SELECT * FROM a;", {"a"}), query("After A", "SELECT * FROM A;", {"A"})};
    const QString module = generate(queryStyle(), db);
    QStringList created;
    for (const QString &line : queryStatements(module)) {
        if (line.startsWith(QLatin1StringView("Set qdfNew = dbNew.CreateQueryDef(")))
            created.append(line.section(u'"', 1, 1));
    }
    EXPECT_EQ(created, (QStringList{"A", "Plain", "B", "After A"}));
    EXPECT_TRUE(queryStatements(module).contains(
        QStringLiteral("'The queries \"A\", \"B\" read each other in a circle: they are created in the file's order")));
    EXPECT_EQ(warningsOf(queryStyle(), db, {"Customers"}),
              QStringList{QStringLiteral("the queries \"A\", \"B\" read each other in a circle; the module creates the "
                                         "queries in the file's order.")});
}

// A query over a table that is not chosen is left out, and so is a query
// over that query; the engine's own tables are in every database.
TEST(QueriesWriter, AQueryOverATableLeftOutIsACommentAndAWarning)
{
    schema::Database db = shop();
    db.queries = {query("Orders Only", "SELECT * FROM Orders;", {"orders"}),
                  query("Both", "SELECT * FROM Customers, Orders;", {"Customers", "Orders"}),
                  query("Over Both", "SELECT * FROM Both;", {"Both"}),
                  query("Objects", "SELECT Name FROM MSysObjects;", {"MSysObjects"}),
                  query("Over Form", "SELECT * FROM [~sq_fCustomers];", {"~sq_fCustomers"}),
                  query("~sq_fCustomers", "SELECT * FROM Customers;", {"Customers"})};
    const QString module = generate(queryStyle(), db, {QStringLiteral("Orders")});
    const QStringList lines = queryStatements(module);
    EXPECT_EQ(lines.filter(QStringLiteral("CreateQueryDef(")),
              (QStringList{"Set qdfNew = dbNew.CreateQueryDef(\"Orders Only\", \"SELECT * FROM Orders;\")",
                           "Set qdfNew = dbNew.CreateQueryDef(\"Objects\", \"SELECT Name FROM MSysObjects;\")"}));
    EXPECT_EQ(lines.filter(QStringLiteral("'Left out:")),
              (QStringList{"'Left out: query \"Both\": it reads \"Customers\", which is not among the chosen tables",
                           "'Left out: query \"Over Both\": it reads \"Both\", which is a query left out",
                           "'Left out: query \"Over Form\": it reads \"~sq_fCustomers\", which is a query left out"}));
    EXPECT_EQ(warningsOf(queryStyle(), db, {QStringLiteral("Orders")}),
              (QStringList{"query \"Both\" reads \"Customers\", which is not among the chosen tables; the module "
                           "leaves the query out.",
                           "query \"Over Both\" reads the query \"Both\", which the module leaves out; the module "
                           "leaves \"Over Both\" out too.",
                           "query \"Over Form\" reads the query \"~sq_fCustomers\", which the module leaves out; the "
                           "module leaves \"Over Form\" out too."}));

    // With nothing left to write there is no procedure and no call, only
    // the warnings.
    db.queries = db.queries.mid(0, 3);
    const QString none = generate(queryStyle(), db, {QStringLiteral("Customers")});
    EXPECT_FALSE(none.contains(QStringLiteral("subCreate_Queries")));
    EXPECT_EQ(warningsOf(queryStyle(), db, {QStringLiteral("Customers")}).size(), 3);
}

// The query variable is checked as the others are, and only when the
// module writes queries: without them no name it would clash with is taken.
TEST(QueriesWriter, TheQueryVariableIsCheckedOnlyWhenQueriesAreWritten)
{
    for (const char *name : {"strSQL", "QueryDef", "dbNew", "not a name"}) {
        GeneratorSettings style = queryStyle();
        style.varNameNewQuery = QString::fromLatin1(name);
        EXPECT_EQ(testsupport::raisedNumber([&] { checkCodeStyle(style); }), 5) << name;
        style.includeQueries = false;
        EXPECT_NO_THROW(checkCodeStyle(style)) << name;
    }
    GeneratorSettings style = queryStyle();
    style.varNameNewTable = QStringLiteral("QueryDef");
    EXPECT_EQ(testsupport::raisedNumber([&] { checkCodeStyle(style); }), 5);
    style.includeQueries = false;
    EXPECT_NO_THROW(checkCodeStyle(style));

    style = queryStyle();
    style.varNameNewQuery = QStringLiteral("qdX");
    EXPECT_TRUE(generate(style, shop()).contains(QStringLiteral("   Dim qdX As QueryDef\r\n")));
}
