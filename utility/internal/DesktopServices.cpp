#include "utility/internal/DesktopServices.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPluginLoader>

#include <dlfcn.h>

namespace pembry {

namespace {

// Asked by class name, so that the library needs nothing of Qt Gui.
bool guiApplicationExists()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && application->inherits("QGuiApplication");
}

DesktopServices *loadPlugin()
{
    const QString path = desktopPluginPath();
    QPluginLoader loader(path);
    auto *services = qobject_cast<DesktopServices *>(loader.instance());
    if (!services)
        qWarning("Pembry31: no file dialogs, busy pointer or screen size: the desktop plugin %s cannot be "
                 "loaded (%s)",
                 qUtf8Printable(path), qUtf8Printable(loader.errorString()));
    return services;
}

}  // namespace

QString desktopPluginPath()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&desktopPluginPath), &info) || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath()
           + QStringLiteral("/pembry31/pembry31-desktop.so");
}

DesktopServices &desktopServices()
{
    static DesktopServices none;
    if (!guiApplicationExists())
        return none;
    // Loaded once; it stays for the life of the process.
    static DesktopServices *const plugin = loadPlugin();
    return plugin ? *plugin : none;
}

}  // namespace pembry
