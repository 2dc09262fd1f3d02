#include "wizard/generator/ModuleDelivery.h"

#include "utility/BasicError.h"
#include "utility/internal/FreedesktopAssociation.h"
#include "utility/MessageService.h"
#include "utility/OS32Helper.h"
#include "utility/TextHelper.h"
#include "utility/Win32API.h"
#include "wizard/engine/RegularFile.h"
#include "wizard/generator/BasicNames.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/UiInterfaces.h"
#include "wizard/generator/Windows1252.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using pembry::BasicError;
using pembry::raiseError;

namespace tabulo {

namespace {

// The Basic error number for a code file that cannot be written.
int codeFileErrorNumber(const QString &path)
{
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return pembry::err::PathNotFound;
    return pembry::err::PathFileAccess;
}

// Writes the code file in one piece: a failure leaves any earlier file as it
// was. Only a regular file is replaced: a pipe or device node of that name
// (even /dev/null) is refused and left alone.
void writeCodeFile(const QString &path, const QString &moduleText, bool writeVB5Header, bool script)
{
    if (const QString kind = dao::specialFileKind(path); !kind.isEmpty())
        raiseError(pembry::err::PathFileAccess, QString(),
                   QStringLiteral("Cannot write the code file \"%1\": it is %2, not a regular file.").arg(path, kind));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        raiseError(codeFileErrorNumber(path), QString(),
                   QStringLiteral("Cannot write the code file \"%1\": %2").arg(path, file.errorString()));
    const bool written = script ? writeScriptContent(file, moduleText)
                                : writeCodeFileContent(file, moduleText, writeVB5Header, path);
    if (!written || !file.commit())
        raiseError(codeFileErrorNumber(path), QString(),
                   QStringLiteral("Cannot write the code file \"%1\": %2").arg(path, file.errorString()));
}

// The code file cannot be shown: one error whose text names the file.
[[noreturn]] void raiseCannotShow(const QString &codeFile, const QString &why)
{
    constexpr int noAssociation = 31;
    raiseError(noAssociation, QString(),
               QStringLiteral("The code file \"%1\" was saved, but no program can show it: %2.").arg(codeFile, why));
}

// Shows the code file in the desktop's text editor: the default application
// for plain text, asked of the MIME database itself (no file is made to ask
// with, so nothing planted in a shared folder can pass for the editor). An
// editor that needs a terminal runs in the desktop's terminal emulator, or
// else a graphical text editor shows the file. Without any text editor the
// file is opened with its own association. The program is given the
// absolute path, which it cannot take for an option.
void openInTextEditor(const QString &codeFile)
{
    using pembry::FreedesktopAssociation;
    const QString file = QFileInfo(codeFile).absoluteFilePath();
    const QString folder = os32Helper().PathNameNoFile(codeFile);
    constexpr int showNormal = 1;
    constexpr int operationOpen = 1;
    const QString textPlain = QStringLiteral("text/plain");
    const std::optional<pembry::DesktopApplication> editor = FreedesktopAssociation::defaultApplicationOf(textPlain);
    if (!editor) {
        try {
            win32API().ExecuteFile(codeFile, 0, showNormal, operationOpen, QString(), folder);
        } catch (const BasicError &e) {
            if (e.number() != 31)
                throw;
            raiseCannotShow(codeFile, QStringLiteral("the desktop names no program for text files"));
        }
        return;
    }
    if (!editor->terminal) {
        win32API().ExecuteFile(editor->program, 0, showNormal, operationOpen, file, folder);
        return;
    }
    if (QStringList terminal = FreedesktopAssociation::terminalEmulator(); !terminal.isEmpty()) {
        const QString program = terminal.takeFirst();
        pembry::startDetachedProgram(program, terminal << QStringLiteral("-e") << editor->program << file, folder,
                                     codeFile);
        return;
    }
    for (const pembry::DesktopApplication &other : FreedesktopAssociation::applicationsOf(textPlain)) {
        if (!other.terminal) {
            win32API().ExecuteFile(other.program, 0, showNormal, operationOpen, file, folder);
            return;
        }
    }
    raiseCannotShow(codeFile, QStringLiteral("the text editor %1 runs in a terminal, and neither a terminal "
                                             "emulator ($TERMINAL, x-terminal-emulator) nor a graphical text "
                                             "editor was found")
                                  .arg(QFileInfo(editor->program).fileName()));
}

}  // namespace

void ModuleDelivery::deliver(const QString &moduleText) const
{
    const QString &codeFile = m_settings.pathNameCodeFile;
    if (!codeFile.isEmpty()) {
        writeCodeFile(codeFile, moduleText, m_settings.writeVB5Header, !m_settings.sqlDialect.isEmpty());
        if (m_settings.runNotepad)
            openInTextEditor(codeFile);
    }
    const bool copied = copyToClipboard(moduleText);
    // Nothing to say when the host inserts the text or an editor shows it.
    if (!m_settings.runNotepad && m_settings.insertPosition == 0)
        showClosingMessage(copied);
}

bool ModuleDelivery::copyToClipboard(const QString &moduleText) const
{
    if (!m_settings.copyToClipboard || !m_clipboard)
        return false;
    m_clipboard->Clear();
    m_clipboard->SetText(moduleText);
    return true;
}

void ModuleDelivery::showClosingMessage(bool copied) const
{
    const QString &codeFile = m_settings.pathNameCodeFile;
    QString message;
    if (copied && !codeFile.isEmpty())
        message = QStringLiteral("The Tabulo results have been copied to the clipboard and saved to <") + codeFile
                  + QStringLiteral(">.");
    else if (copied)
        message = QStringLiteral("The Tabulo results have been copied to the clipboard.");
    else if (!codeFile.isEmpty())
        message = QStringLiteral("The Tabulo results have saved to <") + codeFile + QStringLiteral(">.");
    if (!message.isEmpty())
        pembry::MsgBox(message, pembry::mb::OKOnly, libraryTitle());
}

QString moduleNameForCodeFile(const QString &codeFilePath)
{
    const qsizetype separator =
        std::max(codeFilePath.lastIndexOf(u'/'), codeFilePath.lastIndexOf(u'\\'));
    QString name = textHelper().RemoveAllSpaces(codeFilePath.mid(separator + 1));
    name.chop(4);
    if (!name.startsWith(QLatin1StringView("bas")))
        name.prepend(QLatin1StringView("bas"));
    return basicIdentifier(name);
}

QString codeFileHeader(const QString &codeFilePath, bool writeVB5Header)
{
    QString text;
    if (writeVB5Header)
        text += QStringLiteral("Attribute VB_Name = \"") + moduleNameForCodeFile(codeFilePath)
                + QStringLiteral("\"\r\n");
    text += QStringLiteral("Option Explicit\r\n\r\n");
    return text;
}

QString codeFileText(const QString &moduleText, const QString &codeFilePath, bool writeVB5Header)
{
    return codeFileHeader(codeFilePath, writeVB5Header) + moduleText + QStringLiteral("\r\n");
}

bool writeCodeFileContent(QIODevice &device, const QString &moduleText, bool writeVB5Header,
                          const QString &codeFilePath)
{
    return writeWindows1252(device, codeFileHeader(codeFilePath, writeVB5Header))
           && writeWindows1252(device, moduleText) && writeWindows1252(device, QStringLiteral("\r\n"));
}

bool writeScriptContent(QIODevice &device, const QString &scriptText)
{
    const QByteArray bytes = scriptText.toUtf8();
    return device.write(bytes) == bytes.size();
}

QByteArray codeFileContent(const QString &moduleText, bool writeVB5Header, const QString &codeFilePath)
{
    QByteArray bytes;
    bytes.reserve(moduleText.size() + 64);   // the header lines are short
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeCodeFileContent(buffer, moduleText, writeVB5Header, codeFilePath);
    return bytes;
}

}  // namespace tabulo
