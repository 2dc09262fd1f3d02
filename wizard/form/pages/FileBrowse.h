#pragma once
// The file dialogs of the window's five browse buttons, one table: title,
// filters, default extension, flags and whether the dialog opens or saves.

#include <QString>

namespace pembry {
class CDialog;
}

namespace tabulo {

enum class FileChoice { SourceDatabase, SourceWorkgroup, NewDatabase, CodeFile, NewWorkgroup };

// Shows the dialog of `choice` through `dialog`; true when the user
// confirmed a file (then in dialog.Filename()).
bool showFileDialog(FileChoice choice, pembry::CDialog &dialog);

}  // namespace tabulo
