#include "wizard/engine/ReaderProcess.h"

#include "utility/OS32Helper.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace dao {

namespace {

// The reader's answer for one file stays far below this.
constexpr qint64 MaxOutputBytes = 256 * 1024 * 1024;
constexpr qint64 ReadChunkBytes = 64 * 1024;

// Waits at most `ms` for the child `pid` to end: on its process descriptor,
// which wakes this thread the moment it ends, else a millisecond at a time.
void waitForExit(pid_t pid, int ms)
{
    const int descriptor = int(syscall(SYS_pidfd_open, pid, 0));
    if (descriptor < 0) {
        poll(nullptr, 0, 1);
        return;
    }
    pollfd ended{descriptor, POLLIN, 0};
    poll(&ended, 1, ms);
    close(descriptor);
}

}  // namespace

ReaderChild startReaderChild(const QString &program, const QStringList &arguments, qint64 memoryLimitBytes,
                             int *error, const QByteArray *input, ReaderEntry entry)
{
    std::vector<QByteArray> words{pembry::encodeFileName(program)};
    for (const QString &argument : arguments)
        words.push_back(pembry::encodeFileName(argument));
    std::vector<const char *> argv;
    for (const QByteArray &word : words)
        argv.push_back(word.constData());
    argv.push_back(nullptr);
    return startReaderChild(argv.data(), memoryLimitBytes, error, input ? input->constData() : nullptr,
                            input ? std::size_t(input->size()) : 0, entry);
}

ReaderProcess::ReaderProcess(const JetFileReaderSettings &settings, const QStringList &arguments,
                             const QByteArray *input)
    : m_settings(settings), m_arguments(arguments)
{
    // The reader linked into this program, unless another one is asked for.
    const ReaderEntry entry = settings.program.isEmpty() && qEnvironmentVariableIsEmpty("TABULO_SCHEMA_READER")
                                  ? forkableReader()
                                  : nullptr;
    const QString program = entry ? QStringLiteral("tabulo-schema-reader")
                            : settings.program.isEmpty() ? findSchemaReader()
                                                         : settings.program;
    if (program.isEmpty()) {
        m_problem = QStringLiteral("the program tabulo-schema-reader is not installed");
        return;
    }
    int error = 0;
    m_child = startReaderChild(program, arguments, std::max<qint64>(settings.memoryLimitBytes, 16 * 1024 * 1024),
                               &error, input, entry);
    if (!m_child.started()) {
        m_problem = QStringLiteral("%1 could not be started (%2)").arg(program, QString::fromLocal8Bit(std::strerror(error)));
    }
}

ReaderProcess::~ReaderProcess()
{
    stopReaderChild(m_child);
}

bool ReaderProcess::isRunOf(const JetFileReaderSettings &settings, const QStringList &arguments) const
{
    return arguments == m_arguments && settings.program == m_settings.program
           && settings.timeLimitMs == m_settings.timeLimitMs
           && settings.memoryLimitBytes == m_settings.memoryLimitBytes;
}

int ReaderProcess::remainingMs() const
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - std::chrono::steady_clock::now());
    return int(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

bool ReaderProcess::readOutput(QByteArray &output, QString &problem)
{
    for (;;) {
        pollfd readable{m_child.output, POLLIN, 0};
        const int ready = poll(&readable, 1, std::min(remainingMs(), 1000));
        if (ready < 0 && errno != EINTR) {
            problem = QStringLiteral("its answer could not be read (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (ready <= 0) {
            if (remainingMs() == 0) {
                problem = QStringLiteral("reading it took longer than %1 ms").arg(m_settings.timeLimitMs);
                return false;
            }
            continue;
        }
        const qsizetype had = output.size();
        output.resize(had + ReadChunkBytes);
        const ssize_t got = read(m_child.output, output.data() + had, size_t(ReadChunkBytes));
        output.resize(had + std::max<ssize_t>(got, 0));
        if (got == 0)
            return true;
        if (got < 0 && errno != EINTR && errno != EAGAIN) {
            problem = QStringLiteral("its answer could not be read (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (output.size() > MaxOutputBytes) {
            problem = QStringLiteral("the reader's answer is too long");
            return false;
        }
    }
}

const QByteArray *ReaderProcess::answer()
{
    if (!m_answerTaken && m_problem.isEmpty()) {
        m_answerTaken = true;
        // The limit counts from here: a reader started early may have
        // waited for its answer to be taken.
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(m_settings.timeLimitMs, 1));
        if (!readOutput(m_output, m_problem)) {
            stopReaderChild(m_child);
            m_output.clear();
        }
    }
    return m_problem.isEmpty() ? &m_output : nullptr;
}

ReaderRun ReaderProcess::finish()
{
    ReaderRun run;
    if (!answer()) {
        run.problem = m_problem;
        return run;
    }
    run.output = std::move(m_output);
    // The pipe is closed: the reader is done or about to be.
    int status = 0;
    for (;;) {
        const pid_t waited = waitpid(m_child.pid, &status, WNOHANG);
        if (waited == m_child.pid)
            break;
        if (waited < 0 && errno != EINTR) {
            // Not a child of this process (any more): nothing to stop.
            run.problem = QStringLiteral("the reader's end could not be learnt");
            close(m_child.output);
            m_child = ReaderChild{};
            return run;
        }
        if (remainingMs() == 0) {
            run.problem = QStringLiteral("reading it took longer than %1 ms").arg(m_settings.timeLimitMs);
            stopReaderChild(m_child);
            return run;
        }
        waitForExit(m_child.pid, std::min(remainingMs(), 1000));
    }
    close(m_child.output);
    m_child = ReaderChild{};
    if (!WIFEXITED(status)) {
        run.problem = QStringLiteral("the reader stopped abnormally on it");
        return run;
    }
    run.finished = true;
    run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace dao
