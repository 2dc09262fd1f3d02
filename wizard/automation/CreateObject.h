#pragma once
// Creation of a wizard Application by programmatic identifier, for hosts and
// the launcher. Header-only: a host links against nothing of the wizard.
//
//   QString error;
//   QObject *app = tabulo::CreateObject("Tabulo40.Application", &error);
//   if (!app) ... error says why ...
//   QMetaObject::invokeMethod(app, "ShowWizard", Q_ARG(int, 1));
//
// A plugin carries its identifier in its metadata ("ProgID"). The plugin
// folders are searched in this order: the folders of TABULO_PLUGIN_PATH
// (separated by ':'), the installed folder (lib/tabulo beside the program's
// bin folder, and the prefix the program was built for), and the build tree
// (lib/tabulo beside the build's bin folder, the same relative place).

#include "wizard/automation/ApplicationFactory.h"

#if __has_include("TabuloInstall.h")
#include "TabuloInstall.h"   // TABULO_INSTALLED_PLUGIN_DIR: where `cmake --install` puts plugins
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QPluginLoader>
#include <QStringList>

namespace tabulo {

inline QStringList pluginFolders()
{
    QStringList folders;
    const QString fromEnvironment = qEnvironmentVariable("TABULO_PLUGIN_PATH");
    for (const QString &folder : fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << folder;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/tabulo");
#ifdef TABULO_INSTALLED_PLUGIN_DIR
    folders << QStringLiteral(TABULO_INSTALLED_PLUGIN_DIR);
#endif
    QStringList unique;
    for (const QString &folder : folders) {
        const QString clean = QDir::cleanPath(folder);
        if (!unique.contains(clean))
            unique << clean;
    }
    return unique;
}

// The metadata a plugin was built with: {"ProgID", "TypeLibrary", "Description"}.
inline QJsonObject pluginMetaData(QPluginLoader &loader)
{
    return loader.metaData().value(QStringLiteral("MetaData")).toObject();
}

// A new object of the class registered under `progId`, searched in
// `folders`, or nullptr with the reason in `error`. The caller owns the
// object; the plugin stays loaded.
inline QObject *CreateObject(const QString &progId, const QStringList &folders, QString *error = nullptr)
{
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QStringList files = dir.entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
        for (const QString &file : files) {
            QPluginLoader loader(dir.absoluteFilePath(file));
            if (pluginMetaData(loader).value(QStringLiteral("ProgID")).toString() != progId)
                continue;
            auto *factory = qobject_cast<ApplicationFactory *>(loader.instance());
            if (!factory) {
                if (error)
                    *error = QStringLiteral("%1: %2").arg(loader.fileName(), loader.errorString());
                return nullptr;
            }
            return factory->createApplication();
        }
    }
    if (error)
        *error = QStringLiteral("No plugin for \"%1\" in %2").arg(progId, folders.join(QStringLiteral(", ")));
    return nullptr;
}

// The same, searched in the usual plugin folders.
inline QObject *CreateObject(const QString &progId, QString *error = nullptr)
{
    return CreateObject(progId, pluginFolders(), error);
}

// The wizard builds, newest engine first: the ACE build opens every format
// the older two do.
inline const QStringList &wizardProgIds()
{
    static const QStringList ids{QStringLiteral("Tabulo120.Application"), QStringLiteral("Tabulo40.Application"),
                                 QStringLiteral("Tabulo35.Application")};
    return ids;
}

// A new Application of the newest build found in `folders` (its identifier
// in `chosen`), or nullptr with the reason the newest one could not be
// created in `error`.
inline QObject *CreateNewestWizard(const QStringList &folders, QString *error = nullptr, QString *chosen = nullptr)
{
    QString firstError;
    for (const QString &progId : wizardProgIds()) {
        QString reason;
        if (QObject *app = CreateObject(progId, folders, &reason)) {
            if (chosen)
                *chosen = progId;
            return app;
        }
        if (firstError.isEmpty())
            firstError = reason;
    }
    if (error)
        *error = firstError;
    return nullptr;
}

inline QObject *CreateNewestWizard(QString *error = nullptr)
{
    return CreateNewestWizard(pluginFolders(), error);
}

}  // namespace tabulo
