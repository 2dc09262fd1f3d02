#pragma once
// A connection to the registry store's SQLite file for one call: the calling
// handle's own connection when the handle has one on this thread (opened on
// its first call, closed with the handle), else one opened for this call
// alone. Opening checks the file, sets the fair lock wait, and takes the file
// as a store only when it carries the store's mark and tables; an empty file
// becomes a store. Every failure becomes a Windows code and a sentence naming
// the file.

#include "utility/internal/RegistryHandleTable.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

class QSqlError;

namespace pembry::registry::store {

struct StoreMark;

class Connection {
public:
    explicit Connection(HandleState *state = nullptr);
    ~Connection();

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // The handle state whose connection this is (null for a one-call one).
    HandleState *state() const { return m_state; }

    qint32 status() const { return m_status; }
    const QString &path() const { return m_path; }

    QSqlQuery query(const QString &sql);

    // Runs a prepared query; a failure becomes a Windows code.
    qint32 exec(QSqlQuery &q);
    qint32 run(const QString &sql);

    // Takes the write lock at once, so two writers queue instead of failing.
    qint32 beginWrite();
    qint32 beginRead();
    qint32 commit();

private:
    qint32 begin(const QString &sql);
    qint32 sqlFailure(const QSqlError &e);
    qint32 open();
    qint32 readMark(StoreMark *mark);
    qint32 notAStore(const StoreMark &mark);
    qint32 recognise();
    qint32 createTables();

    QString m_name;
    QString m_path;
    QSqlDatabase m_db;
    qint32 m_status = ERROR_SUCCESS;
    bool m_inTransaction = false;
    bool m_kept = false;
    HandleState *m_state = nullptr;
};

}  // namespace pembry::registry::store
