#include "wizard/engine/ReaderSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

namespace dao {

QString findSchemaReader()
{
    const QString fromEnvironment = qEnvironmentVariable("TABULO_SCHEMA_READER");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;

    QStringList folders;
    if (QCoreApplication::instance())
        folders.append(QCoreApplication::applicationDirPath());
    else
        folders.append(QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath());
    // The library (plugin) or program this code is linked into, and the
    // folders above it with their bin folders: build/lib/tabulo -> build/bin,
    // <prefix>/lib/tabulo/plugins -> <prefix>/bin.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&findSchemaReader), &info) && info.dli_fname) {
        QDir dir = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteDir();
        for (int up = 0; up < 4; ++up) {
            folders.append(dir.absolutePath());
            folders.append(dir.absoluteFilePath(QStringLiteral("bin")));
            if (!dir.cdUp())
                break;
        }
    }
#ifdef TABULO_INSTALL_BINDIR
    folders.append(QStringLiteral(TABULO_INSTALL_BINDIR));
#endif
    for (const QString &folder : folders) {
        const QFileInfo candidate(QDir(folder).absoluteFilePath(QStringLiteral("tabulo-schema-reader")));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

}  // namespace dao
