#pragma once
// Where a finished module or SQL script goes, as the settings say: the code
// file (shown in the desktop's text editor when asked), the clipboard, and
// the closing message that tells the user where the module went.

#include "wizard/generator/GeneratorSettings.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace tabulo {

class ClipboardControl;

class ModuleDelivery {
public:
    // Nothing is copied without a clipboard.
    ModuleDelivery(const GeneratorSettings &settings, ClipboardControl *clipboard)
        : m_settings(settings), m_clipboard(clipboard)
    {
    }

    // Writes the code file in one piece (a failure leaves an earlier file as
    // it was), opens it, copies the text, then shows the closing message.
    void deliver(const QString &moduleText) const;

private:
    bool copyToClipboard(const QString &moduleText) const;
    void showClosingMessage(bool copied) const;

    const GeneratorSettings &m_settings;
    ClipboardControl *m_clipboard;
};

// "Attribute VB_Name" module name for a code file: «Create DB.bas» gives
// «basCreateDB», «basSchema.txt» gives «basSchema».
// Characters a Basic name cannot hold become "_".
QString moduleNameForCodeFile(const QString &codeFilePath);

// The lines of the code file before the module text: the "Attribute
// VB_Name" line when asked for, "Option Explicit" and a blank line.
QString codeFileHeader(const QString &codeFilePath, bool writeVB5Header);

// The content of the code file, each part followed by a line break:
// codeFileHeader(), then the module text (which ends with its own line
// break, so the file ends with a blank line).
QString codeFileText(const QString &moduleText, const QString &codeFilePath, bool writeVB5Header);

// An SQL script's code file: the script alone, in UTF-8; false when the
// device refuses a write.
bool writeScriptContent(QIODevice &device, const QString &scriptText);

// The bytes of a code file (codeFileText) in Windows-1252.
QByteArray codeFileContent(const QString &moduleText, bool writeVB5Header,
                           const QString &codeFilePath);

// The same bytes written to `device` a piece at a time, without a copy of
// the whole text; false when the device refuses a write.
bool writeCodeFileContent(QIODevice &device, const QString &moduleText, bool writeVB5Header,
                          const QString &codeFilePath);

}  // namespace tabulo
