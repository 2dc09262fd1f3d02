#pragma once
// Opens a database, snapshot or workgroup file for reading, and only when it
// is a regular file: a named pipe, device or socket is never opened in a way
// that could wait (a pipe without a writer would block the open for good).

#include <QFile>
#include <QString>

namespace dao {

enum class RegularFileOpen {
    Opened,       // `file` is open for reading
    NotRegular,   // a pipe, device or socket; see `what`
    Unreadable,   // missing, a folder, or no permission
};

// Opens `path` into `file`. For a file that is no regular file, `what`
// names its kind ("a named pipe", "a device", "a socket").
RegularFileOpen openRegularFile(const QString &path, QFile &file, QString *what = nullptr);

// The description of error 3051 for `path`, which is of the kind `what`.
QString notRegularText(const QString &path, const QString &what);

}  // namespace dao
