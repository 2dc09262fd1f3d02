#include "utility/internal/RegistryStoreQueries.h"

#include "utility/internal/RegistryCallResult.h"

#include <QDateTime>
#include <QPair>
#include <QSqlQuery>

namespace pembry::registry::store {

namespace {

constexpr int kMaxDepth = 512;

// A QString bound as a parameter; a null one would be stored as SQL NULL,
// so the empty name of a default value is bound as "".
QString text(const QString &s)
{
    return s.isNull() ? QString("") : s;
}

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

}  // namespace

QString fold(const QString &name)
{
    return text(foldName(name));
}

qint32 countChangeOfParent(Connection &c, qint64 id)
{
    QSqlQuery q = c.query(QStringLiteral("UPDATE keys SET changes = changes + 1 WHERE id = (SELECT parent FROM keys WHERE id = ?)"));
    q.addBindValue(id);
    return c.exec(q);
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

qint32 touch(Connection &c, qint64 id)
{
    QSqlQuery q = c.query(QStringLiteral("UPDATE keys SET written = ?, changes = changes + 1 WHERE id = ?"));
    q.addBindValue(nowStamp());
    q.addBindValue(id);
    if (const qint32 rc = c.exec(q))
        return rc;
    return countChangeOfParent(c, id);
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

Call::Call(HKEY key, REGSAM right, bool write)
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

}  // namespace pembry::registry::store
