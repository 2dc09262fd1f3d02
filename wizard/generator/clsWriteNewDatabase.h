#pragma once
// The generator: every choice of the user in one GeneratorSettings value
// (settings()/setSettings(), also readable and writable one property at a
// time for the automation object and the design's members), the source database
// (a SourceSession) and WriteTableCreationCode, which has the ModuleWriter
// write the Basic module that recreates the chosen tables and hands it to
// ModuleDelivery. One shared instance, gobjWriteNewDatabase(), serves the
// window, the automation object and the command line.

#include "wizard/engine/Dao.h"
#include "wizard/generator/GeneratorSettings.h"
#include "wizard/generator/ModuleDelivery.h"
#include "wizard/generator/ModuleWriter.h"
#include "wizard/generator/UiInterfaces.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace tabulo {

class clsWriteNewDatabase {
public:
    clsWriteNewDatabase();
    ~clsWriteNewDatabase();
    Q_DISABLE_COPY(clsWriteNewDatabase)

    // --- Settings ---------------------------------------------------------
    // Every setting of the module and its delivery at once.
    const GeneratorSettings &settings() const;
    // Takes `value` whole, with ProcPrefix in the form setProcPrefix gives
    // it; a tab stop that setTabStop refuses is refused the same way, and
    // then nothing is taken.
    void setSettings(GeneratorSettings value);

    bool IncludeRelations() const;
    void setIncludeRelations(bool value);
    void setIncludeDatabaseWrapper(bool value);
    bool IncludeDatabaseWrapper() const;
    // Index key directions, table validation and the further design
    // properties of tables and fields (descriptions, captions, formats,
    // lookups, datasheet settings); False writes none of them.
    bool IncludeDesignProperties() const;
    void setIncludeDesignProperties(bool value);
    qint32 InsertPosition() const;
    void setInsertPosition(qint32 value);
    QString ModuleText() const;
    // The fields the last module names in a comment only, since no DAO
    // type names their storage type.
    QList<LeftOutField> LeftOutFields() const;
    // What of the source's design the last module lacks because the file
    // is damaged (the engine's Warnings), one line each.
    QStringList SourceWarnings() const;
    // What the last module leaves out of the source's saved queries, or
    // writes in another order than their sources need, one line each;
    // empty without the setting includeQueries and after a script.
    QStringList QueryWarnings() const;
    // What the last SQL script leaves out (defaults, rules, fields it cannot
    // write), one line each; empty after a module.
    QStringList ScriptWarnings() const;
    qint16 StatusBarPanelIndex() const;
    void setStatusBarPanelIndex(qint16 value);      // failures ignored
    // The user-interface objects are not owned: whoever hands one in sets the
    // setting back to nullptr before the object goes away.
    void setProgressBar(ProgressDisplay *value);
    // Selects Panels(StatusBarPanelIndex) as the status panel; failures are
    // ignored. nullptr also drops the status panel.
    void setStatusBar(StatusBarControl *value);
    bool WriteVB5Header() const;
    void setWriteVB5Header(bool value);
    qint16 NewDBSecurity() const;
    void setNewDBSecurity(qint16 value);
    bool RunNotepad() const;
    void setRunNotepad(bool value);
    bool CopyToClipboard() const;
    void setCopyToClipboard(bool value);
    QString VarNameNewIndex() const;
    void setVarNameNewIndex(const QString &value);
    QString VarNameNewField() const;
    void setVarNameNewField(const QString &value);
    QString VarNameNewRelation() const;
    void setVarNameNewRelation(const QString &value);
    QString VarNameNewTable() const;
    void setVarNameNewTable(const QString &value);
    QString VarNameNewDB() const;
    void setVarNameNewDB(const QString &value);
    QString ProcPrefix() const;
    void setProcPrefix(const QString &value);        // trimmed, leading "_" dropped, blanks removed
    QString PathNameMDWNew() const;
    void setPathNameMDWNew(const QString &value);
    QString PasswordMDWSource() const;
    void setPasswordMDWSource(const QString &value);
    QString PasswordMDWNew() const;
    void setPasswordMDWNew(const QString &value);
    QString UserNameSource() const;
    void setUserNameSource(const QString &value);
    QString UserNameNew() const;
    void setUserNameNew(const QString &value);
    QString PathNameMDWSource() const;
    void setPathNameMDWSource(const QString &value);
    QString PasswordDBSource() const;
    void setPasswordDBSource(const QString &value);
    QString PasswordDBNew() const;                   // ";pwd=..." or empty
    void setPasswordDBNew(const QString &value);
    qint32 Encrypt() const;
    void setEncrypt(qint32 value);
    QString Locale() const;
    void setLocale(const QString &value);
    void setTabStop(qint16 value);                   // negative or above kMaxTabStop: error 5
    QString IndentUnit() const;                      // TabStop blanks
    qint32 Version() const;
    void setVersion(qint32 value);
    QString PathNameDBNew() const;
    void setPathNameDBNew(const QString &value);
    QString PathNameDBSource() const;
    void setPathNameDBSource(const QString &value);  // a different text lets go of the held database
    QString PathNameCodeFile() const;
    void setPathNameCodeFile(const QString &value);
    ListControl *SourceTablesAvailableList() const;
    void setSourceTablesAvailableList(ListControl *value);
    ListControl *SourceTablesChosenList() const;
    void setSourceTablesChosenList(ListControl *value);
    // The clipboard used when CopyToClipboard is set; none: nothing is copied.
    void setClipboard(ClipboardControl *value);

    // --- Source database session ------------------------------------------
    // The held source database, opened first if none is held; none (nullptr)
    // after the "cannot open" message for an unrecognised format.
    std::shared_ptr<dao::Database> DBSource();
    void setDBSource(std::shared_ptr<dao::Database> database);
    // The source's major version (SourceSession::majorVersion); its format
    // is jetVersionIndexOfSource() of it.
    qint32 DBSourceVersion();
    bool FillSourceTablesAvailableList();            // always False
    // The names FillSourceTablesAvailableList lists, with its status text
    // and errors: the source's tables, neither system, linked nor "MSys".
    QStringList SourceTableNames();
    bool IsTableInChosenList(const QString &tableName) const;
    void CloseSourceDBandMDW();                      // never fails

    // --- Generation ---------------------------------------------------------
    // Writes and delivers the module; True on success. On failure raises the
    // error with source "clsWriteNewDatabase:WriteTableCreationCode Method".
    bool WriteTableCreationCode();
    // The same run for the tables `chosen`, in that order, for a caller
    // without a list control.
    bool WriteTableCreationCode(const QStringList &chosen);

private:
    // The run, reading the chosen names inside its error handling.
    bool writeCode(const std::function<QStringList()> &chosenNames);
    // Lists the source's tables under the listing's status text and errors.
    template <class Body>
    auto listing(Body &&body) -> decltype(body());
    // The run's SQL script of the chosen tables, delivered as a module is.
    void writeScript(dao::Database &database, const QStringList &chosen);

    struct State;
    std::unique_ptr<State> d;
};

// The library's one generator, created on first use.
clsWriteNewDatabase &gobjWriteNewDatabase();

}  // namespace tabulo
