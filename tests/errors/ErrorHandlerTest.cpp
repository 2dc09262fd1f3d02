// The error handler: the record ErrorProcess makes, the messages ErrorHandler
// shows, and the blocks the log writer appends.

#include "FaultyEngine.h"
#include "ScopedEnv.h"
#include "RecordingMessageService.h"
#include "utility/BasicError.h"
#include "wizard/engine/WizardBuild.h"
#include "wizard/errors/DiagnosticLog.h"
#include "wizard/errors/clsErrorHandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace tabulo;

namespace {

const QString kDashes = QStringLiteral("---------------------------------------");
const QString kRoutine = QStringLiteral("frmWizardMain - MovePage");

// Each record entry's number and description, in order.
using NumberedTexts = QList<std::pair<qint32, QString>>;
NumberedTexts numbersAndDescriptions(const QList<ErrorRecordEntry> &record)
{
    NumberedTexts out;
    for (const ErrorRecordEntry &entry : record)
        out.append({entry.number, entry.description});
    return out;
}

class ErrorHandlerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        dao::installDBEngine(m_engine);
        m_handler.setLogFolder(m_dir.path());
        m_stateHome.emplace("XDG_STATE_HOME", m_dir.filePath(QStringLiteral("state")).toUtf8());
    }
    void TearDown() override { dao::installDBEngine(nullptr); }

    // Reports `error` the way every reporting routine does.
    template <class Error>
    QString report(const Error &error, bool verbose = true, QString title = {})
    {
        try {
            throw error;
        } catch (...) {
            m_handler.ErrorProcess();
            m_handler.ErrorHandler(kRoutine, verbose, 48, title);
        }
        return title;
    }

    // Makes the engine fail with `entries` and reports that failure.
    void reportEngineFailure(const QList<dao::EngineError> &entries)
    {
        m_engine->faults().inject(QStringLiteral("DBEngine.CreateWorkspace"), entries, 1);
        try {
            m_engine->CreateWorkspace(QStringLiteral("ws"), QStringLiteral("admin"), QString());
            ADD_FAILURE() << "the engine did not fail";
        } catch (...) {
            m_handler.ErrorProcess();
            QString title;
            m_handler.ErrorHandler(kRoutine, true, 48, title);
        }
    }

    QString logPath() const { return m_dir.filePath(wizardBuild().name + QStringLiteral(".log")); }
    QStringList logLines() const
    {
        QFile file(logPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"))
                                              : QStringList();
    }
    QString lastMessage() const { return m_messages.messages.isEmpty() ? QString() : m_messages.messages.last().text; }

    QTemporaryDir m_dir;
    std::shared_ptr<testsupport::FakeEngine> m_engine = std::make_shared<testsupport::FakeEngine>();
    RecordingMessageService m_messages;
    clsErrorHandler m_handler;
    std::optional<ScopedEnv> m_stateHome;
};

// "#,##0" in the user's locale.
QRegularExpression groupedNumber()
{
    const QString group = QRegularExpression::escape(QLocale::system().groupSeparator());
    return QRegularExpression(QStringLiteral("^\\d{1,3}(%1\\d{3})*$").arg(group));
}

}  // namespace

TEST_F(ErrorHandlerFixture, VerboseReportShowsTheRoutineAndLogsOneBlock)
{
    report(pembry::BasicError(91, QStringLiteral("frmWizardMain"), pembry::standardErrorText(91)));

    ASSERT_EQ(m_messages.messages.size(), 1);
    EXPECT_EQ(lastMessage(), "Calling Routine: frmWizardMain - MovePage\r\n\r\nError: 91\r\n\r\n"
                             "Description: Object variable or With block variable not set\r\n\r\n");
    EXPECT_EQ(m_messages.messages[0].style, 48);

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 17) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines[0], kDashes);
    EXPECT_EQ(lines[1], "Calling Procedure: \tfrmWizardMain - MovePage");
    EXPECT_TRUE(lines[2].contains(QRegularExpression(QStringLiteral("^Date Time: \t\t\\S.*\\d{1,2}.\\d{2}.\\d{2}"))))
        << lines[2].toStdString();
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Error Description: \tObject variable or With block variable not set");
    EXPECT_EQ(lines[5], "Error Number: \t\t91");
    EXPECT_EQ(lines[6], "Error Source: \t\tfrmWizardMain");
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[8], "");
    EXPECT_TRUE(lines[9].contains(QRegularExpression(QStringLiteral("^Memory Load: \t\t\\d{1,3}%$"))));
    const QStringList labels = {"Total Virtual: \t\t", "Available Virtual: \t", "Total Page File: \t",
                                "Available Page File: \t", "Total Physical: \t\t", "Available Physical: \t"};
    for (int i = 0; i < labels.size(); ++i) {
        ASSERT_TRUE(lines[10 + i].startsWith(labels[i])) << lines[10 + i].toStdString();
        EXPECT_TRUE(lines[10 + i].mid(labels[i].size()).contains(groupedNumber())) << lines[10 + i].toStdString();
    }
    EXPECT_EQ(lines[16], "");   // the last line ends with CRLF
    EXPECT_EQ(m_handler.lastLogFile(), logPath());
}

TEST_F(ErrorHandlerFixture, ShortReportShowsTheFirstDescriptionOnly)
{
    report(pembry::BasicError(5, QStringLiteral("x"), QStringLiteral("  Bad call  ")), false);
    EXPECT_EQ(lastMessage(), "Bad call  \r\n\r\n");

    // A verbose call shows the short form when complete messages are off.
    m_handler.setShowCompleteErrorMessage(QStringLiteral("False"));
    report(pembry::BasicError(5, QStringLiteral("x"), QStringLiteral("Bad call")), true);
    EXPECT_EQ(lastMessage(), "Bad call\r\n\r\n");
}

TEST_F(ErrorHandlerFixture, EmptyTitleTakesTheApplicationTitle)
{
    m_handler.setApplicationTitle(QStringLiteral("Tabulo Wizard"));
    EXPECT_EQ(report(pembry::BasicError(5, {}, QStringLiteral("x"))), "Tabulo Wizard");
    EXPECT_EQ(m_messages.messages.last().title, "Tabulo Wizard");
    EXPECT_EQ(report(pembry::BasicError(5, {}, QStringLiteral("x")), true, QStringLiteral("Mine")), "Mine");
    EXPECT_EQ(m_messages.messages.last().title, "Mine");
}

TEST_F(ErrorHandlerFixture, EngineErrorWithThreeEntriesInTheEnginesOrder)
{
    reportEngineFailure({dao::engineError(0, QStringLiteral("[Microsoft][ODBC Driver Manager] Data source name not found")),
                         dao::engineError(3146, QStringLiteral("3146: [Microsoft][ODBC SQL Server Driver][TCP/IP]Connection refused  ")),
                         dao::engineError(3151, QStringLiteral("ODBC--connection to 'Sales' failed."))});

    const QList<ErrorRecordEntry> &record = m_handler.errorRecord();
    // A text without a number gets 5000; the brackets are taken off.
    ASSERT_EQ(numbersAndDescriptions(record), (NumberedTexts{{5000, "Data source name not found"},
                                                             {3146, "Connection refused"},
                                                             {3151, "ODBC--connection to 'Sales' failed."}}));
    EXPECT_EQ(record[2].source, "DAO.DBEngine");

    EXPECT_EQ(lastMessage(), "Calling Routine: frmWizardMain - MovePage\r\n\r\n"
                             "Error: 5000\r\n\r\nDescription: Data source name not found\r\n\r\n"
                             "Error: 3146\r\n\r\nDescription: Connection refused\r\n\r\n"
                             "Error: 3151\r\n\r\nDescription: ODBC--connection to 'Sales' failed.\r\n\r\n");
    const QStringList lines = logLines();
    QStringList numbers;
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("Error Number: ")))
            numbers.append(line.section(u'\t', -1));
    }
    EXPECT_EQ(numbers, (QStringList{"5000", "3146", "3151"}));
}

TEST_F(ErrorHandlerFixture, EngineEntriesCleanedOneByOne)
{
    reportEngineFailure({dao::EngineError{0, QString(), QString(), QString(), 0},
                         dao::engineError(0, QStringLiteral("  plain text  ")),
                         dao::engineError(3146, QStringLiteral("ab: [x]text after")),
                         dao::engineError(3262, QStringLiteral("12345678901234: [x]overflow"))});
    const QList<ErrorRecordEntry> &record = m_handler.errorRecord();
    // No number before the bracket, or one too large: the number stays.
    // The blank engine entry was passed over; its slot stays empty at the end.
    EXPECT_EQ(numbersAndDescriptions(record), (NumberedTexts{{5000, "plain text"},
                                                             {3146, "text after"},
                                                             {3262, "overflow"},
                                                             {0, ""}}));
}

TEST_F(ErrorHandlerFixture, EngineNumberWithoutEngineEntriesRecordsTheErrorItself)
{
    m_engine->errorList().clear();
    report(pembry::BasicError(3151, QStringLiteral("clsWriteNewDatabase:DBSource"), QStringLiteral("ODBC failed")));
    ASSERT_EQ(m_handler.errorRecord().size(), 1);
    EXPECT_EQ(m_handler.errorRecord()[0].number, 3151);
    EXPECT_EQ(m_handler.errorRecord()[0].source, "clsWriteNewDatabase:DBSource");

    // Only blank engine entries: the same.
    reportEngineFailure({dao::EngineError{0, QString(), QString(), QString(), 0},
                         dao::EngineError{3151, QStringLiteral("ODBC--call failed."), QStringLiteral("DAO"), {}, 0}});
    ASSERT_EQ(m_handler.errorRecord().size(), 2);
    EXPECT_EQ(m_handler.errorRecord()[0].number, 3151);
}

TEST_F(ErrorHandlerFixture, OtherNumbersIgnoreTheEngineList)
{
    reportEngineFailure({dao::engineError(3146, QStringLiteral("first")), dao::engineError(3151, QStringLiteral("second"))});
    ASSERT_EQ(m_handler.errorRecord().size(), 2);
    report(pembry::BasicError(3033, QStringLiteral("DAO.Workspace"), QStringLiteral("No permission")));
    ASSERT_EQ(m_handler.errorRecord().size(), 1);
    EXPECT_EQ(m_handler.errorRecord()[0].number, 3033);
    // 63535 is an engine number too.
    report(pembry::BasicError(63535, QStringLiteral("DAO"), QStringLiteral("engine")));
    EXPECT_EQ(m_handler.errorRecord().size(), 2);
}

TEST_F(ErrorHandlerFixture, OtherExceptionsAreGenericErrors)
{
    report(std::runtime_error("disk on fire"));
    ASSERT_EQ(m_handler.errorRecord().size(), 1);
    EXPECT_EQ(m_handler.errorRecord()[0].number, 51);
    EXPECT_EQ(m_handler.errorRecord()[0].description, "disk on fire");
    EXPECT_EQ(m_handler.errorRecord()[0].source, wizardBuild().name);
    report(std::bad_alloc());
    EXPECT_EQ(m_handler.errorRecord()[0].number, 7);
    report(42);
    EXPECT_EQ(m_handler.errorRecord()[0].number, 51);
    EXPECT_EQ(m_handler.errorRecord()[0].description, "Internal error");
}

TEST_F(ErrorHandlerFixture, TwoReportsGiveTwoBlocks)
{
    report(pembry::BasicError(91, QStringLiteral("a"), QStringLiteral("first")));
    report(pembry::BasicError(5, QStringLiteral("b"), QStringLiteral("second")));
    const QStringList lines = logLines();
    EXPECT_EQ(lines.count(kDashes), 2);
    EXPECT_EQ(lines.first(), kDashes);
    EXPECT_EQ(lines.indexOf(kDashes, 1), 16);
    EXPECT_EQ(lines[16 + 4], "Error Description: \tsecond");
}

TEST_F(ErrorHandlerFixture, UnwritableLogFolderFallsBackToTheStateFolder)
{
    // A folder below a plain file can be written by nobody, root included.
    QFile plain(m_dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_handler.setLogFolder(plain.fileName() + QStringLiteral("/logs"));

    report(pembry::BasicError(91, QStringLiteral("a"), QStringLiteral("first")));
    const QString fallback = m_dir.filePath(QStringLiteral("state/tabulo/")) + wizardBuild().name + QStringLiteral(".log");
    EXPECT_EQ(m_handler.lastLogFile(), fallback);
    EXPECT_TRUE(QFileInfo(fallback).size() > 0);

    // Neither writable: the message is still shown and nothing reaches the caller.
    ScopedEnv nowhere("XDG_STATE_HOME", (plain.fileName() + QStringLiteral("/state")).toUtf8());
    const qsizetype shown = m_messages.messages.size();
    EXPECT_NO_THROW(report(pembry::BasicError(91, QStringLiteral("a"), QStringLiteral("second"))));
    EXPECT_EQ(m_messages.messages.size(), shown + 1);
    EXPECT_EQ(m_handler.lastLogFile(), "");
}

TEST_F(ErrorHandlerFixture, NothingIsLoggedWhenLoggingIsOff)
{
    m_handler.setLogErrors(0);
    report(pembry::BasicError(91, QStringLiteral("a"), QStringLiteral("first")));
    EXPECT_EQ(m_messages.messages.size(), 1);
    EXPECT_FALSE(QFile::exists(logPath()));
}

TEST_F(ErrorHandlerFixture, AFailingMessageBoxCostsOnlyTheMessage)
{
    struct ThrowingMessages : pembry::MessageService {
        int show(const QString &, int, const QString &) override { throw std::runtime_error("no display"); }
    } throwing;
    pembry::setMessageService(&throwing);
    EXPECT_NO_THROW(report(pembry::BasicError(91, QStringLiteral("a"), QStringLiteral("first"))));
    pembry::setMessageService(&m_messages);
    EXPECT_EQ(logLines().count(kDashes), 1);
}

TEST(ErrorHandler, OneSharedHandlerLoggingBesideTheProgram)
{
    EXPECT_EQ(&gobjErrorHandler(), &gobjErrorHandler());
    EXPECT_TRUE(gobjErrorHandler().ShowCompleteErrorMessage());
    EXPECT_TRUE(gobjErrorHandler().LogErrors());
    EXPECT_EQ(gobjErrorHandler().ApplicationTitle(), "");
    // Built into this test program, the library's file is the program.
    const QString program = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    EXPECT_EQ(DiagnosticLog::libraryFolder(), QFileInfo(program).absolutePath());
    EXPECT_EQ(DiagnosticLog(QStringLiteral("Tabulo35")).primaryPath(),
              QFileInfo(program).absolutePath() + QStringLiteral("/Tabulo35.log"));
    ScopedEnv noState("XDG_STATE_HOME", "");
    EXPECT_EQ(DiagnosticLog::fallbackFolder(), QDir::homePath() + QStringLiteral("/.local/state/tabulo"));
}
