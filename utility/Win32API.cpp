#include "utility/Win32API.h"

#include "utility/BasicError.h"
#include "utility/internal/DesktopServices.h"
#include "utility/internal/FreedesktopAssociation.h"
#include "utility/internal/MountTable.h"
#include "utility/OS32Helper.h"
#include "utility/internal/ShellFileOperation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <pwd.h>
#include <unistd.h>

namespace pembry {

namespace {

// The source of the errors ExecuteFile raises: the library's own title.
const QString kLibraryTitle = QStringLiteral("Pembry31");

// Both "\" and "/" separate folders, unless the name as given exists.
QString withSlashes(const QString &path)
{
    return fileSystemPath(path);
}

QString uncErrorText(int code)
{
    switch (code) {
    case uncerr::NotSupported: return QStringLiteral("Error: Feature not Supported");
    case uncerr::MoreData: return QStringLiteral("Error: More Data");
    case uncerr::BadDevice: return QStringLiteral("Error: Bad Device");
    case uncerr::ConnectionUnavailable: return QStringLiteral("Error: Connection Un-Available");
    case uncerr::NoNetworkOrBadPath: return QStringLiteral("Error: No Network Available or Bad Path");
    case uncerr::ExtendedError: return QStringLiteral("Error: Extended Error");
    case uncerr::NoNetwork: return QStringLiteral("Error: No Network Available");
    default: return QStringLiteral("Error: Not Connected");
    }
}

// The shell's texts for its error values 0 to 32.
QString shellErrorText(int code, const QString &fileName)
{
    switch (code) {
    case 2: return QStringLiteral("File not found");
    case 3: return QStringLiteral("Path not found");
    case 5: return QStringLiteral("Access denied");
    case 8: return QStringLiteral("Out of memory");
    case 11: return QStringLiteral("Invalid EXE file or error in EXE image");
    case 26: return QStringLiteral("A sharing violation occurred");
    case 27: return QStringLiteral("Incomplete or invalid file association");
    case 28: return QStringLiteral("DDE Time out");
    case 29: return QStringLiteral("DDE transaction failed");
    case 30: return QStringLiteral("DDE busy");
    case 31: return QStringLiteral("There is no association for the file type ") + fileName.right(3);
    case 32: return QStringLiteral("DLL not found");
    default: return QStringLiteral("Unknown error in ExecuteFile");
    }
}

[[noreturn]] void raiseShellError(int code, const QString &fileName)
{
    throw BasicError(code, kLibraryTitle, shellErrorText(code, fileName));
}

// A file the kernel runs itself: executable, and an ELF image or a script
// naming its interpreter. Anything else, even with an execute bit (as on
// FAT media), is a document, so that no text is ever run by a shell.
bool isProgram(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isExecutable())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head.startsWith("\x7f" "ELF") || head.startsWith("#!");
}

// The parameter text of a program: as a whole when it names an existing
// file (a path with blanks stays one argument), otherwise split into words
// with quotes grouping, as a command line reads; never given to a shell.
QStringList parameterList(const QString &parameters)
{
    if (parameters.trimmed().isEmpty())
        return {};
    if (QFileInfo::exists(parameters))
        return {parameters};
    return QProcess::splitCommand(parameters);
}

// The absolute path of a tool on the PATH; raises "File not found" without it.
QString requiredTool(const QString &name, const QString &fileName)
{
    const QString tool = QStandardPaths::findExecutable(name);
    if (tool.isEmpty())
        raiseShellError(2, fileName);
    return tool;
}

}  // namespace

void startDetachedProgram(const QString &program, const QStringList &arguments, const QString &folder,
                          const QString &fileName)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    if (process.startDetached())
        return;
    const QFileInfo info(program);
    if (!info.exists())
        raiseShellError(2, fileName);
    if (!info.isExecutable())
        raiseShellError(5, fileName);
    if (process.errorString().contains(QLatin1String("No such file")))
        raiseShellError(2, fileName);   // a script whose interpreter is missing
    raiseShellError(11, fileName);
}

QString Win32API::GetMachineName() const
{
    return QSysInfo::machineHostName();
}

QString Win32API::GetFolderWindows() const
{
    return QStringLiteral("/etc");
}

QString Win32API::GetFolderSystem() const
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&gnu_get_libc_version), &info) && info.dli_fname) {
        const QFileInfo library(QFile::decodeName(info.dli_fname));
        const QString folder = library.canonicalPath();
        return folder.isEmpty() ? library.absolutePath() : folder;
    }
    return QStringLiteral("/lib");
}

QString Win32API::GetFolderTemp() const
{
    // QDir::tempPath is $TMPDIR or /tmp, without the trailing separator.
    QString folder = QDir::tempPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

QString Win32API::GetFolderCurrent() const
{
    return QDir::currentPath();
}

bool Win32API::GetUNCPath(QString &driveLetter, QString &server) const
{
    QString share;
    return GetUNCPath(driveLetter, server, share);
}

bool Win32API::GetUNCPath(QString &driveLetter, QString &server, QString &share) const
{
    // Basic's Trim: blanks only.
    qsizetype start = 0, end = driveLetter.size();
    while (start < end && driveLetter[start] == u' ')
        ++start;
    while (end > start && driveLetter[end - 1] == u' ')
        --end;
    driveLetter = driveLetter.mid(start, end - start);
    if (driveLetter.size() == 1)
        driveLetter += u':';

    std::optional<NetworkShare> found;
    const QString path = withSlashes(driveLetter);
    if (QDir::isAbsolutePath(path)) {
        const QFileInfo info(path);
        const QString canonical = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(path);
        if (const auto mount = MountTable::current().mountFor(canonical))
            found = networkShareOf(*mount);
    }
    if (!found)
        throw BasicError(uncerr::NotConnected, kLibraryTitle, uncErrorText(uncerr::NotConnected));
    server = found->server;
    share = found->share;
    return true;
}

QString Win32API::GetDriveType(const QString &driveLetter) const
{
    qint32 driveType = 0;
    return GetDriveType(driveLetter, driveType);
}

QString Win32API::GetDriveType(const QString &driveLetter, qint32 &driveType) const
{
    const QFileInfo info(withSlashes(driveLetter));
    driveType = InvalidDrive;
    if (!driveLetter.isEmpty() && info.exists()) {
        if (const auto mount = MountTable::current().mountFor(info.canonicalFilePath()))
            driveType = driveTypeOf(*mount);
        else
            driveType = UnknownDrive;
    }
    switch (driveType) {
    case InvalidDrive: return QStringLiteral("Invalid Drive");
    case Removable: return QStringLiteral("Removable");
    case Fixed: return QStringLiteral("Fixed");
    case Remote: return QStringLiteral("Remote");
    case CDROM: return QStringLiteral("CDROM");
    case RAMDisk: return QStringLiteral("RAMDisk");
    default: return {};
    }
}

QString Win32API::GetCurrentWindowsUser() const
{
    if (const passwd *entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

bool Win32API::FileOperation(qint32 hwnd, int operation, QString &operateFrom) const
{
    QString operateTo;
    qint32 flags = 0;
    return FileOperation(hwnd, operation, operateFrom, operateTo, flags);
}

bool Win32API::FileOperation(qint32 hwnd, int operation, QString &operateFrom, QString &operateTo) const
{
    qint32 flags = 0;
    return FileOperation(hwnd, operation, operateFrom, operateTo, flags);
}

bool Win32API::FileOperation(qint32 hwnd, int operation, QString &operateFrom, QString &operateTo,
                             qint32 &flags) const
{
    Q_UNUSED(hwnd);   // no progress or confirmation window has an owner here
    const QChar nul(0);
    // Lists end with two NULs.
    const auto terminate = [&](QString &list) {
        if (!list.endsWith(nul))
            list += nul;
        if (!list.endsWith(QString(2, nul)))
            list += nul;
    };
    terminate(operateFrom);
    if (!operateTo.isEmpty())
        terminate(operateTo);
    if (operateTo.isEmpty() && operation != FileDelete)
        throw BasicError(err::InvalidCall, QStringLiteral("FileOperation"),
                         QStringLiteral("Invalid Procedure Call or Argument. Missing destination parameter "
                                        "when FO_DELETE operation was not specified."));
    if (flags == 0)
        flags = FOF_NoConfirm | FOF_NoConfirmMakeDirectory;

    const auto split = [&](const QString &list) {
        QStringList items = list.split(nul, Qt::SkipEmptyParts);
        return items;
    };
    try {
        ShellFileOperation(operation, flags).run(split(operateFrom), split(operateTo));
    } catch (const FileOperationFailure &failure) {
        throw BasicError(qint32(0x80040000u + quint32(failure.code)), kLibraryTitle, failure.description);
    }
    return true;
}

QString Win32API::GetFileAssociation(const QString &fileName) const
{
    const QString path = withSlashes(fileName);
    if (!QFileInfo(path).isFile())
        return {};
    if (isProgram(path))
        return QFileInfo(path).absoluteFilePath();
    return FreedesktopAssociation::programFor(path);
}

QString Win32API::StripTerminator(const QString &stringToStrip) const
{
    const qsizetype nul = stringToStrip.indexOf(QChar(0));
    return nul < 0 ? stringToStrip : stringToStrip.left(nul);
}

qint32 Win32API::ExecuteFile(const QString &fileName, qint32 hwnd, int showMode, int executeOperation,
                             const QString &commandParameters, const QString &defaultDirectory) const
{
    Q_UNUSED(hwnd);       // the started program has no owner window here
    Q_UNUSED(showMode);   // window placement is the desktop's choice
    const QString path = withSlashes(fileName);
    if (!OS32Helper().IsValidFilePath(path))
        throw BasicError(err::PathNotFound, kLibraryTitle,
                         QStringLiteral("Path not found: %1").arg(fileName));
    const QString file = QFileInfo(path).absoluteFilePath();
    const QString folder = withSlashes(defaultDirectory);
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        raiseShellError(3, fileName);

    if (executeOperation == OperationPrint) {
        // "--" ends lp's options, whatever the file is called.
        startDetachedProgram(requiredTool(QStringLiteral("lp"), fileName), {QStringLiteral("--"), file}, folder, fileName);
    } else if (isProgram(file)) {
        startDetachedProgram(file, parameterList(commandParameters), folder, fileName);
    } else {
        if (FreedesktopAssociation::programFor(file).isEmpty())
            raiseShellError(31, fileName);
        // xdg-open takes no "--"; the absolute path cannot pass for an option.
        startDetachedProgram(requiredTool(QStringLiteral("xdg-open"), fileName), {file}, folder, fileName);
    }
    return 0;
}

qint32 Win32API::GetDesktopWindowHandle() const
{
    return desktopServices().desktopWindowHandle();
}

qint32 Win32API::GetScreenResolutionWidth() const
{
    return qint32(desktopServices().screenSize().width());
}

qint32 Win32API::GetScreenResolutionHeight() const
{
    return qint32(desktopServices().screenSize().height());
}

}  // namespace pembry
