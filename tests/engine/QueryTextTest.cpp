// Saved queries rebuilt from hand-made MSysQueries rows: each query type,
// the select predicates, joins nested as stored, parameters, the clauses
// naming another database, and damaged rows that cost the query.
#include "reader/AccessSqlText.h"
#include "reader/QueryText.h"

#include <gtest/gtest.h>

using reader::QueryRow;
using reader::rebuildQuery;

namespace {

// Attribute codes of the rows.
enum { Type = 1, Parameter = 2, Flags = 3, Remote = 4, Table = 5, Column = 6, Join = 7, Where = 8, GroupBy = 9,
       Having = 10, OrderBy = 11 };

QueryRow row(int attribute, int flag = 0, const QString &name1 = {}, const QString &name2 = {},
             const QString &expression = {}, long extra = 0)
{
    return QueryRow{attribute, flag, extra, name1, name2, expression, false};
}

QueryRow column(const QString &expression, const QString &alias = {}, int flag = 0)
{
    return row(Column, flag, alias, {}, expression);
}

QueryRow table(const QString &name, const QString &alias = {}) { return row(Table, 0, name, alias); }

// The rows of a query of type `type` (1 select ... 9 union) between its start and end marks.
std::vector<QueryRow> query(int type, std::vector<QueryRow> body)
{
    std::vector<QueryRow> rows{row(0), row(255), row(Type, type)};
    rows.insert(rows.end(), body.begin(), body.end());
    return rows;
}

QString sql(const std::vector<QueryRow> &rows, std::uint32_t catalogueFlags = 0)
{
    const reader::QueryText text = rebuildQuery(rows, catalogueFlags);
    EXPECT_EQ(text.problem, QString());
    return QString(text.sql).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString problem(const std::vector<QueryRow> &rows, std::uint32_t catalogueFlags = 0)
{
    const reader::QueryText text = rebuildQuery(rows, catalogueFlags);
    EXPECT_EQ(text.sql, QString());
    return text.problem;
}

TEST(QueryText, SelectPredicatesKeepTopBesideDistinctAndDistinctRow)
{
    const auto top = [](int flags, const QString &count) {
        return query(1, {row(Flags, flags, count), table("Products"),
                         column("Products.ProductName", "TenMostExpensiveProducts"), column("Products.UnitPrice"),
                         row(OrderBy, 0, "D", {}, "Products.UnitPrice")});
    };
    EXPECT_EQ(sql(top(0x18, "10")), "SELECT DISTINCTROW TOP 10 Products.ProductName AS TenMostExpensiveProducts, "
                                    "Products.UnitPrice\nFROM Products\nORDER BY Products.UnitPrice DESC;");
    EXPECT_TRUE(sql(top(0x12, "5")).startsWith("SELECT DISTINCT TOP 5 Products.ProductName"));
    EXPECT_TRUE(sql(top(0x30, "25")).startsWith("SELECT TOP 25 PERCENT Products.ProductName"));
    // SELECT * with an owner's access and an alias that needs brackets.
    EXPECT_EQ(sql(query(1, {row(Flags, 0x05), table("Order Details", "Line Items"), column("Year([Date])", "Year")})),
              "SELECT *, Year([Date]) AS [Year]\nFROM [Order Details] AS [Line Items]\nWITH OWNERACCESS OPTION;");
    EXPECT_EQ(problem(top(0x10, "")), "its TOP has no number");
}

TEST(QueryText, GroupsHavingAndAJoinNestedAsStored)
{
    // Access stores the joins of "Invoices" pairwise; they nest in the order stored.
    const auto rows = query(
        1, {row(Flags, 8), table("Orders"), table("Order Details"), table("Customers"), table("Products"),
            column("Customers.CompanyName"), column("Sum([Quantity])", "Items"),
            row(Join, 1, "Customers", "Orders", "Customers.CustomerID = Orders.CustomerID"),
            row(Join, 2, "Orders", "Order Details", "Orders.OrderID = [Order Details].OrderID"),
            row(Join, 3, "Products", "Order Details", "Products.ProductID = [Order Details].ProductID"),
            row(Where, 0, {}, {}, "((Orders.Freight)>10)"), row(GroupBy, 0, {}, {}, "Customers.CompanyName"),
            row(Having, 0, {}, {}, "((Sum([Quantity]))>5)"), row(OrderBy, 0, {}, {}, "Customers.CompanyName")});
    EXPECT_EQ(sql(rows),
              "SELECT DISTINCTROW Customers.CompanyName, Sum([Quantity]) AS Items\n"
              "FROM Products RIGHT JOIN ((Customers INNER JOIN Orders ON Customers.CustomerID = Orders.CustomerID) "
              "LEFT JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID) "
              "ON Products.ProductID = [Order Details].ProductID\n"
              "WHERE ((Orders.Freight)>10)\nGROUP BY Customers.CompanyName\nHAVING ((Sum([Quantity]))>5)\n"
              "ORDER BY Customers.CompanyName;");
    EXPECT_EQ(rebuildQuery(rows, 0).sources, QStringList({"Orders", "Order Details", "Customers", "Products"}));

    // Two conditions between the same tables make one join; a table no join names stays in the list.
    EXPECT_EQ(sql(query(1, {table("A"), table("B"), table("C"), column("A.x"),
                            row(Join, 1, "A", "B", "A.k1 = B.k1"), row(Join, 1, "A", "B", "A.k2 = B.k2")})),
              "SELECT A.x\nFROM C, A INNER JOIN B ON (A.k2 = B.k2) AND (A.k1 = B.k1);");
    EXPECT_EQ(problem(query(1, {table("A"), table("B"), column("A.x"), row(Join, 4, "A", "B", "A.k = B.k")})),
              "a join has the unknown type 4");
    EXPECT_EQ(problem(query(1, {table("A"), table("B"), column("A.x"), row(Join, 1, "A", "B", "A.k = B.k"),
                                row(Join, 2, "A", "B", "A.j = B.j")})),
              "the joins of \"A\" and \"B\" differ in type");
}

TEST(QueryText, ParametersAreBracketedWhereTheyNeedIt)
{
    const auto rows = query(1, {row(Parameter, 8, "Beginning Date"), row(Parameter, 4, "[Count]"),
                                row(Parameter, 10, "Forms!Sales by Year Dialog!EndingDate", {}, {}, 50),
                                row(Parameter, 0, "Limit"), row(Parameter, 10, "[Forms]![Orders]![Name]"),
                                table("Orders"), column("Orders.OrderID")});
    const reader::QueryText text = rebuildQuery(rows, 0);
    EXPECT_TRUE(text.sql.startsWith(
        "PARAMETERS [Beginning Date] DateTime, [Count] Long, [Forms]![Sales by Year Dialog]![EndingDate] Text ( 50 ), "
        "Limit Value, [Forms]![Orders]![Name] Text;\r\nSELECT Orders.OrderID"))
        << text.sql.toStdString();
    ASSERT_EQ(text.parameters.size(), 5);
    EXPECT_EQ(text.parameters[0].name, "Beginning Date");
    EXPECT_EQ(text.parameters[0].type, 8);
    EXPECT_EQ(text.parameters[1].name, "Count");
    EXPECT_EQ(text.parameters[2].name, "Forms!Sales by Year Dialog!EndingDate");
    EXPECT_EQ(text.parameters[4].name, "Forms!Orders!Name");
    EXPECT_EQ(problem(query(1, {row(Parameter, 99, "X"), table("T"), column("T.a")})),
              "its parameter \"X\" has the unknown type 99");
}

TEST(QueryText, ActionQueriesWithTheirTargets)
{
    EXPECT_EQ(sql(query(4, {row(Parameter, 10, "User Name"), table("Table1"), row(Column, 0, {}, "Table1.col1", "\"foo\""),
                            row(Column, 0, {}, "[Table 2].[col 1]", "[User Name]"),
                            row(Where, 0, {}, {}, "(((Table1.col2) Is Not Null))")})),
              "PARAMETERS [User Name] Text;\nUPDATE Table1\nSET Table1.col1 = \"foo\", [Table 2].[col 1] = [User Name]\n"
              "WHERE (((Table1.col2) Is Not Null));");
    EXPECT_EQ(sql(query(5, {row(Flags, 0x09), table("Orders"), row(Where, 0, {}, {}, "((Orders.Freight)=0)")})),
              "DELETE DISTINCTROW *\nFROM Orders\nWHERE ((Orders.Freight)=0);");
}

TEST(QueryText, AppendAndMakeTableNameTheirTargetAndItsDatabase)
{
    auto append = [](std::vector<QueryRow> body) {
        std::vector<QueryRow> rows{row(0), row(Type, 3, "Archive", "C:\\Data\\old.mdb")};
        rows.insert(rows.end(), body.begin(), body.end());
        return rows;
    };
    EXPECT_EQ(sql(append({table("Orders"), row(Column, 0, {}, "OrderID", "Orders.OrderID"),
                          row(Column, 0, {}, "Ship Date", "Orders.ShippedDate")})),
              "INSERT INTO Archive (OrderID, [Ship Date]) IN 'C:\\Data\\old.mdb'\n"
              "SELECT Orders.OrderID, Orders.ShippedDate\nFROM Orders;");
    // The VALUES rows carry the flag 0x8000, which the 16-bit Flag column reads as negative.
    EXPECT_EQ(sql({row(Type, 3, "Log"), row(Column, -32768, {}, "ID", "54"), row(Column, -32768, {}, "Text", "'it''s'")}),
              "INSERT INTO Log (ID, [Text])\nVALUES (54, 'it''s');");
    const auto makeTable = std::vector<QueryRow>{
        row(Type, 2, "Orders 1997", {}, "dBASE IV;"), row(Flags, 0), table("Orders"), column("Orders.*"),
        row(Remote, 0, "C:\\Shop\\shop.mdb"), row(Where, 0, {}, {}, "Year([OrderDate])=1997")};
    EXPECT_EQ(sql(makeTable), "SELECT Orders.* INTO [Orders 1997] IN '' [dBASE IV;]\nFROM Orders IN 'C:\\Shop\\shop.mdb'\n"
                              "WHERE Year([OrderDate])=1997;");
    // What the query reads from another database is no source of this one; a made table neither.
    EXPECT_TRUE(rebuildQuery(makeTable, 0).sources.isEmpty());
    EXPECT_EQ(rebuildQuery(append({table("Orders"), column("Orders.OrderID")}), 0).sources, QStringList{"Orders"});
    EXPECT_EQ(rebuildQuery(std::vector<QueryRow>{row(Type, 3, "Log"), table("Orders"), column("Orders.OrderID")}, 0).sources,
              QStringList({"Log", "Orders"}));
}

TEST(QueryText, UnionCrosstabDataDefinitionAndPassThrough)
{
    const auto unionRows = query(9, {row(Flags, 3), row(Table, 0, {}, "X7YZ_____1", "SELECT City FROM Customers\r\n"),
                                     row(Table, 0, {}, "X7YZ_____2", "SELECT City\nFROM [Supplier List]"),
                                     row(OrderBy, 0, {}, {}, "City")});
    EXPECT_EQ(sql(unionRows), "SELECT City FROM Customers\nUNION SELECT City\nFROM [Supplier List]\nORDER BY City;");
    EXPECT_EQ(rebuildQuery(unionRows, 0).sources, QStringList({"Customers", "Supplier List"}));
    auto unionAll = unionRows;
    unionAll[3].flag = 0;
    EXPECT_TRUE(sql(unionAll).contains("\nUNION ALL SELECT City\n"));
    unionAll.erase(unionAll.begin() + 5);
    EXPECT_EQ(problem(unionAll), "a part of its UNION is missing");

    const auto crosstab = query(6, {table("Orders"), column("Count(*)", "Orders", 0), column("Orders.ShipCountry", {}, 2),
                                    column("Format([OrderDate],\"yyyy\") In (\"1996\",\"1997\")", {}, 1),
                                    row(GroupBy, 2, {}, {}, "Orders.ShipCountry"),
                                    row(GroupBy, 1, {}, {}, "Format([OrderDate],\"yyyy\")")});
    EXPECT_EQ(sql(crosstab), "TRANSFORM Count(*) AS Orders\nSELECT Orders.ShipCountry\nFROM Orders\n"
                             "GROUP BY Orders.ShipCountry\nPIVOT Format([OrderDate],\"yyyy\") In (\"1996\",\"1997\");");
    EXPECT_EQ(problem(query(6, {table("Orders"), column("Orders.ShipCountry", {}, 2)})),
              "its crosstab needs one value and one column heading, not 0 and 0");

    const QString ddl = QStringLiteral("CREATE TABLE Table5 (col1 CHAR, col2 CHAR);");
    EXPECT_EQ(sql({row(Type, 7, {}, {}, ddl + QChar(0))}), ddl);
    const reader::QueryText passThrough =
        rebuildQuery({row(Type, 8, "ODBC;DSN=Sales", {}, "EXEC refresh_totals")}, 0x90);
    EXPECT_EQ(passThrough.type, 112);
    EXPECT_EQ(passThrough.sql, "EXEC refresh_totals");
    EXPECT_EQ(passThrough.connect, "ODBC;DSN=Sales");
    EXPECT_FALSE(passThrough.returnsRecords);
    EXPECT_TRUE(rebuildQuery({row(Type, 8, "ODBC;", {}, "SELECT 1")}, 112).returnsRecords);
}

TEST(QueryText, TheTypeComesFromTheRowsElseFromTheCatalogue)
{
    // No type row and no flags row: the catalogue's type bits say.
    const std::vector<QueryRow> plain{row(0), row(255), table("Products"), column("Products.ProductID")};
    EXPECT_EQ(rebuildQuery(plain, 0x08000003).type, 0);
    EXPECT_EQ(sql(plain, 0x08000003), "SELECT Products.ProductID\nFROM Products;");
    EXPECT_EQ(rebuildQuery(query(6, {table("T"), column("Sum(a)"), column("T.b", {}, 2), column("T.c", {}, 1)}), 0).type, 16);
    EXPECT_EQ(rebuildQuery(plain, 0xA0).problem, "its type 160 is unknown");
}

TEST(AccessSqlText, NamesAreBracketedWhereAccessNeedsItAndFoundAfterFromAndJoin)
{
    EXPECT_EQ(reader::sqlName("Orders"), "Orders");
    EXPECT_EQ(reader::sqlName(QStringLiteral("Bestellmenge_Übersicht")), QStringLiteral("Bestellmenge_Übersicht"));
    for (const char *needs : {"Order Details", "Year", "select", "1st", "_x", "a-b", ""})
        EXPECT_EQ(reader::sqlName(needs), u'[' + QString::fromUtf8(needs) + u']');
    EXPECT_EQ(reader::sqlQualifiedName("[Order Details].Unit Price"), "[Order Details].[Unit Price]");
    EXPECT_EQ(reader::quotedLiteral("O'Brien.mdb"), "'O''Brien.mdb'");
    EXPECT_EQ(reader::namesInFromClauses("SELECT \"FROM Fake\" AS x FROM [Order Details] AS od, Customers INNER JOIN "
                                         "(Orders LEFT JOIN Shippers ON a = b) ON c = d WHERE e IN (SELECT f FROM "
                                         "customers)"),
              QStringList({"Order Details", "Customers", "Orders", "Shippers"}));
}

TEST(QueryText, DamagedRowsCostTheQueryWithAReason)
{
    EXPECT_EQ(problem({}), "it has no rows in MSysQueries");
    EXPECT_EQ(problem(query(1, {table("T"), row(42)})), "a row has the unknown attribute 42");
    EXPECT_EQ(problem(query(12, {table("T")})), "its type 12 is unknown");
    EXPECT_EQ(problem(query(1, {table("T"), column("T.a"), row(Where, 0, {}, {}, "a"), row(Where, 0, {}, {}, "b")})),
              "it has 2 rows of attribute 8 where one is allowed");
    EXPECT_EQ(problem(query(1, {table("T")})), "it selects no columns");
    EXPECT_EQ(problem(query(1, {table("T"), column({})})), "a column has no expression");
    EXPECT_EQ(problem(query(1, {row(Table, 0, {}, "Alias"), column("a")})), "a table row names no table");
    EXPECT_EQ(problem(query(2, {table("T"), column("T.a")})), "it names no target table");
    EXPECT_EQ(problem(query(4, {table("T")})), "it sets no field");
    EXPECT_EQ(problem({row(Type, 8, "ODBC;")}), "its SQL text is missing");
    // A chain of joins far beyond the 32 tables a query can join is damage, not a stack to exhaust.
    std::vector<QueryRow> chain{table("T0"), column("T0.a")};
    for (int k = 1; k <= 2000; ++k)
        chain.push_back(row(Join, 1, QStringLiteral("T%1").arg(k - 1), QStringLiteral("T%1").arg(k), "x = y"));
    EXPECT_EQ(problem(query(1, chain)), "it has 2000 joins, more than a query can hold");
    auto cut = query(1, {table("T"), column("T.a")});
    cut.back().cut = true;
    EXPECT_EQ(problem(cut), "a text of it is longer than the reader takes");
}

}  // namespace
