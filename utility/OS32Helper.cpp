#include "utility/OS32Helper.h"

#include "utility/BasicError.h"
#include "utility/MessageService.h"
#include "utility/basPublicNotCreateableFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pembry {

namespace {
const QString kSource = QStringLiteral("Pembry31.OS32Helper");
constexpr int kDiskFull = 61;
constexpr int kTooManyFiles = 67;
constexpr int kDeviceIOError = 57;
constexpr int kOutOfMemory = 7;

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

qsizetype lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
}

bool startsWithDrive(QStringView path)
{
    return path.size() >= 2 && path[1] == QLatin1Char(':');
}

// The separator a routine adds to `path`: the path's own style.
QChar separatorFor(const QString &path)
{
    const qsizetype last = lastSeparator(path);
    if (last >= 0)
        return path[last];
    if (startsWithDrive(basicLTrim(path)))
        return QLatin1Char('\\');
    return QLatin1Char('/');
}

QString systemMessage(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

[[noreturn]] void raiseFileError(int number, const QString &what, const QString &path, int errorNumber)
{
    raiseError(number, kSource,
               QStringLiteral("%1: %2 '%3' (%4)")
                   .arg(standardErrorText(number), what, path, systemMessage(errorNumber)));
}

// Makes one folder; an existing folder is fine.
void makeFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        return;
    if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0)
        return;
    const int error = errno;
    if (error == EEXIST && QFileInfo(path).isDir())
        return;
    int number = err::PathFileAccess;
    if (error == ENOENT || error == ENOTDIR)
        number = err::PathNotFound;
    else if (error == ENOSPC || error == EDQUOT)
        number = kDiskFull;
    raiseFileError(number, QStringLiteral("cannot make the folder"), path, error);
}

bool existsAsNamed(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}
}  // namespace

QString fileSystemPath(const QString &path)
{
    if (!path.contains(QLatin1Char('\\')) || existsAsNamed(path))
        return path;
    // A folder given with a separator added: «odd\name\» is the folder
    // «odd\name» when that exists.
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == QLatin1Char('\\'))
        --end;
    if (end > 0 && end < path.size() && existsAsNamed(path.first(end)))
        return path.first(end) + QLatin1Char('/');
    QString native = path;
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return native;
}

QString OS32Helper::FileNameNoPath(const QString &fullName) const
{
    if (!fullName.isEmpty() && isSeparator(fullName.back()))
        return {};
    return fullName.mid(lastSeparator(fullName) + 1);
}

QString OS32Helper::PathNameNoFile(const QString &fullName) const
{
    const qsizetype last = lastSeparator(fullName);
    return last < 0 ? QString() : fullName.left(last);
}

bool OS32Helper::MakeDirectory(const QString &folder) const
{
    QString path = basicTrim(folder);
    if (path.size() > 1 && isSeparator(path.back()))
        path.chop(1);
    const QString native = fileSystemPath(path);
    const bool network = native.startsWith(QLatin1String("//"));
    const bool absolute = native.startsWith(QLatin1Char('/')) && !network;
    const QString refusal = QStringLiteral("MakeDirectory does not support the use of UNC path names. "
                                           "Please use a fully qualified drive mapping.");
    // A drive letter names no folder here; read as text it would make a
    // folder "C:" under the working folder.
    if (startsWithDrive(path))
        raiseError(err::InvalidCall, kSource,
                   refusal + QStringLiteral(" \"%1\" begins with a drive letter, which this system does not use; "
                                            "give a path that begins with \"/\".")
                                 .arg(basicTrim(folder)));
    if (network || !absolute)
        raiseError(err::InvalidCall, kSource, refusal);
    // Each folder from the top down; the root itself is never made.
    for (qsizetype slash = native.indexOf(QLatin1Char('/'), 1); slash >= 0;
         slash = native.indexOf(QLatin1Char('/'), slash + 1))
        makeFolder(native.left(slash));
    makeFolder(native);
    return true;
}

QString OS32Helper::AddDirectorySeparator(const QString &pathName) const
{
    const QString trimmed = basicTrim(pathName);
    if (!trimmed.isEmpty() && isSeparator(trimmed.back()))
        return trimmed;
    return basicRTrim(pathName) + separatorFor(pathName);
}

bool OS32Helper::IsValidFolder(QString &folderPath) const
{
    if (folderPath.isEmpty())
        return false;
    try {
        folderPath = AddDirectorySeparator(folderPath);
        const QFileInfo info(fileSystemPath(folderPath));
        return info.isDir() && info.isReadable();
    } catch (...) {
        return false;
    }
}

bool OS32Helper::IsValidFilePath(const QString &fileName) const
{
    if (fileName.contains(QChar(0)))
        raiseError(err::BadFileNameOrNumber, kSource,
                   QStringLiteral("Bad file name or number: the name '%1' holds a NUL character")
                       .arg(QString(fileName).replace(QChar(0), QLatin1Char('?'))));
    if (fileName.isEmpty())
        return false;
    const QString native = fileSystemPath(fileName);
    int fd = -1;
    do {
        // Non-blocking, so that a pipe without a writer cannot hang the test.
        fd = ::open(QFile::encodeName(native).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        struct stat status {};
        const bool isFolder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
        ::close(fd);
        return !isFolder;
    }
    const int error = errno;
    switch (error) {
    case ENOENT:          // file not found, path not found
    case ENOTDIR:
    case EACCES:          // path/file access error
    case EPERM:
    case ELOOP:
    case ENAMETOOLONG:
    case EISDIR:
    case ETXTBSY:
    case ENXIO:           // device unavailable
    case ENODEV:
        return false;
    case EMFILE:
    case ENFILE:
        raiseFileError(kTooManyFiles, QStringLiteral("cannot open"), fileName, error);
    case ENOMEM:
        raiseFileError(kOutOfMemory, QStringLiteral("cannot open"), fileName, error);
    default:
        raiseFileError(kDeviceIOError, QStringLiteral("cannot open"), fileName, error);
    }
}

bool OS32Helper::WriteAccess(const QString &dirName) const
{
    try {
        const QString folder = fileSystemPath(AddDirectorySeparator(dirName));
        QTemporaryFile probe(folder + QStringLiteral("test.XXXXXX"));
        const bool writable = probe.open();
        probe.close();
        return writable;   // the probe file is removed with `probe`
    } catch (...) {
        return false;
    }
}

void OS32Helper::StandardErrorMessage(const QString &procedureName, qint32 errNumber,
                                      const QString &errorDescription, QString optionalDescription) const
{
    const QString crlf = QStringLiteral("\r\n");
    if (!optionalDescription.isEmpty())
        optionalDescription = crlf + QStringLiteral("Additional Information:") + crlf + optionalDescription;
    MsgBox(QStringLiteral("The following error has occured in ") + procedureName + QLatin1Char(':') + crlf
               + QStringLiteral("Error #") + QString::number(errNumber) + crlf + QStringLiteral("Error Text: ")
               + errorDescription + optionalDescription,
           mb::OKOnly);
}

}  // namespace pembry
