#include "wizard/engine/RegularFile.h"

#include "utility/OS32Helper.h"
#include "wizard/engine/EngineErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    return QStringLiteral("no regular file");
}

}  // namespace

PathKind pathKind(const QString &path)
{
    struct stat status {};
    if (::stat(pembry::encodeFileName(path).constData(), &status) != 0)
        return PathKind::Missing;
    if (S_ISDIR(status.st_mode))
        return PathKind::Folder;
    return S_ISREG(status.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

RegularFileOpen openRegularFile(const QString &path, QFile &file, QString *what)
{
    // Non-blocking, so that the open itself cannot wait; the kind is then
    // checked on what was opened, not on the name, which could change.
    int fd = -1;
    do {
        fd = ::open(pembry::encodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return RegularFileOpen::Unreadable;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const bool folder = S_ISDIR(status.st_mode);
        if (what)
            *what = kindOf(status.st_mode);
        ::close(fd);
        return folder ? RegularFileOpen::Unreadable : RegularFileOpen::NotRegular;
    }
    // A regular file never blocks: the flag may stay.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return RegularFileOpen::Unreadable;
    }
    return RegularFileOpen::Opened;
}

QString specialFileKind(const QString &path)
{
    struct stat status {};
    if (::stat(pembry::encodeFileName(path).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return {};
    return kindOf(status.st_mode);
}

QString notRegularText(const QString &path, const QString &what)
{
    return QStringLiteral("The Microsoft Jet database engine cannot open the file '%1': it is %2, not a file.")
        .arg(path, what);
}

void failUnlessOpened(RegularFileOpen opened, const QString &path, const QString &what, ErrorList &errorList,
                      const QString &source)
{
    switch (opened) {
    case RegularFileOpen::Opened:
        break;
    case RegularFileOpen::NotRegular:
        errorList.fail(errors::CannotOpenFile, notRegularText(path, what), source);
    case RegularFileOpen::Unreadable:
        errorList.fail(errors::CannotOpenFile, engineErrorText(errors::CannotOpenFile, path), source);
    }
}

}  // namespace dao
