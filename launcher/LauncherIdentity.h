#pragma once
// The launcher's name, version and desktop entry, as the desktop and the
// wizard's windows see them.

#include <QGuiApplication>

namespace tabulo {

inline void setLauncherIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tabulo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tabulo"));
}

}  // namespace tabulo
