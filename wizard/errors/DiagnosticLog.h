#pragma once
// Where the diagnostic log lives, and appending one block to it.
//
// The log is "<build name>.log" (Tabulo40.log, Tabulo35.log) in the folder of
// the file this library was loaded from (the plugin, or the program the
// wizard is built into). Where that file cannot be written - the normal case
// for an installed library - the same name under $XDG_STATE_HOME/tabulo/
// (default ~/.local/state/tabulo/) takes the block, so that no report is
// lost.

#include <QByteArray>
#include <QString>

namespace tabulo {

class DiagnosticLog {
public:
    // `folder` replaces the library's folder when it is not empty.
    explicit DiagnosticLog(QString baseName, QString folder = {});

    // The folder of the file holding this code, as the dynamic loader knows it.
    static QString libraryFolder();
    // $XDG_STATE_HOME/tabulo, or ~/.local/state/tabulo.
    static QString fallbackFolder();

    QString primaryPath() const;
    QString fallbackPath() const;

    // Appends `block` to the primary log, or to the fallback log when the
    // primary cannot be opened. Returns the file written, "" when neither
    // could be. Never throws.
    QString append(const QByteArray &block) const noexcept;

private:
    QString m_fileName;
    QString m_folder;
};

}  // namespace tabulo
