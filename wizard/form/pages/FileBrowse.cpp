#include "wizard/form/pages/FileBrowse.h"

#include "utility/CDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

namespace tabulo {

namespace {

struct FileFilter {
    const char16_t *description;
    const char16_t *pattern;
    bool preselected = false;
};

struct FileDialogRow {
    FileChoice choice;
    const char16_t *title;
    QList<FileFilter> filters;
    const char16_t *defaultExt;     // without the dot; empty: none
    qint32 flags;
    bool save;                      // Save As, else Open
};

const QList<FileDialogRow> &fileDialogs()
{
    static const QList<FileDialogRow> dialogs = {
        {FileChoice::SourceDatabase,
         u"Locate Source Database",
         {{u"Microsoft Access Databases", u"*.mdb;*.mde", true},
          {u"Microsoft Access Add-Ins", u"*.mda"},
          {u"All Files", u"*.*"}},
         u"",
         pembry::cdlOFNFileMustExist,
         false},
        {FileChoice::SourceWorkgroup,
         u"Locate Source Security File",
         {{u"Microsoft Access Security File", u"*.mdw", true}, {u"All Files", u"*.*"}},
         u"",
         pembry::cdlOFNFileMustExist,
         false},
        {FileChoice::NewDatabase,
         u"Save New Database As",
         {{u"Microsoft Access Database", u"*.mdb", true},
          {u"Microsoft Access MDE Database", u"*.mde"},
          {u"Microsoft Access Add-In", u"*.mda"},
          {u"All Files", u"*.*"}},
         u"mdb",
         0,
         true},
        {FileChoice::CodeFile,
         u"Save Code Template As",
         {{u"Text Files", u"*.txt"}, {u"Visual Basic Module", u"*.bas", true}, {u"All Files", u"*.*"}},
         u"bas",
         pembry::cdlOFNOverwritePrompt,
         true},
        {FileChoice::NewWorkgroup,
         u"Locate New Security File",
         {{u"Microsoft Access Security File", u"*.mdw", true}, {u"All Files", u"*.*"}},
         u"",
         pembry::cdlOFNFileMustExist,
         false},
        {FileChoice::ScriptFile,
         u"Save SQL Script As",
         {{u"SQL Scripts", u"*.sql", true}, {u"Text Files", u"*.txt"}, {u"All Files", u"*.*"}},
         u"sql",
         pembry::cdlOFNOverwritePrompt,
         true},
    };
    return dialogs;
}

void startAtTypedPath(pembry::CDialog &dialog, const QString &typedPath)
{
    if (typedPath.trimmed().isEmpty())
        return;
    const QFileInfo typed(typedPath);
    if (typed.isDir()) {
        dialog.setInitDir(typed.absoluteFilePath());
        return;
    }
    const QDir folder = typed.absoluteDir();
    if (!folder.exists())
        return;
    dialog.setInitDir(folder.absolutePath());
    dialog.setFilename(typed.fileName());
}

}  // namespace

bool showFileDialog(FileChoice choice, pembry::CDialog &dialog, const QString &typedPath)
{
    const FileDialogRow &row = fileDialogs().at(int(choice));
    Q_ASSERT(row.choice == choice);
    for (const FileFilter &filter : row.filters)
        dialog.AddFilter(QString::fromUtf16(filter.description), QString::fromUtf16(filter.pattern),
                         filter.preselected);
    dialog.setDefaultExt(QString::fromUtf16(row.defaultExt));
    dialog.setDialogTitle(QString::fromUtf16(row.title));
    dialog.setFlags(row.flags);
    startAtTypedPath(dialog, typedPath);
    return row.save ? dialog.ShowSave() : dialog.ShowOpen();
}

}  // namespace tabulo
