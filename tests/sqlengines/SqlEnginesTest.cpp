// The real engines that SQL scripts are loaded into: a small design arrives
// whole in each one's catalogue, a failed load reports the engine's own
// message and stops there, and a server goes away with its test program.

#include "ServerProcess.h"
#include "SqlEngines.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gmock/gmock.h>

#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace sqlengines;
using ::testing::HasSubstr;

namespace {

using Rows = QList<QStringList>;

Rows tables(Engine engine, const QString &database)
{
    switch (engine) {
    case Engine::SQLite:
        return query(engine, database, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name");
    case Engine::PostgreSQL:
        return query(engine, database,
                     "SELECT table_name FROM information_schema.tables WHERE table_schema = 'public' "
                     "ORDER BY table_name");
    case Engine::MariaDB:
        return query(engine, database,
                     "SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE() "
                     "ORDER BY table_name");
    }
    return {};
}

// The servers (not zombies) whose data is in `folder`.
int processesUsing(const QString &folder)
{
    int count = 0;
    for (const QString &pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat");
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (!stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QByteArray state = text.mid(text.lastIndexOf(')') + 1).trimmed().left(1);
        const QByteArray command = cmdline.readAll();
        if (state != "Z"
            && (command.contains(folder.toUtf8() + "/postgresql/data")
                || command.contains(folder.toUtf8() + "/mariadb/data")))
            ++count;
    }
    return count;
}

}  // namespace

TEST(SqlEngines, SQLiteHoldsTheDesignItLoaded)
{
    const Loaded loaded = load(Engine::SQLite, R"sql(-- Orders and their lines.
BEGIN;
CREATE TABLE "Order" ("Year" INTEGER NOT NULL, "Number" INTEGER NOT NULL,
  "Total" NUMERIC CHECK ("Total" >= 0), PRIMARY KEY ("Year", "Number"));
-- Lines of an order
CREATE TABLE "Order Line" ("Number" INTEGER NOT NULL, "Year" INTEGER NOT NULL, "Größe" TEXT,
  PRIMARY KEY ("Year", "Number", "Größe"),
  FOREIGN KEY ("Year", "Number") REFERENCES "Order" ("Year", "Number") ON DELETE CASCADE);
CREATE INDEX "Order Line_Größe" ON "Order Line" ("Größe" DESC);
COMMIT;
)sql");
    ASSERT_EQ(loaded.error, QString());
    const QString db = loaded.database;
    EXPECT_EQ(tables(Engine::SQLite, db), (Rows{{"Order"}, {"Order Line"}}));
    EXPECT_EQ(query(Engine::SQLite, db, R"(SELECT name, pk FROM pragma_table_info('Order Line') ORDER BY cid)"),
              (Rows{{"Number", "2"}, {"Year", "1"}, {"Größe", "3"}}));
    EXPECT_EQ(query(Engine::SQLite, db,
                    R"(SELECT "table", "from", "to", on_delete FROM pragma_foreign_key_list('Order Line') ORDER BY seq)"),
              (Rows{{"Order", "Year", "Year", "CASCADE"}, {"Order", "Number", "Number", "CASCADE"}}));
    EXPECT_EQ(query(Engine::SQLite, db, R"(SELECT name, origin FROM pragma_index_list('Order Line') ORDER BY name)"),
              (Rows{{"Order Line_Größe", "c"}, {"sqlite_autoindex_Order Line_1", "pk"}}));
    // The CHECK and the foreign key are enforced.
    EXPECT_EQ(query(Engine::SQLite, db, R"(SELECT count(*) FROM sqlite_schema WHERE sql LIKE '%CHECK ("Total" >= 0)%')"),
              (Rows{{"1"}}));
    EXPECT_EQ(load(Engine::SQLite, R"(CREATE TABLE a (k PRIMARY KEY);
CREATE TABLE b (k REFERENCES a (k)); INSERT INTO b VALUES (1);)")
                  .error,
              "line 2: FOREIGN KEY constraint failed");
}

TEST(SqlEngines, PostgreSQLHoldsTheDesignItLoaded)
{
    TABULO_NEED_ENGINE(Engine::PostgreSQL);
    const Loaded loaded = load(Engine::PostgreSQL, R"sql(-- Orders and their lines.
BEGIN;
CREATE TABLE "Order" ("Year" integer NOT NULL, "Number" integer NOT NULL,
  "Total" numeric(19,4) CHECK ("Total" >= 0), PRIMARY KEY ("Year", "Number"));
CREATE TABLE "Order Line" ("Number" integer NOT NULL, "Year" integer NOT NULL, "Größe" varchar(20) NOT NULL,
  PRIMARY KEY ("Year", "Number", "Größe"),
  FOREIGN KEY ("Year", "Number") REFERENCES "Order" ("Year", "Number") ON DELETE CASCADE);
COMMENT ON TABLE "Order Line" IS 'Lines of an order';
COMMIT;
)sql");
    ASSERT_EQ(loaded.error, QString());
    const QString db = loaded.database;
    EXPECT_EQ(tables(Engine::PostgreSQL, db), (Rows{{"Order"}, {"Order Line"}}));
    EXPECT_EQ(query(Engine::PostgreSQL, db,
                    "SELECT column_name, data_type, character_maximum_length FROM information_schema.columns "
                    "WHERE table_name = 'Order Line' ORDER BY ordinal_position"),
              (Rows{{"Number", "integer", ""}, {"Year", "integer", ""}, {"Größe", "character varying", "20"}}));
    EXPECT_EQ(query(Engine::PostgreSQL, db,
                    "SELECT k.column_name FROM information_schema.key_column_usage k "
                    "JOIN information_schema.table_constraints c USING (constraint_name, table_name) "
                    "WHERE table_name = 'Order Line' AND c.constraint_type = 'PRIMARY KEY' ORDER BY k.ordinal_position"),
              (Rows{{"Year"}, {"Number"}, {"Größe"}}));
    EXPECT_EQ(query(Engine::PostgreSQL, db,
                    "SELECT contype, confrelid::regclass::text, confdeltype FROM pg_constraint "
                    "WHERE conrelid IN ('\"Order\"'::regclass, '\"Order Line\"'::regclass) AND contype IN ('c', 'f') "
                    "ORDER BY contype"),
              (Rows{{"c", "-", " "}, {"f", "\"Order\"", "c"}}));
    const Rows comment = query(Engine::PostgreSQL, db, "SELECT obj_description('\"Order Line\"'::regclass, 'pg_class')");
    EXPECT_EQ(comment, (Rows{{"Lines of an order"}}));
    EXPECT_EQ(query(Engine::PostgreSQL, db, "SELECT NULL, ''").value(0).value(0).isNull(), true);
}

TEST(SqlEngines, MariaDBHoldsTheDesignItLoaded)
{
    TABULO_NEED_ENGINE(Engine::MariaDB);
    const Loaded loaded = load(Engine::MariaDB, R"sql(-- Orders and their lines.
CREATE TABLE `Order` (`Year` int NOT NULL, `Number` int NOT NULL,
  `Total` decimal(19,4) CHECK (`Total` >= 0), PRIMARY KEY (`Year`, `Number`)) ENGINE=InnoDB;
CREATE TABLE `Order Line` (`Number` int NOT NULL, `Year` int NOT NULL, `Größe` varchar(20) NOT NULL,
  PRIMARY KEY (`Year`, `Number`, `Größe`),
  FOREIGN KEY (`Year`, `Number`) REFERENCES `Order` (`Year`, `Number`) ON DELETE CASCADE)
  ENGINE=InnoDB COMMENT='Lines of an order';
)sql");
    ASSERT_EQ(loaded.error, QString());
    const QString db = loaded.database;
    EXPECT_EQ(tables(Engine::MariaDB, db), (Rows{{"Order"}, {"Order Line"}}));
    EXPECT_EQ(query(Engine::MariaDB, db,
                    "SELECT column_name, column_type, column_key FROM information_schema.columns "
                    "WHERE table_schema = DATABASE() AND table_name = 'Order Line' ORDER BY ordinal_position"),
              (Rows{{"Number", "int(11)", "PRI"}, {"Year", "int(11)", "PRI"}, {"Größe", "varchar(20)", "PRI"}}));
    EXPECT_EQ(query(Engine::MariaDB, db,
                    "SELECT column_name, seq_in_index FROM information_schema.statistics WHERE table_schema = "
                    "DATABASE() AND table_name = 'Order Line' AND index_name = 'PRIMARY' ORDER BY seq_in_index"),
              (Rows{{"Year", "1"}, {"Number", "2"}, {"Größe", "3"}}));
    EXPECT_EQ(query(Engine::MariaDB, db,
                    "SELECT referenced_table_name, delete_rule FROM information_schema.referential_constraints "
                    "WHERE constraint_schema = DATABASE()"),
              (Rows{{"Order", "CASCADE"}}));
    EXPECT_EQ(query(Engine::MariaDB, db,
                    "SELECT table_name, check_clause FROM information_schema.check_constraints "
                    "WHERE constraint_schema = DATABASE()"),
              (Rows{{"Order", "`Total` >= 0"}}));
    EXPECT_EQ(query(Engine::MariaDB, db,
                    "SELECT table_comment FROM information_schema.tables WHERE table_schema = DATABASE() "
                    "AND table_name = 'Order Line'"),
              (Rows{{"Lines of an order"}}));
    EXPECT_EQ(query(Engine::MariaDB, db, "SELECT NULL, '', 'a\tb\nc'"),
              (Rows{{QString(), "", "a\tb\nc"}}));
    EXPECT_TRUE(query(Engine::MariaDB, db, "SELECT NULL").value(0).value(0).isNull());
}

// A failed load: the engine's message with the script's line, nothing run
// after it, and in the engines with transactional DDL nothing kept of a
// script that is one transaction. A script that never commits is a failure.
class FailedLoad : public ::testing::TestWithParam<Engine> {};

TEST_P(FailedLoad, ReportsTheEnginesMessageAndStopsThere)
{
    const Engine engine = GetParam();
    TABULO_NEED_ENGINE(engine);
    const Loaded loaded = load(engine, "BEGIN;\nCREATE TABLE kept (a INTEGER);\nCREATE INDEX i ON missing (a);\n"
                                       "CREATE TABLE after_error (a INTEGER);\nCOMMIT;\n");
    switch (engine) {
    case Engine::SQLite:
        EXPECT_EQ(loaded.error, "line 3: no such table: main.missing");
        break;
    case Engine::PostgreSQL:
        EXPECT_EQ(loaded.error, "psql:<stdin>:3: ERROR:  relation \"missing\" does not exist");
        break;
    case Engine::MariaDB:
        EXPECT_EQ(loaded.error, QStringLiteral("ERROR 1146 (42S02) at line 3: Table '%1.missing' doesn't exist")
                                    .arg(loaded.database));
        break;
    }
    // MariaDB commits each CREATE TABLE by itself.
    EXPECT_EQ(tables(engine, loaded.database), engine == Engine::MariaDB ? Rows{{"kept"}} : Rows{});

    const Loaded open = load(engine, "BEGIN;\nCREATE TABLE never_committed (a INTEGER);\n");
    if (engine == Engine::MariaDB) {
        EXPECT_EQ(open.error, QString());
    } else {
        EXPECT_EQ(open.error, "the script ends inside a transaction it never commits: nothing of it is kept");
        EXPECT_EQ(tables(engine, open.database), Rows{});
    }
}

INSTANTIATE_TEST_SUITE_P(SqlEngines, FailedLoad,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL, Engine::MariaDB),
                         [](const auto &info) { return engineName(info.param).toStdString(); });

// The program below, run as a child, starts both servers and then ends as
// TABULO_SQLENGINES_END says; the servers and their folder must go either way,
// but not when a child forked by the program ends.
TEST(SqlEngines, ServersGoWithTheirProgram)
{
    if (const QByteArray end = qgetenv("TABULO_SQLENGINES_END"); !end.isEmpty()) {
        ASSERT_EQ(prepare(Engine::PostgreSQL).problem, QString());
        ASSERT_EQ(prepare(Engine::MariaDB).problem, QString());
        std::printf("folder %s\n", qPrintable(programFolder()));
        std::fflush(stdout);
        if (end == "abort")
            std::abort();
        return;
    }
    TABULO_NEED_ENGINE(Engine::PostgreSQL);
    TABULO_NEED_ENGINE(Engine::MariaDB);
    // A forked child that ends leaves its parent's servers alone.
    const pid_t child = fork();
    if (child == 0)
        std::exit(0);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(load(Engine::PostgreSQL, "CREATE TABLE t (a integer);").error, QString());
    EXPECT_EQ(load(Engine::MariaDB, "CREATE TABLE t (a integer);").error, QString());
    // The folder of a program that is gone goes when the next servers start.
    const QString stale = QFileInfo(programFolder()).path() + QStringLiteral("/gone-%1/postgresql").arg(child);
    ASSERT_TRUE(QDir().mkpath(stale));

    for (const char *end : {"exit", "abort"}) {
        SCOPED_TRACE(end);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TABULO_SQLENGINES_END", end);
        child.setProcessEnvironment(env);
        child.start(QFileInfo("/proc/self/exe").canonicalFilePath(),
                    {"--gtest_filter=SqlEngines.ServersGoWithTheirProgram"});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        const qsizetype at = out.indexOf("folder ");
        ASSERT_GE(at, 0) << out.toStdString();
        const QString folder = out.mid(at + 7).section('\n', 0, 0);
        ASSERT_THAT(folder.toStdString(), HasSubstr("/test-servers/sqlengines_tests-"));
        // The program removes it as it exits; the watchdog within seconds after a crash.
        QElapsedTimer waited;
        waited.start();
        while ((QFileInfo::exists(folder) || processesUsing(folder) > 0) && waited.elapsed() < 30000)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(QFileInfo::exists(folder));
        EXPECT_EQ(processesUsing(folder), 0);
        EXPECT_FALSE(QFileInfo::exists(stale));
        if (std::string(end) == "exit") {
            EXPECT_LT(waited.elapsed(), 1000);
        }
    }
}
