#pragma once
// The Open and Save As file dialogs without a dialog control on a form: a
// filter list built from "description|pattern" pairs (or chosen from the kind
// of control that is to receive the file), the chosen file or files, and
// loading a chosen file into a control or saving a control to it.
//
// The dialog is Qt's QFileDialog, owned by the active window. A cancelled
// dialog answers False without an error; so does every dialog while no GUI
// application exists, since none can be shown. Targets of LoadInto/SaveFrom (and of
// ShowOpen/ShowSave) are probed in this order: a picture (QLabel), a list
// (QListWidget, QComboBox), a text (QLineEdit, QPlainTextEdit, QTextEdit), or a
// string.

#include <QString>
#include <QStringList>

class QObject;

namespace pembry {

// The flag values of the Windows OPENFILENAME structure.
enum fisEnumCDialogFlags : qint32 {
    cdlOFNReadOnly = 0x1,
    cdlOFNOverwritePrompt = 0x2,
    cdlOFNHideReadOnly = 0x4,
    cdlOFNNoChangeDir = 0x8,
    cdlOFNHelpButton = 0x10,
    cdlOFNNoValidate = 0x100,
    cdlOFNAllowMultiselect = 0x200,
    cdlOFNExtensionDifferent = 0x400,
    cdlOFNPathMustExist = 0x800,
    cdlOFNFileMustExist = 0x1000,
    cdlOFNCreatePrompt = 0x2000,
    cdlOFNShareAware = 0x4000,
    cdlOFNNoReadOnlyReturn = 0x8000,
    cdlOFNNoLongNames = 0x40000,
    cdlOFNExplorer = 0x80000,
    cdlOFNNoDereferenceLinks = 0x100000,
    cdlOFNLongNames = 0x200000
};

class CDialog {
public:
    // Error raised inside the class when the user cancels (never reaches the
    // caller of ShowOpen/ShowSave).
    static constexpr int UserCancelled = 32755;
    // Extended dialog error: the chosen name does not fit MaxFileSize.
    static constexpr int BufferTooSmall = 0x3003;

    // --- Plain properties ----------------------------------------------------
    bool CancelError() const { return m_cancelError; }
    void setCancelError(bool value) { m_cancelError = value; }
    qint32 Flags() const { return m_flags; }
    void setFlags(qint32 value) { m_flags = value; }
    QString Tag() const { return m_tag; }
    void setTag(const QString &value) { m_tag = value; }
    QString HelpFile() const { return m_helpFile; }
    void setHelpFile(const QString &value) { m_helpFile = value; }
    qint32 HelpCommand() const { return m_helpCommand; }
    void setHelpCommand(qint32 value) { m_helpCommand = value; }
    qint32 HelpContext() const { return m_helpContext; }
    void setHelpContext(qint32 value) { m_helpContext = value; }
    QString HelpKey() const { return m_helpKey; }
    void setHelpKey(const QString &value) { m_helpKey = value; }
    QString DialogTitle() const { return m_dialogTitle; }
    void setDialogTitle(const QString &value) { m_dialogTitle = value; }
    // The chosen file; after a multi-selection the folder and the names,
    // joined by the separator (a blank, or NUL with cdlOFNExplorer).
    QString Filename() const { return m_filename; }
    void setFilename(const QString &value) { m_filename = value; }
    // The chosen file's name without folder and extension.
    QString FileTitle() const { return m_fileTitle; }
    void setFileTitle(const QString &value) { m_fileTitle = value; }
    QString InitDir() const { return m_initDir; }
    void setInitDir(const QString &value) { m_initDir = value; }
    // 1-based number of the selected filter pair (0: the custom filter).
    qint16 FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(qint16 value) { m_filterIndex = value; }
    // Extension, without the dot, added to a name typed without one.
    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString &value) { m_defaultExt = value; }
    qint16 MaxFileSize() const { return m_maxFileSize; }
    void setMaxFileSize(qint16 value) { m_maxFileSize = value; }
    QString CustomFilter() const { return m_customFilter; }
    void setCustomFilter(const QString &value) { m_customFilter = value; }
    QString CustomFilterFilespec() const { return m_customFilterFilespec; }
    void setCustomFilterFilespec(const QString &value) { m_customFilterFilespec = value; }
    // The last extended dialog error, 0 if none.
    qint16 Error() const { return m_error; }
    void setError(qint16 value) { m_error = value; }

    // --- Members ---------------------------------------------------------------
    // 1 shows Open, 2 shows Save As; other values do nothing.
    void setAction(qint16 action);
    qint16 MultiSelect() const;
    void setMultiSelect(qint16 mode);
    // Filename with its extension replaced by DefaultExt (added when it has none).
    QString FileNameDefaultFilter();
    QString Filter() const { return m_filter; }
    void setFilter(const QString &value);
    void AddFilter(const QString &description, const QString &filespec, bool defaultFilter = false);
    qint16 FileReadOnly() const;
    void setFileReadOnly(qint16 mode);
    qint16 FileMustExist() const;
    void setFileMustExist(qint16 mode);
    bool FileMustBeWriteable() const;
    void setFileMustBeWriteable(bool value);
    // Filters suited to the kind of control (see the header comment); a string
    // target gets text files.
    void AddDefaultFilters(const QObject *ctrl);
    void AddDefaultFiltersForString();
    qint16 SelectedFileCount() const { return qint16(m_selectedFiles.size()); }
    // Entry 1 to SelectedFileCount(), else "".
    QString SelectedFile(qint16 index) const;

    // True when the user confirmed a file, False when the dialog was cancelled.
    // With a target: default filters first when none are set, then the file is
    // loaded into (Open) or saved from (Save As) the target.
    bool ShowOpen(QObject *target = nullptr);
    bool ShowOpen(QString &target);
    bool ShowSave(QObject *target = nullptr);
    bool ShowSave(const QString &target);

    // Single-file transfer between the chosen file and a target; file errors
    // are raised (pembry::BasicError, naming the file).
    void LoadInto(QObject *target);
    void LoadInto(QString &target);
    void SaveFrom(QObject *target);
    void SaveFrom(const QString &target);

    // The Qt name filters shown for Filter ("Text Files (*.txt)"); "*.*" is
    // shown as "*", which matches every file here.
    QStringList qtNameFilters() const;

private:
    enum Kind { OpenDialog = 1, SaveDialog = 2 };
    bool show(Kind kind);
    bool showGuarded(Kind kind);
    QString firstSelectedFile() const;

    bool m_cancelError = true;
    qint32 m_flags = 0;
    QString m_tag;
    QString m_helpFile;
    qint32 m_helpCommand = 0;
    qint32 m_helpContext = 0;
    QString m_helpKey;
    QString m_dialogTitle;
    QString m_filename;
    QString m_fileTitle;
    QString m_initDir;
    qint16 m_filterIndex = 1;
    QString m_defaultExt;
    qint16 m_maxFileSize = 256;
    QString m_customFilter;
    QString m_customFilterFilespec;
    qint16 m_error = 0;

    QString m_filter;
    bool m_filterConsumed = false;
    int m_lastKind = 0;
    QStringList m_selectedFiles;
    QString m_fileNameDefaultFilter;
};

}  // namespace pembry
