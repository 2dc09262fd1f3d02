#pragma once
// tabulo-cli on a pseudo terminal: its standard input, output and error are
// the terminal, as when a user runs it by hand.

#include "CliRun.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace clitest {

struct TerminalRun {
    int exitCode = -1;
    QByteArray screen;             // everything the program wrote to the terminal
    bool answered = false;         // the prompt appeared and the answer was typed
    bool echoOffAtPrompt = false;  // the terminal did not echo while the answer was typed
};

// Runs tabulo-cli with `arguments` in `folder`. When `prompt` appears on the
// terminal, `answer` is typed.
inline TerminalRun runCliOnTerminal(const QStringList &arguments, const QString &folder,
                                    const QByteArray &prompt = {}, const QByteArray &answer = {})
{
    // Everything the child needs is made before the fork: after it only
    // async-signal-safe calls are allowed.
    const std::string program = cliProgram().toStdString();
    const std::string workingFolder = folder.toStdString();
    std::vector<std::string> words{program};
    for (const QString &argument : arguments)
        words.push_back(argument.toStdString());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    TerminalRun run;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) {
        ADD_FAILURE() << "no pseudo terminal";
        return run;
    }
    if (pid == 0) {
        if (::chdir(workingFolder.c_str()) == 0)
            ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            break;   // EIO: the program closed the terminal
        }
        run.screen.append(buffer, got);
        if (!prompt.isEmpty() && !run.answered && run.screen.contains(prompt)) {
            termios mode{};
            ::tcgetattr(master, &mode);
            run.echoOffAtPrompt = (mode.c_lflag & ECHO) == 0;
            (void)::write(master, answer.constData(), size_t(answer.size()));
            run.answered = true;
        }
    }
    int status = 0;
    if (deadline.hasExpired()) {
        ADD_FAILURE() << "tabulo-cli did not finish on the terminal";
        ::kill(pid, SIGKILL);
    }
    ::waitpid(pid, &status, 0);
    ::close(master);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace clitest
