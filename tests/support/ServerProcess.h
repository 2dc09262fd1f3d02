#pragma once
// The process side of the throwaway database servers of SqlEngines.h: the
// folders they live in, running their tools and clients, starting a server
// in the background (as another user when the tests run as root), and
// stopping it with its folder removed, also when the test program dies.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/types.h>

namespace sqlengines {

// What a finished program gave back. `failure` is set when it could not be
// run at all or did not end in time.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QString failure;
    bool ok() const { return failure.isEmpty() && exitCode == 0; }
    // The failure, else the trimmed error output, else the exit code.
    QString problem() const;
};

// Runs `program` (as `user` when set: only under root) with `input` on its
// standard input, in an environment without the PG* and MYSQL* variables
// that would point the clients elsewhere.
ProgramRun runProgram(const QString &program, const QStringList &args, const QByteArray &input = {},
                      const QString &user = {});

// The first of `names` found in $PATH, /usr/sbin or /usr/bin; "" if none.
QString findProgram(const QStringList &names);

// The unprivileged user a server that refuses root runs as: "" when the
// tests do not run as root, else "postgres" when that user exists, else
// "nobody".
QString serverUser();
// Gives `path` to `user` (no-op for ""); false when the user is unknown or
// chown fails.
bool giveTo(const QString &path, const QString &user);

// build/test-servers/<program>-<pid>, where this program's servers live.
QString programFolder();
// Removes the program folder once its servers are gone.
void removeProgramFolder();
// Removes the folders of programs that are no longer running and whose
// watchdogs did not clean up (the machine went down, say).
void removeStaleProgramFolders();

// A freshly initialised data folder kept in build/test-servers/templates/
// `name`, made by `init(folder)` (which returns its error) on first use. Two
// programs making it at once each make their own and one of them is kept.
// Returns the template's folder, or "" with *error set.
QString dataTemplate(const QString &name, const QString &user, const std::function<QString(const QString &)> &init,
                     QString *error);
// Copies a folder with its owners and modes (cp -a); returns the error.
QString copyFolder(const QString &from, const QString &to);

// One server process running in the background.
class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;
    ~ServerProcess() { stop(); }

    // Starts argv[0] with its output in `logFile` (as `user` when set), and a
    // watchdog that stops it with `stopSignal` and removes `folders` when this
    // program is gone without having called stop(). Returns the error.
    QString start(const QStringList &argv, const QString &user, const QString &logFile, const QStringList &folders,
                  int stopSignal);
    // Whether it still runs (false once it has exited on its own).
    bool running();
    // Stops it (the stop signal, then SIGKILL after 10 s) and waits for it.
    void stop();

private:
    pid_t m_pid = 0;
    pid_t m_watchdog = 0;
    int m_stopSignal = 0;
};

}  // namespace sqlengines
