#pragma once
// The program the desktop opens a file with, from the freedesktop MIME
// database: the file's type (`xdg-mime query filetype`), the default
// application of that type (`xdg-mime query default`), and the program its
// desktop entry runs (the Exec line). xdg-mime is run directly with an
// argument list and a time limit.

#include <QByteArray>
#include <QString>

namespace pembry {

class FreedesktopAssociation {
public:
    // The absolute path of the program that opens `fileName`; "" when the
    // type has no default application or its program cannot be found.
    static QString programFor(const QString &fileName);

    // The MIME type of an existing file: xdg-mime's answer, or Qt's MIME
    // database when xdg-mime cannot tell.
    static QString mimeTypeOf(const QString &fileName);
    // The desktop entry id ("org.gnome.TextEditor.desktop") of the default
    // application for `mimeType`; "" when there is none.
    static QString defaultApplicationFor(const QString &mimeType);
    // The desktop entry file of `desktopId` in the applications folders of
    // $XDG_DATA_HOME and $XDG_DATA_DIRS; "" when there is none.
    static QString desktopEntryPath(const QString &desktopId);

    // The Exec value of the [Desktop Entry] group of a desktop entry's text.
    static QString execLineOf(const QByteArray &desktopEntry);
    // The program an Exec value runs: its first word, unquoted as desktop
    // entries quote (a leading "env VAR=value" is passed over).
    static QString programOfExecLine(const QString &exec);
};

}  // namespace pembry
