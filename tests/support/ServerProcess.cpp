#include "ServerProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace sqlengines {

namespace {

// A client or a tool that takes longer than this has hung.
constexpr int kProgramTimeoutMs = 300000;

QString serversRoot()
{
    return QStringLiteral(TABULO_BINARY_DIR "/test-servers");
}

QProcessEnvironment clientEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : env.keys()) {
        if (name.startsWith(QLatin1String("PG")) || name.startsWith(QLatin1String("MYSQL")))
            env.remove(name);
    }
    return env;
}

// setpriv's arguments that run the rest of a command line as `user`.
QStringList asUser(const QString &user)
{
    const passwd *pw = getpwnam(user.toLocal8Bit().constData());
    if (!pw)
        return {};
    return {QStringLiteral("--reuid=%1").arg(pw->pw_uid), QStringLiteral("--regid=%1").arg(pw->pw_gid),
            QStringLiteral("--clear-groups"), QStringLiteral("--")};
}

// posix_spawn with standard input from /dev/null and both outputs to `out`;
// the child gets its own session, away from the terminal's signals.
pid_t spawn(const QStringList &argv, const QString &out, QString *error)
{
    std::vector<std::string> args;
    for (const QString &a : argv)
        args.push_back(a.toStdString());
    std::vector<char *> cargs;
    for (std::string &a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    const std::string outPath = out.toStdString();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, cargs[0], &actions, &attr, cargs.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        *error = QStringLiteral("cannot start %1: %2").arg(argv.first(), QString::fromLocal8Bit(strerror(rc)));
        return 0;
    }
    return pid;
}

}  // namespace

QString ProgramRun::problem() const
{
    if (!failure.isEmpty())
        return failure;
    const QString text = QString::fromUtf8(err).trimmed();
    if (!text.isEmpty())
        return text;
    return QStringLiteral("exit code %1").arg(exitCode);
}

ProgramRun runProgram(const QString &program, const QStringList &args, const QByteArray &input, const QString &user)
{
    ProgramRun run;
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    if (user.isEmpty()) {
        process.setProgram(program);
        process.setArguments(args);
    } else {
        const QStringList prefix = asUser(user);
        if (prefix.isEmpty()) {
            run.failure = QStringLiteral("no user %1 to run %2 as").arg(user, program);
            return run;
        }
        process.setProgram(findProgram({QStringLiteral("setpriv")}));
        process.setArguments(prefix + QStringList{program} + args);
    }
    process.start();
    if (!process.waitForStarted()) {
        run.failure = QStringLiteral("cannot run %1: %2").arg(program, process.errorString());
        return run;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kProgramTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.failure = QStringLiteral("%1 did not finish within %2 s").arg(program).arg(kProgramTimeoutMs / 1000);
    } else if (process.exitStatus() != QProcess::NormalExit) {
        run.failure = QStringLiteral("%1 crashed").arg(program);
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString findProgram(const QStringList &names)
{
    const QStringList extra{QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")};
    for (const QString &name : names) {
        QString found = QStandardPaths::findExecutable(name);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(name, extra);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString serverUser()
{
    if (geteuid() != 0)
        return {};
    return getpwnam("postgres") ? QStringLiteral("postgres") : QStringLiteral("nobody");
}

bool giveTo(const QString &path, const QString &user)
{
    if (user.isEmpty())
        return true;
    const passwd *pw = getpwnam(user.toLocal8Bit().constData());
    return pw && ::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) == 0;
}

QString programFolder()
{
    // Worked out on every call, as the servers are stopped while the
    // program's static objects go.
    return QStringLiteral("%1/%2-%3")
        .arg(serversRoot(), QString::fromLocal8Bit(program_invocation_short_name))
        .arg(getpid());
}

void removeProgramFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(programFolder()).toStdString(), ignored);
}

void removeStaleProgramFolders()
{
    const QFileInfoList folders = QDir(serversRoot()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &folder : folders) {
        bool isPid = false;
        const pid_t pid = folder.fileName().section(QLatin1Char('-'), -1).toInt(&isPid);
        if (isPid && pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove_all(QFile::encodeName(folder.filePath()).toStdString(), ignored);
        }
    }
}

QString copyFolder(const QString &from, const QString &to)
{
    const ProgramRun run = runProgram(QStringLiteral("cp"), {QStringLiteral("-a"), from, to});
    return run.ok() ? QString() : QStringLiteral("cannot copy %1 to %2: %3").arg(from, to, run.problem());
}

QString dataTemplate(const QString &name, const QString &user, const std::function<QString(const QString &)> &init,
                     QString *error)
{
    const QString templates = serversRoot() + QStringLiteral("/templates");
    const QString folder = templates + QLatin1Char('/') + name;
    if (QFileInfo(folder).isDir())
        return folder;
    const QString making = QStringLiteral("%1/.%2-%3").arg(templates, name).arg(getpid());
    QDir(making).removeRecursively();
    if (!QDir().mkpath(making) || !giveTo(making, user)) {
        *error = QStringLiteral("cannot make the folder %1 for user %2").arg(making, user);
        return {};
    }
    *error = init(making);
    if (error->isEmpty() && ::rename(QFile::encodeName(making).constData(), QFile::encodeName(folder).constData()) != 0
        && !QFileInfo(folder).isDir())
        *error = QStringLiteral("cannot rename %1 to %2").arg(making, folder);
    QDir(making).removeRecursively();  // left only when another program made the template first
    return error->isEmpty() ? folder : QString();
}

QString ServerProcess::start(const QStringList &argv, const QString &user, const QString &logFile,
                             const QStringList &folders, int stopSignal)
{
    QStringList command = argv;
    if (!user.isEmpty()) {
        const QStringList prefix = asUser(user);
        if (prefix.isEmpty())
            return QStringLiteral("no user %1 to run %2 as").arg(user, argv.first());
        command = QStringList{findProgram({QStringLiteral("setpriv")})} + prefix + argv;
    }
    QString error;
    m_pid = spawn(command, logFile, &error);
    if (!m_pid)
        return error;
    m_stopSignal = stopSignal;

    // The watchdog: once this program is gone, it stops the server and
    // removes its folders; stop() ends it first. Its output goes nowhere, so
    // that ctest does not wait for it.
    static const char *const kWatchdog =
        "parent=$1 server=$2 signal=$3 program=$4; shift 4\n"
        "while kill -0 \"$parent\" 2>/dev/null; do sleep 1; done\n"
        "kill -\"$signal\" \"$server\" 2>/dev/null\n"
        "i=0; while kill -0 \"$server\" 2>/dev/null && [ $i -lt 20 ]; do sleep 0.5; i=$((i+1)); done\n"
        "kill -KILL \"$server\" 2>/dev/null\n"
        "rm -rf \"$@\"; rmdir \"$program\" 2>/dev/null; exit 0\n";
    m_watchdog = spawn(QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"), QString::fromLatin1(kWatchdog),
                      QStringLiteral("sh"), QString::number(getpid()), QString::number(m_pid),
                      QString::number(stopSignal), programFolder()}
              + folders,
          QStringLiteral("/dev/null"), &error);
    return {};
}

bool ServerProcess::running()
{
    if (!m_pid)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = 0;
        return false;
    }
    return true;
}

void ServerProcess::stop()
{
    if (m_watchdog) {
        ::kill(m_watchdog, SIGKILL);
        waitpid(m_watchdog, nullptr, 0);
        m_watchdog = 0;
    }
    if (!running())
        return;
    ::kill(m_pid, m_stopSignal);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = 0;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
}

}  // namespace sqlengines
