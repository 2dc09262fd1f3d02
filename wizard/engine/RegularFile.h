#pragma once
// Files that must be regular files: a database, snapshot or workgroup file
// is opened for reading only when it is one, so that a named pipe, device or
// socket is never opened in a way that could wait (a pipe without a writer
// blocks the open for good); and a file about to be written can be checked.
// Paths reach the system as pembry::encodeFileName() makes them, so that a
// name that is not UTF-8 names the file it was decoded from.

#include <QFile>
#include <QString>

namespace dao {

enum class RegularFileOpen {
    Opened,       // `file` is open for reading
    NotRegular,   // a pipe, device or socket; see `what`
    Unreadable,   // missing, a folder, or no permission
};

enum class PathKind { Missing, Folder, RegularFile, Other };

// What `path` names, links followed.
PathKind pathKind(const QString &path);

// Opens `path` into `file`. For a file that is no regular file, `what`
// names its kind ("a named pipe", "a device", "a socket").
RegularFileOpen openRegularFile(const QString &path, QFile &file, QString *what = nullptr);

// What `path` is when it exists but is no regular file (links followed):
// "a named pipe", "a device", "a socket", "a folder"; "" for a regular file
// or one that does not exist.
QString specialFileKind(const QString &path);

// The description of error 3051 for `path`, which is of the kind `what`.
QString notRegularText(const QString &path, const QString &what);

class ErrorList;

// Fails through `errorList` with error 3051, with `source`, unless `opened`
// is Opened: for a file that is no regular file (of the kind `what`), or one
// that cannot be read.
void failUnlessOpened(RegularFileOpen opened, const QString &path, const QString &what, ErrorList &errorList,
                      const QString &source);

}  // namespace dao
