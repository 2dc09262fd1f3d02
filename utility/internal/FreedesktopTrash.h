#pragma once
// Moving files and folders to the desktop's trash, laid out as freedesktop.org
// trash folders are: the home trash ($XDG_DATA_HOME/Trash, default
// ~/.local/share/Trash) for files on the same file system as it, otherwise
// the trash at the top of the file's own file system (.Trash/$uid or
// .Trash-$uid). Each trashed item gets an info file with its original path
// and the deletion date, so that file managers can restore it.

#include <QString>
#include <system_error>

namespace pembry {

class FreedesktopTrash {
public:
    // Moves `path` (a file, link or folder) to the trash. On success the
    // error code is empty and `trashedAs`, when given, receives the item's
    // path inside the trash.
    static std::error_code moveToTrash(const QString &path, QString *trashedAs = nullptr);

    // The home trash folder.
    static QString homeTrash();
};

}  // namespace pembry
