#include "utility/internal/FreedesktopTrash.h"

#include "utility/internal/MountTable.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pembry {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::error_code makeFolder(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0 || errno == EEXIST)
        return {};
    return lastError();
}

// Creates `trash`, its files/ and info/ folders (owner only).
std::error_code prepareTrash(const QString &trash)
{
    if (!QDir().mkpath(QFileInfo(trash).absolutePath()))
        return {EACCES, std::generic_category()};
    for (const QString &folder : {trash, trash + QStringLiteral("/files"), trash + QStringLiteral("/info")}) {
        if (auto error = makeFolder(folder))
            return error;
    }
    return {};
}

bool sameDevice(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    return ::lstat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// The trash at the top of the file system that holds `path`: an existing
// sticky, non-link .Trash folder shared by all users, or the user's own
// .Trash-$uid.
QString topTrashFor(const QString &path)
{
    const auto mount = MountTable::current().mountFor(path);
    const QString top = mount ? mount->mountPoint : QStringLiteral("/");
    const QString base = top == QLatin1String("/") ? QString() : top;
    const QString uid = QString::number(::getuid());
    const QString shared = base + QStringLiteral("/.Trash");
    struct stat st {};
    if (::lstat(QFile::encodeName(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && (st.st_mode & S_ISVTX))
        return shared + u'/' + uid;
    return base + QStringLiteral("/.Trash-") + uid;
}

// Reserves a free name in info/ by creating its info file exclusively.
std::error_code writeInfoFile(const QString &trash, const QString &fileName, const QString &originalPath,
                              QString *chosenName)
{
    const QString info = QStringLiteral("[Trash Info]\nPath=%1\nDeletionDate=%2\n")
                             .arg(QString::fromLatin1(QUrl::toPercentEncoding(originalPath, "/")),
                                  QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    const QByteArray content = info.toUtf8();
    const QFileInfo name(fileName);
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const QString candidate = attempt == 1 ? fileName
            : name.completeSuffix().isEmpty()
                ? QStringLiteral("%1 (%2)").arg(fileName).arg(attempt)
                : QStringLiteral("%1 (%2).%3").arg(name.baseName()).arg(attempt).arg(name.completeSuffix());
        const QString infoPath = trash + QStringLiteral("/info/") + candidate + QStringLiteral(".trashinfo");
        const int fd = ::open(QFile::encodeName(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0) {
            if (errno == EEXIST || QFileInfo::exists(trash + QStringLiteral("/files/") + candidate))
                continue;
            return lastError();
        }
        const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
        const int savedErrno = errno;
        ::close(fd);
        if (!written) {
            ::unlink(QFile::encodeName(infoPath).constData());
            return {savedErrno ? savedErrno : EIO, std::generic_category()};
        }
        if (QFileInfo::exists(trash + QStringLiteral("/files/") + candidate)) {
            ::unlink(QFile::encodeName(infoPath).constData());
            continue;
        }
        *chosenName = candidate;
        return {};
    }
    return {EEXIST, std::generic_category()};
}

std::error_code moveInto(const QString &trash, const QString &path, const QString &recordedPath,
                         QString *trashedAs)
{
    if (auto error = prepareTrash(trash))
        return error;
    QString name;
    if (auto error = writeInfoFile(trash, QFileInfo(path).fileName(), recordedPath, &name))
        return error;
    const QString target = trash + QStringLiteral("/files/") + name;
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
        const std::error_code error = lastError();
        ::unlink(QFile::encodeName(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo")).constData());
        return error;
    }
    if (trashedAs)
        *trashedAs = target;
    return {};
}

}  // namespace

QString FreedesktopTrash::homeTrash()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/Trash"));
}

std::error_code FreedesktopTrash::moveToTrash(const QString &path, QString *trashedAs)
{
    const QFileInfo item(path);
    if (!item.exists() && !item.isSymLink())
        return {ENOENT, std::generic_category()};
    // The item itself, not what a link points to; its folder made canonical.
    const QString absolute = QDir(item.absolutePath()).canonicalPath() + u'/' + item.fileName();
    const QString home = homeTrash();
    QString homeFolder = home;
    while (!QFileInfo::exists(homeFolder) && homeFolder != QLatin1String("/"))
        homeFolder = QFileInfo(homeFolder).absolutePath();
    if (sameDevice(absolute, homeFolder))
        return moveInto(home, absolute, absolute, trashedAs);

    const QString top = topTrashFor(absolute);
    // The top trash records paths relative to the top of the file system.
    const auto mount = MountTable::current().mountFor(absolute);
    QString recorded = absolute;
    if (mount && mount->mountPoint != QLatin1String("/"))
        recorded = absolute.mid(mount->mountPoint.size() + 1);
    return moveInto(top, absolute, recorded, trashedAs);
}

}  // namespace pembry
