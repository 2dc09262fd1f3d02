#include "utility/internal/RegistryLockWait.h"

#include "utility/internal/RegistryStore.h"

#include <QRandomGenerator>
#include <QThread>

#include <atomic>
#include <dlfcn.h>
#include <sqlite3.h>

namespace pembry::registry {

namespace {

std::atomic<int> g_busyTimeoutMs{10000};
std::atomic<bool> g_lastOpenWaitsFairly{false};

using BusyHandlerSetter = decltype(&sqlite3_busy_handler);
BusyHandlerSetter busyHandlerSetter()
{
    void *library = dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD);
    return library ? reinterpret_cast<BusyHandlerSetter>(dlsym(library, "sqlite3_busy_handler")) : nullptr;
}

}  // namespace

void setBusyTimeout(int milliseconds)
{
    g_busyTimeoutMs = milliseconds;
}

bool lastOpenWaitsFairly()
{
    return g_lastOpenWaitsFairly;
}

namespace store {

thread_local QElapsedTimer LockWait::t_since;
thread_local QElapsedTimer LockWait::t_lastWait;

void LockWait::attach(sqlite3 *db)
{
    static const BusyHandlerSetter setBusyHandler = busyHandlerSetter();
    if (setBusyHandler)
        setBusyHandler(db, LockWait::onBusy, nullptr);
    g_lastOpenWaitsFairly = setBusyHandler != nullptr;
}

int LockWait::onBusy(void *, int attempt)
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

void LockWait::beforeWrite()
{
    if (t_lastWait.isValid() && t_lastWait.elapsed() < 500)
        pause(800);
}

int LockWait::timeoutMs()
{
    return g_busyTimeoutMs.load();
}

void LockWait::pause(int longestMicroseconds)
{
    QThread::usleep(QRandomGenerator::global()->bounded(longestMicroseconds / 4, longestMicroseconds));
}

}  // namespace store

}  // namespace pembry::registry
