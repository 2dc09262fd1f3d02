#pragma once
// OS32Helper: file-system path routines for client programs - splitting a
// full file name, making a folder tree, testing folders, files and write
// access - and a standard error message.
//
// Both "\" and "/" separate folders, so «C:\Data\file.txt» and
// «/home/ann/db.mdb» split alike. A separator that a routine adds follows the
// style of the path it is given: the last separator the path holds, "\" for
// a bare drive such as «C:», "/" when there is none. Before the file system
// is asked, the path goes through fileSystemPath(): a file or folder whose
// name holds a "\" is found by that name.
//
// Errors carry the source "Pembry31.OS32Helper".

#include <QByteArray>
#include <QString>

namespace pembry {

// A file name's bytes as text, and back. Names are read as UTF-8; a byte
// that is no part of valid UTF-8 becomes the lone surrogate U+DC00 + byte,
// and back, so that every name the file system holds survives the round
// trip (QFile::decodeName makes such a byte U+FFFD, which names another
// file, and drops a leading U+FEFF). Every routine of the library and the
// engine that hands a path to the system encodes it here. Printed, such a
// byte shows as U+FFFD.
QString decodeFileName(const QByteArray &bytes);
QByteArray encodeFileName(const QString &name);

// The path as the file system reads it: `path` itself when something of
// that name exists (a "\" is a character of a name here), otherwise with
// every "\" read as the separator "/". Used by every routine of the library
// that tests or opens a path it is given.
QString fileSystemPath(const QString &path);

class OS32Helper {
public:
    // The text after the last separator; "" when the name ends with one. A
    // name without any separator is a bare file name and comes back whole.
    QString FileNameNoPath(const QString &fullName) const;

    // The text before the last separator (without it); "" when there is none.
    QString PathNameNoFile(const QString &fullName) const;

    // Folder `folder` and every missing folder above it. `folder` is trimmed
    // and may end with a separator. It must be absolute: «/a/b» or «\a\b». A
    // network path («\\server\share», «//server/share»), a drive path
    // («C:\a\b», which names no folder on this system) or a relative one
    // raises error 5; a folder that cannot be made raises 75 (76 when a
    // parent vanished, 61 when the disk is full), naming it.
    bool MakeDirectory(const QString &folder) const;

    // `pathName` without trailing blanks plus a separator, when its trimmed
    // text ends with none; otherwise `pathName` trimmed on both sides.
    QString AddDirectorySeparator(const QString &pathName) const;

    // True when `folderPath` names an existing folder. A non-empty path is
    // first given its separator in the caller's variable (AddDirectorySeparator).
    // "" and every error give False.
    bool IsValidFolder(QString &folderPath) const;

    // True when `fileName` is a file that can be opened for reading. A missing
    // file or folder, a folder, a device that is not there or a refused access
    // give False; a name holding a NUL character raises error 52; other
    // failures raise their error (57 device I/O error, 67 too many files).
    bool IsValidFilePath(const QString &fileName) const;

    // True when a new file can be made in folder `dirName`. The probe file is
    // new (an existing file of the folder is never touched) and removed again.
    bool WriteAccess(const QString &dirName) const;

    // Shows, with an OK button through the message service, "The following
    // error has occured in <procedure>:", "Error #<number>" and
    // "Error Text: <description>" on three lines, and after them
    // "Additional Information:" with `optionalDescription` when that is given.
    void StandardErrorMessage(const QString &procedureName, qint32 errNumber, const QString &errorDescription,
                              QString optionalDescription = {}) const;
};

}  // namespace pembry
