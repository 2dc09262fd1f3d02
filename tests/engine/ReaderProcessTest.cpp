// The Jet file engine when its reader misbehaves or the file is damaged:
// every outcome is a clean engine error naming the file, never a crash, a
// hang or a child process left behind.
#include "EngineFixtures.h"
#include "TestPaths.h"

#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/JetEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>

using namespace dao;

namespace {

class ReaderProcessTest : public ::testing::Test {
protected:
    // A stand-in reader: a shell script with `body`.
    QString fakeReader(const QString &body)
    {
        const QString path = dir.filePath(QStringLiteral("reader-%1.sh").arg(++count));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    pembry::BasicError openWith(JetFileReaderSettings settings, const QString &file)
    {
        JetEngine engine{JetFileReader(settings)};
        return raisedError([&] { engine.Workspaces(0)->OpenDatabase(file, false, true, {}); });
    }

    QTemporaryDir dir;
    int count = 0;
    // A real Jet file: the stand-in readers run only after its header is checked.
    const QString jetFile = samplePath();
};

}  // namespace

TEST_F(ReaderProcessTest, MisbehavingReaderGives3343NamingTheFile)
{
    TABULO_NEED_SAMPLE();
    const struct {
        const char *body;
        const char *says;
    } cases[] = {
        {"kill -SEGV $$", "stopped abnormally"},
        {"exit 3", "status 3"},
        {"echo 'not json at all'", "unusable"},
        {"echo '{\"format\":\"tabulo-schema\",\"tables\":[{\"fields\":[{\"size\":-5}]}]}'", "size: out of range"},
        // An error object is believed only with the numbers the reader gives.
        {"echo '{\"error\":{\"number\":3031,\"description\":\"x\"}}'; exit 2", "status 2"},
    };
    for (const auto &c : cases) {
        JetFileReaderSettings settings;
        settings.program = fakeReader(QLatin1String(c.body));
        const auto e = openWith(settings, jetFile);
        EXPECT_EQ(e.number(), errors::FormatNotRecognised) << c.body;
        EXPECT_TRUE(e.description().contains(jetFile)) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(QLatin1String(c.says))) << e.description().toStdString();
    }
    JetFileReaderSettings missing;
    missing.program = dir.filePath(QStringLiteral("no-such-reader"));
    EXPECT_EQ(openWith(missing, jetFile).number(), errors::FormatNotRecognised);
}

TEST_F(ReaderProcessTest, ReaderErrorObjectIsPassedOn)
{
    TABULO_NEED_SAMPLE();
    JetFileReaderSettings settings;
    settings.program = fakeReader(
        QStringLiteral("echo '{\"error\":{\"number\":3343,\"description\":\"Unrecognized: \\\"%1\\\" is odd.\"}}'; exit 2")
            .arg(jetFile));
    const auto e = openWith(settings, jetFile);
    EXPECT_EQ(e.number(), errors::FormatNotRecognised);
    EXPECT_EQ(e.description(), QStringLiteral("Unrecognized: \"%1\" is odd.").arg(jetFile));
}

TEST_F(ReaderProcessTest, HangingReaderIsStoppedAtTheTimeLimit)
{
    TABULO_NEED_SAMPLE();
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    JetFileReaderSettings settings;
    settings.program = fakeReader(QStringLiteral("echo $$ > '%1'; exec sleep 60").arg(pidFile));
    settings.timeLimitMs = 300;
    QElapsedTimer timer;
    timer.start();
    const auto e = openWith(settings, jetFile);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(e.number(), errors::FormatNotRecognised);
    EXPECT_TRUE(e.description().contains(QStringLiteral("longer than 300 ms")));
    EXPECT_TRUE(e.description().contains(jetFile));
    QFile file(pidFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t pid = file.readAll().trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0) << "the reader is still running";
}

TEST_F(ReaderProcessTest, MemoryLimitAppliesToTheReader)
{
    TABULO_NEED_SAMPLE();
    JetFileReaderSettings settings;
    settings.memoryLimitBytes = 16 * 1024 * 1024;
    // The stand-in reports its address-space limit (in KiB) as an error.
    settings.program = fakeReader(QStringLiteral(
        "echo \"{\\\"error\\\":{\\\"number\\\":3343,\\\"description\\\":\\\"$(ulimit -v)\\\"}}\"; exit 2"));
    const auto e = openWith(settings, jetFile);
    EXPECT_EQ(e.number(), errors::FormatNotRecognised);
    EXPECT_EQ(e.description(), QStringLiteral("16384"));
}

// A few hundred randomly damaged copies of a real file: each one reads or
// fails with a clean engine error, and none takes long.
TEST_F(ReaderProcessTest, DamagedCopiesGiveCleanErrorsOrGoodReads)
{
    TABULO_NEED_TESTDATA();
    QFile original(testDataPath(QStringLiteral("jet4-index.mdb")));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray pristine = original.readAll();
    QFile jet3File(testDataPath(QStringLiteral("jet3-index.mdb")));
    ASSERT_TRUE(jet3File.open(QIODevice::ReadOnly));
    const QByteArray jet3 = jet3File.readAll();

    JetFileReaderSettings settings;
    settings.timeLimitMs = 2000;
    JetEngine engine{JetFileReader(settings)};
    QRandomGenerator random(20240611);
    const QString path = dir.filePath(QStringLiteral("damaged.mdb"));
    int reads = 0, failures = 0;
    QElapsedTimer timer;
    timer.start();
    for (int copy = 0; copy < 300; ++copy) {
        QByteArray bytes = copy % 3 == 2 ? jet3 : pristine;
        // Most damage lands where the design lives: the first pages.
        const int span = copy % 2 ? int(bytes.size()) : std::min<int>(int(bytes.size()), 16 * 4096);
        const int changes = 1 + int(random.bounded(copy % 2 ? 40 : 400));
        for (int i = 0; i < changes; ++i)
            bytes[int(random.bounded(span))] = char(random.bounded(256));
        if (copy % 25 == 0)
            bytes.truncate(int(random.bounded(int(bytes.size()))));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        try {
            auto db = engine.Workspaces(0)->OpenDatabase(path, false, true, QStringLiteral(";pwd="));
            db->TableDefs().Count();
            ++reads;
        } catch (const pembry::BasicError &e) {
            ++failures;
            EXPECT_TRUE(e.number() == errors::FormatNotRecognised || e.number() == errors::NotValidDbPassword)
                << copy << ": " << e.number() << " " << e.description().toStdString();
            if (e.number() == errors::FormatNotRecognised) {
                EXPECT_TRUE(e.description().contains(path)) << e.description().toStdString();
            }
        }
    }
    EXPECT_EQ(reads + failures, 300);
    EXPECT_LT(timer.elapsed(), 120000);
    std::fprintf(stderr, "damaged copies: %d read, %d refused, %lld ms\n", reads, failures,
                 static_cast<long long>(timer.elapsed()));
}
