#include "utility/internal/RegistryConnection.h"

#include "utility/internal/RegistryCallResult.h"
#include "utility/internal/RegistryLockWait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>

#include <atomic>
#include <filesystem>

namespace pembry::registry::store {

namespace {

// Format 2 added keys.changes; format 1 stores carried no application_id.
constexpr int kSchemaVersion = 2;
constexpr int kApplicationId = 0x50333152;   // "P31R" at offset 68 of the file

std::atomic<quint64> g_connectionCounter{0};

// The predefined roots' rows, with the ids rootId() gives.
struct RootName {
    qint64 id;
    const char *name;
};
constexpr RootName kRoots[] = {
    {1, "HKEY_CLASSES_ROOT"}, {2, "HKEY_CURRENT_USER"}, {3, "HKEY_LOCAL_MACHINE"},
    {4, "HKEY_USERS"},        {6, "HKEY_CURRENT_CONFIG"}, {7, "HKEY_DYN_DATA"},
};

// A store is a regular file or a name not yet taken. SQLite must never open
// a device, a FIFO or a folder: it would wait on it for ever, or make its
// journal beside it.
qint32 checkStorePath(const QString &path)
{
    namespace fs = std::filesystem;
    const fs::path p(QFile::encodeName(path).toStdString());
    std::error_code error;
    const fs::file_status status = fs::status(p, error);
    if (status.type() == fs::file_type::not_found) {
        if (!fs::is_symlink(fs::symlink_status(p, error)))
            return ERROR_SUCCESS;
        return fail(ERROR_BADDB, QStringLiteral("registry file %1: it is not a regular file but a link to nothing").arg(path));
    }
    if (error)
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("registry file %1: %2").arg(path, QString::fromStdString(error.message())));
    if (!fs::is_regular_file(status))
        return fail(ERROR_BADDB, QStringLiteral("registry file %1: it is not a regular file").arg(path));
    return ERROR_SUCCESS;
}

}  // namespace

// What a file says about itself: its mark, its format and the shape of the
// store's tables and indexes, if it has them.
struct StoreMark {
    qint64 applicationId = 0;
    int version = 0;
    int objects = 0;         // tables and indexes of any kind
    QString keyColumns;
    QString valueColumns;
    int indexes = 0;         // the store's two unique indexes

    bool isEmpty() const { return applicationId == 0 && version == 0 && objects == 0; }
    bool hasTables(bool withChanges) const
    {
        return keyColumns == (withChanges ? QLatin1String("id,parent,name,fold,class,written,changes")
                                          : QLatin1String("id,parent,name,fold,class,written"))
               && valueColumns == QLatin1String("id,key,name,fold,type,data") && indexes == 2;
    }
    bool isCurrent() const { return applicationId == kApplicationId && version == kSchemaVersion && hasTables(true); }
    // A store of format 1, made before stores carried their mark.
    bool isFormatOne() const { return applicationId == 0 && version == 1 && hasTables(false); }
};

Connection::Connection(HandleState *state)
    : m_path(state ? state->path : storeFilePath())   // a handle stays with its file
{
    if (state && state->thread == QThread::currentThread()) {
        m_state = state;
        if (!state->connectionName.isEmpty()) {
            m_name = state->connectionName;
            m_db = QSqlDatabase::database(m_name, false);
            m_kept = true;
            return;
        }
    }
    m_name = QStringLiteral("pembry31-registry-%1").arg(++g_connectionCounter);
    m_status = open();
    if (m_state && m_status == ERROR_SUCCESS) {
        m_state->connectionName = m_name;
        m_kept = true;
    }
    if (!m_kept)
        m_state = nullptr;
}

Connection::~Connection()
{
    if (m_inTransaction) {
        QSqlQuery rollback(m_db);
        rollback.exec(QStringLiteral("ROLLBACK"));
    }
    if (m_kept) {
        m_db = QSqlDatabase();
        return;
    }
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlQuery Connection::query(const QString &sql)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(sql);
    return q;
}

qint32 Connection::exec(QSqlQuery &q)
{
    if (q.exec())
        return ERROR_SUCCESS;
    return sqlFailure(q.lastError());
}

qint32 Connection::run(const QString &sql)
{
    QSqlQuery q(m_db);
    if (q.exec(sql))
        return ERROR_SUCCESS;
    return sqlFailure(q.lastError());
}

qint32 Connection::beginWrite()
{
    LockWait::beforeWrite();
    return begin(QStringLiteral("BEGIN IMMEDIATE"));
}

qint32 Connection::beginRead()
{
    return begin(QStringLiteral("BEGIN"));
}

qint32 Connection::commit()
{
    const qint32 rc = run(QStringLiteral("COMMIT"));
    if (rc == ERROR_SUCCESS)
        m_inTransaction = false;
    return rc;
}

qint32 Connection::begin(const QString &sql)
{
    const qint32 rc = run(sql);
    m_inTransaction = rc == ERROR_SUCCESS;
    return rc;
}

qint32 Connection::sqlFailure(const QSqlError &e)
{
    const int native = e.nativeErrorCode().toInt();
    qint32 code = ERROR_REGISTRY_IO_FAILED;
    QString problem = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    switch (native & 0xFF) {
    case 5:   // SQLITE_BUSY
    case 6:   // SQLITE_LOCKED
        code = ERROR_LOCK_VIOLATION;
        problem = QStringLiteral("it stayed locked by another process");
        break;
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        code = ERROR_REGISTRY_CORRUPT;
        problem = QStringLiteral("it is damaged or not a registry file (%1)").arg(problem);
        break;
    case 3:   // SQLITE_PERM
    case 8:   // SQLITE_READONLY
    case 23:  // SQLITE_AUTH
        code = ERROR_ACCESS_DENIED;
        break;
    case 13:  // SQLITE_FULL
        code = ERROR_DISK_FULL;
        break;
    default:
        break;
    }
    return fail(code, QStringLiteral("registry file %1: %2").arg(m_path, problem));
}

qint32 Connection::open()
{
    if (const qint32 rc = checkStorePath(m_path))
        return rc;
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        return fail(ERROR_REGISTRY_IO_FAILED,
                    QStringLiteral("registry file %1: cannot make its folder").arg(m_path));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(m_path);
    // The driver's own wait, for when the fair wait below cannot be set.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(LockWait::timeoutMs()));
    if (!m_db.open())
        return sqlFailure(m_db.lastError());
    const QVariant handle = m_db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return fail(ERROR_REGISTRY_IO_FAILED, QStringLiteral("registry file %1: the SQLite driver gives no handle").arg(m_path));
    LockWait::attach(*static_cast<sqlite3 *const *>(handle.constData()));
    if (const qint32 rc = run(QStringLiteral("PRAGMA foreign_keys = ON")))
        return rc;
    if (const qint32 rc = recognise())
        return rc;
    // Readers never wait for a writer, a commit writes one file, and a
    // commit is on the disk before the call returns.
    if (const qint32 rc = run(QStringLiteral("PRAGMA journal_mode = WAL")))
        return rc;
    return run(QStringLiteral("PRAGMA synchronous = FULL"));
}

qint32 Connection::readMark(StoreMark *mark)
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral(
            "SELECT (SELECT application_id FROM pragma_application_id),"
            " (SELECT user_version FROM pragma_user_version),"
            " (SELECT COUNT(*) FROM sqlite_master),"
            " (SELECT group_concat(name) FROM (SELECT name FROM pragma_table_info('keys') ORDER BY cid)),"
            " (SELECT group_concat(name) FROM (SELECT name FROM pragma_table_info('key_values') ORDER BY cid)),"
            " (SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"
            "   AND ((name = 'keys_by_parent' AND tbl_name = 'keys')"
            "     OR (name = 'values_by_key' AND tbl_name = 'key_values')))")))
        return sqlFailure(q.lastError());
    if (!q.next())
        return sqlFailure(q.lastError());
    mark->applicationId = q.value(0).toLongLong();
    mark->version = q.value(1).toInt();
    mark->objects = q.value(2).toInt();
    mark->keyColumns = q.value(3).toString();
    mark->valueColumns = q.value(4).toString();
    mark->indexes = q.value(5).toInt();
    return ERROR_SUCCESS;
}

qint32 Connection::notAStore(const StoreMark &mark)
{
    if (mark.applicationId == kApplicationId && mark.version > kSchemaVersion)
        return fail(ERROR_BADDB, QStringLiteral("registry file %1: it is a registry store of a newer format (%2)")
                                     .arg(m_path).arg(mark.version));
    if (mark.applicationId == kApplicationId)
        return fail(ERROR_REGISTRY_CORRUPT,
                    QStringLiteral("registry file %1: it is marked as a registry store but its tables are damaged").arg(m_path));
    return fail(ERROR_BADDB, QStringLiteral("registry file %1: not a registry store (it is another program's database)").arg(m_path));
}

// Takes the file as a store when it carries the store's mark and tables.
// An empty file becomes a store; a store of format 1 (the same tables,
// made before stores carried a mark) is brought up to date and marked.
// Anything else is refused and left as it is.
qint32 Connection::recognise()
{
    StoreMark mark;
    if (const qint32 rc = readMark(&mark))
        return rc;
    if (mark.isCurrent())
        return ERROR_SUCCESS;
    if (!mark.isEmpty() && !mark.isFormatOne())
        return notAStore(mark);
    // Look again under the write lock: another process may be doing the same.
    if (const qint32 rc = beginWrite())
        return rc;
    if (const qint32 rc = readMark(&mark))
        return rc;
    if (mark.isCurrent())
        return commit();
    if (mark.isEmpty()) {
        if (const qint32 rc = createTables())
            return rc;
    } else if (mark.isFormatOne()) {
        if (const qint32 rc = run(QStringLiteral("ALTER TABLE keys ADD COLUMN changes INTEGER NOT NULL DEFAULT 0")))
            return rc;
    } else {
        return notAStore(mark);
    }
    if (const qint32 rc = run(QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId)))
        return rc;
    if (const qint32 rc = run(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)))
        return rc;
    return commit();
}

qint32 Connection::createTables()
{
    const QString statements[] = {
        // Key ids are never reused, so a handle to a deleted key can
        // never reach a key made later. changes counts every change to
        // what the key lists: its values, its sub-keys and their classes
        // and write times.
        QStringLiteral("CREATE TABLE keys ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL,"
                       " fold TEXT NOT NULL,"
                       " class TEXT NOT NULL DEFAULT '',"
                       " written INTEGER NOT NULL DEFAULT 0,"
                       " changes INTEGER NOT NULL DEFAULT 0)"),
        QStringLiteral("CREATE UNIQUE INDEX keys_by_parent ON keys(parent, fold)"),
        QStringLiteral("CREATE TABLE key_values ("
                       " id INTEGER PRIMARY KEY,"
                       " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
                       " name TEXT NOT NULL,"
                       " fold TEXT NOT NULL,"
                       " type INTEGER NOT NULL,"
                       " data BLOB NOT NULL)"),
        QStringLiteral("CREATE UNIQUE INDEX values_by_key ON key_values(key, fold)"),
    };
    for (const QString &s : statements)
        if (const qint32 rc = run(s))
            return rc;
    for (const RootName &r : kRoots) {
        QSqlQuery q = query(QStringLiteral("INSERT INTO keys(id, parent, name, fold) VALUES (?, NULL, ?, ?)"));
        q.addBindValue(r.id);
        q.addBindValue(QString::fromLatin1(r.name));
        q.addBindValue(QString::fromLatin1(r.name));
        if (const qint32 rc = exec(q))
            return rc;
    }
    return ERROR_SUCCESS;
}

}  // namespace pembry::registry::store
