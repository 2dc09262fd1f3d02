// The desktop side of Pembry31 comes from its plugin, which is loaded the
// first time it is needed while a GUI application exists, and not before.
// Each test makes its own application object; the first one runs without.

#include "GuiLibraries.h"
#include "utility/CDialog.h"
#include "utility/VBObjectHelper.h"
#include "utility/Win32API.h"
#include "utility/internal/DesktopServices.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace pembry;

namespace {

bool pluginMapped()
{
    return !mappedLibraries().filter(QStringLiteral("pembry31-desktop.so")).isEmpty();
}

struct GuiApplication {
    int argc = 1;
    char name[16] = "desktop_tests";
    char *argv[2] = {name, nullptr};
    QGuiApplication app{argc, argv};
};

}  // namespace

TEST(DesktopServices, ThePluginLiesBesideTheLibraryAndWaitsForAGuiApplication)
{
    const QFileInfo plugin(desktopPluginPath());
    EXPECT_TRUE(plugin.isFile()) << plugin.filePath().toStdString();
    EXPECT_EQ(plugin.dir().dirName(), "pembry31");

    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    VBObjectHelper().MouseHourGlass(true);
    EXPECT_EQ(Win32API().GetScreenResolutionWidth(), 0);
    EXPECT_FALSE(pluginMapped());
    EXPECT_EQ(guiLibrariesAmong(mappedLibraries()).filter(QStringLiteral("Widgets")), QStringList());
}

TEST(VBObjectHelper, HourGlassSetsAndClearsTheOverrideCursor)
{
    GuiApplication gui;
    const VBObjectHelper helper;
    helper.MouseHourGlass(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    helper.MouseHourGlass(true);
    helper.MouseHourGlass(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(pluginMapped());
}

TEST(DesktopServices, TheScreenIsMeasuredUnderAGuiApplication)
{
    GuiApplication gui;
    const QSize screen = QGuiApplication::primaryScreen()->size();
    ASSERT_GT(screen.width(), 0);
    const Win32API api;
    EXPECT_EQ(api.GetScreenResolutionWidth(), screen.width());
    EXPECT_EQ(api.GetScreenResolutionHeight(), screen.height());
    // The offscreen platform has no X11 root window.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        EXPECT_EQ(api.GetDesktopWindowHandle(), 0);
    }
}

TEST(DesktopServices, WithoutWidgetsTheFileDialogAnswersCancelled)
{
    // A QGuiApplication has a screen but no widgets, so no QFileDialog.
    GuiApplication gui;
    CDialog dialog;
    EXPECT_FALSE(dialog.ShowOpen());
    EXPECT_FALSE(dialog.ShowSave());
    EXPECT_EQ(dialog.Error(), 0);
}
