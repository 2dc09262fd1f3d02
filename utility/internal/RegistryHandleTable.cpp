#include "utility/internal/RegistryHandleTable.h"

#include "utility/internal/RegistryCallResult.h"

#include <QMutexLocker>
#include <QThread>

namespace pembry::registry::store {

HKEY HandleTable::add(Target t, const QString &path)
{
    t.state = std::make_shared<HandleState>();
    t.state->thread = QThread::currentThread();
    t.state->path = path;
    QMutexLocker lock(&m_mutex);
    m_next += 4;
    m_handles.insert(m_next, t);
    return m_next;
}

std::optional<Target> HandleTable::find(HKEY h)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_handles.constFind(h);
    if (it == m_handles.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<Target> HandleTable::take(HKEY h)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_handles.find(h);
    if (it == m_handles.end())
        return std::nullopt;
    Target t = *it;
    m_handles.erase(it);
    return t;
}

HandleTable &handles()
{
    static HandleTable table;
    return table;
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

}  // namespace pembry::registry::store
