#include "wizard/generator/clsWriteNewDatabase.h"

#include "utility/BasicError.h"
#include "utility/FreedesktopAssociation.h"
#include "utility/MessageService.h"
#include "utility/OS32Helper.h"
#include "utility/TextHelper.h"
#include "utility/Win32API.h"
#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/RegularFile.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/ModuleWriter.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/Windows1252.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <QSet>

#include <cmath>
#include <new>

using pembry::BasicError;
using pembry::raiseError;

namespace tabulo {

namespace {

const QString kClass = QStringLiteral("clsWriteNewDatabase:");
const QString kRunSource = QStringLiteral("clsWriteNewDatabase:WriteTableCreationCode Method");
const QString kDBSourceSource = QStringLiteral("clsWriteNewDatabase  - DBSource");
const QString kFillListSource = QStringLiteral("clsWriteNewDatabase  - FillSourceTablesAvailableList");

// Error sources of the plain settings: "clsWriteNewDatabase:Locale Property Get".
QString getSource(const char *member)
{
    return kClass + QLatin1String(member) + QStringLiteral(" Property Get");
}
QString letSource(const char *member)
{
    return kClass + QLatin1String(member) + QStringLiteral(" Property Let");
}
QString setSource(const char *member)
{
    return kClass + QLatin1String(member) + QStringLiteral(" Property Set");
}

// Runs `body`; a Basic error leaving it is raised again with `source`.
template <class Body>
auto trapped(const QString &source, Body &&body) -> decltype(body())
{
    try {
        return body();
    } catch (const BasicError &e) {
        throw e.withSource(source);
    }
}

// The run's failure as a Basic error: Basic errors as they are, anything
// else as "Out of memory" or "Internal error" with its own text.
BasicError asBasicError(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const BasicError &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return BasicError(7, QString(), pembry::standardErrorText(7));
    } catch (const std::exception &e) {
        return BasicError(51, QString(), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return BasicError(51, QString(), QStringLiteral("Internal error"));
    }
}

// Trimmed of blanks, leading "_" dropped (with the blanks after each), then
// every blank removed: « _ _sub Make » gives «subMake».
QString normalisedProcPrefix(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    qsizetype begin = 0;
    while (begin < end && (text.at(begin) == u' ' || text.at(begin) == u'_'))
        ++begin;
    return textHelper().RemoveAllSpaces(text.mid(begin, end - begin));
}

// A table the source catalogue lists but a program cannot recreate: system
// objects, linked tables and linked ODBC tables.
bool isSystemOrLinked(qint32 attributes)
{
    const quint32 a = quint32(attributes);
    const quint32 system = quint32(dao::dbSystemObject);
    const quint32 linked = quint32(dao::dbAttachedTable);
    const quint32 linkedOdbc = quint32(dao::dbAttachedODBC);
    return (a & system) == system || (a & linked) == linked || (a & linkedOdbc) == linkedOdbc;
}

// The major version digit of a version text such as «4.0»: the whole
// number's first digit.
qint32 majorVersionDigit(const QString &versionText)
{
    bool ok = false;
    double value = QLocale::system().toDouble(versionText.trimmed(), &ok);
    if (!ok)
        value = QLocale::c().toDouble(versionText.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || value < 0 || value >= 1e15)
        raiseError(pembry::err::TypeMismatch, QString(),
                   QStringLiteral("The source database reports the version \"%1\", which is not a number.")
                       .arg(versionText));
    // The integer part: a version 3.5 is a version 3 database.
    const QString whole = QString::number(qint64(value));
    return whole.at(0).digitValue();
}

// Finds the chosen tables among the table definitions by name, as DAO's
// TableDefs("name") does: letter case does not matter, an exact match wins.
class TableLookup {
public:
    explicit TableLookup(const dao::TableDefs &tables) : m_tables(tables)
    {
        const int count = tables.Count();
        m_exact.reserve(count);
        m_folded.reserve(count);
        for (int i = 0; i < count; ++i) {
            const QString name = tables.Item(i)->Name();
            m_exact.insert(name, i);
            m_folded.insert(name.toCaseFolded(), i);
        }
    }

    std::shared_ptr<dao::TableDef> find(const QString &name, const QString &databaseName) const
    {
        int index = m_exact.value(name, -1);
        if (index < 0)
            index = m_folded.value(name.toCaseFolded(), -1);
        if (index < 0)
            raiseError(dao::errors::ItemNotFound, QString(),
                       QStringLiteral("The table \"%1\" is not in the source database \"%2\".")
                           .arg(name, databaseName));
        return m_tables.Item(index);
    }

private:
    const dao::TableDefs &m_tables;
    QHash<QString, int> m_exact;
    QHash<QString, int> m_folded;
};

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
void writeCodeFile(const QString &path, const QString &moduleText, bool writeVB5Header)
{
    if (const QString kind = dao::specialFileKind(path); !kind.isEmpty())
        raiseError(pembry::err::PathFileAccess, QString(),
                   QStringLiteral("Cannot write the code file \"%1\": it is %2, not a regular file.").arg(path, kind));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        raiseError(codeFileErrorNumber(path), QString(),
                   QStringLiteral("Cannot write the code file \"%1\": %2").arg(path, file.errorString()));
    if (!writeCodeFileContent(file, moduleText, writeVB5Header, path) || !file.commit())
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

bool writeCodeFileContent(QIODevice &device, const QString &moduleText, bool writeVB5Header,
                          const QString &codeFilePath)
{
    return writeWindows1252(device, codeFileHeader(codeFilePath, writeVB5Header))
           && writeWindows1252(device, moduleText) && writeWindows1252(device, QStringLiteral("\r\n"));
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

// ---------------------------------------------------------------------------

struct clsWriteNewDatabase::State {
    GeneratorSettings settings;
    QString moduleText;
    qint16 statusBarPanelIndex = 1;
    ProgressDisplay *progressBar = nullptr;
    StatusBarControl *statusBar = nullptr;
    ListControl *sourceTablesAvailableList = nullptr;
    ListControl *sourceTablesChosenList = nullptr;
    ClipboardControl *clipboard = nullptr;
    StatusPanel *statusPanel = nullptr;     // Panels(statusBarPanelIndex) of statusBar

    // Source database session.
    QString pathNameDBSource;
    QString pathNameMDWSource;
    QString userNameSource;
    QString passwordMDWSource;
    QString passwordDBSource;
    std::shared_ptr<dao::Workspace> workspace;
    std::shared_ptr<dao::Database> database;

    void selectStatusPanel()
    {
        if (!statusBar)
            return;
        try {
            statusPanel = &statusBar->Panels(statusBarPanelIndex);
        } catch (...) {
            // The status panel stays as it was.
        }
    }

    void showStatus(const QString &text) const
    {
        if (statusPanel)
            statusPanel->setText(text);
    }
};

clsWriteNewDatabase::clsWriteNewDatabase() : d(std::make_unique<State>()) {}

clsWriteNewDatabase::~clsWriteNewDatabase() = default;

// --- Settings -------------------------------------------------------------

bool clsWriteNewDatabase::IncludeRelations() const { return d->settings.includeRelations; }
void clsWriteNewDatabase::setIncludeRelations(bool value) { d->settings.includeRelations = value; }
void clsWriteNewDatabase::setIncludeDatabaseWrapper(bool value) { d->settings.includeDatabaseWrapper = value; }
bool clsWriteNewDatabase::IncludeDatabaseWrapper() const { return d->settings.includeDatabaseWrapper; }
qint32 clsWriteNewDatabase::InsertPosition() const { return d->settings.insertPosition; }
void clsWriteNewDatabase::setInsertPosition(qint32 value) { d->settings.insertPosition = value; }
QString clsWriteNewDatabase::ModuleText() const { return d->moduleText; }
qint16 clsWriteNewDatabase::StatusBarPanelIndex() const { return d->statusBarPanelIndex; }

void clsWriteNewDatabase::setStatusBarPanelIndex(qint16 value)
{
    d->statusBarPanelIndex = value;
    d->selectStatusPanel();
}

void clsWriteNewDatabase::setProgressBar(ProgressDisplay *value) { d->progressBar = value; }

void clsWriteNewDatabase::setStatusBar(StatusBarControl *value)
{
    d->statusBar = value;
    if (!value) {
        // Without a status bar there is no panel to write to; keeping the old
        // one would leave a pointer into a window that may be gone.
        d->statusPanel = nullptr;
        return;
    }
    d->selectStatusPanel();
}

bool clsWriteNewDatabase::WriteVB5Header() const { return d->settings.writeVB5Header; }
void clsWriteNewDatabase::setWriteVB5Header(bool value) { d->settings.writeVB5Header = value; }
qint16 clsWriteNewDatabase::NewDBSecurity() const { return d->settings.newDBSecurity; }
void clsWriteNewDatabase::setNewDBSecurity(qint16 value) { d->settings.newDBSecurity = value; }
bool clsWriteNewDatabase::RunNotepad() const { return d->settings.runNotepad; }
void clsWriteNewDatabase::setRunNotepad(bool value) { d->settings.runNotepad = value; }
bool clsWriteNewDatabase::CopyToClipboard() const { return d->settings.copyToClipboard; }
void clsWriteNewDatabase::setCopyToClipboard(bool value) { d->settings.copyToClipboard = value; }

QString clsWriteNewDatabase::VarNameNewIndex() const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:VarNameNewIndex"), [&] { return d->settings.varNameNewIndex; });
}
void clsWriteNewDatabase::setVarNameNewIndex(const QString &value)
{
    trapped(QStringLiteral("clsWriteNewDatabase:Property Let VarNameNewIndex"), [&] { d->settings.varNameNewIndex = value; });
}
QString clsWriteNewDatabase::VarNameNewField() const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:Property Get VarNameNewField"), [&] { return d->settings.varNameNewField; });
}
void clsWriteNewDatabase::setVarNameNewField(const QString &value)
{
    trapped(QStringLiteral("clsWriteNewDatabase:Property Let VarNameNewField"), [&] { d->settings.varNameNewField = value; });
}
QString clsWriteNewDatabase::VarNameNewRelation() const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:Property Get VarNameNewRelation"),
                   [&] { return d->settings.varNameNewRelation; });
}
void clsWriteNewDatabase::setVarNameNewRelation(const QString &value)
{
    trapped(QStringLiteral("clsWriteNewDatabase:Property Let VarNameNewRelation"),
            [&] { d->settings.varNameNewRelation = value; });
}
QString clsWriteNewDatabase::VarNameNewTable() const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:Property Get VarNameNewTable"), [&] { return d->settings.varNameNewTable; });
}
void clsWriteNewDatabase::setVarNameNewTable(const QString &value)
{
    trapped(QStringLiteral("clsWriteNewDatabase:Property Let VarNameNewTable"), [&] { d->settings.varNameNewTable = value; });
}
QString clsWriteNewDatabase::VarNameNewDB() const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:Property Get VarNameNewDB"), [&] { return d->settings.varNameNewDB; });
}
void clsWriteNewDatabase::setVarNameNewDB(const QString &value)
{
    trapped(QStringLiteral("clsWriteNewDatabase:Property Let VarNameNewDB"), [&] { d->settings.varNameNewDB = value; });
}
QString clsWriteNewDatabase::ProcPrefix() const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:Property Get ProcPrefix"), [&] { return d->settings.procPrefix; });
}
void clsWriteNewDatabase::setProcPrefix(const QString &value)
{
    trapped(QStringLiteral("clsWriteNewDatabase:Property Let ProcPrefix"),
            [&] { d->settings.procPrefix = normalisedProcPrefix(value); });
}

// The plain text settings: stored as given, errors raised again with
// "clsWriteNewDatabase:<name> Property Get/Let".
#define TABULO_TEXT_SETTING(Name, member)                                                   \
    QString clsWriteNewDatabase::Name() const                                               \
    {                                                                                       \
        return trapped(getSource(#Name), [&] { return d->member; });                        \
    }                                                                                       \
    void clsWriteNewDatabase::set##Name(const QString &value)                               \
    {                                                                                       \
        trapped(letSource(#Name), [&] { d->member = value; });                              \
    }

TABULO_TEXT_SETTING(PathNameMDWNew, settings.pathNameMDWNew)
TABULO_TEXT_SETTING(PasswordMDWSource, passwordMDWSource)
TABULO_TEXT_SETTING(PasswordMDWNew, settings.passwordMDWNew)
TABULO_TEXT_SETTING(UserNameSource, userNameSource)
TABULO_TEXT_SETTING(UserNameNew, settings.userNameNew)
TABULO_TEXT_SETTING(PathNameMDWSource, pathNameMDWSource)
TABULO_TEXT_SETTING(PasswordDBSource, passwordDBSource)
TABULO_TEXT_SETTING(Locale, settings.locale)
TABULO_TEXT_SETTING(PathNameDBNew, settings.pathNameDBNew)
TABULO_TEXT_SETTING(PathNameCodeFile, settings.pathNameCodeFile)
#undef TABULO_TEXT_SETTING

QString clsWriteNewDatabase::PasswordDBNew() const
{
    return trapped(getSource("PasswordDBNew"), [&] { return d->settings.passwordDBNew; });
}
void clsWriteNewDatabase::setPasswordDBNew(const QString &value)
{
    // Kept in the form of a connect text, as the generated code passes it on.
    trapped(letSource("PasswordDBNew"),
            [&] { d->settings.passwordDBNew = value.isEmpty() ? QString() : QStringLiteral(";pwd=") + value; });
}

qint32 clsWriteNewDatabase::Encrypt() const
{
    return trapped(getSource("Encrypt"), [&] { return d->settings.encrypt; });
}
void clsWriteNewDatabase::setEncrypt(qint32 value)
{
    trapped(letSource("Encrypt"), [&] { d->settings.encrypt = value; });
}

void clsWriteNewDatabase::setTabStop(qint16 value)
{
    trapped(QStringLiteral("clsWriteNewDatabase  - TabStop"), [&] {
        if (value < 0)
            raiseError(pembry::err::InvalidCall, QString(),
                       QStringLiteral("TabStop must not be negative (%1).").arg(value));
        if (value > kMaxTabStop)
            raiseError(pembry::err::InvalidCall, QString(), tabStopRefusal(value));
        d->settings.tabStop = value;
    });
}
QString clsWriteNewDatabase::IndentUnit() const { return d->settings.indentUnit(); }

qint32 clsWriteNewDatabase::Version() const
{
    return trapped(getSource("Version"), [&] { return d->settings.version; });
}
void clsWriteNewDatabase::setVersion(qint32 value)
{
    trapped(letSource("Version"), [&] { d->settings.version = value; });
}

QString clsWriteNewDatabase::PathNameDBSource() const
{
    return trapped(getSource("PathNameDBSource"), [&] { return d->pathNameDBSource; });
}
void clsWriteNewDatabase::setPathNameDBSource(const QString &value)
{
    trapped(letSource("PathNameDBSource"), [&] {
        // Another file: the next read of DBSource opens it.
        if (value != d->pathNameDBSource)
            d->database.reset();
        d->pathNameDBSource = value;
    });
}

ListControl *clsWriteNewDatabase::SourceTablesAvailableList() const
{
    return trapped(getSource("SourceTablesAvailableList"), [&] { return d->sourceTablesAvailableList; });
}
void clsWriteNewDatabase::setSourceTablesAvailableList(ListControl *value)
{
    trapped(setSource("SourceTablesAvailableList"), [&] { d->sourceTablesAvailableList = value; });
}
ListControl *clsWriteNewDatabase::SourceTablesChosenList() const
{
    return trapped(getSource("SourceTablesChosenList"), [&] { return d->sourceTablesChosenList; });
}
void clsWriteNewDatabase::setSourceTablesChosenList(ListControl *value)
{
    trapped(setSource("SourceTablesChosenList"), [&] { d->sourceTablesChosenList = value; });
}

void clsWriteNewDatabase::setClipboard(ClipboardControl *value) { d->clipboard = value; }

// --- Source database session ----------------------------------------------

std::shared_ptr<dao::Database> clsWriteNewDatabase::DBSource()
{
    if (d->database)
        return d->database;
    const QString path = d->pathNameDBSource;
    try {
        if (path.isEmpty()) {
            d->database.reset();
            raiseError(pembry::err::InvalidCall, QString(), QStringLiteral("No source database is named."));
        }
        if (!os32Helper().IsValidFilePath(path)) {
            d->database.reset();
            raiseError(pembry::err::InvalidCall, QString(),
                       QStringLiteral("The source database \"%1\" cannot be opened for reading.").arg(path));
        }
        dao::DBEngine &engine = dao::dbEngine();
        if (!d->workspace) {
            if (d->pathNameMDWSource.isEmpty()) {
                d->workspace = engine.Workspaces(0);
            } else {
                engine.setSystemDB(d->pathNameMDWSource);
                d->workspace = engine.CreateWorkspace(QStringLiteral("temp"), d->userNameSource,
                                                      d->passwordMDWSource);
            }
        }
        d->database = d->workspace->OpenDatabase(path, false, true,
                                                 QStringLiteral(";pwd=") + d->passwordDBSource);
        return d->database;
    } catch (const BasicError &e) {
        switch (e.number()) {
        case dao::errors::NotValidDbPassword:
            throw BasicError(dao::errors::NotValidDbPassword, kDBSourceSource,
                             QStringLiteral("Not a valid password: the database password of \"%1\" is wrong or missing.")
                                 .arg(path));
        case dao::errors::FormatNotRecognised: {
            // The Jet 3.5 build can point to the Jet 4.0 build; that one
            // already reads every format there is a build for.
            const QString advice =
                wizardBuild().jetVersion < 40
                    ? QStringLiteral("Please rerun Tabulo setup and ensure that you install the Jet 4.0 version.")
                    : QStringLiteral("This version of Tabulo reads the databases of Access 2003 and earlier "
                                     "(Jet 4.0 and before); save a database of Access 2007 or later in the "
                                     "Access 2002-2003 format first.");
            pembry::MsgBox(QStringLiteral("Tabulo cannot open the database you selected.") + u'<' + path
                               + QStringLiteral(">\r\n\r\nIt is either a corrupt database, or it was created by a "
                                                "version of Access not recognized by this version of Tabulo.\r\n")
                               + advice,
                           pembry::mb::OKOnly, libraryTitle());
            return nullptr;
        }
        default:
            throw e.withSource(kDBSourceSource);
        }
    }
}

void clsWriteNewDatabase::setDBSource(std::shared_ptr<dao::Database> database)
{
    trapped(QStringLiteral("clsWriteNewDatabase:DBSource"), [&] {
        d->database = std::move(database);
        // Stored directly: the held database must not be let go of.
        if (d->database)
            d->pathNameDBSource = d->database->Name();
    });
}

qint32 clsWriteNewDatabase::DBSourceVersion()
{
    const std::shared_ptr<dao::Database> database = DBSource();
    if (!database)
        raiseError(pembry::err::ObjectNotSet, QStringLiteral("clsWriteNewDatabase:DBSourceVersion"));
    return majorVersionDigit(database->Version());
}

bool clsWriteNewDatabase::FillSourceTablesAvailableList()
{
    StatusPanel *panel = d->statusPanel;
    QString savedStatus;
    bool statusSaved = false;
    try {
        if (panel) {
            savedStatus = panel->Text();
            statusSaved = true;
            panel->setText(QStringLiteral("Retrieving list of tables in source database"));
        }
        ListControl *list = d->sourceTablesAvailableList;
        if (!list)
            raiseError(pembry::err::ObjectNotSet, QString());
        list->Clear();
        const std::shared_ptr<dao::Database> database = DBSource();
        if (!database)
            raiseError(pembry::err::ObjectNotSet, QString());
        const dao::TableDefs &tables = database->TableDefs();
        const int count = tables.Count();
        for (int i = 0; i < count; ++i) {
            const std::shared_ptr<dao::TableDef> table = tables.Item(i);
            if (isSystemOrLinked(table->Attributes()))
                continue;
            const QString name = table->Name();
            if (name.startsWith(QLatin1String("MSys"), Qt::CaseSensitive))
                continue;
            list->AddItem(name);
        }
        if (panel)
            panel->setText(savedStatus);
        return false;
    } catch (...) {
        const BasicError e = asBasicError(std::current_exception());
        try {
            if (d->progressBar)
                d->progressBar->setVisible(false);
        } catch (...) {
        }
        try {
            if (panel && statusSaved)
                panel->setText(savedStatus);
        } catch (...) {
        }
        if (e.number() == dao::errors::NotValidDbPassword)
            throw BasicError(e.number(), kFillListSource, e.description());
        throw e.withSource(kFillListSource);
    }
}

bool clsWriteNewDatabase::IsTableInChosenList(const QString &tableName) const
{
    return trapped(QStringLiteral("clsWriteNewDatabase:IsTableInChosenList"), [&] {
        const ListControl *list = d->sourceTablesChosenList;
        if (!list)
            raiseError(pembry::err::ObjectNotSet, QString());
        const int count = list->ListCount();
        for (int i = 0; i < count; ++i) {
            if (list->List(i) == tableName)
                return true;
        }
        return false;
    });
}

void clsWriteNewDatabase::CloseSourceDBandMDW()
{
    // Each step runs even when an earlier one failed; a database owned by
    // the host or the engine's default workspace may refuse to close.
    try {
        if (d->database)
            d->database->Close();
    } catch (...) {
    }
    d->database.reset();
    try {
        if (d->workspace)
            d->workspace->Close();
    } catch (...) {
    }
    d->workspace.reset();
}

// --- Generation -------------------------------------------------------------

bool clsWriteNewDatabase::WriteTableCreationCode()
{
    // The panel's text as the run found it, put back at the end, also after
    // a failure.
    StatusPanel *panel = d->statusPanel;
    ProgressDisplay *progress = d->progressBar;
    QString savedStatus;
    bool statusSaved = false;
    try {
        if (panel) {
            savedStatus = panel->Text();
            statusSaved = true;
        }

        ModuleWriter writer(d->settings);
        writer.begin();

        ListControl *chosen = d->sourceTablesChosenList;
        if (!chosen)
            raiseError(pembry::err::ObjectNotSet, QString());
        const int tableCount = chosen->ListCount();
        if (tableCount == 0)
            raiseError(pembry::err::InvalidPropertyValue, QStringLiteral("mvsTabulo.Application"),
                       QStringLiteral("Chosen tables listbox failed to initialize."));
        if (progress) {
            progress->setMin(1);
            progress->setMax(tableCount == 1 ? 2 : tableCount);
            progress->setVisible(true);
        }

        d->showStatus(QStringLiteral("Verifying Tables ..."));
        const std::shared_ptr<dao::Database> database = DBSource();
        if (!database)
            raiseError(pembry::err::ObjectNotSet, QString());
        dao::TableDefs &tables = database->TableDefs();
        tables.Refresh();
        const TableLookup lookup(tables);

        // The chosen names once, for the relationships' membership test.
        QSet<QString> chosenNames;
        chosenNames.reserve(tableCount);
        for (int k = 0; k < tableCount; ++k) {
            const QString name = chosen->List(k);
            chosenNames.insert(name);
            if (progress)
                progress->setValue(k + 1);
            d->showStatus(QStringLiteral("Analyzing Table: ") + name);
            writer.addTable(*lookup.find(name, database->Name()));
        }

        bool replica = false;
        try {
            replica = isReplica(*database);
        } catch (const BasicError &e) {
            // A database that cannot answer this is no replica.
            if (e.number() != dao::errors::NotReplica)
                throw;
            d->showStatus(QStringLiteral("Analyzing Relationships"));
        }

        if (d->settings.includeRelations) {
            d->showStatus(QStringLiteral("Analyzing Relationships"));
            writer.addRelations(database->Relations(),
                                [&chosenNames](const QString &name) { return chosenNames.contains(name); },
                                replica);
        }

        d->showStatus(QStringLiteral("Writing Code ..."));
        const QString text = writer.finish();
        deliver(text);

        if (progress)
            progress->setVisible(false);
        if (panel)
            panel->setText(savedStatus);
        d->moduleText = text;
        return true;
    } catch (...) {
        const BasicError e = asBasicError(std::current_exception());
        try {
            if (progress)
                progress->setVisible(false);
        } catch (...) {
        }
        try {
            if (panel && statusSaved)
                panel->setText(savedStatus);
        } catch (...) {
        }
        if (e.number() == dao::errors::NoPermission || e.number() == dao::errors::NoReadDefinitions)
            throw BasicError(dao::errors::NoPermission, kRunSource, e.description(), e.helpFile(),
                             e.helpContext());
        throw e.withSource(kRunSource);
    }
}

void clsWriteNewDatabase::deliver(const QString &moduleText)
{
    const QString codeFile = d->settings.pathNameCodeFile;
    if (!codeFile.isEmpty()) {
        writeCodeFile(codeFile, moduleText, d->settings.writeVB5Header);
        if (d->settings.runNotepad)
            openInTextEditor(codeFile);
    }

    bool copied = false;
    if (d->settings.copyToClipboard && d->clipboard) {
        d->clipboard->Clear();
        d->clipboard->SetText(moduleText);
        copied = true;
    }

    if (d->settings.runNotepad || d->settings.insertPosition != 0)
        return;
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

clsWriteNewDatabase &gobjWriteNewDatabase()
{
    static clsWriteNewDatabase instance;
    return instance;
}

void applyFinishSettings(clsWriteNewDatabase &generator, const FinishSettings &finish)
{
    generator.setTabStop(finish.tabStop);
    generator.setVarNameNewDB(finish.varNameNewDB);
    generator.setVarNameNewField(finish.varNameNewField);
    generator.setVarNameNewIndex(finish.varNameNewIndex);
    generator.setVarNameNewRelation(finish.varNameNewRelation);
    generator.setVarNameNewTable(finish.varNameNewTable);
    generator.setVersion(finish.version);
    generator.setLocale(finish.locale);
    generator.setEncrypt(finish.encrypt ? 2 : 0);
    generator.setIncludeRelations(finish.includeRelations);
}

}  // namespace tabulo
