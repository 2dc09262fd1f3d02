#pragma once
// The desktop libraries a headless program must never load, and the shared
// objects a process has mapped or a run loaded, for tests that prove it.

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// The file names in `libraries` that belong to the desktop stack (Qt's GUI
// and widget modules, X11, xcb, EGL/GLX/OpenGL) or to Pembry31's desktop plugin.
inline QStringList guiLibrariesAmong(const QStringList &libraries)
{
    static const QRegularExpression gui(
        QStringLiteral("(^|/)(libQt6Gui|libQt6Widgets|libQt6XcbQpa|libX11|libxcb|libEGL|libGL|libOpenGL|"
                       "pembry31-desktop)[^/]*$"));
    QStringList found;
    for (const QString &library : libraries) {
        if (gui.match(library).hasMatch())
            found.append(library);
    }
    return found;
}

// The shared objects mapped into this process now.
inline QStringList mappedLibraries()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    QStringList libraries;
    if (!maps.open(QIODevice::ReadOnly))
        return libraries;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QString path = QString::fromLocal8Bit(line.mid(slash));
        if (path.contains(QLatin1String(".so")) && !libraries.contains(path))
            libraries.append(path);
    }
    return libraries;
}

// The objects the dynamic loader loaded in a run, from its LD_DEBUG=libs
// report («file=libQt6Core.so.6 [0];  generating link map»).
inline QStringList librariesInLoaderReport(const QString &report)
{
    static const QRegularExpression loaded(QStringLiteral("file=(\\S+) \\[\\d+\\];\\s+generating link map"));
    QStringList libraries;
    for (auto match = loaded.globalMatch(report); match.hasNext();) {
        const QString library = match.next().captured(1);
        if (!libraries.contains(library))
            libraries.append(library);
    }
    return libraries;
}
