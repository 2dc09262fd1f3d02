#pragma once
// Operating-system services for client programs: machine and user names,
// system folders, network shares, drive types, shell file operations, file
// associations, opening or printing a document, and the screen size.
// The class holds no state.
//
// On Linux the services come from: gethostname and the password database;
// /etc, the C library's folder, $TMPDIR and the current folder; the mount
// table (/proc/self/mountinfo) and /sys; std::filesystem and the freedesktop
// trash; the freedesktop MIME database (xdg-mime), xdg-open and lp; QScreen.
// Programs are always started directly with an argument list, never through
// a shell, so no file name is ever interpreted.

#include <QString>
#include <QStringList>

namespace pembry {

enum fisEnumShowWindow {
    SW_HideWindow = 0,
    SW_SHOWNORMAL = 1,
    SW_MinimizeActivate = 2,
    SW_MaximizeActivate = 3,
    SW_ShowLastSizeNoChangeActive = 4,
    SW_ShowActivate = 5,
    SW_MinimizeLoseFocus = 6,
    SW_MinimizeStayActive = 7,
    SW_ShowCurrentSizeNoChangeActive = 8,
    SW_RestoreActivate = 9
};

enum fisEnumExecuteOperation { OperationOpen = 1, OperationPrint = 2 };

enum fisEnumFileOperation { FileMove = 1, FileCopy = 2, FileDelete = 3, FileRename = 4 };

enum fisEnumFileOperationFlags {
    FOF_MultipleDestinationFiles = 0x1,
    FOF_NoDisplay = 0x4,
    FOF_RenameFileOnCollision = 0x8,
    FOF_NoConfirm = 0x10,
    FOF_AllowUndoOperation = 0x40,
    FOF_OperateOnFilesOnly = 0x80,
    FOF_NoFileNamesinProgressDialog = 0x100,
    FOF_NoConfirmMakeDirectory = 0x200
};

enum fisEnumDriveType {
    UnknownDrive = 0,   // the type cannot be told (kernel pseudo file systems)
    InvalidDrive = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CDROM = 5,
    RAMDisk = 6
};

// Error numbers and texts of GetUNCPath.
namespace uncerr {
constexpr int NotSupported = 50;
constexpr int MoreData = 234;
constexpr int BadDevice = 1200;
constexpr int ConnectionUnavailable = 1201;
constexpr int NoNetworkOrBadPath = 1203;
constexpr int ExtendedError = 1208;
constexpr int NoNetwork = 1222;
constexpr int NotConnected = 2250;
}  // namespace uncerr

class Win32API {
public:
    // The host name.
    QString GetMachineName() const;
    // "/etc": the folder of the system's configuration.
    QString GetFolderWindows() const;
    // The folder holding the C library.
    QString GetFolderSystem() const;
    // $TMPDIR or /tmp, always ending with a separator.
    QString GetFolderTemp() const;
    QString GetFolderCurrent() const;

    // The server and share of the network mount (CIFS/SMB or NFS) that holds
    // `driveLetter`, a path. The caller's text is trimmed, and a single letter
    // gets ":" appended. Anything not on a network mount raises error 2250
    // "Error: Not Connected".
    bool GetUNCPath(QString &driveLetter, QString &server, QString &share) const;
    bool GetUNCPath(QString &driveLetter, QString &server) const;

    // "Removable", "Fixed", "Remote", "CDROM", "RAMDisk" or "Invalid Drive" for
    // the file system holding the path or mount point `driveLetter`; "" when
    // the type cannot be told. The code goes to `driveType`.
    QString GetDriveType(const QString &driveLetter, qint32 &driveType) const;
    QString GetDriveType(const QString &driveLetter) const;

    // The user name of the effective user.
    QString GetCurrentWindowsUser() const;

    // Moves, copies, deletes or renames the files of `operateFrom` (one name,
    // or several separated by NUL characters) to `operateTo`. Both lists are
    // made to end with two NULs in the caller's variables; flags 0 become
    // FOF_NoConfirm + FOF_NoConfirmMakeDirectory (528) in the caller's
    // variable. A missing destination for anything but FileDelete raises
    // error 5; a failure raises 0x80040000 + the system error code, with a
    // description naming the file and the problem. FOF_AllowUndoOperation on
    // FileDelete moves the files to the trash.
    bool FileOperation(qint32 hwnd, int operation, QString &operateFrom) const;
    bool FileOperation(qint32 hwnd, int operation, QString &operateFrom, QString &operateTo) const;
    bool FileOperation(qint32 hwnd, int operation, QString &operateFrom, QString &operateTo,
                       qint32 &flags) const;

    // The absolute path of the program that opens `fileName` (the file itself
    // when it is a program); "" when the file is missing or has no program.
    QString GetFileAssociation(const QString &fileName) const;

    // The text up to its first NUL character.
    QString StripTerminator(const QString &stringToStrip) const;

    // Opens or prints `fileName`. A program is started (detached) with
    // `commandParameters` as its arguments, in `defaultDirectory` when given;
    // a document is opened with xdg-open, printed with lp. A file that cannot
    // be read raises error 76 before anything is started; other failures
    // raise the shell's error numbers (2 not found, 3 path not found, 5 access
    // denied, 31 no association, ...) with source "Pembry31". Returns 0.
    qint32 ExecuteFile(const QString &fileName, qint32 hwnd = 0, int showMode = SW_SHOWNORMAL,
                       int executeOperation = OperationOpen, const QString &commandParameters = {},
                       const QString &defaultDirectory = {}) const;

    // The root window of the display on X11; 0 without a display.
    qint32 GetDesktopWindowHandle() const;
    // The primary screen's size in pixels; 0 without a display.
    qint32 GetScreenResolutionWidth() const;
    qint32 GetScreenResolutionHeight() const;
};

// Starts `program` with `arguments` (never through a shell) detached from
// this process, in `folder` when given, its input and output on the null
// device so that it cannot mix into ours. Raises the shell's errors (2 not
// found, 5 access denied, 11 not a program) with source "Pembry31";
// `fileName` names the file the program was to open.
void startDetachedProgram(const QString &program, const QStringList &arguments, const QString &folder,
                          const QString &fileName);

}  // namespace pembry
