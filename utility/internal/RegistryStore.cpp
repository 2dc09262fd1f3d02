#include "utility/internal/RegistryStore.h"

#include "utility/internal/RegistryCallResult.h"
#include "utility/internal/RegistryStoreQueries.h"
#include "utility/internal/RegistryTextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <functional>
#include <optional>

// The Reg* calls. The parts they are built from: RegistryHandleTable (open
// handles), RegistryConnection (the SQLite file) with RegistryLockWait (the
// fair wait for another process's write lock), and RegistryStoreQueries (keys
// and values as table rows).

namespace pembry::registry {

using namespace store;

namespace {

constexpr int kMaxKeyNameLength = 255;
constexpr int kMaxValueNameLength = 16383;

std::atomic<quint64> g_listingReads{0};
thread_local QString t_lastError;

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

// Runs `body` in a call on `key`, given the names of `subKey` below it. A
// path that is not valid fails before the store is opened.
template <typename Body>
qint32 withSubKey(HKEY key, const QString &subKey, bool write, Body body)
{
    QStringList parts;
    if (const qint32 rc = splitPath(subKey, &parts))
        return rc;
    Call call(key, 0, write);
    if (call.status)
        return call.status;
    return body(call, parts);
}

}  // namespace

namespace store {

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

}  // namespace store

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

quint64 listingReads()
{
    return g_listingReads;
}

qint32 RegOpenKeyEx(HKEY key, const QString &subKey, quint32, REGSAM desired, HKEY *result)
{
    return withSubKey(key, subKey, false, [&](Call &call, const QStringList &parts) -> qint32 {
        qint64 id = 0;
        if (const qint32 rc = lookup(call.connection(), call.target.id, parts, subKey, &id))
            return rc;
        call.connection().commit();
        *result = handles().add(Target{id, desired, false, {}}, call.connection().path());
        return succeed();
    });
}

qint32 RegCreateKeyEx(HKEY key, const QString &subKey, const QString &className, quint32,
                      REGSAM desired, HKEY *result, quint32 *disposition)
{
    return withSubKey(key, subKey, true, [&](Call &call, const QStringList &parts) -> qint32 {
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
    });
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

namespace {

// Runs `sql` with the key id bound and hands each row to `row`; answers the
// Windows code.
template <class Row>
qint32 forEachRow(Connection &c, const QString &sql, qint64 id, Row &&row)
{
    QSqlQuery q = c.query(sql);
    q.addBindValue(id);
    if (const qint32 rc = c.exec(q))
        return rc;
    while (q.next())
        row(q);
    return ERROR_SUCCESS;
}

}  // namespace

qint32 RegQueryInfoKey(HKEY key, KeyInfo *info)
{
    Call call(key, KEY_QUERY_VALUE, false);
    if (call.status)
        return call.status;
    Connection &c = call.connection();
    const qint64 id = call.target.id;
    KeyInfo out;
    qint32 rc = forEachRow(c, QStringLiteral("SELECT class, written FROM keys WHERE id = ?"), id, [&](const QSqlQuery &self) {
        out.className = self.value(0).toString();
        out.maxClassLen = quint32(out.className.size());
        out.lastWriteTime = QDateTime::fromMSecsSinceEpoch(self.value(1).toLongLong(), Qt::UTC);
    });
    if (!rc) {
        rc = forEachRow(c, QStringLiteral("SELECT name, class FROM keys WHERE parent = ?"), id, [&](const QSqlQuery &keys) {
            ++out.subKeys;
            out.maxSubKeyLen = qMax(out.maxSubKeyLen, quint32(keys.value(0).toString().size()));
            out.maxClassLen = qMax(out.maxClassLen, quint32(keys.value(1).toString().size()));
        });
    }
    if (!rc) {
        rc = forEachRow(c, QStringLiteral("SELECT name, length(data) FROM key_values WHERE key = ?"), id,
                        [&](const QSqlQuery &values) {
                            ++out.values;
                            out.maxValueNameLen = qMax(out.maxValueNameLen, quint32(values.value(0).toString().size()));
                            out.maxValueLen = qMax(out.maxValueLen, quint32(values.value(1).toLongLong()));
                        });
    }
    if (rc)
        return rc;
    c.commit();
    *info = out;
    return succeed();
}

namespace {

// Ends a call that wrote: commits, then reports success.
qint32 commitAndSucceed(Connection &c)
{
    if (const qint32 rc = c.commit())
        return rc;
    return succeed();
}

// Ends a call that changed the key `id`: counts the change, then commits.
qint32 touchAndCommit(Connection &c, qint64 id)
{
    if (const qint32 rc = touch(c, id))
        return rc;
    return commitAndSucceed(c);
}

template <typename T>
void assignIf(T *out, const T &value)
{
    if (out)
        *out = value;
}

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

// Hands the index-th entry of the key's listing of values (or of sub-keys)
// to `deliver`.
qint32 listedItem(HKEY key, quint32 access, bool values, quint32 index,
                  const std::function<void(const ListedItem &)> &deliver)
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
    deliver(snapshot->items[index]);
    return succeed();
}

}  // namespace

qint32 RegEnumValue(HKEY key, quint32 index, QString *name, quint32 *type, QByteArray *data)
{
    return listedItem(key, KEY_QUERY_VALUE, true, index, [&](const ListedItem &item) {
        assignIf(name, item.name);
        assignIf(type, item.type);
        assignIf(data, item.data);
    });
}

qint32 RegEnumKeyEx(HKEY key, quint32 index, QString *name, QString *className, QDateTime *lastWriteTime)
{
    return listedItem(key, KEY_ENUMERATE_SUB_KEYS, false, index, [&](const ListedItem &item) {
        assignIf(name, item.name);
        assignIf(className, item.className);
        assignIf(lastWriteTime, QDateTime::fromMSecsSinceEpoch(item.written, Qt::UTC));
    });
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
    return touchAndCommit(c, call.target.id);
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
    return touchAndCommit(c, call.target.id);
}

qint32 RegDeleteKey(HKEY key, const QString &subKey)
{
    return withSubKey(key, subKey, true, [&](Call &call, const QStringList &parts) -> qint32 {
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
        return commitAndSucceed(c);
    });
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
    return touchAndCommit(c, target);
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
