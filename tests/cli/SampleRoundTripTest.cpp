// The real-file round trip every machine runs: tabulo-cli opens the fetched
// sample fruit.mdb, lists its tables and writes the module, and both agree
// with what mdbtools' own programs (mdb-tables, mdb-schema) read in it.

#include "CliRun.h"
#include "TestPaths.h"

#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace clitest;

namespace {

// The standard output of an mdbtools program run on `file`.
QString mdbTool(const QString &tool, const QStringList &arguments)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) {
        ADD_FAILURE() << tool.toStdString() << " is not installed (Debian package mdbtools)";
        return {};
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed";
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The DAO constant and size of an mdb-schema column type.
QString daoFieldOf(const QString &mdbType)
{
    static const QMap<QString, QString> fixed = {
        {"Long Integer", "dbLong, 4"}, {"Integer", "dbInteger, 2"},   {"Byte", "dbByte, 1"},
        {"Double", "dbDouble, 8"},     {"Single", "dbSingle, 4"},     {"DateTime", "dbDate, 8"},
        {"Currency", "dbCurrency, 8"}, {"Boolean", "dbBoolean, 1"},
    };
    static const QRegularExpression text(QStringLiteral("^Text \\((\\d+)\\)$"));
    if (const auto match = text.match(mdbType); match.hasMatch())
        return QStringLiteral("dbText, ") + match.captured(1);
    return fixed.value(mdbType, QStringLiteral("unknown type ") + mdbType);
}

struct MdbTable {
    QString name;
    QStringList fields;   // CreateField arguments: "\"Fiber\", dbLong, 4"
};

// The tables of an mdb-schema listing, with their columns in order.
QList<MdbTable> tablesOfSchema(const QString &schema)
{
    static const QRegularExpression table(QStringLiteral("^CREATE TABLE \\[(.+)\\]$"));
    static const QRegularExpression column(QStringLiteral("^\\s+\\[(.+?)\\]\\s+(.+?),?\\s*$"));
    QList<MdbTable> tables;
    for (const QString &line : schema.split(u'\n')) {
        if (const auto match = table.match(line); match.hasMatch())
            tables.append({match.captured(1), {}});
        else if (const auto match = column.match(line); match.hasMatch() && !tables.isEmpty())
            tables.last().fields.append(u'"' + match.captured(1) + QStringLiteral("\", ")
                                        + daoFieldOf(match.captured(2)));
    }
    return tables;
}

QStringList sortedWithoutCase(QStringList names)
{
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

}  // namespace

TEST(SampleRoundTrip, FruitMdbAgreesWithMdbtools)
{
    TABULO_NEED_SAMPLE();
    const QString fruit = samplePath();

    const CliResult listing = runCli({fruit, "--list-tables"});
    ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
    const QStringList mdbTables = mdbTool("mdb-tables", {"-1", fruit}).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(mdbTables.isEmpty());
    EXPECT_EQ(QString::fromLocal8Bit(listing.out).split(u'\n', Qt::SkipEmptyParts), sortedWithoutCase(mdbTables));

    QTemporaryDir dir;
    const QString codeFile = dir.filePath("fruit.bas");
    const CliResult run = runCli({fruit, "-o", codeFile});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString code = QString::fromLatin1(readFile(codeFile));
    const QList<MdbTable> tables = tablesOfSchema(mdbTool("mdb-schema", {fruit}));
    ASSERT_EQ(tables.size(), mdbTables.size());
    for (const MdbTable &table : tables) {
        const qsizetype start = code.indexOf(QStringLiteral(".CreateTableDef(\"%1\")").arg(table.name));
        ASSERT_GE(start, 0) << table.name.toStdString();
        const qsizetype end = code.indexOf(QStringLiteral("TableDefs.Append"), start);
        const QString body = code.mid(start, end - start);
        // Every column, with its type and size, in the order of the file.
        qsizetype at = 0;
        for (const QString &field : table.fields) {
            at = body.indexOf(QStringLiteral(".CreateField(") + field + u')', at);
            ASSERT_GE(at, 0) << table.name.toStdString() << ": " << field.toStdString();
        }
        EXPECT_EQ(body.count(QStringLiteral(".CreateField(")), table.fields.size()) << table.name.toStdString();
    }
}
