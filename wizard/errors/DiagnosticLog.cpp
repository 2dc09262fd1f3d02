#include "wizard/errors/DiagnosticLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace tabulo {

namespace {

// Any function of this library: the loader reports the file it came from.
void anchor() {}

bool appendTo(const QString &path, const QByteArray &block)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(block) == block.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

}  // namespace

DiagnosticLog::DiagnosticLog(QString baseName, QString folder)
    : m_fileName(std::move(baseName) + QStringLiteral(".log")), m_folder(std::move(folder))
{
}

QString DiagnosticLog::libraryFolder()
{
    Dl_info info{};
    QString file;
    if (dladdr(reinterpret_cast<void *>(&anchor), &info) && info.dli_fname)
        file = QFile::decodeName(info.dli_fname);
    // Code linked into the program itself may be reported by the name the
    // program was started with; the kernel knows its real path.
    if (!QDir::isAbsolutePath(file))
        file = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(file).absolutePath();
}

QString DiagnosticLog::fallbackFolder()
{
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || !QDir::isAbsolutePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(stateHome + QStringLiteral("/tabulo"));
}

QString DiagnosticLog::primaryPath() const
{
    return QDir(m_folder.isEmpty() ? libraryFolder() : m_folder).filePath(m_fileName);
}

QString DiagnosticLog::fallbackPath() const
{
    return QDir(fallbackFolder()).filePath(m_fileName);
}

QString DiagnosticLog::append(const QByteArray &block) const noexcept
{
    try {
        const QString primary = primaryPath();
        if (appendTo(primary, block))
            return primary;
        const QString fallback = fallbackPath();
        if (QDir().mkpath(QFileInfo(fallback).absolutePath()) && appendTo(fallback, block))
            return fallback;
    } catch (...) {
    }
    return {};
}

}  // namespace tabulo
