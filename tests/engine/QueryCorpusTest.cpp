// The saved queries of real files as the reader reads them: Northwind's and
// its variant's user queries compared token by token with the SQL written
// by hand from their MSysQueries rows (tests/engine/data/*-queries.txt), the
// engine's own ~sq_ queries beside them, and a damaged query that costs
// itself alone.
#include "TestPaths.h"

#include "reader/JetSchemaReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The expected SQL of each query of a fixture file, by name, in file order.
QList<std::pair<QString, QString>> expectedQueries(const QString &fixture)
{
    QFile file(QStringLiteral(QUERY_TEST_DATA "/") + fixture);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << fixture.toStdString();
    QList<std::pair<QString, QString>> queries;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u"== "))
            queries.append({line.mid(3), QString()});
        else if (!queries.isEmpty())
            queries.back().second += line + u'\n';
    }
    return queries;
}

// Access SQL as tokens: literals, bracketed names and dates whole, words,
// two-character operators and single characters; blank space between them
// is no token.
QStringList tokens(const QString &sql)
{
    static const QRegularExpression token(QStringLiteral(
        R"("(?:[^"]|"")*"|'(?:[^']|'')*'|\[[^\]]*\]|#[^#]*#|\w+|<>|<=|>=|\S)"));
    QStringList out;
    for (auto match = token.globalMatch(sql); match.hasNext();)
        out.append(match.next().captured());
    return out;
}

std::optional<schema::Database> readFile(const QString &path)
{
    schema::ReaderError error;
    auto db = reader::readDatabase(path.toStdString(), {}, error);
    EXPECT_TRUE(db) << error.description.toStdString();
    return db;
}

const schema::Query *find(const schema::Database &db, const QString &name)
{
    for (const schema::Query &q : db.queries) {
        if (q.name == name)
            return &q;
    }
    return nullptr;
}

void expectQueriesAsWritten(const char *file, const char *fixture)
{
    const auto db = readFile(testDataPath(QLatin1String(file)));
    ASSERT_TRUE(db);
    EXPECT_TRUE(db->warnings.isEmpty()) << db->warnings.join(u'\n').toStdString();
    const auto expected = expectedQueries(QLatin1String(fixture));
    qsizetype userQueries = 0;
    for (const schema::Query &q : db->queries)
        userQueries += q.isSystem() ? 0 : 1;
    EXPECT_EQ(userQueries, expected.size());
    for (const auto &[name, sql] : expected) {
        const schema::Query *query = find(*db, name);
        ASSERT_TRUE(query) << name.toStdString();
        EXPECT_EQ(tokens(query->sql), tokens(sql)) << name.toStdString() << "\n" << query->sql.toStdString();
        EXPECT_TRUE(query->sql.endsWith(u';'));
        EXPECT_FALSE(query->sql.contains(QRegularExpression(QStringLiteral("[^\r]\n")))) << "lines end in CR LF";
    }
}

}  // namespace

TEST(QueryCorpus, NorthwindQueriesAreTheSqlOfTheirRows)
{
    TABULO_NEED_TESTDATA();
    expectQueriesAsWritten("northwind.mdb", "northwind-queries.txt");
}

TEST(QueryCorpus, NorthwindVariantQueriesAreTheSqlOfTheirRows)
{
    TABULO_NEED_TESTDATA();
    expectQueriesAsWritten("northwind-variant.mdb", "northwind-variant-queries.txt");
}

TEST(QueryCorpus, QueriesComeInCatalogueOrderWithTheirTypeFlagsAndProperties)
{
    TABULO_NEED_TESTDATA();
    const auto db = readFile(testDataPath(QStringLiteral("northwind-variant.mdb")));
    ASSERT_TRUE(db);
    ASSERT_EQ(db->queries.size(), 55);
    // The catalogue lists the engine's queries of forms and reports first here.
    EXPECT_EQ(db->queries.front().name, "~sq_cCategories~sq_cProduct List");
    EXPECT_TRUE(db->queries.front().isSystem());
    EXPECT_EQ(db->queries.back().name, "Query2");

    const schema::Query *crosstab = find(*db, QStringLiteral("Quarterly Orders by Product"));
    ASSERT_TRUE(crosstab);
    EXPECT_EQ(crosstab->type, 16);
    EXPECT_EQ(crosstab->sources, QStringList({"Products", "Orders", "Order Details"}));
    EXPECT_EQ(find(*db, QStringLiteral("Customers and Suppliers by City"))->type, 128);
    EXPECT_EQ(find(*db, QStringLiteral("Customers and Suppliers by City"))->sources,
              QStringList({"Customers", "Suppliers"}));

    const schema::Query *byCountry = find(*db, QStringLiteral("Employee Sales by Country"));
    ASSERT_TRUE(byCountry);
    ASSERT_EQ(byCountry->parameters.size(), 2);
    EXPECT_EQ(byCountry->parameters[0].name, "Beginning Date");
    EXPECT_EQ(byCountry->parameters[0].type, 8);

    // MSysObjects marks "Sales Totals by Amount" hidden in both copies.
    EXPECT_TRUE(find(*db, QStringLiteral("Sales Totals by Amount"))->hidden);
    EXPECT_FALSE(find(*db, QStringLiteral("Invoices"))->hidden);

    const auto northwind = readFile(testDataPath(QStringLiteral("northwind.mdb")));
    ASSERT_TRUE(northwind);
    const schema::Query *top = find(*northwind, QStringLiteral("Ten Most Expensive Products"));
    ASSERT_TRUE(top);
    bool described = false;
    for (const schema::Property &p : top->properties)
        described |= p.name == u"Description" && p.value.toString().startsWith(u"(Top Values) Returns 10 most");
    EXPECT_TRUE(described);
}

TEST(QueryCorpus, ADamagedQueryCostsItselfWithAWarning)
{
    TABULO_NEED_TESTDATA();
    // A copy of Northwind whose union has lost the name of its second half.
    QFile original(testDataPath(QStringLiteral("northwind.mdb")));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray bytes = original.readAll();
    const auto utf16 = [](const char16_t *text) {
        return QByteArray(reinterpret_cast<const char *>(text), qsizetype(std::char_traits<char16_t>::length(text) * 2));
    };
    const qsizetype found = bytes.count(utf16(u"X7YZ_____2"));
    ASSERT_GT(found, 0);
    bytes.replace(utf16(u"X7YZ_____2"), utf16(u"X7YZ_____7"));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("northwind.mdb"));
    QFile copy(path);
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(bytes);
    copy.close();

    const auto db = readFile(path);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->warnings, QStringList{QStringLiteral("'") + path +
                                        QStringLiteral("': the query \"Customers and Suppliers by City\" could not be "
                                                       "read (a part of its UNION is missing); the module leaves it out.")});
    EXPECT_FALSE(find(*db, QStringLiteral("Customers and Suppliers by City")));
    EXPECT_EQ(db->queries.size(), 21);
    EXPECT_EQ(db->tables.size(), readFile(testDataPath(QStringLiteral("northwind.mdb")))->tables.size());
}
