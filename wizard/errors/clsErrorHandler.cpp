#include "wizard/errors/clsErrorHandler.h"

#include "utility/BasicError.h"
#include "utility/MessageService.h"
#include "utility/basPublicNotCreateableFunctions.h"
#include "wizard/engine/Dao.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/errors/DiagnosticLog.h"
#include "wizard/errors/MemoryStatus.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <limits>
#include <new>

namespace tabulo {

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString TAB = QStringLiteral("\t");

// Engine entries that carry a text but no number get this one.
constexpr qint32 kNumberForUnnumberedText = 5000;
constexpr qint32 kInternalError = 51;
constexpr qint32 kOutOfMemory = 7;

ErrorRecordEntry entryFor(std::exception_ptr error)
{
    const QString buildName = wizardBuild().name;
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const pembry::BasicError &e) {
        return {e.number(), e.source(), e.description(), e.helpFile(), e.helpContext()};
    } catch (const std::bad_alloc &) {
        return {kOutOfMemory, buildName, pembry::standardErrorText(kOutOfMemory), {}, 0};
    } catch (const std::exception &e) {
        return {kInternalError, buildName, QString::fromLocal8Bit(e.what()), {}, 0};
    } catch (...) {
        return {kInternalError, buildName, QStringLiteral("Internal error"), {}, 0};
    }
}

// An engine text "3146: [Driver][Server]Message" becomes number 3146 and
// description "Message". When the text before the first bracket is no
// number, only the description is cleaned.
void cleanEngineEntry(ErrorRecordEntry &entry)
{
    if (entry.number == 0 && !entry.description.isEmpty())
        entry.number = kNumberForUnnumberedText;
    const qsizetype open = entry.description.indexOf(u'[');
    if (open < 0)
        return;
    qsizetype after = open;
    for (qsizetype close; (close = entry.description.indexOf(u']', after)) >= 0;)
        after = close + 1;
    // The number stands before ": [".
    const qsizetype numberLength = open - 2;
    if (numberLength > 0) {
        // No whole number there, or one beyond 32 bits: the number stays.
        try {
            const qint64 number = pembry::Variant(entry.description.left(numberLength)).toInteger();
            if (number >= std::numeric_limits<qint32>::min() && number <= std::numeric_limits<qint32>::max())
                entry.number = qint32(number);
        } catch (...) {
        }
    }
    entry.description = pembry::basicTrim(entry.description.mid(after));
}

// The system's general date format: short date and the time with seconds.
QString generalDateTime(const QDateTime &when, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    // The long time format may name the time zone ("t"); the general format does not.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    timeFormat.remove(zone);
    return locale.toString(when.date(), QLocale::ShortFormat) + u' '
        + locale.toString(when.time(), timeFormat.trimmed());
}

// "#,##0" with the locale's grouping, also where it omits groups by default.
QString grouped(quint64 value, QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(value);
}

}  // namespace

bool clsErrorHandler::isEngineError(qint32 number)
{
    return (number >= 3146 && number <= 3299) || number == 63535;
}

QList<ErrorRecordEntry> clsErrorHandler::engineRecord(int &filled)
{
    const dao::Errors &errors = dao::dbEngine().Errors();
    const int count = errors.Count();
    QList<ErrorRecordEntry> record(qMax(count, 0));
    filled = 0;
    for (int i = 0; i < count; ++i) {
        const dao::EngineError error = errors.Item(i);
        // An empty entry is passed over; its slot stays at the end.
        if (error.Number == 0 && error.Description.isEmpty())
            continue;
        record[filled++] = {error.Number, error.Source, pembry::basicTrim(error.Description), error.HelpFile,
                            error.HelpContext};
    }
    for (ErrorRecordEntry &entry : record) {
        try {
            cleanEngineEntry(entry);
        } catch (...) {
        }
    }
    return record;
}

void clsErrorHandler::ErrorProcess() noexcept
{
    ErrorProcess(std::current_exception());
}

void clsErrorHandler::ErrorProcess(std::exception_ptr error) noexcept
{
    try {
        const ErrorRecordEntry pending = entryFor(error);
        m_record = {pending};
        if (!isEngineError(pending.number))
            return;
        int filled = 0;
        QList<ErrorRecordEntry> record;
        try {
            record = engineRecord(filled);
        } catch (...) {
            filled = 0;
        }
        // Without a usable engine entry the pending error itself is the record.
        if (filled > 0)
            m_record = std::move(record);
    } catch (...) {
        m_record.clear();
    }
}

void clsErrorHandler::ErrorHandler(const QString &procName, bool verbose, qint16 icon, QString &title) noexcept
{
    try {
        if (title.isEmpty())
            title = m_applicationTitle;
    } catch (...) {
    }
    QString message;
    try {
        if (verbose && m_showCompleteErrorMessage) {
            for (const ErrorRecordEntry &entry : m_record) {
                message = pembry::basicTrim(message);
                message += QStringLiteral("Error: ") + QString::number(entry.number) + CRLF + CRLF
                    + QStringLiteral("Description: ") + entry.description + CRLF + CRLF;
            }
            message = QStringLiteral("Calling Routine: ") + procName + CRLF + CRLF + pembry::basicTrim(message);
        } else if (!m_record.isEmpty()) {
            message = pembry::basicTrim(m_record.first().description + CRLF + CRLF);
        }
    } catch (...) {
    }
    try {
        pembry::MsgBox(message, icon, title);
    } catch (...) {
    }
    try {
        if (m_logErrors)
            WriteErrorLog(procName);
    } catch (...) {
    }
}

void clsErrorHandler::WriteErrorLog(const QString &procName)
{
    m_lastLogFile.clear();
    const QLocale locale = QLocale::system();
    QString block;
    block += QStringLiteral("---------------------------------------") + CRLF;
    block += QStringLiteral("Calling Procedure: ") + TAB + procName + CRLF;
    block += QStringLiteral("Date Time: ") + TAB + TAB + generalDateTime(QDateTime::currentDateTime(), locale)
        + CRLF + CRLF;
    for (const ErrorRecordEntry &entry : m_record) {
        block += QStringLiteral("Error Description: ") + TAB + entry.description + CRLF;
        block += QStringLiteral("Error Number: ") + TAB + TAB + QString::number(entry.number) + CRLF;
        block += QStringLiteral("Error Source: ") + TAB + TAB + entry.source + CRLF + CRLF;
    }
    const MemoryStatus memory = MemoryStatus::current();
    block += CRLF + QStringLiteral("Memory Load: ") + TAB + TAB + QString::number(memory.memoryLoad) + u'%' + CRLF;
    block += QStringLiteral("Total Virtual: ") + TAB + TAB + grouped(memory.totalVirtual, locale) + CRLF;
    block += QStringLiteral("Available Virtual: ") + TAB + grouped(memory.availableVirtual, locale) + CRLF;
    block += QStringLiteral("Total Page File: ") + TAB + grouped(memory.totalPageFile, locale) + CRLF;
    block += QStringLiteral("Available Page File: ") + TAB + grouped(memory.availablePageFile, locale) + CRLF;
    block += QStringLiteral("Total Physical: ") + TAB + TAB + grouped(memory.totalPhysical, locale) + CRLF;
    block += QStringLiteral("Available Physical: ") + TAB + grouped(memory.availablePhysical, locale) + CRLF;

    m_lastLogFile = DiagnosticLog(wizardBuild().name, m_logFolder).append(block.toUtf8());
}

void clsErrorHandler::setShowCompleteErrorMessage(const pembry::Variant &value)
{
    m_showCompleteErrorMessage = value.toBool();
}

void clsErrorHandler::setLogErrors(const pembry::Variant &value)
{
    m_logErrors = value.toBool();
}

void clsErrorHandler::setApplicationTitle(const pembry::Variant &value)
{
    m_applicationTitle = value.toString();
}

clsErrorHandler &gobjErrorHandler()
{
    static clsErrorHandler handler;
    return handler;
}

}  // namespace tabulo
