// Reading the program of a desktop entry's Exec line.

#include "utility/internal/FreedesktopAssociation.h"

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
