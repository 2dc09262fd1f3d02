// tabulo-cli on damaged files: what cannot be read costs only itself and
// one warning line on standard error, the same through the reader built in
// and through the reader program.

#include "CliRun.h"
#include "TestPaths.h"

using namespace Qt::StringLiterals;

namespace {

// The runs of `arguments` with the built-in reader and with the reader
// program; each must write a module.
std::vector<clitest::CliResult> runBothReaders(const QStringList &arguments)
{
    QProcessEnvironment program = QProcessEnvironment::systemEnvironment();
    program.insert(u"TABULO_SCHEMA_READER"_s, QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-schema-reader"));
    std::vector<clitest::CliResult> runs = {clitest::runCli(arguments), clitest::runCli(arguments, {}, program)};
    for (const clitest::CliResult &run : runs) {
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_FALSE(run.out.isEmpty());
        EXPECT_EQ(run.out, runs.front().out);
        EXPECT_EQ(run.err, runs.front().err);
    }
    return runs;
}

// The lines of the procedure that creates `table`.
QString procedureOf(const QByteArray &module, const QString &table)
{
    const QString text = QString::fromLatin1(module);
    const qsizetype start = text.indexOf(u"Private Sub subCreate_"_s + table + u'(');
    return start < 0 ? QString() : text.mid(start, text.indexOf(u"End Sub"_s, start) - start);
}

}  // namespace

TEST(DamagedFiles, UnreadableRelationshipsCostOnlyTheRelationships)
{
    TABULO_NEED_TESTDATA();
    const QString path = testDataPath(u"damaged/relations-null-usage-map.mdb"_s);
    const auto runs = runBothReaders({path});
    EXPECT_EQ(runs.front().err, u"warning: '"_s + path
                                    + u"': the relationships could not be read (the table MSysRelationships is "
                                      "damaged); the module recreates neither them nor the indexes of their "
                                      "foreign keys.\n"_s);
    for (const char *table : {"Table1", "Table2", "Table3"})
        EXPECT_TRUE(runs.front().out.contains("CreateTableDef(\""_ba + table + "\")")) << table;
    EXPECT_FALSE(runs.front().out.contains("CreateRelation"));
}

TEST(DamagedFiles, ALoopingPropertyChainCostsOnlyThatTablesProperties)
{
    TABULO_NEED_TESTDATA();
    const QString path = testDataPath(u"damaged/property-chain-loop.mdb"_s);
    const auto runs = runBothReaders({path, u"--design-properties"_s});
    EXPECT_EQ(runs.front().err, u"warning: '"_s + path
                                    + u"': the properties of table \"Orders\" and its fields could not be read "
                                      "(its chain of long-value pages loops); the module leaves them out.\n"_s);
    EXPECT_FALSE(procedureOf(runs.front().out, u"Orders"_s).isEmpty());
    EXPECT_FALSE(procedureOf(runs.front().out, u"Orders"_s).contains(u"SetDesignProperty"_s));
    EXPECT_TRUE(procedureOf(runs.front().out, u"Customers"_s).contains(u"SetDesignProperty"_s));
}
