// A whole tabulo-cli run, on a JSON snapshot and on a real Jet file, loads
// nothing of the desktop: no Qt GUI or widget module, no X11, xcb or OpenGL;
// nor libPembry31 or Qt Sql, which would slow its start.

#include "GuiLibraries.h"
#include "TestPaths.h"
#include "SchemaBuilders.h"
#include "SnapshotJson.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The dynamic loader's report of a tabulo-cli run with `arguments`.
QString loaderReportOfRun(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files,libs"));
    // Even with a display at hand, a headless run does not reach for it.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"), arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "tabulo-cli did not finish";
        return {};
    }
    EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString();
    return QString::fromLocal8Bit(process.readAllStandardError());
}

// The objects the loader loaded in that run.
QStringList librariesOfRun(const QStringList &arguments)
{
    return librariesInLoaderReport(loaderReportOfRun(arguments));
}

void expectHeadless(const QStringList &libraries)
{
    // The report was read: Qt Core is in it.
    EXPECT_TRUE(libraries.filter(QStringLiteral("libQt6Core")).size() == 1) << libraries.join(' ').toStdString();
    EXPECT_EQ(guiLibrariesAmong(libraries), QStringList()) << libraries.join(' ').toStdString();
    // Pembry31 is linked in, and the registry's Qt Sql is never loaded:
    // both would cost every run its start.
    EXPECT_EQ(libraries.filter(QStringLiteral("libPembry31")), QStringList()) << libraries.join(' ').toStdString();
    EXPECT_EQ(libraries.filter(QStringLiteral("libQt6Sql")), QStringList()) << libraries.join(' ').toStdString();
}

}  // namespace

TEST(Headless, RunsOnAJetFileLoadNoDesktopLibrary)
{
    TABULO_NEED_TESTDATA();
    const QString northwind = testDataPath(QStringLiteral("northwind.mdb"));
    expectHeadless(librariesOfRun({northwind}));
    expectHeadless(librariesOfRun({northwind, QStringLiteral("--list-tables")}));
    expectHeadless(librariesOfRun({QStringLiteral("--version")}));
}

TEST(Headless, ARunOnASnapshotLoadsNoDesktopLibrary)
{
    QTemporaryDir dir;
    const QString snapshot = dir.filePath(QStringLiteral("crates.json"));
    ASSERT_TRUE(testsupport::writeSnapshot(
        snapshot, schemabuild::database({schemabuild::table(QStringLiteral("Crates"),
                                                           {schemabuild::field(QStringLiteral("Label"), 10, 50)})})));

    const QString codeFile = dir.filePath(QStringLiteral("crates.bas"));
    expectHeadless(librariesOfRun({snapshot, QStringLiteral("--output"), codeFile}));
    EXPECT_TRUE(QFile::exists(codeFile));
}

TEST(Headless, TheLoaderNeverLooksForLibrariesInTheCurrentFolder)
{
    // An empty run path entry would be the current folder: a library placed
    // there by anyone would be loaded into the program.
    const QString report = loaderReportOfRun({QStringLiteral("--version")});
    ASSERT_TRUE(report.contains(QLatin1String("trying file=")));
    static const QRegularExpression relative(QStringLiteral("trying file=[^/]"));
    EXPECT_FALSE(report.contains(relative)) << report.toStdString();
}
