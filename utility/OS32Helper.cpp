#include "utility/OS32Helper.h"

#include "utility/BasicError.h"
#include "utility/MessageService.h"
#include "utility/basPublicNotCreateableFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
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
    struct stat status {};
    return ::lstat(encodeFileName(path).constData(), &status) == 0;
}

// Length of the valid UTF-8 sequence at `at`, or 0.
qsizetype utf8SequenceLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return uchar(bytes[at + i]); };
    const uchar lead = byte(0);
    if (lead < 0x80)
        return 1;
    const qsizetype length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
    if (length == 0 || bytes.size() - at < length)
        return 0;
    char32_t code = lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are invalid.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF))
        || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

constexpr char16_t kEscapedByte = 0xDC00;

// Valid UTF-8 as text; unlike QFile::decodeName, a leading U+FEFF is kept.
QString fromUtf8(QByteArrayView bytes)
{
    using Flag = QStringDecoder::Flag;
    return QStringDecoder(QStringDecoder::Utf8, Flag::Stateless | Flag::ConvertInitialBom).decode(bytes);
}

// Whether name[i] stands for a byte that is not UTF-8: a low surrogate of
// that range without the high surrogate that would make it a pair.
bool isEscapedByte(const QString &name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    return c >= kEscapedByte + 0x80 && c <= kEscapedByte + 0xFF && (i == 0 || !name[i - 1].isHighSurrogate());
}
}  // namespace

QString decodeFileName(const QByteArray &bytes)
{
    QString name;
    qsizetype valid = 0;   // where the valid bytes not yet decoded start
    for (qsizetype at = 0; at < bytes.size();) {
        if (const qsizetype length = utf8SequenceLength(bytes, at)) {
            at += length;
            continue;
        }
        name += fromUtf8(QByteArrayView(bytes).sliced(valid, at - valid));
        name += QChar(char16_t(kEscapedByte + uchar(bytes[at])));
        valid = ++at;
    }
    return name + fromUtf8(QByteArrayView(bytes).sliced(valid));
}

QByteArray encodeFileName(const QString &name)
{
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (isEscapedByte(name, i)) {
            bytes += QFile::encodeName(name.sliced(from, i - from));
            bytes += char(name[i].unicode() - kEscapedByte);
            from = i + 1;
        }
    }
    return from == 0 ? QFile::encodeName(name) : bytes + QFile::encodeName(name.sliced(from));
}

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
        fd = ::open(encodeFileName(native).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
