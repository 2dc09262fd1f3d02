#pragma once
// Runs the real tabulo-cli program for the command-line tests, and writes
// the JSON snapshots they use as sources.

#include "SchemaBuilders.h"
#include "SnapshotJson.h"
#include "wizard/engine/SchemaModel.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <ostream>

#include "QtPrinting.h"

namespace clitest {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline QString cliProgram()
{
    return QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli");
}

// tabulo-cli with `arguments`, `input` on its standard input, in `environment`
// (the test's own when empty) and `folder` (the test's when empty).
inline CliResult runCli(const QStringList &arguments, const QByteArray &input = {},
                        const QProcessEnvironment &environment = {}, const QString &folder = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(cliProgram(), arguments);
    CliResult result;
    if (!process.waitForStarted()) {
        ADD_FAILURE() << "tabulo-cli did not start";
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tabulo-cli did not finish";
        return result;
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

inline schema::Table textTable(const QString &name)
{
    return schemabuild::table(name, {schemabuild::textField(QStringLiteral("fruit"))});
}

// A Jet 3 snapshot holding one text table for each name.
inline schema::Database snapshotOf(const QStringList &tableNames)
{
    QList<schema::Table> tables;
    for (const QString &name : tableNames)
        tables.append(textTable(name));
    return schemabuild::database(tables, {}, QStringLiteral("3.0"));
}

inline void writeSnapshot(const QString &path, const schema::Database &model)
{
    ASSERT_TRUE(testsupport::writeSnapshot(path, model)) << path.toStdString();
}

// "fruit.json" in `folder`: one table, Fruit; its path.
inline QString fruitSnapshot(const QString &folder)
{
    const QString path = folder + QStringLiteral("/fruit.json");
    writeSnapshot(path, snapshotOf({QStringLiteral("Fruit")}));
    return path;
}

}  // namespace clitest
