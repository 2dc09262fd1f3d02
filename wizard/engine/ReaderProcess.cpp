#include "wizard/engine/ReaderProcess.h"

#include <sys/resource.h>

namespace dao {

namespace {

// The reader's answer for one file stays far below this.
constexpr qint64 MaxOutputBytes = 256 * 1024 * 1024;

}  // namespace

ReaderProcess::ReaderProcess(const JetFileReaderSettings &settings, const QStringList &arguments)
    : m_settings(settings), m_arguments(arguments)
{
    const QString program = settings.program.isEmpty() ? findSchemaReader() : settings.program;
    if (program.isEmpty()) {
        m_problem = QStringLiteral("the program tabulo-schema-reader is not installed");
        return;
    }
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.setStandardInputFile(QProcess::nullDevice());
    const rlim_t memory = rlim_t(std::max<qint64>(settings.memoryLimitBytes, 16 * 1024 * 1024));
    m_process.setChildProcessModifier([memory] {
        // Runs in the child between fork and exec: async-signal-safe calls only.
        const rlimit addressSpace{memory, memory};
        setrlimit(RLIMIT_AS, &addressSpace);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
    });
    // Whether it started is asked in finish(), so that the caller goes on at once.
    m_process.start();
    m_deadline = QDeadlineTimer(std::max(settings.timeLimitMs, 1));
}

ReaderProcess::~ReaderProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(-1);
    }
}

bool ReaderProcess::isRunOf(const JetFileReaderSettings &settings, const QStringList &arguments) const
{
    return arguments == m_arguments && settings.program == m_settings.program
           && settings.timeLimitMs == m_settings.timeLimitMs
           && settings.memoryLimitBytes == m_settings.memoryLimitBytes;
}

ReaderRun ReaderProcess::finish()
{
    ReaderRun run;
    if (!m_problem.isEmpty()) {
        run.problem = m_problem;
        return run;
    }
    if (!m_process.waitForStarted()) {
        run.problem =
            QStringLiteral("%1 could not be started (%2)").arg(m_process.program(), m_process.errorString());
        return run;
    }
    while (m_process.state() != QProcess::NotRunning) {
        if (m_deadline.hasExpired() || m_process.bytesAvailable() > MaxOutputBytes) {
            run.problem = m_deadline.hasExpired()
                              ? QStringLiteral("reading it took longer than %1 ms").arg(m_settings.timeLimitMs)
                              : QStringLiteral("the reader's answer is too long");
            m_process.kill();
            m_process.waitForFinished(-1);
            return run;
        }
        m_process.waitForFinished(int(std::min<qint64>(m_deadline.remainingTime(), 200)));
    }
    run.output = m_process.readAllStandardOutput();
    if (m_process.exitStatus() != QProcess::NormalExit) {
        run.problem = QStringLiteral("the reader stopped abnormally on it");
        return run;
    }
    run.finished = true;
    run.exitCode = m_process.exitCode();
    return run;
}

}  // namespace dao
