// tabulo-cli reads a Jet file once: the reader it starts as soon as the
// command line is read is the one whose answer the run uses, and it reads
// the further design properties only for --design-properties. The reader
// ends with tabulo-cli.

#include "TestPaths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace {

// Writes an executable shell script; false when the file cannot be written.
bool writeScript(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Starts tabulo-cli with `reader` in place of the schema reader.
void startCli(QProcess &cli, const QString &reader, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TABULO_SCHEMA_READER"), reader);
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"), arguments);
}

}  // namespace

TEST(CliReader, ARunReadsTheJetFileOnce)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    const QString runs = dir.filePath(QStringLiteral("runs"));
    const QString script = dir.filePath(QStringLiteral("reader.sh"));
    ASSERT_TRUE(writeScript(script, QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\nexec '%2' \"$@\"\n")
                                        .arg(runs, QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-schema-reader"))));

    const QString northwind = testDataPath(QStringLiteral("northwind.mdb"));
    const QString compact = QStringLiteral("--compact"), noQueries = QStringLiteral("--no-queries");
    const QStringList lean = {compact, noQueries, QStringLiteral("--no-design-properties"), QStringLiteral("--"), northwind};
    const QStringList full = {compact, noQueries, QStringLiteral("--"), northwind};
    const QStringList withQueries = {compact, QStringLiteral("--no-design-properties"), QStringLiteral("--"), northwind};
    const struct {
        QStringList arguments;
        QStringList readerArguments;
    } cases[] = {
        {{northwind}, lean},
        {{northwind, QStringLiteral("--list-tables")}, lean},
        {{QStringLiteral("--tables"), QStringLiteral("Orders"), northwind}, lean},
        {{northwind, QStringLiteral("--design-properties")}, full},
        {{QStringLiteral("--design-properties"), QStringLiteral("-o"), dir.filePath(QStringLiteral("out.bas")), northwind}, full},
        {{northwind, QStringLiteral("--queries")}, withQueries},
    };
    for (const auto &[arguments, readerArguments] : cases) {
        QFile::remove(runs);
        QProcess cli;
        startCli(cli, script, arguments);
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
        QFile log(runs);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_EQ(log.readAll(), readerArguments.join(u' ').toLocal8Bit() + '\n') << arguments.join(' ').toStdString();
    }
}

// A killed tabulo-cli takes its reader along, whatever the reader is doing.
TEST(CliReader, AKilledRunLeavesNoReaderBehind)
{
    TABULO_NEED_TESTDATA();
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    const QString script = dir.filePath(QStringLiteral("reader.sh"));
    ASSERT_TRUE(writeScript(script, QStringLiteral("#!/bin/sh\necho $$ > '%1.part'\nmv '%1.part' '%1'\nexec sleep 60\n").arg(pidFile)));

    // The reader, orphaned, comes to this process, which learns how it ended.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    QProcess cli;
    startCli(cli, script, {testDataPath(QStringLiteral("northwind.mdb"))});
    ASSERT_TRUE(cli.waitForStarted());
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(pidFile) && timer.elapsed() < 20000)
        QThread::msleep(10);
    QFile pid(pidFile);
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly)) << "the reader did not start";
    const pid_t reader = pid.readAll().trimmed().toInt();
    ASSERT_GT(reader, 0);

    kill(pid_t(cli.processId()), SIGTERM);
    ASSERT_TRUE(cli.waitForFinished(10000));
    timer.restart();
    pid_t waited = 0;
    while ((waited = waitpid(reader, nullptr, WNOHANG)) == 0 && timer.elapsed() < 5000)
        QThread::msleep(10);
    const bool ended = waited == reader;
    if (!ended) {
        kill(reader, SIGKILL);
        waitpid(reader, nullptr, 0);
    }
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    EXPECT_TRUE(ended) << "the reader went on after tabulo-cli was killed";
}

// tabulo-cli runs the reader linked into it in a forked copy of itself. Its
// answers match the reader program's: a design, a damaged file's design with
// its warning, and an encrypted file's design, read with the password on the
// copy's input.
TEST(CliReader, TheBuiltInReaderAnswersAsTheReaderProgram)
{
    TABULO_NEED_TESTDATA();
    const QList<QStringList> runs = {
        {testDataPath(QStringLiteral("northwind.mdb")), QStringLiteral("--design-properties")},
        {testDataPath(QStringLiteral("damaged/relations-null-usage-map.mdb"))},
        {testDataPath(QStringLiteral("ace14-encrypted-agile.accdb")), QStringLiteral("--db-password"),
         QStringLiteral("password")},
    };
    for (const QStringList &arguments : runs) {
        QProcess builtIn;
        builtIn.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"), arguments);
        QProcess program;
        startCli(program, QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-schema-reader"), arguments);
        ASSERT_TRUE(builtIn.waitForFinished(60000) && program.waitForFinished(60000));
        const QByteArray module = builtIn.readAllStandardOutput();
        EXPECT_EQ(module, program.readAllStandardOutput()) << arguments.first().toStdString();
        EXPECT_EQ(builtIn.readAllStandardError(), program.readAllStandardError()) << arguments.first().toStdString();
        EXPECT_EQ(builtIn.exitCode(), program.exitCode()) << arguments.first().toStdString();
        EXPECT_FALSE(module.isEmpty()) << arguments.first().toStdString();
    }
}
