#include "DatabaseServers.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QVersionNumber>
#include <QXmlStreamReader>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <unistd.h>

namespace sqlengines {

namespace {

// The longest socket path a Unix socket address holds, with room for the
// name the server gives its socket.
constexpr int kLongestSocketFolder = 107 - 20;
constexpr int kStartTimeoutMs = 60000;

QString logTail(const QString &logFile)
{
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    return QString::fromUtf8(text.right(2000)).trimmed();
}

// A stamp for a kept template: the server program's time, so that an
// upgraded server gets a fresh one, and who runs the tests, whose files the
// template holds.
QString stamp(const QString &program)
{
    return QStringLiteral("%1-uid%2").arg(QFileInfo(program).lastModified().toSecsSinceEpoch()).arg(geteuid());
}

// ---------------------------------------------------------------- PostgreSQL

// Debian's /usr/lib/postgresql/<version>/bin, the newest version first;
// else the folder of `postgres` on the path.
QString postgresBinaries()
{
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList names = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QVersionNumber::fromString(a) > QVersionNumber::fromString(b);
    });
    for (const QString &name : names) {
        const QString bin = versions.filePath(name + QStringLiteral("/bin"));
        if (QFileInfo(bin + QStringLiteral("/postgres")).isExecutable()
            && QFileInfo(bin + QStringLiteral("/initdb")).isExecutable())
            return bin;
    }
    const QString server = findProgram({QStringLiteral("postgres")});
    if (!server.isEmpty() && QFileInfo(QFileInfo(server).dir().filePath(QStringLiteral("initdb"))).isExecutable())
        return QFileInfo(server).absolutePath();
    return {};
}

class PostgresServer : public DatabaseServer {
public:
    PostgresServer() : m_bin(postgresBinaries())
    {
        m_psql = QFileInfo(m_bin + QStringLiteral("/psql")).isExecutable() ? m_bin + QStringLiteral("/psql")
                                                                             : findProgram({QStringLiteral("psql")});
    }

    QString missing() const override
    {
        if (m_bin.isEmpty())
            return QStringLiteral("PostgreSQL server not installed (Debian package postgresql)");
        if (m_psql.isEmpty())
            return QStringLiteral("PostgreSQL client psql not installed (Debian package postgresql-client)");
        return {};
    }

    QList<QStringList> query(const QString &database, const QString &sql, QString *error) override
    {
        // Fields end at \x1f, rows at \x1e; a NULL is \x1d.
        const ProgramRun run = psql(database, {QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-F"),
                                               QStringLiteral("\x1f"), QStringLiteral("-R"), QStringLiteral("\x1e"),
                                               QStringLiteral("-P"), QStringLiteral("null=\x1d"),
                                               QStringLiteral("-c"), sql});
        if (!run.ok()) {
            *error = run.problem();
            return {};
        }
        QString text = QString::fromUtf8(run.out);
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        QList<QStringList> rows;
        if (text.isEmpty())
            return rows;
        for (const QString &line : text.split(QChar(0x1e))) {
            QStringList row = line.split(QChar(0x1f));
            for (QString &value : row) {
                if (value == QChar(0x1d))
                    value = QString();
            }
            rows.append(row);
        }
        return rows;
    }

protected:
    QString name() const override { return QStringLiteral("postgresql"); }
    QString user() const override { return serverUser(); }

    QString makeData(const QString &data) override
    {
        QString error;
        const QString folder = dataTemplate(
            QStringLiteral("postgresql-%1-%2").arg(QFileInfo(m_bin).dir().dirName(), stamp(m_bin + "/postgres")),
            user(),
            [this](const QString &into) {
                const ProgramRun run = runProgram(
                    m_bin + QStringLiteral("/initdb"),
                    {QStringLiteral("-D"), into + QStringLiteral("/data"), QStringLiteral("-U"),
                     QStringLiteral("postgres"), QStringLiteral("--auth=trust"), QStringLiteral("--no-sync"),
                     QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale")},
                    {}, user());
                if (run.ok())
                    return QString();
                if (user().isEmpty())
                    return QStringLiteral("initdb failed: %1").arg(run.problem());
                return QStringLiteral("initdb failed, run as the user %1 (PostgreSQL refuses root), who must be "
                                      "able to reach %2: %3")
                    .arg(user(), into, run.problem());
            },
            &error);
        return error.isEmpty() ? copyFolder(folder + QStringLiteral("/data"), data) : error;
    }

    QStringList command(const QString &data) const override
    {
        return {m_bin + QStringLiteral("/postgres"), QStringLiteral("-D"), data,
                QStringLiteral("-c"), QStringLiteral("listen_addresses="),
                QStringLiteral("-c"), QStringLiteral("unix_socket_directories=") + m_sockets,
                QStringLiteral("-c"), QStringLiteral("fsync=off"),
                QStringLiteral("-c"), QStringLiteral("synchronous_commit=off"),
                QStringLiteral("-c"), QStringLiteral("full_page_writes=off"),
                QStringLiteral("-c"), QStringLiteral("shared_buffers=16MB"),
                QStringLiteral("-c"), QStringLiteral("max_connections=20")};
    }

    int stopSignal() const override { return SIGQUIT; }  // immediate shutdown: the data is thrown away

    ProgramRun ping() override
    {
        return psql(QStringLiteral("postgres"), {QStringLiteral("-c"), QStringLiteral("SELECT 1")});
    }

    ProgramRun createDatabase(const QString &database) override
    {
        return psql(QStringLiteral("postgres"),
                    {QStringLiteral("-c"), QStringLiteral("CREATE DATABASE \"%1\"").arg(database)});
    }

    Loaded loadInto(const QString &database, const QByteArray &script) override
    {
        // After the script: whether it left a transaction open, whose work
        // psql would roll back silently when it ends.
        static const QByteArray kMarker = "TABULO-OPEN-TRANSACTION";
        const QByteArray check = "\n;\nSELECT pg_current_xact_id_if_assigned() IS NOT NULL AS tabulo_open \\gset\n"
                                 "\\if :tabulo_open\n\\echo " + kMarker + "\n\\endif\n";
        const ProgramRun run = psql(database, {QStringLiteral("-f"), QStringLiteral("-")}, script + check);
        Loaded loaded;
        loaded.database = database;
        if (!run.ok())
            loaded.error = run.problem();
        else if (run.out.contains(kMarker))
            loaded.error = QStringLiteral("the script ends inside a transaction it never commits: "
                                          "nothing of it is kept");
        else
            loaded.notes = QString::fromUtf8(run.err).trimmed();
        return loaded;
    }

private:
    ProgramRun psql(const QString &database, const QStringList &args, const QByteArray &input = {})
    {
        return runProgram(m_psql,
                          QStringList{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                      QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), m_sockets,
                                      QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-d"), database}
                              + args,
                          input);
    }

    QString m_bin;
    QString m_psql;
};

// ------------------------------------------------------------------- MariaDB

// The InnoDB settings of a small, fast server whose data is thrown away.
const QStringList kInnoDbOptions{QStringLiteral("--innodb-buffer-pool-size=16M"),
                                 QStringLiteral("--innodb-log-file-size=4M"),
                                 QStringLiteral("--innodb-flush-log-at-trx-commit=0"),
                                 QStringLiteral("--innodb-doublewrite=0")};

class MariaDbServer : public DatabaseServer {
public:
    MariaDbServer()
        : m_server(findProgram({QStringLiteral("mariadbd"), QStringLiteral("mysqld")})),
          m_installDb(findProgram({QStringLiteral("mariadb-install-db"), QStringLiteral("mysql_install_db")})),
          m_client(findProgram({QStringLiteral("mariadb"), QStringLiteral("mysql")}))
    {
    }

    QString missing() const override
    {
        if (m_server.isEmpty() || m_installDb.isEmpty())
            return QStringLiteral("MariaDB server not installed (Debian package mariadb-server)");
        if (m_client.isEmpty())
            return QStringLiteral("MariaDB client not installed (Debian package mariadb-client)");
        return {};
    }

    QList<QStringList> query(const QString &database, const QString &sql, QString *error) override
    {
        // The XML form keeps tabs, line ends and NULL apart.
        const ProgramRun run = client({QStringLiteral("--xml"), QStringLiteral("-e"), sql, database});
        if (!run.ok()) {
            *error = run.problem();
            return {};
        }
        QList<QStringList> rows;
        QXmlStreamReader xml(run.out);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("row")) {
                rows.append(QStringList());
            } else if (xml.name() == QLatin1String("field") && !rows.isEmpty()) {
                const bool isNull = xml.attributes().value(QLatin1String("xsi:nil")) == QLatin1String("true");
                const QString value = xml.readElementText();
                rows.last().append(isNull ? QString() : value);
            }
        }
        if (xml.hasError())
            *error = QStringLiteral("unreadable client output: %1").arg(xml.errorString());
        return rows;
    }

protected:
    QString name() const override { return QStringLiteral("mariadb"); }

    QString makeData(const QString &data) override
    {
        QString error;
        const QString folder = dataTemplate(
            QStringLiteral("mariadb-%1").arg(stamp(m_server)), {},
            [this](const QString &into) {
                QStringList args{QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + into + "/data",
                                 QStringLiteral("--auth-root-authentication-method=normal"),
                                 QStringLiteral("--skip-test-db")};
                if (geteuid() == 0)
                    args << QStringLiteral("--user=root");
                const ProgramRun run = runProgram(m_installDb, args + kInnoDbOptions);
                return run.ok() ? QString()
                                : QStringLiteral("%1 failed: %2\n%3")
                                      .arg(m_installDb, run.problem(), QString::fromUtf8(run.out.right(2000)));
            },
            &error);
        return error.isEmpty() ? copyFolder(folder + QStringLiteral("/data"), data) : error;
    }

    QStringList command(const QString &data) const override
    {
        QStringList args{m_server,
                         QStringLiteral("--no-defaults"),
                         QStringLiteral("--datadir=") + data,
                         QStringLiteral("--socket=") + socket(),
                         QStringLiteral("--skip-networking"),
                         QStringLiteral("--pid-file=") + data + QStringLiteral("/mysqld.pid"),
                         QStringLiteral("--tmpdir=") + data,
                         QStringLiteral("--character-set-server=utf8mb4"),
                         QStringLiteral("--skip-name-resolve"),
                         QStringLiteral("--max-connections=20")};
        if (geteuid() == 0)
            args << QStringLiteral("--user=root");
        return args + kInnoDbOptions;
    }

    int stopSignal() const override { return SIGKILL; }  // nothing to keep

    ProgramRun ping() override { return client({QStringLiteral("-e"), QStringLiteral("SELECT 1")}); }

    ProgramRun createDatabase(const QString &database) override
    {
        return client({QStringLiteral("-e"), QStringLiteral("CREATE DATABASE `%1`").arg(database)});
    }

    Loaded loadInto(const QString &database, const QByteArray &script) override
    {
        // Batch mode (input not a terminal) stops at the first error.
        const ProgramRun run = client({QStringLiteral("--show-warnings"), database}, script);
        Loaded loaded;
        loaded.database = database;
        if (!run.ok()) {
            // The client frames the failed statement in dashes before its
            // message; the message names the line.
            loaded.error = run.problem();
            const qsizetype at = loaded.error.indexOf(QLatin1String("\nERROR "));
            if (at >= 0)
                loaded.error = loaded.error.mid(at + 1);
        }
        else
            loaded.notes = QString::fromUtf8(run.out + run.err).trimmed();
        return loaded;
    }

private:
    QString socket() const { return m_sockets + QStringLiteral("/mysqld.sock"); }

    ProgramRun client(const QStringList &args, const QByteArray &input = {})
    {
        return runProgram(m_client,
                          QStringList{QStringLiteral("--no-defaults"), QStringLiteral("--protocol=socket"),
                                      QStringLiteral("--socket=") + socket(), QStringLiteral("--user=root"),
                                      QStringLiteral("--default-character-set=utf8mb4")}
                              + args,
                          input);
    }

    QString m_server;
    QString m_installDb;
    QString m_client;
};

}  // namespace

DatabaseServer::~DatabaseServer()
{
    stop();
}

QString DatabaseServer::start()
{
    if (!m_started) {
        m_started = true;
        m_error = startOnce();
        if (!m_error.isEmpty())
            stop();
    }
    return m_error;
}

QString DatabaseServer::startOnce()
{
    if (const QString why = missing(); !why.isEmpty())
        return why;
    removeStaleProgramFolders();
    m_folder = programFolder() + QLatin1Char('/') + name();
    if (!QDir().mkpath(m_folder) || !giveTo(m_folder, user()))
        return QStringLiteral("cannot make the server folder %1").arg(m_folder);
    m_sockets = m_folder;
    if (m_sockets.toLocal8Bit().size() > kLongestSocketFolder) {
        QByteArray pattern = "/tmp/tabulo-sockets-XXXXXX";
        if (!mkdtemp(pattern.data()) || !giveTo(QString::fromLocal8Bit(pattern), user()))
            return QStringLiteral("cannot make a socket folder in /tmp");
        m_sockets = QString::fromLocal8Bit(pattern);
        m_ownSockets = true;
    }
    const QString data = m_folder + QStringLiteral("/data");
    if (const QString error = makeData(data); !error.isEmpty())
        return error;

    QElapsedTimer timer;
    timer.start();
    const QString log = m_folder + QStringLiteral("/server.log");
    const QString error = m_process.start(command(data), user(), log, {m_folder, m_sockets}, stopSignal());
    if (!error.isEmpty())
        return error;
    while (!ping().ok()) {
        if (!m_process.running())
            return QStringLiteral("the %1 server stopped while starting; its log %2 ends:\n%3")
                .arg(name(), log, logTail(log));
        if (timer.elapsed() > kStartTimeoutMs)
            return QStringLiteral("the %1 server did not answer within %2 s; its log %3 ends:\n%4")
                .arg(name())
                .arg(kStartTimeoutMs / 1000)
                .arg(log, logTail(log));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

void DatabaseServer::stop()
{
    m_process.stop();
    std::error_code ignored;
    if (!m_folder.isEmpty())
        std::filesystem::remove_all(QFile::encodeName(m_folder).toStdString(), ignored);
    if (m_ownSockets)
        std::filesystem::remove_all(QFile::encodeName(m_sockets).toStdString(), ignored);
    m_folder.clear();
    m_ownSockets = false;
}

Loaded DatabaseServer::load(const QByteArray &script)
{
    if (const QString error = start(); !error.isEmpty())
        return {error, {}, {}};
    const QString database = QStringLiteral("load_%1").arg(++m_loads);
    if (const ProgramRun run = createDatabase(database); !run.ok())
        return {QStringLiteral("cannot create the database %1: %2").arg(database, run.problem()), {}, {}};
    return loadInto(database, script);
}

std::unique_ptr<DatabaseServer> makePostgresServer()
{
    return std::make_unique<PostgresServer>();
}

std::unique_ptr<DatabaseServer> makeMariaDbServer()
{
    return std::make_unique<MariaDbServer>();
}

}  // namespace sqlengines
