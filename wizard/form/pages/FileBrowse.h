#pragma once
// The file dialogs of the window's five browse buttons, one table: title,
// filters, default extension, flags and whether the dialog opens or saves.
// The code file's button shows one of two: for the Basic module or for an
// SQL script.

#include <QString>

namespace pembry {
class CDialog;
}

namespace tabulo {

enum class FileChoice { SourceDatabase, SourceWorkgroup, NewDatabase, CodeFile, NewWorkgroup, ScriptFile };

// Shows the dialog of `choice` through `dialog`; true when the user
// confirmed a file (then in dialog.Filename()). The dialog starts in the
// folder of `typedPath`, the path in the browse button's box, with its file
// name filled in; with no path, or one whose folder does not exist, it
// starts where it would by itself.
bool showFileDialog(FileChoice choice, pembry::CDialog &dialog, const QString &typedPath = {});

}  // namespace tabulo
