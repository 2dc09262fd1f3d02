#pragma once
// The program the desktop opens a file with, from the freedesktop MIME
// database: the file's type (`xdg-mime query filetype`), the default
// application of that type (`xdg-mime query default`), and the program its
// desktop entry runs (the Exec line) and whether it needs a terminal. xdg-mime
// is run directly with an argument list and a time limit; it takes no "--",
// so a file is always named to it by its absolute path, which no option
// resembles.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace pembry {

// A desktop application as its desktop entry describes it.
struct DesktopApplication {
    QString program;        // the absolute path of the program its Exec line runs
    bool terminal = false;  // Terminal=true: it shows nothing unless run in a terminal
};

class FreedesktopAssociation {
public:
    // The absolute path of the program that opens `fileName`; "" when the
    // type has no default application or its program cannot be found.
    static QString programFor(const QString &fileName);
    // The default application of `mimeType` ("text/plain"), asked of the
    // MIME database directly; none when there is none or its program cannot
    // be found.
    static std::optional<DesktopApplication> defaultApplicationOf(const QString &mimeType);
    // Every application whose desktop entry lists `mimeType` and whose
    // program can be found, in the order of the applications folders
    // ($XDG_DATA_HOME first), by desktop entry id within a folder.
    static QList<DesktopApplication> applicationsOf(const QString &mimeType);
    // The desktop's terminal emulator as a command to which "-e PROGRAM
    // ARGUMENTS" is added: $TERMINAL (a program, possibly with options), else
    // x-terminal-emulator. Empty when neither can be found.
    static QStringList terminalEmulator();

    // The MIME type of an existing file: xdg-mime's answer, or Qt's MIME
    // database when xdg-mime cannot tell.
    static QString mimeTypeOf(const QString &fileName);
    // The desktop entry id ("org.gnome.TextEditor.desktop") of the default
    // application for `mimeType`; "" when there is none.
    static QString defaultApplicationFor(const QString &mimeType);
    // The desktop entry file of `desktopId` in the applications folders of
    // $XDG_DATA_HOME and $XDG_DATA_DIRS; "" when there is none.
    static QString desktopEntryPath(const QString &desktopId);

    // The value of `key` in the [Desktop Entry] group of a desktop entry's
    // text, unescaped; "" when it is not there.
    static QString entryValue(const QByteArray &desktopEntry, const QString &key);
    // The Exec value of the [Desktop Entry] group of a desktop entry's text.
    static QString execLineOf(const QByteArray &desktopEntry);
    // The application a desktop entry's text describes; none when it is
    // hidden or its program cannot be found.
    static std::optional<DesktopApplication> applicationOf(const QByteArray &desktopEntry);
    // The program an Exec value runs: its first word, unquoted as desktop
    // entries quote (a leading "env VAR=value" is passed over).
    static QString programOfExecLine(const QString &exec);
};

}  // namespace pembry
