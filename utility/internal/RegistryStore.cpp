#include "utility/internal/RegistryStore.h"

#include "utility/internal/RegistryTextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace pembry::registry {

namespace {

// Format 2 added keys.changes; format 1 stores carried no application_id.
constexpr int kSchemaVersion = 2;
constexpr int kApplicationId = 0x50333152;   // "P31R" at offset 68 of the file
constexpr int kMaxKeyNameLength = 255;
constexpr int kMaxValueNameLength = 16383;
constexpr int kMaxDepth = 512;

std::atomic<int> g_busyTimeoutMs{10000};
std::atomic<bool> g_lastOpenWaitsFairly{false};
std::atomic<quint64> g_connectionCounter{0};
std::atomic<quint64> g_listingReads{0};
thread_local QString t_lastError;

// A QString bound as a parameter; a null one would be stored as SQL NULL,
// so the empty name of a default value is bound as "".
QString text(const QString &s)
{
    return s.isNull() ? QString("") : s;
}

QString fold(const QString &name)
{
    return text(foldName(name));
}

qint64 rootId(HKEY key)
{
    switch (key) {
    case HKEY_CLASSES_ROOT: return 1;
    case HKEY_CURRENT_USER: return 2;
    case HKEY_LOCAL_MACHINE: return 3;
    case HKEY_USERS: return 4;
    case HKEY_CURRENT_CONFIG: return 6;
    case HKEY_DYN_DATA: return 7;
    default: return 0;
    }
}

struct RootName {
    qint64 id;
    const char *name;
};
constexpr RootName kRoots[] = {
    {1, "HKEY_CLASSES_ROOT"}, {2, "HKEY_CURRENT_USER"}, {3, "HKEY_LOCAL_MACHINE"},
    {4, "HKEY_USERS"},        {6, "HKEY_CURRENT_CONFIG"}, {7, "HKEY_DYN_DATA"},
};

// One row of an enumeration snapshot.
struct ListedItem {
    QString name;
    quint32 type = 0;       // values
    QByteArray data;        // values
    QString className;      // sub-keys
    qint64 written = 0;     // sub-keys
};

// A handle's enumeration, kept while its key's change counter stays the same,
// so that walking a key's values or sub-keys by index reads the key once, not
// once per index, however much the rest of the store changes meanwhile.
struct Snapshot {
    bool valid = false;
    qint64 changes = 0;
    QList<ListedItem> items;
};

// What an opened handle keeps between calls: the connection it opened on its
// first call (used from the thread that opened it) and its snapshots.
struct HandleState {
    QThread *thread = nullptr;
    QString path;
    QString connectionName;
    Snapshot values;
    Snapshot subKeys;
};

// What a handle refers to.
struct Target {
    qint64 id = 0;
    REGSAM access = 0;
    bool isRoot = false;
    std::shared_ptr<HandleState> state;   // null for the predefined roots
};

class HandleTable {
public:
    HKEY add(Target t, const QString &path)
    {
        t.state = std::make_shared<HandleState>();
        t.state->thread = QThread::currentThread();
        t.state->path = path;
        QMutexLocker lock(&m_mutex);
        m_next += 4;
        m_handles.insert(m_next, t);
        return m_next;
    }
    std::optional<Target> find(HKEY h)
    {
        QMutexLocker lock(&m_mutex);
        const auto it = m_handles.constFind(h);
        if (it == m_handles.constEnd())
            return std::nullopt;
        return *it;
    }
    std::optional<Target> take(HKEY h)
    {
        QMutexLocker lock(&m_mutex);
        const auto it = m_handles.find(h);
        if (it == m_handles.end())
            return std::nullopt;
        Target t = *it;
        m_handles.erase(it);
        return t;
    }

private:
    QMutex m_mutex;
    QHash<HKEY, Target> m_handles;
    HKEY m_next = 0x1000;
};

HandleTable &handles()
{
    static HandleTable table;
    return table;
}

qint32 fail(qint32 code, const QString &text)
{
    t_lastError = text;
    return code;
}

qint32 succeed()
{
    t_lastError.clear();
    return ERROR_SUCCESS;
}

qint32 resolve(HKEY key, Target *target)
{
    if (const qint64 id = rootId(key)) {
        *target = Target{id, KEY_ALL_ACCESS, true, {}};
        return ERROR_SUCCESS;
    }
    if (const auto t = handles().find(key)) {
        *target = *t;
        return ERROR_SUCCESS;
    }
    return fail(ERROR_INVALID_HANDLE, QStringLiteral("registry handle %1 is not open").arg(key));
}

bool validName(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxKeyNameLength)
        return false;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

// Splits "A\B\C" into its names; one trailing backslash is allowed.
qint32 splitPath(const QString &path, QStringList *parts)
{
    parts->clear();
    QString p = path;
    if (p.endsWith(u'\\'))
        p.chop(1);
    if (p.isEmpty())
        return ERROR_SUCCESS;
    const QStringList names = p.split(u'\\');
    for (const QString &n : names)
        if (!validName(n))
            return fail(ERROR_BADKEY, QStringLiteral("\"%1\" is not a valid registry key path").arg(path));
    *parts = names;
    return ERROR_SUCCESS;
}

// Waiting for another process's write lock. SQLite's own busy timeout
// sleeps longer and longer (up to 100 ms at a time), so a caller that has
// waited long sleeps through the moments the lock is free while newcomers
// take it; and a process writing in a loop takes the lock again the moment
// it let it go. Here every pause is short and random, shorter the longer the
// caller has waited, so the longest waiter is the likeliest to get the lock
// next; and a thread that had to wait lately steps aside for a moment before
// its next write, so the others find the lock free. The wait ends after the
// busy timeout.
class LockWait {
public:
    // SQLite's busy handler: 0 gives up.
    static int onBusy(void *, int attempt)
    {
        if (attempt == 0)
            t_since.start();
        t_lastWait.start();
        const qint64 waited = t_since.elapsed();
        if (waited >= g_busyTimeoutMs.load())
            return 0;
        pause(waited < 20 ? 2000 : waited < 100 ? 1000 : 300);
        return 1;
    }

    static void beforeWrite()
    {
        if (t_lastWait.isValid() && t_lastWait.elapsed() < 500)
            pause(800);
    }

private:
    static void pause(int longestMicroseconds)
    {
        QThread::usleep(QRandomGenerator::global()->bounded(longestMicroseconds / 4, longestMicroseconds));
    }

    static thread_local QElapsedTimer t_since;
    static thread_local QElapsedTimer t_lastWait;
};
thread_local QElapsedTimer LockWait::t_since;
thread_local QElapsedTimer LockWait::t_lastWait;

// SQLite's sqlite3_busy_handler, from the SQLite library Qt's driver has
// loaded: the library links no SQLite of its own, so that programs that
// never touch the registry do not load it. Null when the driver did not
// load the system library (a driver with SQLite built in): the driver's
// own busy timeout then stands.
using BusyHandlerSetter = decltype(&sqlite3_busy_handler);
BusyHandlerSetter busyHandlerSetter()
{
    void *library = dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD);
    return library ? reinterpret_cast<BusyHandlerSetter>(dlsym(library, "sqlite3_busy_handler")) : nullptr;
}

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

// A connection to the store file for one call: the calling handle's own
// connection when the handle has one on this thread (opened on its first
// call, closed with the handle), else one opened for this call alone.
class Connection {
public:
    explicit Connection(HandleState *state = nullptr)
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
    ~Connection()
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

    // The handle state whose connection this is (null for a one-call one).
    HandleState *state() const { return m_state; }

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    qint32 status() const { return m_status; }
    const QString &path() const { return m_path; }

    QSqlQuery query(const QString &sql)
    {
        QSqlQuery q(m_db);
        q.setForwardOnly(true);
        q.prepare(sql);
        return q;
    }

    // Runs a prepared query; a failure becomes a Windows code.
    qint32 exec(QSqlQuery &q)
    {
        if (q.exec())
            return ERROR_SUCCESS;
        return sqlFailure(q.lastError());
    }

    qint32 run(const QString &sql)
    {
        QSqlQuery q(m_db);
        if (q.exec(sql))
            return ERROR_SUCCESS;
        return sqlFailure(q.lastError());
    }

    // Takes the write lock at once, so two writers queue instead of failing.
    qint32 beginWrite()
    {
        LockWait::beforeWrite();
        return begin(QStringLiteral("BEGIN IMMEDIATE"));
    }
    qint32 beginRead() { return begin(QStringLiteral("BEGIN")); }
    qint32 commit()
    {
        const qint32 rc = run(QStringLiteral("COMMIT"));
        if (rc == ERROR_SUCCESS)
            m_inTransaction = false;
        return rc;
    }

private:
    qint32 begin(const QString &sql)
    {
        const qint32 rc = run(sql);
        m_inTransaction = rc == ERROR_SUCCESS;
        return rc;
    }

    qint32 sqlFailure(const QSqlError &e)
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

    qint32 open()
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
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_busyTimeoutMs.load()));
        if (!m_db.open())
            return sqlFailure(m_db.lastError());
        const QVariant handle = m_db.driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return fail(ERROR_REGISTRY_IO_FAILED, QStringLiteral("registry file %1: the SQLite driver gives no handle").arg(m_path));
        static const BusyHandlerSetter setBusyHandler = busyHandlerSetter();
        if (setBusyHandler)
            setBusyHandler(*static_cast<sqlite3 *const *>(handle.constData()), LockWait::onBusy, nullptr);
        g_lastOpenWaitsFairly = setBusyHandler != nullptr;
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

    qint32 readMark(StoreMark *mark)
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

    qint32 notAStore(const StoreMark &mark)
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
    qint32 recognise()
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

    qint32 createTables()
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

    QString m_name;
    QString m_path;
    QSqlDatabase m_db;
    qint32 m_status = ERROR_SUCCESS;
    bool m_inTransaction = false;
    bool m_kept = false;
    HandleState *m_state = nullptr;
};

qint64 nowStamp()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Checks that an opened handle's key still exists, and reads its change
// counter (0 for a root, whose listings are never kept).
qint32 checkExists(Connection &c, const Target &t, qint64 *changes)
{
    *changes = 0;
    if (t.isRoot)
        return ERROR_SUCCESS;
    QSqlQuery q = c.query(QStringLiteral("SELECT changes FROM keys WHERE id = ?"));
    q.addBindValue(t.id);
    if (const qint32 rc = c.exec(q))
        return rc;
    if (!q.next())
        return fail(ERROR_KEY_DELETED, QStringLiteral("the registry key of this handle was deleted"));
    *changes = q.value(0).toLongLong();
    return ERROR_SUCCESS;
}

// Counts a change to what the key lists (its values or sub-keys).
qint32 countChange(Connection &c, qint64 id)
{
    QSqlQuery q = c.query(QStringLiteral("UPDATE keys SET changes = changes + 1 WHERE id = ?"));
    q.addBindValue(id);
    return c.exec(q);
}

qint32 countChangeOfParent(Connection &c, qint64 id)
{
    QSqlQuery q = c.query(QStringLiteral("UPDATE keys SET changes = changes + 1 WHERE id = (SELECT parent FROM keys WHERE id = ?)"));
    q.addBindValue(id);
    return c.exec(q);
}

qint32 findChild(Connection &c, qint64 parent, const QString &name, qint64 *id)
{
    QSqlQuery q = c.query(QStringLiteral("SELECT id FROM keys WHERE parent = ? AND fold = ?"));
    q.addBindValue(parent);
    q.addBindValue(fold(name));
    if (const qint32 rc = c.exec(q))
        return rc;
    *id = q.next() ? q.value(0).toLongLong() : 0;
    return ERROR_SUCCESS;
}

qint32 lookup(Connection &c, qint64 start, const QStringList &parts, const QString &path, qint64 *id)
{
    qint64 current = start;
    for (const QString &name : parts) {
        if (const qint32 rc = findChild(c, current, name, &current))
            return rc;
        if (current == 0)
            return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("registry key \"%1\" does not exist").arg(path));
    }
    *id = current;
    return ERROR_SUCCESS;
}

// Levels below the root: 0 for a root key.
qint32 depthOf(Connection &c, qint64 id, int *depth)
{
    QSqlQuery q = c.query(QStringLiteral(
        "WITH RECURSIVE up(id, parent) AS ("
        " SELECT id, parent FROM keys WHERE id = ?"
        " UNION ALL SELECT k.id, k.parent FROM keys k JOIN up ON k.id = up.parent)"
        " SELECT COUNT(*) FROM up"));
    q.addBindValue(id);
    if (const qint32 rc = c.exec(q))
        return rc;
    *depth = q.next() ? q.value(0).toInt() - 1 : 0;
    return ERROR_SUCCESS;
}

qint32 fullPath(Connection &c, qint64 id, QString *path)
{
    QStringList names;
    qint64 current = id;
    while (current != 0) {
        QSqlQuery q = c.query(QStringLiteral("SELECT name, parent FROM keys WHERE id = ?"));
        q.addBindValue(current);
        if (const qint32 rc = c.exec(q))
            return rc;
        if (!q.next())
            return fail(ERROR_KEY_DELETED, QStringLiteral("the registry key of this handle was deleted"));
        names.prepend(q.value(0).toString());
        current = q.value(1).isNull() ? 0 : q.value(1).toLongLong();
    }
    *path = names.join(u'\\');
    return ERROR_SUCCESS;
}

// Marks the key as written now; its parent's sub-key list shows the time.
qint32 touch(Connection &c, qint64 id)
{
    QSqlQuery q = c.query(QStringLiteral("UPDATE keys SET written = ?, changes = changes + 1 WHERE id = ?"));
    q.addBindValue(nowStamp());
    q.addBindValue(id);
    if (const qint32 rc = c.exec(q))
        return rc;
    return countChangeOfParent(c, id);
}

qint32 insertKey(Connection &c, qint64 parent, const QString &name, const QString &className, qint64 *id)
{
    QSqlQuery q = c.query(QStringLiteral("INSERT INTO keys(parent, name, fold, class, written) VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(parent);
    q.addBindValue(text(name));
    q.addBindValue(fold(name));
    q.addBindValue(text(className));
    q.addBindValue(nowStamp());
    if (const qint32 rc = c.exec(q))
        return rc;
    *id = q.lastInsertId().toLongLong();
    return countChange(c, parent);
}

qint32 upsertValue(Connection &c, qint64 key, const QString &name, quint32 type, const QByteArray &data)
{
    QSqlQuery q = c.query(QStringLiteral(
        "INSERT INTO key_values(key, name, fold, type, data) VALUES (?, ?, ?, ?, ?)"
        " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data"));
    q.addBindValue(key);
    q.addBindValue(text(name));
    q.addBindValue(fold(name));
    q.addBindValue(qint64(type));
    // An empty QByteArray would bind as NULL; an empty blob keeps NOT NULL.
    q.addBindValue(data.isNull() ? QByteArray("") : data);
    return c.exec(q);
}

// Creates the missing keys of parts below start; *created tells whether the
// last one was new.
qint32 createPath(Connection &c, qint64 start, const QStringList &parts, const QString &className,
                  qint64 *id, bool *created)
{
    qint64 current = start;
    *created = false;
    int depth = -1;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        qint64 child = 0;
        if (const qint32 rc = findChild(c, current, parts[i], &child))
            return rc;
        if (child == 0) {
            if (depth < 0) {
                if (const qint32 rc = depthOf(c, current, &depth))
                    return rc;
            }
            if (depth + 1 > kMaxDepth)
                return fail(ERROR_BADKEY, QStringLiteral("registry keys may not be nested deeper than %1 levels").arg(kMaxDepth));
            if (const qint32 rc = insertKey(c, current, parts[i], i + 1 == parts.size() ? className : QString(), &child))
                return rc;
            *created = i + 1 == parts.size();
        }
        if (depth >= 0)
            ++depth;
        current = child;
    }
    *id = current;
    return ERROR_SUCCESS;
}

qint32 needAccess(const Target &t, REGSAM right)
{
    if ((t.access & right) == right)
        return ERROR_SUCCESS;
    return fail(ERROR_ACCESS_DENIED, QStringLiteral("the registry key was not opened with the access this call needs"));
}

// Opens a connection and resolves a handle, checking access and existence.
struct Call {
    Target target;
    std::optional<Connection> connectionHolder;
    qint32 status = ERROR_SUCCESS;
    qint64 changes = 0;   // the key's change counter when the call began

    Connection &connection() { return *connectionHolder; }

    Call(HKEY key, REGSAM right, bool write)
    {
        if ((status = resolve(key, &target)))
            return;
        if ((status = needAccess(target, right)))
            return;
        Connection &connection = connectionHolder.emplace(target.state.get());
        if ((status = connection.status()))
            return;
        if ((status = write ? connection.beginWrite() : connection.beginRead()))
            return;
        status = checkExists(connection, target, &changes);
    }
};

qint32 saveTree(Connection &c, qint64 id, const QString &relative, QList<SavedKey> *out)
{
    SavedKey key;
    key.relativePath = relative;
    QSqlQuery values = c.query(QStringLiteral("SELECT name, type, data FROM key_values WHERE key = ? ORDER BY id"));
    values.addBindValue(id);
    if (const qint32 rc = c.exec(values))
        return rc;
    while (values.next())
        key.values.append({values.value(0).toString(), quint32(values.value(1).toLongLong()),
                           values.value(2).toByteArray()});
    out->append(key);
    QSqlQuery children = c.query(QStringLiteral("SELECT id, name FROM keys WHERE parent = ? ORDER BY fold"));
    children.addBindValue(id);
    if (const qint32 rc = c.exec(children))
        return rc;
    QList<QPair<qint64, QString>> list;
    while (children.next())
        list.append({children.value(0).toLongLong(), children.value(1).toString()});
    for (const auto &[childId, name] : list)
        if (const qint32 rc = saveTree(c, childId, relative.isEmpty() ? name : relative + u'\\' + name, out))
            return rc;
    return ERROR_SUCCESS;
}

}  // namespace

QString storeFilePath()
{
    const QString overridden = qEnvironmentVariable("PEMBRY31_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/pembry31/registry.sqlite3");
}

QString lastErrorText()
{
    return t_lastError;
}

void setBusyTimeout(int milliseconds)
{
    g_busyTimeoutMs = milliseconds;
}

bool lastOpenWaitsFairly()
{
    return g_lastOpenWaitsFairly;
}

quint64 listingReads()
{
    return g_listingReads;
}

qint32 RegOpenKeyEx(HKEY key, const QString &subKey, quint32, REGSAM desired, HKEY *result)
{
    QStringList parts;
    if (const qint32 rc = splitPath(subKey, &parts))
        return rc;
    Call call(key, 0, false);
    if (call.status)
        return call.status;
    qint64 id = 0;
    if (const qint32 rc = lookup(call.connection(), call.target.id, parts, subKey, &id))
        return rc;
    call.connection().commit();
    *result = handles().add(Target{id, desired, false, {}}, call.connection().path());
    return succeed();
}

qint32 RegCreateKeyEx(HKEY key, const QString &subKey, const QString &className, quint32,
                      REGSAM desired, HKEY *result, quint32 *disposition)
{
    QStringList parts;
    if (const qint32 rc = splitPath(subKey, &parts))
        return rc;
    Call call(key, 0, true);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    qint64 existing = 0;
    const qint32 found = lookup(c, call.target.id, parts, subKey, &existing);
    if (found != ERROR_SUCCESS && found != ERROR_FILE_NOT_FOUND)
        return found;
    qint64 id = existing;
    bool created = false;
    if (found == ERROR_FILE_NOT_FOUND) {
        if (const qint32 rc = needAccess(call.target, KEY_CREATE_SUB_KEY))
            return rc;
        if (const qint32 rc = createPath(c, call.target.id, parts, className, &id, &created))
            return rc;
    }
    if (const qint32 rc = c.commit())
        return rc;
    *result = handles().add(Target{id, desired, false, {}}, c.path());
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return succeed();
}

qint32 RegCloseKey(HKEY key)
{
    if (rootId(key))
        return succeed();
    const std::optional<Target> t = handles().take(key);
    if (!t)
        return fail(ERROR_INVALID_HANDLE, QStringLiteral("registry handle %1 is not open").arg(key));
    HandleState &state = *t->state;
    // A connection can only be closed on the thread that opened it; one
    // left open on another thread closes when the program ends.
    if (!state.connectionName.isEmpty() && state.thread == QThread::currentThread()) {
        QSqlDatabase::database(state.connectionName, false).close();
        QSqlDatabase::removeDatabase(state.connectionName);
    }
    return succeed();
}

qint32 RegQueryInfoKey(HKEY key, KeyInfo *info)
{
    Call call(key, KEY_QUERY_VALUE, false);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    KeyInfo out;
    QSqlQuery self = c.query(QStringLiteral("SELECT class, written FROM keys WHERE id = ?"));
    self.addBindValue(call.target.id);
    if (const qint32 rc = c.exec(self))
        return rc;
    if (self.next()) {
        out.className = self.value(0).toString();
        out.maxClassLen = quint32(out.className.size());
        out.lastWriteTime = QDateTime::fromMSecsSinceEpoch(self.value(1).toLongLong(), Qt::UTC);
    }
    QSqlQuery keys = c.query(QStringLiteral("SELECT name, class FROM keys WHERE parent = ?"));
    keys.addBindValue(call.target.id);
    if (const qint32 rc = c.exec(keys))
        return rc;
    while (keys.next()) {
        ++out.subKeys;
        out.maxSubKeyLen = qMax(out.maxSubKeyLen, quint32(keys.value(0).toString().size()));
        out.maxClassLen = qMax(out.maxClassLen, quint32(keys.value(1).toString().size()));
    }
    QSqlQuery values = c.query(QStringLiteral("SELECT name, length(data) FROM key_values WHERE key = ?"));
    values.addBindValue(call.target.id);
    if (const qint32 rc = c.exec(values))
        return rc;
    while (values.next()) {
        ++out.values;
        out.maxValueNameLen = qMax(out.maxValueNameLen, quint32(values.value(0).toString().size()));
        out.maxValueLen = qMax(out.maxValueLen, quint32(values.value(1).toLongLong()));
    }
    c.commit();
    *info = out;
    return succeed();
}

namespace {

// The snapshot of a handle's values or sub-keys, read again when the key's
// change counter moved since it was taken. Calls without a kept connection
// read it anew.
qint32 listing(Call &call, bool values, const Snapshot **out, Snapshot *scratch)
{
    Connection &c = call.connection();
    HandleState *state = c.state();
    Snapshot *snapshot = state ? (values ? &state->values : &state->subKeys) : scratch;
    if (state && snapshot->valid && snapshot->changes == call.changes) {
        *out = snapshot;
        return ERROR_SUCCESS;
    }
    QSqlQuery q = c.query(values
        ? QStringLiteral("SELECT name, type, data FROM key_values WHERE key = ? ORDER BY id")
        : QStringLiteral("SELECT name, class, written FROM keys WHERE parent = ? ORDER BY fold"));
    q.addBindValue(call.target.id);
    if (const qint32 rc = c.exec(q))
        return rc;
    ++g_listingReads;
    snapshot->items.clear();
    while (q.next()) {
        ListedItem item;
        item.name = q.value(0).toString();
        if (values) {
            item.type = quint32(q.value(1).toLongLong());
            item.data = q.value(2).toByteArray();
        } else {
            item.className = q.value(1).toString();
            item.written = q.value(2).toLongLong();
        }
        snapshot->items.append(item);
    }
    q.finish();
    if (const qint32 rc = c.commit())
        return rc;
    snapshot->valid = state != nullptr;
    snapshot->changes = call.changes;
    *out = snapshot;
    return ERROR_SUCCESS;
}

// The index-th entry of the key's listing of values (or of sub-keys).
qint32 listedItem(HKEY key, quint32 access, bool values, quint32 index, ListedItem *item)
{
    Call call(key, access, false);
    if (call.status)
        return call.status;
    const Snapshot *snapshot = nullptr;
    Snapshot scratch;
    if (const qint32 rc = listing(call, values, &snapshot, &scratch))
        return rc;
    if (index >= quint32(snapshot->items.size()))
        return fail(ERROR_NO_MORE_ITEMS, values ? QStringLiteral("no more values") : QStringLiteral("no more sub-keys"));
    *item = snapshot->items[index];
    return ERROR_SUCCESS;
}

}  // namespace

qint32 RegEnumValue(HKEY key, quint32 index, QString *name, quint32 *type, QByteArray *data)
{
    ListedItem item;
    if (const qint32 rc = listedItem(key, KEY_QUERY_VALUE, true, index, &item))
        return rc;
    if (name)
        *name = item.name;
    if (type)
        *type = item.type;
    if (data)
        *data = item.data;
    return succeed();
}

qint32 RegEnumKeyEx(HKEY key, quint32 index, QString *name, QString *className, QDateTime *lastWriteTime)
{
    ListedItem item;
    if (const qint32 rc = listedItem(key, KEY_ENUMERATE_SUB_KEYS, false, index, &item))
        return rc;
    if (name)
        *name = item.name;
    if (className)
        *className = item.className;
    if (lastWriteTime)
        *lastWriteTime = QDateTime::fromMSecsSinceEpoch(item.written, Qt::UTC);
    return succeed();
}

qint32 RegQueryValueEx(HKEY key, const QString &valueName, quint32 *type, QByteArray *data)
{
    Call call(key, KEY_QUERY_VALUE, false);
    if (call.status)
        return call.status;
    QSqlQuery q = call.connection().query(QStringLiteral("SELECT type, data FROM key_values WHERE key = ? AND fold = ?"));
    q.addBindValue(call.target.id);
    q.addBindValue(fold(valueName));
    if (const qint32 rc = call.connection().exec(q))
        return rc;
    if (!q.next())
        return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("registry value \"%1\" does not exist").arg(valueName));
    if (type)
        *type = quint32(q.value(0).toLongLong());
    if (data)
        *data = q.value(1).toByteArray();
    return succeed();
}

qint32 RegSetValueEx(HKEY key, const QString &valueName, quint32 type, const QByteArray &data)
{
    if (valueName.size() > kMaxValueNameLength)
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("a registry value name is longer than %1 characters").arg(kMaxValueNameLength));
    Call call(key, KEY_SET_VALUE, true);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    if (const qint32 rc = upsertValue(c, call.target.id, valueName, type, data))
        return rc;
    if (const qint32 rc = touch(c, call.target.id))
        return rc;
    if (const qint32 rc = c.commit())
        return rc;
    return succeed();
}

qint32 RegDeleteValue(HKEY key, const QString &valueName)
{
    Call call(key, KEY_SET_VALUE, true);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    QSqlQuery q = c.query(QStringLiteral("DELETE FROM key_values WHERE key = ? AND fold = ?"));
    q.addBindValue(call.target.id);
    q.addBindValue(fold(valueName));
    if (const qint32 rc = c.exec(q))
        return rc;
    if (q.numRowsAffected() == 0)
        return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("registry value \"%1\" does not exist").arg(valueName));
    if (const qint32 rc = touch(c, call.target.id))
        return rc;
    if (const qint32 rc = c.commit())
        return rc;
    return succeed();
}

qint32 RegDeleteKey(HKEY key, const QString &subKey)
{
    QStringList parts;
    if (const qint32 rc = splitPath(subKey, &parts))
        return rc;
    Call call(key, 0, true);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    qint64 id = 0;
    if (const qint32 rc = lookup(c, call.target.id, parts, subKey, &id))
        return rc;
    if (parts.isEmpty() && call.target.isRoot)
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("a root key cannot be deleted"));
    QSqlQuery children = c.query(QStringLiteral("SELECT 1 FROM keys WHERE parent = ? LIMIT 1"));
    children.addBindValue(id);
    if (const qint32 rc = c.exec(children))
        return rc;
    if (children.next())
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("registry key \"%1\" still has sub-keys").arg(subKey));
    children.finish();
    if (const qint32 rc = countChangeOfParent(c, id))
        return rc;
    QSqlQuery q = c.query(QStringLiteral("DELETE FROM keys WHERE id = ?"));
    q.addBindValue(id);
    if (const qint32 rc = c.exec(q))
        return rc;
    if (const qint32 rc = c.commit())
        return rc;
    return succeed();
}

qint32 RegSaveKey(HKEY key, const QString &fileName)
{
    const QFileInfo info(fileName);
    if (fileName.isEmpty())
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("no file name to save the registry key to"));
    if (info.exists())
        return fail(ERROR_ALREADY_EXISTS, QStringLiteral("%1: the file already exists").arg(fileName));
    if (!info.absoluteDir().exists())
        return fail(ERROR_PATH_NOT_FOUND, QStringLiteral("%1: the folder does not exist").arg(fileName));
    QByteArray text;
    {
        Call call(key, 0, false);
        if (call.status)
            return call.status;
        QString path;
        if (const qint32 rc = fullPath(call.connection(), call.target.id, &path))
            return rc;
        QList<SavedKey> keys;
        if (const qint32 rc = saveTree(call.connection(), call.target.id, QString(), &keys))
            return rc;
        call.connection().commit();
        text = formatSavedKeys(path, keys);
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    if (file.write(text) != text.size() || !file.commit())
        return fail(ERROR_REGISTRY_IO_FAILED, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    return succeed();
}

namespace {

// One reading of a saved-key file, entry by entry, with the limits of the
// calls: key names as RegCreateKeyEx takes them, value names as
// RegSetValueEx does. onKey gets each key's names below the restored key,
// onValue each value; a failure of either stops the reading, and every
// failure names the file and the line.
qint32 readSavedFile(const QString &fileName, const std::function<qint32(const QStringList &)> &onKey,
                     const std::function<qint32(const SavedValue &)> &onValue)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    SavedKeyReader reader(&file);
    const auto atLine = [&](qint32 code, const QString &problem) {
        return fail(code, QStringLiteral("%1: line %2: %3").arg(fileName).arg(reader.line()).arg(problem));
    };
    for (;;) {
        switch (reader.next()) {
        case SavedKeyReader::Entry::Key: {
            QStringList parts;
            if (splitPath(reader.keyPath(), &parts) != ERROR_SUCCESS || (parts.isEmpty() && !reader.keyPath().isEmpty()))
                return atLine(ERROR_BADKEY, QStringLiteral("\"%1\" is not a valid key name").arg(reader.keyPath()));
            if (const qint32 rc = onKey(parts))
                return atLine(rc, t_lastError);
            break;
        }
        case SavedKeyReader::Entry::Value:
            if (reader.value().name.size() > kMaxValueNameLength)
                return atLine(ERROR_INVALID_PARAMETER,
                              QStringLiteral("a value name is longer than %1 characters").arg(kMaxValueNameLength));
            if (const qint32 rc = onValue(reader.value()))
                return atLine(rc, t_lastError);
            break;
        case SavedKeyReader::Entry::End:
            return ERROR_SUCCESS;
        case SavedKeyReader::Entry::Problem:
            return fail(ERROR_BADDB, QStringLiteral("%1: not a whole saved registry key, %2").arg(fileName, reader.error()));
        }
    }
}

}  // namespace

// The file is read twice: once to check all of it before the store is
// touched, then inside the transaction to write it. Either reading holds one
// value at a time. A failure of the second (the file changed in between)
// rolls the transaction back.
qint32 RegRestoreKey(HKEY key, const QString &fileName, quint32)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("%1: the file does not exist").arg(fileName));
    if (!info.isFile())
        return fail(ERROR_BADDB, QStringLiteral("%1: not a regular file").arg(fileName));
    const auto noKey = [](const QStringList &) { return ERROR_SUCCESS; };
    const auto noValue = [](const SavedValue &) { return ERROR_SUCCESS; };
    if (const qint32 rc = readSavedFile(fileName, noKey, noValue))
        return rc;

    Call call(key, 0, true);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    const qint64 target = call.target.id;
    QSqlQuery dropKeys = c.query(QStringLiteral("DELETE FROM keys WHERE parent = ?"));
    dropKeys.addBindValue(target);
    if (const qint32 rc = c.exec(dropKeys))
        return rc;
    QSqlQuery dropValues = c.query(QStringLiteral("DELETE FROM key_values WHERE key = ?"));
    dropValues.addBindValue(target);
    if (const qint32 rc = c.exec(dropValues))
        return rc;
    qint64 current = target;
    const auto writeKey = [&](const QStringList &parts) {
        bool created = false;
        return createPath(c, target, parts, QString(), &current, &created);
    };
    const auto writeValue = [&](const SavedValue &v) { return upsertValue(c, current, v.name, v.type, v.data); };
    if (const qint32 rc = readSavedFile(fileName, writeKey, writeValue))
        return rc;
    if (const qint32 rc = touch(c, target))
        return rc;
    if (const qint32 rc = c.commit())
        return rc;
    return succeed();
}

QString foldName(const QString &name)
{
    QString out = name;
    for (QChar &c : out)
        c = c.toUpper();
    return out;
}

QByteArray stringData(const QString &text)
{
    QByteArray data = text.toUtf8();
    data.append('\0');
    return data;
}

QString stringFromData(const QByteArray &data)
{
    return QString::fromUtf8(data.endsWith('\0') ? data.left(data.size() - 1) : data);
}

QByteArray multiStringData(const QStringList &items)
{
    QByteArray data;
    for (const QString &item : items) {
        data += item.toUtf8();
        data.append('\0');
    }
    data.append('\0');
    return data;
}

QStringList multiStringFromData(const QByteArray &data)
{
    QStringList items;
    for (const QByteArray &part : data.split('\0'))
        if (!part.isEmpty())
            items.append(QString::fromUtf8(part));
    return items;
}

QByteArray dwordData(quint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return data;
}

quint32 dwordFromData(const QByteArray &data)
{
    return data.size() == 4 ? qFromLittleEndian<quint32>(data.constData()) : 0;
}

}  // namespace pembry::registry
