// Reading desktop entries: the program of an Exec line, terminal programs,
// the applications of a type, and the desktop's terminal emulator.

#include "ScopedEnv.h"
#include "utility/internal/FreedesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using pembry::FreedesktopAssociation;

TEST(FreedesktopAssociation, ExecLineOfTheMainGroupOnly)
{
    const QByteArray entry = "# comment\n"
                             "[Desktop Action window]\nExec=/usr/bin/wrong\n"
                             "[Desktop Entry]\nName=Text Editor\nTryExec=/usr/bin/te\n"
                             "Exec = gnome-text-editor\\s--new %U\n"
                             "[Other]\nExec=/usr/bin/other\n";
    EXPECT_EQ(FreedesktopAssociation::execLineOf(entry), "gnome-text-editor --new %U");
    EXPECT_EQ(FreedesktopAssociation::execLineOf("[Desktop Entry]\nName=x\n"), "");
}

TEST(FreedesktopAssociation, ProgramOfExecLine)
{
    EXPECT_EQ(FreedesktopAssociation::programOfExecLine(QStringLiteral("mousepad %F")), "mousepad");
    EXPECT_EQ(FreedesktopAssociation::programOfExecLine(QStringLiteral("\"/opt/My Editor/edit\" --file %f")),
              "/opt/My Editor/edit");
    EXPECT_EQ(FreedesktopAssociation::programOfExecLine(QStringLiteral("\"/opt/a\\\"b/edit\" %f")), "/opt/a\"b/edit");
    EXPECT_EQ(FreedesktopAssociation::programOfExecLine(QStringLiteral("env LANG=C GTK_THEME=x gedit %U")), "gedit");
    EXPECT_EQ(FreedesktopAssociation::programOfExecLine(QStringLiteral("   ")), "");
}

namespace {

void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

}  // namespace

TEST(FreedesktopAssociation, ApplicationOfAnEntryNeedsItsProgramAndTellsATerminalProgram)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("edit"));
    writeFile(program, "#!/bin/sh\n", true);
    const QByteArray exec = "Exec=" + program.toUtf8() + " %F\n";
    auto app = FreedesktopAssociation::applicationOf("[Desktop Entry]\n" + exec + "Terminal=true\n");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->program, program);
    EXPECT_TRUE(app->terminal);
    app = FreedesktopAssociation::applicationOf("[Desktop Entry]\nTerminal=false\n" + exec);
    ASSERT_TRUE(app);
    EXPECT_FALSE(app->terminal);
    // Terminal in another group does not count.
    EXPECT_FALSE(FreedesktopAssociation::applicationOf("[Desktop Entry]\n" + exec + "[Other]\nTerminal=true\n")->terminal);
    EXPECT_FALSE(FreedesktopAssociation::applicationOf("[Desktop Entry]\nHidden=true\n" + exec));
    EXPECT_FALSE(FreedesktopAssociation::applicationOf("[Desktop Entry]\nExec=" + dir.filePath("missing").toUtf8() + "\n"));
    EXPECT_EQ(FreedesktopAssociation::entryValue("[Desktop Entry]\nMimeType = text/plain;\n", QStringLiteral("MimeType")),
              "text/plain;");
}

TEST(FreedesktopAssociation, ApplicationsOfATypeInFolderOrderAnEarlierIdHidingALaterOne)
{
    QTemporaryDir dir;
    const QString one = dir.filePath(QStringLiteral("bin/one")), two = dir.filePath(QStringLiteral("bin/two"));
    writeFile(one, "#!/bin/sh\n", true);
    writeFile(two, "#!/bin/sh\n", true);
    const auto entry = [](const QString &program, const QByteArray &types) {
        return "[Desktop Entry]\nExec=" + program.toUtf8() + " %f\nMimeType=" + types + "\n";
    };
    // Home: "vendor-b" (as vendor/b.desktop) and a hidden "c" that hides the system's "c".
    writeFile(dir.filePath(QStringLiteral("home/applications/vendor/b.desktop")), entry(two, "text/plain;"));
    writeFile(dir.filePath(QStringLiteral("home/applications/c.desktop")), entry(one, "image/png;"));
    writeFile(dir.filePath(QStringLiteral("system/applications/a.desktop")), entry(one, "text/x-c;text/plain;"));
    writeFile(dir.filePath(QStringLiteral("system/applications/c.desktop")), entry(two, "text/plain;"));
    ScopedEnv home("XDG_DATA_HOME", dir.filePath(QStringLiteral("home")).toUtf8());
    ScopedEnv system("XDG_DATA_DIRS", dir.filePath(QStringLiteral("system")).toUtf8());
    const QList<pembry::DesktopApplication> apps = FreedesktopAssociation::applicationsOf(QStringLiteral("text/plain"));
    QStringList programs;
    for (const auto &app : apps)
        programs << app.program;
    EXPECT_EQ(programs, QStringList({two, one}));
}

TEST(FreedesktopAssociation, TerminalEmulatorFromTERMINALElseXTerminalEmulator)
{
    QTemporaryDir dir;
    const QString kitty = dir.filePath(QStringLiteral("bin/kitty"));
    writeFile(kitty, "#!/bin/sh\n", true);
    ScopedEnv path("PATH", dir.filePath(QStringLiteral("bin")).toUtf8());
    {
        ScopedEnv terminal("TERMINAL", "kitty --single-instance");
        EXPECT_EQ(FreedesktopAssociation::terminalEmulator(), QStringList({kitty, "--single-instance"}));
    }
    ScopedEnv none("TERMINAL", "");
    EXPECT_EQ(FreedesktopAssociation::terminalEmulator(), QStringList());
    const QString debian = dir.filePath(QStringLiteral("bin/x-terminal-emulator"));
    writeFile(debian, "#!/bin/sh\n", true);
    EXPECT_EQ(FreedesktopAssociation::terminalEmulator(), QStringList({debian}));
    ScopedEnv missing("TERMINAL", "no-such-terminal");
    EXPECT_EQ(FreedesktopAssociation::terminalEmulator(), QStringList());
}
