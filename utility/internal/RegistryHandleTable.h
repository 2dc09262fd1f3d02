#pragma once
// The registry store's open handles: what each refers to (a key's id and the
// access it was opened with) and what it keeps between calls (its
// connection and its enumeration snapshots). The predefined roots are no
// entries: they resolve by their fixed ids.

#include "utility/internal/RegistryStore.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <memory>
#include <optional>

class QThread;

namespace pembry::registry::store {

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
    // A new handle to t on the store file at path, owned by this thread.
    HKEY add(Target t, const QString &path);
    std::optional<Target> find(HKEY h);
    // Removes the handle and gives what it referred to.
    std::optional<Target> take(HKEY h);

private:
    QMutex m_mutex;
    QHash<HKEY, Target> m_handles;
    HKEY m_next = 0x1000;
};

// The process's one table.
HandleTable &handles();

// The key id of a predefined root, 0 for any other handle.
qint64 rootId(HKEY key);

// A predefined root or an open handle; ERROR_INVALID_HANDLE for anything else.
qint32 resolve(HKEY key, Target *target);

}  // namespace pembry::registry::store
