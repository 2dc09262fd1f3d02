#pragma once
// Waiting for another process's write lock on the registry store. SQLite's
// own busy timeout sleeps longer and longer (up to 100 ms at a time), so a
// caller that has waited long sleeps through the moments the lock is free
// while newcomers take it; and a process writing in a loop takes the lock
// again the moment it let it go. Here every pause is short and random,
// shorter the longer the caller has waited, so the longest waiter is the
// likeliest to get the lock next; and a thread that had to wait lately steps
// aside for a moment before its next write, so the others find the lock
// free. The wait ends after the busy timeout (setBusyTimeout).

#include <QElapsedTimer>

struct sqlite3;

namespace pembry::registry::store {

class LockWait {
public:
    // Sets the fair wait as db's busy handler, through SQLite's
    // sqlite3_busy_handler from the SQLite library Qt's driver has loaded:
    // the library links no SQLite of its own, so that programs that never
    // touch the registry do not load it. When the driver did not load the
    // system library (a driver with SQLite built in) nothing is set and the
    // driver's own busy timeout stands; lastOpenWaitsFairly() tells which.
    static void attach(sqlite3 *db);

    // Called before a write transaction begins.
    static void beforeWrite();

    // The busy timeout in milliseconds.
    static int timeoutMs();

private:
    // SQLite's busy handler: 0 gives up.
    static int onBusy(void *, int attempt);
    static void pause(int longestMicroseconds);

    static thread_local QElapsedTimer t_since;
    static thread_local QElapsedTimer t_lastWait;
};

}  // namespace pembry::registry::store
