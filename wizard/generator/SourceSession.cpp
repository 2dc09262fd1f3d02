#include "wizard/generator/SourceSession.h"

#include "utility/BasicError.h"
#include "utility/MessageService.h"
#include "utility/OS32Helper.h"
#include "wizard/engine/EngineErrors.h"
#include "wizard/engine/JetFileReader.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/generator/SharedHelpers.h"
#include "wizard/generator/UiInterfaces.h"

#include <QLocale>

#include <cmath>

using pembry::BasicError;
using pembry::raiseError;

namespace tabulo {

namespace {

const QString kDBSourceSource = QStringLiteral("clsWriteNewDatabase  - DBSource");

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

// The major version of a version text: the whole number's first digit
// («4.0» gives 4, «3.5» 3), but 12 for ACE's «12.0».
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
    const qint64 whole = qint64(value);
    if (whole == 12)
        return 12;
    return QString::number(whole).at(0).digitValue();
}

// The message for a file the engine does not recognise. An older build
// points to the build that opens newer files (the ACE build for an ACE file
// at `path`); the ACE build reads every format there is.
QString cannotOpenAdvice(const QString &path)
{
    if (wizardBuild().jetVersion < 40) {
        if (dao::isAceDatabaseFile(path))
            return QStringLiteral("This version of Tabulo reads the databases of Access 97 and earlier "
                                  "(Jet 3.5 and before); the ACE 12.0 version of Tabulo opens the databases of "
                                  "Access 2007 and later (.accdb).");
        return QStringLiteral("Please rerun Tabulo setup and ensure that you install the Jet 4.0 version.");
    }
    if (!opensAce())
        return QStringLiteral("This version of Tabulo reads the databases of Access 2003 and earlier "
                              "(Jet 4.0 and before); the ACE 12.0 version of Tabulo opens the databases of "
                              "Access 2007 and later (.accdb).");
    return QStringLiteral("This version of Tabulo reads the databases of Access 95 and later "
                          "(Jet 3.0, Jet 4.0 and ACE).");
}

void showCannotOpen(const QString &path)
{
    const QString advice = cannotOpenAdvice(path);
    pembry::MsgBox(QStringLiteral("Tabulo cannot open the database you selected.") + u'<' + path
                       + QStringLiteral(">\r\n\r\nIt is either a corrupt database, or it was created by a "
                                        "version of Access not recognized by this version of Tabulo.\r\n")
                       + advice,
                   pembry::mb::OKOnly, libraryTitle());
}

}  // namespace

void SourceSession::setPathName(const QString &path)
{
    if (path != m_pathName)
        m_database.reset();
    m_pathName = path;
}

QStringList SourceSession::login() const
{
    // Without a workgroup the default workspace ignores the user and password.
    if (pathNameMDW.isEmpty())
        return {};
    return {pathNameMDW, userName, passwordMDW};
}

std::shared_ptr<dao::Database> SourceSession::database()
{
    if (m_workspace && login() != m_workspaceLogin)
        close();
    if (m_database && passwordDB != m_databasePassword)
        closeDatabase();
    if (m_database)
        return m_database;
    const QString path = m_pathName;
    try {
        if (path.isEmpty()) {
            m_database.reset();
            raiseError(pembry::err::InvalidCall, QString(), QStringLiteral("No source database is named."));
        }
        if (!os32Helper().IsValidFilePath(path)) {
            m_database.reset();
            if (QString folder = path; os32Helper().IsValidFolder(folder))
                raiseError(pembry::err::InvalidCall, QString(),
                           QStringLiteral("The source database \"%1\" is a folder, not a database file.").arg(path));
            raiseError(pembry::err::InvalidCall, QString(),
                       QStringLiteral("The source database \"%1\" cannot be opened for reading.").arg(path));
        }
        dao::DBEngine &engine = dao::dbEngine();
        if (!m_workspace) {
            if (pathNameMDW.isEmpty()) {
                m_workspace = engine.Workspaces(0);
            } else {
                engine.setSystemDB(pathNameMDW);
                m_workspace = engine.CreateWorkspace(QStringLiteral("temp"), userName, passwordMDW);
            }
            m_workspaceLogin = login();
        }
        m_database = m_workspace->OpenDatabase(path, false, true, QStringLiteral(";pwd=") + passwordDB);
        m_databasePassword = passwordDB;
        return m_database;
    } catch (const BasicError &e) {
        switch (e.number()) {
        case dao::errors::NotValidDbPassword:
            throw BasicError(dao::errors::NotValidDbPassword, kDBSourceSource,
                             QStringLiteral("Not a valid password: the database password of \"%1\" is wrong or missing.")
                                 .arg(path));
        case dao::errors::FormatNotRecognised:
            showCannotOpen(path);
            return nullptr;
        default:
            throw e.withSource(kDBSourceSource);
        }
    }
}

void SourceSession::setDatabase(std::shared_ptr<dao::Database> database)
{
    m_database = std::move(database);
    // Stored directly: the held database must not be let go of.
    if (m_database)
        m_pathName = m_database->Name();
    m_databasePassword = passwordDB;
}

qint32 SourceSession::majorVersion()
{
    const std::shared_ptr<dao::Database> source = database();
    if (!source)
        raiseError(pembry::err::ObjectNotSet, QStringLiteral("clsWriteNewDatabase:DBSourceVersion"));
    return majorVersionDigit(source->Version());
}

QStringList SourceSession::tableNames()
{
    QStringList names;
    const std::shared_ptr<dao::Database> source = database();
    if (!source)
        raiseError(pembry::err::ObjectNotSet, QString());
    const dao::TableDefs &tables = source->TableDefs();
    const int count = tables.Count();
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<dao::TableDef> table = tables.Item(i);
        if (isSystemOrLinked(table->Attributes()))
            continue;
        const QString name = table->Name();
        if (name.startsWith(QLatin1String("MSys"), Qt::CaseSensitive))
            continue;
        names.append(name);
    }
    return names;
}

void SourceSession::closeDatabase()
{
    // A database owned by the host may refuse to close.
    try {
        if (m_database)
            m_database->Close();
    } catch (...) {
    }
    m_database.reset();
}

void SourceSession::close()
{
    // Each step runs even when an earlier one failed; the engine's default
    // workspace may refuse to close.
    closeDatabase();
    try {
        if (m_workspace)
            m_workspace->Close();
    } catch (...) {
    }
    m_workspace.reset();
}

TableLookup::TableLookup(const QList<schema::Table> &tables) : m_tables(tables)
{
    const int count = int(tables.size());
    m_exact.reserve(count);
    m_folded.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString &name = tables[i].name;
        m_exact.insert(name, i);
        m_folded.insert(name.toCaseFolded(), i);
    }
}

const schema::Table &TableLookup::find(const QString &name, const QString &databaseName) const
{
    int index = m_exact.value(name, -1);
    if (index < 0)
        index = m_folded.value(name.toCaseFolded(), -1);
    if (index < 0)
        raiseError(dao::errors::ItemNotFound, QString(),
                   QStringLiteral("The table \"%1\" is not in the source database \"%2\".").arg(name, databaseName));
    return m_tables[index];
}

}  // namespace tabulo
