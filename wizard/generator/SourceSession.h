#pragma once
// The source database of the generator: opened through the engine with the
// login the user gave, or handed in by the host; its format version, the
// tables the wizard offers, and a table by name. Its failures carry the
// sources of the generator's members (clsWriteNewDatabase  - DBSource, ...),
// as the generator's callers know them.

#include "wizard/engine/Dao.h"
#include "wizard/engine/SchemaModel.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace tabulo {


class SourceSession {
public:
    // The login; an empty workgroup logs into the engine's default
    // workspace, ignoring the user name and password.
    QString pathNameMDW;
    QString userName;
    QString passwordMDW;
    QString passwordDB;

    const QString &pathName() const { return m_pathName; }
    // Another file than the held database's: the next database() opens it.
    void setPathName(const QString &path);

    // The held database, opened first if none is held; none after the
    // "cannot open" message for a format the engine does not recognise.
    // A login changed since the workspace was opened lets go of both, and a
    // database password changed since the database was opened lets go of the
    // database, so that the engine checks the new one.
    std::shared_ptr<dao::Database> database();
    // Holds a database the host opened; the path becomes its name.
    void setDatabase(std::shared_ptr<dao::Database> database);

    // The major version of the source's format: the first digit of its
    // version (3 for «3.0», «3.5»), 12 for ACE («12.0»).
    qint32 majorVersion();

    // The tables a module can recreate, in catalogue order: neither system
    // objects, linked tables nor "MSys" tables.
    QStringList tableNames();

    // Closes and lets go of the database and the workspace; never fails.
    void close();

private:
    // The login the held workspace was opened with.
    QStringList login() const;
    // Closes and lets go of the database, keeping the workspace.
    void closeDatabase();

    QString m_pathName;
    std::shared_ptr<dao::Workspace> m_workspace;
    QStringList m_workspaceLogin;
    std::shared_ptr<dao::Database> m_database;
    // The database password the held database was opened with.
    QString m_databasePassword;
};

// Finds tables of a design by name, as DAO's TableDefs("name") does:
// letter case does not matter, an exact match wins.
class TableLookup {
public:
    explicit TableLookup(const QList<schema::Table> &tables);

    // Fails with 3265, naming the table and `databaseName`, for a table
    // that is not there.
    const schema::Table &find(const QString &name, const QString &databaseName) const;

private:
    const QList<schema::Table> &m_tables;
    QHash<QString, int> m_exact;
    QHash<QString, int> m_folded;
};

}  // namespace tabulo
