#pragma once
// What Pembry31 needs from the desktop: the file dialog, the widgets a file
// is loaded into or saved from, the busy pointer, the screen and the desktop
// window. The library itself links Qt Core only; the desktop side is the
// plugin pembry31-desktop (Qt Widgets and Gui), loaded from the folder
// "pembry31" beside the library the first time a member is needed while a
// QGuiApplication exists. Without one (or without the plugin) the
// do-nothing answers below apply: no dialog is shown, no pointer changes,
// the screen measures 0.
//
// Only Qt Core types cross this interface, so that the plugin needs nothing
// of libPembry31 and the library nothing of the plugin.

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace pembry {

class DesktopServices {
public:
    // One file dialog as the caller wants it shown.
    struct FileDialogRequest {
        QString title;
        bool save = false;               // Save As, else Open
        bool multiSelect = false;        // Open: several existing files
        bool fileMustExist = false;      // Open: one existing file
        bool confirmOverwrite = false;   // Save As: ask before replacing
        bool resolveSymlinks = true;
        QStringList nameFilters;         // Qt name filters, «Text (*.txt)»
        QString selectedNameFilter;
        QString defaultSuffix;
        QString directory;
        QString selectedFile;
    };
    // What the user confirmed.
    struct FileDialogAnswer {
        QStringList files;               // absolute paths, never empty
        QString selectedNameFilter;
    };

    virtual ~DesktopServices() = default;

    // Shows the dialog modally, owned by the active window; nothing when it
    // was cancelled (or cannot be shown).
    virtual std::optional<FileDialogAnswer> runFileDialog(const FileDialogRequest &) { return std::nullopt; }

    // Pictures (QLabel): false when the file is no picture / the label has
    // none or it cannot be written.
    virtual bool loadPicture(QObject *, const QString &) { return false; }
    virtual bool savePicture(const QObject *, const QString &) { return false; }
    // Lists (QListWidget, QComboBox): the entries are appended and the first
    // entry selected; listItems answers every entry.
    virtual void appendListItems(QObject *, const QStringList &) {}
    virtual QStringList listItems(const QObject *) { return {}; }
    // Texts (QLineEdit, QPlainTextEdit, QTextEdit) as plain text.
    virtual void setText(QObject *, const QString &) {}
    virtual QString text(const QObject *) { return {}; }

    // True: the application-wide busy (wait) pointer; false: the normal one,
    // however often true was given.
    virtual void setBusyPointer(bool) {}
    // The primary screen in pixels; 0 × 0 without a display.
    virtual QSize screenSize() { return {0, 0}; }
    // The display's root window; 0 without one.
    virtual qint32 desktopWindowHandle() { return 0; }
};

// The desktop plugin when a QGuiApplication exists and the plugin could be
// loaded, else the do-nothing services. Never null.
DesktopServices &desktopServices();

// The file the desktop plugin is loaded from: pembry31/pembry31-desktop.so
// in the folder of libPembry31 itself, in the build tree and when installed.
QString desktopPluginPath();

}  // namespace pembry

#define PEMBRY31_DESKTOP_SERVICES_IID "org.tabulo.Pembry31.DesktopServices/1"
Q_DECLARE_INTERFACE(pembry::DesktopServices, PEMBRY31_DESKTOP_SERVICES_IID)
