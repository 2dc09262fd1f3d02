#pragma once
// The wizard's one place where unexpected errors end. A routine that catches
// an error it has no specific answer for reports it in two steps:
//
//   try { ... }
//   catch (...) {
//       gobjErrorHandler().ErrorProcess();
//       QString title;
//       gobjErrorHandler().ErrorHandler("frmWizardMain - MovePage", true, 48, title);
//   }
//
// ErrorProcess copies the error being handled into the error record - for
// database engine errors (3146 to 3299, and 63535) the engine's whole error
// list instead - and ErrorHandler shows the record in a message box and
// appends it, with the machine's memory figures, to the diagnostic log
// (see DiagnosticLog.h for where that is). Reporting never fails the caller.

#include "utility/Variant.h"

#include <QList>
#include <QString>
#include <exception>

namespace tabulo {

struct ErrorRecordEntry {
    qint32 number = 0;
    QString source;
    QString description;
    QString helpFile;
    qint32 helpContext = 0;
};

class clsErrorHandler {
public:
    // Records the exception being handled; call it inside the catch block.
    // A pembry::BasicError keeps its number, source, description and help;
    // std::bad_alloc is error 7 "Out of memory"; any other exception is
    // error 51 with its message. An engine-range number whose engine list
    // holds no error (empty, or only blank entries, or the engine cannot be
    // asked) records the exception itself. Never throws.
    void ErrorProcess() noexcept;
    // The same for an error caught earlier.
    void ErrorProcess(std::exception_ptr error) noexcept;

    // Shows the record (verbose: every entry with its number and the calling
    // routine, when ShowCompleteErrorMessage is on; otherwise the first
    // description) with message box style `icon`, and logs it when LogErrors
    // is on. An empty `title` becomes ApplicationTitle, written back.
    void ErrorHandler(const QString &procName, bool verbose, qint16 icon, QString &title) noexcept;

    // Settings; a written value is converted as Basic's CBool and CStr do
    // (a value that does not convert raises error 13 or 94).
    bool ShowCompleteErrorMessage() const { return m_showCompleteErrorMessage; }
    void setShowCompleteErrorMessage(const pembry::Variant &value);
    bool LogErrors() const { return m_logErrors; }
    void setLogErrors(const pembry::Variant &value);
    QString ApplicationTitle() const { return m_applicationTitle; }
    void setApplicationTitle(const pembry::Variant &value);

    // The record of the last ErrorProcess.
    const QList<ErrorRecordEntry> &errorRecord() const { return m_record; }

    // The folder of the log; empty (the default) means beside the library.
    QString logFolder() const { return m_logFolder; }
    void setLogFolder(const QString &folder) { m_logFolder = folder; }
    // The log file the last report went to; "" when it could not be written.
    QString lastLogFile() const { return m_lastLogFile; }

private:
    void WriteErrorLog(const QString &procName);
    static bool isEngineError(qint32 number);
    // The engine's error list with the bracket clean-up; the number of
    // entries filled goes to `filled`.
    static QList<ErrorRecordEntry> engineRecord(int &filled);

    QList<ErrorRecordEntry> m_record;
    bool m_showCompleteErrorMessage = true;
    bool m_logErrors = true;
    QString m_applicationTitle;
    QString m_logFolder;
    QString m_lastLogFile;
};

// The wizard library's one error handler, created on first use.
clsErrorHandler &gobjErrorHandler();

}  // namespace tabulo
