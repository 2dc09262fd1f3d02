// The example host program as a user starts it: it opens the database it
// hands in with the engine of the newest wizard build it loads.

#include "TestPaths.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct HostRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// The host with `arguments`, without a display; it must end by itself.
HostRun runHost(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.remove(u"TABULO_PLUGIN_PATH"_s);   // the build tree's plugins, all three builds
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-example-host"), arguments);
    HostRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "the host did not end (did it show the wizard?)";
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

}  // namespace

// The newest build here is the ACE build: an ACE file is read, and its
// database password asked for, rather than refused as a format unknown.
TEST(ExampleHost, OpensAnAceFileAsTheNewestBuildDoes)
{
    TABULO_NEED_TESTDATA();
    const QString encrypted = testDataPath(u"ace14-encrypted-standard.accdb"_s);
    const HostRun run = runHost({encrypted});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(encrypted)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"(3031)"_s)) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(u"3343"_s)) << run.err.toStdString();
}

TEST(ExampleHost, HelpNamesAceFiles)
{
    const HostRun run = runHost({u"--help"_s});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(u".accdb"_s)) << run.out.toStdString();
}
