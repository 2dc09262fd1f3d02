#pragma once
// One run of tabulo-schema-reader: started at once, with its memory limit,
// its errors on the null device and its input there too or on a pipe holding
// a few given bytes; finish() collects its answer, waiting at most the time
// limit. A run that is let go while the reader still works stops the reader.

#include "wizard/engine/ReaderChild.h"
#include "wizard/engine/ReaderSettings.h"

#include <QByteArray>
#include <QStringList>

#include <chrono>

namespace dao {

// The outcome of one run of the reader.
struct ReaderRun {
    bool finished = false;      // exited normally with `exitCode`
    int exitCode = -1;
    QByteArray output;
    QString problem;            // why it did not finish, for the description
};

// startReaderChild() with Qt's strings; file names keep the bytes they were
// decoded from (pembry::encodeFileName). `input` (when given) is the child's
// standard input; with `entry`, a forked copy runs it instead of `program`.
ReaderChild startReaderChild(const QString &program, const QStringList &arguments, qint64 memoryLimitBytes,
                             int *error, const QByteArray *input = nullptr, ReaderEntry entry = nullptr);

class ReaderProcess {
public:
    // With `input`, the reader finds those bytes on its standard input (at
    // most kReaderInputMaxBytes); no copy of them is kept.
    ReaderProcess(const JetFileReaderSettings &settings, const QStringList &arguments,
                  const QByteArray *input = nullptr);
    ~ReaderProcess();
    ReaderProcess(const ReaderProcess &) = delete;
    ReaderProcess &operator=(const ReaderProcess &) = delete;

    // True when this run is what `settings` and `arguments` would start.
    bool isRunOf(const JetFileReaderSettings &settings, const QStringList &arguments) const;

    // What the reader printed, once it has closed its output; null when it
    // could not be read (finish() says why). The reader may still be ending:
    // the caller can work on the answer meanwhile, and finish() tells
    // whether the run succeeded.
    const QByteArray *answer();

    // Waits for the reader and answers what it printed; stops it at the
    // time limit or when its answer grows beyond all reason.
    ReaderRun finish();

private:
    // Reads the pipe to its end; false (and `problem` set) when stopped.
    bool readOutput(QByteArray &output, QString &problem);
    int remainingMs() const;

    JetFileReaderSettings m_settings;
    QStringList m_arguments;
    ReaderChild m_child;
    std::chrono::steady_clock::time_point m_deadline;
    QString m_problem;          // why it could not be started, or its answer not be read
    bool m_answerTaken = false;
    QByteArray m_output;
};

}  // namespace dao
