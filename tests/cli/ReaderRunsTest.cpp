// tabulo-cli reads a Jet file once: the reader it starts as soon as the
// command line is read is the one whose answer the run uses, and it reads
// the further design properties only for --design-properties.

#include "TestPaths.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CliReader, ARunReadsTheJetFileOnce)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    const QString runs = dir.filePath(QStringLiteral("runs"));
    const QString script = dir.filePath(QStringLiteral("reader.sh"));
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\nexec '%2' \"$@\"\n")
                   .arg(runs, QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-schema-reader"))
                   .toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString northwind = testDataPath(QStringLiteral("northwind.mdb"));
    const QStringList lean = {QStringLiteral("--no-design-properties"), QStringLiteral("--"), northwind};
    const QStringList full = {QStringLiteral("--"), northwind};
    const struct {
        QStringList arguments;
        QStringList readerArguments;
    } cases[] = {
        {{northwind}, lean},
        {{northwind, QStringLiteral("--list-tables")}, lean},
        {{QStringLiteral("--tables"), QStringLiteral("Orders"), northwind}, lean},
        {{northwind, QStringLiteral("--design-properties")}, full},
        {{QStringLiteral("--design-properties"), QStringLiteral("-o"), dir.filePath(QStringLiteral("out.bas")), northwind}, full},
    };
    for (const auto &[arguments, readerArguments] : cases) {
        QFile::remove(runs);
        QProcess cli;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TABULO_SCHEMA_READER"), script);
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"), arguments);
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
        QFile log(runs);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_EQ(log.readAll(), readerArguments.join(u' ').toLocal8Bit() + '\n') << arguments.join(' ').toStdString();
    }
}
