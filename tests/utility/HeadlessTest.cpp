// Without a GUI application the desktop members of Pembry31 answer as on a
// machine without a display, and the process maps no desktop library: the
// library itself links Qt Core only.

#include "GuiLibraries.h"
#include "utility/CDialog.h"
#include "utility/VBObjectHelper.h"
#include "utility/Win32API.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace pembry;

TEST(Headless, DesktopMembersWithoutAGuiApplicationDoNothingAndLoadNothing)
{
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    ASSERT_FALSE(QCoreApplication::instance()->inherits("QGuiApplication"));

    const Win32API api;
    EXPECT_EQ(api.GetScreenResolutionWidth(), 0);
    EXPECT_EQ(api.GetDesktopWindowHandle(), 0);
    VBObjectHelper().MouseHourGlass(true);
    VBObjectHelper().MouseHourGlass(false);

    // No window can be shown: the dialogs answer as cancelled, without an error.
    CDialog dialog;
    dialog.AddFilter(QStringLiteral("Text files"), QStringLiteral("*.txt"));
    EXPECT_FALSE(dialog.ShowOpen());
    EXPECT_FALSE(dialog.ShowSave());
    dialog.setCancelError(false);
    dialog.setAction(1);
    EXPECT_EQ(dialog.SelectedFileCount(), 0);
    EXPECT_EQ(dialog.Error(), 0);
    QString text = QStringLiteral("unchanged");
    EXPECT_FALSE(dialog.ShowOpen(text));
    EXPECT_EQ(text, "unchanged");

    const QStringList libraries = mappedLibraries();
    EXPECT_FALSE(libraries.filter(QStringLiteral("libQt6Core")).isEmpty());
    EXPECT_EQ(guiLibrariesAmong(libraries), QStringList()) << libraries.join('\n').toStdString();
}
