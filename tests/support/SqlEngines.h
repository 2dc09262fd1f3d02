#pragma once
// Real SQL engines for the tests of the SQL scripts: a script is loaded into
// SQLite, PostgreSQL or MariaDB exactly as a user would load it, and the
// engine's catalogue is then read back with plain queries.
//
//   TEST(SqlScripts, NorthwindLoadsIntoPostgreSQL)
//   {
//       TABULO_NEED_ENGINE(sqlengines::Engine::PostgreSQL);
//       const sqlengines::Loaded loaded = sqlengines::load(sqlengines::Engine::PostgreSQL, script);
//       ASSERT_EQ(loaded.error, QString());
//       const auto rows = sqlengines::query(sqlengines::Engine::PostgreSQL, loaded.database,
//           "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public'");
//   }
//
// SQLite is the library linked into the test program: every load gets a
// fresh in-memory database with foreign keys enforced (PRAGMA
// foreign_keys=ON), kept open until the program ends.
//
// PostgreSQL and MariaDB are throwaway servers that this support starts
// itself, once per test program, on first use: their data folders are under
// build/test-servers/<program>-<pid>/, they listen on a Unix socket there and
// nowhere else, and they are stopped and their folders removed when the
// program ends. A watchdog does the same within a second or two when the
// program dies without ending (a crash, a kill by ctest's timeout). The
// freshly initialised data folder of each server is kept once per build
// folder (build/test-servers/templates/) and copied for every start: a
// start then takes under a second (the first in a build folder some seconds
// more, for initdb or mariadb-install-db). Under root,
// PostgreSQL runs as the user "postgres" (else "nobody"); MariaDB runs as
// root. PostgreSQL's databases are UTF-8 with the C locale; MariaDB's
// character set is utf8mb4, its SQL mode the server's default (strict). While
// a program runs, a server's log is <engine>/server.log in its folder.
//
// Each load or query of a server runs its client once (some tens of
// milliseconds): read a catalogue with a few queries over the whole database
// rather than one per table.
//
// A load creates a fresh database on the server (a unique name per call)
// and feeds the script to the engine's own command-line client on standard
// input (psql with ON_ERROR_STOP=1, mariadb in batch mode): both stop at the
// first error, as a user's load would. SQLite stops at the first error too.
// A script that ends inside a transaction it never commits is an error in
// SQLite and PostgreSQL (its work would be rolled back when the session
// ends); a failed load's open transaction is rolled back, so the database
// then shows what the script left behind.
//
// Programs that use this link tabulo_test_sqlengines and have a
// QCoreApplication (tabulo_core_test_main): the clients run through QProcess.

#include "QtPrinting.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace sqlengines {

enum class Engine { SQLite, PostgreSQL, MariaDB };

// "SQLite", "PostgreSQL", "MariaDB".
QString engineName(Engine engine);
// The name in GoogleTest's messages, e.g. of a test with an Engine parameter.
inline void PrintTo(Engine engine, std::ostream *os)
{
    *os << engineName(engine).toStdString();
}

// Whether the engine's programs are installed; when not, *whyNot (if given)
// names what is missing and the Debian package that brings it, e.g.
// "PostgreSQL server not installed (Debian package postgresql)". SQLite is
// always available. This does not start a server.
bool available(Engine engine, QString *whyNot = nullptr);

// What TABULO_NEED_ENGINE does: starts the engine's server if it is not
// running yet. `problem` is "" when the engine is ready; else it is one line,
// and `fail` says whether it is a failure (a server that is installed but
// does not start, or one that is missing while TABULO_TESTDATA_REQUIRED is
// set, as in CI) or a reason to skip the test.
struct Readiness {
    QString problem;
    bool fail = false;
};
Readiness prepare(Engine engine);

// The outcome of a load. `error` is "" when the whole script loaded, else the
// engine's first error message as its client prints it, with the script's
// line (e.g. "psql:<stdin>:12: ERROR:  relation \"x\" does not exist",
// "ERROR 1146 (42S02) at line 4: Table 'load_1.x' doesn't exist",
// "line 3: near \"CREAT\": syntax error"). `database` names the database for
// query(), also after a failed load. `notes` holds what the engine printed on
// a successful load (PostgreSQL's NOTICEs and WARNINGs, MariaDB's warnings).
struct Loaded {
    QString error;
    QString database;
    QString notes;
};
// Loads the script (UTF-8) into a fresh database. When the engine is not
// ready (see prepare), `error` says why.
Loaded load(Engine engine, const QByteArray &script);

// Runs one query in a database made by load() and returns its rows, each a
// list of the column values as text. A NULL comes back as a null QString
// (isNull(); it compares equal to ""). A query that fails is a test failure
// (ADD_FAILURE, naming the engine, the query and the error) and gives no rows.
QList<QStringList> query(Engine engine, const QString &database, const QString &sql);

}  // namespace sqlengines

// Starts the test with the engine ready, or skips it with one line saying
// what is missing and what to install, or fails it (see prepare()).
#define TABULO_NEED_ENGINE(engine)                                          \
    do {                                                                    \
        const ::sqlengines::Readiness ready_ = ::sqlengines::prepare(engine); \
        if (!ready_.problem.isEmpty()) {                                    \
            if (ready_.fail)                                                \
                FAIL() << ready_.problem.toStdString();                     \
            else                                                            \
                GTEST_SKIP() << ready_.problem.toStdString();               \
        }                                                                   \
    } while (false)
