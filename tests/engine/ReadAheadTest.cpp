// Reading a Jet file ahead: the reader starts at once, the next opening of
// the same file takes its answer instead of starting another, and a run that
// is not used is stopped, never left behind.
#include "EngineFixtures.h"
#include "TestPaths.h"

#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/JetEngine.h"
#include "wizard/engine/ReaderProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

using namespace dao;

namespace {

class ReadAheadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TABULO_NEED_TESTDATA();
        // Stands in for the reader: notes each run with its process id, keeps
        // running on files named "*slow*", reads everything else for real.
        runs = dir.filePath(QStringLiteral("runs"));
        const QString script = dir.filePath(QStringLiteral("reader.sh"));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\necho $$ >> '%1'\ncase \"$*\" in *slow*) exec sleep 60;; esac\n"
                                  "exec '%2' \"$@\"\n")
                       .arg(runs, findSchemaReader())
                       .toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        settings.program = script;
    }

    QList<pid_t> readerRuns(int atLeast = 0) const
    {
        QList<pid_t> pids;
        const QDeadlineTimer deadline(10000);
        do {
            pids.clear();
            QFile file(runs);
            if (file.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : file.readAll().split('\n')) {
                    if (!line.isEmpty())
                        pids.append(pid_t(line.toInt()));
                }
            }
            if (pids.size() >= atLeast)
                break;
            QThread::msleep(10);
        } while (!deadline.hasExpired());
        return pids;
    }

    static bool running(pid_t pid) { return ::kill(pid, 0) == 0; }

    // A copy of a sample file under a name the stand-in reader never finishes.
    QString slowCopy(const QString &sample)
    {
        const QString path = dir.filePath(QStringLiteral("slow-") + sample);
        EXPECT_TRUE(QFile::copy(testDataPath(sample), path));
        return path;
    }

    QTemporaryDir dir;
    QString runs;
    JetFileReaderSettings settings;
    const QString northwind = testDataPath(QStringLiteral("northwind.mdb"));
};

}  // namespace

TEST_F(ReadAheadTest, TheNextOpeningOfTheFileTakesTheEarlyAnswer)
{
    JetEngine engine{JetFileReader(settings)};
    engine.readAhead(northwind);
    // The reader is at work before anyone opens the file.
    ASSERT_EQ(readerRuns(1).size(), 1);
    const auto db = engine.Workspaces(0)->OpenDatabase(northwind, false, true, {});
    db->TableDefs().Refresh();
    EXPECT_GE(db->TableDefs().Count(), 8);
    EXPECT_EQ(readerRuns().size(), 1) << "the file was read twice";

    // Once taken, the answer is gone: opening again reads again.
    engine.Workspaces(0)->OpenDatabase(northwind, false, true, {});
    EXPECT_EQ(readerRuns().size(), 2);
}

TEST_F(ReadAheadTest, AnEarlyRunOfAnotherFileIsStoppedAndNotUsed)
{
    JetEngine engine{JetFileReader(settings)};
    engine.readAhead(slowCopy(QStringLiteral("jet4-index.mdb")));
    const pid_t early = readerRuns(1).value(0);
    ASSERT_GT(early, 0);
    const auto db = engine.Workspaces(0)->OpenDatabase(northwind, false, true, {});
    QStringList names;
    for (int t = 0; t < db->TableDefs().Count(); ++t)
        names.append(db->TableDefs().Item(t)->Name());
    EXPECT_TRUE(names.contains(QStringLiteral("Order Details"))) << names.join(',').toStdString();
    EXPECT_EQ(readerRuns().size(), 2);
    EXPECT_FALSE(running(early)) << "the unused early reader is still running";
}

TEST_F(ReadAheadTest, TheFileIsCheckedAsAlwaysAndAFailureStopsTheEarlyRun)
{
    JetEngine engine{JetFileReader(settings)};
    const QString secured = slowCopy(QStringLiteral("jet4-password.mdb"));
    engine.readAhead(secured);
    const pid_t early = readerRuns(1).value(0);
    ASSERT_GT(early, 0);
    const auto e = raisedError([&] { engine.Workspaces(0)->OpenDatabase(secured, false, true, {}); });
    EXPECT_EQ(e.number(), errors::NotValidDbPassword);
    EXPECT_FALSE(running(early));
}

TEST_F(ReadAheadTest, SnapshotsAreNotReadAheadAndTheEngineStopsWhatItStarted)
{
    pid_t early = 0;
    {
        JetEngine engine{JetFileReader(settings)};
        engine.readAhead(dir.filePath(QStringLiteral("design.json")));
        engine.readAhead(slowCopy(QStringLiteral("northwind.mdb")));
        early = readerRuns(1).value(0);
        ASSERT_GT(early, 0);
    }
    EXPECT_EQ(readerRuns().size(), 1) << "a snapshot was given to the reader";
    EXPECT_FALSE(running(early)) << "the engine left its reader running";
}

TEST(ReaderChild, StartsWithTheStandardStreamsOfThisProcessClosed)
{
    // With descriptor 0 free the pipe could land on it, and the child's
    // redirection of its input would overwrite its output.
    const int savedInput = dup(STDIN_FILENO);
    ::close(STDIN_FILENO);
    const char *argv[] = {"/bin/sh", "-c", "echo answer", nullptr};
    int error = 0;
    ReaderChild child = startReaderChild(argv, kReaderMemoryLimitBytes, &error);
    dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ASSERT_TRUE(child.started()) << std::strerror(error);
    EXPECT_GT(child.output, STDERR_FILENO);
    char buffer[16] = {};
    EXPECT_EQ(::read(child.output, buffer, sizeof buffer - 1), 7);
    EXPECT_STREQ(buffer, "answer\n");
    stopReaderChild(child);
    EXPECT_FALSE(child.started());

    const char *missing[] = {"/no/such/reader", nullptr};
    EXPECT_FALSE(startReaderChild(missing, kReaderMemoryLimitBytes, &error).started());
    EXPECT_EQ(error, ENOENT);
}

TEST(ReaderChild, GivenInputIsTheChildsWholeStandardInput)
{
    const char *argv[] = {"/bin/cat", nullptr};
    const QByteArray input(int(kReaderInputMaxBytes), 'p');
    int error = 0;
    ReaderChild child = startReaderChild(argv, kReaderMemoryLimitBytes, &error, input.constData(),
                                         std::size_t(input.size()));
    ASSERT_TRUE(child.started()) << std::strerror(error);
    QByteArray output;
    char buffer[4096];
    for (ssize_t got; (got = ::read(child.output, buffer, sizeof buffer)) > 0;)
        output.append(buffer, got);
    EXPECT_EQ(output, input) << "cat saw no end of its input, or other bytes";
    stopReaderChild(child);

    // More than the pipe is trusted to take at once is refused unstarted.
    const QByteArray tooLong(int(kReaderInputMaxBytes) + 1, 'p');
    EXPECT_FALSE(startReaderChild(argv, kReaderMemoryLimitBytes, &error, tooLong.constData(),
                                  std::size_t(tooLong.size()))
                     .started());
    EXPECT_EQ(error, E2BIG);
}
