#pragma once
// The launcher's name, version and desktop entry, as the desktop and the
// wizard's windows see them. The version is the project's (CMake).

#include <QGuiApplication>

namespace tabulo {

inline void setLauncherIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tabulo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TABULO_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("tabulo"));
}

}  // namespace tabulo
