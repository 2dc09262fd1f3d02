#pragma once
// The throwaway PostgreSQL and MariaDB servers of SqlEngines.h: where their
// programs are, how each is initialised, started and reached through its
// command-line client.

#include "ServerProcess.h"
#include "SqlEngines.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace sqlengines {

class DatabaseServer {
public:
    virtual ~DatabaseServer();

    // What is not installed ("" when all is); does not start anything.
    virtual QString missing() const = 0;
    // Starts the server on the first call; returns the error, the same on
    // every later call.
    QString start();
    // Stops it and removes its folders.
    void stop();

    Loaded load(const QByteArray &script);
    // The rows, or *error set.
    virtual QList<QStringList> query(const QString &database, const QString &sql, QString *error) = 0;

protected:
    // The server's folder name under the program folder, and the user it
    // runs as ("" for this program's own).
    virtual QString name() const = 0;
    virtual QString user() const { return {}; }
    // Makes the data folder `data` (a copy of the kept template); returns the error.
    virtual QString makeData(const QString &data) = 0;
    // The server's command line: its socket in m_sockets, its data in `data`.
    virtual QStringList command(const QString &data) const = 0;
    virtual int stopSignal() const = 0;
    // A trivial query through the client: whether the server answers.
    virtual ProgramRun ping() = 0;
    // Creates `database`, then loads the script into it.
    virtual ProgramRun createDatabase(const QString &database) = 0;
    virtual Loaded loadInto(const QString &database, const QByteArray &script) = 0;

    // The folder of the socket: the server's folder, or a short one in /tmp
    // when that path is too long for a Unix socket.
    QString m_sockets;

private:
    QString startOnce();

    bool m_started = false;
    QString m_error;
    QString m_folder;
    bool m_ownSockets = false;
    int m_loads = 0;
    ServerProcess m_process;
};

std::unique_ptr<DatabaseServer> makePostgresServer();
std::unique_ptr<DatabaseServer> makeMariaDbServer();

}  // namespace sqlengines
