#include "wizard/generator/clsWriteNewDatabase.h"

#include "utility/BasicError.h"
#include "utility/TextHelper.h"
#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/ModelDatabase.h"
#include "wizard/generator/ModuleWriter.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/SourceSession.h"
#include "wizard/generator/StatusRestorer.h"
#include "wizard/generator/sql/SqlScript.h"

#include <QSet>

#include <new>

using pembry::BasicError;
using pembry::raiseError;

namespace tabulo {

namespace {

const QString kFillListSource = QStringLiteral("clsWriteNewDatabase  - FillSourceTablesAvailableList");

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

// Leading "_" dropped with the blanks around them, then every blank
// removed: « _ _sub Make » gives «subMake».
QString normalisedProcPrefix(const QString &text)
{
    qsizetype begin = 0;
    while (begin < text.size() && (text.at(begin) == u' ' || text.at(begin) == u'_'))
        ++begin;
    return textHelper().RemoveAllSpaces(text.mid(begin));
}

// Refuses a negative tab stop or one above kMaxTabStop with error 5.
void checkTabStop(qint16 value)
{
    trapped(QStringLiteral("clsWriteNewDatabase  - TabStop"), [&] {
        if (value < 0)
            raiseError(pembry::err::InvalidCall, QString(),
                       QStringLiteral("TabStop must not be negative (%1).").arg(value));
        if (value > kMaxTabStop)
            raiseError(pembry::err::InvalidCall, QString(), tabStopRefusal(value));
    });
}

}  // namespace

// ---------------------------------------------------------------------------

struct clsWriteNewDatabase::State {
    GeneratorSettings settings;
    QString moduleText;
    QList<LeftOutField> leftOutFields;   // of moduleText
    QStringList sourceWarnings;          // what the source of moduleText lost to damage
    QStringList scriptWarnings;          // what the SQL script in moduleText leaves out
    QStringList queryWarnings;           // what the module in moduleText leaves out of the queries
    qint16 statusBarPanelIndex = 1;
    ProgressDisplay *progressBar = nullptr;
    StatusBarControl *statusBar = nullptr;
    ListControl *sourceTablesAvailableList = nullptr;
    ListControl *sourceTablesChosenList = nullptr;
    ClipboardControl *clipboard = nullptr;
    StatusPanel *statusPanel = nullptr;     // Panels(statusBarPanelIndex) of statusBar

    SourceSession source;

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

const GeneratorSettings &clsWriteNewDatabase::settings() const { return d->settings; }

void clsWriteNewDatabase::setSettings(GeneratorSettings value)
{
    checkTabStop(value.tabStop);
    value.procPrefix = normalisedProcPrefix(value.procPrefix);
    d->settings = std::move(value);
}

bool clsWriteNewDatabase::IncludeRelations() const { return d->settings.includeRelations; }
void clsWriteNewDatabase::setIncludeRelations(bool value) { d->settings.includeRelations = value; }
void clsWriteNewDatabase::setIncludeDatabaseWrapper(bool value) { d->settings.includeDatabaseWrapper = value; }
bool clsWriteNewDatabase::IncludeDatabaseWrapper() const { return d->settings.includeDatabaseWrapper; }
bool clsWriteNewDatabase::IncludeDesignProperties() const { return d->settings.includeDesignProperties; }
void clsWriteNewDatabase::setIncludeDesignProperties(bool value) { d->settings.includeDesignProperties = value; }
qint32 clsWriteNewDatabase::InsertPosition() const { return d->settings.insertPosition; }
void clsWriteNewDatabase::setInsertPosition(qint32 value) { d->settings.insertPosition = value; }
QString clsWriteNewDatabase::ModuleText() const { return d->moduleText; }
QList<LeftOutField> clsWriteNewDatabase::LeftOutFields() const { return d->leftOutFields; }
QStringList clsWriteNewDatabase::SourceWarnings() const { return d->sourceWarnings; }
QStringList clsWriteNewDatabase::ScriptWarnings() const { return d->scriptWarnings; }
QStringList clsWriteNewDatabase::QueryWarnings() const { return d->queryWarnings; }
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

QString clsWriteNewDatabase::VarNameNewIndex() const { return d->settings.varNameNewIndex; }
void clsWriteNewDatabase::setVarNameNewIndex(const QString &value) { d->settings.varNameNewIndex = value; }

QString clsWriteNewDatabase::ProcPrefix() const { return d->settings.procPrefix; }
void clsWriteNewDatabase::setProcPrefix(const QString &value) { d->settings.procPrefix = normalisedProcPrefix(value); }

// The plain text settings, stored as given.
QString clsWriteNewDatabase::VarNameNewField() const { return d->settings.varNameNewField; }
void clsWriteNewDatabase::setVarNameNewField(const QString &value) { d->settings.varNameNewField = value; }
QString clsWriteNewDatabase::VarNameNewRelation() const { return d->settings.varNameNewRelation; }
void clsWriteNewDatabase::setVarNameNewRelation(const QString &value) { d->settings.varNameNewRelation = value; }
QString clsWriteNewDatabase::VarNameNewTable() const { return d->settings.varNameNewTable; }
void clsWriteNewDatabase::setVarNameNewTable(const QString &value) { d->settings.varNameNewTable = value; }
QString clsWriteNewDatabase::VarNameNewDB() const { return d->settings.varNameNewDB; }
void clsWriteNewDatabase::setVarNameNewDB(const QString &value) { d->settings.varNameNewDB = value; }
QString clsWriteNewDatabase::PathNameMDWNew() const { return d->settings.pathNameMDWNew; }
void clsWriteNewDatabase::setPathNameMDWNew(const QString &value) { d->settings.pathNameMDWNew = value; }
QString clsWriteNewDatabase::PasswordMDWSource() const { return d->source.passwordMDW; }
void clsWriteNewDatabase::setPasswordMDWSource(const QString &value) { d->source.passwordMDW = value; }
QString clsWriteNewDatabase::PasswordMDWNew() const { return d->settings.passwordMDWNew; }
void clsWriteNewDatabase::setPasswordMDWNew(const QString &value) { d->settings.passwordMDWNew = value; }
QString clsWriteNewDatabase::UserNameSource() const { return d->source.userName; }
void clsWriteNewDatabase::setUserNameSource(const QString &value) { d->source.userName = value; }
QString clsWriteNewDatabase::UserNameNew() const { return d->settings.userNameNew; }
void clsWriteNewDatabase::setUserNameNew(const QString &value) { d->settings.userNameNew = value; }
QString clsWriteNewDatabase::PathNameMDWSource() const { return d->source.pathNameMDW; }
void clsWriteNewDatabase::setPathNameMDWSource(const QString &value) { d->source.pathNameMDW = value; }
QString clsWriteNewDatabase::PasswordDBSource() const { return d->source.passwordDB; }
void clsWriteNewDatabase::setPasswordDBSource(const QString &value) { d->source.passwordDB = value; }
QString clsWriteNewDatabase::Locale() const { return d->settings.locale; }
void clsWriteNewDatabase::setLocale(const QString &value) { d->settings.locale = value; }
QString clsWriteNewDatabase::PathNameDBNew() const { return d->settings.pathNameDBNew; }
void clsWriteNewDatabase::setPathNameDBNew(const QString &value) { d->settings.pathNameDBNew = value; }
QString clsWriteNewDatabase::PathNameCodeFile() const { return d->settings.pathNameCodeFile; }
void clsWriteNewDatabase::setPathNameCodeFile(const QString &value) { d->settings.pathNameCodeFile = value; }

QString clsWriteNewDatabase::PasswordDBNew() const { return d->settings.passwordDBNew; }
void clsWriteNewDatabase::setPasswordDBNew(const QString &value) { d->settings.passwordDBNew = GeneratorSettings::connectPassword(value); }

qint32 clsWriteNewDatabase::Encrypt() const { return d->settings.encrypt; }
void clsWriteNewDatabase::setEncrypt(qint32 value) { d->settings.encrypt = value; }

void clsWriteNewDatabase::setTabStop(qint16 value)
{
    checkTabStop(value);
    d->settings.tabStop = value;
}
QString clsWriteNewDatabase::IndentUnit() const { return d->settings.indentUnit(); }

qint32 clsWriteNewDatabase::Version() const { return d->settings.version; }
void clsWriteNewDatabase::setVersion(qint32 value) { d->settings.version = value; }

QString clsWriteNewDatabase::PathNameDBSource() const { return d->source.pathName(); }
void clsWriteNewDatabase::setPathNameDBSource(const QString &value) { d->source.setPathName(value); }

ListControl *clsWriteNewDatabase::SourceTablesAvailableList() const { return d->sourceTablesAvailableList; }
void clsWriteNewDatabase::setSourceTablesAvailableList(ListControl *value) { d->sourceTablesAvailableList = value; }
ListControl *clsWriteNewDatabase::SourceTablesChosenList() const { return d->sourceTablesChosenList; }
void clsWriteNewDatabase::setSourceTablesChosenList(ListControl *value) { d->sourceTablesChosenList = value; }

void clsWriteNewDatabase::setClipboard(ClipboardControl *value) { d->clipboard = value; }

// --- Source database session ----------------------------------------------

std::shared_ptr<dao::Database> clsWriteNewDatabase::DBSource()
{
    return d->source.database();
}

void clsWriteNewDatabase::setDBSource(std::shared_ptr<dao::Database> database)
{
    trapped(QStringLiteral("clsWriteNewDatabase:DBSource"), [&] { d->source.setDatabase(std::move(database)); });
}

qint32 clsWriteNewDatabase::DBSourceVersion() { return d->source.majorVersion(); }

template <class Body>
auto clsWriteNewDatabase::listing(Body &&body) -> decltype(body())
{
    StatusPanel *panel = d->statusPanel;
    StatusRestorer status(panel, d->progressBar);
    try {
        if (panel) {
            status.save();
            panel->setText(QStringLiteral("Retrieving list of tables in source database"));
        }
        auto result = body();
        status.finish(false);
        return result;
    } catch (...) {
        const BasicError e = asBasicError(std::current_exception());
        if (e.number() == dao::errors::NotValidDbPassword)
            throw BasicError(e.number(), kFillListSource, e.description());
        throw e.withSource(kFillListSource);
    }
}

bool clsWriteNewDatabase::FillSourceTablesAvailableList()
{
    return listing([&] {
        ListControl *list = d->sourceTablesAvailableList;
        if (!list)
            raiseError(pembry::err::ObjectNotSet, QString());
        list->Clear();
        for (const QString &name : d->source.tableNames())
            list->AddItem(name);
        return false;
    });
}

QStringList clsWriteNewDatabase::SourceTableNames()
{
    return listing([&] { return d->source.tableNames(); });
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

void clsWriteNewDatabase::CloseSourceDBandMDW() { d->source.close(); }

// --- Generation -------------------------------------------------------------

bool clsWriteNewDatabase::WriteTableCreationCode()
{
    return writeCode([this] {
        const ListControl *chosen = d->sourceTablesChosenList;
        if (!chosen)
            raiseError(pembry::err::ObjectNotSet, QString());
        QStringList names;
        for (int k = 0; k < chosen->ListCount(); ++k)
            names.append(chosen->List(k));
        return names;
    });
}

bool clsWriteNewDatabase::WriteTableCreationCode(const QStringList &chosen)
{
    return writeCode([&chosen] { return chosen; });
}

bool clsWriteNewDatabase::writeCode(const std::function<QStringList()> &chosenNames)
{
    // The panel's text as the run found it, put back at the end, also after
    // a failure.
    ProgressDisplay *progress = d->progressBar;
    StatusRestorer status(d->statusPanel, progress);
    try {
        status.save();

        ModuleWriter writer(d->settings);
        writer.begin();
        // The same module again is the likeliest run.
        writer.expectLength(d->moduleText.size());

        const QStringList chosen = chosenNames();
        const int tableCount = int(chosen.size());
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
        if (!d->settings.sqlDialect.isEmpty()) {
            writeScript(*database, chosen);
            status.finish(true);
            return true;
        }
        database->TableDefs().Refresh();
        const schema::Database design = dao::designOf(
            *database, {d->settings.includeDesignProperties, d->settings.includeRelations});
        const TableLookup lookup(design.tables);
        ModuleSource source{{}, chosen, design.relations, isReplica(design), design.queries};
        source.tables.reserve(tableCount);
        for (const QString &name : chosen)
            source.tables.append(&lookup.find(name, design.name));

        const QString text = writer.write(source, [&](int written) {
            if (written < tableCount) {
                if (progress)
                    progress->setValue(written + 1);
                d->showStatus(QStringLiteral("Analyzing Table: ") + chosen[written]);
                return;
            }
            if (d->settings.includeRelations)
                d->showStatus(QStringLiteral("Analyzing Relationships"));
            if (d->settings.includeQueries)
                d->showStatus(QStringLiteral("Analyzing Queries"));
            d->showStatus(QStringLiteral("Writing Code ..."));
        });
        ModuleDelivery(d->settings, d->clipboard).deliver(text);

        status.finish(true);
        d->moduleText = text;
        d->scriptWarnings.clear();
        d->queryWarnings = writer.queryWarnings();
        d->leftOutFields = writer.leftOutFields();
        d->sourceWarnings = design.warnings;
        return true;
    } catch (...) {
        const BasicError e = asBasicError(std::current_exception());
        if (e.number() == dao::errors::NoPermission || e.number() == dao::errors::NoReadDefinitions)
            throw BasicError(dao::errors::NoPermission, kRunErrorSource, e.description(), e.helpFile(),
                             e.helpContext());
        throw e.withSource(kRunErrorSource);
    }
}

void clsWriteNewDatabase::writeScript(dao::Database &database, const QStringList &chosen)
{
    const std::optional<sql::Dialect> dialect = sql::dialectNamed(d->settings.sqlDialect);
    if (!dialect)
        raiseError(pembry::err::InvalidPropertyValue, QString(),
                   QStringLiteral("\"%1\" is no SQL dialect: write for sqlite, postgresql or mysql.")
                       .arg(d->settings.sqlDialect));
    const schema::Database design = dao::designOf(database, {true, d->settings.includeRelations});
    d->showStatus(QStringLiteral("Writing SQL ..."));
    sql::Script script = sql::writeScript(
        design, chosen, {*dialect, d->settings.includeRelations, d->settings.lowercaseNames});
    ModuleDelivery(d->settings, d->clipboard).deliver(script.text);
    d->moduleText = std::move(script.text);
    d->scriptWarnings = std::move(script.warnings);
    d->queryWarnings.clear();
    d->leftOutFields.clear();
    d->sourceWarnings = design.warnings;
}

clsWriteNewDatabase &gobjWriteNewDatabase()
{
    static clsWriteNewDatabase instance;
    return instance;
}

}  // namespace tabulo
