#pragma once
// One run of tabulo-schema-reader: started at once, with its memory limit
// and its input and errors on the null device; finish() collects its answer
// within the time limit counted from the start. A run that is let go while
// the reader still works stops the reader.

#include "wizard/engine/JetFileReader.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace dao {

// The outcome of one run of the reader.
struct ReaderRun {
    bool finished = false;      // exited normally with `exitCode`
    int exitCode = -1;
    QByteArray output;
    QString problem;            // why it did not finish, for the description
};

class ReaderProcess {
public:
    ReaderProcess(const JetFileReaderSettings &settings, const QStringList &arguments);
    ~ReaderProcess();
    ReaderProcess(const ReaderProcess &) = delete;
    ReaderProcess &operator=(const ReaderProcess &) = delete;

    // True when this run is what `settings` and `arguments` would start.
    bool isRunOf(const JetFileReaderSettings &settings, const QStringList &arguments) const;

    // Waits for the reader and answers what it printed; stops it at the
    // time limit or when its answer grows beyond all reason.
    ReaderRun finish();

private:
    JetFileReaderSettings m_settings;
    QStringList m_arguments;
    QProcess m_process;
    QDeadlineTimer m_deadline;
    QString m_problem;          // why it could not be started
};

}  // namespace dao
