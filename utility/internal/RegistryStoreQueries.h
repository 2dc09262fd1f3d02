#pragma once
// The registry store's keys and values as rows of its tables: finding a key
// by its path, making missing keys, writing values, counting the changes an
// enumeration snapshot watches, reading a sub-tree to save it; and Call,
// with which every Reg* call begins. Each returns a Windows code.

#include "utility/internal/RegistryConnection.h"
#include "utility/internal/RegistryTextFile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pembry::registry::store {

// A name as it is compared and bound: foldName(), never a null string (that
// would bind as SQL NULL).
QString fold(const QString &name);

// The id of the key at parts below start; ERROR_FILE_NOT_FOUND naming path
// when one is missing.
qint32 lookup(Connection &c, qint64 start, const QStringList &parts, const QString &path, qint64 *id);
// Creates the missing keys of parts below start; *created tells whether the
// last one was new.
qint32 createPath(Connection &c, qint64 start, const QStringList &parts, const QString &className,
                  qint64 *id, bool *created);
// The key's path with its root's name.
qint32 fullPath(Connection &c, qint64 id, QString *path);
// Marks the key as written now; its parent's sub-key list shows the time.
qint32 touch(Connection &c, qint64 id);
// Counts a change to what the key's parent lists.
qint32 countChangeOfParent(Connection &c, qint64 id);
qint32 upsertValue(Connection &c, qint64 key, const QString &name, quint32 type, const QByteArray &data);
// The key and its sub-tree, parents before children, relative paths below relative.
qint32 saveTree(Connection &c, qint64 id, const QString &relative, QList<SavedKey> *out);

qint32 needAccess(const Target &t, REGSAM right);

// Opens a connection and resolves a handle, checking access and existence.
struct Call {
    Target target;
    std::optional<Connection> connectionHolder;
    qint32 status = ERROR_SUCCESS;
    qint64 changes = 0;   // the key's change counter when the call began

    Connection &connection() { return *connectionHolder; }

    Call(HKEY key, REGSAM right, bool write);
};

}  // namespace pembry::registry::store
