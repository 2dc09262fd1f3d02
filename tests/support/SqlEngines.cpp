#include "SqlEngines.h"

#include "DatabaseServers.h"
#include "TestPaths.h"

#include <map>
#include <memory>

#include <sqlite3.h>
#include <unistd.h>

namespace sqlengines {

namespace {

// The SQLite databases of this program, open until it ends.
class SqliteDatabases {
public:
    ~SqliteDatabases()
    {
        for (auto &[name, db] : m_open)
            sqlite3_close(db);
    }

    Loaded load(const QByteArray &script);
    QList<QStringList> query(const QString &database, const QString &sql, QString *error);

private:
    std::map<QString, sqlite3 *> m_open;
};

// The line of `text` at which the statement starting at `from` begins,
// blanks and comment lines before it skipped.
int statementLine(const QByteArray &text, int from)
{
    while (from < text.size()) {
        if (QChar::isSpace(uchar(text[from]))) {
            ++from;
        } else if (text.mid(from, 2) == "--") {
            const int end = text.indexOf('\n', from);
            from = end < 0 ? text.size() : end + 1;
        } else {
            break;
        }
    }
    return int(text.left(from).count('\n')) + 1;
}

Loaded SqliteDatabases::load(const QByteArray &script)
{
    Loaded loaded;
    loaded.database = QStringLiteral("sqlite_%1").arg(m_open.size() + 1);
    sqlite3 *db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
        loaded.error = QStringLiteral("cannot open an SQLite database: %1").arg(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return loaded;
    }
    m_open[loaded.database] = db;
    sqlite3_exec(db, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);

    // Statement by statement, as sqlite3_exec does, to tell the line of a failure.
    const char *const start = script.constData();
    const char *next = start;
    const char *const end = start + script.size();
    while (next < end && loaded.error.isEmpty()) {
        sqlite3_stmt *statement = nullptr;
        const char *from = next;
        int rc = sqlite3_prepare_v2(db, from, int(end - from), &statement, &next);
        while (rc == SQLITE_OK && statement && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_OK && rc != SQLITE_DONE)
            loaded.error = QStringLiteral("line %1: %2")
                               .arg(statementLine(script, int(from - start)))
                               .arg(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(statement);
        if (next == from)
            break;
    }
    // What an ending session does with a transaction left open.
    if (!sqlite3_get_autocommit(db)) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        if (loaded.error.isEmpty())
            loaded.error =
                QStringLiteral("the script ends inside a transaction it never commits: nothing of it is kept");
    }
    return loaded;
}

QList<QStringList> SqliteDatabases::query(const QString &database, const QString &sql, QString *error)
{
    const auto found = m_open.find(database);
    if (found == m_open.end()) {
        *error = QStringLiteral("no SQLite database %1 was loaded").arg(database);
        return {};
    }
    sqlite3_stmt *statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(found->second, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(found->second));
        return {};
    }
    QList<QStringList> rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(statement, i));
            row.append(value ? QString::fromUtf8(value) : QString());
        }
        rows.append(row);
    }
    if (rc != SQLITE_DONE)
        *error = QString::fromUtf8(sqlite3_errmsg(found->second));
    sqlite3_finalize(statement);
    return rows;
}

// The engines of this program, made on first use; the servers stop and
// their folders go when the program ends (not when a forked child of it
// does).
struct Engines {
    const pid_t owner = getpid();
    SqliteDatabases sqlite;
    std::unique_ptr<DatabaseServer> postgres = makePostgresServer();
    std::unique_ptr<DatabaseServer> mariadb = makeMariaDbServer();

    ~Engines()
    {
        if (getpid() != owner) {
            postgres.release();
            mariadb.release();
            return;
        }
        postgres.reset();
        mariadb.reset();
        removeProgramFolder();
    }

    DatabaseServer *server(Engine engine)
    {
        switch (engine) {
        case Engine::PostgreSQL:
            return postgres.get();
        case Engine::MariaDB:
            return mariadb.get();
        case Engine::SQLite:
            break;
        }
        return nullptr;
    }
};

Engines &engines()
{
    static Engines instance;
    return instance;
}

}  // namespace

QString engineName(Engine engine)
{
    switch (engine) {
    case Engine::SQLite:
        return QStringLiteral("SQLite");
    case Engine::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case Engine::MariaDB:
        return QStringLiteral("MariaDB");
    }
    return {};
}

bool available(Engine engine, QString *whyNot)
{
    const DatabaseServer *server = engines().server(engine);
    const QString missing = server ? server->missing() : QString();
    if (whyNot)
        *whyNot = missing;
    return missing.isEmpty();
}

Readiness prepare(Engine engine)
{
    Readiness readiness;
    QString missing;
    if (!available(engine, &missing)) {
        readiness.fail = testFilesRequired();
        readiness.problem = readiness.fail
            ? missing + QStringLiteral("; the tests that load SQL into it need it (TABULO_TESTDATA_REQUIRED is set)")
            : missing + QStringLiteral("; the tests that load SQL into it are skipped");
        return readiness;
    }
    if (DatabaseServer *server = engines().server(engine)) {
        if (const QString error = server->start(); !error.isEmpty()) {
            readiness.problem = QStringLiteral("the %1 server of the tests does not start: %2")
                                    .arg(engineName(engine), error);
            readiness.fail = true;
        }
    }
    return readiness;
}

Loaded load(Engine engine, const QByteArray &script)
{
    if (DatabaseServer *server = engines().server(engine))
        return server->load(script);
    return engines().sqlite.load(script);
}

QList<QStringList> query(Engine engine, const QString &database, const QString &sql)
{
    QString error;
    DatabaseServer *server = engines().server(engine);
    QList<QStringList> rows =
        server ? server->query(database, sql, &error) : engines().sqlite.query(database, sql, &error);
    if (!error.isEmpty()) {
        ADD_FAILURE() << engineName(engine).toStdString() << " query in " << database.toStdString()
                      << " failed: " << sql.toStdString() << "\n"
                      << error.toStdString();
        return {};
    }
    return rows;
}

}  // namespace sqlengines
