// tabulo-cli on damaged files: what cannot be read costs only itself and
// one warning line on standard error, the same through the reader built in
// and through the reader program.

#include "CliRun.h"
#include "TestPaths.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// A run of `arguments`, which writes a module; the reader program's run
// answers the same.
clitest::CliResult runBothReaders(const QStringList &arguments)
{
    QProcessEnvironment program = QProcessEnvironment::systemEnvironment();
    program.insert(u"TABULO_SCHEMA_READER"_s, QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-schema-reader"));
    const clitest::CliResult builtIn = clitest::runCli(arguments), exec = clitest::runCli(arguments, {}, program);
    EXPECT_EQ(builtIn.exitCode, 0) << builtIn.err.toStdString();
    EXPECT_FALSE(builtIn.out.isEmpty());
    EXPECT_EQ(exec.out, builtIn.out);
    EXPECT_EQ(exec.err, builtIn.err);
    return builtIn;
}

// The procedure that creates `table`.
QByteArray procedureOf(const QByteArray &module, const char *table)
{
    const qsizetype start = module.indexOf("Private Sub subCreate_"_ba + table + '(');
    return start < 0 ? QByteArray() : module.mid(start, module.indexOf("End Sub", start) - start);
}

// A copy of the corpus file `name` in `folder` whose first table-definition
// page that names the column `column` is marked a data page, as one changed
// byte does: libmdb then refuses that table.
QString withDamagedDefinition(const QTemporaryDir &folder, const QString &name, const QString &column)
{
    constexpr qsizetype PageSize = 4096;
    QByteArray bytes = clitest::readFile(testDataPath(name));
    const QByteArray stored(reinterpret_cast<const char *>(column.utf16()), column.size() * 2);
    for (qsizetype page = 0; page + PageSize <= bytes.size(); page += PageSize) {
        if (bytes[page] == 0x02 && bytes.mid(page, PageSize).contains(stored)) {
            bytes[page] = 0x01;
            break;
        }
    }
    const QString path = folder.filePath(u"damaged.accdb"_s);
    clitest::writeFile(path, bytes);
    return path;
}

}  // namespace

TEST(DamagedFiles, AnUnreadableSystemTableCostsNothing)
{
    TABULO_NEED_TESTDATA();
    const QString damaged = testDataPath(u"damaged/ace-system-table-damaged.accdb"_s);
    const QString clean = testDataPath(u"ace14-types.accdb"_s);
    for (const QStringList &options : {QStringList{}, QStringList{u"--design-properties"_s},
                                       QStringList{u"--list-tables"_s}}) {
        const clitest::CliResult run = runBothReaders(QStringList{damaged} + options);
        EXPECT_EQ(run.err, QString()) << options.join(u' ').toStdString();
        EXPECT_EQ(run.out, clitest::runCli(QStringList{clean} + options).out) << options.join(u' ').toStdString();
    }
}

TEST(DamagedFiles, AnUnreadableUserTableCostsOnlyThatTable)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = withDamagedDefinition(folder, u"ace14-types.accdb"_s, u"column1"_s);
    const clitest::CliResult run = runBothReaders({path});
    EXPECT_EQ(run.err, u"warning: '"_s + path
                           + u"': the table \"Table2\" could not be read (its definition is damaged); "
                             "the module leaves it out.\n"_s);
    EXPECT_TRUE(procedureOf(run.out, "Table2").isEmpty());
    for (const char *table : {"Table1", "Table3", "Table4"})
        EXPECT_FALSE(procedureOf(run.out, table).isEmpty()) << table;
}

TEST(DamagedFiles, ADamagedPropertyBlockIsReportedAndWhatCanBeReadIsKept)
{
    TABULO_NEED_TESTDATA();
    // The type of the block's names chunk is damaged; the names are still
    // where they stand in every block, and read whole.
    const QString path = testDataPath(u"damaged/ace-property-block-damaged.accdb"_s);
    const clitest::CliResult run = runBothReaders({path, u"--design-properties"_s});
    EXPECT_EQ(run.err, u"warning: '"_s + path
                           + u"': the properties of table \"Table1\" and its fields may be incomplete (property "
                             "chunk of unknown type 127); the module keeps what could still be read.\n"_s);
    const QByteArray clean = clitest::runCli({testDataPath(u"ace14-types.accdb"_s), u"--design-properties"_s}).out;
    EXPECT_TRUE(procedureOf(run.out, "Table1").contains("fldNew.DefaultValue"));
    EXPECT_TRUE(procedureOf(run.out, "Table1").contains("SetDesignProperty"));
    EXPECT_EQ(run.out, clean);
}

TEST(DamagedFiles, PropertyBlocksLongerThanAccessStoresCostTheirPropertiesNotTheMemory)
{
    TABULO_NEED_TESTDATA();
    // The blocks chain through the same crafted pages, each row of which
    // claims nearly a whole page: hundreds of megabytes when followed.
    const QString path = testDataPath(u"damaged/ace-long-value-bomb.accdb"_s);
    const clitest::CliResult run = runBothReaders({path, u"--design-properties"_s});
    const QString tooLong = u"(its long value is longer than 16777216 bytes)"_s;
    QString expected = u"warning: '"_s + path + u"': the database's own properties could not be read "_s + tooLong
                       + u"; the module leaves out its replica ids.\n"_s;
    for (const QString &table : {u"Table1"_s, u"Table3"_s, u"Table4"_s})
        expected += u"warning: '"_s + path + u"': the properties of table \""_s + table
                    + u"\" and its fields could not be read "_s + tooLong + u"; the module leaves them out.\n"_s;
    EXPECT_EQ(run.err, expected);
    EXPECT_FALSE(procedureOf(run.out, "Table1").isEmpty());
    EXPECT_TRUE(procedureOf(run.out, "Table2").contains("SetDesignProperty"));
}

TEST(DamagedFiles, UnreadableRelationshipsCostOnlyTheRelationships)
{
    TABULO_NEED_TESTDATA();
    const QString path = testDataPath(u"damaged/relations-null-usage-map.mdb"_s);
    const clitest::CliResult run = runBothReaders({path});
    EXPECT_EQ(run.err, u"warning: '"_s + path
                           + u"': the relationships could not be read (the table MSysRelationships is damaged); "
                             "the module recreates neither them nor the indexes of their foreign keys.\n"_s);
    for (const char *table : {"Table1", "Table2", "Table3"})
        EXPECT_FALSE(procedureOf(run.out, table).isEmpty()) << table;
    EXPECT_FALSE(run.out.contains("CreateRelation"));
}

TEST(DamagedFiles, ALoopingPropertyChainCostsOnlyThatTablesProperties)
{
    TABULO_NEED_TESTDATA();
    const QString path = testDataPath(u"damaged/property-chain-loop.mdb"_s);
    const clitest::CliResult run = runBothReaders({path, u"--design-properties"_s});
    EXPECT_EQ(run.err, u"warning: '"_s + path
                           + u"': the properties of table \"Orders\" and its fields could not be read (its chain "
                             "of long-value pages loops); the module leaves them out.\n"_s);
    EXPECT_FALSE(procedureOf(run.out, "Orders").isEmpty());
    EXPECT_FALSE(procedureOf(run.out, "Orders").contains("SetDesignProperty"));
    EXPECT_TRUE(procedureOf(run.out, "Customers").contains("SetDesignProperty"));
}
