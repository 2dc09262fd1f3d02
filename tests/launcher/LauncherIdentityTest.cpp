// The launcher and tabulo-cli are one project and report one version.

#include "launcher/LauncherIdentity.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(Launcher, ReportsTheVersionTabuloCliReports)
{
    QProcess cli;
    cli.start(QStringLiteral(TABULO_BINARY_DIR "/bin/tabulo-cli"), {QStringLiteral("--version")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    const QString answer = QString::fromLocal8Bit(cli.readAllStandardOutput());
    const QRegularExpressionMatch version =
        QRegularExpression(QStringLiteral("^tabulo-cli (\\d+\\.\\d+\\.\\d+) ")).match(answer);
    ASSERT_TRUE(version.hasMatch()) << answer.toStdString();

    int argc = 1;
    char name[] = "launcher_tests";
    char *argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    tabulo::setLauncherIdentity();
    EXPECT_EQ(QCoreApplication::applicationVersion(), version.captured(1));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Tabulo"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("tabulo"));
}
